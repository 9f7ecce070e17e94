// The three importers read untrusted text: none may crash, hang or read out
// of bounds, whatever the bytes.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "irtoolkit/irtoolkit.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  std::string error;
  if (auto entries = tvq31::ParseFlipperIr(text, &error)) {
    for (const tvq31::IrEntry& entry : *entries) (void)tvq31::EntrySignal(entry, 300, &error);
  }
  if (auto s = tvq31::ParsePronto(text, 300, &error)) (void)tvq31::DistortSignal(*s, size);
  (void)tvq31::ParseMode2(text, &error);
  (void)tvq31::GuessImportFormat(text);
  return 0;
}
