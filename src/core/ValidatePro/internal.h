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
// frame loop, with each decoder's comparison window (exclusive bounds).
// Only the entries the decoders can reach are read: g < ActiveGroups and
// i < ElementCount. `complete`: every one of them is set, so no decoding can
// end for want of one.
struct GroupEntry {
  bool set = false;
  int32_t value = 0;
  int64_t magnitude = 0;
  std::array<int64_t, 4> low{}, high{};
};
struct GroupTable {
  std::array<GroupEntry, kMaxGroups * kMaxGroupElements> entries{};
  bool complete = false;
};
GroupTable ReadGroupTable(const RecognitionContext& context);

// What the frame timing check reads of a frame: whether it holds a gap
// ("FEFE"), the gap after the first one, and the whole frame's length
// (durations plus gaps in milliseconds times 1000); nullopt where an item
// does not read as a number.
struct FrameTiming {
  bool has_gap = false;
  std::optional<int32_t> gap;
  std::optional<int64_t> period;
};
FrameTiming ReadFrameTiming(std::string_view f);
// CheckFrameTiming on what ReadFrameTiming read, so that one frame can be
// checked against many marks.
bool FrameTimingFits(std::string_view mark, const FrameTiming& timing);

// StripHeader without copying the frame: a view into `f`, or into
// `storage` when the last header item leaves a surplus. Empty when the
// header does not fit.
std::string_view StripHeaderView(std::string_view f, std::string_view hd, std::string& storage);

// Symbol decoder `variant` (0 to 3 for A to D). With a complete table the
// decoding may stop once its text holds `limit` characters: the text is then
// the beginning of what the full decoding gives. Otherwise the whole frame
// is decoded, so an unset entry is found wherever the decoding reaches it.
std::optional<std::string> DecodeSymbolsPrefix(int variant, std::string_view f,
                                               const RecognitionContext& context,
                                               const GroupTable& values, size_t limit);

}  // namespace tvq31::validate_internal
