// PutKeyRecord on an image and a record from outside (the remote, the
// recogniser, the transfer library). Input: image, a newline, record.
// Whatever it accepts must rebuild into an image that reads back with the
// stored key's head and data, and that is its own normal form.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "keytable/keytable.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const size_t cut = input.find('\n');
  const std::string_view image = input.substr(0, cut);
  const std::string_view record = cut == std::string_view::npos ? "" : input.substr(cut + 1);

  std::string error;
  const auto out = tvq31::PutKeyRecord(image, record, &error);
  if (!out) {
    if (error.empty()) std::abort();
    return 0;
  }
  const auto table = tvq31::ReadKeyTable(*out);
  if (!table || !tvq31::ParseKeyStates(*out)) std::abort();

  // The stored key keeps what the record carried.
  const std::string code(record.substr(4, 2));
  const int h = std::stoi(std::string(record.substr(12, 2)), nullptr, 16);
  const int d = std::stoi(std::string(record.substr(18, 2)), nullptr, 16);
  bool found = false;
  for (const tvq31::KeyEntry& e : table->entries) {
    if (e.key_code != code) continue;
    found = true;
    if (e.key_type != "CF" || e.head != record.substr(20, 2 * h) ||
        e.data != record.substr(20 + 2 * h, 2 * d)) {
      std::abort();
    }
  }
  if (found != (h > 0 && d > 0)) std::abort();

  // Rebuilding the result for a key without a code and outside every pair
  // gives it back.
  for (int c = 0; c < 256; ++c) {
    static const char kDigits[] = "0123456789ABCDEF";
    const std::string t{kDigits[c >> 4], kDigits[c & 15]};
    bool free = true;
    for (const auto& e : table->entries) free = free && e.key_code != t;
    for (const auto& p : table->pairs) free = free && p.first != t && p.second != t;
    if (!free) continue;
    if (tvq31::PutKeyRecord(*out, tvq31::OneKeyDeletionRecord(t)) != out) std::abort();
    break;
  }
  return 0;
}
