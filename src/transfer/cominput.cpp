// Cominput: the transfer input (two lines: "#99|01" and the key code; the
// button caption, "|" and the learned-code text) in, the key record of our
// raw layout out. The answer stays valid until the same thread calls again;
// anything that cannot be stored whole answers the empty text.
#include <exception>
#include <string>

#include "transmitter/transferinput.h"

extern "C" __attribute__((visibility("default"))) const char* Cominput(const char* input) {
  static const char kEmpty[] = "";
  // Initial-exec: the answer lives in the static TLS block the loader keeps
  // spare for libraries opened later, not in storage found through the
  // thread's dynamic TLS vector, which LeakSanitizer builds of the
  // programs cannot walk.
  __attribute__((tls_model("initial-exec"))) thread_local std::string answer;
  if (input == nullptr) return kEmpty;
  try {
    answer = tvq31::TransferKeyRecord(input);
    return answer.c_str();
  } catch (...) {
    // Out of memory is the only way here; no exception crosses the boundary.
    return kEmpty;
  }
}
