#include "vellum/fast_set.hpp"

#include <gtest/gtest.h>

#include <random>
#include <set>
#include <string>
#include <vector>

namespace {

using namespace quire::vellum;
using quire::Bytes;
using quire::Text;

constexpr std::int64_t E = text::kEmptyHome;

TEST(VellumFastSet, HeaderExamples) {
  bytes::FastSet digits = bytes::charClass(U"0-9");
  EXPECT_TRUE(bytes::memberWord8('7', digits));
  EXPECT_FALSE(bytes::memberWord8('a', digits));
  EXPECT_EQ(digits.kind(), bytes::FastSet::Table);
  bytes::FastSet ops = bytes::set(Bytes("+-*/"));
  EXPECT_EQ(bytes::show(ops), "FastSet Sorted \"*+-/\"");
  text::FastSet greek = text::charClass(U"\u03B1-\u03C9_");
  EXPECT_TRUE(text::member(U'\u03BB', greek));
  EXPECT_FALSE(text::member(U'a', greek));
}

TEST(VellumFastSet, ByteSetFormChosenByInputSize) {
  bytes::FastSet seven = bytes::set(Bytes("gfedcba"));
  EXPECT_EQ(seven.kind(), bytes::FastSet::Sorted);
  EXPECT_EQ(bytes::fromSet(seven).view(), "abcdefg");
  EXPECT_EQ(bytes::show(seven), "FastSet Sorted \"abcdefg\"");
  bytes::FastSet repeats = bytes::set(Bytes("aaaabbbb"));  // 8 input bytes, 2 values
  EXPECT_EQ(repeats.kind(), bytes::FastSet::Table);
  EXPECT_EQ(bytes::show(repeats), "FastSet Table");
  ASSERT_EQ(bytes::fromSet(repeats).size(), 32u);
  EXPECT_EQ(static_cast<std::uint8_t>(bytes::fromSet(repeats)[12]), 0x06);  // 'a' = 0x61, 'b' = 0x62
  EXPECT_EQ(bytes::fromSet(bytes::set(Bytes("bab"))).view(), "abb");  // duplicates kept

  EXPECT_EQ(bytes::show(bytes::set(Bytes("\"\xE9\x01"))), "FastSet Sorted \"\\001\\\"\xC3\xA9\"");
  const std::uint8_t list[] = {3, 1, 2};
  EXPECT_EQ(bytes::fromSet(bytes::fromList(list)).view(), "\x01\x02\x03");
  EXPECT_EQ(bytes::index(0x61), (bytes::I{12, 0x02}));
  EXPECT_EQ(bytes::index(0xFF), (bytes::I{31, 0x80}));

  bytes::FastSet empty;
  EXPECT_FALSE(bytes::memberWord8(0, empty));
  EXPECT_EQ(empty, bytes::set(Bytes()));
}

TEST(VellumFastSet, ByteSetMembershipAgainstStdSet) {
  std::mt19937 rng(3);
  for (int round = 0; round < 400; ++round) {
    std::string input(rng() % 20, '\0');
    std::set<std::uint8_t> model;
    for (char& c : input) {
      c = static_cast<char>(round % 2 == 0 ? rng() % 256 : 250 + rng() % 6);  // near the top too
      model.insert(static_cast<std::uint8_t>(c));
    }
    bytes::FastSet f = bytes::set(Bytes(input));
    EXPECT_EQ(f.kind(), input.size() < 8 ? bytes::FastSet::Sorted : bytes::FastSet::Table);
    for (int w = 0; w < 256; ++w) {
      ASSERT_EQ(bytes::memberWord8(static_cast<std::uint8_t>(w), f), model.count(static_cast<std::uint8_t>(w)) == 1)
          << input << " " << w;
    }
  }
  // A character above 255 tests its low byte.
  bytes::FastSet a = bytes::set(Bytes("a"));
  EXPECT_TRUE(bytes::memberChar(U'\u0161', a));
  EXPECT_TRUE(bytes::memberChar(U'a', a));
  EXPECT_FALSE(bytes::memberChar(U'\u0162', a));
}

TEST(VellumFastSet, CharClassNotation) {
  EXPECT_EQ(expandCharClass(U"a-e"), U"abcde");
  EXPECT_EQ(expandCharClass(U"a-"), U"a-");
  EXPECT_EQ(expandCharClass(U"-a"), U"-a");
  EXPECT_EQ(expandCharClass(U"z-a"), U"");
  EXPECT_EQ(expandCharClass(U"a-c-e"), U"abc-e");  // a '-' right after a range stands for itself
  EXPECT_EQ(expandCharClass(U"x-x_"), U"x_");
  EXPECT_EQ(expandCharClass(U"---"), U"-");
  EXPECT_EQ(expandCharClass(U""), U"");
  // Ranges stop at the end of the code space.
  EXPECT_EQ(expandCharClass(U"\U0010FFFE-\U0010FFFF").size(), 2u);
  const std::u32string beyond = {U'\U0010FFFE', U'-', char32_t{0xFFFFFFFF}};
  EXPECT_EQ(expandCharClass(beyond).size(), 2u);

  bytes::FastSet lower = bytes::charClass(U"a-z");
  EXPECT_EQ(lower.kind(), bytes::FastSet::Table);
  for (int w = 0; w < 256; ++w) EXPECT_EQ(bytes::memberWord8(static_cast<std::uint8_t>(w), lower), w >= 'a' && w <= 'z');
  EXPECT_EQ(bytes::fromSet(bytes::charClass(U"a-")).view(), "-a");
  EXPECT_EQ(bytes::fromSet(bytes::charClass(U"-a")).view(), "-a");
  EXPECT_EQ(bytes::fromSet(bytes::charClass(U"z-a")).view(), "");
  EXPECT_EQ(bytes::fromSet(bytes::charClass(U"\u0161")).view(), "a");
  // A huge range costs one round of the bytes, not billions of steps.
  const std::u32string everything = {U'\0', U'-', char32_t{0xFFFFFFFF}};
  bytes::FastSet all = bytes::charClass(everything);
  for (int w = 0; w < 256; ++w) EXPECT_TRUE(bytes::memberWord8(static_cast<std::uint8_t>(w), all));
}

// The byte set of a class holds the low bytes of exactly the expanded
// characters: a range running past U+10FFFF stops there too, and one
// starting beyond it adds nothing.
TEST(VellumFastSet, ByteClassStopsAtTheEndOfTheCodeSpace) {
  const std::u32string past = {U'a', U'\U0010FFFE', U'-', char32_t{0x110003}};
  EXPECT_EQ(expandCharClass(past).size(), 3u);
  const bytes::FastSet f = bytes::charClass(past);
  EXPECT_EQ(f.kind(), bytes::FastSet::Sorted);
  EXPECT_EQ(bytes::fromSet(f).view(), "a\xFE\xFF");
  EXPECT_FALSE(bytes::memberWord8(0x01, f));
  const std::u32string beyond = {char32_t{0x110000}, U'-', char32_t{0x110010}};
  EXPECT_EQ(bytes::fromSet(bytes::charClass(beyond)).view(), "");
}

TEST(VellumFastSet, ByteSetOrdering) {
  bytes::FastSet sortedZ = bytes::set(Bytes("z"));
  bytes::FastSet tableA = bytes::set(Bytes("aaaaaaaa"));
  EXPECT_LT(sortedZ, tableA);  // Sorted before Table, whatever the bytes
  EXPECT_LT(bytes::set(Bytes("a")), sortedZ);
  EXPECT_LT(bytes::set(Bytes("ab")), bytes::set(Bytes("b")));
  EXPECT_LT(bytes::set(Bytes("aaaaaaaa")), bytes::set(Bytes("bbbbbbbb")) );  // bitmap byte 12: 0x02 < 0x04
  EXPECT_EQ(bytes::set(Bytes("abcdefgh")), bytes::set(Bytes("hgfedcbaab")));
}

TEST(VellumFastSet, CharTableLayout) {
  text::FastSet one = text::fromList(U"x");
  EXPECT_EQ(one.mask(), 0);
  EXPECT_EQ(std::vector<std::int64_t>(one.table().begin(), one.table().end()),
            (std::vector<std::int64_t>{'x', 0, 0, E, 0, E}));
  EXPECT_TRUE(text::member(U'x', one));
  EXPECT_FALSE(text::member(U'y', one));
  EXPECT_FALSE(text::member(U'\0', one));  // an empty slot holds code point 0 but is no member

  text::FastSet abcd = text::fromList(U"dcbaab");
  EXPECT_EQ(abcd.mask(), 7);
  // Homes 1..4, one gap before them; the counter ends at 7 + 1 - 4 = 4, so
  // five empty slots follow.
  EXPECT_EQ(std::vector<std::int64_t>(abcd.table().begin(), abcd.table().end()),
            (std::vector<std::int64_t>{0, E, 'a', 1, 'b', 2, 'c', 3, 'd', 4, 0, E, 0, E, 0, E, 0, E, 0, E}));
  for (char32_t c : std::u32string(U"abcd")) EXPECT_TRUE(text::member(c, abcd));
  for (char32_t c : std::u32string(U"\0`efhijq\u0161")) EXPECT_FALSE(text::member(c, abcd));

  // 'a' (97) and 'i' (105) share home 1 under mask 7: the lower code point
  // stays home, the other takes the next slot and pushes 'b' on.
  text::FastSet clash = text::fromList(U"ibae");
  EXPECT_EQ(clash.mask(), 7);
  EXPECT_EQ(std::vector<std::int64_t>(clash.table().begin(), clash.table().end()),
            (std::vector<std::int64_t>{0, E, 'a', 1, 'i', 1, 'b', 2, 0, E, 'e', 5,  //
                                       0, E, 0, E, 0, E, 0, E, 0, E, 0, E}));
  for (char32_t c : std::u32string(U"abei")) EXPECT_TRUE(text::member(c, clash));
  EXPECT_FALSE(text::member(U'q', clash));  // home 1, runs past a, i, b

  text::FastSet empty;
  EXPECT_EQ(empty, text::fromList(U""));
  EXPECT_FALSE(text::member(U'\0', empty));
  EXPECT_FALSE(text::member(U'a', empty));
  EXPECT_EQ(text::show(one), "FastSet {table = [120,0,0,9223372036854775807,0,9223372036854775807], mask = 0}");

  EXPECT_EQ(text::nextPowerOf2(0), 1);
  EXPECT_EQ(text::nextPowerOf2(1), 1);
  EXPECT_EQ(text::nextPowerOf2(3), 4);
  EXPECT_EQ(text::nextPowerOf2(5), 8);
  EXPECT_EQ(text::nextPowerOf2(1024), 1024);
  EXPECT_EQ(text::nextPowerOf2(1025), 2048);
}

// Random sets of 0 to 5,000 characters from the whole code space, probed
// for every member, its neighbours, characters sharing its home slot and
// random characters, against std::set.
TEST(VellumFastSet, CharProbeAgainstStdSet) {
  std::mt19937 rng(5);
  for (int round = 0; round < 300; ++round) {
    const std::size_t size = round < 20 ? static_cast<std::size_t>(round) : rng() % 5001;
    std::u32string chars;
    const bool clustered = round % 3 == 0;  // dense runs make long collision chains
    const char32_t base = static_cast<char32_t>(rng() % 0x110000);
    for (std::size_t i = 0; i < size; ++i) {
      chars.push_back(clustered ? (base + static_cast<char32_t>(rng() % (2 * size + 1))) % 0x110000
                                : static_cast<char32_t>(rng() % 0x110000));
    }
    if (round % 5 == 0) chars += chars.substr(0, chars.size() / 2);  // duplicates
    const std::set<char32_t> model(chars.begin(), chars.end());
    const text::FastSet f = text::fromList(chars);

    const auto t = f.table();
    ASSERT_EQ(t.size() % 2, 0u);
    // Homes never decrease along the table, and the table ends in empty slots.
    std::int64_t lastHome = -1;
    std::size_t found = 0;
    for (std::size_t s = 0; s < t.size() / 2; ++s) {
      if (t[2 * s + 1] == E) continue;
      ASSERT_GE(t[2 * s + 1], lastHome);
      ASSERT_GE(static_cast<std::int64_t>(s), t[2 * s + 1]);
      ASSERT_EQ(t[2 * s] & f.mask(), t[2 * s + 1]);
      lastHome = t[2 * s + 1];
      ++found;
    }
    ASSERT_EQ(found, model.size());
    ASSERT_EQ(t[t.size() - 1], E);
    ASSERT_EQ(t[t.size() - 3], E);

    auto check = [&](char32_t c) {
      ASSERT_EQ(text::member(c, f), model.count(c) == 1) << std::hex << static_cast<std::uint32_t>(c);
    };
    for (char32_t c : model) {
      check(c);
      check(c + 1);
      check(c - 1);
      check(c + static_cast<char32_t>(f.mask()) + 1);
    }
    for (int q = 0; q < 2000; ++q) check(static_cast<char32_t>(rng() % 0x110000));
    check(0);
    check(0x10FFFF);
  }
}

TEST(VellumFastSet, CharSetsFromTextAndClasses) {
  text::FastSet vowels = text::set(Text("a\xC3\xA9io\xC3\xBCu"));
  for (char32_t c : std::u32string(U"a\u00E9io\u00FCu")) EXPECT_TRUE(text::member(c, vowels));
  EXPECT_FALSE(text::member(U'\u00C3', vowels));  // a lead byte is not a character here
  EXPECT_EQ(vowels, text::fromList(U"uu\u00FCoi\u00E9a"));
  EXPECT_EQ(text::charClass(U"a-d"), text::fromList(U"abcd"));
  EXPECT_NE(text::charClass(U"a-d"), text::fromList(U"abc"));
  EXPECT_LT(text::fromList(U""), text::fromList(U"a"));

  text::FastSet planes = text::charClass(U"\U00010000-\U000100FF\U0010FFFF");
  EXPECT_TRUE(text::member(U'\U00010080', planes));
  EXPECT_TRUE(text::member(U'\U0010FFFF', planes));
  EXPECT_FALSE(text::member(U'\U00010100', planes));
  EXPECT_FALSE(text::member(U'\u0080', planes));  // the same low bits, another character
}

}  // namespace
