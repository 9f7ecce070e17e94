// Library file bytes and style source text are both untrusted input. The
// same bytes go through the binary reader (and, for every record read, the
// timing arithmetic and the source writer, whose output must parse back to
// the same record) and through the source parser.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "MrcDataUnit/codestyle.h"
#include "MrcDataUnit/stylesource.h"
#include "MrcDataUnit/timing.h"

using namespace tvq31;

namespace {

void CheckRecord(const CodeStyleNode& node) {
  std::vector<int32_t> values = CollectDurations(node);
  if (const auto unit = FindTimeUnit(values, node, kTickRate)) {
    (void)DeviceUnit(*unit);
    (void)FindMultiplier(values);
  }
  ArrCodeStyleNode again;
  if (!ParseStyleSource(FormatStyleSource(node), "dump", again) || again.size() != 1 || !(again[0] == node)) {
    std::abort();  // a dumped record must build back to itself
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);

  // Let short inputs reach the records: a leading 0 byte stands for the
  // library header.
  std::string library;
  if (!bytes.empty() && bytes[0] == '\0') {
    library = WriteCodeStyleBytes({});
    library.append(bytes.substr(1));
  } else {
    library.assign(bytes);
  }
  ArrCodeStyleNode nodes;
  if (ParseCodeStyleBytes(library, nodes)) {
    for (const CodeStyleNode& node : nodes) CheckRecord(node);
  }

  ArrCodeStyleNode parsed;
  std::string error;
  if (ParseStyleSource(bytes, "fuzz.style", parsed, &error)) {
    for (const CodeStyleNode& node : parsed) CheckRecord(node);
  }
  return 0;
}
