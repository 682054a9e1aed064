#include "scientific/binary.hpp"

#include <gtest/gtest.h>

#include <limits>
#include <random>
#include <string>

#include "base/error.hpp"
#include "scientific/sciconv_test_support.hpp"

namespace {

using quire::binary::Input;
using quire::binary::Output;
using quire::scientific::Scientific;
using sciconv_test::stored;
namespace sci = quire::scientific;

constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();
constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();

std::string bytesOf(const Scientific& s) {
  Output out;
  sci::put(out, s);
  return out.bytes();
}

std::string hex(std::string_view bytes) {
  static const char digits[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char b : bytes) {
    if (!out.empty()) out.push_back(' ');
    out.push_back(digits[b >> 4]);
    out.push_back(digits[b & 15]);
  }
  return out;
}

void expectError(std::string_view bytes, const char* message) {
  Input in(bytes);
  try {
    (void)sci::get(in);
    FAIL() << hex(bytes);
  } catch (const quire::Error& e) {
    EXPECT_STREQ(e.what(), message) << hex(bytes);
  }
}

TEST(BinaryTest, HeaderExample) {
  const std::string bytes = bytesOf(Scientific(15, -1));
  EXPECT_EQ(hex(bytes), "00 00 00 00 0F 00 FF FF FF FF");
  Input in(bytes);
  EXPECT_EQ(stored(sci::get(in)), stored("15", -1));
  EXPECT_TRUE(in.atEnd());
}

TEST(BinaryTest, ExactBytes) {
  EXPECT_EQ(hex(bytesOf(Scientific(0, 0))), "00 00 00 00 00 00 00 00 00 00");
  EXPECT_EQ(hex(bytesOf(Scientific(mpz_class(1) << 32, 0))),
            "01 01 00 00 00 00 00 00 00 05 00 00 00 00 01 00 00 00 00 00");
  EXPECT_EQ(hex(bytesOf(Scientific(1, 3000000000))),
            "00 00 00 00 01 01 01 00 00 00 00 00 00 00 04 00 5E D0 B2");
  EXPECT_EQ(hex(bytesOf(Scientific(-2147483648, 2147483647))), "00 80 00 00 00 00 7F FF FF FF");
  EXPECT_EQ(hex(bytesOf(Scientific(-2147483649, 0))),
            "01 FF 00 00 00 00 00 00 00 04 01 00 00 80 00 00 00 00 00");
  EXPECT_EQ(hex(bytesOf(Scientific(kMin, kMax))),
            "01 FF 00 00 00 00 00 00 00 08 00 00 00 00 00 00 00 80 "
            "01 01 00 00 00 00 00 00 00 08 FF FF FF FF FF FF FF 7F");
  Output out;
  const std::vector<Scientific> list = {Scientific(1, 0), Scientific(2, -1)};
  sci::putList(out, list);
  EXPECT_EQ(hex(out.bytes()),
            "00 00 00 00 00 00 00 02 00 00 00 00 01 00 00 00 00 00 00 00 00 00 02 00 FF FF FF FF");
  Input in(out.bytes());
  auto back = sci::getList(in);
  ASSERT_EQ(back.size(), 2u);
  EXPECT_EQ(stored(back[1]), stored("2", -1));
  EXPECT_TRUE(in.atEnd());
}

TEST(BinaryTest, GetAfterPutGivesTheStoredForm) {
  std::mt19937_64 rng(14);
  std::vector<Scientific> values = {
      Scientific(150, -2),
      Scientific(kMin, kMin),
      Scientific(kMax, 0),
      Scientific(0, 7),
      Scientific(-1, 2147483648),
      Scientific(-mpz_class("340282366920938463463374607431768211456"), -3)};
  for (int i = 0; i < 20000; ++i) {
    const int digits = static_cast<int>(rng() % 45);
    std::string text = "0";
    for (int d = 0; d < digits; ++d) text.push_back(static_cast<char>('0' + rng() % 10));
    mpz_class c(text, 10);
    if (rng() % 2) c = -c;
    const int shift = static_cast<int>(rng() % 64);
    const auto e = static_cast<std::int64_t>(rng()) >> shift;
    values.push_back(Scientific(c, e));
  }
  Output out;
  sci::putList(out, values);
  Input in(out.bytes());
  const std::vector<Scientific> back = sci::getList(in);
  EXPECT_TRUE(in.atEnd());
  ASSERT_EQ(back.size(), values.size());
  for (std::size_t i = 0; i < values.size(); ++i) {
    ASSERT_EQ(stored(back[i]), stored(values[i]));
    EXPECT_EQ(back[i].hasSmallCoefficient(), values[i].hasSmallCoefficient());
  }
  // The size is known without encoding, for every form of both integers.
  values.push_back(Scientific(mpz_class(1) << 200000, -1));
  values.push_back(Scientific(std::int64_t{2147483647}, -2147483648LL));
  values.push_back(Scientific(std::int64_t{-2147483649LL}, 2147483648LL));
  for (const Scientific& s : values) ASSERT_EQ(sci::encodedSize(s), bytesOf(s).size()) << stored(s);
}

TEST(BinaryTest, AcceptsEveryEncodingOfAValue) {
  // Long form for a small value, trailing zero bytes, zero with no bytes,
  // and any sign byte other than 0x01 meaning negative.
  const std::string longSeven(
      "\x01\x01\0\0\0\0\0\0\0\x03\x07\0\0"
      "\0\0\0\0\0",
      18);
  Input in(longSeven);
  EXPECT_EQ(stored(sci::get(in)), stored("7", 0));
  const std::string longZero(
      "\x01\x01\0\0\0\0\0\0\0\0"
      "\0\0\0\0\0",
      15);
  Input zero(longZero);
  EXPECT_EQ(stored(sci::get(zero)), stored("0", 0));
  const std::string oddSign(
      "\x01\x02\0\0\0\0\0\0\0\x01\x09"
      "\0\0\0\0\0",
      16);
  Input odd(oddSign);
  EXPECT_EQ(stored(sci::get(odd)), stored("-9", 0));
  // An exponent in the long form that still fits 64 bits.
  const std::string minExponent = bytesOf(Scientific(1, kMin));
  Input min(minExponent);
  EXPECT_EQ(stored(sci::get(min)), stored("1", kMin));
}

TEST(BinaryTest, MalformedInputFailsClearly) {
  const std::string good =
      bytesOf(Scientific(-mpz_class("123456789012345678901234567890"), 3000000000));
  for (std::size_t n = 0; n < good.size(); ++n) expectError(good.substr(0, n), "not enough bytes");
  // A byte count far beyond the input fails before anything is allocated.
  expectError(std::string("\x01\x01\x7F\xFF\xFF\xFF\xFF\xFF\xFF\xFF\x01", 11), "not enough bytes");
  expectError(std::string("\x01\x01\x80\0\0\0\0\0\0\0\x01", 11),
              "Scientific get: negative byte count");
  // Exponents beyond the 64-bit range.
  const std::string big(std::string(5, '\0') + "\x01\x01" + std::string("\0\0\0\0\0\0\0\x09", 8) +
                        std::string(8, '\0') + "\x01");
  expectError(big, "Scientific get: exponent out of the 64-bit range");
  const std::string justAbove(std::string(5, '\0') + "\x01\x01" +
                              std::string("\0\0\0\0\0\0\0\x08", 8) +
                              std::string("\0\0\0\0\0\0\0\x80", 8));
  expectError(justAbove, "Scientific get: exponent out of the 64-bit range");
  // Lists: a negative or impossible count.
  Output negative;
  negative.putInt64be(-1);
  Input in(negative.bytes());
  EXPECT_THROW((void)sci::getList(in), quire::Error);
  Output huge;
  huge.putInt64be(kMax);
  Input hugeIn(huge.bytes());
  try {
    (void)sci::getList(hugeIn);
    FAIL();
  } catch (const quire::Error& e) {
    EXPECT_STREQ(e.what(), "not enough bytes");
  }
}

}  // namespace
