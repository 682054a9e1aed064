// Tests of the per-number facts: known cases, hostile sizes, and differential
// checks against strtod/strtof and exact rational arithmetic.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <random>
#include <string>

#include "apps/decimal/analysis.hpp"
#include "apps/decimal/report.hpp"
#include "scientific/convert.hpp"
#include "scientific/format.hpp"
#include "scientific/scientific.hpp"

namespace quire::decimal {
namespace {

const NumberFacts& facts(Analyzer& a, std::string_view token) {
  auto result = a.analyze(token, true);
  EXPECT_TRUE(std::holds_alternative<const NumberFacts*>(result)) << token;
  static NumberFacts none;
  return std::holds_alternative<const NumberFacts*>(result) ? *std::get<const NumberFacts*>(result) : none;
}

TEST(DecimalAnalysis, HeaderExample) {
  Analyzer a;
  const NumberFacts& f = facts(a, "0.1");
  EXPECT_EQ(f.generic.str(), "0.1");
  EXPECT_EQ(f.fixed.str(), "0.1");
  EXPECT_EQ(f.exponentForm.str(), "1.0e-1");
  EXPECT_FALSE(f.integer);
  EXPECT_EQ(f.asDouble.outcome, FloatOutcome::Rounded);
  EXPECT_EQ(f.asDouble.value, 0.1);
  EXPECT_NEAR(f.asDouble.relativeError, 5.551115123125783e-17, 1e-30);
  EXPECT_EQ(f.asFloat.outcome, FloatOutcome::Rounded);
  EXPECT_EQ(f.asFloat.value, static_cast<double>(0.1f));
  EXPECT_NEAR(f.asFloat.relativeError, 1.4901161193847656e-08, 1e-20);
  EXPECT_EQ(f.binarySize, 10);
}

TEST(DecimalAnalysis, NarrowestIntegerTypes) {
  Analyzer a;
  struct Case {
    std::string_view token;
    int signedBits;
    int unsignedBits;
  };
  for (Case c : {Case{"0", 8, 8}, Case{"-0", 8, 8}, Case{"127", 8, 8}, Case{"128", 16, 8}, Case{"255", 16, 8},
                 Case{"256", 16, 16}, Case{"-128", 8, 0}, Case{"-129", 16, 0}, Case{"1270e-1", 8, 8},
                 Case{"4294967296", 64, 64}, Case{"9223372036854775808", 0, 64}, Case{"-9223372036854775808", 64, 0},
                 Case{"18446744073709551615", 0, 64}, Case{"18446744073709551616", 0, 0}, Case{"1e19", 0, 64},
                 Case{"1e20", 0, 0}, Case{"1e400", 0, 0}, Case{"1.5", 0, 0}, Case{"12.5e1", 8, 8}}) {
    const NumberFacts& f = facts(a, c.token);
    EXPECT_EQ(f.signedBits, c.signedBits) << c.token;
    EXPECT_EQ(f.unsignedBits, c.unsignedBits) << c.token;
  }
  EXPECT_TRUE(facts(a, "12.50e1").integer);
  EXPECT_FALSE(facts(a, "12.55e1").integer);
}

TEST(DecimalAnalysis, FloatingOutcomesAtTheEdges) {
  Analyzer a;
  struct Case {
    std::string_view token;
    FloatOutcome asDouble;
    FloatOutcome asFloat;
  };
  for (Case c : {Case{"2.5", FloatOutcome::Exact, FloatOutcome::Exact}, Case{"0.15625", FloatOutcome::Exact, FloatOutcome::Exact},
                 Case{"16777217", FloatOutcome::Exact, FloatOutcome::Rounded},
                 Case{"9007199254740993", FloatOutcome::Rounded, FloatOutcome::Rounded},
                 Case{"1e39", FloatOutcome::Rounded, FloatOutcome::Overflow},
                 Case{"1e-50", FloatOutcome::Rounded, FloatOutcome::Underflow},
                 Case{"1e400", FloatOutcome::Overflow, FloatOutcome::Overflow},
                 Case{"1.8e308", FloatOutcome::Overflow, FloatOutcome::Overflow},
                 Case{"1.7976931348623157e308", FloatOutcome::Rounded, FloatOutcome::Overflow},
                 Case{"1e-400", FloatOutcome::Underflow, FloatOutcome::Underflow},
                 Case{"2e-324", FloatOutcome::Underflow, FloatOutcome::Underflow},
                 Case{"3e-324", FloatOutcome::Rounded, FloatOutcome::Underflow},
                 Case{"-0", FloatOutcome::Exact, FloatOutcome::Exact}}) {
    const NumberFacts& f = facts(a, c.token);
    EXPECT_EQ(f.asDouble.outcome, c.asDouble) << c.token;
    EXPECT_EQ(f.asFloat.outcome, c.asFloat) << c.token;
  }
  const NumberFacts& negative = facts(a, "-1e400");
  EXPECT_EQ(negative.asDouble.value, -HUGE_VAL);
  const NumberFacts& tiny = facts(a, "-1e-400");
  EXPECT_TRUE(std::signbit(tiny.asDouble.value));
  EXPECT_EQ(tiny.asDouble.value, 0.0);
}

TEST(DecimalAnalysis, HostileValuesAreAnsweredFromTheirShape) {
  Analyzer a;
  auto start = std::chrono::steady_clock::now();
  const NumberFacts& huge = facts(a, "1e1000000000");
  EXPECT_EQ(huge.asDouble.outcome, FloatOutcome::Overflow);
  EXPECT_TRUE(huge.integer);
  EXPECT_EQ(huge.signedBits, 0);
  EXPECT_EQ(huge.generic.str(), "1.0e1000000000");
  EXPECT_FALSE(huge.fixedShown);
  EXPECT_EQ(huge.fixed.size(), 1000000003);  // 1, a billion zeros, ".0"
  const NumberFacts& tiny = facts(a, "-1e-1000000000");
  EXPECT_EQ(tiny.asDouble.outcome, FloatOutcome::Underflow);
  EXPECT_FALSE(tiny.integer);
  EXPECT_EQ(tiny.exponentForm.str(), "-1.0e-1000000000");
  EXPECT_EQ(tiny.fixed.size(), 1000000003);  // "-0.", 999999999 zeros, "1"
  const NumberFacts& edge = facts(a, "1e9223372036854775807");
  EXPECT_EQ(edge.asFloat.outcome, FloatOutcome::Overflow);
  EXPECT_EQ(edge.binarySize, 5 + 1 + 1 + 8 + 8);

  // A million digits: linear or near-linear work only.
  std::string digits(1000000, '7');
  digits[0] = '1';
  const NumberFacts& big = facts(a, digits + "e-999990");
  EXPECT_EQ(big.asDouble.outcome, FloatOutcome::Rounded);
  EXPECT_EQ(big.asDouble.value, std::strtod((digits.substr(0, 20) + "e-19").c_str(), nullptr) * 1e9);
  EXPECT_FALSE(big.integer);
  const NumberFacts& bigInteger = facts(a, digits);
  EXPECT_TRUE(bigInteger.integer);
  EXPECT_EQ(bigInteger.asDouble.outcome, FloatOutcome::Overflow);
  std::string power(1000001, '0');
  power[0] = '1';
  const NumberFacts& zeros = facts(a, power);
  EXPECT_EQ(zeros.shape.normalExponent(), 1000000);
  EXPECT_EQ(zeros.binarySize, 5 + 1 + 1 + 8 + 415242);  // 10^1000000 has 3321929 bits
  // Generous bound: a quadratic step would take minutes.
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
}

// Long coefficients are laid out from their digits; the library must agree.
TEST(DecimalAnalysis, LongCoefficientFormsAgreeWithTheLibrary) {
  Analyzer a;
  std::string digits;
  for (int i = 0; i < 5000; ++i) digits += static_cast<char>('1' + i % 9);
  for (std::string exponent : {"", "e-4999", "e-5000", "e-5003", "e-4995", "e-4993", "e-4992", "e3", "e-2"}) {
    for (std::string sign : {"", "-"}) {
      std::string token = sign + digits + "00" + exponent;
      const NumberFacts& f = facts(a, token);
      scientific::Scientific s(mpz_class(sign + digits + "00"), exponent.empty() ? 0 : std::stoll(exponent.substr(1)));
      namespace sci = scientific;
      EXPECT_EQ(f.generic.str(), sci::formatScientific(sci::FPFormat::Generic, std::nullopt, s)) << exponent;
      EXPECT_EQ(f.exponentForm.str(), sci::formatScientific(sci::FPFormat::Exponent, std::nullopt, s)) << exponent;
      EXPECT_EQ(f.fixed.str(), sci::formatScientific(sci::FPFormat::Fixed, std::nullopt, s)) << exponent;
    }
  }
}

TEST(DecimalAnalysis, BinarySizeFollowsTheValueAsRead) {
  Analyzer a;
  EXPECT_EQ(facts(a, "1.50").binarySize, 10);           // (150, -2)
  EXPECT_EQ(facts(a, "2147483647").binarySize, 10);     // fits 32 bits
  EXPECT_EQ(facts(a, "2147483648").binarySize, 19);     // 1+1+8+4 and 5
  EXPECT_EQ(facts(a, "-2147483648").binarySize, 10);
  EXPECT_EQ(facts(a, "1e3000000000").binarySize, 19);   // long exponent
  EXPECT_EQ(facts(a, "0e-7").binarySize, 10);
  EXPECT_EQ(facts(a, "100000000000000000000").binarySize, 5 + 10 + 9);  // 10^20: 67 bits
}

// An independent oracle: strtod/strtof for the nearest values, exact
// rationals for exactness and the relative error.
TEST(DecimalAnalysis, AgreesWithStrtodAndExactRationals) {
  Analyzer a;
  std::mt19937_64 rng(12345);
  std::uniform_int_distribution<int> length(1, 25), digit(0, 9), exponent(-340, 340), coin(0, 3);
  for (int i = 0; i < 3000; ++i) {
    std::string token = coin(rng) == 0 ? "-" : "";
    int n = length(rng);
    for (int k = 0; k < n; ++k) token += static_cast<char>('0' + digit(rng));
    if (coin(rng) == 0 && n > 1) token.insert(token.end() - 1, '.');
    if (coin(rng) != 0) {
      token += 'e';
      token += std::to_string(exponent(rng) / (coin(rng) + 1));
    }
    const NumberFacts& f = facts(a, token);
    double d = std::strtod(token.c_str(), nullptr);
    float fl = std::strtof(token.c_str(), nullptr);
    ASSERT_EQ(f.asDouble.value, d) << token;
    ASSERT_EQ(f.asFloat.value, static_cast<double>(fl)) << token;

    const auto& shape = f.shape;
    if (shape.isZero() || std::isinf(d) || d == 0) continue;
    std::string digits = f.coefficient.str();
    if (digits.front() == '-') digits.erase(0, 1);
    mpq_class exact{mpz_class(digits)};
    mpz_class power;
    mpz_ui_pow_ui(power.get_mpz_t(), 10, static_cast<unsigned long>(std::abs(shape.normalExponent())));
    if (shape.normalExponent() >= 0) exact *= power; else exact /= power;
    mpq_class nearest(std::fabs(d));
    ASSERT_EQ(f.asDouble.outcome == FloatOutcome::Exact, nearest == exact) << token;
    mpq_class rel = abs(nearest - exact) / exact;
    EXPECT_NEAR(f.asDouble.relativeError, rel.get_d(), rel.get_d() * 1e-12 + 1e-300) << token;
  }
}

TEST(DecimalAnalysis, AgreesWithTheLibraryConversions) {
  Analyzer a;
  for (std::string_view token : {"0.1", "-2.5", "123456789012345678901234567890", "1e-320", "4.9e-324", "1e308",
                                 "340282356779733661637539395458142568448", "-3.4028235e38", "1.17549435e-38"}) {
    const NumberFacts& f = facts(a, token);
    scientific::Scientific s(mpz_class(f.coefficient.str()), f.shape.normalExponent());
    EXPECT_EQ(f.asDouble.value, scientific::toRealFloat<double>(s)) << token;
    EXPECT_EQ(f.asFloat.value, static_cast<double>(scientific::toRealFloat<float>(s))) << token;
  }
}

}  // namespace
}  // namespace quire::decimal
