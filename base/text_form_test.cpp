#include "base/text_form.hpp"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace {

using quire::readOf;
using quire::readsPrecOf;
using quire::showsPrecOf;

TEST(TextForm, HeaderExample) {
  EXPECT_EQ(showsPrecOf(0, -5), "-5");
  EXPECT_EQ(showsPrecOf(11, -5), "(-5)");
  EXPECT_EQ(showsPrecOf(0, std::vector<double>{1, 0.5}), "[1.0,0.5]");
  EXPECT_EQ(showsPrecOf(0, std::vector<char>{'h', 'i'}), "\"hi\"");
  auto r = readsPrecOf<std::vector<int>>(0, " [1, (-2)] x");
  ASSERT_EQ(r.size(), 1u);
  EXPECT_EQ(r[0].value, (std::vector<int>{1, -2}));
  EXPECT_EQ(r[0].rest, " x");
  EXPECT_FALSE(readOf<int>("99999999999"));
}

TEST(TextForm, IntegersAtTheirBoundsAndPrecedence) {
  using L = std::numeric_limits<std::int64_t>;
  EXPECT_EQ(showsPrecOf(0, L::min()), "-9223372036854775808");
  EXPECT_EQ(readOf<std::int64_t>("-9223372036854775808"), L::min());
  EXPECT_EQ(readOf<std::int64_t>("9223372036854775807"), L::max());
  EXPECT_FALSE(readOf<std::int64_t>("9223372036854775808"));
  EXPECT_EQ(readOf<std::uint8_t>("255"), 255);
  EXPECT_FALSE(readOf<std::uint8_t>("256"));
  EXPECT_FALSE(readOf<unsigned>("-1"));
  EXPECT_EQ(showsPrecOf(6, -1), "-1");
  EXPECT_EQ(showsPrecOf(7, -1), "(-1)");
  EXPECT_EQ(showsPrecOf(11, 1), "1");
  // A negative number needs parentheses above precedence 6, and inside
  // them any number is fine.
  EXPECT_TRUE(readsPrecOf<int>(11, "-1").empty());
  EXPECT_EQ(readsPrecOf<int>(11, "(-1)").size(), 1u);
  EXPECT_EQ(readOf<int>(" ( ( 42 ) ) "), 42);
  for (const char* bad : {"", "-", "+1", "1.5", "0x10", "(1", "1)", "--1", "- 1"}) {
    EXPECT_FALSE(readOf<int>(bad)) << bad;
  }
  auto rest = readsPrecOf<int>(0, "12ab");
  ASSERT_EQ(rest.size(), 1u);
  EXPECT_EQ(rest[0].rest, "ab");
}

TEST(TextForm, FloatingPointIsShortestAndRoundTrips) {
  EXPECT_EQ(showsPrecOf(0, 0.1), "0.1");
  EXPECT_EQ(showsPrecOf(0, 0.01), "1.0e-2");
  EXPECT_EQ(showsPrecOf(0, 1.0), "1.0");
  EXPECT_EQ(showsPrecOf(0, 1234567.0), "1234567.0");
  EXPECT_EQ(showsPrecOf(0, 12345678.0), "1.2345678e7");
  EXPECT_EQ(showsPrecOf(0, 1e7), "1.0e7");
  EXPECT_EQ(showsPrecOf(0, 0.0), "0.0");
  EXPECT_EQ(showsPrecOf(11, -0.0), "(-0.0)");
  EXPECT_EQ(showsPrecOf(0, 1.5f), "1.5");
  EXPECT_EQ(showsPrecOf(0, std::numeric_limits<double>::infinity()), "Infinity");
  EXPECT_EQ(showsPrecOf(11, -std::numeric_limits<double>::infinity()), "(-Infinity)");
  EXPECT_EQ(showsPrecOf(0, std::nan("")), "NaN");
  EXPECT_TRUE(std::isnan(*readOf<double>("NaN")));
  EXPECT_TRUE(std::signbit(*readOf<double>("-0.0")));
  EXPECT_EQ(readOf<double>("5"), 5.0);
  EXPECT_EQ(readOf<double>("2.5E+2"), 250.0);
  EXPECT_FALSE(readOf<double>("1e400"));
  EXPECT_FALSE(readOf<double>(".5"));
  EXPECT_FALSE(readOf<double>("Infinityx"));
  std::mt19937_64 rng(5);
  for (int i = 0; i < 2000; ++i) {
    const double d = std::bit_cast<double>(rng());
    if (std::isnan(d)) continue;
    const std::string text = showsPrecOf(0, d);
    auto back = readOf<double>(text);
    ASSERT_TRUE(back) << text;
    EXPECT_EQ(std::bit_cast<std::uint64_t>(*back), std::bit_cast<std::uint64_t>(d)) << text;
  }
}

TEST(TextForm, CharactersAndStrings) {
  EXPECT_EQ(showsPrecOf(0, 'a'), "'a'");
  EXPECT_EQ(showsPrecOf(0, '\''), "'\\''");
  EXPECT_EQ(showsPrecOf(0, '"'), "'\"'");
  EXPECT_EQ(showsPrecOf(0, '\n'), "'\\n'");
  EXPECT_EQ(showsPrecOf(0, U'\u00e9'), "'\u00e9'");
  EXPECT_EQ(showsPrecOf(0, std::string("a\"b")), "\"a\\\"b\"");
  EXPECT_EQ(showsPrecOf(0, std::u32string(U"\u20ac!")), "\"\u20ac!\"");
  for (char c : {'a', '\'', '"', '\\', '\0', '\x7f', ' '}) {
    EXPECT_EQ(readOf<char>(showsPrecOf(0, c)), c) << static_cast<int>(c);
  }
  EXPECT_EQ(readOf<char32_t>("'\u4e2d'"), U'\u4e2d');
  EXPECT_EQ(readOf<std::u32string>("\"\u4e2d\\n\""), U"\u4e2d\n");
  EXPECT_EQ(readOf<std::vector<char>>("['x', 'y']"), (std::vector<char>{'x', 'y'}));
  EXPECT_EQ(readOf<std::vector<char>>("\"xy\""), (std::vector<char>{'x', 'y'}));
  for (const char* bad : {"''", "'ab'", "'''", "'a", "a", "\"a"}) {
    EXPECT_FALSE(readOf<char>(bad)) << bad;
  }
  EXPECT_FALSE(readOf<char32_t>("'\xC3'"));  // a broken UTF-8 sequence
  EXPECT_EQ(showsPrecOf(0, true), "True");
  EXPECT_EQ(readOf<bool>("(False)"), false);
  EXPECT_FALSE(readOf<bool>("true"));
}

TEST(TextForm, ListsAndPairs) {
  using P = std::pair<int, std::string>;
  std::vector<P> items{{1, "a"}, {-2, ""}};
  EXPECT_EQ(showsPrecOf(0, items), "[(1,\"a\"),(-2,\"\")]");
  EXPECT_EQ(readOf<std::vector<P>>(showsPrecOf(0, items)), items);
  EXPECT_EQ(readOf<std::vector<P>>(" [ ( 1 , \"a\" ) , ((-2,\"\")) ] "), items);
  EXPECT_EQ(readOf<std::vector<std::vector<int>>>("[[],[1,2],[3]]"),
            (std::vector<std::vector<int>>{{}, {1, 2}, {3}}));
  EXPECT_EQ(readOf<std::vector<int>>("[]"), std::vector<int>{});
  for (const char* bad : {"[", "]", "[1,]", "[,]", "[1 2]", "[1,,2]", "(1,2", "[1]]"}) {
    EXPECT_FALSE(readOf<std::vector<int>>(bad)) << bad;
  }
  EXPECT_FALSE((readOf<std::pair<int, int>>("(1,2,3)")));
  // A long list reads in one pass, without recursion.
  std::vector<int> many(100000, 7);
  EXPECT_EQ(readOf<std::vector<int>>(showsPrecOf(0, many)), many);
}

}  // namespace
