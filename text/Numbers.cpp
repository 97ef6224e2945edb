#include "text/Numbers.h"

#include <cmath>
#include <limits>

namespace text {

std::int64_t Floor(double x) {
  if (std::isnan(x)) return 0;
  double whole = 0;
  double fraction = std::modf(x, &whole);
  if (std::fabs(fraction) > 0.999999999999) {
    whole += (x > 0) ? 1 : -1;
    fraction = 0;
  }
  if (fraction < 0) whole -= 1;
  // 2^63 is exactly representable; anything at or past it does not fit.
  constexpr double kLimit = 9223372036854775808.0;
  if (whole >= kLimit) return std::numeric_limits<std::int64_t>::max();
  if (whole < -kLimit) return std::numeric_limits<std::int64_t>::min();
  return static_cast<std::int64_t>(whole);
}

double Round(double x, int n) {
  if (!std::isfinite(x)) return x;
  if (n > 308) return x;
  if (n < -308) return 0;
  const double scale = std::pow(10.0, n);
  const double scaled = std::fabs(x) * scale + 1e-12;
  // From 2^52 on a double holds no fraction, so there is nothing left to round.
  if (!std::isfinite(scaled) || scaled >= 4503599627370496.0) return x;
  const double magnitude = std::floor(scaled + 0.5) / scale;
  if (magnitude == 0) return 0;
  return x < 0 ? -magnitude : magnitude;
}

}  // namespace text
