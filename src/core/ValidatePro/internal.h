// Small helpers shared by the recognition sources; not part of the module's
// interface.
#pragma once

#include <cmath>
#include <cstdint>

namespace tvq31::validate_internal {

// Nearest integer, halves to the even neighbour (the default rounding mode).
inline int64_t RoundEven(double x) {
  if (!(x == x)) return 0;
  if (x >= 9.0e18) return INT64_MAX;
  if (x <= -9.0e18) return INT64_MIN;
  return static_cast<int64_t>(std::nearbyint(x));
}

}  // namespace tvq31::validate_internal
