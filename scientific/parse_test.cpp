#include "scientific/parse.hpp"

#include <gtest/gtest.h>

#include <bit>
#include <chrono>
#include <cstdlib>
#include <random>
#include <string>

#include "scientific/sciconv_test_support.hpp"

namespace {

using quire::Reading;
using quire::scientific::Scientific;
using sciconv_test::Stored;
using sciconv_test::stored;
namespace sci = quire::scientific;

// Every reading as (stored form, rest).
std::vector<std::pair<Stored, std::string>> readings(const std::vector<Reading<Scientific>>& rs) {
  std::vector<std::pair<Stored, std::string>> out;
  for (const auto& r : rs) out.emplace_back(stored(r.value), std::string(r.rest));
  return out;
}
std::vector<std::pair<Stored, std::string>> readingsOf(std::string_view text) {
  return readings(sci::readsPrec<Scientific>(0, text));
}
std::pair<Stored, std::string> reading(const char* c, std::int64_t e, const char* rest) {
  return {stored(c, e), rest};
}

TEST(ParseTest, HeaderExample) {
  auto r = sci::scientificP("-0.001 kg");
  ASSERT_TRUE(r);
  EXPECT_EQ(stored(r->value), stored("-1", -3));
  EXPECT_EQ(r->rest, " kg");
  EXPECT_EQ(readingsOf(" ( 2.5 ) "), (std::vector{reading("25", -1, " ")}));
  EXPECT_EQ(readingsOf("1e5x"), (std::vector{reading("1", 5, "x"), reading("1", 0, "e5x")}));
  EXPECT_EQ(stored(*sci::read<Scientific>("1.5e3")), stored("15", 2));
  EXPECT_EQ(sci::read<Scientific>("1.5 2"), std::nullopt);
  auto list = sci::read<std::vector<Scientific>>("[1, 2.5]");
  ASSERT_TRUE(list);
  ASSERT_EQ(list->size(), 2u);
  EXPECT_EQ(stored((*list)[1]), stored("25", -1));
}

TEST(ParseTest, GrammarKeepsEveryDigitAsWritten) {
  const auto full = [](const char* text) {
    auto r = sci::scientificP(text);
    EXPECT_TRUE(r && r->rest.empty()) << text;
    return r ? stored(r->value) : stored("none", 0);
  };
  EXPECT_EQ(full("1.5"), stored("15", -1));
  EXPECT_EQ(full("-0.001"), stored("-1", -3));
  EXPECT_EQ(full("+7"), stored("7", 0));
  EXPECT_EQ(full("1E-2"), stored("1", -2));
  EXPECT_EQ(full("1e+2"), stored("1", 2));
  EXPECT_EQ(full("007"), stored("7", 0));
  EXPECT_EQ(full("1.500e1"), stored("1500", -2));
  EXPECT_EQ(full("1.50"), stored("150", -2));
  EXPECT_EQ(full("12e3"), stored("12", 3));
  EXPECT_EQ(full("-0.0"), stored("0", -1));
  EXPECT_EQ(full("9223372036854775807"), stored("9223372036854775807", 0));
  EXPECT_EQ(full("-9223372036854775808"), stored("-9223372036854775808", 0));
  EXPECT_EQ(full("9223372036854775808"), stored("9223372036854775808", 0));
  EXPECT_EQ(full("18446744073709551615.5"), stored("184467440737095516155", -1));
  EXPECT_EQ(full("0000000000000000000000000000001.25"), stored("125", -2));
  EXPECT_EQ(full("1e-9223372036854775808"), stored("1", std::numeric_limits<std::int64_t>::min()));
  EXPECT_EQ(full("1e9223372036854775807"), stored("1", std::numeric_limits<std::int64_t>::max()));
  EXPECT_EQ(full("1e0000000000000000000000000005"), stored("1", 5));
  // Small coefficients are held inline.
  EXPECT_TRUE(sci::scientificP("-123456789.0123456789")->value.hasSmallCoefficient());
}

TEST(ParseTest, PartialAndRejectedInput) {
  EXPECT_EQ(readingsOf("1."), (std::vector{reading("1", 0, ".")}));
  EXPECT_EQ(readingsOf("1e"), (std::vector{reading("1", 0, "e")}));
  EXPECT_EQ(readingsOf("1e+"), (std::vector{reading("1", 0, "e+")}));
  EXPECT_EQ(readingsOf("1.5.5"), (std::vector{reading("15", -1, ".5")}));
  EXPECT_EQ(readingsOf("2 3"), (std::vector{reading("2", 0, " 3")}));
  for (const char* bad : {".5", "-", "+", "e3", "", " ", "(", "()", "(1", "--1", "+-1", "- 1",
                          "Infinity", "NaN", "\xd9\xa1", "１"}) {
    EXPECT_TRUE(readingsOf(bad).empty()) << bad;
    EXPECT_FALSE(sci::scientificP(bad)) << bad;
    EXPECT_EQ(sci::read<Scientific>(bad), std::nullopt) << bad;
  }
  // scientificP skips no white space.
  EXPECT_FALSE(sci::scientificP(" 1"));
}

TEST(ParseTest, ExponentsOutsideTheWordAreNotRead) {
  EXPECT_EQ(readingsOf("1e99999999999999999999"),
            (std::vector{reading("1", 0, "e99999999999999999999")}));
  EXPECT_EQ(readingsOf("1e9223372036854775808"),
            (std::vector{reading("1", 0, "e9223372036854775808")}));
  EXPECT_EQ(readingsOf("1e-9223372036854775809"),
            (std::vector{reading("1", 0, "e-9223372036854775809")}));
  // The fraction's exponent plus the written one must fit as well.
  EXPECT_EQ(readingsOf("0.1e-9223372036854775808"),
            (std::vector{reading("1", -1, "e-9223372036854775808")}));
  EXPECT_EQ(readingsOf("0.1e9223372036854775807"),
            (std::vector{reading("1", 9223372036854775806, ""),
                         reading("1", -1, "e9223372036854775807")}));
  EXPECT_EQ(sci::read<Scientific>("1e99999999999999999999"), std::nullopt);
  EXPECT_EQ(stored(sci::scientificP("1e99999999999999999999")->value), stored("1", 0));
}

TEST(ParseTest, StandardReader) {
  EXPECT_EQ(readingsOf("((  (7)) )"), (std::vector{reading("7", 0, "")}));
  EXPECT_EQ(readingsOf("\t\n 1.25e1 rest"),
            (std::vector{reading("125", -1, " rest"), reading("125", -2, "e1 rest")}));
  EXPECT_TRUE(readingsOf("((1)").empty());
  EXPECT_EQ(readingsOf("(1))"), (std::vector{reading("1", 0, ")")}));
  EXPECT_EQ(stored(*sci::read<Scientific>("  ( -3 )\n")), stored("-3", 0));
  EXPECT_EQ(sci::read<Scientific>("1 x"), std::nullopt);
  EXPECT_EQ(sci::readsPrec<Scientific>(11, "-2").size(), 1u);  // precedence restricts nothing
  // Deep nesting costs a loop, not the stack.
  std::string deep(100000, '(');
  deep += "5";
  deep.append(100000, ')');
  EXPECT_EQ(stored(*sci::read<Scientific>(deep)), stored("5", 0));
}

TEST(ParseTest, Lists) {
  const auto list = [](const char* text) {
    std::vector<Stored> out;
    if (auto values = sci::read<std::vector<Scientific>>(text)) {
      for (const auto& v : *values) out.push_back(stored(v));
    } else {
      out.push_back(stored("none", 0));
    }
    return out;
  };
  EXPECT_EQ(list("[]"), std::vector<Stored>{});
  EXPECT_EQ(list(" [ ] "), std::vector<Stored>{});
  EXPECT_EQ(list("[1e5,(2),  -3.0 ]"),
            (std::vector{stored("1", 5), stored("2", 0), stored("-30", -1)}));
  EXPECT_EQ(list("([1])"), (std::vector{stored("1", 0)}));
  for (const char* bad : {"[", "[1", "[1,]", "[,1]", "[1 2]", "1", "[1];"}) {
    EXPECT_EQ(list(bad), (std::vector{stored("none", 0)})) << bad;
  }
  // A long list reads in linear time.
  std::string text = "[";
  for (int i = 0; i < 100000; ++i) text += (i ? ",1.5" : "1.5");
  text += "]";
  const auto start = std::chrono::steady_clock::now();
  auto values = sci::read<std::vector<Scientific>>(text);
  ASSERT_TRUE(values);
  EXPECT_EQ(values->size(), 100000u);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}

// Elements with a second reading ("1e5" also reads as 1 before "e5") once
// copied the partial list for every element: a quarter megabyte took
// seconds. Several megabytes of them now read at once.
TEST(ParseTest, ListsOfElementsWithTwoReadingsStayLinear) {
  constexpr int kElements = 1'000'000;
  std::string text = "[";
  for (int i = 0; i < kElements; ++i) text += (i ? ",1e5" : "1e5");
  text += "]";
  auto values = sci::read<std::vector<Scientific>>(text);
  ASSERT_TRUE(values);
  ASSERT_EQ(values->size(), static_cast<std::size_t>(kElements));
  EXPECT_EQ(stored(values->back()), stored("1", 5));
  // Nested parentheses around each element keep working the same way.
  EXPECT_EQ(sci::read<std::vector<Scientific>>("[(1e5), ((2E-1)) ,3e0]")->size(), 3u);
  EXPECT_EQ(sci::read<std::vector<Scientific>>("[1e5 e5]"), std::nullopt);
}

// The one-pass reader of a single number answers exactly as the readings do.
TEST(ParseTest, ReadAgreesWithTheReadings) {
  std::mt19937_64 rng(7);
  const char alphabet[] = "0123456789.eE+- ()x";
  for (int i = 0; i < 200000; ++i) {
    std::string text;
    for (int n = static_cast<int>(rng() % 10); n > 0; --n) text.push_back(alphabet[rng() % (sizeof alphabet - 1)]);
    const auto fast = sci::read<Scientific>(text);
    const auto general = quire::onlyFullReading(sci::readsPrec<Scientific>(0, text));
    ASSERT_EQ(fast.has_value(), general.has_value()) << text;
    if (fast) {
      EXPECT_EQ(stored(*fast), stored(*general)) << text;
    }
  }
}

// The one-call reader gives toBoundedRealFloat of the reading, and strtod's
// double wherever the text is plain decimal.
TEST(ParseTest, ReadBoundedRealFloatAgreesWithReadThenConvert) {
  std::mt19937_64 rng(11);
  const char alphabet[] = "0123456789012345678901234567890123456789.eE+- (";
  for (int i = 0; i < 200000; ++i) {
    std::string text;
    for (int n = static_cast<int>(rng() % 26); n > 0; --n) text.push_back(alphabet[rng() % (sizeof alphabet - 1)]);
    const auto oneCall = sci::readBoundedRealFloat<double>(text);
    const auto value = sci::read<Scientific>(text);
    ASSERT_EQ(oneCall.has_value(), value.has_value()) << text;
    if (!value) continue;
    const auto expected = sci::toBoundedRealFloat<double>(*value);
    EXPECT_EQ(oneCall->inRange, expected.inRange) << text;
    EXPECT_EQ(std::bit_cast<std::uint64_t>(oneCall->value), std::bit_cast<std::uint64_t>(expected.value)) << text;
    if (text.find_first_of(" (") == std::string::npos && value->coefficientSign() != 0) {
      EXPECT_EQ(oneCall->value, std::strtod(text.c_str(), nullptr)) << text;
    }
    const auto single = sci::readBoundedRealFloat<float>(text);
    EXPECT_EQ(std::bit_cast<std::uint32_t>(single->value),
              std::bit_cast<std::uint32_t>(sci::toBoundedRealFloat<float>(*value).value)) << text;
  }
  EXPECT_EQ(sci::readBoundedRealFloat<double>(" 2.5e-3 ")->value, 0.0025);
  EXPECT_FALSE(sci::readBoundedRealFloat<double>("1e400")->inRange);
  EXPECT_EQ(sci::readBoundedRealFloat<double>("1.5x"), std::nullopt);
  EXPECT_EQ(sci::readBoundedRealFloat<long double>("(0.5)")->value, 0.5L);
}

// The range of an exponent is that of the coefficient's final exponent.
TEST(ParseTest, ExponentRangeIsDecidedAfterTheFractionShift) {
  constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
  constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();
  EXPECT_EQ(stored(*sci::read<Scientific>("1.2e9223372036854775808")), stored("12", kMax));
  EXPECT_EQ(stored(*sci::read<Scientific>("1.25e9223372036854775809")), stored("125", kMax));
  EXPECT_EQ(sci::read<Scientific>("1.2e9223372036854775809"), std::nullopt);
  // Trailing zeros move into an exponent below the range, and only they.
  EXPECT_EQ(stored(*sci::read<Scientific>("1.0e-9223372036854775808")), stored("1", kMin));
  EXPECT_EQ(stored(*sci::read<Scientific>("100e-9223372036854775810")), stored("1", kMin));
  EXPECT_EQ(stored(*sci::read<Scientific>("0.00e-9223372036854775807")), stored("0", kMin));
  EXPECT_EQ(sci::read<Scientific>("1.5e-9223372036854775808"), std::nullopt);
  EXPECT_EQ(readingsOf("1.0e-9223372036854775808"),
            (std::vector{reading("1", kMin, ""), reading("10", -1, "e-9223372036854775808")}));
  EXPECT_EQ(stored(*sci::read<Scientific>(std::string(30, '1') + "0.0e-9223372036854775808")),
            stored((std::string(30, '1') + "0").c_str(), kMin));
}

TEST(ParseTest, LongCoefficientsAreExact) {
  std::mt19937_64 rng(12);
  for (std::size_t digits : {19u, 20u, 40u, 400u, 200000u}) {
    std::string integer, fraction;
    for (std::size_t i = 0; i < digits; ++i) integer.push_back(static_cast<char>('1' + rng() % 9));
    for (std::size_t i = 0; i < digits / 2; ++i)
      fraction.push_back(static_cast<char>('0' + rng() % 10));
    const std::string text = "-" + integer + "." + fraction + "e-7";
    auto r = sci::scientificP(text);
    ASSERT_TRUE(r);
    EXPECT_TRUE(r->rest.empty());
    EXPECT_EQ(r->value.coefficient(), -mpz_class(integer + fraction, 10)) << digits;
    EXPECT_EQ(r->value.base10Exponent(), -static_cast<std::int64_t>(fraction.size()) - 7);
  }
}

// Random texts of the grammar read back as the value they were built from.
TEST(ParseTest, RandomTextsReadBack) {
  std::mt19937_64 rng(13);
  for (int i = 0; i < 20000; ++i) {
    const int intDigits = 1 + static_cast<int>(rng() % 30);
    const int fracDigits = static_cast<int>(rng() % 30);
    std::string digits;
    for (int d = 0; d < intDigits + fracDigits; ++d)
      digits.push_back(static_cast<char>('0' + rng() % 10));
    const std::int64_t written = static_cast<std::int64_t>(rng() % 2001) - 1000;
    const bool negative = rng() % 2 == 1;
    std::string text = negative ? "-" : (rng() % 4 == 0 ? "+" : "");
    text.append(digits, 0, static_cast<std::size_t>(intDigits));
    if (fracDigits > 0) text.append(".").append(digits, static_cast<std::size_t>(intDigits));
    text.append(rng() % 2 ? "e" : "E").append(std::to_string(written));
    mpz_class c(digits, 10);
    if (negative) c = -c;
    auto value = sci::read<Scientific>(text);
    ASSERT_TRUE(value) << text;
    EXPECT_EQ(stored(*value), stored(Scientific(c, written - fracDigits))) << text;
  }
}

namespace reference {

// The longest reading of the grammar at the start of text, found one
// character at a time with GMP arithmetic: the value and the length read.
std::optional<std::pair<Scientific, std::size_t>> longest(std::string_view text) {
  std::size_t i = 0;
  const auto digitsAt = [&](std::size_t from) {
    std::size_t to = from;
    while (to < text.size() && text[to] >= '0' && text[to] <= '9') ++to;
    return to;
  };
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  const std::size_t integerEnd = digitsAt(i);
  if (integerEnd == i) return std::nullopt;
  std::string digits(text.substr(i, integerEnd - i));
  std::size_t mantissaEnd = integerEnd;
  if (integerEnd + 1 < text.size() && text[integerEnd] == '.' && digitsAt(integerEnd + 1) > integerEnd + 1) {
    mantissaEnd = digitsAt(integerEnd + 1);
    digits.append(text.substr(integerEnd + 1, mantissaEnd - integerEnd - 1));
  }
  const auto fractionDigits = static_cast<long>(digits.size() - (integerEnd - i));
  mpz_class coefficient(digits, 10);
  if (negative) coefficient = -coefficient;
  if (mantissaEnd < text.size() && (text[mantissaEnd] == 'e' || text[mantissaEnd] == 'E')) {
    std::size_t e = mantissaEnd + 1;
    const bool negativeExponent = e < text.size() && text[e] == '-';
    if (e < text.size() && (text[e] == '+' || text[e] == '-')) ++e;
    const std::size_t exponentEnd = digitsAt(e);
    if (exponentEnd > e) {
      const mpz_class written(std::string(text.substr(e, exponentEnd - e)), 10);
      const mpz_class lo(std::to_string(std::numeric_limits<std::int64_t>::min()), 10);
      const mpz_class hi(std::to_string(std::numeric_limits<std::int64_t>::max()), 10);
      // A written magnitude beyond 64 bits is never read.
      if (written <= mpz_class("18446744073709551615", 10)) {
        mpz_class exponent = (negativeExponent ? -written : written) - fractionDigits;
        mpz_class c = coefficient;
        while (exponent < lo && c != 0 && c % 10 == 0 && exponent < lo) {
          c /= 10;
          exponent += 1;
        }
        if (exponent < lo && c == 0) {
          // Zeros stripped from a zero coefficient: its digits were all zeros.
          const std::size_t zeros = digits.size();
          if (lo - exponent <= zeros) exponent = lo;
        }
        if (exponent >= lo && exponent <= hi) {
          return std::pair{Scientific(c, exponent.get_si()), exponentEnd};
        }
      }
    }
  }
  return std::pair{Scientific(coefficient, -fractionDigits), mantissaEnd};
}

}  // namespace reference

// Texts built from the pieces where a one-pass reader can slip: the 19- and
// 20-digit word boundary, 38 and 39 digits, leading zeros, "-0", long
// fractions, exponents of 18, 19 and 20 digits around the int64 range, and
// white space or other text after the number. Every reader must give the
// value and the rest a reading one character at a time gives, and the
// one-call conversion must give strtod's and strtof's roundings.
TEST(ParseTest, OnePassReadersAgreeWithAReferenceReader) {
  std::mt19937_64 rng(17);
  const auto digitString = [&](std::size_t n, bool zeros) {
    std::string s;
    for (std::size_t k = 0; k < n; ++k) s.push_back(zeros && rng() % 2 ? '0' : static_cast<char>('0' + rng() % 10));
    return s;
  };
  const std::size_t lengths[] = {1, 1, 2, 3, 9, 17, 18, 19, 20, 21, 37, 38, 39, 45};
  const char* exponents[] = {"", "0", "7", "22", "23", "308", "309", "324", "325", "343", "00000000000000000001",
                             "999999999999999999", "1000000000000000000", "9223372036854775807",
                             "9223372036854775808", "9223372036854775827", "18446744073709551615",
                             "18446744073709551616", "99999999999999999999"};
  const char* afters[] = {"", "", "", " ", "\t\n", "x", "e", "e+", ".", ".5", " 1", ")"};
  for (int i = 0; i < 60000; ++i) {
    const char* signs[] = {"", "", "-", "+"};
    std::string number = signs[rng() % 4];
    const bool zeros = rng() % 4 == 0;
    if (rng() % 8 == 0) number += std::string(1 + rng() % 25, '0');
    number += digitString(lengths[rng() % std::size(lengths)], zeros);
    if (rng() % 3 != 0) {
      number.push_back('.');
      number += digitString(rng() % 3 == 0 ? lengths[rng() % std::size(lengths)] : 1 + rng() % 6, zeros);
    }
    if (rng() % 2 == 0) {
      number += rng() % 2 ? "e" : "E";
      number += signs[1 + rng() % 3];
      number += rng() % 3 == 0 ? digitString(1 + rng() % 3, false) : exponents[rng() % std::size(exponents)];
    }
    const std::string after = afters[rng() % std::size(afters)];
    const std::string text = number + after;
    const auto expected = reference::longest(text);

    const auto p = sci::scientificP(text);
    ASSERT_EQ(p.has_value(), expected.has_value()) << text;
    if (!p) continue;
    ASSERT_EQ(stored(p->value), stored(expected->first)) << text;
    ASSERT_EQ(p->rest, std::string_view(text).substr(expected->second)) << text;
    EXPECT_EQ(stored(sci::scientificReadings(text).front().value), stored(expected->first)) << text;

    const std::string spaced = (rng() % 4 == 0 ? " " : "") + text;
    const bool full = text.find_first_not_of(" \t\n", expected->second) == std::string::npos;
    const auto r = sci::read<Scientific>(spaced);
    ASSERT_EQ(r.has_value(), full) << spaced;
    const auto d = sci::readBoundedRealFloat<double>(spaced);
    const auto f = sci::readBoundedRealFloat<float>(spaced);
    ASSERT_EQ(d.has_value(), full) << spaced;
    ASSERT_EQ(f.has_value(), full) << spaced;
    if (!full) continue;
    EXPECT_EQ(stored(*r), stored(expected->first)) << spaced;
    EXPECT_EQ(*d, sci::toBoundedRealFloat<double>(expected->first)) << spaced;
    EXPECT_EQ(*f, sci::toBoundedRealFloat<float>(expected->first)) << spaced;
    const std::string read(text, 0, expected->second);
    if (expected->first.coefficientSign() != 0) {
      EXPECT_EQ(std::bit_cast<std::uint64_t>(d->value), std::bit_cast<std::uint64_t>(std::strtod(read.c_str(), nullptr)))
          << spaced;
      EXPECT_EQ(std::bit_cast<std::uint32_t>(f->value), std::bit_cast<std::uint32_t>(std::strtof(read.c_str(), nullptr)))
          << spaced;
    } else {
      EXPECT_EQ(std::bit_cast<std::uint64_t>(d->value), 0u) << spaced;  // a zero coefficient has no sign
    }
  }
}

}  // namespace

namespace {

// Every integer and fraction length up to 20 digits, with and without a
// sign and with the number ending the text or followed by more: the runs
// end on each side of the eight- and sixteen-byte steps, at the text's end
// and before it, and each reader must agree with the character-at-a-time one.
TEST(ParseTest, RunLengthsAroundTheEightByteSteps) {
  const char* afters[] = {"", "e-7", "x", ".", "5"};
  for (const char* sign : {"", "-", "+"}) {
    for (std::size_t integer = 0; integer <= 20; ++integer) {
      for (std::size_t fraction = 0; fraction <= 20; ++fraction) {
        for (const char* after : afters) {
          std::string text = sign;
          for (std::size_t k = 0; k < integer; ++k) text.push_back(static_cast<char>('1' + (k * 7) % 9));
          if (fraction != 0) {
            text.push_back('.');
            for (std::size_t k = 0; k < fraction; ++k) text.push_back(static_cast<char>('0' + (k * 3 + 1) % 10));
          }
          text += after;
          const auto expected = reference::longest(text);
          const auto p = sci::scientificP(text);
          ASSERT_EQ(p.has_value(), expected.has_value()) << text;
          if (!p) continue;
          EXPECT_EQ(stored(p->value), stored(expected->first)) << text;
          EXPECT_EQ(p->rest, std::string_view(text).substr(expected->second)) << text;
          const bool full = expected->second == text.size();
          const auto r = sci::read<Scientific>(text);
          ASSERT_EQ(r.has_value(), full) << text;
          if (!full) continue;
          EXPECT_EQ(stored(*r), stored(expected->first)) << text;
          EXPECT_EQ(*sci::readBoundedRealFloat<double>(text), sci::toBoundedRealFloat<double>(expected->first)) << text;
        }
      }
    }
  }
}

}  // namespace
