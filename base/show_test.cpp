#include "base/show.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using quire::Reading;

std::vector<Reading<std::string>> literalReadings(std::string_view s) {
  std::vector<Reading<std::string>> out;
  if (auto r = quire::readLiteral(s)) out.push_back(std::move(*r));
  return out;
}

TEST(Show, HeaderExample) {
  EXPECT_EQ(quire::showParen(true, "Just 3"), "(Just 3)");
  EXPECT_EQ(quire::showParen(false, "Just 3"), "Just 3");
  EXPECT_EQ(quire::showLiteral("tab\there \xC3\xA9"), "\"tab\\there \xC3\xA9\"");
  EXPECT_EQ(quire::showLiteral("\x01" "7"), "\"\\0017\"");

  auto lit = quire::readLiteral("\"a\\nb\" rest");
  ASSERT_TRUE(lit);
  EXPECT_EQ(lit->value, "a\nb");
  EXPECT_EQ(lit->rest, " rest");

  auto readings = quire::readParen(false, " ( (\"x\") ) tail", literalReadings);
  ASSERT_EQ(readings.size(), 1u);
  EXPECT_EQ(readings[0].value, "x");
  EXPECT_EQ(readings[0].rest, " tail");
}

TEST(Show, LiteralEscapes) {
  EXPECT_EQ(quire::showLiteral(""), "\"\"");
  EXPECT_EQ(quire::showLiteral("say \"hi\" \\ now"), R"("say \"hi\" \\ now")");
  EXPECT_EQ(quire::showLiteral("\n\t\r\a\b\f\v"), R"("\n\t\r\a\b\f\v")");
  EXPECT_EQ(quire::showLiteral(std::string_view("\0\x1b\x1f\x7f", 4)), R"("\000\033\037\177")");
  // U+0085 and U+009B are control characters too; U+00A0 and later are not.
  EXPECT_EQ(quire::showLiteral("\xC2\x85\xC2\x9B\xC2\xA0"), "\"\\205\\233\xC2\xA0\"");
  EXPECT_EQ(quire::showLiteral("\xE2\x82\xAC \xF0\x9F\x98\x80 '?"), "\"\xE2\x82\xAC \xF0\x9F\x98\x80 '?\"");
  // A lone 0xC2 at the end, or before a non-control byte, is left as it is.
  EXPECT_EQ(quire::showLiteral("\xC2"), "\"\xC2\"");
  EXPECT_EQ(quire::showLiteral("\xC2" "A"), "\"\xC2" "A\"");
}

TEST(Show, LiteralsRoundTrip) {
  std::string every_byte;
  for (int b = 0; b < 256; ++b) every_byte.push_back(static_cast<char>(b));
  const std::string cases[] = {
      "",
      "plain",
      std::string("nul\0inside", 10),
      "\"\\\n\t\r\a\b\f\v",
      "\x01" "2\x01" "23",  // digits after an octal escape stay digits
      "grüße \xE2\x82\xAC \xF0\x9F\x98\x80",
      "\xC2\x80\xC2\x9F\xC2\xA0",
      every_byte,
      every_byte + every_byte.substr(0xC2),  // 0xC2 before every byte
  };
  for (const std::string& s : cases) {
    SCOPED_TRACE(s);
    std::string shown = quire::showLiteral(s) + ",next";
    auto back = quire::readLiteral(shown);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->value, s);
    EXPECT_EQ(back->rest, ",next");
  }
}

TEST(Show, ReadLiteralAcceptsCppEscapesAndRejectsMalformedInput) {
  auto value = [](std::string_view s) -> std::optional<std::string> {
    auto r = quire::readLiteral(s);
    if (!r) return std::nullopt;
    return r->value;
  };
  EXPECT_EQ(value(R"("\0")"), std::string(1, '\0'));
  EXPECT_EQ(value(R"("\12x")"), "\nx");  // one to three octal digits
  EXPECT_EQ(value(R"("\1234")"), "S4");  // never more than three
  EXPECT_EQ(value(R"("\'\?")"), "'?");
  EXPECT_EQ(value(R"("\351")"), "\xC3\xA9");  // octal names a character, decoded to UTF-8
  EXPECT_EQ(value("\"raw\ttab\""), "raw\ttab");
  EXPECT_EQ(value(R"("a"b")"), "a");

  EXPECT_FALSE(value(""));
  EXPECT_FALSE(value(" \"leading space\""));
  EXPECT_FALSE(value("'c'"));
  EXPECT_FALSE(value("\"unterminated"));
  EXPECT_FALSE(value(R"("ends in escape\")"));
  EXPECT_FALSE(value(R"("\)"));
  EXPECT_FALSE(value(R"("\400")"));  // above U+00FF
  EXPECT_FALSE(value(R"("\x41")"));
  EXPECT_FALSE(value(R"("\8")"));
  EXPECT_FALSE(value(R"("\u0041")"));
}

TEST(Show, TokensAndSpace) {
  EXPECT_EQ(quire::skipSpace(" \t\n\r\f\vx "), "x ");
  EXPECT_EQ(quire::skipSpace("   "), "");
  EXPECT_EQ(quire::readToken("  fromList [1]", "fromList"), " [1]");
  EXPECT_EQ(quire::readToken("fromListX", "fromList"), std::nullopt);
  EXPECT_EQ(quire::readToken("fromList_", "fromList"), std::nullopt);
  EXPECT_EQ(quire::readToken("fromList(", "fromList"), "(");
  EXPECT_EQ(quire::readToken("((", "("), "(");  // symbols may run on
  EXPECT_EQ(quire::readToken("x", "y"), std::nullopt);
  EXPECT_EQ(quire::readToken("", ")"), std::nullopt);
}

TEST(Show, ReadParenFindsEveryNesting) {
  // A reader that also understands a parenthesised pair, to show that the
  // readings from both levels are kept.
  auto word = [](std::string_view s) {
    std::vector<Reading<std::string>> out;
    std::size_t n = 0;
    while (n < s.size() && s[n] >= 'a' && s[n] <= 'z') ++n;
    if (n > 0) out.push_back({std::string(s.substr(0, n)), s.substr(n)});
    return out;
  };

  auto bare = quire::readParen(false, "abc rest", word);
  ASSERT_EQ(bare.size(), 1u);
  EXPECT_EQ(bare[0], (Reading<std::string>{"abc", " rest"}));
  EXPECT_TRUE(quire::readParen(true, "abc rest", word).empty());  // parentheses required

  auto nested = quire::readParen(true, " ( ( abc ) )x", word);
  ASSERT_EQ(nested.size(), 1u);
  EXPECT_EQ(nested[0].value, "abc");
  EXPECT_EQ(nested[0].rest, "x");

  // Unbalanced: two open, one close: no reading consumes a missing ')'.
  EXPECT_TRUE(quire::readParen(false, "((abc)", word).empty());
  // More closes than opens: the extra ones are left in the rest.
  auto extra = quire::readParen(false, "(abc)))", word);
  ASSERT_EQ(extra.size(), 1u);
  EXPECT_EQ(extra[0].rest, "))");

  // Deep nesting is a loop, not a recursion.
  const std::size_t depth = 100000;
  std::string deep = std::string(depth, '(') + "q" + std::string(depth, ')');
  auto deepReadings = quire::readParen(true, deep, word);
  ASSERT_EQ(deepReadings.size(), 1u);
  EXPECT_EQ(deepReadings[0].rest, "");
}

TEST(Show, OnlyFullReadingPicksTheUniqueCompleteOne) {
  using R = Reading<int>;
  EXPECT_EQ(quire::onlyFullReading<int>({R{1, "  "}, R{2, "x"}}), 1);
  EXPECT_EQ(quire::onlyFullReading<int>({R{2, "x"}}), std::nullopt);
  EXPECT_EQ(quire::onlyFullReading<int>({R{1, ""}, R{2, " "}}), std::nullopt);  // ambiguous
  EXPECT_EQ(quire::onlyFullReading<int>({}), std::nullopt);
  EXPECT_EQ(quire::onlyFullReading(quire::readParen(false, " (\"v\") ", literalReadings)), "v");
}

}  // namespace
