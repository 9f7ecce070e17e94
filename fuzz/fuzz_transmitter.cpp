// Key records from anywhere (a key table read from the remote, a file given
// to the CLI) through the transmitter model, both as text and as bytes
// turned into a well-formed header so the timing and data parts get
// exercised.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "hextext/hextext.h"
#include "transmitter/transmitter.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  (void)tvq31::TransmitKeyRecord(text, 2000);
  if (size < 3) return 0;
  // First byte: hold in tens of ms; second: head length; the rest: head and
  // data bytes.
  const uint32_t hold = data[0] * 10u;
  size_t h = data[1];
  const size_t rest = size - 2;
  if (h > rest) h = rest;
  size_t d = rest - h;
  if (d > 255) d = 255;
  std::string record = "00011AC70A00";
  tvq31::AppendByteHex(record, static_cast<int>(h));
  tvq31::AppendByteHex(record, static_cast<int>(h + 10));
  record += "00";
  tvq31::AppendByteHex(record, static_cast<int>(d));
  for (size_t i = 0; i < h + d; ++i) tvq31::AppendByteHex(record, data[2 + i]);
  (void)tvq31::TransmitKeyRecord(record, hold);
  return 0;
}
