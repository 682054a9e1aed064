#include "tagged/tagged.hpp"

#include <gtest/gtest.h>

#include <bit>
#include <cstring>
#include <limits>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <unordered_set>

namespace {

using namespace quire::tagged;

struct Metres {};
struct Feet {};

// Whether an expression compiles, for checks that a mix of tags is refused.
template <class A, class B>
concept Addable = requires(A a, B b) { a + b; };
template <class A, class B>
concept EqualityComparable = requires(A a, B b) { a == b; };
template <class T, class S>
concept Witnessable = requires(T t, S s) { witness(t, s); };
template <class T, class S>
concept Proxyable = requires(T t, Proxy<S> p) { proxy(t, p); };
template <class T, class S>
concept TagCheckable = requires(T t, S s) { asTaggedTypeOf(s, t); };
template <class T>
concept SaltHashable = requires(T t) { hashWithSalt(1, t); };

TEST(Tagged, HeaderExamples) {
  Tagged<Metres, std::int64_t> a(3), b(4);
  auto c = a + b;
  EXPECT_EQ(untag(c), 7);
  EXPECT_TRUE(a < b);
  EXPECT_EQ(show(c), "Tagged 7");

  Tagged<int, int> self = tagSelf(7);
  EXPECT_EQ(untagSelf(self), 7);
  auto f = tagWith(Proxy<Metres>{}, 2.5);
  static_assert(std::is_same_v<decltype(f), Tagged<Metres, double>>);
  auto g = map([](std::int64_t x) { return x * 2; }, a);
  EXPECT_EQ(untag(g), 6);
  auto n = unproxy<Metres>([](Proxy<Metres>) { return 3; });
  static_assert(std::is_same_v<decltype(n), Tagged<Metres, int>>);
  EXPECT_EQ(untag(n), 3);
}

// Layout and forwarded comparison over several value types.
template <class B>
class TaggedOver : public ::testing::Test {
 public:
  static std::vector<B> samples();
};
template <>
std::vector<std::int64_t> TaggedOver<std::int64_t>::samples() {
  return {std::numeric_limits<std::int64_t>::min(), -5, 0, 1, 42, std::numeric_limits<std::int64_t>::max()};
}
template <>
std::vector<std::uint8_t> TaggedOver<std::uint8_t>::samples() { return {0, 1, 127, 128, 255}; }
template <>
std::vector<double> TaggedOver<double>::samples() { return {-1e300, -2.5, -0.0, 0.0, 1e-300, 3.75}; }
template <>
std::vector<std::string> TaggedOver<std::string>::samples() { return {"", "a", "ab", "b", "quire"}; }
using ValueTypes = ::testing::Types<std::int64_t, std::uint8_t, double, std::string>;
TYPED_TEST_SUITE(TaggedOver, ValueTypes);

TYPED_TEST(TaggedOver, HasTheLayoutOfItsValue) {
  using B = TypeParam;
  using T = Tagged<Metres, B>;
  static_assert(sizeof(T) == sizeof(B));
  static_assert(alignof(T) == alignof(B));
  static_assert(std::is_standard_layout_v<T> == std::is_standard_layout_v<B>);
  static_assert(std::is_trivially_copyable_v<T> == std::is_trivially_copyable_v<B>);
  static_assert(std::is_nothrow_move_constructible_v<T> == std::is_nothrow_move_constructible_v<B>);
  for (const B& b : TestFixture::samples()) {
    T t(b);
    EXPECT_EQ(static_cast<const void*>(&t.unTagged), static_cast<const void*>(&t));
    if constexpr (std::is_trivially_copyable_v<B>) {
      // Stored and loaded as raw bytes it is the value itself.
      B loaded;
      std::memcpy(&loaded, &t, sizeof t);
      EXPECT_EQ((std::memcmp(&loaded, &b, sizeof b)), 0);
      EXPECT_EQ(std::bit_cast<T>(b).unTagged, t.unTagged);
    }
  }
}

TYPED_TEST(TaggedOver, ComparesAsItsValue) {
  auto samples = TestFixture::samples();
  for (const auto& x : samples) {
    for (const auto& y : samples) {
      Tagged<Feet, TypeParam> a(x), b(y);
      EXPECT_EQ(a == b, x == y);
      EXPECT_EQ(a != b, x != y);
      EXPECT_EQ(a < b, x < y);
      EXPECT_EQ(a >= b, x >= y);
      EXPECT_EQ(a <=> b, x <=> y);
    }
  }
}

TYPED_TEST(TaggedOver, TextFormRoundTrips) {
  for (const auto& b : TestFixture::samples()) {
    Tagged<Metres, TypeParam> t(b);
    const std::string inner = quire::showsPrecOf(11, b);
    EXPECT_EQ(show(t), "Tagged " + inner);
    EXPECT_EQ(showsPrec(11, t), "(Tagged " + inner + ")");
    auto back = read<Tagged<Metres, TypeParam>>(show(t));
    ASSERT_TRUE(back) << show(t);
    EXPECT_EQ(back->unTagged, b);
    EXPECT_TRUE((read<Tagged<Metres, TypeParam>>(showsPrec(11, t)).has_value()));
  }
}

TEST(Tagged, UnwrappingAndRetaggingNeitherCopyNorChange) {
  Tagged<Metres, std::string> name(std::string("quire"));
  EXPECT_EQ(&untag(name), &name.unTagged);
  EXPECT_EQ(&unTagged(name), &name.unTagged);

  auto owner = std::make_unique<int>(9);
  int* raw = owner.get();
  Tagged<Metres, std::unique_ptr<int>> held(std::move(owner));
  Tagged<Feet, std::unique_ptr<int>> moved = retag<Feet>(std::move(held));
  EXPECT_EQ(moved.unTagged.get(), raw);
  std::unique_ptr<int> out = untag(std::move(moved));
  EXPECT_EQ(out.get(), raw);

  Tagged<Metres, int> m(12);
  EXPECT_EQ(untag(retag<Feet>(m)), 12);
  static_assert(std::is_same_v<decltype(retag<Feet>(m)), Tagged<Feet, int>>);
}

TEST(Tagged, ProxiesAndWitnesses) {
  Tagged<Metres, int> m(4);
  EXPECT_EQ(witness(m, Metres{}), 4);
  EXPECT_EQ(proxy(m, Proxy<Metres>{}), 4);
  static_assert(std::is_same_v<decltype(reproxy(m)), Proxy<int>>);
  static_assert(std::is_same_v<decltype(asTaggedTypeOf(Metres{}, m)), Metres>);
  // A proxy is empty: it costs nothing to pass.
  static_assert(std::is_empty_v<Proxy<Metres>>);
  // The tag must agree: these do not compile.
  static_assert(Witnessable<decltype(m), Metres> && !Witnessable<decltype(m), Feet>);
  static_assert(Proxyable<decltype(m), Metres> && !Proxyable<decltype(m), Feet>);
  static_assert(TagCheckable<decltype(m), Metres> && !TagCheckable<decltype(m), Feet>);
}

TEST(Tagged, MappingApplyingBindingFolding) {
  Tagged<Metres, int> m(5);
  auto s = map([](int x) { return std::to_string(x); }, m);
  static_assert(std::is_same_v<decltype(s), Tagged<Metres, std::string>>);
  EXPECT_EQ(untag(s), "5");

  auto f = pure<Metres>([](int x) { return x + 1; });
  EXPECT_EQ(untag(ap(f, m)), 6);

  auto b = bind(m, [](int x) { return Tagged<Metres, double>(x / 2.0); });
  EXPECT_EQ(untag(b), 2.5);

  EXPECT_EQ(foldr([](int x, int z) { return x - z; }, 1, m), 4);

  auto both = bimap([](Metres) { return Feet{}; }, [](int x) { return x * 3; }, m);
  static_assert(std::is_same_v<decltype(both), Tagged<Feet, int>>);
  EXPECT_EQ(untag(both), 15);
}

TEST(Tagged, TagsKeepValuesApart) {
  using M = Tagged<Metres, int>;
  using F = Tagged<Feet, int>;
  static_assert(!std::is_convertible_v<int, M>);
  static_assert(std::is_constructible_v<M, int>);
  static_assert(!std::is_constructible_v<F, M>);
  static_assert(Addable<M, M> && !Addable<M, F> && !Addable<M, int>);
  static_assert(EqualityComparable<M, M> && !EqualityComparable<M, F>);
  // String literals convert, as they do to the wrapped string.
  Tagged<Metres, std::string> label = "north";
  EXPECT_EQ(untag(label), "north");
  static_assert(std::is_convertible_v<const char (&)[3], Tagged<Metres, std::string>>);
}

TEST(Tagged, ArithmeticMatchesTheRawValues) {
  using T = Tagged<Metres, std::int64_t>;
  std::mt19937_64 rng(7);
  for (int i = 0; i < 500; ++i) {
    const auto x = static_cast<std::int64_t>(rng() >> 33) - (1LL << 30);
    auto y = static_cast<std::int64_t>(rng() >> 33) - (1LL << 30);
    if (y == 0) y = 3;
    T a(x), b(y);
    EXPECT_EQ(untag(a + b), x + y);
    EXPECT_EQ(untag(a - b), x - y);
    EXPECT_EQ(untag(a * b), x * y);
    EXPECT_EQ(untag(a / b), x / y);
    EXPECT_EQ(untag(a % b), x % y);
    EXPECT_EQ(untag(-a), -x);
    EXPECT_EQ(untag(a & b), x & y);
    EXPECT_EQ(untag(a | b), x | y);
    EXPECT_EQ(untag(a ^ b), x ^ y);
    EXPECT_EQ(untag(~a), ~x);
    EXPECT_EQ(untag(a >> 3), x >> 3);
    EXPECT_EQ(untag(abs(a)), std::abs(x));
    T c = a;
    c += b;
    c *= b;
    c -= a;
    EXPECT_EQ(untag(c), (x + y) * y - x);
  }
  T counter(9);
  EXPECT_EQ(untag(counter++), 9);
  EXPECT_EQ(untag(++counter), 11);
  EXPECT_EQ(untag(--counter), 10);
  EXPECT_EQ(untag(counter << 2), 40);

  // Narrow values stay narrow and wrap as the value type does.
  Tagged<Metres, std::uint8_t> small(250);
  small += Tagged<Metres, std::uint8_t>(10);
  EXPECT_EQ(untag(small), 4);
  static_assert(std::is_same_v<decltype(small + small), Tagged<Metres, std::uint8_t>>);

  // Concatenation is the string's +.
  Tagged<Metres, std::string> hello("hello, "), world("world");
  EXPECT_EQ(untag(hello + world), "hello, world");
}

TEST(Tagged, MathematicalFunctionsAndBits) {
  using D = Tagged<Feet, double>;
  for (double x : {-7.25, -0.5, 0.0, 0.3, 2.0, 1e10}) {
    D d(x);
    EXPECT_EQ(untag(floor(d)), std::floor(x));
    EXPECT_EQ(untag(ceil(d)), std::ceil(x));
    EXPECT_EQ(untag(trunc(d)), std::trunc(x));
    EXPECT_EQ(untag(round(d)), std::round(x));
    EXPECT_EQ(untag(sin(d)), std::sin(x));
    EXPECT_EQ(untag(atan2(d, D(2.0))), std::atan2(x, 2.0));
    auto [whole, fraction] = properFraction(d);
    EXPECT_EQ(untag(whole) + untag(fraction), x);
    EXPECT_EQ(untag(whole), std::trunc(x));
    EXPECT_FALSE(isnan(d));
  }
  EXPECT_EQ(untag(sqrt(D(2.25))), 1.5);
  EXPECT_TRUE(isnan(sqrt(D(-1.0))));
  static_assert(std::is_same_v<decltype(sqrt(Tagged<Feet, int>(4))), Tagged<Feet, double>>);

  Tagged<Feet, std::uint32_t> bits(0b1011'0000u);
  EXPECT_EQ(popcount(bits), 3);
  EXPECT_EQ(countr_zero(bits), 4);
  EXPECT_EQ(countl_zero(bits), 24);
  EXPECT_EQ(bit_width(bits), 8);
  EXPECT_EQ(untag(rotl(bits, 28)), 0x0000000Bu);
}

TEST(Tagged, BoundsAreThoseOfTheValue) {
  using L = std::numeric_limits<Tagged<Metres, std::int16_t>>;
  static_assert(L::is_specialized && L::is_signed && L::digits == 15);
  EXPECT_EQ(untag(L::min()), -32768);
  EXPECT_EQ(untag(L::max()), 32767);
  using F = std::numeric_limits<Tagged<Metres, float>>;
  EXPECT_EQ(untag(F::infinity()), std::numeric_limits<float>::infinity());
  EXPECT_EQ(untag(F::lowest()), std::numeric_limits<float>::lowest());
}

struct Salted {
  std::uint64_t v;
  friend std::uint64_t hashWithSalt(std::uint64_t salt, const Salted& s) {
    return quire::hash::mixWord(salt, s.v);
  }
};

TEST(Tagged, HashesAsItsValue) {
  for (std::string s : {"", "a", "tagged"}) {
    EXPECT_EQ((std::hash<Tagged<Metres, std::string>>{}(Tagged<Metres, std::string>(s))),
              std::hash<std::string>{}(s));
  }
  EXPECT_EQ(hashWithSalt(5, Tagged<Metres, Salted>(Salted{77})), hashWithSalt(5, Salted{77}));
  EXPECT_EQ(hash(Tagged<Metres, Salted>(Salted{77})),
            hashWithSalt(quire::hash::defaultSalt, Salted{77}));
  std::unordered_set<Tagged<Feet, int>> seen{Tagged<Feet, int>(1), Tagged<Feet, int>(2)};
  EXPECT_EQ(seen.count(Tagged<Feet, int>(2)), 1u);
  EXPECT_EQ(seen.count(Tagged<Feet, int>(3)), 0u);
  static_assert(SaltHashable<Tagged<Feet, Salted>> && !SaltHashable<Tagged<Feet, int>>);
}

TEST(Tagged, TextFormsAndPrecedence) {
  EXPECT_EQ(show(Tagged<Metres, int>(5)), "Tagged 5");
  EXPECT_EQ(show(Tagged<Metres, int>(-5)), "Tagged (-5)");
  EXPECT_EQ(showsPrec(11, Tagged<Metres, int>(5)), "(Tagged 5)");
  EXPECT_EQ(showsPrec(10, Tagged<Metres, int>(5)), "Tagged 5");
  EXPECT_EQ(show(Tagged<Metres, std::string>("a\"b")), "Tagged \"a\\\"b\"");
  EXPECT_EQ(show(Tagged<Metres, double>(0.1)), "Tagged 0.1");
  EXPECT_EQ(show(Tagged<Feet, Tagged<Metres, int>>(Tagged<Metres, int>(2))), "Tagged (Tagged 2)");
  EXPECT_EQ((quire::showsPrecOf(0, std::vector<Tagged<Metres, int>>{Tagged<Metres, int>(1)})),
            "[Tagged 1]");
}

TEST(Tagged, ReadingAcceptsTheTextFormOnly) {
  using T = Tagged<Metres, int>;
  EXPECT_EQ(read<T>("Tagged 5"), T(5));
  EXPECT_EQ(read<T>("  ( ( Tagged   (-5) ) )  "), T(-5));
  EXPECT_EQ(read<T>("Tagged(7)"), T(7));
  EXPECT_EQ((read<Tagged<Feet, T>>("Tagged (Tagged 2)")), (Tagged<Feet, T>(T(2))));
  for (const char* bad : {"", "5", "Tagged", "Tagged -5", "Tagged5", "tagged 5", "(Tagged 5",
                          "Tagged 5)", "Tagged 99999999999", "Tagged (Tagged 1)"}) {
    EXPECT_FALSE(read<T>(bad)) << bad;
  }
  // Above precedence 10 the form needs parentheses.
  EXPECT_TRUE(readsPrec<T>(11, "Tagged 5").empty());
  auto readings = readsPrec<T>(11, "(Tagged 5) rest");
  ASSERT_EQ(readings.size(), 1u);
  EXPECT_EQ(readings[0].value, T(5));
  EXPECT_EQ(readings[0].rest, " rest");
}

TEST(Tagged, StreamsCarryTheValue) {
  std::ostringstream out;
  out << Tagged<Metres, int>(12) << ' ' << Tagged<Metres, std::string>("x");
  EXPECT_EQ(out.str(), "12 x");
  std::istringstream in("34 abc");
  Tagged<Metres, int> n;
  Tagged<Metres, std::string> s;
  in >> n >> s;
  EXPECT_EQ(untag(n), 34);
  EXPECT_EQ(untag(s), "abc");
  std::istringstream bad("x");
  bad >> n;
  EXPECT_TRUE(bad.fail());
}

}  // namespace
