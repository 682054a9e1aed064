#include "spool/spool.hpp"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "spool/combine.hpp"
#include "spool/fold.hpp"
#include "spool/nonempty.hpp"
#include "spool/text.hpp"

namespace {

using namespace quire::spool;

template <class F>
std::string errorOf(F&& f) {
  try {
    f();
  } catch (const quire::Error& e) {
    return e.what();
  }
  return "no error";
}

TEST(Spool, HeaderExamples) {
  Spool<int> s = fromList({2, 3});
  s = cons(1, std::move(s));
  s = snoc(std::move(s), 4);
  Spool<int> t = append(s, replicate(2, 0));
  EXPECT_EQ(toList(t), (std::vector<int>{1, 2, 3, 4, 0, 0}));
  EXPECT_EQ(head(t), 1);
  EXPECT_TRUE(tail(fromList({7})).empty());
  EXPECT_EQ(toList(intercalate(singleton(0), {fromList({1}), fromList({2, 3})})),
            (std::vector<int>{1, 0, 2, 3}));

  Spool<int> u = fromList({3, 1, 2});
  EXPECT_EQ(sum(u), 6);
  EXPECT_EQ(product(u), 6);
  EXPECT_EQ(maximum(u), 3);
  EXPECT_TRUE(elem(2, u));
  EXPECT_EQ(foldl([](int z, int x) { return z * 10 + x; }, 0, u), 312);

  EXPECT_EQ(toList(stimes(3, fromList({1, 2}))), (std::vector<int>{1, 2, 1, 2, 1, 2}));
  Spool<std::function<int(int)>> fs = fromList<std::function<int(int)>>(
      {[](int x) { return x + 1; }, [](int x) { return x * 10; }});
  EXPECT_EQ(toList(ap(fs, fromList({1, 2}))), (std::vector<int>{2, 3, 10, 20}));
  EXPECT_EQ(toList(bind(fromList({1, 2}), [](int x) { return replicate(x, x); })),
            (std::vector<int>{1, 2, 2}));

  EXPECT_EQ(show(fromList({1, 2, 3})), "fromList [1,2,3]");
  EXPECT_EQ(showsPrec(11, Spool<int>()), "(fromList [])");
  EXPECT_EQ(show(fromString("hi")), "fromList \"hi\"");
  EXPECT_EQ(show(SpoolNonEmpty<int>(1, fromList({2}))), "fromNonEmpty (1 :| [2])");
  EXPECT_EQ(read<Spool<int>>(" (fromList [4, -5]) "), fromList({4, -5}));
  EXPECT_FALSE(read<Spool<int>>("[4]"));
}

// A random mix of operations on a pool of spools, each checked against the
// same operations on plain vectors. Spools are shared freely between pool
// entries, so growth in place that leaked into a shared value shows up.
template <class T>
class SpoolModel : public ::testing::Test {
 public:
  static T value(std::uint64_t i) {
    if constexpr (std::is_same_v<T, std::string>) {
      return "s" + std::to_string(i);
    } else {
      return static_cast<T>(i);
    }
  }
};
using ElementTypes = ::testing::Types<int, std::string, double>;
TYPED_TEST_SUITE(SpoolModel, ElementTypes);

TYPED_TEST(SpoolModel, AgreesWithVectors) {
  using T = TypeParam;
  std::mt19937_64 rng(12345);
  std::vector<Spool<T>> pool(1);
  std::vector<std::vector<T>> model(1);
  auto pick = [&] { return rng() % pool.size(); };
  for (int step = 0; step < 3000; ++step) {
    const std::size_t i = pick();
    const std::size_t j = pick();
    const T x = TestFixture::value(rng() % 1000);
    std::vector<T> m = model[i];
    Spool<T> s;
    switch (rng() % 10) {
      case 0:
        s = snoc(pool[i], x);
        m.push_back(x);
        break;
      case 1: {
        Spool<T> own = pool[i];  // shared with pool[i]: must not change it
        s = snoc(std::move(own), x);
        m.push_back(x);
        break;
      }
      case 2:
        s = cons(x, pool[i]);
        m.insert(m.begin(), x);
        break;
      case 3:
        s = append(pool[i], pool[j]);
        m.insert(m.end(), model[j].begin(), model[j].end());
        break;
      case 4: {
        // An unshared spool grown in place, then shared.
        Spool<T> grown = fromList(model[i]);
        for (int k = 0; k < 3; ++k) grown = snoc(std::move(grown), x);
        grown = cons(x, std::move(grown));
        s = std::move(grown);
        m.insert(m.begin(), x);
        m.insert(m.end(), 3, x);
        break;
      }
      case 5: {
        const auto n = static_cast<std::int64_t>(rng() % 4) - 1;
        s = append(replicate(n, x), pool[j]);
        m.assign(n > 0 ? static_cast<std::size_t>(n) : 0, x);
        m.insert(m.end(), model[j].begin(), model[j].end());
        break;
      }
      case 6: {
        const int n = static_cast<int>(rng() % 3);
        s = stimes(n, pool[i]);
        m.clear();
        for (int k = 0; k < n; ++k) m.insert(m.end(), model[i].begin(), model[i].end());
        break;
      }
      case 7:
        s = concat(std::vector<Spool<T>>{pool[j], pool[i], pool[j]});
        m = model[j];
        m.insert(m.end(), model[i].begin(), model[i].end());
        m.insert(m.end(), model[j].begin(), model[j].end());
        break;
      case 8: {
        // Small shared pieces appended onto both ends of an unshared spool
        // are copied in; the pieces themselves must stay as they were.
        Spool<T> grown = snoc(fromList(model[i]), x);
        grown = append(std::move(grown), pool[j]);
        grown = append(pool[j], std::move(grown));
        s = std::move(grown);
        m = model[j];
        m.insert(m.end(), model[i].begin(), model[i].end());
        m.push_back(x);
        m.insert(m.end(), model[j].begin(), model[j].end());
        break;
      }
      default:
        s = cons(x, snoc(std::move(s), x));
        m = {x, x};
        break;
    }
    if (m.size() > 2000) {  // keep the values small: appends double lengths
      s = Spool<T>();
      m.clear();
    }
    if (pool.size() < 40) {
      pool.push_back(s);
      model.push_back(m);
    } else {
      pool[j] = s;
      model[j] = m;
    }
    ASSERT_EQ(toList(s), m) << "step " << step;
    ASSERT_EQ(length(s), m.size());
    ASSERT_EQ(null(s), m.empty());
    if (!m.empty()) {
      ASSERT_EQ(head(s), m.front());
    }
  }
  for (std::size_t i = 0; i < pool.size(); ++i) {
    ASSERT_EQ(toList(pool[i]), model[i]);
    for (std::size_t j = 0; j < pool.size(); ++j) {
      ASSERT_EQ(pool[i] == pool[j], model[i] == model[j]);
      ASSERT_EQ(pool[i] < pool[j], model[i] < model[j]);
    }
  }
}

TYPED_TEST(SpoolModel, TextFormRoundTrips) {
  using T = TypeParam;
  std::vector<T> items;
  for (std::uint64_t i = 0; i < 5; ++i) {
    Spool<T> s = fromList(items);
    auto back = read<Spool<T>>(show(s));
    ASSERT_TRUE(back) << show(s);
    EXPECT_EQ(toList(*back), items);
    EXPECT_EQ(read<Spool<T>>(showsPrec(11, s)), s);
    items.push_back(TestFixture::value(i * 7));
    SpoolNonEmpty<T> d = nonempty::fromList(items);
    auto backD = read<SpoolNonEmpty<T>>(show(d));
    ASSERT_TRUE(backD) << show(d);
    EXPECT_EQ(toList(*backD), items);
  }
}

TEST(Spool, PartialOperationsStopWithTheirMessages) {
  EXPECT_EQ(errorOf([] { (void)head(Spool<int>()); }), "Data.Spool.head: empty Spool");
  EXPECT_EQ(errorOf([] { (void)tail(Spool<int>()); }), "Data.Spool.tail: empty Spool");
  EXPECT_EQ(errorOf([] { (void)stimes(-1, fromList({1})); }), "Data.Spool.stimes: negative multiplier");
  EXPECT_EQ(errorOf([] { (void)stimes(-1, Spool<int>()); }), "Data.Spool.stimes: negative multiplier");
  EXPECT_EQ(errorOf([] { (void)maximum(Spool<int>()); }), "maximum: empty structure");
  EXPECT_EQ(errorOf([] { (void)minimum(Spool<int>()); }), "minimum: empty structure");
  EXPECT_EQ(errorOf([] { (void)nonempty::fromList(std::vector<int>{}); }),
            "Data.Spool.SpoolNonEmpty.fromList: empty list");
  EXPECT_EQ(errorOf([] { (void)stimes(-2, nonempty::singleton(1)); }),
            "Data.Spool.stimes: negative multiplier");
  EXPECT_EQ(errorOf([] { (void)stimes(0, nonempty::singleton(1)); }),
            "Data.Spool.SpoolNonEmpty.stimes: zero multiplier");
  EXPECT_EQ(head(snoc(Spool<int>(), 5)), 5);
  // An opaque spool is only known to be empty once run.
  auto none = Spool<int>::unsafeSpool([](std::vector<int> t) { return t; });
  EXPECT_EQ(errorOf([&] { (void)head(none); }), "Data.Spool.head: empty Spool");
}

TEST(Spool, EdgeCasesOfTheConstructors) {
  EXPECT_TRUE(toList(replicate(0, 'x')).empty());
  EXPECT_TRUE(toList(replicate(-3, 'x')).empty());
  EXPECT_TRUE(null(intercalate(singleton(9), {})));
  EXPECT_EQ(toList(intercalate(singleton(9), {fromList({1, 2})})), (std::vector<int>{1, 2}));
  EXPECT_TRUE(null(stimes(0, fromList({1, 2}))));
  EXPECT_TRUE(null(concat<int>({})));
  EXPECT_TRUE(null(fromList<int>({})));
  EXPECT_EQ(toList(sconcat(NonEmpty<Spool<int>>{fromList({1}), {}})), std::vector<int>{1});
  EXPECT_EQ(toList(sconcat(NonEmpty<Spool<int>>{fromList({1}), {Spool<int>(), fromList({2, 3})}})),
            (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(toList(fromList({1}) + mempty<int>() + fromList({2})), (std::vector<int>{1, 2}));
  EXPECT_EQ(apply(fromList({1, 2}), {3, 4}), (std::vector<int>{1, 2, 3, 4}));
  EXPECT_EQ(toList(unfoldr([](int b) { return b < 4 ? std::optional(std::pair{b * b, b + 1}) : std::nullopt; }, 1)),
            (std::vector<int>{1, 4, 9}));
  EXPECT_EQ(toList(fromString(U"\u00e9t\u00e9")), (std::vector<char32_t>{U'\u00e9', U't', U'\u00e9'}));
  EXPECT_EQ(foldr([](int x, std::string z) { return z + std::to_string(x); }, std::string(">"),
                  fromList({1, 2, 3})),
            ">321");
}

TEST(Spool, PatternViews) {
  EXPECT_TRUE(isNil(Spool<int>()));
  EXPECT_FALSE(matchCons(Spool<int>()));
  EXPECT_FALSE(isNil(singleton(1)));
  auto c = matchCons(snoc(snoc(singleton(1), 2), 3));
  ASSERT_TRUE(c);
  EXPECT_EQ(c->head, 1);
  EXPECT_EQ(c->tail, (std::vector<int>{2, 3}));
  EXPECT_EQ(matchCons(singleton(7)), (Cons<int>{7, {}}));
}

// Shapes far deeper than the native stack could walk recursively: a frame
// per level would need tens of megabytes here.
TEST(Spool, DeepStructuresMaterialiseAndFreeWithoutRecursion) {
  constexpr int kTen = 10'000'000;
  {
    Spool<int> grown;
    for (int i = 0; i < kTen; ++i) grown = snoc(std::move(grown), i);
    ASSERT_EQ(length(grown), static_cast<std::size_t>(kTen));
    std::vector<int> all = toList(grown);
    ASSERT_EQ(all.size(), static_cast<std::size_t>(kTen));
    EXPECT_EQ(all[kTen - 1], kTen - 1);
    EXPECT_EQ(all[12345], 12345);
  }
  constexpr int kDeep = 1'000'000;
  {
    // Every snoc onto a shared value: one node per element, a chain a
    // million deep.
    Spool<int> chain;
    for (int i = 0; i < kDeep; ++i) chain = snoc(Spool<int>(chain), i);
    Spool<int> prepended;
    for (int i = 0; i < kDeep; ++i) prepended = cons(i, Spool<int>(prepended));
    std::vector<int> a = toList(chain);
    std::vector<int> b = toList(prepended);
    ASSERT_EQ(a.size(), static_cast<std::size_t>(kDeep));
    ASSERT_EQ(b.size(), static_cast<std::size_t>(kDeep));
    EXPECT_EQ(a.front(), 0);
    EXPECT_EQ(a.back(), kDeep - 1);
    EXPECT_EQ(b.front(), kDeep - 1);
    EXPECT_EQ(head(prepended), kDeep - 1);
  }
  {
    Spool<int> leftDeep, rightDeep;
    for (int i = 0; i < kDeep; ++i) {
      leftDeep = append(Spool<int>(leftDeep), singleton(i));
      rightDeep = append(singleton(i), Spool<int>(rightDeep));
    }
    std::vector<int> l = toList(leftDeep);
    std::vector<int> r = toList(rightDeep);
    ASSERT_EQ(l.size(), static_cast<std::size_t>(kDeep));
    EXPECT_EQ(l[kDeep / 2], kDeep / 2);
    EXPECT_EQ(r[0], kDeep - 1);
    EXPECT_EQ(head(leftDeep), 0);
    EXPECT_TRUE(leftDeep == fromList(l));
  }
}

TEST(Spool, OpaqueOperationsRunWithTheirTail) {
  auto prefix = Spool<int>::unsafeSpool([](std::vector<int> t) {
    t.insert(t.begin(), {10, 11});
    return t;
  });
  Spool<int> s = append(snoc(prefix, 12), cons(9, prefix));
  EXPECT_EQ(toList(s), (std::vector<int>{10, 11, 12, 9, 10, 11}));
  EXPECT_EQ(length(s), 6u);
  EXPECT_EQ(head(s), 10);
  EXPECT_EQ(unsafeApplySpool(s)({1}), (std::vector<int>{10, 11, 12, 9, 10, 11, 1}));
  EXPECT_EQ(unsafeApplySpool(fromList({1, 2}))({3}), (std::vector<int>{1, 2, 3}));
  // Taken as it is, even when it breaks the rules.
  auto rude = Spool<int>::unsafeSpool([](std::vector<int>) { return std::vector<int>{0}; });
  EXPECT_EQ(toList(append(fromList({1}), append(rude, fromList({2})))), (std::vector<int>{1, 0}));
}

TEST(Spool, MappingApplyingBindingTraversing) {
  Spool<int> s = cons(1, snoc(fromList({2}), 3));
  EXPECT_EQ(toList(map([](int x) { return std::to_string(x); }, s)),
            (std::vector<std::string>{"1", "2", "3"}));
  EXPECT_TRUE(null(ap(Spool<std::function<int(int)>>(), s)));
  EXPECT_TRUE(null(bind(Spool<int>(), [](int x) { return singleton(x); })));
  EXPECT_EQ(toList(alt(s, pure(4))), (std::vector<int>{1, 2, 3, 4}));
  std::vector<int> seen;
  forEach(s, [&](int x) { seen.push_back(x); });
  EXPECT_EQ(seen, (std::vector<int>{1, 2, 3}));
  auto halves = traverse([](int x) { return x % 2 == 0 ? std::optional(x / 2) : std::nullopt; },
                         fromList({2, 4}));
  ASSERT_TRUE(halves);
  EXPECT_EQ(toList(*halves), (std::vector<int>{1, 2}));
  int visits = 0;
  EXPECT_FALSE(traverse([&](int x) { ++visits; return x == 1 ? std::optional(x) : std::nullopt; },
                        fromList({1, 2, 3})));
  EXPECT_EQ(visits, 2);  // stops at the first failure
}

TEST(Spool, TextForms) {
  EXPECT_EQ(show(Spool<int>()), "fromList []");
  EXPECT_EQ(showsPrec(11, fromList({-1})), "(fromList [-1])");
  EXPECT_EQ(showsPrec(10, fromList({1})), "fromList [1]");
  EXPECT_EQ(show(fromList<std::string>({"a", "b\n"})), "fromList [\"a\",\"b\\n\"]");
  EXPECT_EQ(show(fromList({fromList({1}), Spool<int>()})), "fromList [fromList [1],fromList []]");
  EXPECT_EQ(show(fromString(U"\u00e9")), "fromList \"\u00e9\"");
  EXPECT_EQ(show(SpoolNonEmpty<int>(-1, {})), "fromNonEmpty (-1 :| [])");
  EXPECT_EQ(showsPrec(11, nonempty::fromList({1, 2})), "(fromNonEmpty (1 :| [2]))");
  std::ostringstream out;
  out << fromList({1.5});
  EXPECT_EQ(out.str(), "fromList [1.5]");

  EXPECT_EQ(read<Spool<int>>("fromList[]"), Spool<int>());
  EXPECT_EQ(read<Spool<char>>("fromList \"ab\""), fromString("ab"));
  EXPECT_EQ(read<Spool<char>>("fromList ['a','b']"), fromString("ab"));
  EXPECT_EQ(read<Spool<Spool<int>>>("fromList [fromList [1], (fromList [])]"),
            fromList({fromList({1}), Spool<int>()}));
  EXPECT_EQ(read<SpoolNonEmpty<int>>("fromNonEmpty ((-1) :| [2])"), nonempty::fromList({-1, 2}));
  for (const char* bad : {"", "fromList", "fromList [1,]", "fromList [,1]", "fromList [1 2]",
                          "fromList (1)", "fromlist [1]", "fromList [1]]", "(fromList [1]",
                          "fromListx [1]", "fromList [99999999999]", "fromNonEmpty [1]",
                          "fromNonEmpty 1 :| []"}) {
    EXPECT_FALSE(read<Spool<int>>(bad)) << bad;
    EXPECT_FALSE(read<SpoolNonEmpty<int>>(bad)) << bad;
  }
  EXPECT_TRUE(readsPrec<Spool<int>>(11, "fromList [1]").empty());
  auto r = readsPrec<Spool<int>>(11, "(fromList [1]) tail");
  ASSERT_EQ(r.size(), 1u);
  EXPECT_EQ(r[0].rest, " tail");
}

TEST(SpoolNonEmpty, OperationsKeepTheFirstElementInFront) {
  SpoolNonEmpty<int> d(1, fromList({2}));
  d = snoc(std::move(d), 3);
  EXPECT_EQ(toList(d), (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(head(d), 1);
  EXPECT_EQ(tail(cons(0, d)), (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(toNonEmpty(d), (NonEmpty<int>{1, {2, 3}}));
  EXPECT_EQ(toList(toSpool(d)), (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(toList(append(d, nonempty::singleton(4))), (std::vector<int>{1, 2, 3, 4}));
  EXPECT_EQ(toList(fromNonEmpty(NonEmpty<int>{5, {6}})), (std::vector<int>{5, 6}));
  EXPECT_EQ(toList(map([](int x) { return x * 2; }, d)), (std::vector<int>{2, 4, 6}));
  EXPECT_EQ(length(d), 3u);
  EXPECT_EQ(maximum(d), 3);
  EXPECT_EQ(minimum(nonempty::singleton(-4)), -4);
  EXPECT_EQ(toList(stimes(2, nonempty::fromList({1, 2}))), (std::vector<int>{1, 2, 1, 2}));
  EXPECT_EQ(toList(stimes(1, d)), toList(d));
  EXPECT_EQ(toList(sconcat(NonEmpty<SpoolNonEmpty<int>>{d, {nonempty::singleton(9)}})),
            (std::vector<int>{1, 2, 3, 9}));
  EXPECT_TRUE(nonempty::fromList({1, 2}) < nonempty::fromList({1, 3}));
  EXPECT_TRUE(nonempty::fromList({1, 2}) > nonempty::fromList({1}));
  EXPECT_EQ(nonempty::fromList({1, 2}), SpoolNonEmpty<int>(1, snoc(Spool<int>(), 2)));

  auto fs = nonempty::fromList<std::function<int(int)>>({[](int x) { return -x; }, [](int x) { return x; }});
  EXPECT_EQ(toList(ap(fs, nonempty::fromList({1, 2}))), (std::vector<int>{-1, -2, 1, 2}));
  EXPECT_EQ(toList(bind(nonempty::fromList({1, 2}), [](int x) { return nonempty::fromList({x, x}); })),
            (std::vector<int>{1, 1, 2, 2}));
}

TEST(SpoolNonEmpty, UnfoldStopsAtTheFirstStepWithoutASeed) {
  int calls = 0;
  auto u = nonempty::unfoldr(
      [&](int b) {
        ++calls;
        return std::pair{b, b < 3 ? std::optional<int>(b + 1) : std::nullopt};
      },
      1);
  EXPECT_EQ(toList(u), (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(calls, 3);
  auto one = nonempty::unfoldr([](int b) { return std::pair{b, std::optional<int>()}; }, 8);
  EXPECT_EQ(toList(one), std::vector<int>{8});
}

}  // namespace
