// Timing arithmetic on the tagged 32-bit elements of a code style: what a
// tag means, element durations, and the integer searches that derive the
// time unit and the duration multiplier a key record needs.
//
// Library durations count hundredths of a microsecond; marks are positive,
// spaces negative. Every rounding is to the nearest integer with halves to
// the even neighbour; every integer division and remainder truncates toward
// zero. All functions are pure and never fail on any input: arithmetic that
// a malformed style would push out of range saturates or (for the unit
// search) gives nullopt.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "MrcDataUnit/codestyle.h"

namespace tvq31 {

inline constexpr int kTickRate = 6000;  // device ticks per millisecond

// Element tags (bits 24..31 of an element).
inline constexpr uint32_t kTagSpaceFine = 0x00;
inline constexpr uint32_t kTagSpaceCoarse = 0x01;
inline constexpr uint32_t kTagSpaceCycles = 0x02;
inline constexpr uint32_t kTagMarkFine = 0x04;
inline constexpr uint32_t kTagMarkCoarse = 0x05;
inline constexpr uint32_t kTagMarkCycles = 0x06;
inline constexpr uint32_t kTagDefineA = 0x08;
inline constexpr uint32_t kTagReferA1 = 0x09;
inline constexpr uint32_t kTagReferA2 = 0x0A;
inline constexpr uint32_t kTagFreeSymbol = 0x0B;
inline constexpr uint32_t kTagDefineB = 0x0C;
inline constexpr uint32_t kTagReferB1 = 0x0D;
inline constexpr uint32_t kTagReferB2 = 0x0E;
inline constexpr uint32_t kTagConstant = 0x0F;
inline constexpr uint32_t kTagTrailingGap = 0x10;  // sequence entry, "t" mark
inline constexpr uint32_t kTagPeriod = 0x19;       // sequence entry, "h" mark
inline constexpr uint32_t kTagUnused = 0x1D;

// Sequence and trailer entries: pattern number in bits 20..23, the mark time
// in units of ten microseconds in bits 0..19.
inline constexpr uint32_t kEntryPatternScale = 1048576;

// Rounds to the nearest integer, halves to the even neighbour. NaN gives 0;
// values beyond the 64-bit range saturate.
int64_t RoundHalfEven(double x);

// The signed value of an element (see the tag table in codestyle docs).
// Only NoCarrier and CarrierFreq of `style` are read. Results that would not
// fit (coarse or carrier-cycle values of absurd size) saturate to
// ±INT32_MAX, so the result is never INT32_MIN and its magnitude always fits.
int32_t ElementValue(uint32_t element, const CodeStyleNode& style);
// As ElementValue for durations and sequence entries; 0 for every other tag.
int32_t ElementDuration(uint32_t element, const CodeStyleNode& style);

bool IsDurationElement(uint32_t element);       // 0x00-0x02, 0x04-0x06
bool IsFreeSymbolElement(uint32_t element);     // 0x0B
bool IsFirstTableField(uint32_t element);       // 0x08-0x0A
bool IsFirstTableDefinition(uint32_t element);  // 0x08
bool IsSecondTableDefinition(uint32_t element); // 0x0C
bool IsConstantField(uint32_t element);         // 0x0F
bool IsPeriodEntry(uint32_t element);           // 0x19

// The durations the unit searches work on: every element of the groups in
// use (zeros included), then every non-zero duration of the patterns in use.
// Counts beyond the record's slots are cut to the slots.
std::vector<int32_t> CollectDurations(const CodeStyleNode& style);

// Euclid on truncating remainders; 0 when either is 0. Signs are kept, so a
// negative argument can give a negative result.
int32_t Gcd(int32_t a, int32_t b);

// The largest n from `limit` down to 1 that divides |a| within
// round(|a| × min(tolerance, 1)) (remainders folded at n div 2); |a| itself
// when `limit` ≥ |a| or `limit` ≤ 0 (saturated to INT32_MAX).
int32_t NearestDivisor(int32_t a, int32_t limit, double tolerance);

// The largest c up to min(limit, every magnitude) that divides every
// magnitude within its tolerance; 1 when none does or the list is empty.
int32_t CommonDivisor(const std::vector<int32_t>& values, int32_t limit, double tolerance);

// The time unit in library time units; rewrites `values` in place, each in
// units. A malformed style (carrier not positive, divisor 0, a unit of 0, a
// value of INT32_MIN) has no unit: the result is nullopt and `values` is
// unspecified.
std::optional<int32_t> FindTimeUnit(std::vector<int32_t>& values, const CodeStyleNode& style,
                                    int32_t rate);
// The duration multiplier: max(2, CommonDivisor(values, 255, 0.02)).
int32_t FindMultiplier(const std::vector<int32_t>& values);
// A library time unit in device ticks: max(1, round(unit × 6000 / 100000)).
int32_t DeviceUnit(int32_t unit);

}  // namespace tvq31
