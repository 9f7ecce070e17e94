// Frame splitting and matching: whether one frame of a learned-code text
// fits one frame pattern of a code style. Everything is text: four-digit
// hexadecimal items (microseconds), symbol letters "u" to "x" and the frame
// marks "h" (frame period) and "t" (trailing gap) with four digits behind.
// Nothing here throws or reads outside its input: an item that does not read
// as a number simply fails the comparison it takes part in.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "ValidatePro/context.h"

namespace tvq31 {

// 0 to 3 for "u" to "x", 10 for anything else (the empty text included).
int SymbolClass(std::string_view letter) noexcept;
inline bool IsSymbolLetter(char c) noexcept { return c >= 'u' && c <= 'x'; }
// "h" or "t".
bool IsFrameMark(std::string_view letter) noexcept;

// The value of the item at `pos` (up to four characters), nullopt when
// there is none or it is not hexadecimal.
std::optional<int32_t> ItemAt(std::string_view text, size_t pos) noexcept;

// Position of the first four-character item equal to `item`, counting items
// from the start of `text`; npos when there is none. Frame ends and gap
// marks are items: a duration whose digits end in "ED" or "FE" must not be
// taken for the start of one.
size_t FindItem(std::string_view text, std::string_view item) noexcept;

// Overall timing of a capture frame f against the template's five-character
// frame mark: "t" compares the frame's gap with the mark, "h" the whole
// frame (durations plus gap) with the period. Within 10 %, bounds strict.
bool CheckFrameTiming(std::string_view mark, std::string_view f);

// Removes the header items hd (literal durations) from the head of f, each
// within 20 %. A last header item that the capture overran leaves the
// surplus as the first data item. Empty when the header does not fit.
std::string StripHeader(std::string_view f, std::string_view hd);

// The four symbol decoders: data durations of a frame (after StripHeader)
// turned into symbol letters using the context's symbol groups. nullopt when
// a GroupValues entry that the decoding needs was never set: such a code
// style cannot be matched.
std::optional<std::string> DecodeSymbolsA(std::string_view f, const RecognitionContext& context);
std::optional<std::string> DecodeSymbolsB(std::string_view f, const RecognitionContext& context);
std::optional<std::string> DecodeSymbolsC(std::string_view f, const RecognitionContext& context);
std::optional<std::string> DecodeSymbolsD(std::string_view f, const RecognitionContext& context);

// Merges a pattern (template text with its mark) with a candidate (header
// plus decoder output): the pattern's durations and marks, the candidate's
// letters. A prefix match yields the merged prefix; a mismatch the empty
// text.
std::string MatchPattern(std::string_view pattern, std::string_view candidate);

}  // namespace tvq31
