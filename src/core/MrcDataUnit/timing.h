// Timing arithmetic on the tagged 32-bit elements of a code style: what a
// tag means, element durations, and the integer searches that derive the
// time unit and the duration multiplier a key record needs.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "MrcDataUnit/codestyle.h"

namespace tvq31 {

inline constexpr int kTickRate = 6000;  // device ticks per millisecond

// Rounds to the nearest integer, halves to the even neighbour.
int64_t RoundHalfEven(double x);

int32_t ElementValue(uint32_t element, const CodeStyleNode& style);
int32_t ElementDuration(uint32_t element, const CodeStyleNode& style);

bool IsDurationElement(uint32_t element);
bool IsFreeSymbolElement(uint32_t element);
bool IsFirstTableField(uint32_t element);
bool IsFirstTableDefinition(uint32_t element);
bool IsSecondTableDefinition(uint32_t element);
bool IsConstantField(uint32_t element);
bool IsPeriodEntry(uint32_t element);

std::vector<int32_t> CollectDurations(const CodeStyleNode& style);
int32_t Gcd(int32_t a, int32_t b);
int32_t NearestDivisor(int32_t a, int32_t limit, double tolerance);
int32_t CommonDivisor(const std::vector<int32_t>& values, int32_t limit, double tolerance);

// The time unit in library time units; rewrites `values` in place.
// A malformed style (carrier not positive, divisor 0, a unit of 0) would
// divide by zero: such a style has no unit, and the result is nullopt with
// `values` unspecified.
std::optional<int32_t> FindTimeUnit(std::vector<int32_t>& values, const CodeStyleNode& style,
                                    int32_t rate);
int32_t FindMultiplier(const std::vector<int32_t>& values);
int32_t DeviceUnit(int32_t unit);

}  // namespace tvq31
