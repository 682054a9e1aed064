#include "base/binary.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <limits>
#include <string>

namespace {

using quire::binary::Input;
using quire::binary::Output;

TEST(Binary, HeaderExample) {
  Output out;
  out.putWord8(1);
  out.putInt32be(-2);
  out.putBytes("xy");
  EXPECT_EQ(out.bytes(), std::string("\x01\xff\xff\xff\xfe" "xy", 7));

  Input in(out.bytes());
  EXPECT_EQ(in.getWord8(), 1);
  EXPECT_EQ(in.getInt32be(), -2);
  EXPECT_EQ(in.getBytes(2), "xy");
  EXPECT_TRUE(in.atEnd());
  EXPECT_THROW((void)in.getWord8(), quire::Error);
}

TEST(Binary, IntegersAreBigEndianAndRoundTrip) {
  Output out;
  out.putWord16be(0x0102);
  out.putWord32be(0x03040506);
  out.putWord64be(0x0708090a0b0c0d0eULL);
  EXPECT_EQ(out.bytes(), std::string("\x01\x02\x03\x04\x05\x06\x07\x08\x09\x0a\x0b\x0c\x0d\x0e"));

  out.putWord8(0xff);
  out.putInt32be(std::numeric_limits<std::int32_t>::min());
  out.putInt64be(std::numeric_limits<std::int64_t>::min());
  out.putInt64be(-1);
  out.putWord64be(std::numeric_limits<std::uint64_t>::max());
  out.putBytes("");
  out.putBytes(std::string_view("\0z", 2));
  std::string bytes = std::move(out).take();

  Input in(bytes);
  EXPECT_EQ(in.getWord16be(), 0x0102);
  EXPECT_EQ(in.getWord32be(), 0x03040506u);
  EXPECT_EQ(in.getWord64be(), 0x0708090a0b0c0d0eULL);
  EXPECT_EQ(in.getWord8(), 0xff);
  EXPECT_EQ(in.getInt32be(), std::numeric_limits<std::int32_t>::min());
  EXPECT_EQ(in.getInt64be(), std::numeric_limits<std::int64_t>::min());
  EXPECT_EQ(in.getInt64be(), -1);
  EXPECT_EQ(in.getWord64be(), std::numeric_limits<std::uint64_t>::max());
  EXPECT_EQ(in.getBytes(0), "");
  EXPECT_EQ(in.remaining(), 2u);
  EXPECT_EQ(in.getBytes(2), std::string_view("\0z", 2));
  EXPECT_TRUE(in.atEnd());
}

// Every read one byte short fails with the exact message and consumes nothing.
TEST(Binary, EveryShortReadFailsWithoutConsuming) {
  struct Read {
    const char* name;
    std::size_t width;
    std::function<void(Input&)> run;
  };
  const Read reads[] = {
      {"getWord8", 1, [](Input& in) { (void)in.getWord8(); }},
      {"getWord16be", 2, [](Input& in) { (void)in.getWord16be(); }},
      {"getWord32be", 4, [](Input& in) { (void)in.getWord32be(); }},
      {"getWord64be", 8, [](Input& in) { (void)in.getWord64be(); }},
      {"getInt32be", 4, [](Input& in) { (void)in.getInt32be(); }},
      {"getInt64be", 8, [](Input& in) { (void)in.getInt64be(); }},
      {"getBytes(5)", 5, [](Input& in) { (void)in.getBytes(5); }},
      {"skip(3)", 3, [](Input& in) { in.skip(3); }},
  };
  const std::string data(8, '\x5a');
  for (const Read& read : reads) {
    SCOPED_TRACE(read.name);
    Input short_input(std::string_view(data).substr(0, read.width - 1));
    try {
      read.run(short_input);
      ADD_FAILURE() << "no error";
    } catch (const quire::Error& e) {
      EXPECT_STREQ(e.what(), "not enough bytes");
    }
    EXPECT_EQ(short_input.remaining(), read.width - 1);
    Input exact(std::string_view(data).substr(0, read.width));
    read.run(exact);
    EXPECT_TRUE(exact.atEnd());
  }
}

TEST(Binary, HostileLengthsAreRejectedBeforeUse) {
  Input in("abc");
  EXPECT_THROW((void)in.getBytes(std::numeric_limits<std::size_t>::max()), quire::Error);
  EXPECT_THROW((void)in.getBytes(4), quire::Error);
  EXPECT_EQ(in.rest(), "abc");
  Input empty{std::string_view()};
  EXPECT_THROW((void)empty.getWord8(), quire::Error);
  EXPECT_EQ(empty.getBytes(0), "");
}

}  // namespace
