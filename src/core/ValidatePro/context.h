// The recognition context: the working state that the frame loop, the
// symbol decoders and the key record encoder share. One context lives as
// long as its recogniser; nothing clears it between code styles or runs, so
// a field that a code style does not set keeps what an earlier style (or an
// earlier run) left in it. Library files rely on that carry-over.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "MrcDataUnit/codestyle.h"

namespace tvq31 {

struct RecognitionContext {
  // Device ticks per millisecond; set to 6000 at the start of every run.
  int32_t TickRate = 0;
  // For group g and element i: the decimal text of the element's value in
  // microseconds (marks positive, spaces negative). Empty until a code style
  // sets it.
  std::array<std::array<std::string, kMaxGroupElements>, kMaxGroups> GroupValues;
  // GroupCount of the code style being tried.
  int32_t ActiveGroups = 0;
  // Count of the last symbol group of the code style being tried; the
  // decoders use this one count for every group.
  int32_t ElementCount = 0;
  // Data-field lengths in symbols, first and second table, filled while the
  // template is built and read again by the encoder.
  std::array<int32_t, 4> FieldLengthsA{};
  std::array<int32_t, 4> FieldLengthsB{};
  // Timing figures of the recognised code style.
  int32_t BaseUnit = 0;
  int32_t MarkMultiplier = 0;
  int32_t SpaceMultiplier = 0;

  bool operator==(const RecognitionContext&) const = default;
};

// The integer held by GroupValues[g][i]; nullopt when the entry was never
// set (or does not read as a decimal number), or g, i lie outside the table.
std::optional<int32_t> GroupValue(const RecognitionContext& context, int g, int i);

}  // namespace tvq31
