// Library bytes and learned-code texts are both untrusted: any records and
// any text must run through recognition and encoding without a crash, a
// hang or a read outside the record, and whatever comes out is a key record
// in hexadecimal.
//
// Input: two bytes giving where the rest splits into library records (after
// a valid header) and the learned-code text. A well-formed NEC style is
// appended to the records so that the matching and encoding paths are
// reached as well.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "MrcDataUnit/codestyle.h"
#include "ValidatePro/recognise.h"
#include "hextext/hextext.h"

using namespace tvq31;

namespace {

CodeStyleNode Nec() {
  CodeStyleNode s;
  s.Name = "NEC";
  s.CarrierFreq = 38000;
  s.UnitDivisor = 1;
  s.GroupCount = 2;
  s.Groups[0].Count = 2;
  s.Groups[0].Elements = {MakeElement(4, 56000), MakeElement(0, 56000)};
  s.Groups[1].Count = 2;
  s.Groups[1].Elements = {MakeElement(4, 56000), MakeElement(0, 169000)};
  s.FrameCount = 1;
  s.Frames[0].Count = 7;
  s.Frames[0].Elements = {MakeElement(4, 900000), MakeElement(0, 450000), MakeElement(8, 8),
                          MakeElement(8, 24), MakeElement(8, 40), MakeElement(8, 56),
                          MakeElement(4, 56000)};
  s.SequenceCount = 1;
  s.Sequence[0] = MakeElement(0x19, 10800);
  s.RepeatCount = 1;
  return s;
}

void Check(const RecognitionResult& r) {
  if (r.record.empty()) return;
  if (r.record.size() % 2 != 0 || !IsHexText(r.record) || r.record.compare(0, 4, "0001") != 0 ||
      r.index < 0) {
    std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const std::string_view rest(reinterpret_cast<const char*>(data + 2), size - 2);
  const size_t split = static_cast<size_t>(data[0] | (data[1] << 8)) % (rest.size() + 1);
  const std::string_view records = rest.substr(0, split);
  const std::string_view text = rest.substr(split);

  const std::string header = "Vexor ZorizIrevorOruzavuduv CodeInfo";
  std::string bytes(1, static_cast<char>(header.size()));
  bytes += header;
  bytes += records;
  ArrCodeStyleNode library;
  if (!ParseCodeStyleBytes(bytes, library)) std::abort();  // the header is valid
  library.push_back(Nec());

  Recogniser recogniser;
  Check(recogniser.RecogniseCapture(text, data[0], library));
  // Again with what the first run left in the context.
  Check(recogniser.RecogniseCapture(text, data[1], library));
  // The records alone, in reverse order, so the NEC style sets the context
  // before the fuzzed records are tried.
  ArrCodeStyleNode reversed(library.rbegin(), library.rend());
  reversed.erase(reversed.begin());
  reversed.push_back(Nec());
  Check(recogniser.RecogniseCapture(text, 0, reversed));
  return 0;
}
