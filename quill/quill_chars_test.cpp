#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "quill/char8.hpp"
#include "quill/char_utf8.hpp"
#include "quill/drivers.hpp"
#include "quill/html_utf8.hpp"
#include "quill/html_word.hpp"
#include "quill/quill_test_support.hpp"

namespace quire::quill {
namespace {

namespace u8 = char_utf8;
namespace c8 = char8;
namespace h = html_utf8;
namespace hw = html_word;
using ::testing::Each;
using ::testing::ElementsAre;
using testing::referenceEscape;
using testing::runGuarded;

std::string out(const builder::Builder& b) { return toByteString(b).toString(); }

// UTF-8 by the textbook formulas, for code points up to U+10FFFF.
std::string referenceUtf8(char32_t c) {
  std::string s;
  auto put = [&s](std::uint32_t v) { s += static_cast<char>(v); };
  if (c < 0x80) {
    put(c);
  } else if (c < 0x800) {
    put(0xC0 + (c >> 6)), put(0x80 + (c & 63));
  } else if (c < 0x10000) {
    put(0xE0 + (c >> 12)), put(0x80 + ((c >> 6) & 63)), put(0x80 + (c & 63));
  } else {
    put(0xF0 + (c >> 18)), put(0x80 + ((c >> 12) & 63)), put(0x80 + ((c >> 6) & 63)),
        put(0x80 + (c & 63));
  }
  return s;
}

std::string referenceUtf8(std::u32string_view s) {
  std::string r;
  for (char32_t c : s) r += referenceUtf8(c);
  return r;
}
std::string referenceHtml(std::u32string_view s) {
  std::string r;
  for (char32_t c : s)
    r += c < 128 ? referenceEscape(std::string(1, static_cast<char>(c))) : referenceUtf8(c);
  return r;
}
std::string referenceChar8(std::u32string_view s) {
  std::string r;
  for (char32_t c : s) r += static_cast<char>(c & 0xFF);
  return r;
}

// Mostly ASCII with markup and control characters, some of every UTF-8
// length, surrogates included.
std::u32string randomChars(std::mt19937_64& rng, std::size_t n) {
  std::u32string s;
  for (std::size_t i = 0; i < n; ++i) {
    switch (rng() % 4) {
      case 0:
        s += static_cast<char32_t>(rng() % 0x110000);
        break;
      case 1:
        s += static_cast<char32_t>(rng() % 0x800);
        break;
      default:
        s += static_cast<char32_t>(rng() % 128);
    }
  }
  return s;
}

// Any of several buffer sizes, so the same input stops in many places.
std::size_t randomBufferSize(std::mt19937_64& rng) {
  static const std::size_t sizes[] = {1, 4, 5, 6, 7, 11, 64, 4096};
  return sizes[rng() % std::size(sizes)];
}

struct ShowsAsWord {};
std::string show(const ShowsAsWord&) { return "<w\xC3\xA9>"; }

TEST(Chars, HeaderExamples) {
  EXPECT_EQ(out(u8::fromString(U"a€")), "a\xE2\x82\xAC");
  EXPECT_EQ(getBound(u8::writeChar(U'a')), 4);
  EXPECT_EQ(out(u8::fromShow(42)), "42");
  EXPECT_EQ(out(c8::fromString(U"ab")), "ab");
  EXPECT_EQ(out(c8::fromChar(U'\u0141')), "A");
  EXPECT_EQ(getBound(c8::writeChar(U'x')), 1);
  EXPECT_EQ(out(h::fromHtmlEscapedString(U"<a href='x'>")), "&lt;a href=&#39;x&#39;&gt;");
  EXPECT_EQ(out(h::fromHtmlEscapedText(Text("Tom & Jerry"))), "Tom &amp; Jerry");
  EXPECT_EQ(out(hw::fromHtmlEscapedByteString(Bytes("a<b"))), "a&lt;b");
  EXPECT_EQ(out(hw::fromHtmlEscapedWord(200)), "\xC8");
}

TEST(Chars, EscapeTable) {
  EXPECT_EQ(out(h::fromHtmlEscapedString(U"<>&\"'")), "&lt;&gt;&amp;&quot;&#39;");
  EXPECT_EQ(out(h::fromHtmlEscapedString(U"a\tb\nc\rd")), "a\tb\nc\rd");
  EXPECT_EQ(out(h::fromHtmlEscapedString(std::u32string(U"x\0\f\x7F"
                                                        "y",
                                                        5))),
            "xy");
  EXPECT_EQ(out(h::fromHtmlEscapedChar(U'é')), "\xC3\xA9");
  EXPECT_EQ(out(h::fromHtmlEscapedText(Text("\xC3\xA9<"))), "\xC3\xA9&lt;");
  EXPECT_EQ(writeToByteString(h::writeHtmlEscapedChar(U'"')).view(), "&quot;");
  EXPECT_EQ(getBound(h::writeHtmlEscapedChar(U'a')), 6);
  EXPECT_EQ(getBound(hw::writeHtmlEscapedWord('a')), 6);
  EXPECT_EQ(out(hw::fromHtmlEscapedWordList({'&', 0, 200, '\''})), "&amp;\xC8&#39;");
  EXPECT_EQ(out(h::fromHtmlEscapedShow(ShowsAsWord{})), "&lt;w\xC3\xA9&gt;");
  EXPECT_EQ(out(h::fromHtmlEscapedShow(-3)), "-3");
  // Every byte value against the reference.
  for (int b = 0; b < 256; ++b) {
    auto byte = static_cast<std::uint8_t>(b);
    std::string expected = referenceEscape(std::string(1, static_cast<char>(b)));
    EXPECT_EQ(writeToByteString(hw::writeHtmlEscapedWord(byte)).view(), expected) << b;
    if (b < 128) {
      EXPECT_EQ(out(h::fromHtmlEscapedChar(static_cast<char32_t>(b))), expected) << b;
    }
  }
}

TEST(Chars, Utf8LengthsAndTruncation) {
  std::vector<std::size_t> lengths;
  for (char32_t c : {0x7F, 0x80, 0x7FF, 0x800, 0xFFFF, 0x10000, 0x10FFFF}) {
    lengths.push_back(out(u8::fromChar(c)).size());
  }
  EXPECT_THAT(lengths, ElementsAre(1, 2, 2, 3, 3, 4, 4));
  EXPECT_EQ(out(u8::fromChar(0xD800)), "\xED\xA0\x80");  // surrogates: three-byte rule
  EXPECT_EQ(out(c8::fromChar(321)), "A");
  EXPECT_EQ(out(c8::fromString(U"\u00FF\U0001F600")), std::string("\xFF\0", 2));
  EXPECT_EQ(writeToByteString(c8::writeChar(0x1234)).view(), "\x34");
  EXPECT_EQ(out(u8::fromShow(ShowsAsWord{})), "<w\xC3\xA9>");
  EXPECT_EQ(out(c8::fromShow(ShowsAsWord{})), "<w\xE9>");
  // Malformed bytes in a Text decode as U+FFFD.
  Text bad =
      Text::fromUtf8Unchecked(Bytes("a\xFF"
                                    "b\xC3"));
  EXPECT_EQ(out(u8::fromText(bad)),
            "a\xEF\xBF\xBD"
            "b\xEF\xBF\xBD");
  EXPECT_EQ(out(c8::fromText(bad)),
            "a\xFD"
            "b\xFD");
}

TEST(Chars, SequenceBuildersNeedTheWholeUnitBound) {
  // A one-byte character still needs 4 (Char.Utf8), 6 (escaping) or 1
  // (Char8) bytes free before it is written.
  auto u = runGuarded(u8::fromString(U"ab"), 4);
  EXPECT_THAT(u.pieces, ElementsAre("a", "b"));
  EXPECT_THAT(u.fullRequests, ElementsAre(4));
  EXPECT_THAT(runGuarded(u8::fromText(Text("ab")), 4).pieces, ElementsAre("a", "b"));
  EXPECT_THAT(runGuarded(h::fromHtmlEscapedString(U"ab"), 6).pieces, ElementsAre("a", "b"));
  EXPECT_THAT(runGuarded(h::fromHtmlEscapedText(Text("ab")), 6).pieces, ElementsAre("a", "b"));
  EXPECT_THAT(runGuarded(h::fromHtmlEscapedText(Text("ab")), 12).pieces, ElementsAre("ab"));
  EXPECT_THAT(runGuarded(hw::fromHtmlEscapedByteString(Bytes("ab")), 6).fullRequests,
              ElementsAre(6));
  EXPECT_THAT(runGuarded(c8::fromString(U"abc"), 1).pieces, ElementsAre("a", "b", "c"));
}

TEST(Chars, EveryEncoderMatchesAReferenceLoop) {
  std::mt19937_64 rng(2024);
  for (int round = 0; round < 200; ++round) {
    std::u32string chars = randomChars(rng, rng() % 300);
    std::string utf8 = referenceUtf8(chars);
    std::u32string scalars;  // what a Text can hold
    for (char32_t c : chars) scalars += (c >= 0xD800 && c <= 0xDFFF) ? U'\uFFFD' : c;
    Text text(referenceUtf8(scalars));
    std::size_t bufSize = randomBufferSize(rng);
    auto check = [&](const builder::Builder& b, const std::string& expected, std::size_t bound) {
      auto rec = runGuarded(b, bufSize);
      EXPECT_EQ(rec.output, expected) << "round " << round << ", buffers of " << bufSize;
      EXPECT_FALSE(rec.overran);
      EXPECT_THAT(rec.fullRequests, Each(bound));
    };
    check(u8::fromString(chars), utf8, 4);
    check(u8::fromText(text), referenceUtf8(scalars), 4);
    check(c8::fromString(chars), referenceChar8(chars), 1);
    check(c8::fromText(text), referenceChar8(scalars), 1);
    check(h::fromHtmlEscapedString(chars), referenceHtml(chars), 6);
    check(h::fromHtmlEscapedText(text), referenceHtml(scalars), 6);

    std::string bytes = testing::randomBytes(rng, rng() % 300);
    check(hw::fromHtmlEscapedByteString(Bytes(bytes)), referenceEscape(bytes), 6);
    check(hw::fromHtmlEscapedWordList(std::vector<std::uint8_t>(bytes.begin(), bytes.end())),
          referenceEscape(bytes), 6);

    // Chunked inputs: the same over a split at a random point.
    std::size_t cut = bytes.empty() ? 0 : rng() % bytes.size();
    ChunkedBytes pieces({Bytes(bytes.substr(0, cut)), Bytes(bytes.substr(cut))});
    check(hw::fromHtmlEscapedLazyByteString(pieces), referenceEscape(bytes), 6);
    ChunkedText texts({text, Text("<&>")});
    check(h::fromHtmlEscapedLazyText(texts), referenceHtml(scalars) + "&lt;&amp;&gt;", 6);
    check(u8::fromLazyText(texts), referenceUtf8(scalars) + "<&>", 4);
    check(c8::fromLazyText(texts), referenceChar8(scalars) + "<&>", 1);

    // Single-character writes and builders agree with the loop.
    for (char32_t c : chars.substr(0, 20)) {
      EXPECT_EQ(writeToByteString(u8::writeChar(c)).toString(), referenceUtf8(c));
      EXPECT_EQ(out(u8::fromChar(c)), referenceUtf8(c));
      EXPECT_EQ(writeToByteString(h::writeHtmlEscapedChar(c)).toString(), referenceHtml({&c, 1}));
      EXPECT_EQ(out(c8::fromChar(c)), referenceChar8({&c, 1}));
    }
  }
}

}  // namespace
}  // namespace quire::quill
