// Rounding decimals to binary floating point, and the bounded conversions.
//
// A decimal c × 10^e reaches a float or double by one of three roads, cheapest
// first:
//  1. |c| < 2^53 and 10^|e| exact in double (|e| <= 22): one multiplication or
//     division, which IEEE arithmetic rounds correctly by itself.
//  2. |c| < 2^64: c × 5^e × 2^e with 5^e taken from a table of 128-bit
//     truncations. The 192-bit product is known to within c units in its
//     last place, which decides the rounding unless the product lies that
//     close to a halfway point.
//  3. Otherwise exact integer arithmetic: floor(c × 10^e / 2^ulp) and its
//     remainder, rounded half to even by hand. Sizes are checked first, so a
//     value far out of range never forms its power of ten.
#include "scientific/convert.hpp"

#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <cmath>

#include "base/error.hpp"
#include "scientific/internal/numeric.hpp"
#include "scientific/internal/nearest_float.hpp"
#include "scientific/internal/sciconv_powers_of_five.hpp"
#include "scientific/internal/shortest.hpp"

namespace quire::scientific {
namespace {

using detail::int128;
using detail::uint128;

// ---------------------------------------------------------------------------
// fromFloatDigits

template <std::floating_point F>
Scientific shortestViaText(F x) {
  if (!std::isfinite(x)) throwError("fromFloatDigits: not a finite number");
  if (x == 0) return Scientific();
  // "[-]d[.ddd]e(+|-)xx" with the fewest digits that read back as x.
  char text[64];
  const char* end = std::to_chars(text, text + sizeof text, x, std::chars_format::scientific).ptr;
  const char* p = text;
  const bool negative = *p == '-';
  if (negative) ++p;
  char digits[sizeof text + 1];
  int count = 0;
  for (; *p != 'e'; ++p) {
    if (*p != '.') digits[count++] = *p;
  }
  ++p;
  const bool negativeExponent = *p == '-';
  int exponent = 0;
  std::from_chars(p + 1, end, exponent);
  if (negativeExponent) exponent = -exponent;
  exponent -= count - 1;
  while (count > 1 && digits[count - 1] == '0') {
    --count;
    ++exponent;
  }
  if (count <= 18) {
    std::int64_t c = 0;
    for (int i = 0; i < count; ++i) c = c * 10 + (digits[i] - '0');
    return Scientific(negative ? -c : c, exponent);
  }
  digits[count] = '\0';
  mpz_class c(digits, 10);
  if (negative) c = -c;
  return Scientific(std::move(c), exponent);
}

using detail::Format;
using detail::nearestByPowerOfFive;
using detail::overflowLimit;
using detail::underflowLimit;

// ---------------------------------------------------------------------------
// Road 3: exact rounding

// q (< 2^digits of F) as an F; exact, since q has at most digits bits.
template <std::floating_point F>
F integerToFloat(const mpz_class& q) {
  F value = 0;
  for (std::size_t i = mpz_size(q.get_mpz_t()); i-- > 0;) {
    value = std::ldexp(value, 64) +
            static_cast<F>(mpz_getlimbn(q.get_mpz_t(), static_cast<mp_size_t>(i)));
  }
  return value;
}

// The nearest F to n × 10^e for n > 0, ties to even.
template <std::floating_point F>
F nearestExact(mpz_srcptr n, std::int64_t e) {
  using Fmt = Format<F>;
  const int128 bits = static_cast<int128>(mpz_sizeinbase(n, 2));
  // n × 10^e lies in [2^(bits-1) × 10^e, 2^bits × 10^e), and 10^|e| >= 8^|e|:
  // values far out of range are decided before any power of ten is formed,
  // which also bounds the powers formed below by the size of n.
  if (e >= 0 && bits - 1 + 3 * int128(e) >= Fmt::maxExponent) return Fmt::infinity(false);
  if (e < 0 && bits + 3 * int128(e) <= Fmt::minExponent - Fmt::digits - 1) return 0;
  mpz_class num;
  mpz_class den = 1;
  if (e >= 0) {
    detail::setBoundedPowerOfTen(num.get_mpz_t(), static_cast<std::uint64_t>(e));
    mpz_mul(num.get_mpz_t(), num.get_mpz_t(), n);
  } else {
    mpz_set(num.get_mpz_t(), n);
    detail::setBoundedPowerOfTen(den.get_mpz_t(), static_cast<std::uint64_t>(-int128(e)));
  }
  // exp2 = floor(log2(num / den)).
  std::int64_t exp2 = static_cast<std::int64_t>(mpz_sizeinbase(num.get_mpz_t(), 2)) -
                      static_cast<std::int64_t>(mpz_sizeinbase(den.get_mpz_t(), 2));
  {
    mpz_class scaled;
    if (exp2 >= 0) {
      mpz_mul_2exp(scaled.get_mpz_t(), den.get_mpz_t(), static_cast<mp_bitcnt_t>(exp2));
      if (num < scaled) --exp2;
    } else {
      mpz_mul_2exp(scaled.get_mpz_t(), num.get_mpz_t(), static_cast<mp_bitcnt_t>(-exp2));
      if (scaled < den) --exp2;
    }
  }
  if (exp2 >= Fmt::maxExponent) return Fmt::infinity(false);
  if (exp2 < Fmt::minExponent - Fmt::digits - 1) return 0;  // below half the least subnormal
  // The unit in the last place: digits bits below the leading one, or the
  // least subnormal's.
  std::int64_t ulp = std::max<std::int64_t>(exp2 - Fmt::digits + 1, Fmt::minExponent - Fmt::digits);
  if (ulp >= 0) {
    mpz_mul_2exp(den.get_mpz_t(), den.get_mpz_t(), static_cast<mp_bitcnt_t>(ulp));
  } else {
    mpz_mul_2exp(num.get_mpz_t(), num.get_mpz_t(), static_cast<mp_bitcnt_t>(-ulp));
  }
  mpz_class q, r;
  mpz_fdiv_qr(q.get_mpz_t(), r.get_mpz_t(), num.get_mpz_t(), den.get_mpz_t());
  r <<= 1;
  const int half = cmp(r, den);
  if (half > 0 || (half == 0 && mpz_odd_p(q.get_mpz_t()))) ++q;
  if (mpz_sizeinbase(q.get_mpz_t(), 2) > static_cast<std::size_t>(Fmt::digits)) {
    q >>= 1;  // rounded up to 2^digits
    ++ulp;
  }
  return std::ldexp(integerToFloat<F>(q), static_cast<int>(ulp));
}

// The nearest F to w × 10^e, w > 0: by the exact road, and by the cheapest
// road that decides.
template <std::floating_point F>
F nearestExactWord(std::uint64_t w, std::int64_t e) {
  mp_limb_t limb = w;
  mpz_t view;
  return nearestExact<F>(mpz_roinit_n(view, &limb, 1), e);
}
template <std::floating_point F>
F nearestWord(std::uint64_t w, std::int64_t e) {
  if (const std::optional<F> v = detail::nearestWordByTables<F>(w, e)) return *v;
  return nearestExactWord<F>(w, e);
}

// The nearest F to |c| × 10^e for a coefficient of two limbs or more.
template <std::floating_point F>
F nearestWide(mpz_srcptr c, std::int64_t e) {
  const auto limbs = static_cast<mp_size_t>(mpz_size(c));
  const mp_limb_t* limb = mpz_limbs_read(c);
  if constexpr (Format<F>::digits <= 53) {
    // |c| lies in [w, w + 1) × 2^shift for its leading 64 bits w. When both
    // ends round alike, so does everything between them.
    constexpr mp_size_t maxLimbs = 64;
    if (limbs <= maxLimbs && e >= detail::minPowerOfFive && e <= detail::maxPowerOfFive) {
      const int lead = std::countl_zero(limb[limbs - 1]);
      const std::uint64_t w = lead == 0
                                  ? limb[limbs - 1]
                                  : (limb[limbs - 1] << lead) | (limb[limbs - 2] >> (64 - lead));
      const int shift = static_cast<int>(64 * (limbs - 1)) - lead;
      if (w != ~std::uint64_t{0}) {
        const auto q = static_cast<int>(e);
        const std::optional<F> low = nearestByPowerOfFive<F>(w, q, shift);
        if (low && low == nearestByPowerOfFive<F>(w + 1, q, shift)) return *low;
      }
    }
  }
  mpz_t magnitude;
  return nearestExact<F>(mpz_roinit_n(magnitude, limb, limbs), e);
}

// The nearest F to s, s != 0, with the sign of s, for a coefficient that
// does not fit a word (one held inline is viewed without a GMP allocation).
template <std::floating_point F>
F nearestBig(const Scientific& s) {
  const std::int64_t e = s.base10Exponent();
  const detail::CoefficientView view(s);
  mpz_srcptr c = view.get();
  const F v = mpz_size(c) == 1 ? nearestWord<F>(mpz_getlimbn(c, 0), e) : nearestWide<F>(c, e);
  return mpz_sgn(c) < 0 ? -v : v;
}

// The bounded conversion of a word coefficient the cheap roads leave open.
template <std::floating_point F>
[[gnu::noinline]] Bounded<F> boundedByExactWord(std::int64_t c, std::int64_t e) {
  const F v = nearestExactWord<F>(detail::unsignedAbs(c), e);
  return {true, c < 0 ? -v : v};
}

// The bounded conversion of a coefficient that does not fit a word.
template <std::floating_point F>
[[gnu::noinline]] Bounded<F> boundedWide(const Scientific& s) {
  using Fmt = Format<F>;
  const std::int64_t e = s.base10Exponent();
  const bool negative = s.coefficientSign() < 0;
  if (e > maxExpt && e > overflowLimit<F>) return {false, Fmt::infinity(negative)};
  if (e < -maxExpt && e < underflowLimit<F>) {
    const detail::CoefficientView c(s);
    // floor(log10 |c|) puts the leading digit below the range too.
    if (e + detail::decimalDigits(c.get()) - 1 < underflowLimit<F>) return {false, Fmt::zero(negative)};
  }
  return {true, nearestBig<F>(s)};
}

// A word coefficient is converted here by the cheap roads, without the
// frame the GMP roads need.
template <std::floating_point F>
Bounded<F> boundedWord(std::int64_t c, std::int64_t e) {
  if (const auto b = detail::boundedWordByTables<F>(detail::unsignedAbs(c), e, c < 0)) return *b;
  return boundedByExactWord<F>(c, e);
}
template <std::floating_point F>
Bounded<F> boundedReal(const Scientific& s) {
  if (!s.hasSmallCoefficient()) return boundedWide<F>(s);
  return boundedWord<F>(s.smallCoefficient(), s.base10Exponent());
}

// ---------------------------------------------------------------------------
// Conversion reports

// Every double, every midpoint between neighbouring doubles and the rounding
// threshold to infinity has an exact decimal expansion of at most 767
// significant digits. A coefficient cut to its first cutDigits digits and
// followed by one more non-zero digit (when anything non-zero was cut) lies
// strictly between the same two such numbers as the uncut one, so it rounds
// alike and is inexact alike, while it costs little to compare exactly.
constexpr std::size_t cutDigits = 800;
// Coefficients of up to this many limbs (about 1200 digits) are used whole.
constexpr std::size_t maxUncutLimbs = 64;

// |c| × 10^e, with |c| cut as described above when it is long and the value
// is small enough for a double (e < 0; a positive exponent on a long
// coefficient is beyond every float type anyway).
struct Magnitude {
  mpz_class coefficient;
  std::int64_t exponent;
};

Magnitude magnitudeForRounding(const Scientific& s) {
  Magnitude m{abs(s).coefficient(), s.base10Exponent()};
  if (mpz_size(m.coefficient.get_mpz_t()) <= maxUncutLimbs || m.exponent >= 0) return m;
  const std::size_t digits = mpz_sizeinbase(m.coefficient.get_mpz_t(), 10);  // exact or one more
  const std::uint64_t cut = digits - 1 - cutDigits;
  mpz_class power, rest;
  detail::setBoundedPowerOfTen(power.get_mpz_t(), cut);
  mpz_tdiv_qr(m.coefficient.get_mpz_t(), rest.get_mpz_t(), m.coefficient.get_mpz_t(), power.get_mpz_t());
  m.exponent += static_cast<std::int64_t>(cut);
  if (rest != 0) {
    m.coefficient = m.coefficient * 10 + 1;
    m.exponent -= 1;
  }
  return m;
}

// x = mantissa × 2^exponent with an integer mantissa of at most 64 bits.
struct BinaryParts {
  std::uint64_t mantissa;
  std::int64_t exponent;
};

template <std::floating_point F>
BinaryParts binaryParts(F x) {
  int e = 0;
  const F fraction = std::frexp(x, &e);
  constexpr int bits = std::numeric_limits<F>::digits;
  return {static_cast<std::uint64_t>(std::ldexp(fraction, bits)), static_cast<std::int64_t>(e) - bits};
}

int bitLength(uint128 v) noexcept {
  const auto high = static_cast<std::uint64_t>(v >> 64);
  if (high != 0) return 128 - std::countl_zero(high);
  return 64 - std::countl_zero(static_cast<std::uint64_t>(v));
}

// v × 10^k within 127 bits, or false.
bool scaleByTen(uint128& v, std::int64_t k) noexcept {
  for (; k > 0; --k) {
    if (bitLength(v) > 123) return false;
    v *= 10;
  }
  return true;
}

bool scaleByTwo(uint128& v, std::int64_t k) noexcept {
  if (k == 0) return true;
  if (bitLength(v) + k > 127) return false;
  v <<= k;
  return true;
}

// a / b as a double for positive integers of any size.
double quotient(const mpz_class& a, const mpz_class& b) {
  long ea = 0;
  long eb = 0;
  const double ma = mpz_get_d_2exp(&ea, a.get_mpz_t());
  const double mb = mpz_get_d_2exp(&eb, b.get_mpz_t());
  return std::ldexp(ma / mb, static_cast<int>(ea - eb));
}

// The relative error of x (finite, > 0) against c × 10^e (c > 0), or 0 when
// they are equal. Both are scaled by 10^max(0, -e) × 2^max(0, -e2) to
// integers; callers pass values near the range of F, so the powers stay
// within a few hundred digits beyond the coefficient's own.
double relativeError(const mpz_class& c, std::int64_t e, BinaryParts x) {
  mpz_class exact = c;
  mpz_class binary(static_cast<unsigned long>(x.mantissa));
  mpz_class power;
  if (e > 0) {
    detail::setBoundedPowerOfTen(power.get_mpz_t(), static_cast<std::uint64_t>(e));
    exact *= power;
  } else if (e < 0) {
    detail::setBoundedPowerOfTen(power.get_mpz_t(), static_cast<std::uint64_t>(-e));
    binary *= power;
  }
  if (x.exponent < 0) mpz_mul_2exp(exact.get_mpz_t(), exact.get_mpz_t(), static_cast<mp_bitcnt_t>(-x.exponent));
  if (x.exponent > 0) mpz_mul_2exp(binary.get_mpz_t(), binary.get_mpz_t(), static_cast<mp_bitcnt_t>(x.exponent));
  binary -= exact;
  if (binary == 0) return 0;
  return quotient(abs(binary), exact);
}

// The same in 128-bit arithmetic while the scaled values fit.
double relativeError(std::uint64_t c, std::int64_t e, BinaryParts x) {
  if (e > -39 && e < 39 && x.exponent > -128 && x.exponent < 128) {
    uint128 exact = c;
    uint128 binary = x.mantissa;
    if (scaleByTen(exact, std::max<std::int64_t>(e, 0)) && scaleByTen(binary, std::max<std::int64_t>(-e, 0)) &&
        scaleByTwo(exact, std::max<std::int64_t>(-x.exponent, 0)) &&
        scaleByTwo(binary, std::max<std::int64_t>(x.exponent, 0))) {
      if (exact == binary) return 0;
      const uint128 difference = exact > binary ? exact - binary : binary - exact;
      // Each side rounds to a double within half an ulp: ample for an error.
      return static_cast<double>(difference) / static_cast<double>(exact);
    }
  }
  return relativeError(mpz_class(static_cast<unsigned long>(c)), e, x);
}

template <std::floating_point F>
FloatConversion<F> conversionReport(const Scientific& s) {
  if (s.coefficientSign() == 0) return {F(0), FloatOutcome::Exact, 0};
  const Bounded<F> bounded = boundedReal<F>(s);  // sizes decide the far ranges at once
  const F value = bounded.value;
  if (std::isinf(value)) return {value, FloatOutcome::Overflow, 0};
  if (value == 0) return {value, FloatOutcome::Underflow, 0};
  // In range every power formed is bounded by the coefficient's size.
  const BinaryParts x = binaryParts(std::fabs(value));
  double error;
  if (s.hasSmallCoefficient()) {
    error = relativeError(detail::unsignedAbs(s.smallCoefficient()), s.base10Exponent(), x);
  } else {
    const Magnitude m = magnitudeForRounding(s);
    error = relativeError(m.coefficient, m.exponent, x);
  }
  return {value, error == 0 ? FloatOutcome::Exact : FloatOutcome::Rounded, error};
}

// ---------------------------------------------------------------------------
// Integers

// c × 10^e for c != 0 when that is an integer below 10^20 in magnitude;
// nullopt for a fraction or a larger value (both out of every 64-bit range).
std::optional<int128> smallIntegerValue(std::int64_t c, std::int64_t e) {
  if (e >= 0) {
    if (e > 19) return std::nullopt;
    return int128(c) * detail::wordPowersOfTen[static_cast<std::size_t>(e)];
  }
  // |c| < 10^19: no multiple of 10^19 or more but 0.
  if (e < -18) return std::nullopt;
  const std::uint64_t p = detail::wordPowersOfTen[static_cast<std::size_t>(-e)];
  const std::uint64_t m = detail::unsignedAbs(c);
  if (m % p != 0) return std::nullopt;
  const int128 v = m / p;
  return c < 0 ? -v : v;
}

// The value of s != 0 when it is an integer and its exponent is at most
// maxExponent (a larger one makes |s| >= 10^(maxExponent + 1)); otherwise
// nullopt. Forms no power of ten beyond 10^maxExponent or the coefficient's
// own size.
std::optional<mpz_class> integerValueUpTo(const Scientific& s, std::int64_t maxExponent) {
  const std::int64_t e = s.base10Exponent();
  const detail::CoefficientView c(s);
  mpz_class v;
  if (e >= 0) {
    if (e > maxExponent) return std::nullopt;
    detail::setBoundedPowerOfTen(v.get_mpz_t(), static_cast<std::uint64_t>(e));
    mpz_mul(v.get_mpz_t(), v.get_mpz_t(), c.get());
    return v;
  }
  // A multiple of 10^-e other than 0 has more than -e digits.
  const int128 fractionDigits = -int128(e);
  if (fractionDigits >= static_cast<int128>(mpz_sizeinbase(c.get(), 10))) return std::nullopt;
  mpz_class p, r;
  detail::setBoundedPowerOfTen(p.get_mpz_t(), static_cast<std::uint64_t>(fractionDigits));
  mpz_tdiv_qr(v.get_mpz_t(), r.get_mpz_t(), c.get(), p.get_mpz_t());
  if (r != 0) return std::nullopt;
  return v;
}

// float and double find their digits from the binary representation; long
// double goes through the standard library's shortest text.
template <std::floating_point F>
Scientific shortestFromBinary(F x) {
  if (!std::isfinite(x)) throwError("fromFloatDigits: not a finite number");
  if (x == 0) return Scientific();
  const detail::ShortestDecimal d = detail::shortestDecimal(std::fabs(x));
  const auto c = static_cast<std::int64_t>(d.digits);  // at most 17 digits
  return Scientific(std::signbit(x) ? -c : c, d.exponent);
}

}  // namespace

Scientific fromFloatDigits(float x) { return shortestFromBinary(x); }
Scientific fromFloatDigits(double x) { return shortestFromBinary(x); }
Scientific fromFloatDigits(long double x) { return shortestViaText(x); }

namespace detail {

Bounded<float> toBoundedFloat(const Scientific& s) { return boundedReal<float>(s); }
Bounded<double> toBoundedDouble(const Scientific& s) { return boundedReal<double>(s); }
Bounded<long double> toBoundedLongDouble(const Scientific& s) {
  return boundedReal<long double>(s);
}
Bounded<float> toBoundedFloat(std::int64_t c, std::int64_t e) { return boundedWord<float>(c, e); }
Bounded<double> toBoundedDouble(std::int64_t c, std::int64_t e) { return boundedWord<double>(c, e); }
Bounded<long double> toBoundedLongDouble(std::int64_t c, std::int64_t e) {
  return boundedWord<long double>(c, e);
}

FloatConversion<float> floatConversion(const Scientific& s) { return conversionReport<float>(s); }
FloatConversion<double> doubleConversion(const Scientific& s) { return conversionReport<double>(s); }

std::optional<std::int64_t> boundedSigned(const Scientific& s, std::int64_t lo, std::int64_t hi) {
  if (s.coefficientSign() == 0)
    return lo <= 0 && 0 <= hi ? std::optional<std::int64_t>(0) : std::nullopt;
  if (s.hasSmallCoefficient()) {
    const auto v = smallIntegerValue(s.smallCoefficient(), s.base10Exponent());
    if (!v || *v < lo || *v > hi) return std::nullopt;
    return static_cast<std::int64_t>(*v);
  }
  // |c| >= 2^63: any positive exponent leaves the 64-bit range.
  const auto v = integerValueUpTo(s, 0);
  if (!v || !mpz_fits_slong_p(v->get_mpz_t())) return std::nullopt;
  const long n = mpz_get_si(v->get_mpz_t());
  if (n < lo || n > hi) return std::nullopt;
  return n;
}

std::optional<std::uint64_t> boundedUnsigned(const Scientific& s, std::uint64_t hi) {
  if (s.coefficientSign() == 0) return 0;
  if (s.coefficientSign() < 0) return std::nullopt;  // no negative integer is in range
  if (s.hasSmallCoefficient()) {
    const auto v = smallIntegerValue(s.smallCoefficient(), s.base10Exponent());
    if (!v || *v > hi) return std::nullopt;
    return static_cast<std::uint64_t>(*v);
  }
  const auto v = integerValueUpTo(s, 0);
  if (!v || !mpz_fits_ulong_p(v->get_mpz_t())) return std::nullopt;
  const unsigned long n = mpz_get_ui(v->get_mpz_t());
  if (n > hi) return std::nullopt;
  return n;
}

std::optional<mpz_class> boundedBig(const Scientific& s, const mpz_class& lo, const mpz_class& hi) {
  const auto inRange = [&](const mpz_class& v) { return lo <= v && v <= hi; };
  if (s.coefficientSign() == 0) return inRange(0) ? std::optional<mpz_class>(0) : std::nullopt;
  const auto digitsOf = [](const mpz_class& v) {
    return v == 0 ? 1 : decimalDigits(v.get_mpz_t());
  };
  const std::int64_t boundDigits = std::max(digitsOf(lo), digitsOf(hi));
  auto v = integerValueUpTo(s, boundDigits);
  if (!v || !inRange(*v)) return std::nullopt;
  return v;
}

std::uint64_t wrappedInteger(const Scientific& integral) {
  const std::uint64_t c = integral.hasSmallCoefficient()
                              ? static_cast<std::uint64_t>(integral.smallCoefficient())
                              : wrapToWord(integral.bigCoefficient().get_mpz_t());
  return c * magnitudeWord(integral.base10Exponent());
}

mpz_class exactInteger(const Scientific& integral) {
  mpz_class v =
      powerOfTen(static_cast<std::uint64_t>(integral.base10Exponent()), "floatingOrInteger");
  const CoefficientView c(integral);
  mpz_mul(v.get_mpz_t(), v.get_mpz_t(), c.get());
  return v;
}

}  // namespace detail
}  // namespace quire::scientific
