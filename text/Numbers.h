#pragma once

#include <cstdint>

namespace text {

// The greatest integer not above x. A fraction part above 0.999999999999 in magnitude first
// counts as a whole one away from zero, so 28.999999999999996 gives 29. NaN gives 0; values
// beyond the 64-bit range stop at its ends.
std::int64_t Floor(double x);

// x to n decimals, halves away from zero, with 1e-12 added to the scaled magnitude first so that
// 99.995 reaches 100.00. Infinities and NaN come back unchanged.
double Round(double x, int n);

}  // namespace text
