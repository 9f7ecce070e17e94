// Hexadecimal text: the form in which all device data travels through the
// system. Bytes are two upper-case digits, durations four; numbers are read
// the way the remote's own tools read them: as "$"-prefixed hexadecimal,
// converted to a signed 32-bit integer.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tvq31 {

// Value of one hexadecimal digit (either case), or -1.
int HexDigitValue(char c) noexcept;

// True when every character of `text` is a hexadecimal digit (either case).
// The empty text is not hexadecimal.
bool IsHexText(std::string_view text) noexcept;

// Reads `digits` as a hexadecimal number into a signed 32-bit integer.
// Accepts digits of either case; values up to 0xFFFFFFFF wrap to negative
// as two's complement. Empty, non-hexadecimal or over-long input (a value
// that needs more than 32 bits) gives nullopt.
std::optional<int32_t> ReadHexNumber(std::string_view digits) noexcept;

// Writes `value` as upper-case hexadecimal of at least `width` digits,
// zero-padded; a value that needs more digits gets more; a negative value is
// written as its 32-bit two's complement (eight digits).
std::string WriteHex(int64_t value, int width);

// Two upper-case digits of the low byte of `value`.
std::string ByteHex(int value);

// Appends two upper-case digits of the low byte of `value` to `out`.
void AppendByteHex(std::string& out, int value);

}  // namespace tvq31
