#include "base/generator.hpp"

#include <gtest/gtest.h>

#include <memory>
#include <ranges>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using quire::Generator;

static_assert(std::ranges::input_range<Generator<int>>);
static_assert(std::ranges::view<Generator<int>>);
static_assert(!std::ranges::forward_range<Generator<int>>);
static_assert(std::same_as<std::ranges::range_reference_t<Generator<std::string>>, std::string&>);

Generator<int> naturals() {
  for (int i = 0;; ++i) co_yield i;
}

TEST(Generator, HeaderExample) {
  std::vector<int> got;
  for (int n : naturals() | std::views::take(3)) got.push_back(n);
  EXPECT_EQ(got, (std::vector<int>{0, 1, 2}));
}

TEST(Generator, RunsLazilyAndComposesWithViews) {
  int steps = 0;
  auto counted = [&steps]() -> Generator<int> {
    for (int i = 1; i <= 5; ++i) {
      ++steps;
      co_yield i * i;
    }
  };
  Generator<int> g = counted();
  EXPECT_EQ(steps, 0);  // nothing runs before begin()
  auto it = g.begin();
  EXPECT_EQ(steps, 1);
  EXPECT_EQ(*it, 1);
  ++it;
  EXPECT_EQ(*it, 4);
  EXPECT_EQ(steps, 2);

  std::vector<int> evens;
  for (int v : counted() | std::views::filter([](int v) { return v % 2 == 0; })) evens.push_back(v);
  EXPECT_EQ(evens, (std::vector<int>{4, 16}));

  auto empty = []() -> Generator<int> { co_return; };
  for (int v : empty()) ADD_FAILURE() << v;
  Generator<int> defaulted;
  EXPECT_TRUE(defaulted.begin() == defaulted.end());
}

TEST(Generator, StoppingEarlyDestroysTheBody) {
  auto alive = std::make_shared<int>(0);
  std::weak_ptr<int> watch = alive;
  bool finished = false;
  {
    auto body = [](std::shared_ptr<int> held, bool& done) -> Generator<int> {
      for (int i = 0; i < 1000; ++i) co_yield *held + i;
      done = true;
    };
    Generator<int> g = body(std::move(alive), finished);
    for (int v : g) {
      if (v == 2) break;
    }
    EXPECT_FALSE(watch.expired());  // suspended, still holding its locals
  }
  EXPECT_TRUE(watch.expired());  // destroying the generator released them
  EXPECT_FALSE(finished);
}

TEST(Generator, ExceptionsReachTheConsumer) {
  auto failing = [](int after) -> Generator<int> {
    for (int i = 0; i < after; ++i) co_yield i;
    throw std::runtime_error("body failed");
  };
  std::vector<int> got;
  try {
    for (int v : failing(2)) got.push_back(v);
    ADD_FAILURE() << "no exception";
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "body failed");
  }
  EXPECT_EQ(got, (std::vector<int>{0, 1}));

  Generator<int> first = failing(0);
  EXPECT_THROW((void)first.begin(), std::runtime_error);  // thrown before any value
  EXPECT_TRUE(first.begin() == first.end());              // and the body is finished
}

TEST(Generator, YieldedValuesCanBeMovedOutButLvaluesAreCopied) {
  auto words = []() -> Generator<std::string> {
    std::string kept(40, 'k');
    co_yield kept;  // copied: the consumer may move, kept stays intact
    co_yield kept + "!";
    co_yield std::string(kept.size(), 'x');
  };
  std::vector<std::string> got;
  for (std::string& w : words()) got.push_back(std::move(w));
  ASSERT_EQ(got.size(), 3u);
  EXPECT_EQ(got[0], std::string(40, 'k'));
  EXPECT_EQ(got[1], std::string(40, 'k') + "!");
  EXPECT_EQ(got[2], std::string(40, 'x'));

  Generator<std::string> a = words();
  auto it = a.begin();
  Generator<std::string> b = std::move(a);  // moving keeps the position
  EXPECT_EQ(it->size(), 40u);
  auto again = b.begin();
  EXPECT_EQ(*again, std::string(40, 'k'));

  auto owners = []() -> Generator<std::unique_ptr<int>> {  // move-only values
    for (int i = 0; i < 3; ++i) co_yield std::make_unique<int>(i);
  };
  int sum = 0;
  for (auto& p : owners()) {
    std::unique_ptr<int> taken = std::move(p);
    sum += *taken;
  }
  EXPECT_EQ(sum, 3);
}

}  // namespace
