// Small text helpers of the importers. Internal to irtoolkit.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tvq31::ir {

// Lines of `text` without their CR/LF; a leading UTF-8 byte-order mark is
// dropped.
std::vector<std::string_view> SplitLines(std::string_view text);

// `text` without leading and trailing blanks, tabs, CR and LF.
std::string_view Trim(std::string_view text);

// Splits at runs of blanks and tabs.
std::vector<std::string_view> Words(std::string_view text);

// A decimal number of at most 32 bits; nullopt for anything else.
std::optional<uint32_t> ParseDecimal(std::string_view text);

// "line N: " + message.
std::string AtLine(size_t line, std::string_view message);

}  // namespace tvq31::ir
