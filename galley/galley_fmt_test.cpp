#include <fmt/format.h>
#include <gtest/gtest.h>

#include "galley/fmt.hpp"
#include "galley/galley.hpp"

namespace quire::galley {
namespace {

TEST(GalleyFmt, DefaultLayoutAndPageWidth) {
  Doc d = group(above(text("hello"), text("world")));
  EXPECT_EQ(fmt::format("{}", d), "hello world");
  EXPECT_EQ(fmt::format("{:8}", d), "hello\nworld");
  EXPECT_EQ(fmt::format("{}", d), show(d));
  Doc words = fillSep({text("one"), text("two"), text("three"), text("four"), text("five")});
  for (int width : {1, 10, 20, 80}) {
    std::string options = fmt::format("{{:{}}}", width);
    EXPECT_EQ(fmt::format(fmt::runtime(options), words),
              displayS(renderPretty(0.4f, width, words)));
  }
  EXPECT_EQ(fmt::format("<{}>", bold(text("x"))), fmt::format("<{}>", show(bold(text("x")))));
}

TEST(GalleyFmt, OnlyAPageWidthIsAccepted) {
  Doc d = text("x");
  for (const char* options : {"{:<8}", "{:.2}", "{:x}", "{:*^8}"}) {
    EXPECT_THROW((void)fmt::format(fmt::runtime(options), d), fmt::format_error) << options;
  }
}

}  // namespace
}  // namespace quire::galley
