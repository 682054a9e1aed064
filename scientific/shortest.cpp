// Shortest decimals of binary floating-point values.
//
// A value v = c × 2^q (c the integer significand) rounds back from every
// number of its rounding interval R: halfway to each neighbour, the ends
// included when c is even (round half to even reads them back as v). With
// 10^k the largest power of ten not above the width of R, R holds at least
// one multiple of 10^k and at most one of 10^(k+1). So the answer is that
// multiple of 10^(k+1) when R holds one (its trailing zeros are dropped
// afterwards); otherwise the multiple of 10^k in R, or the nearer of the two
// around v when both are in R.
//
// Everything is decided on 4v / 10^k and the ends of R scaled alike, each
// computed as one product of a shifted significand and a 126-bit (double) or
// 63-bit (float) over-approximation of 10^-k, rounded to odd: the integer
// part is exact and the odd last bit says whether anything was dropped,
// which is all the comparisons need.
#include "scientific/internal/shortest.hpp"

#include <bit>

#include "scientific/internal/numeric.hpp"
#include "scientific/internal/scaled_powers_of_ten.hpp"

namespace quire::scientific::detail {
namespace {

// floor(q log10 2), floor(log10(3/4 × 2^q)) and floor(e log2 10), exact for
// every exponent of a double (the table's generator checks the last one).
constexpr int floorLog10Pow2(int q) noexcept {
  return static_cast<int>((static_cast<std::int64_t>(q) * 661971961083) >> 41);
}
constexpr int floorLog10ThreeQuartersPow2(int q) noexcept {
  return static_cast<int>((static_cast<std::int64_t>(q) * 661971961083 - 274743187321) >> 41);
}
constexpr int floorLog2Pow10(int e) noexcept {
  return static_cast<int>((static_cast<std::int64_t>(e) * 913124641741) >> 38);
}

static_assert(floorLog10Pow2(-1074) == -324 && floorLog10Pow2(971) == 292);
static_assert(floorLog10Pow2(1) == 0 && floorLog10Pow2(4) == 1 && floorLog10Pow2(-1) == -1);
static_assert(floorLog2Pow10(1) == 3 && floorLog2Pow10(-1) == -4 && floorLog2Pow10(0) == 0);

constexpr std::uint64_t highWord(std::uint64_t a, std::uint64_t b) noexcept {
  return static_cast<std::uint64_t>((static_cast<uint128>(a) * b) >> 64);
}

constexpr std::uint64_t mask63 = (std::uint64_t{1} << 63) - 1;

// cp × g × 2^-127 rounded to odd, g = upper × 2^63 + lower.
[[gnu::always_inline]] inline std::uint64_t roundToOdd(const ScaledPowerOfTen& g, std::uint64_t cp) noexcept {
  const uint128 y = static_cast<uint128>(g.upper) * cp;
  const std::uint64_t x1 = highWord(g.lower, cp);
  const std::uint64_t z = (static_cast<std::uint64_t>(y) >> 1) + x1;
  const std::uint64_t integer = static_cast<std::uint64_t>(y >> 64) + (z >> 63);
  return integer | (((z & mask63) + mask63) >> 63);
}

// cp × g × 2^-95 rounded to odd, for float's 63-bit g.
std::uint64_t roundToOdd(std::uint64_t g, std::uint64_t cp) noexcept {
  const std::uint64_t x1 = highWord(g, cp);
  constexpr std::uint64_t mask32 = 0xFFFFFFFFu;
  return (x1 >> 31) | (((x1 & mask32) + mask32) >> 32);
}

// What the two formats share: significand bits, least exponent, and the
// scaled value of c × 2^q with its interval's ends.
struct Scaled {
  std::uint64_t value;  // 4v / 10^k, rounded to odd
  std::uint64_t lower;  // the lower end of R, likewise
  std::uint64_t upper;  // the upper end
  int k;
};

// The decision described at the top, on scaled values; c's parity says
// whether the ends of R belong to it.
[[gnu::always_inline]] inline ShortestDecimal choose(const Scaled& v, std::uint64_t c) noexcept {
  const std::uint64_t out = c & 1;
  const std::uint64_t s = v.value >> 2;
  // The multiples of 10^(k+1) around v.
  const std::uint64_t below10 = s / 10 * 10;
  const std::uint64_t above10 = below10 + 10;
  const bool belowIn = v.lower + out <= below10 << 2;
  const bool aboveIn = (above10 << 2) + out <= v.upper;
  const std::uint64_t t = s + 1;
  const bool sIn = v.lower + out <= s << 2;
  const bool tIn = (t << 2) + out <= v.upper;
  // When both are in R: the nearer to v, the even one at a tie.
  const auto distance = static_cast<std::int64_t>(v.value - ((s + t) << 1));
  const bool nearerS = distance < 0 || (distance == 0 && (s & 1) == 0);
  // Every case is computed and one selected: which case applies is close
  // to random for random values, and a mispredicted branch costs more.
  const std::uint64_t shorter = belowIn ? below10 : above10;
  const std::uint64_t same = sIn != tIn ? (sIn ? s : t) : (nearerS ? s : t);
  return {belowIn != aboveIn ? shorter : same, v.k};
}

// digits × 10^exponent without the trailing zeros of digits (digits != 0).
[[gnu::always_inline]] inline ShortestDecimal withoutTrailingZeros(ShortestDecimal d) noexcept {
  if (d.digits % 10 != 0) return d;  // the common case
  while (d.digits % 10000 == 0) {
    d.digits /= 10000;
    d.exponent += 4;
  }
  while (d.digits % 10 == 0) {
    d.digits /= 10;
    ++d.exponent;
  }
  return d;
}

// The shared outline: c × 2^q with c of `precision` bits for a normal value.
// An integer below 2^precision is its own shortest decimal.
template <int precision, int leastExponent, class Scale>
[[gnu::always_inline]] inline ShortestDecimal shortest(std::uint64_t c, int q, bool normal, Scale scale) noexcept {
  constexpr std::uint64_t leastNormal = std::uint64_t{1} << (precision - 1);
  if (normal && q < 0 && q > -precision) {
    const std::uint64_t whole = c >> -q;
    if (whole << -q == c) return withoutTrailingZeros({whole, 0});
  }
  const std::uint64_t cb = c << 2;
  // At a power of two the lower neighbour is half as far.
  const bool asymmetric = c == leastNormal && q != leastExponent;
  const std::uint64_t lowerEnd = asymmetric ? cb - 1 : cb - 2;
  const int k = asymmetric ? floorLog10ThreeQuartersPow2(q) : floorLog10Pow2(q);
  return withoutTrailingZeros(choose(scale(cb, lowerEnd, cb + 2, q, k), c));
}

}  // namespace

ShortestDecimal shortestDecimal(double x) noexcept {
  const auto bits = std::bit_cast<std::uint64_t>(x);
  const std::uint64_t fraction = bits & ((std::uint64_t{1} << 52) - 1);
  const auto biased = static_cast<int>((bits >> 52) & 0x7FF);
  const bool normal = biased != 0;
  const std::uint64_t c = normal ? fraction | (std::uint64_t{1} << 52) : fraction;
  const int q = normal ? biased - 1075 : -1074;
  return shortest<53, -1074>(c, q, normal, [](std::uint64_t cb, std::uint64_t cl, std::uint64_t cr, int q, int k) {
    const int h = q + floorLog2Pow10(-k) + 2;
    const ScaledPowerOfTen& g = scaledPowerOfTen(k);
    return Scaled{roundToOdd(g, cb << h), roundToOdd(g, cl << h), roundToOdd(g, cr << h), k};
  });
}

ShortestDecimal shortestDecimal(float x) noexcept {
  const auto bits = std::bit_cast<std::uint32_t>(x);
  const std::uint64_t fraction = bits & ((std::uint32_t{1} << 23) - 1);
  const auto biased = static_cast<int>((bits >> 23) & 0xFF);
  const bool normal = biased != 0;
  const std::uint64_t c = normal ? fraction | (std::uint64_t{1} << 23) : fraction;
  const int q = normal ? biased - 150 : -149;
  return shortest<24, -149>(c, q, normal, [](std::uint64_t cb, std::uint64_t cl, std::uint64_t cr, int q, int k) {
    const int h = q + floorLog2Pow10(-k) + 33;
    const std::uint64_t g = scaledPowerOfTen(k).upper + 1;
    return Scaled{roundToOdd(g, cb << h), roundToOdd(g, cl << h), roundToOdd(g, cr << h), k};
  });
}

}  // namespace quire::scientific::detail
