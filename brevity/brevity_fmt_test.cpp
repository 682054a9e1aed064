#include <fmt/format.h>
#include <gtest/gtest.h>

#include "brevity/fmt.hpp"

namespace quire::brevity {
namespace {

TEST(BrevityFmt, HeaderExamples) {
  EXPECT_EQ(fmt::format("[{}]", ShortText("caf\xC3\xA9")), "[caf\xC3\xA9]");
  EXPECT_EQ(fmt::format("[{:>6}]", ShortText("caf\xC3\xA9")), "[  caf\xC3\xA9]");
  EXPECT_EQ(fmt::format("[{:.2}]", ShortText("\xC3\xA9t\xC3\xA9")), "[\xC3\xA9t]");
  EXPECT_EQ(fmt::format("{:?}", ShortText("a\"b")), "\"a\\\"b\"");
}

TEST(BrevityFmt, WidthPrecisionAndAlignmentCountCodePoints) {
  const ShortText t(U"\U0001F600\u00E9x");
  EXPECT_EQ(fmt::format("{:5}|", t), fmt::format("{}  |", t.view()));
  EXPECT_EQ(fmt::format("{:*^7}", t), fmt::format("**{}**", t.view()));
  EXPECT_EQ(fmt::format("{:\xE2\x82\xAC>4.1s}", t),
            "\xE2\x82\xAC\xE2\x82\xAC\xE2\x82\xAC\xF0\x9F\x98\x80");
  EXPECT_EQ(fmt::format("{:.0}", t), "");
  EXPECT_EQ(fmt::format("{:.9}", t), t.view());
  EXPECT_EQ(fmt::format("{:2}", t), t.view());  // never cut by width
  EXPECT_EQ(fmt::format("{:.1?}", ShortText("\n\n")), "\"\\n\"");
  EXPECT_THROW((void)fmt::format(fmt::runtime("{:d}"), t), fmt::format_error);
}

}  // namespace
}  // namespace quire::brevity
