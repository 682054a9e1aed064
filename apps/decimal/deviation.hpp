// Exact comparison of a decimal value with a binary floating-point value.
//
// deviation(digits, exponent, nearest) compares digits × 10^exponent with the
// double nearest (a float widened to double is exact) using integer
// arithmetic only, and reports whether they are equal and, if not, the
// relative error |nearest - exact| / |exact|. Both sides are scaled to
// integers, so the cost grows with the digit count and |exponent|; callers
// pass only magnitudes that a double can hold.
//
// Example:
//   deviation(mpz_class(1), -1, 0.1)   // {exact false, relative ~5.55e-17}
//   deviation(mpz_class(25), -1, 2.5)  // {exact true,  relative 0}
#pragma once

#include <gmpxx.h>

#include <cstdint>

namespace quire::decimal {

struct Deviation {
  bool exact = true;
  double relative = 0;
};

// digits > 0 and nearest > 0, finite; the signs are the caller's concern.
Deviation deviation(const mpz_class& digits, std::int64_t exponent, double nearest);
// The same for a coefficient that fits 64 bits: 128-bit arithmetic when the
// scaled values fit it, GMP otherwise.
Deviation deviation(std::uint64_t digits, std::int64_t exponent, double nearest);

}  // namespace quire::decimal
