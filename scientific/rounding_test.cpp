#include "scientific/rounding.hpp"

#include <gtest/gtest.h>

#include <limits>
#include <random>

#include "base/error.hpp"

namespace {

using quire::scientific::Scientific;
namespace sci = quire::scientific;

mpz_class pow10(unsigned long e) {
  mpz_class p;
  mpz_ui_pow_ui(p.get_mpz_t(), 10, e);
  return p;
}

// Oracle: the value as an exact fraction and the four roundings of it,
// computed with GMP's own division.
struct Expected {
  mpz_class truncated, rounded, ceiling, floor;
};

Expected oracle(const Scientific& s) {
  mpz_class num = s.coefficient();
  mpz_class den = 1;
  if (s.base10Exponent() >= 0) {
    num *= pow10(static_cast<unsigned long>(s.base10Exponent()));
  } else {
    den = pow10(static_cast<unsigned long>(-s.base10Exponent()));
  }
  Expected e;
  mpz_tdiv_q(e.truncated.get_mpz_t(), num.get_mpz_t(), den.get_mpz_t());
  mpz_cdiv_q(e.ceiling.get_mpz_t(), num.get_mpz_t(), den.get_mpz_t());
  mpz_fdiv_q(e.floor.get_mpz_t(), num.get_mpz_t(), den.get_mpz_t());
  // Nearest, halves to even: compare 2 × (value - floor) with 1.
  mpz_class twiceRest = 2 * (num - e.floor * den);
  int side = cmp(twiceRest, den);
  e.rounded = side < 0 || (side == 0 && mpz_even_p(e.floor.get_mpz_t())) ? e.floor : mpz_class(e.floor + 1);
  return e;
}

// x mod 2^64 as the wrapped value of a fixed-width type.
template <class R>
R wrap(const mpz_class& x) {
  mpz_class m = x % (mpz_class(1) << 64);
  if (m < 0) m += mpz_class(1) << 64;
  return static_cast<R>(static_cast<std::uint64_t>(m.get_ui()));
}

TEST(RoundingTest, HeaderExample) {
  EXPECT_EQ(sci::round<int>(Scientific(25, -1)), 2);
  EXPECT_EQ(sci::round<int>(Scientific(-35, -1)), -4);
  EXPECT_EQ(sci::floor(Scientific(-1, -400)), -1);
  EXPECT_EQ(sci::ceiling<long>(Scientific(1, -400)), 1);
  EXPECT_EQ(sci::truncate<std::uint8_t>(Scientific(3, 2)), 44);
  auto [whole, fraction] = sci::properFraction<int>(Scientific(-375, -2));
  EXPECT_EQ(whole, -3);
  EXPECT_EQ(fraction.coefficient(), -75);
  EXPECT_EQ(fraction.base10Exponent(), -2);
}

TEST(RoundingTest, EdgeCases) {
  Scientific tiny(1, -400);
  Scientific negativeTiny(-1, -400);
  EXPECT_EQ(sci::floor(negativeTiny), -1);
  EXPECT_EQ(sci::ceiling(tiny), 1);
  EXPECT_EQ(sci::ceiling(negativeTiny), 0);
  EXPECT_EQ(sci::floor(tiny), 0);
  EXPECT_EQ(sci::truncate(tiny), 0);
  EXPECT_EQ(sci::round(tiny), 0);

  EXPECT_EQ(sci::round<int>(Scientific(5, -1)), 0);
  EXPECT_EQ(sci::round<int>(Scientific(15, -1)), 2);
  EXPECT_EQ(sci::round<int>(Scientific(25, -1)), 2);
  EXPECT_EQ(sci::round<int>(Scientific(-25, -1)), -2);
  EXPECT_EQ(sci::round<int>(Scientific(-35, -1)), -4);
  EXPECT_EQ(sci::round<int>(Scientific(2500000001, -9)), 3);
  EXPECT_EQ(sci::round<int>(Scientific(-5, -1)), 0);

  auto pf = sci::properFraction(Scientific(-375, -2));
  EXPECT_EQ(pf.integral, -3);
  EXPECT_EQ(pf.fraction.coefficient(), -75);
  auto pfTiny = sci::properFraction<std::int64_t>(tiny);
  EXPECT_EQ(pfTiny.integral, 0);
  EXPECT_EQ(pfTiny.fraction.coefficient(), 1);
  EXPECT_EQ(pfTiny.fraction.base10Exponent(), -400);
  auto pfWhole = sci::properFraction(Scientific(12, 3));
  EXPECT_EQ(pfWhole.integral, 12000);
  EXPECT_EQ(pfWhole.fraction.coefficient(), 0);
  EXPECT_EQ(pfWhole.fraction.base10Exponent(), 0);

  // The word boundary: |c| < 10^19 but twice it is not.
  constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();
  EXPECT_EQ(sci::round<std::int64_t>(Scientific(kMin, -19)), -1);
  EXPECT_EQ(sci::round<std::int64_t>(Scientific(5000000000000000000, -19)), 0);
  EXPECT_EQ(sci::round<std::int64_t>(Scientific(5000000000000000001, -19)), 1);
  EXPECT_EQ(sci::floor<std::int64_t>(Scientific(kMin, -20)), -1);
  EXPECT_EQ(sci::round(Scientific(mpz_class(5) * pow10(30), -31)), 0);
  EXPECT_EQ(sci::round(Scientific(mpz_class(15) * pow10(30), -31)), 2);
}

TEST(RoundingTest, FixedWidthResultsWrapAround) {
  EXPECT_EQ(sci::truncate<std::int8_t>(Scientific(200, 0)), static_cast<std::int8_t>(200));
  EXPECT_EQ(sci::floor<std::uint16_t>(Scientific(-1, 0)), 65535);
  EXPECT_EQ(sci::round<std::int64_t>(Scientific(mpz_class(1) << 64, 0)), 0);
  EXPECT_EQ(sci::ceiling<std::uint32_t>(Scientific((mpz_class(1) << 40) + 5, -1)),
            static_cast<std::uint32_t>(((std::uint64_t{1} << 40) + 5 + 9) / 10));
  EXPECT_EQ(sci::truncate<std::int32_t>(Scientific(1, 10)), static_cast<std::int32_t>(10000000000LL));
}

// These would have to form 10^(4·10^18) or 10^(10^15) if a guard broke.
TEST(RoundingTest, HugeExponentsAnswerAtOnce) {
  Scientific huge(1, 4000000000000000000);
  Scientific tiny(1, -4000000000000000000);
  Scientific negativeTiny(-123, -1000000000000000);
  // Fixed-width: 10^e mod 2^64 is 0 for e >= 64.
  EXPECT_EQ(sci::floor<std::int64_t>(huge), 0);
  EXPECT_EQ(sci::ceiling<std::int64_t>(huge), 0);
  EXPECT_EQ(sci::round<std::uint64_t>(huge), 0u);
  EXPECT_EQ(sci::truncate<int>(huge), 0);
  EXPECT_EQ(sci::properFraction<int>(huge).integral, 0);
  // Arbitrary precision cannot hold 10^(4·10^18): a clear error, no abort.
  EXPECT_THROW((void)sci::floor(huge), quire::Error);
  EXPECT_THROW((void)sci::properFraction(huge), quire::Error);
  try {
    (void)sci::round(huge);
  } catch (const quire::Error& e) {
    EXPECT_EQ(std::string(e.what()).rfind("round: 10^4000000000000000000 exceeds", 0), 0u) << e.what();
  }

  EXPECT_EQ(sci::floor(tiny), 0);
  EXPECT_EQ(sci::ceiling(tiny), 1);
  EXPECT_EQ(sci::round(tiny), 0);
  EXPECT_EQ(sci::truncate(tiny), 0);
  EXPECT_EQ(sci::properFraction(tiny).fraction.base10Exponent(), -4000000000000000000);
  EXPECT_EQ(sci::floor<int>(negativeTiny), -1);
  EXPECT_EQ(sci::ceiling<int>(negativeTiny), 0);
  EXPECT_EQ(sci::round<int>(negativeTiny), 0);
  EXPECT_EQ(sci::truncate<int>(negativeTiny), 0);
  EXPECT_EQ(sci::properFraction<int>(negativeTiny).fraction.coefficient(), -123);
  Scientific wideTiny(mpz_class(7) * pow10(200), -4000000000000000000);
  EXPECT_EQ(sci::floor(wideTiny), 0);
  EXPECT_EQ(sci::ceiling(-wideTiny), 0);
  EXPECT_EQ(sci::floor<std::int8_t>(-wideTiny), -1);
}

template <class R>
class RoundingTypedTest : public ::testing::Test {};
using ResultTypes = ::testing::Types<std::int8_t, std::uint8_t, std::int16_t, std::uint16_t, std::int32_t,
                                     std::uint32_t, std::int64_t, std::uint64_t, long long, mpz_class>;
TYPED_TEST_SUITE(RoundingTypedTest, ResultTypes);

// Random values in both representations against the GMP division oracle,
// wrapped for fixed-width types.
TYPED_TEST(RoundingTypedTest, AgreesWithDivisionOracle) {
  using R = TypeParam;
  auto as = [](const mpz_class& x) {
    if constexpr (std::is_same_v<R, mpz_class>) {
      return x;
    } else {
      return wrap<R>(x);
    }
  };
  std::mt19937_64 rng(1234);
  for (int i = 0; i < 4000; ++i) {
    std::int64_t e = std::uniform_int_distribution<std::int64_t>(-25, 25)(rng);
    mpz_class c;
    if (i % 3 == 0) {
      int digits = std::uniform_int_distribution<int>(19, 45)(rng);
      std::string text(1, '1' + static_cast<char>(i % 9));
      for (int d = 1; d < digits; ++d) text += static_cast<char>('0' + (rng() % 10));
      c = mpz_class(text);
    } else {
      c = static_cast<long>(rng() >> (rng() % 64));
    }
    if (i % 2 == 1) c = -c;
    if (i % 7 == 0) c = c / 1000 * 1000 + 500;  // exact halves are common
    Scientific s(c, e);
    Expected expected = oracle(s);
    ASSERT_EQ(sci::truncate<R>(s), as(expected.truncated)) << c << "e" << e;
    ASSERT_EQ(sci::round<R>(s), as(expected.rounded)) << c << "e" << e;
    ASSERT_EQ(sci::ceiling<R>(s), as(expected.ceiling)) << c << "e" << e;
    ASSERT_EQ(sci::floor<R>(s), as(expected.floor)) << c << "e" << e;
    auto pf = sci::properFraction<R>(s);
    ASSERT_EQ(pf.integral, as(expected.truncated));
    // integral + fraction is the value, and the fraction lies strictly within (-1, 1).
    mpq_class fraction = sci::toRational(pf.fraction);
    ASSERT_EQ(mpq_class(expected.truncated) + fraction, sci::toRational(s));
    ASSERT_LT(abs(fraction), 1);
  }
}

}  // namespace
