#include "regroup/regroup.hpp"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

using namespace quire::regroup;
using quire::tagged::Tagged;

template <class T>
concept CanRegroup = requires(T v) { regroup(std::move(v)); };
template <class T>
concept CanUnregroup = requires(T v) { unregroup(std::move(v)); };
template <class T>
concept CanSwap = requires(T v) { swap(std::move(v)); };

TEST(Regroup, HeaderExamples) {
  auto r = regroup(std::pair{std::pair{1, 'b'}, 3.0});
  EXPECT_EQ(r, (std::pair{1, std::pair{'b', 3.0}}));
  EXPECT_EQ(swap(std::pair{1, 'b'}), (std::pair{'b', 1}));
  EXPECT_EQ(swap(std::tuple{1, 2, 3, 4}), (std::tuple{1, 2, 4, 3}));
  using V = std::variant<std::variant<int, char>, double>;
  auto v = regroup(V(2.5));
  ASSERT_EQ(v.index(), 1u);
  EXPECT_EQ(std::get<1>(v).index(), 1u);
  EXPECT_EQ(std::get<1>(std::get<1>(v)), 2.5);
}

// Every placement of a value in a nested structure goes to its mirrored
// place and back.
template <class T>
class RegroupOver : public ::testing::Test {};
using Elements = ::testing::Types<int, std::string>;
TYPED_TEST_SUITE(RegroupOver, Elements);

template <class T>
T sample(int i) {
  if constexpr (std::is_same_v<T, std::string>) {
    return "v" + std::to_string(i);
  } else {
    return static_cast<T>(i);
  }
}

TYPED_TEST(RegroupOver, PairsRoundTrip) {
  using T = TypeParam;
  std::pair<std::pair<T, double>, T> left{{sample<T>(1), 2.5}, sample<T>(3)};
  auto right = regroup(left);
  static_assert(std::is_same_v<decltype(right), std::pair<T, std::pair<double, T>>>);
  EXPECT_EQ(right.first, sample<T>(1));
  EXPECT_EQ(right.second.first, 2.5);
  EXPECT_EQ(right.second.second, sample<T>(3));
  EXPECT_EQ(unregroup(right), left);
  EXPECT_EQ(swap(swap(left)), left);
  EXPECT_EQ(swap(left).first, sample<T>(3));
}

TYPED_TEST(RegroupOver, AlternativesRoundTripFromEveryPlace) {
  using T = TypeParam;
  // Same type on every side: only the position tells the alternatives apart.
  using Left = std::variant<std::variant<T, T>, T>;
  using Right = std::variant<T, std::variant<T, T>>;
  const Left lefts[] = {Left(std::in_place_index<0>, std::variant<T, T>(std::in_place_index<0>, sample<T>(1))),
                        Left(std::in_place_index<0>, std::variant<T, T>(std::in_place_index<1>, sample<T>(2))),
                        Left(std::in_place_index<1>, sample<T>(3))};
  // first(first a) -> first a; first(second b) -> second(first b); second c -> second(second c)
  const Right rights[] = {Right(std::in_place_index<0>, sample<T>(1)),
                          Right(std::in_place_index<1>, std::variant<T, T>(std::in_place_index<0>, sample<T>(2))),
                          Right(std::in_place_index<1>, std::variant<T, T>(std::in_place_index<1>, sample<T>(3)))};
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(regroup(lefts[i]), rights[i]) << i;
    EXPECT_EQ(unregroup(rights[i]), lefts[i]) << i;
  }
  using Two = std::variant<T, T>;
  EXPECT_EQ(swap(Two(std::in_place_index<0>, sample<T>(4))), Two(std::in_place_index<1>, sample<T>(4)));
  EXPECT_EQ(swap(swap(Two(std::in_place_index<1>, sample<T>(5)))), Two(std::in_place_index<1>, sample<T>(5)));
}

TYPED_TEST(RegroupOver, WrappersOfOneValueRewrapIt) {
  using T = TypeParam;
  struct A {};
  struct B {};
  Tagged<Tagged<A, B>, T> t(sample<T>(7));
  auto rt = regroup(t);
  static_assert(std::is_same_v<decltype(rt), Tagged<A, Tagged<B, T>>>);
  EXPECT_EQ(rt.unTagged.unTagged, sample<T>(7));
  EXPECT_EQ(unregroup(rt), t);

  Const<Const<T, A>, B> c{{sample<T>(8)}};
  auto rc = regroup(c);
  static_assert(std::is_same_v<decltype(rc), Const<T, Const<A, B>>>);
  EXPECT_EQ(rc.value, sample<T>(8));
  EXPECT_EQ(unregroup(rc), c);

  // Neither swaps: there is only one value.
  static_assert(!CanSwap<Tagged<A, T>> && !CanSwap<Const<T, A>>);
}

TEST(Regroup, AlternativesAreNotInspected) {
  // The second alternative passes through without being looked at or copied.
  using Left = std::variant<std::variant<int, int>, std::unique_ptr<int>>;
  auto owned = std::make_unique<int>(4);
  int* raw = owned.get();
  auto right = regroup(Left(std::move(owned)));
  EXPECT_EQ(std::get<1>(std::get<1>(right)).get(), raw);
  auto back = unregroup(std::move(right));
  EXPECT_EQ(std::get<1>(back).get(), raw);
}

TEST(Regroup, ValuelessAlternativesAreReported) {
  struct Throws {
    Throws() = default;
    Throws(const Throws&) { throw 1; }
  };
  std::variant<int, Throws> v;
  try {
    v.emplace<1>(Throws(Throws()));
  } catch (int) {
  }
  ASSERT_TRUE(v.valueless_by_exception());
  EXPECT_THROW((void)swap(std::move(v)), std::bad_variant_access);
}

TEST(Regroup, TuplesSwapTheirLastTwo) {
  EXPECT_EQ(swap(std::tuple{1, 'x'}), (std::tuple{'x', 1}));
  EXPECT_EQ(swap(std::tuple{1, 2, 3}), (std::tuple{1, 3, 2}));
  auto seven = swap(std::tuple{1, 2, 3, 4, 5, std::string("a"), 7.5});
  EXPECT_EQ(seven, (std::tuple{1, 2, 3, 4, 5, 7.5, std::string("a")}));
  EXPECT_EQ(swap(seven), (std::tuple{1, 2, 3, 4, 5, std::string("a"), 7.5}));
  static_assert(!CanSwap<std::tuple<int, int, int, int, int, int, int, int>>);
  static_assert(!CanSwap<std::tuple<int>>);
  static_assert(!CanRegroup<std::tuple<std::tuple<int, int>, int>>);
  static_assert(!CanRegroup<std::pair<int, int>> && !CanUnregroup<std::pair<int, int>>);
  static_assert(!CanRegroup<std::variant<std::variant<int, int, int>, int>>);
}

TEST(Regroup, BimapMapsEachSide) {
  auto twice = [](int x) { return x * 2; };
  auto text = [](int x) { return std::to_string(x); };
  EXPECT_EQ(bimap(twice, text, std::pair{1, 2}), (std::pair<int, std::string>{2, "2"}));
  using V = std::variant<int, int>;
  auto v = bimap(twice, text, V(std::in_place_index<1>, 5));
  EXPECT_EQ(std::get<1>(v), "5");
  auto c = bimap(twice, text, Const<int, int>{4});
  static_assert(std::is_same_v<decltype(c), Const<int, std::string>>);
  EXPECT_EQ(c.value, 8);
  struct S {};
  auto t = bimap([](S) { return 0; }, text, Tagged<S, int>(6));
  static_assert(std::is_same_v<decltype(t), Tagged<int, std::string>>);
  EXPECT_EQ(t.unTagged, "6");
}

}  // namespace
