#include "scientific/rounding.hpp"

#include "scientific/internal/numeric.hpp"

namespace quire::scientific::detail {

namespace {

const char* operationName(RoundingMode mode) noexcept {
  switch (mode) {
    case RoundingMode::Truncate:
      return "truncate";
    case RoundingMode::Round:
      return "round";
    case RoundingMode::Ceiling:
      return "ceiling";
    case RoundingMode::Floor:
      break;
  }
  return "floor";
}

// c = q × 10^k + r with q truncated, and how twice |r| compares with 10^k
// (the fraction's distance from one half).
template <class Int>
struct Split {
  Int quotient;
  Int remainder;
  int half;
};

// Applies the rounding rule to a truncated quotient q with a remainder of
// sign remainderSign.
template <class Int>
Int applyMode(RoundingMode mode, Int q, int remainderSign, int half, bool quotientEven) {
  switch (mode) {
    case RoundingMode::Truncate:
      return q;
    case RoundingMode::Ceiling:
      return remainderSign > 0 ? Int(q + 1) : q;
    case RoundingMode::Floor:
      return remainderSign < 0 ? Int(q - 1) : q;
    case RoundingMode::Round:
      break;
  }
  bool away = half > 0 || (half == 0 && !quotientEven);
  if (!away) return q;
  return remainderSign < 0 ? Int(q - 1) : Int(q + 1);
}

int sign(std::int64_t v) noexcept { return (v > 0) - (v < 0); }

int compareWithHalf(uint128 twiceRemainder, std::uint64_t power) noexcept {
  return (twiceRemainder > power) - (twiceRemainder < power);
}

// Splits a word coefficient at 10^k, k >= 1.
Split<std::int64_t> splitWord(std::int64_t c, std::uint64_t k) noexcept {
  uint128 twiceAbs = 2 * static_cast<uint128>(unsignedAbs(c));
  if (k > 19) {
    // |c| <= 2^63 < 10^19: no integer part, and twice the rest is below 10^20 <= 10^k.
    return {0, c, -1};
  }
  std::uint64_t p = wordPowersOfTen[k];
  if (k == 19) return {0, c, compareWithHalf(twiceAbs, p)};
  auto ps = static_cast<std::int64_t>(p);
  std::int64_t r = c % ps;
  return {c / ps, r, compareWithHalf(2 * static_cast<uint128>(unsignedAbs(r)), p)};
}

// Splits an integer coefficient at 10^k, k >= 1. When 10^k has more digits
// than c the quotient is 0 without forming the power, which is what keeps
// 1e-1000000000 cheap.
Split<mpz_class> splitInteger(mpz_srcptr c, std::uint64_t k) {
  if (k > mpz_sizeinbase(c, 10)) return {mpz_class(0), mpz_class(c), -1};
  PowerOfTenView p(k);
  Split<mpz_class> split{mpz_class(), mpz_class(), 0};
  mpz_tdiv_qr(split.quotient.get_mpz_t(), split.remainder.get_mpz_t(), c, p.get());
  mpz_class twice = split.remainder * 2;
  int cmp = mpz_cmpabs(twice.get_mpz_t(), p.get());
  split.half = (cmp > 0) - (cmp < 0);
  return split;
}

std::int64_t roundWordNegative(std::int64_t c, std::uint64_t k, RoundingMode mode) noexcept {
  Split<std::int64_t> split = splitWord(c, k);
  return applyMode<std::int64_t>(mode, split.quotient, sign(split.remainder), split.half,
                                 (split.quotient & 1) == 0);
}

mpz_class roundIntegerNegative(mpz_srcptr c, std::uint64_t k, RoundingMode mode) {
  Split<mpz_class> split = splitInteger(c, k);
  return applyMode<mpz_class>(mode, split.quotient, sgn(split.remainder), split.half,
                              mpz_even_p(split.quotient.get_mpz_t()) != 0);
}

std::uint64_t negatedExponent(const Scientific& s) noexcept {
  return 0 - static_cast<std::uint64_t>(s.base10Exponent());
}

}  // namespace

mpz_class roundToInteger(const Scientific& s, RoundingMode mode) {
  std::int64_t e = s.base10Exponent();
  if (e >= 0) {
    if (s.coefficientSign() == 0) return mpz_class(0);
    CoefficientView c(s);
    mpz_class result;
    setPowerOfTen(result.get_mpz_t(), static_cast<std::uint64_t>(e), operationName(mode));
    mpz_mul(result.get_mpz_t(), result.get_mpz_t(), c.get());
    return result;
  }
  if (s.hasSmallCoefficient()) {
    return mpz_class(static_cast<long>(roundWordNegative(s.smallCoefficient(), negatedExponent(s), mode)));
  }
  return roundIntegerNegative(s.bigCoefficient().get_mpz_t(), negatedExponent(s), mode);
}

std::uint64_t roundToWord(const Scientific& s, RoundingMode mode) {
  std::int64_t e = s.base10Exponent();
  if (e >= 0) {
    std::uint64_t c = s.hasSmallCoefficient() ? static_cast<std::uint64_t>(s.smallCoefficient())
                                              : wrapToWord(s.bigCoefficient().get_mpz_t());
    return c * magnitudeWord(e);
  }
  if (s.hasSmallCoefficient()) {
    return static_cast<std::uint64_t>(roundWordNegative(s.smallCoefficient(), negatedExponent(s), mode));
  }
  mpz_class exact = roundIntegerNegative(s.bigCoefficient().get_mpz_t(), negatedExponent(s), mode);
  return wrapToWord(exact.get_mpz_t());
}

Scientific fractionPart(const Scientific& s) {
  std::int64_t e = s.base10Exponent();
  if (e >= 0) return Scientific();
  if (s.hasSmallCoefficient()) return Scientific(splitWord(s.smallCoefficient(), negatedExponent(s)).remainder, e);
  return Scientific(std::move(splitInteger(s.bigCoefficient().get_mpz_t(), negatedExponent(s)).remainder), e);
}

}  // namespace quire::scientific::detail
