#include "base/hash.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <unordered_set>

namespace {

using quire::hash::defaultSalt;
using quire::hash::mixBytes;
using quire::hash::mixWord;
using quire::hash::prime;

// A type that opts into std::hash the documented way.
struct Point {
  std::int64_t x, y;
  friend bool operator==(const Point&, const Point&) = default;
  friend std::uint64_t hashWithSalt(std::uint64_t salt, const Point& p) noexcept {
    return mixWord(mixWord(salt, static_cast<std::uint64_t>(p.x)), static_cast<std::uint64_t>(p.y));
  }
};

}  // namespace

template <>
struct std::hash<Point> : quire::hash::StdHash<Point> {};

namespace {

TEST(Hash, WordMixingTakesSixteenBitPiecesFromTheTop) {
  const std::uint64_t w = 0x1234'5678'9abc'def0ULL;
  std::uint64_t expected = 99;
  for (std::uint64_t piece : {0x1234ULL, 0x5678ULL, 0x9abcULL, 0xdef0ULL}) {
    expected = (expected * prime) ^ piece;
  }
  EXPECT_EQ(mixWord(99, w), expected);
  // The order of the pieces matters.
  EXPECT_NE(mixWord(99, 0x0001'0000'0000'0000ULL), mixWord(99, 0x0000'0000'0000'0001ULL));
  static_assert(mixWord(0, 0) == 0);
  static_assert(prime == 1099511628211ULL && defaultSalt == 14695981039346656037ULL);
}

TEST(Hash, ByteHashIsSeededAndStreams) {
  // The standard 64-bit FNV-1a check value of "a" from its offset basis.
  EXPECT_EQ(mixBytes(defaultSalt, "a"), 0xaf63dc4c8601ec8cULL);
  EXPECT_EQ(mixBytes(defaultSalt, ""), defaultSalt);
  EXPECT_NE(mixBytes(1, "abc"), mixBytes(2, "abc"));
  EXPECT_EQ(mixBytes(mixBytes(5, "ab"), "cd"), mixBytes(5, "abcd"));
  EXPECT_NE(mixBytes(5, std::string_view("a\0", 2)), mixBytes(5, "a"));
  // High bytes are taken as unsigned.
  const unsigned char high[] = {0xff};
  EXPECT_EQ(mixBytes(5, "\xff"), mixBytes(5, high, 1));
  EXPECT_EQ(mixBytes(5, "\xff"), (5ULL ^ 0xffULL) * prime);
}

TEST(Hash, StdHashForwardsToHashWithSalt) {
  static_assert(quire::hash::Hashable<Point>);
  static_assert(!quire::hash::Hashable<std::string>);
  Point p{3, -4};
  EXPECT_EQ(std::hash<Point>{}(p), static_cast<std::size_t>(hashWithSalt(defaultSalt, p)));
  std::unordered_set<Point> set{p, Point{3, -4}, Point{-4, 3}};
  EXPECT_EQ(set.size(), 2u);
}

}  // namespace
