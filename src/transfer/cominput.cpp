// Cominput: the transfer input (two lines: "#99|01" and the key code; the
// button caption, "|" and the learned-code text) in, the key record of our
// raw layout out. The answer stays valid until the same thread calls again;
// anything that cannot be stored whole answers the empty text.
#include <exception>
#include <string>

#include "transmitter/transferinput.h"

extern "C" __attribute__((visibility("default"))) const char* Cominput(const char* input) {
  static const char kEmpty[] = "";
  thread_local std::string answer;
  if (input == nullptr) return kEmpty;
  try {
    answer = tvq31::TransferKeyRecord(input);
    return answer.c_str();
  } catch (...) {
    // Out of memory is the only way here; no exception crosses the boundary.
    return kEmpty;
  }
}
