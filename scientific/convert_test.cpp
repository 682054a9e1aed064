#include "scientific/convert.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "base/error.hpp"
#include "scientific/internal/sciconv_powers_of_five.hpp"
#include "scientific/sciconv_test_support.hpp"

namespace {

using quire::scientific::Bounded;
using quire::scientific::Scientific;
using sciconv_test::stored;
namespace sci = quire::scientific;

#if defined(__SANITIZE_ADDRESS__)
constexpr int kScale = 8;  // sanitizers run the differential tests on fewer values
#else
constexpr int kScale = 1;
#endif

constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();
constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();

using sciconv_test::bitsOf;

// Bitwise equality, so that -0.0 and 0.0 differ.
#define EXPECT_SAME_FLOAT(a, b) EXPECT_EQ(bitsOf(a), bitsOf(b)) << (a) << " vs " << (b)

template <class F>
F parseWithC(const std::string& text) {
  if constexpr (sizeof(F) == 8) {
    return std::strtod(text.c_str(), nullptr);
  } else {
    return std::strtof(text.c_str(), nullptr);
  }
}

// A decimal string and the same number as a Scientific, built separately.
struct Decimal {
  std::string text;
  Scientific value;
};

Decimal decimal(const std::string& digits, std::int64_t exponent, bool negative) {
  mpz_class c(digits, 10);
  negative = negative && c != 0;  // a Scientific has no negative zero
  if (negative) c = -c;
  return {(negative ? "-" : "") + digits + "e" + std::to_string(exponent), Scientific(c, exponent)};
}

template <class F>
void expectLikeC(const Decimal& d) {
  EXPECT_SAME_FLOAT(sci::toRealFloat<F>(d.value), parseWithC<F>(d.text)) << " for " << d.text;
}

// The midpoint between x > 0 and the next F above it, as exact decimal
// digits and exponent.
template <class F>
std::pair<std::string, std::int64_t> midpointAbove(F x) {
  int e2;
  (void)std::frexp(x, &e2);
  const int digits = std::numeric_limits<F>::digits;
  // x = m × 2^ulp (the subnormals share the least ulp), and the midpoint is
  // (2m + 1) × 2^(ulp - 1).
  const int ulp = std::max(e2 - digits, std::numeric_limits<F>::min_exponent - digits);
  mpz_class m(static_cast<unsigned long>(std::ldexp(x, -ulp)));
  mpz_class odd = 2 * m + 1;
  const long shift = ulp - 1;
  if (shift >= 0) return {mpz_class(odd << shift).get_str(), 0};
  mpz_class five;
  mpz_ui_pow_ui(five.get_mpz_t(), 5, static_cast<unsigned long>(-shift));
  return {mpz_class(odd * five).get_str(), shift};
}

// Random decimals of every difficulty for F: random digit strings of 1 to
// 40 digits with exponents from -400 to 400 and around F's range, the
// shortest and the full-precision digits of random values (subnormals
// included), and exact or nearly exact halfway points between neighbours.
template <class F>
class DecimalSource {
 public:
  explicit DecimalSource(unsigned seed) : rng_(seed) {}

  Decimal next() {
    switch (pick(0, 5)) {
      case 0:
        return randomDigits(pick(-400, 400));
      case 1:
        return randomDigits(pick(F_minDecimal - 5, F_maxDecimal + 2));
      case 2:
        return printed(randomFloat(), pick(0, 1) == 0 ? 0 : std::numeric_limits<F>::max_digits10);
      case 3:
        return printed(randomSubnormal(),
                       pick(0, 1) == 0 ? 0 : std::numeric_limits<F>::max_digits10);
      default:
        return nearHalfway();
    }
  }

 private:
  static constexpr int F_maxDecimal = std::numeric_limits<F>::max_exponent10;
  static constexpr int F_minDecimal =
      std::numeric_limits<F>::min_exponent10 - std::numeric_limits<F>::digits10;

  int pick(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng_); }

  std::string digits(int n) {
    std::string s;
    for (int i = 0; i < n; ++i) s.push_back(static_cast<char>('0' + pick(0, 9)));
    return s;
  }

  // Exponent chosen so that the leading digit lands at 10^leading.
  Decimal randomDigits(int leading) {
    const int n = pick(1, 40);
    return decimal(digits(n), leading - n + 1, pick(0, 1) == 1);
  }

  F randomFloat() {
    for (;;) {
      const auto bits = static_cast<decltype(bitsOf(F{}))>(rng_());
      const F x = std::bit_cast<F>(bits);
      if (std::isfinite(x) && x != 0) return std::fabs(x);
    }
  }

  F randomSubnormal() {
    for (;;) {
      const F x =
          std::ldexp(static_cast<F>(rng_() % (1ull << (std::numeric_limits<F>::digits - 1))),
                     std::numeric_limits<F>::min_exponent - std::numeric_limits<F>::digits);
      if (x != 0) return x;
    }
  }

  // x's digits: the shortest (precision 0) or a fixed count.
  Decimal printed(F x, int precision) {
    char buf[128];
    const char* end =
        precision == 0
            ? std::to_chars(buf, buf + sizeof buf, x, std::chars_format::scientific).ptr
            : std::to_chars(buf, buf + sizeof buf, x, std::chars_format::scientific, precision - 1)
                  .ptr;
    std::string text(buf, static_cast<std::size_t>(end - buf));
    const std::size_t e = text.find('e');
    std::string mantissa = text.substr(0, e);
    const std::size_t point = mantissa.find('.');
    std::int64_t exponent = std::stoll(text.substr(e + 1));
    if (point != std::string::npos) {
      exponent -= static_cast<std::int64_t>(mantissa.size() - point - 1);
      mantissa.erase(point, 1);
    }
    return decimal(mantissa, exponent, pick(0, 1) == 1);
  }

  // The midpoint above a random value: exact when it has at most 40
  // digits, otherwise cut to 40 digits and nudged just below or above.
  Decimal nearHalfway() {
    F x = pick(0, 3) == 0 ? randomSubnormal() : randomFloat();
    if (pick(0, 1) == 0) {
      // Values whose midpoints have few digits: moderate binary exponents.
      int ignored;
      x = std::ldexp(std::frexp(x, &ignored), pick(-20, 100));
    }
    if (x == std::numeric_limits<F>::max()) x = 1;
    auto [digitsText, exponent] = midpointAbove(x);
    if (digitsText.size() > 40) {
      const auto cut = static_cast<std::int64_t>(digitsText.size() - 40);
      mpz_class head(digitsText.substr(0, 40), 10);
      if (pick(0, 1) == 1) ++head;
      digitsText = head.get_str();
      exponent += cut;
    }
    return decimal(digitsText, exponent, pick(0, 1) == 1);
  }

  std::mt19937_64 rng_;
};

TEST(ConvertTest, HeaderExample) {
  EXPECT_EQ(stored(sci::fromFloatDigits(0.1)), stored("1", -1));
  EXPECT_EQ(sci::toRealFloat<double>(Scientific(15, -1)), 1.5);
  Bounded<double> big = sci::toBoundedRealFloat<double>(Scientific(1, 400));
  EXPECT_FALSE(big.inRange);
  EXPECT_EQ(big.value, std::numeric_limits<double>::infinity());
  EXPECT_EQ(sci::toBoundedInteger<std::int8_t>(Scientific(1270, -1)), std::int8_t{127});
  EXPECT_EQ(sci::toBoundedInteger<std::int8_t>(Scientific(128, 0)), std::nullopt);
  auto v = sci::floatingOrInteger<double, std::int64_t>(Scientific(150, -1));
  EXPECT_EQ(std::get<std::int64_t>(v), 15);
}

TEST(ConvertTest, PowersOfFiveTableIsExact) {
  using namespace quire::scientific::detail;
  for (int q = minPowerOfFive; q <= maxPowerOfFive; ++q) {
    const PowerOfFive& entry = powerOfFive(q);
    const mpz_class t = (mpz_class(static_cast<unsigned long>(entry.hi)) << 64) +
                        mpz_class(static_cast<unsigned long>(entry.lo));
    ASSERT_EQ(mpz_sizeinbase(t.get_mpz_t(), 2), 128u) << q;
    // T × 2^g <= 5^q < (T + 1) × 2^g, exactly for 0 <= q <= 55.
    mpq_class five = 1;
    for (int i = 0; i < std::abs(q); ++i) five *= 5;
    if (q < 0) five = 1 / five;
    mpq_class scaled = entry.binaryExponent >= 0
                           ? mpq_class(five / (mpz_class(1) << entry.binaryExponent))
                           : mpq_class(five * (mpz_class(1) << -entry.binaryExponent));
    EXPECT_LE(mpq_class(t), scaled) << q;
    EXPECT_LT(scaled, mpq_class(t + 1)) << q;
    EXPECT_EQ(scaled == mpq_class(t), q >= 0 && q <= maxExactPowerOfFive) << q;
  }
}

TEST(ConvertTest, FromFloatDigits) {
  EXPECT_EQ(stored(sci::fromFloatDigits(-0.0)), stored("0", 0));
  EXPECT_EQ(stored(sci::fromFloatDigits(-2.5)), stored("-25", -1));
  EXPECT_EQ(stored(sci::fromFloatDigits(1e22)), stored("1", 22));
  EXPECT_EQ(stored(sci::fromFloatDigits(0.1f)), stored("1", -1));
  EXPECT_EQ(stored(sci::fromFloatDigits(100.0)), stored("1", 2));
  EXPECT_EQ(stored(sci::fromFloatDigits(5e-324)), stored("5", -324));
  EXPECT_EQ(stored(sci::fromFloatDigits(std::numeric_limits<double>::max())),
            stored("17976931348623157", 292));
  EXPECT_EQ(stored(sci::fromFloatDigits(0.1L)), stored("1", -1));
  EXPECT_EQ(stored(sci::fromFloatDigits(-1.5L)), stored("-15", -1));
  EXPECT_THROW((void)sci::fromFloatDigits(std::numeric_limits<double>::quiet_NaN()), quire::Error);
  EXPECT_THROW((void)sci::fromFloatDigits(-std::numeric_limits<float>::infinity()), quire::Error);
}

// fromFloatDigits has the digits of std::to_chars and reads back exactly.
template <class F>
void checkShortestDigitsRoundTrip(unsigned seed, int count) {
  std::mt19937_64 rng(seed);
  for (int i = 0; i < count; ++i) {
    const F x = std::bit_cast<F>(static_cast<decltype(bitsOf(F{}))>(rng()));
    if (!std::isfinite(x)) continue;
    const Scientific s = sci::fromFloatDigits(x);
    EXPECT_SAME_FLOAT(sci::toRealFloat<F>(s), x == 0 ? F(0) : x);
    char buf[64];
    const char* end = std::to_chars(buf, buf + sizeof buf, x, std::chars_format::scientific).ptr;
    std::string text(buf, static_cast<std::size_t>(end - buf));
    std::string mantissa = text.substr(0, text.find('e'));
    std::erase(mantissa, '.');
    std::erase(mantissa, '-');
    mpz_class c = abs(s.coefficient());
    EXPECT_EQ(c.get_str(), mantissa) << text;
  }
}

TEST(ConvertTest, FromFloatDigitsMatchesToCharsAndReadsBack) {
  checkShortestDigitsRoundTrip<double>(7, 100000 / kScale);
  checkShortestDigitsRoundTrip<float>(8, 100000 / kScale);
}

TEST(ConvertTest, ToBoundedRealFloatRanges) {
  const double inf = std::numeric_limits<double>::infinity();
  const auto expectBounded = [](const Bounded<double>& got, bool inRange, double value) {
    EXPECT_EQ(got.inRange, inRange);
    EXPECT_SAME_FLOAT(got.value, value);
  };
  expectBounded(sci::toBoundedRealFloat<double>(Scientific(1, 400)), false, inf);
  expectBounded(sci::toBoundedRealFloat<double>(Scientific(-1, 400)), false, -inf);
  expectBounded(sci::toBoundedRealFloat<double>(Scientific(1, -400)), false, 0.0);
  expectBounded(sci::toBoundedRealFloat<double>(Scientific(-1, -400)), false, -0.0);
  expectBounded(sci::toBoundedRealFloat<double>(Scientific(sciconv_test::pow10(80), -400)), true,
                1e-320);
  expectBounded(sci::toBoundedRealFloat<double>(Scientific(1, -325)), false, 0.0);
  expectBounded(sci::toBoundedRealFloat<double>(Scientific(1, 309)), true, inf);
  expectBounded(sci::toBoundedRealFloat<double>(Scientific(0, 99999)), true, 0.0);
  expectBounded(sci::toBoundedRealFloat<double>(Scientific(-25, -325)), true, -5e-324);
  expectBounded(sci::toBoundedRealFloat<double>(Scientific(sciconv_test::pow10(1000), -1300)), true,
                1e-300);
  EXPECT_EQ(sci::toBoundedRealFloat<float>(Scientific(1, 100)),
            (Bounded<float>{true, std::numeric_limits<float>::infinity()}));
  EXPECT_EQ(sci::toBoundedRealFloat<float>(Scientific(1, 325)),
            (Bounded<float>{false, std::numeric_limits<float>::infinity()}));
  EXPECT_EQ(sci::toRealFloat<float>(Scientific(15, -1)), 1.5f);
  EXPECT_EQ(sci::toRealFloat<long double>(Scientific(15, -1)), 1.5L);
  EXPECT_EQ(sci::toRealFloat<long double>(Scientific(1, 4000)), 1e4000L);
  EXPECT_EQ(sci::toRealFloat<long double>(Scientific(1, -4000)), 1e-4000L);
  EXPECT_EQ(sci::toRealFloat<long double>(Scientific(123456789, -4940)), 123456789e-4940L);
  EXPECT_EQ(sci::toBoundedRealFloat<long double>(Scientific(1, 5000)).inRange, false);
  // Exponents from outside are decided without forming their powers.
  const auto start = std::chrono::steady_clock::now();
  expectBounded(sci::toBoundedRealFloat<double>(Scientific(7, kMax)), false, inf);
  expectBounded(sci::toBoundedRealFloat<double>(Scientific(-7, kMin)), false, -0.0);
  EXPECT_EQ(sci::toRealFloat<long double>(Scientific(sciconv_test::pow10(2000), -1000000000)),
            0.0L);
  EXPECT_EQ(sci::toRealFloat<double>(Scientific(sciconv_test::pow10(5000), 300)), inf);
  EXPECT_EQ(sci::toRealFloat<double>(Scientific(sciconv_test::pow10(5000), -5300)), 1e-300);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
}

// The header's one-operation road against the out-of-line conversion and,
// where it applies, a correctly rounding text reader; on both sides of its
// coefficient and exponent limits.
template <class F>
void checkExactOperandsRoad() {
  constexpr int digits = std::numeric_limits<F>::digits;
  // Every word is exact in a type of 64 digits: its edge is only another sample.
  constexpr std::int64_t edge = std::int64_t{1} << std::min(digits, 60);
  constexpr std::int64_t limit = sci::detail::exactPowerOfTenLimit<F>;
  std::vector<std::int64_t> coefficients = {0, 1, -1, 7, -9, 10, 123456789, kMin, kMax, kMin + 1};
  for (const std::int64_t c : {edge - 1, edge, edge + 1, 2 * edge - 1, 2 * edge, 2 * edge + 1, 3 * edge}) {
    coefficients.push_back(c);
    coefficients.push_back(-c);
  }
  std::mt19937_64 rng(21);
  for (int i = 0; i < 40; ++i) {
    const auto c = static_cast<std::int64_t>(rng() >> (1 + rng() % 63));
    coefficients.push_back(i % 2 == 0 ? c : -c);
  }
  std::vector<std::int64_t> exponents = {kMin, kMax, -400, 400, -28, 28};
  for (std::int64_t e = -limit - 1; e <= limit + 1; ++e) exponents.push_back(e);
  for (const std::int64_t c : coefficients) {
    for (const std::int64_t e : exponents) {
      const Scientific s(c, e);
      const Bounded<F> viaHeader = sci::toBoundedRealFloat<F>(s);
      Bounded<F> general;
      if constexpr (std::same_as<F, float>) {
        general = sci::detail::toBoundedFloat(s);
      } else if constexpr (std::same_as<F, double>) {
        general = sci::detail::toBoundedDouble(s);
      } else {
        general = sci::detail::toBoundedLongDouble(s);
      }
      const bool exactOperands = (digits >= 64 || (c >= -edge && c <= edge)) && e >= -limit && e <= limit;
      EXPECT_EQ(sci::detail::exactOperandsNearest<F>(c, e).has_value(), exactOperands) << c << "e" << e;
      EXPECT_EQ(viaHeader.inRange, general.inRange) << c << "e" << e;
      EXPECT_TRUE(viaHeader.value == general.value && std::signbit(viaHeader.value) == std::signbit(general.value))
          << c << "e" << e;
      if constexpr (sizeof(F) <= 8) {
        if (exactOperands) {
          const std::string text = std::to_string(c) + "e" + std::to_string(e);
          F expected{};
          std::from_chars(text.data(), text.data() + text.size(), expected);
          EXPECT_SAME_FLOAT(viaHeader.value, expected) << text;
        }
      }
    }
  }
}

TEST(ConvertTest, ExactOperandsRoadAgreesWithTheGeneralOne) {
  checkExactOperandsRoad<float>();
  checkExactOperandsRoad<double>();
  checkExactOperandsRoad<long double>();
}

// The header's word road (one IEEE operation, or the quick step of the
// power-of-five table, else the out-of-line call) against a correctly
// rounding C reader and the out-of-line word conversion: around the
// exactly held coefficients, the exact powers of ten, the table's ends, the
// subnormals and the range limits, and at and beside halfway points.
template <class F>
void checkHeaderWordRoad() {
  constexpr int digits = std::numeric_limits<F>::digits;
  constexpr std::int64_t edge = std::int64_t{1} << digits;
  std::vector<std::int64_t> coefficients = {1, 9, 10, 99, 123456789, 9999999999999999, 99999999999999999,
                                            999999999999999999, kMax, kMin + 1, kMin};
  for (const std::int64_t c : {edge - 1, edge, edge + 1, 2 * edge - 1, 2 * edge + 1, edge * 10 + 5}) {
    coefficients.push_back(c);
  }
  // Midpoints between neighbours (exact, and one unit either side), where
  // their digits fit a word.
  std::mt19937_64 rng(23);
  std::vector<std::pair<std::int64_t, std::int64_t>> pairs;
  for (int i = 0; i < 300; ++i) {
    const F x = std::ldexp(static_cast<F>(1 + rng() % (std::uint64_t{1} << (digits - 1))) /
                               static_cast<F>(std::uint64_t{1} << (digits - 1)),
                           static_cast<int>(rng() % 80) - 8);
    const auto [mid, exponent] = midpointAbove(x);
    if (mid.size() > 18) continue;
    const std::int64_t c = std::stoll(mid);
    for (const std::int64_t d : {c - 1, c, c + 1}) pairs.emplace_back(d, exponent);
  }
  for (int i = 0; i < 40; ++i) coefficients.push_back(static_cast<std::int64_t>(rng() >> (1 + rng() % 40)));
  std::vector<std::int64_t> exponents = {kMin, kMax, -400, -360, 400, 0, 1, -1};
  for (const std::int64_t e : {-22, 22, -10, 10, -342, 308, -324, 309, -46, 39, -308}) {
    for (std::int64_t k = -2; k <= 2; ++k) exponents.push_back(e + k);
  }
  for (const std::int64_t c : coefficients) {
    for (const std::int64_t e : exponents) pairs.emplace_back(c, e);
  }
  for (const auto& [magnitude, e] : pairs) {
    for (const std::int64_t c : {magnitude, magnitude == kMin ? magnitude : -magnitude}) {
      const Bounded<F> viaHeader = sci::toBoundedRealFloat<F>(Scientific(c, e));
      const Bounded<F> outOfLine = sci::detail::toBoundedWord<F>(c, e);
      EXPECT_EQ(viaHeader.inRange, outOfLine.inRange) << c << "e" << e;
      EXPECT_SAME_FLOAT(viaHeader.value, outOfLine.value) << c << "e" << e;
      if (!viaHeader.inRange) continue;
      const std::string text = std::to_string(c) + "e" + std::to_string(e);
      EXPECT_SAME_FLOAT(viaHeader.value, parseWithC<F>(text)) << text;
    }
  }
}

TEST(ConvertTest, HeaderWordRoadAgreesWithCorrectRounding) {
  checkHeaderWordRoad<float>();
  checkHeaderWordRoad<double>();
}

template <class F>
void checkAgainstC(unsigned seed, int count) {
  DecimalSource<F> source(seed);
  for (int i = 0; i < count; ++i) expectLikeC<F>(source.next());
}

TEST(ConvertTest, ToRealFloatAgreesWithStrtod) { checkAgainstC<double>(9, 120000 / kScale); }
TEST(ConvertTest, ToRealFloatAgreesWithStrtof) { checkAgainstC<float>(10, 120000 / kScale); }

TEST(ConvertTest, HalfwayAndBoundaryCases) {
  // Exact ties go to the even neighbour; a trailing 1 far out breaks them.
  for (const char* text : {"9007199254740993",
                           "9007199254740995",
                           "9007199254740993.000000000000000000001",
                           "2.4703282292062327e-324",
                           "2.4703282292062328e-324",
                           "4.9406564584124654e-324",
                           "2.2250738585072011e-308",
                           "2.2250738585072012e-308",
                           "1.7976931348623157e308",
                           "1.7976931348623158e308",
                           "1.7976931348623159e308",
                           "179769313486231580793728971405301e276",
                           "16777217",
                           "16777219",
                           "3.4028235677973366e38",
                           "3.4028235677973367e38",
                           "7.006492321624085e-46",
                           "1.401298464324817e-45",
                           "7.0064923216240861e-46",
                           "0.1",
                           "1e23",
                           "8.5e-323",
                           "123456789012345678901234567890e-330",
                           "1448997445238699",
                           "4.9406564584124654417656879286822137236505980e-324"}) {
    std::string s(text);
    const std::size_t e = s.find('e');
    std::string mantissa = s.substr(0, e);
    std::int64_t exponent = e == std::string::npos ? 0 : std::stoll(s.substr(e + 1));
    if (const std::size_t point = mantissa.find('.'); point != std::string::npos) {
      exponent -= static_cast<std::int64_t>(mantissa.size() - point - 1);
      mantissa.erase(point, 1);
    }
    for (bool negative : {false, true}) {
      const Decimal d = decimal(mantissa, exponent, negative);
      expectLikeC<double>(d);
      expectLikeC<float>(d);
    }
  }
}

template <class I>
class BoundedIntegerTest : public testing::Test {};

using TenTypes =
    testing::Types<std::int8_t, std::int16_t, std::int32_t, std::int64_t, long long, std::uint8_t,
                   std::uint16_t, std::uint32_t, std::uint64_t, unsigned long long>;
TYPED_TEST_SUITE(BoundedIntegerTest, TenTypes);

template <class I>
mpz_class bigOf(I v) {
  return mpz_class(std::to_string(v), 10);
}

// The oracle: the exact value, an integer within [min, max].
template <class I>
std::optional<I> expectedInteger(const Scientific& s) {
  if (s.coefficient() == 0) return I{0};
  // Test coefficients have under 100 digits: such exponents leave every range.
  if (s.base10Exponent() > 100 || s.base10Exponent() < -100) return std::nullopt;
  const mpq_class v = sciconv_test::exactValue(s);
  if (v.get_den() != 1) return std::nullopt;
  if (v < bigOf(std::numeric_limits<I>::min()) || v > bigOf(std::numeric_limits<I>::max())) {
    return std::nullopt;
  }
  if constexpr (std::is_signed_v<I>) {
    return static_cast<I>(mpz_get_si(v.get_num_mpz_t()));
  } else {
    return static_cast<I>(mpz_get_ui(v.get_num_mpz_t()));
  }
}

TYPED_TEST(BoundedIntegerTest, AgreesWithRangeCheck) {
  using I = TypeParam;
  using limits = std::numeric_limits<I>;
  std::vector<Scientific> cases = {Scientific(0, 400),  Scientific(0, -400),  Scientific(5, 400),
                                   Scientific(1, kMin), Scientific(-1, kMax), Scientific(-1, 0),
                                   Scientific(kMin, 0), Scientific(kMax, 0)};
  // The edges of the range written in several ways.
  for (const mpz_class& edge : {bigOf(limits::min()), bigOf(limits::max())}) {
    for (int delta : {-1, 0, 1}) {
      for (int zeros : {0, 1, 3, 25}) {
        cases.push_back(Scientific(mpz_class((edge + delta) * sciconv_test::pow10(zeros)), -zeros));
      }
    }
  }
  std::mt19937_64 rng(11);
  for (int i = 0; i < 20000 / kScale; ++i) {
    const int digits = std::uniform_int_distribution<int>(1, 25)(rng);
    std::string text;
    for (int d = 0; d < digits; ++d) text.push_back(static_cast<char>('0' + rng() % 10));
    if (rng() % 3 == 0) text.append(rng() % 5, '0');
    mpz_class c(text, 10);
    if (rng() % 2) c = -c;
    cases.push_back(Scientific(c, std::uniform_int_distribution<int>(-25, 25)(rng)));
  }
  for (const Scientific& s : cases) {
    EXPECT_EQ(sci::toBoundedInteger<I>(s), expectedInteger<I>(s))
        << s.coefficient() << "e" << s.base10Exponent();
  }
}

TEST(ConvertTest, ToBoundedIntegerEdges) {
  EXPECT_EQ(sci::toBoundedInteger<std::int8_t>(Scientific(127, 0)), std::int8_t{127});
  EXPECT_EQ(sci::toBoundedInteger<std::int8_t>(Scientific(-128, 0)), std::int8_t{-128});
  EXPECT_EQ(sci::toBoundedInteger<std::int8_t>(Scientific(1271, -1)), std::nullopt);
  EXPECT_EQ(sci::toBoundedInteger<std::int8_t>(Scientific(0, 400)), std::int8_t{0});
  EXPECT_EQ(sci::toBoundedInteger<std::uint64_t>(Scientific(mpz_class("18446744073709551615"), 0)),
            std::numeric_limits<std::uint64_t>::max());
  EXPECT_EQ(sci::toBoundedInteger<std::uint64_t>(Scientific(mpz_class("18446744073709551616"), 0)),
            std::nullopt);
  EXPECT_EQ(sci::toBoundedInteger<std::uint64_t>(Scientific(-1, 0)), std::nullopt);
  EXPECT_EQ(sci::toBoundedInteger<int>(Scientific(2147483647, 0)), 2147483647);
  EXPECT_EQ(sci::toBoundedInteger<bool>(Scientific(10, -1)), true);
  EXPECT_EQ(sci::toBoundedInteger<bool>(Scientific(2, 0)), std::nullopt);
  // No power of ten beyond the coefficient is formed for hostile exponents.
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(sci::toBoundedInteger<std::int64_t>(Scientific(5, kMax)), std::nullopt);
  EXPECT_EQ(sci::toBoundedInteger<std::int64_t>(Scientific(5, kMin)), std::nullopt);
  EXPECT_EQ(sci::toBoundedInteger<std::int64_t>(Scientific(sciconv_test::pow10(50), -1000000000)),
            std::nullopt);
  EXPECT_EQ(sci::toBoundedInteger<std::int64_t>(Scientific(sciconv_test::pow10(50), -48)), 100);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
}

// Integral types beyond 64 bits go through the generic path.
TEST(ConvertTest, ToBoundedIntegerWiderThan64Bits) {
  __extension__ typedef __int128 Int128;
  __extension__ typedef unsigned __int128 UInt128;
  const Int128 max = std::numeric_limits<Int128>::max();
  const Int128 min = std::numeric_limits<Int128>::min();
  const mpz_class two127 = mpz_class(1) << 127;
  EXPECT_EQ(sci::toBoundedInteger<Int128>(Scientific(mpz_class(two127 - 1), 0)), max);
  EXPECT_EQ(sci::toBoundedInteger<Int128>(Scientific(mpz_class(-two127), 0)), min);
  EXPECT_EQ(sci::toBoundedInteger<Int128>(Scientific(two127, 0)), std::nullopt);
  EXPECT_EQ(sci::toBoundedInteger<Int128>(Scientific(-17, 30)),
            Int128{-17} * 1000000000000000 * 1000000000000000);
  EXPECT_EQ(sci::toBoundedInteger<Int128>(Scientific(123450, -1)), Int128{12345});
  EXPECT_EQ(sci::toBoundedInteger<Int128>(Scientific(12345, -3)), std::nullopt);
  EXPECT_EQ(sci::toBoundedInteger<Int128>(Scientific(1, 39)), std::nullopt);
  EXPECT_EQ(sci::toBoundedInteger<UInt128>(Scientific(mpz_class((mpz_class(1) << 128) - 1), 0)),
            std::numeric_limits<UInt128>::max());
  EXPECT_EQ(sci::toBoundedInteger<UInt128>(Scientific(mpz_class(1) << 128, 0)), std::nullopt);
  EXPECT_EQ(sci::toBoundedInteger<UInt128>(Scientific(-1, 0)), std::nullopt);
  EXPECT_EQ(sci::toBoundedInteger<UInt128>(Scientific(0, -5)), UInt128{0});
}

TEST(ConvertTest, FloatingOrInteger) {
  auto a = sci::floatingOrInteger<double, std::int64_t>(Scientific(15, -1));
  EXPECT_EQ(std::get<double>(a), 1.5);
  auto b = sci::floatingOrInteger<double, std::int64_t>(Scientific(150, -1));
  EXPECT_EQ(std::get<std::int64_t>(b), 15);
  auto c = sci::floatingOrInteger<double, std::int64_t>(Scientific(3, 2));
  EXPECT_EQ(std::get<std::int64_t>(c), 300);
  auto big = sci::floatingOrInteger<float, mpz_class>(Scientific(3, 30));
  EXPECT_EQ(std::get<mpz_class>(big), 3 * sciconv_test::pow10(30));
  // Fixed-width targets wrap around like a C++ conversion.
  auto wrapped = sci::floatingOrInteger<double, std::int8_t>(Scientific(300, 0));
  EXPECT_EQ(std::get<std::int8_t>(wrapped), static_cast<std::int8_t>(44));
  auto huge = sci::floatingOrInteger<double, std::uint64_t>(Scientific(1, 20));
  EXPECT_EQ(std::get<std::uint64_t>(huge), 7766279631452241920u);  // 10^20 mod 2^64
  auto bigWrapped = sci::floatingOrInteger<double, std::int64_t>(
      Scientific(mpz_class("-18446744073709551617"), 0));
  EXPECT_EQ(std::get<std::int64_t>(bigWrapped), -1);
  auto tiny = sci::floatingOrInteger<double, std::int64_t>(Scientific(-5, -400));
  EXPECT_SAME_FLOAT(std::get<double>(tiny), -0.0);
}

}  // namespace

namespace {

// The exact relative error of x against s, from rationals.
double rationalError(double x, const Scientific& s) {
  const mpq_class exact = sci::toRational(s);
  mpq_class difference = mpq_class(x) - exact;
  difference.canonicalize();
  return std::fabs(mpq_class(difference / exact).get_d());
}

template <class F>
void expectReportAgrees(const Scientific& s) {
  const sci::FloatConversion<F> r = sci::realFloatConversion<F>(s);
  const F nearest = sci::toRealFloat<F>(s);
  EXPECT_SAME_FLOAT(r.value, nearest);
  if (s.coefficientSign() == 0) {
    EXPECT_EQ(r.outcome, sci::FloatOutcome::Exact);
    return;
  }
  if (std::isinf(nearest)) {
    EXPECT_EQ(r.outcome, sci::FloatOutcome::Overflow) << stored(s);
  } else if (nearest == 0) {
    EXPECT_EQ(r.outcome, sci::FloatOutcome::Underflow) << stored(s);
  } else {
    const double expected = rationalError(static_cast<double>(nearest), s);
    EXPECT_EQ(r.outcome, expected == 0 ? sci::FloatOutcome::Exact : sci::FloatOutcome::Rounded) << stored(s);
    EXPECT_NEAR(r.relativeError, expected, expected * 1e-12) << stored(s);
  }
}

TEST(ConvertTest, ConversionReportAgreesWithExactRationals) {
  std::mt19937_64 rng(21);
  std::vector<Scientific> values = {Scientific(1, -1),  Scientific(25, -1),     Scientific(1, 39),
                                    Scientific(1, -400), Scientific(-5, -324),  Scientific(2, -324),
                                    Scientific(0, 7),    Scientific(16777217, 0), Scientific(kMax, -30),
                                    Scientific(kMin, 5), Scientific(17976931348623157, 292),
                                    Scientific(17976931348623159, 292)};
  for (int i = 0; i < 20000 / kScale; ++i) {
    const int digits = 1 + static_cast<int>(rng() % 30);
    std::string text;
    for (int d = 0; d < digits; ++d) text.push_back(static_cast<char>('0' + rng() % 10));
    mpz_class c(text, 10);
    if (rng() % 2) c = -c;
    values.push_back(Scientific(c, static_cast<std::int64_t>(rng() % 700) - 350 - digits / 2));
  }
  for (const Scientific& s : values) {
    expectReportAgrees<double>(s);
    expectReportAgrees<float>(s);
  }
  const auto header = sci::realFloatConversion<double>(Scientific(1, -1));
  EXPECT_EQ(header.outcome, sci::FloatOutcome::Rounded);
  EXPECT_NEAR(header.relativeError, 5.551115123125783e-17, 1e-30);
  EXPECT_EQ(sci::realFloatConversion<float>(Scientific(1, 39)).outcome, sci::FloatOutcome::Overflow);
  EXPECT_EQ(sci::realFloatConversion<double>(Scientific(1, -1000000000)).outcome, sci::FloatOutcome::Underflow);
}

// A coefficient of thousands of digits is cut before the exact comparison;
// the cut must keep a value just above a midpoint above it, and a value on
// the midpoint on it.
TEST(ConvertTest, ConversionReportOfLongCoefficients) {
  const std::string midpoint = "9007199254740993";  // halfway between two doubles
  const std::string zeros(3000, '0');
  const Scientific above(mpz_class(midpoint + zeros + "1"), -3001);
  const auto up = sci::realFloatConversion<double>(above);
  EXPECT_EQ(up.value, 9007199254740994.0);
  EXPECT_EQ(up.outcome, sci::FloatOutcome::Rounded);
  EXPECT_NEAR(up.relativeError, 1.0 / 9007199254740993.0, 1e-25);
  const Scientific on(mpz_class(midpoint + zeros), -3000);
  const auto even = sci::realFloatConversion<double>(on);
  EXPECT_EQ(even.value, 9007199254740992.0);
  EXPECT_NEAR(even.relativeError, 1.0 / 9007199254740993.0, 1e-25);
  EXPECT_EQ(sci::realFloatConversion<double>(Scientific(mpz_class("5" + zeros), -3001)).outcome,
            sci::FloatOutcome::Exact);  // 0.5
  EXPECT_EQ(sci::realFloatConversion<double>(Scientific(mpz_class("1" + zeros), -3001)).outcome,
            sci::FloatOutcome::Rounded);  // 0.1

  // A million digits: a few large GMP operations, not a quadratic walk.
  const Scientific third(mpz_class(std::string(1000000, '3')), -1000000);
  const auto start = std::chrono::steady_clock::now();
  const auto r = sci::realFloatConversion<double>(third);
  EXPECT_EQ(r.value, 1.0 / 3.0);
  EXPECT_EQ(r.outcome, sci::FloatOutcome::Rounded);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
}

}  // namespace
