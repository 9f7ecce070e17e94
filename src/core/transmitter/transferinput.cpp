#include "transmitter/transferinput.h"

#include "hextext/hextext.h"
#include "transmitter/learnedcode.h"
#include "transmitter/rawrecord.h"

namespace tvq31 {

namespace {

bool SetError(std::string* error, std::string reason) {
  if (error) *error = std::move(reason);
  return false;
}

// Splits off one line; false when nothing is left.
bool TakeLine(std::string_view& rest, std::string_view& line) {
  if (rest.empty()) return false;
  const size_t lf = rest.find('\n');
  line = rest.substr(0, lf);
  rest = lf == std::string_view::npos ? std::string_view{} : rest.substr(lf + 1);
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  return true;
}

}  // namespace

std::string AdjustLearnedCodeForTransfer(std::string_view text) {
  std::optional<LearnedCode> code = ParseLearnedCode(text);
  if (!code || code->frame_count < 1) return std::string(text);
  const size_t p = code->frames_start;
  // The first duration: four digits, or eight for a negative one.
  size_t width = 4;
  int64_t first = 0;
  if (text.substr(p, 4) == "FFFF") {
    width = 8;
    first = *ReadHexNumber(text.substr(p, 8));
  } else {
    first = *ReadHexNumber(text.substr(p, 4));
  }
  const size_t frame_len = width + 12;
  if (first >= 30 || text.size() < p + frame_len || text.substr(p + width, 4) != "FEFE" ||
      text.substr(p + width + 8, 4) != "EDED") {
    return std::string(text);
  }
  // The count as a number, the carrier field as it stands, the frames
  // after the dropped one.
  std::string out = std::to_string(code->frame_count - 1);
  out += text.substr(code->count_digits, p - code->count_digits);
  out += text.substr(p + frame_len);
  return out;
}

std::string BuildTransferInput(int key_code, std::string_view learned_code) {
  std::string out = "#99|01";
  out += ByteHex(key_code);
  out += "\r\n0:";
  out += kGbkButton;
  out += "0:{X=310,Y=120}|";
  out += AdjustLearnedCodeForTransfer(learned_code);
  out += "\r\n";
  return out;
}

std::optional<TransferInput> ParseTransferInput(std::string_view input, std::string* error) {
  auto fail = [&](std::string reason) -> std::optional<TransferInput> {
    SetError(error, "transfer input: " + std::move(reason));
    return std::nullopt;
  };
  std::string_view rest = input;
  std::string_view first, second;
  if (!TakeLine(rest, first) || !TakeLine(rest, second)) return fail("fewer than two lines");
  std::string_view extra;
  while (TakeLine(rest, extra)) {
    if (!extra.empty()) return fail("text after the second line");
  }
  if (first.size() != 8 || first.substr(0, 6) != "#99|01" || !IsHexText(first.substr(6, 2))) {
    return fail("first line is not \"#99|01\" and a key code");
  }
  if (second.substr(0, 2) != "0:") return fail("second line does not start with \"0:\"");
  const size_t bar = second.find('|');
  if (bar == std::string_view::npos) return fail("second line has no \"|\"");
  TransferInput in;
  in.key_code = *ReadHexNumber(first.substr(6, 2));
  in.learned_code = std::string(second.substr(bar + 1));
  return in;
}

std::string TransferKeyRecord(std::string_view input, std::string* error) {
  std::optional<TransferInput> in = ParseTransferInput(input, error);
  if (!in) return {};
  return RawKeyRecordFromLearnedCode(in->learned_code, in->key_code, error);
}

}  // namespace tvq31
