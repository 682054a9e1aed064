// Conversions between Scientific and the machine number types.
//
// fromFloatDigits gives the exact shortest decimal of a binary floating-point
// number. toBoundedRealFloat rounds a Scientific to the nearest float, double
// or long double (ties to even, subnormals included) and says whether the
// exponent put it out of range; toBoundedInteger gives a fixed-width integer
// when the value is an integer in the type's range. Exponents from outside
// (1e-1000000000, 1e1000000000) are decided from the exponent and the
// coefficient's size alone: no huge power of ten is ever formed for them.
//
// Example:
//   using namespace quire::scientific;
//   Scientific x = fromFloatDigits(0.1);            // (1, -1)
//   double d = toRealFloat<double>(Scientific(15, -1));          // 1.5
//   Bounded<double> big = toBoundedRealFloat<double>(Scientific(1, 400));
//   // big.inRange == false, big.value == +infinity
//   std::optional<std::int8_t> i = toBoundedInteger<std::int8_t>(Scientific(1270, -1));
//   // *i == 127
//   // toBoundedInteger<std::int8_t>(Scientific(128, 0)) == std::nullopt
//   auto v = floatingOrInteger<double, std::int64_t>(Scientific(150, -1));
//   // std::get<std::int64_t>(v) == 15
#pragma once

#include <gmpxx.h>

#include <array>
#include <concepts>
#include <cstdint>
#include <limits>
#include <optional>
#include <type_traits>
#include <variant>
#include <vector>

#include "scientific/export.hpp"
#include "scientific/internal/nearest_float.hpp"
#include "scientific/scientific.hpp"

namespace quire::scientific {

// A result that may be out of range: then value is the substitute the range
// gives (an infinity or a zero of the value's sign), otherwise the result.
template <class T>
struct Bounded {
  bool inRange;
  T value;
  friend bool operator==(const Bounded&, const Bounded&) = default;
};

// The exact shortest decimal that reads back as x, in normal form:
// 1.5 -> (15, -1), 100.0 -> (1, 2), -0.0 -> (0, 0).
// Throws quire::Error("fromFloatDigits: not a finite number") for NaN and
// infinities, which have no decimal.
QUIRE_SCIENTIFIC_EXPORT Scientific fromFloatDigits(float x);
QUIRE_SCIENTIFIC_EXPORT Scientific fromFloatDigits(double x);
QUIRE_SCIENTIFIC_EXPORT Scientific fromFloatDigits(long double x);

namespace detail {
QUIRE_SCIENTIFIC_EXPORT Bounded<float> toBoundedFloat(const Scientific& s);
QUIRE_SCIENTIFIC_EXPORT Bounded<double> toBoundedDouble(const Scientific& s);
QUIRE_SCIENTIFIC_EXPORT Bounded<long double> toBoundedLongDouble(const Scientific& s);
// The same for a word coefficient c, passed as words.
QUIRE_SCIENTIFIC_EXPORT Bounded<float> toBoundedFloat(std::int64_t c, std::int64_t e);
QUIRE_SCIENTIFIC_EXPORT Bounded<double> toBoundedDouble(std::int64_t c, std::int64_t e);
QUIRE_SCIENTIFIC_EXPORT Bounded<long double> toBoundedLongDouble(std::int64_t c, std::int64_t e);

// toBoundedRealFloat<F> of (-1)^negative × w × 10^e, or nullopt when the
// exact road must decide (with `complete` as nearestWordByTables has it).
// A zero is +0 whatever the sign, as a zero coefficient has none.
template <std::floating_point F, bool complete = true>
[[gnu::always_inline]] inline std::optional<Bounded<F>> boundedWordByTables(std::uint64_t w, std::int64_t e,
                                                                           bool negative) {
  using Fmt = Format<F>;
  if (w == 0) return Bounded<F>{true, F(0)};
  if (e > maxExpt && e > overflowLimit<F>) return Bounded<F>{false, Fmt::infinity(negative)};
  if (e < -maxExpt && e < underflowLimit<F> && e + decimalDigits(w) - 1 < underflowLimit<F>) {
    return Bounded<F>{false, Fmt::zero(negative)};
  }
  const std::optional<F> v = nearestWordByTables<F, complete>(w, e);
  if (!v) return std::nullopt;
  return Bounded<F>{true, negative ? -*v : *v};
}

template <std::floating_point F>
Bounded<F> toBoundedWord(std::int64_t c, std::int64_t e) {
  if constexpr (std::same_as<F, float>) {
    return toBoundedFloat(c, e);
  } else if constexpr (std::same_as<F, double>) {
    return toBoundedDouble(c, e);
  } else {
    return toBoundedLongDouble(c, e);
  }
}

}  // namespace detail

// s rounded to the nearest F, ties to even (a negative s keeps its sign, so
// it may give -0.0). Out of range, with a signed infinity or zero, when the
// exponent alone puts s beyond the type's limits: for double, an exponent
// above 324, or below -324 with the leading digit below 10^-324. Values
// nearer the edge are in range even when they round to infinity or zero
// (1e309 is an in-range infinity).
template <std::floating_point F>
[[gnu::always_inline]] inline Bounded<F> toBoundedRealFloat(const Scientific& s) {
  // A word coefficient is converted here by one IEEE operation or the quick
  // step of the power-of-five table; what they leave open (values near a
  // halfway point, subnormals, long double beyond the exact operands) is
  // decided out of line, without the Scientific.
  if (s.hasSmallCoefficient()) {
    const std::int64_t c = s.smallCoefficient();
    const std::int64_t e = s.base10Exponent();
    if (const auto b = detail::boundedWordByTables<F, false>(detail::unsignedAbs(c), e, c < 0)) return *b;
    return detail::toBoundedWord<F>(c, e);
  }
  if constexpr (std::same_as<F, float>) {
    return detail::toBoundedFloat(s);
  } else if constexpr (std::same_as<F, double>) {
    return detail::toBoundedDouble(s);
  } else {
    return detail::toBoundedLongDouble(s);
  }
}

// The value of toBoundedRealFloat, whichever the outcome.
template <std::floating_point F>
F toRealFloat(const Scientific& s) {
  return toBoundedRealFloat<F>(s).value;
}

// How a conversion to binary floating point went: the value is exact, rounded
// to a neighbour, too large (the nearest F is an infinity) or too small (a
// non-zero value whose nearest F is a zero).
enum class FloatOutcome : std::uint8_t { Exact, Rounded, Overflow, Underflow };

template <std::floating_point F>
struct FloatConversion {
  F value = 0;  // toRealFloat<F>(s)
  FloatOutcome outcome = FloatOutcome::Exact;
  // |value - s| / |s| when Rounded, to about 15 significant digits; 0 otherwise.
  double relativeError = 0;
  friend bool operator==(const FloatConversion&, const FloatConversion&) = default;
};

namespace detail {
QUIRE_SCIENTIFIC_EXPORT FloatConversion<float> floatConversion(const Scientific& s);
QUIRE_SCIENTIFIC_EXPORT FloatConversion<double> doubleConversion(const Scientific& s);
}  // namespace detail

// toRealFloat<F>(s) together with what the rounding did, for float and
// double. The comparison with s is exact integer arithmetic on at most a few
// hundred digits (long coefficients are first cut to the digits that can
// matter), and values beyond the type's range are decided from their sizes:
//   realFloatConversion<double>(Scientific(1, -1))   // {0.1, Rounded, ~5.55e-17}
//   realFloatConversion<double>(Scientific(25, -1))  // {2.5, Exact, 0}
//   realFloatConversion<float>(Scientific(1, 39))    // {inf, Overflow, 0}
//   realFloatConversion<double>(Scientific(1, -400)) // {0.0, Underflow, 0}
template <std::floating_point F>
  requires std::same_as<F, float> || std::same_as<F, double>
FloatConversion<F> realFloatConversion(const Scientific& s) {
  if constexpr (std::same_as<F, float>) {
    return detail::floatConversion(s);
  } else {
    return detail::doubleConversion(s);
  }
}

// An integral type with a least and a greatest value.
template <class I>
concept BoundedIntegral = std::numeric_limits<I>::is_integer && std::numeric_limits<I>::is_bounded;

namespace detail {
// The value of s when it is an integer in [lo, hi], else nullopt.
QUIRE_SCIENTIFIC_EXPORT std::optional<std::int64_t> boundedSigned(const Scientific& s,
                                                                  std::int64_t lo, std::int64_t hi);
QUIRE_SCIENTIFIC_EXPORT std::optional<std::uint64_t> boundedUnsigned(const Scientific& s,
                                                                     std::uint64_t hi);
QUIRE_SCIENTIFIC_EXPORT std::optional<mpz_class> boundedBig(const Scientific& s,
                                                            const mpz_class& lo,
                                                            const mpz_class& hi);

// Conversions for integral types wider than 64 bits, written with I's own
// arithmetic and std::numeric_limits only (type traits do not know every
// such type), sixteen bits at a time.
template <class I>
mpz_class toBig(I v) {
  std::vector<long> pieces;  // base-65536 digits, least significant first, with v's sign
  for (; v != 0; v /= I(65536)) pieces.push_back(static_cast<long>(v % I(65536)));
  mpz_class n;
  for (auto it = pieces.rbegin(); it != pieces.rend(); ++it) n = n * 65536 + *it;
  return n;
}

// n, which is in I's range, as an I.
template <class I>
I fromBig(const mpz_class& n) {
  mpz_class rest = abs(n);
  std::vector<unsigned long> pieces;
  for (; rest != 0; rest >>= 16) pieces.push_back(mpz_get_ui(rest.get_mpz_t()) & 0xFFFFu);
  I v = 0;
  for (auto it = pieces.rbegin(); it != pieces.rend(); ++it) {
    v = static_cast<I>(v * I(65536) + (sgn(n) < 0 ? -static_cast<I>(*it) : static_cast<I>(*it)));
  }
  return v;
}
}  // namespace detail

// s as an I when it is an integer (after normalisation: (1270, -1) is 127)
// within I's range, otherwise nullopt. An exponent beyond I's digit count is
// refused from the exponent alone, and no power of ten beyond the
// coefficient's own size is formed for a negative one.
template <BoundedIntegral I>
std::optional<I> toBoundedInteger(const Scientific& s) {
  using limits = std::numeric_limits<I>;
  if constexpr (limits::is_signed && sizeof(I) <= sizeof(std::int64_t)) {
    auto v = detail::boundedSigned(s, limits::min(), limits::max());
    return v ? std::optional<I>(static_cast<I>(*v)) : std::nullopt;
  } else if constexpr (!limits::is_signed && sizeof(I) <= sizeof(std::uint64_t)) {
    auto v = detail::boundedUnsigned(s, limits::max());
    return v ? std::optional<I>(static_cast<I>(*v)) : std::nullopt;
  } else {
    auto v = detail::boundedBig(s, detail::toBig(limits::min()), detail::toBig(limits::max()));
    return v ? std::optional<I>(detail::fromBig<I>(*v)) : std::nullopt;
  }
}

namespace detail {
// c × 10^e modulo 2^64 for e >= 0: the wrap-around of an integral value.
QUIRE_SCIENTIFIC_EXPORT std::uint64_t wrappedInteger(const Scientific& integral);
QUIRE_SCIENTIFIC_EXPORT mpz_class exactInteger(const Scientific& integral);
}  // namespace detail

// The integer I when s has no fractional part, otherwise the nearest F. The
// integer is not range-checked: a fixed-width I wraps around like a C++
// integer conversion, and an mpz_class I forms 10^e in full (quire::Error
// above 10^maxPowerOfTen).
template <std::floating_point F, class I>
requires std::same_as<I, mpz_class> || FixedWidthInteger<I> std::variant<F, I> floatingOrInteger(
    const Scientific& s) {
  const Scientific integral = s.base10Exponent() >= 0 ? s : normalize(s);
  if (integral.base10Exponent() < 0) return toRealFloat<F>(integral);
  if constexpr (std::same_as<I, mpz_class>) {
    return detail::exactInteger(integral);
  } else {
    return static_cast<I>(detail::wrappedInteger(integral));
  }
}

}  // namespace quire::scientific
