#include "presets/presets.hpp"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdint>
#include <ctime>
#include <sys/types.h>

#include "presets/gmp.hpp"
#include "presets/structural.hpp"
#include "presets/wrappers.hpp"

namespace {

using namespace quire::presets;

TEST(Presets, HeaderExamples) {
  EXPECT_EQ(def<int>(), 0);
  EXPECT_EQ((def<std::pair<int, std::vector<int>>>()), (std::pair<int, std::vector<int>>{0, {}}));
  EXPECT_EQ((def<std::function<double(int)>>()(42)), 0.0);
  EXPECT_EQ(def<std::strong_ordering>(), std::strong_ordering::equal);
  EXPECT_EQ(def<Product<int>>().value, 1);
  EXPECT_TRUE(def<All>().value);
  EXPECT_EQ(def<Endo<std::string>>().apply("x"), "x");
  EXPECT_EQ(def<Ratio<long>>(), (Ratio<long>{0, 1}));
  EXPECT_FALSE(def<First<int>>().value);
}

template <class T>
class NumberDefault : public ::testing::Test {};
using Numbers = ::testing::Types<
    signed char, unsigned char, short, unsigned short, int, unsigned, long, unsigned long, long long,
    unsigned long long, std::int8_t, std::uint8_t, std::int16_t, std::uint16_t, std::int32_t,
    std::uint32_t, std::int64_t, std::uint64_t, std::size_t, std::ptrdiff_t, std::intptr_t,
    std::uintptr_t, std::intmax_t, std::uintmax_t, std::sig_atomic_t, std::time_t, std::clock_t,
    useconds_t, suseconds_t, float, double, long double>;
TYPED_TEST_SUITE(NumberDefault, Numbers);

TYPED_TEST(NumberDefault, IsZeroEverywhere) {
  using T = TypeParam;
  static_assert(HasDefault<T>);
  constexpr T zero = def<T>();  // usable in constant expressions
  EXPECT_EQ(zero, T(0));
  EXPECT_EQ(def<Sum<T>>().value, T(0));
  EXPECT_EQ(def<Product<T>>().value, T(1));
  EXPECT_EQ(def<Dual<T>>().value, T(0));
  if constexpr (std::is_floating_point_v<T>) {
    EXPECT_FALSE(std::signbit(def<T>()));
    EXPECT_EQ(def<std::complex<T>>(), std::complex<T>(0, 0));
  }
  EXPECT_EQ(def<std::function<T(std::string, int)>>()("ignored", 7), T(0));
  EXPECT_EQ(def<std::function<T()>>()(), T(0));
}

TEST(Presets, ContainersOptionalsAndUnits) {
  EXPECT_TRUE(def<std::vector<std::string>>().empty());
  EXPECT_TRUE(def<std::string>().empty());
  EXPECT_FALSE(def<std::optional<int>>().has_value());
  EXPECT_FALSE(def<Last<std::string>>().value.has_value());
  EXPECT_FALSE(def<Any>().value);
  EXPECT_EQ(def<std::tuple<>>(), std::tuple<>());
  EXPECT_EQ(def<std::monostate>(), std::monostate());
  // Containers need no default of their elements.
  struct NoDefault {};
  EXPECT_TRUE(def<std::vector<NoDefault>>().empty());
  EXPECT_FALSE(def<std::optional<NoDefault>>().has_value());
  EXPECT_EQ(def<Dual<std::vector<int>>>().value, std::vector<int>{});
  EXPECT_EQ(def<Endo<int>>().apply(41), 41);
  EXPECT_EQ(def<mpz_class>(), 0);
  EXPECT_EQ(def<mpq_class>(), mpq_class(0, 1));
  EXPECT_EQ(def<std::complex<mpq_class>>().real(), 0);
}

TEST(Presets, TuplesOfTwoToSevenComponents) {
  EXPECT_EQ((def<std::tuple<int, std::string>>()), (std::tuple<int, std::string>{0, ""}));
  auto seven = def<std::tuple<int, double, std::string, std::vector<int>, std::optional<char>,
                              Product<int>, std::tuple<short, long>>>();
  EXPECT_EQ(std::get<0>(seven), 0);
  EXPECT_EQ(std::get<1>(seven), 0.0);
  EXPECT_TRUE(std::get<2>(seven).empty());
  EXPECT_TRUE(std::get<3>(seven).empty());
  EXPECT_FALSE(std::get<4>(seven));
  EXPECT_EQ(std::get<5>(seven).value, 1);
  EXPECT_EQ(std::get<6>(seven), (std::tuple<short, long>{0, 0}));
  static_assert(HasDefault<std::tuple<int, int, int, int, int, int, int>>);
  static_assert(!HasDefault<std::tuple<int, int, int, int, int, int, int, int>>);
  static_assert(!HasDefault<std::tuple<int>>);
  static_assert(!HasDefault<std::tuple<int, bool>>);
}

TEST(Presets, TypesNotListedHaveNoDefault) {
  static_assert(!HasDefault<bool>);
  static_assert(!HasDefault<char>);
  static_assert(!HasDefault<char32_t>);
  static_assert(!HasDefault<void*>);
  static_assert(!HasDefault<std::weak_ordering>);
  static_assert(!HasDefault<std::function<void(int)>>);
  static_assert(!HasDefault<std::pair<int, bool>>);
  static_assert(!HasDefault<std::complex<bool>>);
  struct Plain {
    int x;
  };
  static_assert(!HasDefault<Plain>);  // records opt in
}

struct Inner {
  std::optional<int> maybe;
  Product<long> scale;
};

struct Config {
  int retries;
  std::vector<std::string> hosts;
  std::optional<double> timeout;
  Inner inner;
  const short fixed;
  std::function<int(int)> hook;
  std::pair<unsigned, std::string> tag;
};

struct Empty {};

template <class T>
concept StructurallyDefaulted = requires { structuralDef<T>(); };

struct Own {
  int value;
};

struct UsesOwn {
  Own own;
  int other;
};

struct Missing {
  int a;
  bool flag;
};

}  // namespace

template <>
struct quire::presets::Default<Inner> : quire::presets::Structural<Inner> {};
template <>
struct quire::presets::Default<Config> : quire::presets::Structural<Config> {};
template <>
struct quire::presets::Default<Empty> : quire::presets::Structural<Empty> {};
template <>
struct quire::presets::Default<Missing> : quire::presets::Structural<Missing> {};
template <>
struct quire::presets::Default<Own> {
  static Own def() { return Own{7}; }
};

namespace {

TEST(Presets, RecordsTakeTheirFieldsDefaultsInOrder) {
  static_assert(detail::fieldCount<Config>() == 7);
  static_assert(detail::fieldCount<Empty>() == 0);
  Config c = def<Config>();
  EXPECT_EQ(c.retries, 0);
  EXPECT_TRUE(c.hosts.empty());
  EXPECT_FALSE(c.timeout);
  // An optional field is absent, not a present zero.
  EXPECT_FALSE(c.inner.maybe);
  EXPECT_EQ(c.inner.scale.value, 1);
  EXPECT_EQ(c.fixed, 0);
  EXPECT_EQ(c.hook(5), 0);
  EXPECT_EQ(c.tag, (std::pair<unsigned, std::string>{0, ""}));
  (void)def<Empty>();

  // A field's own default is used, and structuralDef needs no declaration.
  UsesOwn u = structuralDef<UsesOwn>();
  EXPECT_EQ(u.own.value, 7);
  EXPECT_EQ(u.other, 0);
  constexpr Inner constant = structuralDef<Inner>();
  static_assert(!constant.maybe.has_value());

  // A field without a default leaves the record without one.
  static_assert(!HasDefault<Missing>);
  static_assert(!StructurallyDefaulted<Missing> && StructurallyDefaulted<UsesOwn>);
}

}  // namespace
