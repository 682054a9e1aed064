#include "base/show_bytes.hpp"

#include <gtest/gtest.h>

#include <string>

#include "base/bytes.hpp"

namespace {

TEST(ShowBytes, HeaderExample) {
  EXPECT_EQ(quire::showBytesLiteral("a\"\xE9"), "\"a\\\"\xC3\xA9\"");
  auto r = quire::readBytesLiteral("\"a\\351\" x");
  ASSERT_TRUE(r);
  EXPECT_EQ(r->value, "a\xE9");
  EXPECT_EQ(r->rest, " x");
  EXPECT_FALSE(quire::readBytesLiteral("\"\xE2\x82\xAC\""));
}

TEST(ShowBytes, EveryByteRoundTrips) {
  std::string every;
  for (int b = 0; b < 256; ++b) every.push_back(static_cast<char>(b));
  const std::string shown = quire::showBytesLiteral(every);
  EXPECT_TRUE(quire::isValidUtf8(shown));
  auto back = quire::readBytesLiteral(shown + "tail");
  ASSERT_TRUE(back);
  EXPECT_EQ(back->value, every);
  EXPECT_EQ(back->rest, "tail");
  // Bytes 0x80..0x9F are control characters as U+0080..U+009F: escaped.
  EXPECT_EQ(quire::showBytesLiteral("\x85"), "\"\\205\"");
  EXPECT_FALSE(quire::readBytesLiteral("\"\xC3\""));  // a cut-off sequence is no character
  EXPECT_FALSE(quire::readBytesLiteral("\"open"));
}

}  // namespace
