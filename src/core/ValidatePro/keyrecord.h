// Key record encoding: a recognised capture turned into the one-key key
// table image that the remote stores. Bytes are two upper-case hexadecimal
// digits each; a value outside 0 to 255 (only from library files that break
// the format's limits) is written as its low byte.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "MrcDataUnit/codestyle.h"
#include "ValidatePro/context.h"

namespace tvq31 {

// The whole key record: header, timing part, data part. Sets the context's
// BaseUnit, MarkMultiplier and SpaceMultiplier and reads its field lengths
// and group values. nullopt when the style's time unit cannot be derived
// (a malformed carrier, divisor or duration list); the context is then left
// as it was.
std::optional<std::string> EncodeKeyRecord(const CodeStyleNode& style, std::string_view recognised,
                                           int key_code, RecognitionContext& context);

// Four bytes per sequence entry after the first, then per trailer entry.
std::string EncodeEntries(const CodeStyleNode& style, const RecognitionContext& context);

// Offsets of the symbol groups' blocks, then the blocks.
std::string EncodeGroupTable(const CodeStyleNode& style, const RecognitionContext& context);

// The data part (offset table, then frame blocks) for styles of three or
// four symbol groups (Quad) and of up to two (Binary).
std::string EncodeDataQuad(const CodeStyleNode& style, std::string_view recognised,
                           const RecognitionContext& context);
std::string EncodeDataBinary(const CodeStyleNode& style, std::string_view recognised,
                             const RecognitionContext& context);

// A run of symbol letters as a marker byte and a packed byte. Four-symbol
// packing holds up to four letters, two-symbol packing up to eight; letters
// beyond that add nothing.
std::string PackSymbolsQuad(std::string_view letters);
std::string PackSymbolsBinary(std::string_view letters);

}  // namespace tvq31
