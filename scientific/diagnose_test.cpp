#include "scientific/diagnose.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <limits>
#include <random>
#include <string>

#include "base/error.hpp"
#include "scientific/format.hpp"
#include "scientific/parse.hpp"
#include "scientific/sciconv_test_support.hpp"

namespace {

using quire::scientific::DecimalText;
using quire::scientific::FPFormat;
using quire::scientific::Leniency;
using quire::scientific::Scientific;
using quire::scientific::TextError;
using quire::scientific::TextProblem;
using sciconv_test::stored;
namespace sci = quire::scientific;

DecimalText accepted(std::string_view text, Leniency leniency = Leniency::Strict) {
  auto r = sci::checkDecimal(text, leniency);
  EXPECT_TRUE(std::holds_alternative<DecimalText>(r)) << text;
  return std::holds_alternative<DecimalText>(r) ? std::get<DecimalText>(r) : DecimalText{};
}

TextError refused(std::string_view text, Leniency leniency = Leniency::Strict) {
  auto r = sci::checkDecimal(text, leniency);
  EXPECT_TRUE(std::holds_alternative<TextError>(r)) << text;
  return std::holds_alternative<TextError>(r) ? std::get<TextError>(r) : TextError{};
}

TEST(DiagnoseTest, HeaderExample) {
  DecimalText d = accepted("-0012.3400e1");
  EXPECT_TRUE(d.negative);
  EXPECT_EQ(d.integerDigits, "0012");
  EXPECT_EQ(d.fractionDigits, "3400");
  EXPECT_EQ(d.exponent, -3);
  EXPECT_EQ(d.normalExponent(), -1);
  EXPECT_EQ(d.significantDigits(), 4);
  EXPECT_EQ(d.leadingPosition(), 2);
  EXPECT_EQ(d.scale(), 1);
  EXPECT_EQ(stored(sci::toScientific(d)), stored("-123400", -3));
  EXPECT_EQ(refused("1.2.3"), (TextError{3, TextProblem::UnexpectedCharacter}));
  EXPECT_EQ(sci::describe(TextProblem::TrailingPoint), "no digit after the decimal point");
  EXPECT_EQ(stored(sci::toScientific(accepted(".5", Leniency::Points))), stored("5", -1));
  EXPECT_EQ(sci::formatDecimalText(FPFormat::Fixed, d), "-123.4");
  EXPECT_EQ(sci::formattedLength(FPFormat::Fixed, accepted("1e400")), 403);
}

TEST(DiagnoseTest, NamesThePlaceAndTheReason) {
  const std::pair<std::string_view, TextError> cases[] = {
      {"", {0, TextProblem::Empty}},
      {"x", {0, TextProblem::NoDigits}},
      {"-", {1, TextProblem::NoDigits}},
      {"+e5", {1, TextProblem::NoDigits}},
      {".5", {0, TextProblem::LeadingPoint}},
      {"-.5", {1, TextProblem::LeadingPoint}},
      {"5.", {1, TextProblem::TrailingPoint}},
      {"1.e5", {1, TextProblem::TrailingPoint}},
      {"1e", {2, TextProblem::NoExponentDigits}},
      {"1e+", {3, TextProblem::NoExponentDigits}},
      {"12x", {2, TextProblem::UnexpectedCharacter}},
      {"1 2", {1, TextProblem::UnexpectedCharacter}},
      {"12345678.9x", {10, TextProblem::UnexpectedCharacter}},
      {"1e99999999999999999999", {2, TextProblem::ExponentOutOfRange}},
      {"1e9223372036854775808", {2, TextProblem::ExponentOutOfRange}},
      {"1.5e-9223372036854775808", {5, TextProblem::ExponentOutOfRange}},  // with the fraction's -1
      // The value is fine as stored, but its leading position is not.
      {"10e9223372036854775807", {22, TextProblem::ExponentOutOfRange}},
      {"NaN", {0, TextProblem::NoDigits}},
      {"\xff", {0, TextProblem::NoDigits}},
      {"1\xd9\xa0", {1, TextProblem::UnexpectedCharacter}},  // non-ASCII digits are not digits
  };
  for (const auto& [text, error] : cases) EXPECT_EQ(refused(text), error) << text;
  // Stored fine, but its scale (9223372036854775808 digits) has no 64-bit value.
  EXPECT_EQ(refused("1e-9223372036854775808"), (TextError{22, TextProblem::ExponentOutOfRange}));
  EXPECT_EQ(accepted("1e-9223372036854775807").exponent, -9223372036854775807);
  // Lenient reading still refuses a point with no digit on either side.
  EXPECT_EQ(refused(".", Leniency::Points), (TextError{0, TextProblem::LeadingPoint}));
  EXPECT_EQ(refused("-.e1", Leniency::Points), (TextError{1, TextProblem::LeadingPoint}));
  EXPECT_EQ(stored(sci::toScientific(accepted("5.e3", Leniency::Points))), stored("5", 3));
  EXPECT_EQ(stored(sci::toScientific(accepted("-.25", Leniency::Points))), stored("-25", -2));
}

// Random texts from the grammar's alphabet, checked against the library's
// own reader (the oracle for acceptance and the stored value) and against
// normalize (for the derived sizes).
TEST(DiagnoseTest, AgreesWithTheReaderAndTheNormalForm) {
  std::mt19937_64 rng(18);
  const std::string alphabet = "0000123456789..ee+-E";
  int acceptedCount = 0;
  for (int i = 0; i < 100000; ++i) {
    std::string text;
    const std::size_t length = 1 + rng() % 12;
    for (std::size_t k = 0; k < length; ++k) text += alphabet[rng() % alphabet.size()];
    if (rng() % 4 == 0) text = std::to_string(static_cast<std::int64_t>(rng()) >> (rng() % 64)) + text.substr(0, 3);
    const auto checked = sci::checkDecimal(text);
    const std::optional<Scientific> read = sci::read<Scientific>(text);
    ASSERT_EQ(std::holds_alternative<DecimalText>(checked), read.has_value()) << text;
    if (!read) continue;
    ++acceptedCount;
    const DecimalText& d = std::get<DecimalText>(checked);
    const Scientific value = sci::toScientific(d);
    ASSERT_EQ(stored(value), stored(*read)) << text;
    const Scientific normal = sci::normalize(value);
    ASSERT_EQ(d.normalExponent(), normal.base10Exponent()) << text;
    ASSERT_EQ(d.significantDigits(), d.isZero() ? 0 : static_cast<std::int64_t>(mpz_class(abs(normal.coefficient())).get_str().size()))
        << text;
    ASSERT_EQ(d.isZero(), normal.coefficientSign() == 0) << text;
    for (FPFormat f : {FPFormat::Generic, FPFormat::Fixed, FPFormat::Exponent}) {
      if (sci::formattedLength(f, d) > 100000) {  // long zero runs: measured, and refused alike
        if (sci::formattedLength(f, d) > sci::maxFormattedLength) {
          EXPECT_THROW(sci::formatDecimalText(f, d), quire::Error);
          EXPECT_THROW(sci::formatScientific(f, std::nullopt, value), quire::Error);
        }
        continue;
      }
      const std::string expected = sci::formatScientific(f, std::nullopt, value);
      ASSERT_EQ(sci::formatDecimalText(f, d), expected) << text;
      ASSERT_EQ(sci::formattedLength(f, d), static_cast<std::int64_t>(expected.size())) << text;
    }
  }
  EXPECT_GT(acceptedCount, 20000);
}

TEST(DiagnoseTest, LongAndHostileTextsCostTheirCharactersOnly) {
  const std::string text = "0." + std::string(1000000, '7');
  DecimalText d = accepted(text);
  EXPECT_EQ(d.leadingPosition(), -1);
  EXPECT_EQ(d.significantDigits(), 1000000);
  const std::string fixed = sci::formatDecimalText(FPFormat::Fixed, d);
  EXPECT_EQ(fixed.size(), 1000002u);
  EXPECT_EQ(fixed.substr(0, 4), "0.77");
  EXPECT_EQ(sci::formatDecimalText(FPFormat::Exponent, d).substr(1000000), "7e-1");

  DecimalText huge = accepted("1e1000000000");
  EXPECT_EQ(sci::formattedLength(FPFormat::Fixed, huge), 1000000003);
  EXPECT_THROW(sci::formatDecimalText(FPFormat::Fixed, huge), quire::Error);
  EXPECT_EQ(sci::formatDecimalText(FPFormat::Generic, huge), "1.0e1000000000");
  DecimalText tiny = accepted("-1e-9223372036854775807");
  EXPECT_EQ(sci::formattedLength(FPFormat::Fixed, tiny), std::numeric_limits<std::int64_t>::max());
  EXPECT_EQ(tiny.scale(), 9223372036854775807);
  EXPECT_EQ(sci::formatDecimalText(FPFormat::Generic, tiny), "-1.0e-9223372036854775807");

  // Zeros: every digit is leading; the sign is not written.
  DecimalText zero = accepted("-000.000e5");
  EXPECT_TRUE(zero.isZero());
  EXPECT_TRUE(zero.hasLeadingZero());
  EXPECT_EQ(zero.normalExponent(), 0);
  EXPECT_EQ(sci::formatDecimalText(FPFormat::Generic, zero), "0.0");
  EXPECT_FALSE(accepted("0.5").hasLeadingZero());
  EXPECT_TRUE(accepted("00501").hasLeadingZero());
  EXPECT_EQ(accepted("00501").integerPlaces(), 3);
}

// Written forms and the sizes read from them.
TEST(DiagnoseTest, ShapesOfWrittenForms) {
  DecimalText s = accepted("1.50");
  EXPECT_EQ(s.significantDigits(), 2);
  EXPECT_EQ(s.normalExponent(), -1);
  EXPECT_EQ(s.exponent, -2);
  s = accepted("+1200E+2");
  EXPECT_FALSE(s.negative);
  EXPECT_EQ(s.normalExponent(), 4);
  EXPECT_EQ(s.exponent, 2);
  EXPECT_EQ(s.integerPlaces(), 6);
  s = accepted("0.000500");
  EXPECT_EQ(s.significantDigits(), 1);
  EXPECT_EQ(s.normalExponent(), -4);
  EXPECT_EQ(s.leadingPosition(), -4);
  EXPECT_EQ(s.scale(), 4);
  s = accepted("-0.000e7");
  EXPECT_TRUE(s.isZero());
  EXPECT_EQ(s.normalExponent(), 0);
  EXPECT_EQ(s.exponent, 4);
  EXPECT_EQ(accepted("1e-1000000000").normalExponent(), -1000000000);
  EXPECT_EQ(accepted("1e9223372036854775806").leadingPosition(), 9223372036854775806);
  DecimalText huge = accepted("-1e9223372036854775807");
  EXPECT_EQ(huge.integerPlaces(), INT64_MAX);
  EXPECT_EQ(sci::formattedLength(FPFormat::Fixed, huge), INT64_MAX);
  EXPECT_THROW(sci::formatDecimalText(FPFormat::Fixed, huge), quire::Error);
  for (std::string_view bad : {"", "-", "+", ".5", "1.", "1e", "1e+", "e3", "1.5x", "0x10", "1..2", "1e5.0",
                               "Infinity", "NaN", "--1", "1 2", "\xd9\xa3"}) {
    EXPECT_NE(refused(bad).problem, TextProblem::ExponentOutOfRange) << bad;
  }
  for (std::string_view bad : {"1e9223372036854775808", "1e-9223372036854775809", "0.5e-9223372036854775808",
                               "10e9223372036854775807", "1e99999999999999999999999"}) {
    EXPECT_EQ(refused(bad).problem, TextProblem::ExponentOutOfRange) << bad;
  }
}

// GMP's allocations while a long coefficient is read: the peak of live bytes.
class GmpPeak {
 public:
  GmpPeak() {
    mp_get_memory_functions(&alloc_, &realloc_, &free_);
    live_ = peak_ = 0;
    mp_set_memory_functions(&allocate, &reallocate, &release);
  }
  ~GmpPeak() { mp_set_memory_functions(alloc_, realloc_, free_); }
  static std::size_t peak() { return peak_; }

 private:
  static void note(std::size_t grown, std::size_t shrunk) {
    live_ = live_ + grown - shrunk;
    peak_ = std::max(peak_, live_);
  }
  static void* allocate(std::size_t n) {
    note(n, 0);
    return std::malloc(n);
  }
  static void* reallocate(void* p, std::size_t old, std::size_t n) {
    note(n, old);
    return std::realloc(p, n);
  }
  static void release(void* p, std::size_t n) {
    note(0, n);
    std::free(p);
  }
  static inline std::size_t live_ = 0, peak_ = 0;
  void* (*alloc_)(std::size_t);
  void* (*realloc_)(void*, std::size_t, std::size_t);
  void (*free_)(void*, std::size_t);
};

TEST(LongCoefficients, ReadWithoutCopiesOfTheirText) {
  // The coefficient needs digits * log2(10) / 8 bytes (0.42 per digit) and
  // GMP's conversion about 2.2 bytes per digit of scratch; a copy of the text
  // in GMP's hands would add one more byte per digit.
  constexpr std::size_t digits = 1'000'000;
  std::string text(digits, '7');
  text.insert(text.begin() + 10, '.');
  const mpz_class expected(std::string(digits, '7'), 10);
  std::size_t peakRead = 0, peakConvert = 0;
  {
    GmpPeak counting;
    auto viaRead = quire::scientific::read<Scientific>(text);
    ASSERT_TRUE(viaRead.has_value());
    peakRead = GmpPeak::peak();
    EXPECT_EQ(viaRead->bigCoefficient(), expected);
  }
  {
    DecimalText d = accepted(text);
    GmpPeak counting;
    Scientific viaCheck = sci::toScientific(d);
    peakConvert = GmpPeak::peak();
    EXPECT_EQ(viaCheck.bigCoefficient(), expected);
    EXPECT_EQ(viaCheck.base10Exponent(), -static_cast<std::int64_t>(digits - 10));
  }
  EXPECT_LT(peakRead, 3 * digits) << "peak of GMP's live bytes while reading";
  EXPECT_LT(peakConvert, 3 * digits) << "peak of GMP's live bytes while converting";
  EXPECT_EQ(sci::toScientific(accepted("-000123.4500")), Scientific(-1234500, -4));
  EXPECT_EQ(sci::toScientific(accepted("0.0000000000000000000000012345678901234567890")),
            Scientific(mpz_class("12345678901234567890"), -43));
}

}  // namespace
