#include "scientific/rational.hpp"

#include <gtest/gtest.h>

#include <chrono>
#include <limits>
#include <map>
#include <random>
#include <stdexcept>

#include "base/error.hpp"
#include "scientific/sciconv_test_support.hpp"

namespace {

using quire::scientific::LimitedExpansion;
using quire::scientific::LimitReached;
using quire::scientific::RepetendExpansion;
using quire::scientific::Scientific;
using sciconv_test::stored;
namespace sci = quire::scientific;

constexpr const char* kRepeating =
    "fromRational has been applied to a repeating decimal which can't be represented as a "
    "Scientific! It's better to avoid performing fractional operations on Scientifics and "
    "convert them to other fractional types like Double as early as possible.";

mpq_class q(long n, long d) {
  mpq_class x(n, d);
  x.canonicalize();
  return x;
}

// The long division with a table of remainders, step by step: the
// independent model the analytic expansion is checked against.
struct Reference {
  bool limitReached = false;
  Scientific value;
  std::optional<std::int64_t> index;
  mpq_class remainder;
};

Reference referenceExpansion(const mpq_class& x, std::optional<std::int64_t> limit) {
  const bool negative = sgn(x) < 0;
  const mpz_class d = x.get_den();
  mpz_class n = abs(x.get_num());
  mpz_class c = 0;
  std::int64_t e = 0;
  std::map<mpz_class, std::int64_t> seen;
  Reference r;
  for (;;) {
    if (n == 0) break;
    if (auto it = seen.find(n); it != seen.end()) {
      r.index = -it->second;
      break;
    }
    if (limit && e <= -*limit) {
      r.limitReached = true;
      r.remainder = mpq_class(n, d * sciconv_test::pow10(static_cast<std::uint64_t>(-e)));
      r.remainder.canonicalize();
      if (negative) r.remainder = -r.remainder;
      break;
    }
    if (n < d) {
      seen[n] = e;
      c *= 10;
      --e;
      n *= 10;
    } else {
      c += n / d;
      n %= d;
    }
  }
  r.value = Scientific(negative ? mpz_class(-c) : c, e);
  return r;
}

void expectSame(const LimitedExpansion& got, const Reference& want, const mpq_class& x) {
  SCOPED_TRACE(x.get_str());
  ASSERT_EQ(std::holds_alternative<LimitReached>(got), want.limitReached);
  if (want.limitReached) {
    const auto& l = std::get<LimitReached>(got);
    EXPECT_EQ(stored(l.value), stored(want.value));
    EXPECT_EQ(l.remainder, want.remainder);
  } else {
    const auto& u = std::get<RepetendExpansion>(got);
    EXPECT_EQ(stored(u.value), stored(want.value));
    EXPECT_EQ(u.repetendIndex, want.index);
  }
}

TEST(RationalTest, HeaderExample) {
  RepetendExpansion x = sci::fromRationalRepetendUnlimited(q(1, 6));
  EXPECT_EQ(stored(x.value), stored("16", -2));
  EXPECT_EQ(x.repetendIndex, 1);
  auto limited = sci::fromRationalRepetendLimited(2, q(1, 7));
  EXPECT_EQ(stored(std::get<LimitReached>(limited).value), stored("10", -2));
  EXPECT_EQ(std::get<LimitReached>(limited).remainder, q(3, 70));
  EXPECT_EQ(sci::toRationalRepetend(Scientific(3, -1), 0), q(1, 3));
  EXPECT_EQ(stored(Scientific(1, 0) / Scientific(8, 0)), stored("125", -3));
}

TEST(RationalTest, UnlimitedExpansion) {
  const auto check = [](const mpq_class& x, const char* c, std::int64_t e,
                        std::optional<std::int64_t> index) {
    RepetendExpansion r = sci::fromRationalRepetendUnlimited(x);
    EXPECT_EQ(stored(r.value), stored(c, e)) << x;
    EXPECT_EQ(r.repetendIndex, index) << x;
  };
  check(q(1, 3), "3", -1, 0);
  check(q(1, 6), "16", -2, 1);
  check(q(7, 2), "35", -1, std::nullopt);
  check(q(-1, 3), "-3", -1, 0);
  check(q(0, 1), "0", 0, std::nullopt);
  check(q(22, 7), "3142857", -6, 0);
  check(q(100, 1), "100", 0, std::nullopt);
  check(q(1, 7), "142857", -6, 0);
  // A denominator well beyond a machine word: 1 / (3 × 2^70).
  mpq_class big(mpz_class(1), mpz_class(3) << 70);
  RepetendExpansion r = sci::fromRationalRepetendUnlimited(big);
  EXPECT_EQ(r.repetendIndex, 70);
  EXPECT_EQ(r.value.base10Exponent(), -71);
}

TEST(RationalTest, LimitedExpansion) {
  const auto unlimited = [](const LimitedExpansion& r) { return std::get<RepetendExpansion>(r); };
  const auto reached = [](const LimitedExpansion& r) { return std::get<LimitReached>(r); };
  EXPECT_EQ(stored(unlimited(sci::fromRationalRepetendLimited(2, q(1, 3))).value), stored("3", -1));
  EXPECT_EQ(unlimited(sci::fromRationalRepetendLimited(2, q(1, 3))).repetendIndex, 0);
  EXPECT_EQ(stored(reached(sci::fromRationalRepetendLimited(2, q(1, 7))).value), stored("10", -2));
  EXPECT_EQ(reached(sci::fromRationalRepetendLimited(2, q(1, 7))).remainder, q(3, 70));
  EXPECT_EQ(stored(reached(sci::fromRationalRepetendLimited(2, q(1, 4))).value), stored("20", -2));
  EXPECT_EQ(reached(sci::fromRationalRepetendLimited(2, q(1, 4))).remainder, q(1, 20));
  EXPECT_EQ(stored(unlimited(sci::fromRationalRepetendLimited(3, q(1, 4))).value),
            stored("25", -2));
  EXPECT_EQ(stored(reached(sci::fromRationalRepetendLimited(0, q(7, 2))).value), stored("0", 0));
  EXPECT_EQ(reached(sci::fromRationalRepetendLimited(0, q(7, 2))).remainder, q(7, 2));
  EXPECT_EQ(stored(reached(sci::fromRationalRepetendLimited(1, q(7, 2))).value), stored("30", -1));
  EXPECT_EQ(reached(sci::fromRationalRepetendLimited(1, q(7, 2))).remainder, q(1, 2));
  EXPECT_EQ(reached(sci::fromRationalRepetendLimited(-5, q(7, 2))).remainder, q(7, 2));
  EXPECT_EQ(reached(sci::fromRationalRepetendLimited(1, q(-7, 2))).remainder, q(-1, 2));
  for (std::int64_t limit : {-3, 0, 1, 9}) {
    EXPECT_EQ(stored(unlimited(sci::fromRationalRepetendLimited(limit, q(0, 1))).value),
              stored("0", 0));
  }
  auto none = sci::fromRationalRepetend(std::nullopt, q(1, 7));
  EXPECT_EQ(stored(unlimited(none).value), stored("142857", -6));
  EXPECT_EQ(unlimited(none).repetendIndex, 0);
}

TEST(RationalTest, AgreesWithStepByStepLongDivision) {
  std::mt19937_64 rng(4);
  std::uniform_int_distribution<long> num(-2000, 2000), den(1, 400), limit(-2, 30);
  for (int i = 0; i < 3000; ++i) {
    const mpq_class x = q(num(rng), den(rng));
    const std::int64_t l = limit(rng);
    expectSame(sci::fromRationalRepetendLimited(l, x), referenceExpansion(x, l), x);
    expectSame(sci::fromRationalRepetendUnlimited(x), referenceExpansion(x, std::nullopt), x);
  }
  // Limits landing exactly where a period closes, with and without a 0 digit
  // there (1/11 = 0.0909..., 1/101 = 0.00990099...).
  for (long d : {11, 101, 41, 27, 7, 13, 303}) {
    for (std::int64_t l = 1; l < 12; ++l) {
      const mpq_class x = q(1, d);
      expectSame(sci::fromRationalRepetendLimited(l, x), referenceExpansion(x, l), x);
    }
  }
}

TEST(RationalTest, ToRationalRepetend) {
  EXPECT_EQ(sci::toRationalRepetend(Scientific(3, -1), 0), q(1, 3));
  EXPECT_EQ(sci::toRationalRepetend(Scientific(142857, -6), 0), q(1, 7));
  EXPECT_EQ(sci::toRationalRepetend(Scientific(16, -2), 1), q(1, 6));
  EXPECT_EQ(sci::toRationalRepetend(Scientific(-3, -1), 0), q(-1, 3));
  try {
    (void)sci::toRationalRepetend(Scientific(16, -2), 2);
    FAIL();
  } catch (const quire::Error& e) {
    EXPECT_STREQ(e.what(),
                 "toRationalRepetend: Repetend index >= than number of digits in the fractional "
                 "part!");
  }
  try {
    (void)sci::toRationalRepetend(Scientific(16, -2), -1);
    FAIL();
  } catch (const quire::Error& e) {
    EXPECT_STREQ(e.what(), "toRationalRepetend: Negative repetend index!");
  }
  EXPECT_THROW((void)sci::toRationalRepetend(Scientific(16, 3), 0), quire::Error);
  EXPECT_THROW(
      (void)sci::toRationalRepetend(Scientific(1, std::numeric_limits<std::int64_t>::min()), 0),
      quire::Error);  // 10^(2^63) is refused, not attempted
  // Every expansion converts back to its rational.
  std::mt19937_64 rng(5);
  std::uniform_int_distribution<long> num(-5000, 5000), den(1, 700);
  for (int i = 0; i < 500; ++i) {
    const mpq_class x = q(num(rng), den(rng));
    RepetendExpansion r = sci::fromRationalRepetendUnlimited(x);
    EXPECT_EQ(r.repetendIndex ? sci::toRationalRepetend(r.value, *r.repetendIndex)
                              : sciconv_test::exactValue(r.value),
              x);
  }
}

TEST(RationalTest, FromRational) {
  EXPECT_EQ(stored(sci::fromRational(q(7, 2))), stored("35", -1));
  EXPECT_EQ(stored(sci::fromRational(q(-1, 8))), stored("-125", -3));
  EXPECT_EQ(stored(sci::fromRational(q(1200, 1))), stored("1200", 0));
  EXPECT_EQ(stored(sci::unsafeFromRational(q(3, 40))), stored("75", -3));
  try {
    (void)sci::fromRational(q(1, 3));
    FAIL();
  } catch (const quire::Error& e) {
    EXPECT_STREQ(e.what(), kRepeating);
  }
  // A repeating input to the unchecked form is reported, not expanded forever.
  EXPECT_THROW((void)sci::unsafeFromRational(q(2, 3)), quire::Error);
  // 1/p for a large prime p is refused at once, without looking for its period.
  mpq_class prime(mpz_class(1), mpz_class("170141183460469231731687303715884105727"));
  EXPECT_THROW((void)sci::fromRational(prime), quire::Error);
  // A non-canonical rational means the same number.
  mpq_class raw;
  mpz_set_si(mpq_numref(raw.get_mpq_t()), 6);
  mpz_set_si(mpq_denref(raw.get_mpq_t()), -8);
  EXPECT_EQ(stored(sci::fromRational(raw)), stored("-75", -2));
}

TEST(RationalTest, ZeroDenominatorIsDivideByZero) {
  mpq_class bad;
  mpz_set_si(mpq_numref(bad.get_mpq_t()), 1);
  mpz_set_si(mpq_denref(bad.get_mpq_t()), 0);
  const auto expectDivideByZero = [](auto&& f) {
    try {
      f();
      FAIL();
    } catch (const std::domain_error& e) {
      EXPECT_STREQ(e.what(), "divide by zero");
    }
  };
  expectDivideByZero([&] { (void)sci::fromRationalRepetendUnlimited(bad); });
  expectDivideByZero([&] { (void)sci::fromRationalRepetendLimited(3, bad); });
  expectDivideByZero([&] { (void)sci::fromRationalRepetend(std::nullopt, bad); });
  expectDivideByZero([&] { (void)sci::unsafeFromRational(bad); });
  expectDivideByZero([&] { (void)sci::fromRational(bad); });
}

TEST(RationalTest, Division) {
  EXPECT_EQ(stored(Scientific(1, 0) / Scientific(4, 0)), stored("25", -2));
  EXPECT_EQ(stored(Scientific(6, 2) / Scientific(3, 0)), stored("200", 0));
  EXPECT_EQ(stored(Scientific(1, 0) / Scientific(8, 0)), stored("125", -3));
  EXPECT_EQ(stored(Scientific(-3, 0) / Scientific(-12, 1)), stored("25", -3));
  EXPECT_EQ(stored(Scientific(0, 7) / Scientific(-5, 3)), stored("0", 0));
  EXPECT_EQ(stored(Scientific(1200, 0) / Scientific(1, 1)), stored("120", 0));
  EXPECT_EQ(stored(Scientific(1200, 0) / Scientific(1, 4)), stored("12", -2));
  EXPECT_EQ(stored(sci::recip(Scientific(-8, 0))), stored("-125", -3));
  EXPECT_EQ(stored(sci::recip(Scientific(5, -1))), stored("2", 0));
  try {
    (void)(Scientific(1, 0) / Scientific(3, 0));
    FAIL();
  } catch (const quire::Error& e) {
    EXPECT_STREQ(e.what(), kRepeating);
  }
  for (const Scientific& zero : {Scientific(0, 0), Scientific(0, -9)}) {
    try {
      (void)(Scientific(1, 0) / zero);
      FAIL();
    } catch (const std::domain_error& e) {
      EXPECT_STREQ(e.what(), "Ratio has zero denominator");
    }
    EXPECT_THROW((void)sci::recip(zero), std::domain_error);
  }
  // Agrees with fromRational of the exact quotient.
  std::mt19937_64 rng(6);
  std::uniform_int_distribution<long> coefficient(-100000, 100000), exponent(-12, 12);
  const long dens[] = {1, 2, 4, 5, 8, 16, 20, 25, 40, 125, 160, 3, 7};
  for (int i = 0; i < 2000; ++i) {
    const Scientific a(coefficient(rng), exponent(rng));
    const Scientific b(
        dens[rng() % std::size(dens)] * (rng() % 2 ? 1 : -1) * (rng() % 3 == 0 ? 1000 : 1),
        exponent(rng));
    const mpq_class exact = sciconv_test::exactValue(a) / sciconv_test::exactValue(b);
    try {
      const Scientific want = sci::fromRational(exact);
      EXPECT_EQ(stored(a / b), stored(want)) << a.coefficient() << "e" << a.base10Exponent();
    } catch (const quire::Error&) {
      EXPECT_THROW((void)(a / b), quire::Error);
    }
  }
}

TEST(RationalTest, DivisionNeverFormsTheExponentsPower) {
  constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();
  constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(stored(Scientific(1, -1000000000000) / Scientific(4, 0)), stored("25", -1000000000002));
  EXPECT_EQ(stored(Scientific(3, kMin + 5) / Scientific(2, 0)), stored("15", kMin + 4));
  EXPECT_EQ(stored(sci::recip(Scientific(2, kMax))), stored("5", kMin));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  // A quotient whose exponent leaves the 64-bit range is an error, and an
  // integer quotient needing 10^(2^62) is refused.
  EXPECT_THROW((void)(Scientific(1, kMin) / Scientific(2, 0)), quire::Error);
  EXPECT_THROW((void)(Scientific(1, kMin) / Scientific(1, 1)), quire::Error);
  EXPECT_THROW((void)(Scientific(1, kMax / 2) / Scientific(1, -kMax / 2)), quire::Error);
}

}  // namespace
