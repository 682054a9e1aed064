// Rounding a Scientific to an integer: truncate, round, ceiling, floor and
// properFraction, into mpz_class or any fixed-width integer type.
//
// A fixed-width result wraps around exactly as a C++ integer conversion does
// (the result is the exact integer modulo 2^bits), and never costs more than
// a few word operations for a non-negative exponent, however large. An
// mpz_class result with a non-negative exponent forms 10^e and throws
// quire::Error above 10^maxPowerOfTen. A negative exponent never forms a
// power larger than the coefficient, so a tiny value such as 1e-1000000000
// answers at once.
//
// Example:
//   using quire::scientific::Scientific;
//   namespace sci = quire::scientific;
//   sci::round<int>(Scientific(25, -1));          // 2 (halves go to the even neighbour)
//   sci::round<int>(Scientific(-35, -1));         // -4
//   sci::floor(Scientific(-1, -400));             // mpz_class(-1)
//   sci::ceiling<long>(Scientific(1, -400));      // 1
//   sci::truncate<std::uint8_t>(Scientific(3, 2)); // 44 (300 wraps modulo 256)
//   auto [whole, fraction] = sci::properFraction<int>(Scientific(-375, -2));
//   // whole == -3, fraction == Scientific(-75, -2)
#pragma once

#include <gmpxx.h>

#include <concepts>
#include <cstdint>

#include "scientific/export.hpp"
#include "scientific/scientific.hpp"

namespace quire::scientific {

// The integral types the rounding operations produce.
template <class R>
concept IntegralResult = std::same_as<R, mpz_class> || FixedWidthInteger<R>;

// The integral part and the fraction left over, of the same sign as the value.
template <IntegralResult R>
struct ProperFraction {
  R integral;
  Scientific fraction;
  friend bool operator==(const ProperFraction&, const ProperFraction&) = default;
};

namespace detail {

enum class RoundingMode : std::uint8_t { Truncate, Round, Ceiling, Floor };

// The exact result as an integer; throws quire::Error naming `operation`
// when a non-negative exponent needs a power above 10^maxPowerOfTen.
QUIRE_SCIENTIFIC_EXPORT mpz_class roundToInteger(const Scientific& s, RoundingMode mode);
// The exact result modulo 2^64.
QUIRE_SCIENTIFIC_EXPORT std::uint64_t roundToWord(const Scientific& s, RoundingMode mode);
// The fraction of properFraction: (0, 0) for e >= 0, else (remainder, e).
QUIRE_SCIENTIFIC_EXPORT Scientific fractionPart(const Scientific& s);

template <IntegralResult R>
R rounded(const Scientific& s, RoundingMode mode) {
  if constexpr (std::same_as<R, mpz_class>) {
    return roundToInteger(s, mode);
  } else {
    return static_cast<R>(roundToWord(s, mode));
  }
}

}  // namespace detail

// Towards zero.
template <IntegralResult R = mpz_class>
R truncate(const Scientific& s) {
  return detail::rounded<R>(s, detail::RoundingMode::Truncate);
}

// To the nearest integer; an exact half goes to the even neighbour
// (0.5 -> 0, 1.5 -> 2, 2.5 -> 2, -2.5 -> -2).
template <IntegralResult R = mpz_class>
R round(const Scientific& s) {
  return detail::rounded<R>(s, detail::RoundingMode::Round);
}

// Towards positive infinity.
template <IntegralResult R = mpz_class>
R ceiling(const Scientific& s) {
  return detail::rounded<R>(s, detail::RoundingMode::Ceiling);
}

// Towards negative infinity.
template <IntegralResult R = mpz_class>
R floor(const Scientific& s) {
  return detail::rounded<R>(s, detail::RoundingMode::Floor);
}

// The value split into truncate(s) and the rest. The fraction is (0, 0) for
// a non-negative exponent; otherwise it keeps the value's exponent, so a tiny
// value comes back unchanged: properFraction(1e-400) == {0, 1e-400}.
template <IntegralResult R = mpz_class>
ProperFraction<R> properFraction(const Scientific& s) {
  return ProperFraction<R>{truncate<R>(s), detail::fractionPart(s)};
}

}  // namespace quire::scientific
