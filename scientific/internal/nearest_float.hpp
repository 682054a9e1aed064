// Rounding a decimal whose coefficient is one machine word to binary
// floating point by the two cheap roads: an exact power of ten (one IEEE
// operation rounds correctly by itself), or a 128-bit truncation of 5^e
// that settles the rounding unless the value lies too near a halfway point.
// The conversions, the one-call reader and toBoundedRealFloat in
// convert.hpp share these; when they give no answer the exact integer road
// decides.
//
// Example:
//   using namespace quire::scientific::detail;
//   nearestWordByTables<double>(15, -1);        // 1.5 (road 1)
//   nearestWordByTables<double>(1, 300);        // 1e300 (road 2)
//   nearestWordByTables<double>(1, 400);        // +infinity
#pragma once

#include <array>
#include <bit>
#include <concepts>
#include <cstdint>
#include <limits>
#include <optional>
#include <type_traits>

#include "scientific/internal/numeric.hpp"
#include "scientific/internal/sciconv_powers_of_five.hpp"
#include "scientific/scientific.hpp"

namespace quire::scientific::detail {

// 10^0 ... 10^(N-1) as F, all exact.
template <std::floating_point F, std::size_t N>
constexpr std::array<F, N> exactPowersOfTen() {
  std::array<F, N> table{};
  F p = 1;
  for (F& entry : table) {
    entry = p;
    p *= 10;
  }
  return table;
}

// Integers of up to maxExactWord and the powers of ten up to
// 10^exactPowerOfTenLimit (whose 5^e fits in F's digits) are exact in F.
template <std::floating_point F>
constexpr int exactPowerOfTenLimit =
    std::numeric_limits<F>::digits >= 64 ? 27 : (std::numeric_limits<F>::digits >= 53 ? 22 : 10);
template <std::floating_point F>
constexpr std::uint64_t maxExactWord = std::numeric_limits<F>::digits >= 64
                                           ? ~std::uint64_t{0}
                                           : std::uint64_t{1} << (std::numeric_limits<F>::digits % 64);
template <std::floating_point F>
constexpr auto exactPowersOfTenTable = exactPowersOfTen<F, exactPowerOfTenLimit<F> + 1>();

// The nearest F to c × 10^e when F holds c exactly and 10^|e| is exact in
// F: one multiplication or division, which IEEE arithmetic rounds correctly
// (ties to even, signs kept) by itself. nullopt for every other value; a
// zero coefficient gives +0.
template <std::floating_point F>
[[gnu::always_inline]] inline std::optional<F> exactOperandsNearest(std::int64_t c, std::int64_t e) noexcept {
  constexpr std::uint64_t limit = static_cast<std::uint64_t>(exactPowerOfTenLimit<F>);
  // Each range is checked with one unsigned comparison: e lies in
  // [-limit, limit] exactly when e + limit lies in [0, 2 limit], and so for c.
  if (static_cast<std::uint64_t>(e) + limit > 2 * limit) return std::nullopt;
  if constexpr (maxExactWord<F> <= std::uint64_t{1} << 62) {
    constexpr std::uint64_t max = maxExactWord<F>;
    if (static_cast<std::uint64_t>(c) + max > 2 * max) return std::nullopt;
  }
  const F x = static_cast<F>(c);
  return e >= 0 ? x * exactPowersOfTenTable<F>[static_cast<std::size_t>(e)]
                : x / exactPowersOfTenTable<F>[static_cast<std::size_t>(-e)];
}

template <std::floating_point F>
struct Format {
  static_assert(std::numeric_limits<F>::radix == 2, "binary floating point only");
  static constexpr int digits = std::numeric_limits<F>::digits;
  // 2^(minExponent - 1) is the least normal value, 2^(minExponent - digits)
  // the least subnormal; every finite value is below 2^maxExponent.
  static constexpr int minExponent = std::numeric_limits<F>::min_exponent;
  static constexpr int maxExponent = std::numeric_limits<F>::max_exponent;

  static F infinity(bool negative) {
    return negative ? -std::numeric_limits<F>::infinity() : std::numeric_limits<F>::infinity();
  }
  static F zero(bool negative) { return negative ? -F(0) : F(0); }
};

// log10(radix) for radix 2, as the decimal limits below are defined.
inline constexpr double radixLog10 = 0.30102999566398119521;

constexpr std::int64_t ceilToInt(double x) {
  const auto t = static_cast<std::int64_t>(x);
  return static_cast<double>(t) < x ? t + 1 : t;
}
constexpr std::int64_t floorToInt(double x) {
  const auto t = static_cast<std::int64_t>(x);
  return static_cast<double>(t) > x ? t - 1 : t;
}

// Decimal exponents beyond which the exponent alone puts a value out of range.
template <std::floating_point F>
constexpr std::int64_t overflowLimit = ceilToInt(Format<F>::maxExponent* radixLog10);
template <std::floating_point F>
constexpr std::int64_t underflowLimit = floorToInt(Format<F>::minExponent* radixLog10) -
                                        ceilToInt(Format<F>::digits* radixLog10);

static_assert(overflowLimit<double> == 309 && underflowLimit<double> == -324);
static_assert(overflowLimit<float> == 39 && underflowLimit<float> == -46);

// m × 2^(exp2 - digits + 1) as a float or double, where m has been rounded to
// `keep` bits: digits bits for a normal value (m may have carried to
// 2^digits), fewer for a subnormal one, whose m is then the bit pattern.
template <std::floating_point F>
F composeFloat(std::uint64_t m, int exp2, int keep) {
  using Fmt = Format<F>;
  using Word = std::conditional_t<sizeof(F) == 8, std::uint64_t, std::uint32_t>;
  if (exp2 >= Fmt::maxExponent) return Fmt::infinity(false);
  if (keep < Fmt::digits) return std::bit_cast<F>(static_cast<Word>(m));
  // The hidden bit of m adds one to the exponent field, and a carry to
  // 2^digits adds another (up to infinity's pattern).
  const Word field = static_cast<Word>(exp2 - Fmt::minExponent + 1);
  return std::bit_cast<F>(static_cast<Word>((field << (Fmt::digits - 1)) + m));
}

// The nearest F to w × 10^q × 2^binaryShift (w > 0) from the truncated 5^q
// of the table, or nullopt when the truncation leaves the rounding open.
// Without `complete`, only a normal result the product's top limb decides
// is given, and nullopt for the rest (subnormals, zeros and values near a
// halfway point): the few instructions the common case needs.
template <std::floating_point F, bool complete = true>
[[gnu::always_inline]] inline std::optional<F> nearestByPowerOfFive(std::uint64_t w, int q, int binaryShift = 0) {
  using Fmt = Format<F>;
  static_assert(Fmt::digits <= 53, "the rounding point must lie in the top limb");
  const PowerOfFive& t = powerOfFive(q);
  const int shift = std::countl_zero(w);
  w <<= shift;
  // X = w × T, 192 bits in x2:x1:x0, between 2^190 and 2^192. The value is
  // X × 2^scale exactly for an exact entry, otherwise within [X, X + w).
  const uint128 a = uint128(w) * t.hi;
  const auto top = static_cast<std::uint64_t>(a >> 64);
  if ((top & (top + 1)) != 0) {
    // The rest of X (w × t.lo, and the exact value's excess below w) adds at
    // most one to the top limb, and that without changing its length. The
    // limb's leading one lies at bit 62 or 63; with it moved to bit 63 the
    // rest adds at most two. When the result is normal and the bits below
    // the kept ones lie clear of the halfway point even after such a two,
    // they decide the rounding.
    const int high = static_cast<int>(top >> 63);
    const std::uint64_t lead = top << (high ^ 1);
    const int exp2 = 190 + high + t.binaryExponent + q - shift + binaryShift;
    if (exp2 >= Fmt::minExponent - 1) {
      constexpr int lowBits = 64 - Fmt::digits;  // 11 for double
      constexpr std::uint64_t half = std::uint64_t{1} << (lowBits - 1);
      const std::uint64_t low = lead & ((std::uint64_t{1} << lowBits) - 1);
      // Below: low + 2 is still below half. Above: still above, or a carry
      // into the kept bits, which rounding up gives as well.
      if (low + 2 < half || low > half) {
        return composeFloat<F>((lead >> lowBits) + (low > half ? 1 : 0), exp2, Fmt::digits);
      }
    }
  }
  if constexpr (!complete) return std::nullopt;
  const uint128 b = uint128(w) * t.lo;
  const uint128 mid = uint128(static_cast<std::uint64_t>(a)) + (b >> 64);
  const auto x0 = static_cast<std::uint64_t>(b);
  const auto x1 = static_cast<std::uint64_t>(mid);
  const auto x2 = static_cast<std::uint64_t>(a >> 64) + static_cast<std::uint64_t>(mid >> 64);
  const bool exact = q >= 0 && q <= maxExactPowerOfFive;

  const int length = 192 - std::countl_zero(x2);
  const int scale = t.binaryExponent + q - shift + binaryShift;
  const int exp2 = length - 1 + scale;
  int keep = Fmt::digits;
  if (exp2 < Fmt::minExponent - 1) keep -= Fmt::minExponent - 1 - exp2;
  if (keep < 0) {
    // Below half the least subnormal, unless an inexact X lies within w of
    // the next power of two, which is that half.
    const bool nearPowerOfTwo = x1 == ~std::uint64_t{0} && (x2 & (x2 + 1)) == 0;
    if (keep == -1 && !exact && nearPowerOfTwo) return std::nullopt;
    return F(0);
  }
  // Round X at bit roundAt; the bits below it are lowTop:x1:x0, the halfway
  // point is halfTop:0:0.
  const int topBits = length - keep - 128;  // 10 ... 64
  const std::uint64_t kept = topBits == 64 ? 0 : x2 >> topBits;
  const std::uint64_t lowTop = topBits == 64 ? x2 : x2 & ((std::uint64_t{1} << topBits) - 1);
  const std::uint64_t halfTop = std::uint64_t{1} << (topBits - 1);
  const bool atHalf = lowTop == halfTop && (x1 | x0) == 0;
  if (!exact && (atHalf || (lowTop == halfTop - 1 && x1 == ~std::uint64_t{0}))) return std::nullopt;
  const bool aboveHalf = lowTop > halfTop || (lowTop == halfTop && (x1 | x0) != 0);
  const std::uint64_t m = kept + ((aboveHalf || (atHalf && (kept & 1) != 0)) ? 1 : 0);
  return composeFloat<F>(m, exp2, keep);
}

// The nearest F to w × 10^e (w > 0) by roads 1 and 2, or nullopt when the
// exact road must decide: the value lies too near a halfway point, or F is
// wider than double and road 1 does not apply (and, without `complete`,
// whenever road 2 needs more than its quick step).
template <std::floating_point F, bool complete = true>
[[gnu::always_inline]] inline std::optional<F> nearestWordByTables(std::uint64_t w, std::int64_t e) {
  using Fmt = Format<F>;
  constexpr int exactLimit = exactPowerOfTenLimit<F>;
  if (w <= maxExactWord<F> && e >= -exactLimit && e <= exactLimit) {
    const F x = static_cast<F>(w);
    return e >= 0 ? x * exactPowersOfTenTable<F>[static_cast<std::size_t>(e)]
                  : x / exactPowersOfTenTable<F>[static_cast<std::size_t>(-e)];
  }
  if constexpr (Fmt::digits <= 53) {
    // w × 10^e < 2^64 × 10^-343 is below half the least subnormal double.
    if (e < minPowerOfFive) return F(0);
    if (e > maxPowerOfFive) return Fmt::infinity(false);
    return nearestByPowerOfFive<F, complete>(w, static_cast<int>(e));
  } else {
    return std::nullopt;
  }
}

}  // namespace quire::scientific::detail
