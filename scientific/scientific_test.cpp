#include "scientific/scientific.hpp"

#include <gtest/gtest.h>

#include <limits>
#include <random>
#include <thread>
#include <unordered_set>
#include <vector>

#include "base/error.hpp"

namespace {

using quire::scientific::Scientific;
namespace sci = quire::scientific;

constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();

mpz_class pow10(unsigned long e) {
  mpz_class p;
  mpz_ui_pow_ui(p.get_mpz_t(), 10, e);
  return p;
}

// The exact value, computed independently of the library.
mpq_class exact(const Scientific& s) {
  mpz_class c = s.coefficient();
  std::int64_t e = s.base10Exponent();
  if (e >= 0) return mpq_class(c * pow10(static_cast<unsigned long>(e)));
  mpq_class q(c, pow10(static_cast<unsigned long>(-e)));
  q.canonicalize();
  return q;
}

void expectStored(const Scientific& s, const mpz_class& c, std::int64_t e) {
  EXPECT_EQ(s.coefficient(), c);
  EXPECT_EQ(s.base10Exponent(), e);
}

// Values that exercise both representations: word coefficients of every
// size (often with trailing zeros) and coefficients of up to 60 digits.
class RandomValues {
 public:
  explicit RandomValues(unsigned seed) : rng_(seed) {}
  Scientific next(int exponentSpread = 30) {
    std::int64_t e = std::uniform_int_distribution<std::int64_t>(-exponentSpread, exponentSpread)(rng_);
    int kind = std::uniform_int_distribution<int>(0, 9)(rng_);
    if (kind < 7) {
      int digits = std::uniform_int_distribution<int>(0, 18)(rng_);
      std::int64_t limit = 1;
      for (int i = 0; i < digits; ++i) limit *= 10;
      std::int64_t c = std::uniform_int_distribution<std::int64_t>(-limit, limit)(rng_);
      if (kind == 0 && c % 7 == 0) c = kMin;
      if (kind == 1 && std::abs(c) < kMax / 1000) c *= 1000;
      return Scientific(c, e);
    }
    int digits = std::uniform_int_distribution<int>(1, 60)(rng_);
    std::string text;
    text += "123456789"[std::uniform_int_distribution<int>(0, 8)(rng_)];
    for (int i = 1; i < digits; ++i) text += static_cast<char>('0' + std::uniform_int_distribution<int>(0, 9)(rng_));
    if (kind == 9) text += "0000";
    mpz_class c(text);
    if (std::uniform_int_distribution<int>(0, 1)(rng_) == 1) c = -c;
    return Scientific(c, e);
  }

 private:
  std::mt19937_64 rng_;
};

TEST(ScientificTest, HeaderExample) {
  Scientific a(1, 2);
  Scientific b(100, 0);
  EXPECT_TRUE(a == b);
  Scientific c = a + Scientific(5, 0);
  expectStored(c, 105, 0);
  expectStored(sci::normalize(Scientific(-1200, -1)), -12, 1);
  EXPECT_TRUE(sci::isInteger(Scientific(120, -1)));
}

TEST(ScientificTest, StoresExactlyWhatWasBuilt) {
  expectStored(Scientific(), 0, 0);
  expectStored(sci::scientific(100, 0), 100, 0);
  expectStored(sci::scientific(1, 2), 1, 2);
  expectStored(Scientific(0, 5), 0, 5);

  // Coefficients that fit a word are inline, whichever constructor built them.
  Scientific fromMpz(mpz_class(kMin), -3);
  EXPECT_TRUE(fromMpz.hasSmallCoefficient());
  EXPECT_EQ(fromMpz.smallCoefficient(), kMin);

  mpz_class big = mpz_class(kMax) + 1;
  Scientific wide(big, 7);
  EXPECT_FALSE(wide.hasSmallCoefficient());
  EXPECT_EQ(wide.bigCoefficient(), big);
  expectStored(wide, big, 7);

  // Unsigned words above INT64_MAX keep their value.
  Scientific unsignedMax(std::numeric_limits<std::uint64_t>::max(), 0);
  EXPECT_EQ(unsignedMax.coefficient(), mpz_class("18446744073709551615"));
  expectStored(Scientific(std::int8_t{-5}, 1), -5, 1);

  // Copies share; moves leave zero behind; both keep the value.
  Scientific copy = wide;
  Scientific moved = std::move(copy);
  expectStored(moved, big, 7);
  expectStored(wide, big, 7);
  copy = moved;
  expectStored(copy, big, 7);
}

TEST(ScientificTest, Normalize) {
  expectStored(sci::normalize(Scientific(-1200, -1)), -12, 1);
  expectStored(sci::normalize(Scientific(0, 9)), 0, 0);
  expectStored(sci::normalize(Scientific(0, -9)), 0, 0);
  expectStored(sci::normalize(Scientific(7, 3)), 7, 3);
  expectStored(sci::normalize(Scientific(kMin, 0)), kMin, 0);
  // A wide coefficient with trailing zeros becomes a word.
  Scientific wide(mpz_class(123) * pow10(40), -5);
  Scientific n = sci::normalize(wide);
  EXPECT_TRUE(n.hasSmallCoefficient());
  expectStored(n, 123, 35);
  expectStored(sci::normalize(Scientific(mpz_class(-7) * pow10(400) + 3 * pow10(380), 0)),
               mpz_class(-7) * pow10(20) + 3, 380);
  // The exponent cannot pass INT64_MAX.
  EXPECT_THROW((void)sci::normalize(Scientific(10, kMax)), quire::Error);
  expectStored(sci::normalize(Scientific(10, kMax - 1)), 1, kMax);
}

TEST(ScientificTest, EqualityAndHashIgnoreRepresentation) {
  EXPECT_EQ(Scientific(100, 0), Scientific(1, 2));
  EXPECT_EQ(sci::hash(Scientific(100, 0)), sci::hash(Scientific(1, 2)));
  EXPECT_EQ(Scientific(0, 5), Scientific(0, -3));
  EXPECT_EQ(sci::hash(Scientific(0, 5)), sci::hash(Scientific(0, -3)));
  EXPECT_NE(Scientific(1, 2), Scientific(1, 3));
  EXPECT_NE(Scientific(-1, 2), Scientific(1, 2));

  // A wide coefficient equal to a word one after normalisation.
  Scientific wide(mpz_class(5) * pow10(30), -30);
  EXPECT_EQ(wide, Scientific(5, 0));
  EXPECT_EQ(sci::hash(wide), sci::hash(Scientific(50, -1)));
  Scientific wideNegative(mpz_class(-123456789) * pow10(40) * pow10(5), 2);
  EXPECT_EQ(wideNegative, Scientific(mpz_class(-123456789) * pow10(40), 7));
  EXPECT_EQ(sci::hash(wideNegative), sci::hash(Scientific(mpz_class(-123456789) * pow10(40), 7)));

  // The word mixing of the normalised form, with the default salt.
  std::uint64_t expected = quire::hash::mixWord(quire::hash::mixWord(quire::hash::defaultSalt, 1), 2);
  EXPECT_EQ(sci::hash(Scientific(100, 0)), expected);
  EXPECT_EQ(sci::hashWithSalt(7, Scientific(-30, 0)),
            quire::hash::mixWord(quire::hash::mixWord(7, static_cast<std::uint64_t>(-3)), 1));
  EXPECT_EQ(std::hash<Scientific>{}(Scientific(100, 0)), expected);

  // A coefficient beyond a word: its limbs' bytes, least significant first,
  // then the limb count, negated for a negative value, then the exponent.
  mpz_class twoLimbs = (mpz_class(0x0102030405060708UL) << 64) + 0x1112131415161719UL;
  std::uint64_t h = quire::hash::defaultSalt;
  for (unsigned char b : {0x19, 0x17, 0x16, 0x15, 0x14, 0x13, 0x12, 0x11, 8, 7, 6, 5, 4, 3, 2, 1}) {
    h = quire::hash::mixBytes(h, &b, 1);
  }
  h = 0 - quire::hash::mixWord(h, 2);
  EXPECT_EQ(sci::hash(Scientific(-twoLimbs * 100, -9)), quire::hash::mixWord(h, static_cast<std::uint64_t>(-7)));

  // Different values spread out.
  std::unordered_set<std::uint64_t> hashes;
  for (int i = 1; i <= 1000; ++i) hashes.insert(sci::hash(Scientific(i, -5)));
  EXPECT_GT(hashes.size(), 995u);
}

TEST(ScientificTest, CompareFollowsTheValue) {
  EXPECT_EQ(sci::compare(Scientific(1, 2), Scientific(100, 0)), std::weak_ordering::equivalent);
  EXPECT_GT(Scientific(1, 1000000000), Scientific(999, 999999990));
  EXPECT_LT(Scientific(-1, 0), Scientific(0, 0));
  EXPECT_LT(Scientific(0, 0), Scientific(1, -400));
  EXPECT_LT(Scientific(-5, 3), Scientific(-4, 3));
  EXPECT_GT(Scientific(-1, -50), Scientific(-1, 50));
  EXPECT_LT(Scientific(kMin, 0), Scientific(kMax, 0));
  EXPECT_LT(Scientific(99, 0), Scientific(mpz_class(1) * pow10(40), -38));
  EXPECT_GT(Scientific(101, 0), Scientific(mpz_class(1) * pow10(40), -38));
  EXPECT_EQ(Scientific(100, 0) <=> Scientific(mpz_class(1) * pow10(40), -38), std::weak_ordering::equivalent);

  // min answers the first of two equal values, max the second.
  Scientific first(1, 2);
  Scientific second(100, 0);
  expectStored(sci::min(first, second), 1, 2);
  expectStored(sci::max(first, second), 100, 0);
  expectStored(sci::min(Scientific(3, 0), Scientific(2, 0)), 2, 0);
  expectStored(sci::max(Scientific(3, 0), Scientific(2, 0)), 3, 0);
}

TEST(ScientificTest, CompareAndEqualityAgreeWithRationalOracle) {
  RandomValues values(42);
  for (int i = 0; i < 20000; ++i) {
    Scientific a = values.next(i % 2 == 0 ? 3 : 40);
    Scientific b = i % 5 == 0 ? Scientific(a.coefficient() * 10, a.base10Exponent() - 1) : values.next(3);
    int expected = cmp(exact(a), exact(b));
    auto order = sci::compare(a, b);
    ASSERT_EQ(order < 0, expected < 0) << a.coefficient() << "e" << a.base10Exponent() << " vs "
                                       << b.coefficient() << "e" << b.base10Exponent();
    ASSERT_EQ(order > 0, expected > 0);
    ASSERT_EQ(a == b, expected == 0);
    if (expected == 0) {
      ASSERT_EQ(sci::hash(a), sci::hash(b));
    }
  }
}

TEST(ScientificTest, Arithmetic) {
  expectStored(Scientific(1, 2) + Scientific(5, 0), 105, 0);
  expectStored(Scientific(5, 0) + Scientific(1, 2), 105, 0);
  expectStored(Scientific(1, 2) - Scientific(5, 0), 95, 0);
  expectStored(Scientific(5, 0) - Scientific(1, 2), -95, 0);
  expectStored(Scientific(1, -1) * Scientific(3, -2), 3, -3);
  expectStored(sci::negate(Scientific(7, 4)), -7, 4);
  expectStored(-Scientific(kMin, 1), -mpz_class(kMin), 1);
  expectStored(sci::abs(Scientific(kMin, 1)), -mpz_class(kMin), 1);
  expectStored(sci::abs(Scientific(-3, 1)), 3, 1);
  expectStored(sci::signum(Scientific(-7, 40)), -1, 0);
  expectStored(sci::signum(Scientific(0, 4)), 0, 0);
  expectStored(sci::signum(Scientific(mpz_class(1) * pow10(50), -4)), 1, 0);
  expectStored(sci::fromInteger(mpz_class(12)), 12, 0);

  // Word overflow moves to the wide representation and back.
  Scientific sum = Scientific(kMax, 0) + Scientific(kMax, 0);
  expectStored(sum, mpz_class(kMax) * 2, 0);
  expectStored(sum - Scientific(kMax, 0), kMax, 0);
  EXPECT_TRUE((sum - Scientific(kMax, 0)).hasSmallCoefficient());
  expectStored(Scientific(kMin, 0) * Scientific(-1, 3), -mpz_class(kMin), 3);
  expectStored(Scientific(kMax, 1) + Scientific(1, 30), mpz_class(kMax) + pow10(29), 1);

  // Zero on the side to be scaled keeps the other operand as stored.
  expectStored(Scientific(7, -3) + Scientific(0, 1000000000000), 7, -3);
  expectStored(Scientific(0, 1000000000000) - Scientific(7, -3), -7, -3);

  Scientific x(5, 0);
  x += Scientific(1, 1);
  x *= Scientific(2, 0);
  x -= Scientific(1, 0);
  expectStored(x, 29, 0);
}

TEST(ScientificTest, ArithmeticAgreesWithRationalOracle) {
  RandomValues values(7);
  for (int i = 0; i < 20000; ++i) {
    Scientific a = values.next(25);
    Scientific b = values.next(25);
    std::int64_t smaller = std::min(a.base10Exponent(), b.base10Exponent());
    Scientific sum = a + b;
    Scientific difference = a - b;
    Scientific product = a * b;
    ASSERT_EQ(exact(sum), exact(a) + exact(b));
    ASSERT_EQ(sum.base10Exponent(), smaller);
    ASSERT_EQ(exact(difference), exact(a) - exact(b));
    ASSERT_EQ(difference.base10Exponent(), smaller);
    ASSERT_EQ(exact(product), exact(a) * exact(b));
    ASSERT_EQ(product.base10Exponent(), a.base10Exponent() + b.base10Exponent());
    // The inline representation is used exactly when the coefficient fits.
    ASSERT_EQ(sum.hasSmallCoefficient(), mpz_fits_slong_p(sum.coefficient().get_mpz_t()) != 0);
    ASSERT_EQ(sci::toRational(product), exact(product));
  }
}

// Each of these would have to form 10^(4·10^18) or 10^(10^15) if a guard
// broke; they answer at once instead.
TEST(ScientificTest, HugeExponentsNeverFormPowers) {
  Scientific huge(1, 4000000000000000000);
  Scientific tiny(1, -4000000000000000000);
  Scientific small(123, -1000000000000000);
  EXPECT_FALSE(huge == tiny);
  EXPECT_TRUE(huge == Scientific(10, 3999999999999999999));
  EXPECT_GT(huge, tiny);
  EXPECT_LT(tiny, small);
  EXPECT_GT(small, Scientific(0, 0));
  EXPECT_LT(Scientific(-1, 4000000000000000000), tiny);
  EXPECT_NE(sci::hash(huge), sci::hash(tiny));
  EXPECT_EQ(sci::hash(small), sci::hash(Scientific(1230, -1000000000000001)));
  EXPECT_TRUE(sci::isInteger(huge));
  EXPECT_FALSE(sci::isInteger(tiny));
  EXPECT_FALSE(sci::isInteger(small));
  EXPECT_TRUE(sci::isFloating(small));
  Scientific wideTiny(mpz_class(1) * pow10(100), -4000000000000000000);
  EXPECT_FALSE(sci::isInteger(wideTiny));
  EXPECT_LT(wideTiny, small);
  expectStored(huge * tiny, 1, 0);

  // Exponents at the ends of the range still compare and hash consistently.
  EXPECT_EQ(Scientific(10, kMax), Scientific(100, kMax - 1));
  EXPECT_EQ(sci::hash(Scientific(10, kMax)), sci::hash(Scientific(100, kMax - 1)));
  EXPECT_GT(Scientific(10, kMax), Scientific(9, kMax));
  EXPECT_LT(Scientific(1, kMin), Scientific(1, kMin + 1));
}

TEST(ScientificTest, ExponentOverflowAndHugePowersAreErrors) {
  auto expectError = [](auto f, const std::string& start) {
    try {
      f();
      ADD_FAILURE() << "no error, expected one starting with " << start;
    } catch (const quire::Error& e) {
      EXPECT_EQ(std::string(e.what()).rfind(start, 0), 0u) << e.what();
    }
  };
  expectError([] { (void)(Scientific(1, kMax) * Scientific(1, 1)); }, "Scientific (*): exponent out of");
  expectError([] { (void)(Scientific(1, kMin) * Scientific(1, -1)); }, "Scientific (*)");
  expectError([] { (void)(Scientific(1, 4000000000000000000) + Scientific(1, -4000000000000000000)); },
              "Scientific (+): 10^8000000000000000000 exceeds");
  expectError([] { (void)(Scientific(1, kMax) - Scientific(1, kMin)); }, "Scientific (-): 10^");
  expectError([] { (void)(Scientific(mpz_class(1) * pow10(30), 2000000000) + Scientific(1, 0)); },
              "Scientific (+)");
  expectError([] { (void)sci::toRational(Scientific(1, -2000000000)); }, "toRational: 10^2000000000");
  expectError([] { (void)sci::toRational(Scientific(3, kMin)); }, "toRational");
  expectError([] { (void)sci::magnitude<mpz_class>(5000000000); }, "magnitude: 10^5000000000");
  expectError([] { (void)sci::magnitude<mpz_class>(-1); }, "magnitude: negative exponent");
  expectError([] { (void)sci::normalize(Scientific(mpz_class(1) * pow10(30), kMax - 5)); }, "normalize");
}

TEST(ScientificTest, IsIntegerAndToRational) {
  EXPECT_TRUE(sci::isInteger(Scientific(120, -1)));
  EXPECT_FALSE(sci::isInteger(Scientific(125, -1)));
  EXPECT_TRUE(sci::isInteger(Scientific(0, -400)));
  EXPECT_TRUE(sci::isInteger(Scientific(kMin, -1)) == (kMin % 10 == 0));
  EXPECT_TRUE(sci::isInteger(Scientific(mpz_class(3) * pow10(500), -500)));
  EXPECT_FALSE(sci::isInteger(Scientific(mpz_class(3) * pow10(500) + 1, -500)));
  EXPECT_FALSE(sci::isInteger(Scientific(mpz_class(3) * pow10(500), -501)));

  EXPECT_EQ(sci::toRational(Scientific(15, -1)), mpq_class(3, 2));
  EXPECT_EQ(sci::toRational(Scientific(-25, 2)), mpq_class(-2500));
  EXPECT_EQ(sci::toRational(Scientific(0, -4000000000000000000)), mpq_class(0));
  mpq_class third = sci::toRational(Scientific(4, -3));
  EXPECT_EQ(third.get_num(), 1);
  EXPECT_EQ(third.get_den(), 250);

  RandomValues values(99);
  for (int i = 0; i < 5000; ++i) {
    Scientific s = values.next(25);
    ASSERT_EQ(sci::toRational(s), exact(s));
    ASSERT_EQ(sci::isInteger(s), exact(s).get_den() == 1);
  }
}

TEST(ScientificTest, MagnitudeAndTable) {
  const auto& table = sci::expts10();
  ASSERT_EQ(table.size(), 324u);
  for (unsigned long i = 0; i < table.size(); ++i) ASSERT_EQ(table[i], pow10(i));

  EXPECT_EQ(sci::magnitude<mpz_class>(0), 1);
  EXPECT_EQ(sci::magnitude<mpz_class>(323), pow10(323));
  EXPECT_EQ(sci::magnitude<mpz_class>(324), pow10(324));
  EXPECT_EQ(sci::magnitude<mpz_class>(1000), pow10(1000));

  // Fixed-width results wrap around like the type's own arithmetic.
  EXPECT_EQ(sci::magnitude<std::int64_t>(18), 1000000000000000000);
  EXPECT_EQ(sci::magnitude<std::int64_t>(19), static_cast<std::int64_t>(10000000000000000000ULL));
  EXPECT_EQ(sci::magnitude<std::uint8_t>(3), static_cast<std::uint8_t>(1000 % 256));
  EXPECT_EQ(sci::magnitude<std::int16_t>(5), static_cast<std::int16_t>(100000 % 65536));
  EXPECT_EQ(sci::magnitude<std::uint64_t>(64), 0u);
  EXPECT_EQ(sci::magnitude<int>(4000000000000000000), 0);
  for (unsigned long e = 0; e < 80; ++e) {
    mpz_class wrapped = pow10(e) % (mpz_class(1) << 64);
    ASSERT_EQ(sci::magnitude<std::uint64_t>(static_cast<std::int64_t>(e)), wrapped.get_ui());
  }
  EXPECT_THROW((void)sci::magnitude<int>(-1), quire::Error);

  EXPECT_EQ(sci::magnitude<double>(0), 1.0);
  EXPECT_EQ(sci::magnitude<double>(22), 1e22);
  EXPECT_EQ(sci::magnitude<double>(23), 1e23);
  EXPECT_EQ(sci::magnitude<double>(308), 1e308);
  EXPECT_EQ(sci::magnitude<double>(309), std::numeric_limits<double>::infinity());
  EXPECT_EQ(sci::magnitude<double>(4000000000000000000), std::numeric_limits<double>::infinity());
  EXPECT_EQ(sci::magnitude<float>(38), 1e38f);
  EXPECT_EQ(sci::magnitude<float>(39), std::numeric_limits<float>::infinity());
  // Above the table the power is squared up in the type, so it is close, not exact.
  EXPECT_NEAR(static_cast<double>(sci::magnitude<long double>(400) / 1e400L), 1.0, 1e-15);
  EXPECT_EQ(sci::magnitude<long double>(4000000000000000000), std::numeric_limits<long double>::infinity());
}

TEST(ScientificTest, TableIsSafeUnderConcurrentUse) {
  std::vector<std::thread> threads;
  std::vector<char> ok(8, 0);
  for (std::size_t t = 0; t < ok.size(); ++t) {
    threads.emplace_back([&ok, t] {
      ok[t] = sci::expts10()[323] == pow10(323) && sci::magnitude<double>(300) == 1e300 &&
              Scientific(1, 0) + Scientific(1, 400) == Scientific(mpz_class(1) + pow10(400), 0);
    });
  }
  for (auto& th : threads) th.join();
  for (char b : ok) EXPECT_TRUE(b);
}

// Coefficients of 64 to 128 bits live in recycled blocks: the values at the
// edges of that range, their copies and the blocks' reuse must not mix up
// values, and equal values keep hashing equally across representations.
TEST(ScientificTest, CoefficientsUpTo128BitsKeepTheirValues) {
  const mpz_class two64 = mpz_class(1) << 64;
  const std::vector<mpz_class> edges = {mpz_class(kMax) + 1, -(mpz_class(kMax) + 2), two64 - 1, two64,
                                        -two64, (mpz_class(1) << 127) - 1, -((mpz_class(1) << 128) - 1),
                                        mpz_class(1) << 128};
  for (const mpz_class& c : edges) {
    const Scientific a(c, -3);
    expectStored(a, c, -3);
    Scientific copy = a;
    Scientific moved = std::move(copy);
    expectStored(moved, c, -3);
    moved = moved;
    expectStored(moved, c, -3);
    EXPECT_EQ(sci::hash(a), sci::hash(Scientific(mpz_class(c * pow10(25)), -28))) << c.get_str();
    EXPECT_EQ(a * Scientific(1, 0), a);
    EXPECT_EQ(exact(a + a), exact(a) * 2);
  }
  // Products and aligned sums of words, one block freed as the next is made.
  std::mt19937_64 rng(3);
  for (int i = 0; i < 100000; ++i) {
    const auto x = static_cast<std::int64_t>(rng());
    const auto y = static_cast<std::int64_t>(rng() >> (rng() % 64));
    const std::int64_t shift = static_cast<std::int64_t>(rng() % 19);
    expectStored(Scientific(x, 1) * Scientific(y, 2), mpz_class(x) * mpz_class(y), 3);
    expectStored(Scientific(x, 0) + Scientific(y, shift), mpz_class(x) + mpz_class(y) * pow10(shift), 0);
    expectStored(Scientific(x, shift) - Scientific(y, 0), mpz_class(x) * pow10(shift) - mpz_class(y), 0);
  }
  // Unsigned words above INT64_MAX.
  expectStored(Scientific(std::uint64_t{18446744073709551615u}, 2), two64 - 1, 2);
  // Made in one thread, dropped in another.
  std::vector<Scientific> made;
  for (int i = 1; i <= 1000; ++i) made.push_back(Scientific(kMax, 0) * Scientific(i + 1, 0));
  std::thread([&made] { made.clear(); }).join();
  for (int i = 1; i <= 1000; ++i) made.push_back(Scientific(kMin, 0) * Scientific(i + 1, 0));
  EXPECT_EQ(made.back().coefficient(), mpz_class(kMin) * 1001);
}

// A coefficient held inline gets its GMP view on first request; threads
// asking at once must all see one view of the right value.
TEST(ScientificTest, InlineCoefficientViewsUnderConcurrentUse) {
  for (int round = 0; round < 50; ++round) {
    const Scientific shared = Scientific(kMax, 0) * Scientific(-(round + 3), 0);
    const mpz_class expected = mpz_class(kMax) * -(round + 3);
    std::vector<std::thread> threads;
    std::vector<const mpz_class*> seen(4, nullptr);
    for (std::size_t t = 0; t < seen.size(); ++t) {
      threads.emplace_back([&, t] { seen[t] = &shared.bigCoefficient(); });
    }
    for (auto& th : threads) th.join();
    for (const mpz_class* z : seen) {
      EXPECT_EQ(z, seen[0]);
      EXPECT_EQ(*z, expected);
    }
    const Scientific copy = shared;  // a copy views its own limbs
    EXPECT_EQ(copy.bigCoefficient(), expected);
    EXPECT_EQ(copy.coefficientSign(), -1);
  }
}

}  // namespace
