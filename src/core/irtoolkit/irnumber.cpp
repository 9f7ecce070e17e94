#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "hextext/hextext.h"
#include "irtoolkit/irtoolkit.h"

namespace tvq31 {

std::optional<uint32_t> ParseIrNumber(std::string_view text) {
  if (text.find(' ') != std::string::npos) {
    uint32_t value = 0;
    int index = 0;
    size_t pos = 0;
    while (pos < text.size()) {
      while (pos < text.size() && text[pos] == ' ') ++pos;
      if (pos == text.size()) break;
      const size_t end = std::min(text.find(' ', pos), text.size());
      const std::string_view byte = text.substr(pos, end - pos);
      if (index >= 4 || byte.size() != 2 || !IsHexText(byte)) return std::nullopt;
      value |= static_cast<uint32_t>(HexDigitValue(byte[0]) * 16 + HexDigitValue(byte[1]))
               << (8 * index++);
      pos = end;
    }
    if (index == 0) return std::nullopt;
    return value;
  }
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    const std::string_view digits = text.substr(2);
    if (digits.size() > 8 || !IsHexText(digits)) return std::nullopt;
    return static_cast<uint32_t>(*ReadHexNumber(digits));
  }
  if (text.empty() || text.size() > 10 || text.find_first_not_of("0123456789") != std::string::npos) {
    return std::nullopt;
  }
  uint64_t value = 0;
  for (char c : text) value = value * 10 + static_cast<uint64_t>(c - '0');
  if (value > UINT32_MAX) return std::nullopt;
  return static_cast<uint32_t>(value);
}

}  // namespace tvq31
