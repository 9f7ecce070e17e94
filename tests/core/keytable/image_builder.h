// Builds key table images for tests, independently of the code under test.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "hextext/hextext.h"

namespace tvq31::testing {

struct ModelKey {
  std::string code;
  std::string type;
  std::string head;  // hexadecimal digits
  std::string data;
};

// Pairs, then one entry per key in the order given, then each key's head
// and data in turn (nothing shared).
inline std::string BuildImage(const std::vector<std::pair<std::string, std::string>>& pairs,
                              const std::vector<ModelKey>& keys) {
  std::string out = ByteHex(static_cast<int>(pairs.size()));
  for (const auto& [first, second] : pairs) out += first + second;
  out += ByteHex(static_cast<int>(keys.size()));
  int at = 2 + 2 * static_cast<int>(pairs.size()) + 8 * static_cast<int>(keys.size());
  std::string blobs;
  for (const ModelKey& k : keys) {
    const int h = static_cast<int>(k.head.size() / 2);
    const int d = static_cast<int>(k.data.size() / 2);
    out += k.code + k.type;
    out += ByteHex(at & 0xFF) + ByteHex(at >> 8) + ByteHex(h);
    out += ByteHex((at + h) & 0xFF) + ByteHex((at + h) >> 8) + ByteHex(d);
    blobs += k.head + k.data;
    at += h + d;
  }
  return out + blobs;
}

// A key record as recognition delivers it (type and offsets are not read
// when it is stored).
inline std::string Record(const std::string& code, const std::string& head,
                          const std::string& data) {
  return "0001" + code + "C70A00" + ByteHex(static_cast<int>(head.size() / 2)) + "0000" +
         ByteHex(static_cast<int>(data.size() / 2)) + head + data;
}

}  // namespace tvq31::testing
