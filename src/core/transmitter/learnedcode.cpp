#include "transmitter/learnedcode.h"

#include <cctype>

#include "hextext/hextext.h"

namespace tvq31 {

namespace {

bool SetError(std::string* error, std::string reason) {
  if (error) *error = std::move(reason);
  return false;
}

bool IsHexRun(std::string_view s) { return !s.empty() && IsHexText(s); }

// Parses the frames after the count and carrier field.
bool ParseFrames(std::string_view body, Signal& signal, std::string* error) {
  size_t p = 0;
  SignalFrame frame;
  bool has_gap = false;
  auto item = [&](size_t at) { return body.substr(at, 4); };
  while (p < body.size()) {
    if (body.size() - p < 4) return SetError(error, "frames end inside an item");
    const std::string_view x = item(p);
    if (!IsHexRun(x)) return SetError(error, "item at " + std::to_string(p) + " is not hexadecimal");
    if (x == "EDED") {
      if (frame.durations.empty()) return SetError(error, "a frame without durations");
      if (!has_gap) frame.gap = UINT32_MAX;  // filled in below
      signal.frames.push_back(std::move(frame));
      frame = SignalFrame{};
      has_gap = false;
      p += 4;
      continue;
    }
    if (has_gap) return SetError(error, "a frame gap not followed by EDED");
    if (x == "FEFE") {
      if (body.size() - p < 12 || !IsHexRun(item(p + 4)) || item(p + 8) != "EDED") {
        return SetError(error, "FEFE without a gap and EDED");
      }
      const int32_t ms = *ReadHexNumber(item(p + 4));
      frame.gap = static_cast<uint32_t>(ms) * 1000u + 500u;
      has_gap = true;
      p += 8;
      continue;
    }
    int32_t value = 0;
    if (x == "FFFF") {
      // A negative duration: eight digits of two's complement.
      if (body.size() - p < 8 || !IsHexRun(body.substr(p, 8))) {
        return SetError(error, "negative duration cut short");
      }
      value = *ReadHexNumber(body.substr(p, 8));
      p += 8;
    } else {
      value = *ReadHexNumber(x);
      p += 4;
    }
    frame.durations.push_back(value < 0 ? 0u : static_cast<uint32_t>(value));
  }
  if (!frame.durations.empty() || has_gap) return SetError(error, "the last frame is not closed by EDED");
  for (size_t i = 0; i < signal.frames.size(); ++i) {
    if (signal.frames[i].gap != UINT32_MAX) continue;
    signal.frames[i].gap = i > 0 ? signal.frames[i - 1].gap : 20500u;
  }
  return true;
}

}  // namespace

std::optional<LearnedCode> ParseLearnedCode(std::string_view text, std::string* error) {
  std::string reason = "no frame count and carrier field";
  for (size_t d = 1; d <= 3 && d < text.size(); ++d) {
    if (!std::isdigit(static_cast<unsigned char>(text[d - 1]))) break;
    const int count = std::stoi(std::string(text.substr(0, d)));
    for (size_t c = 4; c <= 6 && d + c <= text.size(); ++c) {
      const std::string_view field = text.substr(d, c);
      int khz = 0;
      if (c == 4 && field == "0000") {
        khz = 0;
      } else if (field.substr(c - 2) == "12" && IsHexRun(field.substr(0, c - 2))) {
        khz = *ReadHexNumber(field.substr(0, c - 2));
      } else {
        continue;
      }
      LearnedCode code;
      code.frame_count = count;
      code.count_digits = d;
      code.carrier_khz = khz;
      code.frames_start = d + c;
      code.signal.carrier_hz = static_cast<uint32_t>(khz) * 1000u;
      std::string why;
      if (!ParseFrames(text.substr(d + c), code.signal, &why)) {
        reason = why;
        continue;
      }
      if (code.signal.frames.size() != static_cast<size_t>(count)) {
        reason = "frame count " + std::to_string(count) + " but " + std::to_string(code.signal.frames.size()) +
                 " frames";
        continue;
      }
      return code;
    }
  }
  SetError(error, "not a learned-code text: " + reason);
  return std::nullopt;
}

std::string WriteLearnedCode(const Signal& signal) {
  if (signal.frames.empty()) return {};
  std::string out = std::to_string(signal.frames.size());
  if (signal.carrier_hz == 0) {
    out += "0000";
  } else {
    out += WriteHex((signal.carrier_hz + 500) / 1000, 2) + "12";
  }
  for (size_t i = 0; i < signal.frames.size(); ++i) {
    for (uint32_t d : signal.frames[i].durations) out += WriteHex(d, 4);
    if (signal.frames.size() == 1) {
      out += "FEFE0014";
    } else if (i + 1 < signal.frames.size()) {
      out += "FEFE" + WriteHex(signal.frames[i].gap / 1000, 4);
    }
    out += "EDED";
  }
  return out;
}

}  // namespace tvq31
