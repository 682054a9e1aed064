#include "scientific/format.hpp"

#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>
#include <random>
#include <sstream>
#include <vector>

#include "base/error.hpp"
#include "scientific/parse.hpp"

namespace {

using quire::scientific::FPFormat;
using quire::scientific::Scientific;
namespace sci = quire::scientific;

constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();

std::string fixed(std::optional<std::int64_t> decimals, const Scientific& s) {
  return sci::formatScientific(FPFormat::Fixed, decimals, s);
}
std::string exponent(std::optional<std::int64_t> decimals, const Scientific& s) {
  return sci::formatScientific(FPFormat::Exponent, decimals, s);
}

// The exact decimal value of a finite double, built with GMP.
Scientific exactDecimal(double d) {
  int binaryExponent = 0;
  double fraction = std::frexp(d, &binaryExponent);
  auto mantissa = static_cast<std::int64_t>(std::ldexp(fraction, 53));
  int shift = binaryExponent - 53;
  if (shift >= 0) return Scientific(mpz_class(mantissa) << shift, 0);
  mpz_class five;
  mpz_ui_pow_ui(five.get_mpz_t(), 5, static_cast<unsigned long>(-shift));
  return Scientific(mantissa * five, shift);
}

// The shortest decimal digits of a double, taken from std::to_chars.
Scientific shortestDecimal(double d) {
  char buf[64];
  char* end = std::to_chars(buf, buf + sizeof buf, d, std::chars_format::scientific).ptr;
  std::string text(buf, end);
  auto e = text.find('e');
  std::string mantissa = text.substr(0, e);
  std::int64_t exp = std::stoll(text.substr(e + 1));
  auto point = mantissa.find('.');
  if (point != std::string::npos) {
    exp -= static_cast<std::int64_t>(mantissa.size() - point - 1);
    mantissa.erase(point, 1);
  }
  return Scientific(mpz_class(mantissa), exp);
}

// printf's exponent "e+05" written the way the library does, "e5".
std::string compactExponent(std::string text) {
  auto e = text.find('e');
  if (e == std::string::npos) return text;
  std::string digits = text.substr(e + 2);
  digits.erase(0, std::min(digits.find_first_not_of('0'), digits.size() - 1));
  return text.substr(0, e + 1) + (text[e + 1] == '-' ? "-" : "") + digits;
}

std::string printfFormat(const char* pattern, int decimals, double d) {
  char buf[512];
  std::snprintf(buf, sizeof buf, pattern, decimals, d);
  return compactExponent(buf);
}

TEST(FormatTest, HeaderExample) {
  EXPECT_EQ(sci::show(Scientific(15, -1)), "1.5");
  EXPECT_EQ(sci::show(Scientific(1, 7)), "1.0e7");
  EXPECT_EQ(sci::show(Scientific(-15, -4)), "-1.5e-3");
  EXPECT_EQ(sci::showsPrec(7, Scientific(-15, -1)), "(-1.5)");
  EXPECT_EQ(fixed(1, Scientific(9960, -3)), "10.0");
  EXPECT_EQ(exponent(2, Scientific(12345, 0)), "1.23e4");
  EXPECT_EQ(sci::toDecimalDigits(Scientific(1234, -1)), (sci::DecimalDigits{{1, 2, 3, 4}, 3}));
}

TEST(FormatTest, Show) {
  EXPECT_EQ(sci::show(Scientific(0, 0)), "0.0");
  EXPECT_EQ(sci::show(Scientific(0, -7)), "0.0");
  EXPECT_EQ(sci::show(Scientific(1, 0)), "1.0");
  EXPECT_EQ(sci::show(Scientific(1, 7)), "1.0e7");
  EXPECT_EQ(sci::show(Scientific(12345678, 0)), "1.2345678e7");
  EXPECT_EQ(sci::show(Scientific(1234567, 0)), "1234567.0");
  EXPECT_EQ(sci::show(Scientific(1, 6)), "1000000.0");
  EXPECT_EQ(sci::show(Scientific(10000000, -1)), "1000000.0");
  EXPECT_EQ(sci::show(Scientific(1, -1)), "0.1");
  EXPECT_EQ(sci::show(Scientific(1, -2)), "1.0e-2");
  EXPECT_EQ(sci::show(Scientific(-15, -1)), "-1.5");
  EXPECT_EQ(sci::show(Scientific(kMin, 0)), "-9.223372036854775808e18");
  EXPECT_EQ(sci::show(Scientific(mpz_class("-123456789012345678901234567890"), -25)), "-12345.678901234567890123456789");
  EXPECT_EQ(sci::showsPrec(7, Scientific(-15, -1)), "(-1.5)");
  EXPECT_EQ(sci::showsPrec(6, Scientific(-15, -1)), "-1.5");
  EXPECT_EQ(sci::showsPrec(11, Scientific(15, -1)), "1.5");

  std::vector<Scientific> list{Scientific(1, 0), Scientific(-25, -1), Scientific(1, 9)};
  EXPECT_EQ(sci::show(list), "[1.0,-2.5,1.0e9]");
  EXPECT_EQ(sci::showList({}), "[]");
  std::ostringstream out;
  out << Scientific(-15, -4) << ' ' << Scientific(3, 0);
  EXPECT_EQ(out.str(), "-1.5e-3 3.0");
}

TEST(FormatTest, LayoutsWithDecimals) {
  EXPECT_EQ(exponent(std::nullopt, Scientific(0, 0)), "0.0e0");
  EXPECT_EQ(exponent(std::nullopt, Scientific(12345, -1)), "1.2345e3");
  EXPECT_EQ(exponent(0, Scientific(12345, -1)), "1.2e3");
  EXPECT_EQ(exponent(3, Scientific(0, 0)), "0.000e0");
  EXPECT_EQ(exponent(2, Scientific(99999, 0)), "1.00e5");
  EXPECT_EQ(exponent(-4, Scientific(-25, 0)), "-2.5e1");
  EXPECT_EQ(exponent(5, Scientific(25, 0)), "2.50000e1");
  EXPECT_EQ(fixed(-2, Scientific(125, -1)), "12");
  EXPECT_EQ(fixed(2, Scientific(0, 0)), "0.00");
  EXPECT_EQ(fixed(0, Scientific(0, 0)), "0");
  EXPECT_EQ(fixed(0, Scientific(5, -1)), "0");
  EXPECT_EQ(fixed(0, Scientific(15, -1)), "2");
  EXPECT_EQ(fixed(0, Scientific(25, -1)), "2");
  EXPECT_EQ(fixed(1, Scientific(25, -2)), "0.2");
  EXPECT_EQ(fixed(1, Scientific(35, -2)), "0.4");
  EXPECT_EQ(fixed(1, Scientific(996, -2)), "10.0");
  EXPECT_EQ(fixed(1, Scientific(12345, -3)), "12.3");
  EXPECT_EQ(fixed(0, Scientific(12345, -3)), "12");
  EXPECT_EQ(fixed(1, Scientific(5, -2)), "0.0");
  EXPECT_EQ(fixed(2, Scientific(4, -4)), "0.00");
  EXPECT_EQ(fixed(2, Scientific(5, -3)), "0.00");
  EXPECT_EQ(fixed(2, Scientific(51, -4)), "0.01");
  EXPECT_EQ(fixed(2, Scientific(995, -5)), "0.01");
  EXPECT_EQ(fixed(1, Scientific(96, -2)), "1.0");
  EXPECT_EQ(fixed(3, Scientific(15, 2)), "1500.000");
  EXPECT_EQ(fixed(std::nullopt, Scientific(15, 2)), "1500.0");
  EXPECT_EQ(fixed(std::nullopt, Scientific(125, -1)), "12.5");
  EXPECT_EQ(fixed(std::nullopt, Scientific(5, -2)), "0.05");
  EXPECT_EQ(fixed(std::nullopt, Scientific(-5, -2)), "-0.05");
  EXPECT_EQ(sci::formatScientific(FPFormat::Generic, std::nullopt, Scientific(12345678, 0)), "1.2345678e7");
  EXPECT_EQ(sci::formatScientific(FPFormat::Generic, 2, Scientific(12345678, 0)), "1.23e7");
  EXPECT_EQ(sci::formatScientific(FPFormat::Generic, 2, Scientific(1234567, -3)), "1234.57");
}

// Cost is bounded by digits and decimals, never the exponent.
TEST(FormatTest, HugeExponents) {
  EXPECT_EQ(sci::show(Scientific(1, 1000000000000000000)), "1.0e1000000000000000000");
  EXPECT_EQ(sci::show(Scientific(-25, -1000000000000000000)), "-2.5e-999999999999999999");
  EXPECT_EQ(fixed(2, Scientific(1, -1000000000000000000)), "0.00");
  EXPECT_EQ(fixed(0, Scientific(-9, -1000000000000000000)), "-0");
  EXPECT_EQ(exponent(3, Scientific(99999, -4000000000000000000)), "1.000e-3999999999999999995");
  EXPECT_EQ(sci::show(Scientific(1, kMax)), "1.0e9223372036854775807");
  EXPECT_EQ(sci::show(Scientific(12, kMax)), "1.2e9223372036854775808");
  EXPECT_EQ(exponent(0, Scientific(995, kMax)), "1.0e9223372036854775810");
  EXPECT_EQ(sci::show(Scientific(1, kMin)), "1.0e-9223372036854775808");
  EXPECT_EQ(sci::show(Scientific(mpz_class("1" + std::string(40, '0')), kMin)), "1.0e-9223372036854775768");
  // Outputs that really are that long are refused.
  EXPECT_THROW((void)fixed(std::nullopt, Scientific(1, 1000000000000000000)), quire::Error);
  EXPECT_THROW((void)fixed(2, Scientific(1, 1000000000000000000)), quire::Error);
  EXPECT_THROW((void)fixed(std::nullopt, Scientific(1, -1000000000000000000)), quire::Error);
  EXPECT_THROW((void)exponent(kMax, Scientific(1, 0)), quire::Error);
  EXPECT_THROW((void)sci::formatScientificBuilder(FPFormat::Fixed, std::nullopt, Scientific(1, kMax)),
               quire::Error);
  EXPECT_THROW((void)sci::toDecimalDigits(Scientific(12, kMax)), quire::Error);
}

TEST(FormatTest, DigitHelpers) {
  EXPECT_EQ(sci::toDecimalDigits(Scientific(0, 9)), (sci::DecimalDigits{{0}, 0}));
  EXPECT_EQ(sci::toDecimalDigits(Scientific(1200, -1)), (sci::DecimalDigits{{1, 2}, 3}));
  EXPECT_EQ(sci::toDecimalDigits(Scientific(5, -3)), (sci::DecimalDigits{{5}, -2}));
  EXPECT_EQ(sci::toDecimalDigits(Scientific(mpz_class("100000000000000000000000"), 0)),
            (sci::DecimalDigits{{1}, 24}));
  EXPECT_THROW((void)sci::toDecimalDigits(Scientific(-1, 0)), quire::Error);

  using sci::RoundedDigits;
  EXPECT_EQ(sci::roundTo(2, std::vector<int>{1, 2, 5}), (RoundedDigits{0, {1, 2}}));
  EXPECT_EQ(sci::roundTo(2, std::vector<int>{1, 3, 5}), (RoundedDigits{0, {1, 4}}));
  EXPECT_EQ(sci::roundTo(2, std::vector<int>{1, 2, 5, 0, 1}), (RoundedDigits{0, {1, 3}}));
  EXPECT_EQ(sci::roundTo(2, std::vector<int>{9, 9, 5}), (RoundedDigits{1, {1, 0, 0}}));
  EXPECT_EQ(sci::roundTo(4, std::vector<int>{1, 2}), (RoundedDigits{0, {1, 2, 0, 0}}));
  EXPECT_EQ(sci::roundTo(0, std::vector<int>{5}), (RoundedDigits{0, {}}));
  EXPECT_EQ(sci::roundTo(0, std::vector<int>{6}), (RoundedDigits{1, {1}}));
  EXPECT_EQ(sci::roundTo(-3, std::vector<int>{7, 8}), (RoundedDigits{0, {7, 8}}));
  EXPECT_THROW((void)sci::roundTo(1, std::vector<int>{1, 10}), quire::Error);

  EXPECT_EQ(sci::i2d(0), '0');
  EXPECT_EQ(sci::i2d(9), '9');
  EXPECT_THROW((void)sci::i2d(10), quire::Error);
  EXPECT_THROW((void)sci::i2d(-1), quire::Error);

  EXPECT_EQ(sci::fmtAsExponent({{0}, 5}), "0.0e0");
  EXPECT_EQ(sci::fmtAsExponent({{7}, 5}), "7.0e4");
  EXPECT_EQ(sci::fmtAsExponent({{1, 5}, 4}), "1.5e3");
  EXPECT_EQ(sci::fmtAsExponent({{1}, kMin}), "1.0e-9223372036854775809");
  EXPECT_EQ(sci::fmtAsFixed({{1, 5}, 4}), "1500.0");
  EXPECT_EQ(sci::fmtAsFixed({{1, 2, 5}, 2}), "12.5");
  EXPECT_EQ(sci::fmtAsFixed({{5}, -1}), "0.05");
  EXPECT_EQ(sci::fmtAsFixed({{0}, 0}), "0.0");
  EXPECT_THROW((void)sci::fmtAsFixed({{}, 0}), quire::Error);
  EXPECT_THROW((void)sci::fmtAsExponent({{1, -2}, 0}), quire::Error);
}

// Rounding of exact binary values against printf, which rounds the exact
// value half to even.
TEST(FormatTest, RoundingAgreesWithPrintf) {
  std::mt19937_64 rng(2024);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  for (int i = 0; i < 3000; ++i) {
    double d = std::ldexp(unit(rng), std::uniform_int_distribution<int>(-40, 60)(rng));
    if (i % 4 == 0) d = std::round(d * 64) / 64;  // exact halves at many positions
    if (i % 2 == 1) d = -d;
    Scientific s = exactDecimal(d);
    int decimals = std::uniform_int_distribution<int>(0, 25)(rng);
    ASSERT_EQ(fixed(decimals, s), printfFormat("%.*f", decimals, d)) << d;
    ASSERT_EQ(exponent(decimals, s), printfFormat("%.*e", std::max(decimals, 1), d)) << d;
  }
}

// The shortest decimal of a double, rendered in any layout, reads back as
// the same double.
TEST(FormatTest, RoundTripsThroughStrtod) {
  std::mt19937_64 rng(77);
  for (int i = 0; i < 20000; ++i) {
    double d;
    do {
      d = std::bit_cast<double>(rng());
    } while (!std::isfinite(d));
    Scientific s = shortestDecimal(d);
    for (FPFormat format : {FPFormat::Generic, FPFormat::Exponent}) {
      std::string text = sci::formatScientific(format, std::nullopt, s);
      ASSERT_EQ(std::strtod(text.c_str(), nullptr), d) << text;
    }
    if (std::abs(d) < 1e30 && std::abs(d) > 1e-30) {
      std::string text = fixed(std::nullopt, s);
      ASSERT_EQ(std::strtod(text.c_str(), nullptr), d) << text;
    }
  }
}

// The string, show, byte-builder and text-builder renderings agree, also
// when the builder runs in buffers too small for the whole text.
TEST(FormatTest, AllRenderersAgree) {
  std::vector<Scientific> values{
      Scientific(), Scientific(15, -1), Scientific(-15, -4), Scientific(kMin, 3),
      Scientific(mpz_class("-98765432109876543210987654321"), -7), Scientific(1, 1000000000000000000),
      Scientific(996, -2), Scientific(5, -300)};
  std::vector<std::optional<std::int64_t>> decimals{std::nullopt, 0, 1, 3, 150};
  quire::builder::BufferStrategy tiny{1, 1, false};
  for (const Scientific& s : values) {
    EXPECT_EQ(sci::show(s), sci::formatScientific(FPFormat::Generic, std::nullopt, s));
    EXPECT_EQ(quire::builder::toLazyByteString(sci::scientificBuilder(s)).toString(), sci::show(s));
    EXPECT_EQ(quire::builder::toText(sci::text::scientificBuilder(s)).view(), sci::show(s));
    for (FPFormat format : {FPFormat::Exponent, FPFormat::Fixed, FPFormat::Generic}) {
      for (auto dec : decimals) {
        if (format == FPFormat::Fixed && s.base10Exponent() > 100) continue;
        std::string expected = sci::formatScientific(format, dec, s);
        auto bytes = sci::formatScientificBuilder(format, dec, s);
        EXPECT_EQ(quire::builder::toLazyByteString(bytes).toString(), expected);
        EXPECT_EQ(quire::builder::toLazyByteStringWith(tiny, bytes).toString(), expected);
        EXPECT_EQ(quire::builder::toText(sci::text::formatScientificBuilder(format, dec, s)).view(), expected);
      }
    }
  }
  auto joined = sci::scientificBuilder(Scientific(1, 0)) + quire::builder::stringUtf8(",") +
                sci::scientificBuilder(Scientific(-2, 9));
  EXPECT_EQ(quire::builder::toLazyByteString(joined).toString(), "1.0,-2.0e9");
}

// show of a word coefficient is written without the general layout; the
// builder and a wide coefficient of the same value take the general road.
TEST(FormatTest, ShowOfWordCoefficientsAgreesWithTheGeneralLayout) {
  std::mt19937_64 rng(5);
  const mpz_class scale("100000000000000000000");  // 10^20: no longer a word
  for (int i = 0; i < 200000; ++i) {
    const int digits = static_cast<int>(rng() % 20);
    std::int64_t c = static_cast<std::int64_t>(rng() >> (64 - 3 * digits - 1));
    if (rng() % 4 == 0) c = c / 1000 * 1000;  // trailing zeros
    if (rng() % 2 == 0) c = -c;
    if (i == 0) c = kMin;
    const std::int64_t e = static_cast<std::int64_t>(rng() % 60) - 30 +
                           (rng() % 16 == 0 ? static_cast<std::int64_t>(rng() >> 2) - (kMax >> 2) : 0);
    const Scientific s(c, e);
    const std::string text = sci::show(s);
    ASSERT_EQ(text, quire::builder::toLazyByteString(sci::scientificBuilder(s)).toString()) << c << "e" << e;
    ASSERT_EQ(text, sci::show(Scientific(mpz_class(static_cast<long>(c)) * scale, e - 20))) << c << "e" << e;
    ASSERT_EQ(sci::showsPrec(7, s), c < 0 ? "(" + text + ")" : text);
  }
}

}  // namespace

namespace {

// Every text show writes reads back to an equal value, also where the
// written exponent lies just outside the 64-bit range.
TEST(FormatTest, ShowReadsBackAtTheEdgesOfTheExponentRange) {
  const mpz_class big("123" + std::string(30, '0'));
  const std::vector<Scientific> coefficients = {
      Scientific(1, 0),    Scientific(12, 0),     Scientific(-1200, 0), Scientific(10, 0),
      Scientific(999999999999999999, 0), Scientific(kMax, 0), Scientific(kMin, 0),
      Scientific(big, 0),  Scientific(mpz_class(-big * 7), 0), Scientific(0, 0)};
  for (const Scientific& c : coefficients) {
    for (std::int64_t e : {kMax, kMax - 1, kMax - 40, kMin, kMin + 1, kMin + 40, std::int64_t{0}}) {
      const Scientific x = c.hasSmallCoefficient() ? Scientific(c.smallCoefficient(), e)
                                                   : Scientific(c.bigCoefficient(), e);
      const std::string text = sci::show(x);
      const auto back = sci::read<Scientific>(text);
      ASSERT_TRUE(back) << text;
      EXPECT_EQ(*back, x) << text;
    }
  }
  // The short forms stay as they were; zeros are added only where needed.
  EXPECT_EQ(sci::show(Scientific(12, kMax)), "1.2e9223372036854775808");
  EXPECT_EQ(sci::show(Scientific(1200, kMax)), "1.200e9223372036854775810");
  EXPECT_EQ(sci::show(Scientific(10, kMax)), "1.0e9223372036854775808");
  EXPECT_EQ(sci::show(Scientific(1, kMin)), "1.0e-9223372036854775808");
}

}  // namespace
