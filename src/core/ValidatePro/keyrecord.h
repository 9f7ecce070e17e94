// Key record encoding: a recognised capture turned into the one-key key
// table image that the remote stores. Bytes are two upper-case hexadecimal
// digits each. The parts below write a value outside 0 to 255 as its low
// byte; the whole record refuses a style that would need one.
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
// (a malformed carrier, divisor or duration list), or when the style breaks
// a limit of the record so that a byte would be cut to its low byte and the
// record would send another key: the lengths and offsets (LT + 10 and LD at
// most 255), the base unit and multiplier (at most 256), an entry time
// (below 65536), a group-table duration (1 to 64 units), a closing-block
// duration (at most 64 units), the letters of a field (four for the
// four-symbol packing, eight for the two-symbol one), or any other byte. The
// context is then left as it was.
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
