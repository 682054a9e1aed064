#include "base/text_builder.hpp"

#include <gtest/gtest.h>

#include <limits>
#include <string>

namespace quire::builder {
namespace {

TEST(TextBuilder, HeaderExample) {
  TextBuilder t = TextBuilder::fromString("x = ");
  t += TextBuilder::decimal(-7);
  t += TextBuilder::singleton(U'€');
  EXPECT_EQ(toText(t).view(), "x = -7\xE2\x82\xAC");
  EXPECT_TRUE(toText(TextBuilder()).empty());
}

TEST(TextBuilder, CharactersWithoutUtf8FormBecomeReplacementCharacters) {
  TextBuilder t = TextBuilder::singleton(0xD800) + TextBuilder::singleton(0x110000) +
                  TextBuilder::fromString(std::u32string_view(U"a\U0010FFFFb")) +
                  TextBuilder::fromString(std::u32string(1, char32_t{0xDFFF}));
  Text text = toText(t);
  EXPECT_EQ(text.view(),
            "\xEF\xBF\xBD\xEF\xBF\xBD"
            "a\xF4\x8F\xBF\xBF"
            "b\xEF\xBF\xBD");
  EXPECT_TRUE(isValidUtf8(text.view()));
}

TEST(TextBuilder, ManyPiecesAndLargeTextsComeOutWholeAndInOrder) {
  TextBuilder t;
  std::string expected;
  for (std::int64_t i = 0; i < 20000; ++i) {
    t += TextBuilder::decimal(i - 10000) + TextBuilder::fromString(",");
    expected += std::to_string(i - 10000) + ",";
  }
  Text big(expected);
  t = TextBuilder::fromString("[") + t + TextBuilder::fromText(big) + TextBuilder::fromString("]");
  EXPECT_EQ(toText(t).view(), "[" + expected + expected + "]");

  EXPECT_EQ(toText(TextBuilder::decimal(std::numeric_limits<std::int64_t>::min())).view(),
            "-9223372036854775808");
  // A text builder is a byte builder of its UTF-8.
  EXPECT_EQ(toBytes(TextBuilder::singleton(U'é').utf8Builder()).view(), "\xC3\xA9");
}

}  // namespace
}  // namespace quire::builder
