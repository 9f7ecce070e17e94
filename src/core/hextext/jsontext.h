// JSON string literals for the machine-readable outputs of the tools.
#pragma once

#include <string>
#include <string_view>

namespace tvq31 {

// `text` as a JSON string literal, quotes included. Bytes that are not
// printable ASCII are escaped, so names read from files of any bytes still
// give valid JSON.
std::string JsonString(std::string_view text);

}  // namespace tvq31
