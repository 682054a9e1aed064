// Splitting by position: worked results, edge cases, endless inputs and
// the results that are known without reading the input.
#include "split/positional.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <deque>
#include <forward_list>
#include <limits>
#include <ranges>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/generator.hpp"

namespace {

namespace qs = quire::split;
using Fields = std::vector<std::string>;
using Ints = std::vector<std::vector<int>>;

template <class R>
Fields collect(R&& pieces) {
  Fields out;
  for (auto&& p : pieces) out.emplace_back(p.begin(), p.end());
  return out;
}

template <class R>
Ints collectInts(R&& pieces) {
  Ints out;
  for (auto&& p : pieces) out.emplace_back(p.begin(), p.end());
  return out;
}

std::vector<int> iota(int from, int to) {
  std::vector<int> out;
  for (int i = from; i <= to; ++i) out.push_back(i);
  return out;
}

quire::Generator<int> naturals(std::size_t& reads) {
  for (int i = 1;; ++i) {
    ++reads;
    co_yield i;
  }
}

quire::Generator<char> chars(std::string s) {
  for (char c : s) co_yield c;
}

TEST(SplitPositional, ChunksOf) {
  EXPECT_EQ(collect(qs::chunksOf(3, "abcdefgh")), (Fields{"abc", "def", "gh"}));
  EXPECT_EQ(collect(qs::chunksOf(3, chars("abcdefgh"))), (Fields{"abc", "def", "gh"}));
  EXPECT_EQ(collect(qs::chunksOf(2, "abcd")), (Fields{"ab", "cd"}));
  EXPECT_TRUE(collect(qs::chunksOf(3, "")).empty());
  EXPECT_TRUE(collect(qs::chunksOf(0, "")).empty());
  EXPECT_TRUE(collect(qs::chunksOf(-1, chars(""))).empty());
  EXPECT_EQ(collect(qs::chunksOf(std::numeric_limits<std::int64_t>::max(), "abc")), (Fields{"abc"}));
  EXPECT_EQ(collect(qs::chunk(2, "abc")), (Fields{"ab", "c"}));
  EXPECT_EQ(collect(qs::splitEvery(2, "abc")), (Fields{"ab", "c"}));
}

// chunksOf 0 (or less) of a non-empty input: as many empty pieces as asked,
// reading nothing beyond the first element.
TEST(SplitPositional, ChunksOfZeroIsEndlessAndLazy) {
  EXPECT_EQ(collect(qs::chunksOf(0, "ab") | std::views::take(5)), Fields(5, ""));
  EXPECT_EQ(collect(qs::chunksOf(-7, chars("ab")) | std::views::take(1000)), Fields(1000, ""));
  std::size_t reads = 0;
  EXPECT_EQ(collectInts(qs::chunksOf(0, naturals(reads)) | std::views::take(100)), Ints(100));
  EXPECT_EQ(reads, 1u);
  reads = 0;
  EXPECT_EQ(collectInts(qs::chunksOf(2, naturals(reads)) | std::views::take(3)), (Ints{{1, 2}, {3, 4}, {5, 6}}));
  EXPECT_EQ(reads, 6u);
}

TEST(SplitPositional, SplitPlaces) {
  EXPECT_EQ(collect(qs::splitPlaces({2, 0, 3}, "abcde")), (Fields{"ab", "", "cde"}));
  EXPECT_EQ(collect(qs::splitPlaces({2, 3}, "abc")), (Fields{"ab", "c"}));
  EXPECT_EQ(collect(qs::splitPlaces({2, 3, 4}, "abcd")), (Fields{"ab", "cd"}));
  EXPECT_EQ(collect(qs::splitPlaces(std::vector<std::int8_t>{-1, 1}, chars("ab"))), (Fields{"", "a"}));
  EXPECT_EQ(collect(qs::splitPlaces(std::vector<std::uint64_t>{UINT64_MAX}, "ab")), (Fields{"ab"}));
  EXPECT_TRUE(collect(qs::splitPlaces(std::vector<int>{}, "ab")).empty());
  EXPECT_TRUE(collect(qs::splitPlaces({1, 2}, "")).empty());
  std::forward_list<short> counts{1, 1};
  EXPECT_EQ(collect(qs::splitPlaces(counts, std::string_view("xyz"))), (Fields{"x", "y"}));

  EXPECT_EQ(collect(qs::splitPlacesBlanks({2, 3, 4}, "abcd")), (Fields{"ab", "cd", ""}));
  EXPECT_EQ(collect(qs::splitPlacesBlanks({1, 1}, "")), (Fields{"", ""}));
  EXPECT_EQ(collect(qs::splitPlacesBlanks({1, 0, 5, 1}, chars("abc"))), (Fields{"a", "", "bc", ""}));
}

// Counts decide first: no counts, or finite counts, answer on endless input.
TEST(SplitPositional, SplitPlacesOnEndlessInput) {
  std::size_t reads = 0;
  EXPECT_TRUE(collectInts(qs::splitPlaces(std::vector<int>{}, naturals(reads))).empty());
  EXPECT_EQ(reads, 0u);
  EXPECT_EQ(collectInts(qs::splitPlaces({2, 3}, naturals(reads))), (Ints{{1, 2}, {3, 4, 5}}));
  EXPECT_EQ(reads, 5u);
  reads = 0;
  EXPECT_EQ(collectInts(qs::splitPlacesBlanks({1, 0}, naturals(reads))), (Ints{{1}, {}}));
  EXPECT_EQ(reads, 1u);
  // Endless counts on a finite input stop with the input.
  std::size_t countReads = 0;
  EXPECT_EQ(collect(qs::splitPlaces(naturals(countReads), "abcdef")), (Fields{"a", "bc", "def"}));
}

TEST(SplitPositional, Divvy) {
  EXPECT_EQ(collectInts(qs::divvy(5, 2, iota(1, 10))), (Ints{iota(1, 5), iota(3, 7), iota(5, 9)}));
  EXPECT_EQ(collectInts(qs::divvy(5, 5, iota(1, 20))), (Ints{iota(1, 5), iota(6, 10), iota(11, 15), iota(16, 20)}));
  const std::vector<int> ten = iota(1, 10);
  EXPECT_EQ(collectInts(qs::divvy(3, 4, std::span<const int>(ten))), (Ints{iota(1, 3), iota(5, 7)}));
  EXPECT_EQ(collect(qs::divvy(2, 1, chars("abc"))), (Fields{"ab", "bc"}));
  EXPECT_TRUE(collect(qs::divvy(4, 1, "abc")).empty());
  EXPECT_TRUE(collect(qs::divvy(2, 1, "")).empty());
  // Windows of length 0 are full windows.
  EXPECT_EQ(collect(qs::divvy(0, 2, "abcde")), (Fields{"", "", ""}));
}

TEST(SplitPositional, DivvyEdgeCasesAnswerWithoutHanging) {
  std::size_t reads = 0;
  // No window has a negative length: empty at once, nothing read.
  EXPECT_TRUE(collectInts(qs::divvy(-1, 1, naturals(reads))).empty());
  EXPECT_EQ(reads, 0u);
  EXPECT_EQ(collectInts(qs::divvy(2, 3, naturals(reads)) | std::views::take(2)), (Ints{{1, 2}, {4, 5}}));
  // A step that never advances repeats a full first window, and gives
  // nothing when there is none.
  EXPECT_EQ(collect(qs::divvy(2, 0, "abc") | std::views::take(3)), (Fields{"ab", "ab", "ab"}));
  EXPECT_EQ(collect(qs::divvy(2, -3, chars("abc")) | std::views::take(3)), (Fields{"ab", "ab", "ab"}));
  EXPECT_TRUE(collect(qs::divvy(4, 0, "abc")).empty());
  EXPECT_TRUE(collect(qs::divvy(4, 0, chars("abc"))).empty());
  EXPECT_EQ(collect(qs::divvy(0, 0, "a") | std::views::take(3)), Fields(3, ""));
}

TEST(SplitPositional, Chop) {
  auto pairs = [](std::string_view s) { return std::pair(s.substr(0, 2), s.substr(std::min<std::size_t>(2, s.size()))); };
  EXPECT_EQ(collect(qs::chop(pairs, "abcde")), (Fields{"ab", "cd", "e"}));
  EXPECT_TRUE(collect(qs::chop(pairs, "")).empty());
  // Results of any type; the rest of a non-contiguous input is a sub-range.
  std::deque<int> xs{3, 1, 2, 3, 5, 6};
  auto lengthPrefixed = [](auto rest) {
    auto it = rest.begin();
    int n = *it++;
    std::vector<int> piece;
    for (int i = 0; i < n && it != rest.end(); ++i) piece.push_back(*it++);
    return std::pair(piece, decltype(rest)(it, rest.end()));
  };
  EXPECT_EQ(collectInts(qs::chop(lengthPrefixed, xs)), (Ints{{1, 2, 3}, {6}}));
  std::vector<std::size_t> sizes;
  for (std::size_t n : qs::chop([](std::string_view s) { return std::pair(s.size(), s.substr(1)); }, "abc")) {
    sizes.push_back(n);
  }
  EXPECT_EQ(sizes, (std::vector<std::size_t>{3, 2, 1}));
}

TEST(SplitPositional, Build) {
  auto two = qs::build<int>([](auto cons, auto nil) { return cons(1, cons(2, nil)); });
  EXPECT_EQ(two, (std::deque<int>{1, 2}));
  auto none = qs::build<std::string>([](auto, auto nil) { return nil; });
  EXPECT_TRUE(none.empty());
  // A right fold through build, as a loop.
  auto counted = qs::build<int>([](auto cons, auto nil) {
    for (int i = 100000; i > 0; --i) nil = cons(i, std::move(nil));
    return nil;
  });
  EXPECT_EQ(counted.size(), 100000u);
  EXPECT_EQ(counted.front(), 1);
}

}  // namespace
