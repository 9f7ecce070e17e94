// The transfer library's one export, exactly as built into
// libtransfercode.so, fed arbitrary input; also the learned-code text alone.
#include <cstddef>
#include <cstdint>
#include <string>

#include "../src/transfer/cominput.cpp"
#include "transmitter/transferinput.h"
#include "transmitter/transmitter.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const char* answer = Cominput(text.c_str());
  // Whatever comes back is either nothing or a record that plays.
  if (answer[0] != '\0' && !tvq31::TransmitKeyRecord(answer, 500)) __builtin_trap();
  const std::string input = tvq31::BuildTransferInput(0x1A, text);
  answer = Cominput(input.c_str());
  if (answer[0] != '\0' && !tvq31::TransmitKeyRecord(answer, 500)) __builtin_trap();
  return 0;
}
