// Small helpers shared by the recognition sources; not part of the module's
// interface.
#pragma once

#include <array>
#include <cmath>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "ValidatePro/context.h"

namespace tvq31::validate_internal {

// Nearest integer, halves to the even neighbour (the default rounding mode).
inline int64_t RoundEven(double x) {
  if (!(x == x)) return 0;
  if (x >= 9.0e18) return INT64_MAX;
  if (x <= -9.0e18) return INT64_MIN;
  return static_cast<int64_t>(std::nearbyint(x));
}

// The context's GroupValues read as integers once, for every decoder of a
// frame loop. `complete`: every entry the decoders can reach is set, so no
// decoding can end for want of one.
struct GroupTable {
  std::array<std::optional<int32_t>, kMaxGroups * kMaxGroupElements> values{};
  bool complete = false;
};
GroupTable ReadGroupTable(const RecognitionContext& context);

// Symbol decoder `variant` (0 to 3 for A to D). With a complete table the
// decoding may stop once its text holds `limit` characters: the text is then
// the beginning of what the full decoding gives. Otherwise the whole frame
// is decoded, so an unset entry is found wherever the decoding reaches it.
std::optional<std::string> DecodeSymbolsPrefix(int variant, std::string_view f,
                                               const RecognitionContext& context,
                                               const GroupTable& values, size_t limit);

}  // namespace tvq31::validate_internal
