#include "base/utf8.hpp"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "base/bytes.hpp"
#include "base/internal/encode.hpp"

namespace {

TEST(Utf8, HeaderExample) {
  const unsigned char s[] = {0xC3, 0xA9, 0xFF};
  char32_t c = 0;
  EXPECT_EQ(quire::decodeUtf8Sequence(s, s + 3, c), 2);
  EXPECT_EQ(c, U'\u00E9');
  EXPECT_EQ(quire::decodeUtf8Sequence(s + 2, s + 3, c), 0);
}

TEST(Utf8, DecodesEveryScalarValueItsEncoderWrites) {
  for (char32_t c = 0; c <= 0x10FFFF; ++c) {
    if (!quire::builder::detail::isScalarValue(c)) continue;
    std::uint8_t buf[4];
    const auto* end = quire::builder::detail::storeUtf8(c, buf);
    char32_t back = 0;
    ASSERT_EQ(quire::decodeUtf8Sequence(buf, end, back), end - buf);
    ASSERT_EQ(back, c);
    if (end - buf > 1) {
      ASSERT_EQ(quire::decodeUtf8Sequence(buf, end - 1, back), 0) << "cut off";
    }
  }
}

// A walk that decodes every sequence succeeds exactly on valid UTF-8.
TEST(Utf8, AgreesWithTheValidator) {
  std::mt19937 rng(9);
  const unsigned char interesting[] = {0x00, 0x41, 0x7F, 0x80, 0x9F, 0xA0, 0xBF, 0xC0, 0xC1, 0xC2, 0xDF,
                                       0xE0, 0xED, 0xEF, 0xF0, 0xF4, 0xF5, 0xFF};
  for (int round = 0; round < 200000; ++round) {
    std::string s(1 + rng() % 5, '\0');
    for (char& b : s) b = static_cast<char>(interesting[rng() % sizeof interesting]);
    const auto* p = reinterpret_cast<const unsigned char*>(s.data());
    const auto* end = p + s.size();
    bool ok = true;
    while (p < end && ok) {
      char32_t c;
      const int n = quire::decodeUtf8Sequence(p, end, c);
      ok = n > 0;
      p += n;
    }
    ASSERT_EQ(ok, quire::isValidUtf8(s));
  }
}

// Counting agrees with decoding on well-formed text of every length.
TEST(Utf8, CountsTheCharactersItsEncoderWrites) {
  EXPECT_EQ(quire::countUtf8Characters(""), 0u);
  EXPECT_EQ(quire::countUtf8Characters("\xC3\xA9t\xC3\xA9"), 3u);
  std::string text;
  std::size_t written = 0;
  for (char32_t c : {U'a', U'\u00E9', U'\u20AC', U'\U0001F600', U'\U0010FFFF'}) {
    quire::appendUtf8(text, c);
    ++written;
    EXPECT_EQ(quire::countUtf8Characters(text), written);
  }
  EXPECT_FALSE(quire::startsUtf8Character('\x80'));
  EXPECT_TRUE(quire::startsUtf8Character('\xF0'));
}

}  // namespace
