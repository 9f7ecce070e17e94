// Key table images come from the remote: ParseKeyStates must refuse or
// answer, never crash, and its list must be sorted and well formed.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "keytable/keytable.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view image(reinterpret_cast<const char*>(data), size);
  std::string error;
  const auto states = tvq31::ParseKeyStates(image, &error);
  if (!states) {
    if (error.empty()) std::abort();  // a refusal always says why
    return 0;
  }
  for (const std::string& entry : states->entries) {
    if (entry.size() != 4 || entry[2] != '|') std::abort();
  }
  return 0;
}
