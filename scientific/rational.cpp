// Decimal expansion of rationals without digit-by-digit long division.
//
// For num / den in lowest terms write den = 2^a × 5^b × m with m coprime to
// 10. Long division produces k = max(a, b) fractional digits before the
// remainders start to cycle, and the cycle is as long as the order of 10
// modulo m (no cycle when m == 1: the expansion terminates after k digits).
// So the digits up to any position p are floor(num × 10^p / den), one GMP
// division, and the only loop left is the search for the order of 10, which
// works on remainders below m and keeps no table of them.
#include "scientific/rational.hpp"

#include <algorithm>
#include <limits>
#include <stdexcept>
#include <utility>

#include "base/error.hpp"
#include "scientific/internal/numeric.hpp"

namespace quire::scientific {
namespace {

using detail::int128;
using detail::uint128;

constexpr const char* repeatingDecimalMessage =
    "fromRational has been applied to a repeating decimal which can't be represented as a "
    "Scientific! It's better to avoid performing fractional operations on Scientifics and "
    "convert them to other fractional types like Double as early as possible.";

[[noreturn]] void throwRepeatingDecimal() { throwError(repeatingDecimalMessage); }

// |x| as num / den in lowest terms (den > 0), the sign kept apart.
struct Fraction {
  mpz_class num;
  mpz_class den;
  bool negative = false;
};

// Throws std::domain_error(zeroMessage) when d == 0.
Fraction reducedFraction(mpz_srcptr n, mpz_srcptr d, const char* zeroMessage) {
  if (mpz_sgn(d) == 0) throw std::domain_error(zeroMessage);
  Fraction f;
  f.negative = (mpz_sgn(n) < 0) != (mpz_sgn(d) < 0) && mpz_sgn(n) != 0;
  mpz_abs(f.num.get_mpz_t(), n);
  mpz_abs(f.den.get_mpz_t(), d);
  mpz_class g;
  mpz_gcd(g.get_mpz_t(), f.num.get_mpz_t(), f.den.get_mpz_t());
  if (g != 1) {
    mpz_divexact(f.num.get_mpz_t(), f.num.get_mpz_t(), g.get_mpz_t());
    mpz_divexact(f.den.get_mpz_t(), f.den.get_mpz_t(), g.get_mpz_t());
  }
  return f;
}

Fraction fractionOf(const mpq_class& x) {
  return reducedFraction(mpq_numref(x.get_mpq_t()), mpq_denref(x.get_mpq_t()), "divide by zero");
}

// Removes every factor `factor` (> 1) from z, returning how many there were.
std::int64_t removeFactor(mpz_class& z, mp_limb_t factor) {
  mpz_t f;
  mpz_srcptr fp = mpz_roinit_n(f, &factor, 1);
  return static_cast<std::int64_t>(mpz_remove(z.get_mpz_t(), z.get_mpz_t(), fp));
}

// den = 2^twos × 5^fives × rest, rest coprime to 10.
struct DenominatorShape {
  std::int64_t twos = 0;
  std::int64_t fives = 0;
  mpz_class rest;

  // Fractional digits before the repetend (all of them when terminating).
  std::int64_t preperiod() const noexcept { return std::max(twos, fives); }
  bool terminates() const { return rest == 1; }
};

DenominatorShape shapeOf(const mpz_class& den) {
  DenominatorShape shape;
  shape.twos = static_cast<std::int64_t>(mpz_scan1(den.get_mpz_t(), 0));
  mpz_tdiv_q_2exp(shape.rest.get_mpz_t(), den.get_mpz_t(), static_cast<mp_bitcnt_t>(shape.twos));
  shape.fives = removeFactor(shape.rest, 5);
  return shape;
}

// num / den × 10^preperiod, an integer when the expansion terminates:
// num × 2^(k - twos) × 5^(k - fives), no division needed.
mpz_class terminatingDigits(const Fraction& f, const DenominatorShape& shape) {
  const std::int64_t k = shape.preperiod();
  mpz_class c;
  mpz_mul_2exp(c.get_mpz_t(), f.num.get_mpz_t(), static_cast<mp_bitcnt_t>(k - shape.twos));
  if (k > shape.fives) {
    mpz_class fives;
    mpz_ui_pow_ui(fives.get_mpz_t(), 5, static_cast<unsigned long>(k - shape.fives));
    c *= fives;
  }
  return c;
}

Scientific signedScientific(mpz_class&& c, bool negative, std::int64_t exponent) {
  if (negative) mpz_neg(c.get_mpz_t(), c.get_mpz_t());
  return Scientific(std::move(c), exponent);
}

// Repetends are searched no further than the longest power of ten formed:
// digits beyond it could not be produced anyway, and the search stays bounded
// for a denominator with a huge prime factor.
constexpr std::int64_t maxRepetendLength = maxPowerOfTen;

// The least t in [1, bound] with 10^t ≡ 1 (mod m), for m > 1 coprime to 10:
// the length of the repetend. nullopt when it is longer than bound.
std::optional<std::int64_t> decimalPeriod(const mpz_class& m, std::int64_t bound) {
  if (mpz_fits_ulong_p(m.get_mpz_t())) {
    const std::uint64_t mod = mpz_get_ui(m.get_mpz_t());
    const bool narrow = mod <= std::numeric_limits<std::uint64_t>::max() / 10;
    std::uint64_t x = 10 % mod;
    for (std::int64_t t = 1; t <= bound; ++t) {
      if (x == 1) return t;
      x = narrow ? x * 10 % mod : static_cast<std::uint64_t>(uint128(x) * 10 % mod);
    }
    return std::nullopt;
  }
  mpz_class x = 10;
  for (std::int64_t t = 1; t <= bound; ++t) {
    if (x == 1) return t;
    x *= 10;
    mpz_tdiv_r(x.get_mpz_t(), x.get_mpz_t(), m.get_mpz_t());
  }
  return std::nullopt;
}

// The first `digits` fractional digits of the expansion, with the integer
// part in front: (floor(num × 10^digits / den), -digits).
Scientific expansionDigits(const Fraction& f, std::int64_t digits, const char* operation) {
  mpz_class c = f.num * detail::powerOfTen(static_cast<std::uint64_t>(digits), operation);
  mpz_fdiv_q(c.get_mpz_t(), c.get_mpz_t(), f.den.get_mpz_t());
  return signedScientific(std::move(c), f.negative, -digits);
}

RepetendExpansion terminatingExpansion(const Fraction& f, const DenominatorShape& shape) {
  return {signedScientific(terminatingDigits(f, shape), f.negative, -shape.preperiod()),
          std::nullopt};
}

RepetendExpansion repeatingExpansion(const Fraction& f, const DenominatorShape& shape,
                                     std::int64_t period, const char* operation) {
  const std::int64_t k = shape.preperiod();
  return {expansionDigits(f, detail::checkedAdd(k, period, operation), operation), k};
}

// The state of the long division right after the limit-th fractional
// position has been opened and before its digit is added: the digits so far
// shifted by one place, and the remainder num × 10^limit / den - digits.
struct OpenPosition {
  mpz_class digits;     // floor(num × 10^(limit-1) / den) × 10
  mpz_class remainder;  // 10 × (num × 10^(limit-1) mod den), not yet divided
  mpz_class scale;      // den × 10^limit
};

OpenPosition openPosition(const Fraction& f, std::int64_t limit) {
  OpenPosition p;
  mpz_class power =
      detail::powerOfTen(static_cast<std::uint64_t>(limit - 1), "fromRationalRepetendLimited");
  p.digits = f.num * power;
  mpz_fdiv_qr(p.digits.get_mpz_t(), p.remainder.get_mpz_t(), p.digits.get_mpz_t(),
              f.den.get_mpz_t());
  p.digits *= 10;
  p.remainder *= 10;
  p.scale = f.den * power * 10;
  return p;
}

LimitReached limitReached(const Fraction& f, OpenPosition&& p, std::int64_t limit) {
  mpq_class remainder(p.remainder, p.scale);
  remainder.canonicalize();
  if (f.negative) remainder = -remainder;
  return {signedScientific(std::move(p.digits), f.negative, -limit), std::move(remainder)};
}

// Removes at most `limit` trailing decimal zeros of c > 0; returns how many.
std::int64_t stripTrailingZeros(mpz_class& c, std::int64_t limit) {
  if (limit <= 0) return 0;
  const std::int64_t zeros = removeFactor(c, 10);
  if (zeros <= limit) return zeros;
  mpz_class back;
  detail::setBoundedPowerOfTen(back.get_mpz_t(), static_cast<std::uint64_t>(zeros - limit));
  c *= back;
  return limit;
}

// fromRational of a / b, never forming 10^|ea - eb| unless the quotient is
// an integer that holds it.
Scientific divide(const Scientific& a, const Scientific& b, const char* operation) {
  if (b.coefficientSign() == 0) throw std::domain_error("Ratio has zero denominator");
  if (a.coefficientSign() == 0) return Scientific();
  const detail::CoefficientView ca(a);
  const detail::CoefficientView cb(b);
  const Fraction f = reducedFraction(ca.get(), cb.get(), "Ratio has zero denominator");
  const DenominatorShape shape = shapeOf(f.den);
  if (!shape.terminates()) throwRepeatingDecimal();
  mpz_class c = terminatingDigits(f, shape);
  // The quotient is c × 10^shift.
  const int128 shift = int128(a.base10Exponent()) - b.base10Exponent() - shape.preperiod();
  if (shift >= 0) {
    c *= detail::powerOfTen(static_cast<std::uint64_t>(shift), operation);
    return signedScientific(std::move(c), f.negative, 0);
  }
  // A fraction ending in a non-zero digit already has the fewest fractional
  // digits; an integer quotient may give some of its trailing zeros.
  int128 exponent = shift;
  if (shape.preperiod() == 0) {
    const std::int64_t limit = shift < -int128(std::numeric_limits<std::int64_t>::max())
                                   ? std::numeric_limits<std::int64_t>::max()
                                   : static_cast<std::int64_t>(-shift);
    exponent += stripTrailingZeros(c, limit);
  }
  if (exponent < std::numeric_limits<std::int64_t>::min()) detail::throwExponentOverflow(operation);
  return signedScientific(std::move(c), f.negative, static_cast<std::int64_t>(exponent));
}

}  // namespace

RepetendExpansion fromRationalRepetendUnlimited(const mpq_class& x) {
  const Fraction f = fractionOf(x);
  if (f.num == 0) return {Scientific(), std::nullopt};
  const DenominatorShape shape = shapeOf(f.den);
  if (shape.terminates()) return terminatingExpansion(f, shape);
  const std::optional<std::int64_t> period = decimalPeriod(shape.rest, maxRepetendLength);
  if (!period) throwError("fromRationalRepetendUnlimited: repetend longer than 1000000000 digits");
  return repeatingExpansion(f, shape, *period, "fromRationalRepetendUnlimited");
}

LimitedExpansion fromRationalRepetendLimited(std::int64_t limit, const mpq_class& x) {
  const Fraction f = fractionOf(x);
  if (f.num == 0) return RepetendExpansion{Scientific(), std::nullopt};
  if (limit <= 0) {
    mpq_class whole(x);
    whole.canonicalize();
    return LimitReached{Scientific(), std::move(whole)};
  }
  const DenominatorShape shape = shapeOf(f.den);
  const std::int64_t k = shape.preperiod();
  if (shape.terminates() && k < limit) return terminatingExpansion(f, shape);
  const std::optional<std::int64_t> period =
      shape.terminates() || k >= limit
          ? std::nullopt
          : decimalPeriod(shape.rest, std::min(limit - k, maxRepetendLength));
  if (period && k + *period < limit) {
    return repeatingExpansion(f, shape, *period, "fromRationalRepetendLimited");
  }
  OpenPosition open = openPosition(f, limit);
  // A period closing exactly at the limit is seen first when the digit there
  // is 0: the remainder is then already below the denominator.
  if (period && open.remainder < f.den) {
    return RepetendExpansion{signedScientific(std::move(open.digits), f.negative, -limit), k};
  }
  return limitReached(f, std::move(open), limit);
}

LimitedExpansion fromRationalRepetend(std::optional<std::int64_t> limit, const mpq_class& x) {
  if (limit) return fromRationalRepetendLimited(*limit, x);
  return fromRationalRepetendUnlimited(x);
}

mpq_class toRationalRepetend(const Scientific& s, std::int64_t repetendIndex) {
  if (repetendIndex < 0) throwError("toRationalRepetend: Negative repetend index!");
  const int128 fractionDigits = -int128(s.base10Exponent());
  if (repetendIndex >= fractionDigits) {
    throwError(
        "toRationalRepetend: Repetend index >= than number of digits in the fractional part!");
  }
  const auto periodLength = static_cast<std::uint64_t>(fractionDigits - repetendIndex);
  const mpz_class m = detail::powerOfTen(periodLength, "toRationalRepetend");
  const detail::CoefficientView c(s);
  mpz_class prefix, period;
  mpz_tdiv_qr(prefix.get_mpz_t(), period.get_mpz_t(), c.get(), m.get_mpz_t());
  // (prefix + period / (m - 1)) / 10^repetendIndex
  const mpz_class nines = m - 1;
  mpq_class result(
      prefix * nines + period,
      nines * detail::powerOfTen(static_cast<std::uint64_t>(repetendIndex), "toRationalRepetend"));
  result.canonicalize();
  return result;
}

Scientific unsafeFromRational(const mpq_class& x) { return fromRational(x); }

Scientific fromRational(const mpq_class& x) {
  const Fraction f = fractionOf(x);
  if (f.num == 0) return Scientific();
  const DenominatorShape shape = shapeOf(f.den);
  if (!shape.terminates()) throwRepeatingDecimal();
  return terminatingExpansion(f, shape).value;
}

Scientific operator/(const Scientific& a, const Scientific& b) {
  return divide(a, b, "Scientific (/)");
}

Scientific recip(const Scientific& s) { return divide(Scientific(1, 0), s, "recip"); }

}  // namespace quire::scientific
