#include "hextext/hextext.h"

namespace tvq31 {

namespace {
constexpr char kDigits[] = "0123456789ABCDEF";
}

int HexDigitValue(char c) noexcept {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

bool IsHexText(std::string_view text) noexcept {
  if (text.empty()) return false;
  for (char c : text) {
    if (HexDigitValue(c) < 0) return false;
  }
  return true;
}

std::optional<int32_t> ReadHexNumber(std::string_view digits) noexcept {
  if (digits.empty()) return std::nullopt;
  uint64_t value = 0;
  for (char c : digits) {
    const int d = HexDigitValue(c);
    if (d < 0) return std::nullopt;
    value = value * 16 + static_cast<uint64_t>(d);
    if (value > 0xFFFFFFFFull) return std::nullopt;
  }
  return static_cast<int32_t>(static_cast<uint32_t>(value));
}

std::string WriteHex(int64_t value, int width) {
  uint64_t v;
  if (value < 0) {
    v = static_cast<uint32_t>(static_cast<int32_t>(value));
    if (width < 8) width = 8;
  } else {
    v = static_cast<uint64_t>(value);
  }
  std::string out;
  do {
    out.insert(out.begin(), kDigits[v & 0xF]);
    v >>= 4;
  } while (v != 0);
  if (static_cast<int>(out.size()) < width) {
    out.insert(out.begin(), static_cast<size_t>(width) - out.size(), '0');
  }
  return out;
}

std::string ByteHex(int value) {
  std::string out;
  AppendByteHex(out, value);
  return out;
}

void AppendByteHex(std::string& out, int value) {
  const unsigned v = static_cast<unsigned>(value) & 0xFFu;
  out.push_back(kDigits[v >> 4]);
  out.push_back(kDigits[v & 0xF]);
}

}  // namespace tvq31
