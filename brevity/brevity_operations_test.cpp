// The ShortText operations against a model on std::u32string, plus the
// documented edge rules: which results share the input or the empty value,
// and the messages of the partial operations.
#include "brevity/operations.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "base/error.hpp"
#include "brevity/partial.hpp"

namespace {

using namespace quire::brevity;

ShortText T(const char* utf8) { return ShortText(utf8); }
ShortText T(const std::u32string& chars) { return fromString(chars); }
std::u32string U(const ShortText& t) { return toU32String(t); }

bool isEmptyValue(const ShortText& t) { return t.sharesWith(ShortText()); }

std::string messageOf(auto&& f) {
  try {
    f();
  } catch (const quire::Error& e) {
    return e.what();
  }
  return "no error";
}

// Texts of one- to four-byte characters, separators among them.
std::vector<std::u32string> sampleTexts() {
  std::mt19937_64 rng(3);
  const std::u32string pool = U"a,b \u00E9\u20AC\U0001F600";
  std::vector<std::u32string> out = {U"", U"a", U",", U"\U0001F600", U",,", U" a b "};
  for (int k = 0; k < 60; ++k) {
    std::u32string s;
    for (std::size_t n = rng() % 9; n > 0; --n) s.push_back(pool[rng() % pool.size()]);
    out.push_back(s);
  }
  return out;
}

bool isSep(char32_t c) { return c == U',' || c == U'\U0001F600'; }

TEST(BrevityOperations, HeaderExample) {
  ShortText t("h\xC3\xA9llo, world");
  auto [head, rest] = splitAt(2, t);
  EXPECT_EQ(head, T("h\xC3\xA9"));
  EXPECT_EQ(rest, T("llo, world"));
  EXPECT_EQ(indexMaybe(t, 1), U'\u00E9');
  EXPECT_EQ(indexMaybe(t, 99), std::nullopt);
  EXPECT_EQ(takeEnd(5, t), T("world"));
  EXPECT_EQ(stripPrefix(T("h\xC3\xA9"), t), T("llo, world"));
  EXPECT_EQ(dropAround([](char32_t c) { return c == U' '; }, T("  a b  ")), T("a b"));
  EXPECT_EQ(replicate(3, T("ab")), T("ababab"));
  EXPECT_EQ(intersperse(U'-', T("abc")), T("a-b-c"));
  EXPECT_EQ(foldl([](int n, char32_t) { return n + 1; }, 0, t), 12);
}

TEST(BrevityOperations, SlicingMatchesTheModel) {
  for (const std::u32string& s : sampleTexts()) {
    const ShortText t = T(s);
    const auto len = static_cast<std::int64_t>(s.size());
    for (std::int64_t n = -2; n <= len + 2; ++n) {
      const std::size_t k = static_cast<std::size_t>(std::clamp<std::int64_t>(n, 0, len));
      auto [front, back] = splitAt(n, t);
      ASSERT_EQ(U(front), s.substr(0, k));
      ASSERT_EQ(U(back), s.substr(k));
      ASSERT_EQ(take(n, t), front);
      ASSERT_EQ(drop(n, t), back);
      auto [most, end] = splitAtEnd(n, t);
      ASSERT_EQ(U(most), s.substr(0, s.size() - k));
      ASSERT_EQ(U(end), s.substr(s.size() - k));
      ASSERT_EQ(takeEnd(n, t), end);
      ASSERT_EQ(dropEnd(n, t), most);
      // Whole results are the input itself, empty ones the shared empty value.
      if (k == 0) {
        ASSERT_TRUE(back.sharesWith(t) && isEmptyValue(front) && most.sharesWith(t) &&
                    isEmptyValue(end));
      }
      if (k == s.size()) {
        ASSERT_TRUE(front.sharesWith(t) && isEmptyValue(back) && end.sharesWith(t));
      }
    }
  }
  // A four-byte first character splits after four bytes.
  EXPECT_EQ(splitAt(1, T(U"\U0001F600x")).first.size(), 4u);
  EXPECT_EQ(splitAtEnd(1, T("abc")), std::pair(T("ab"), T("c")));
  EXPECT_EQ(splitAt(100, T("abc")), std::pair(T("abc"), ShortText()));
}

TEST(BrevityOperations, LookupMatchesTheModel) {
  for (const std::u32string& s : sampleTexts()) {
    const ShortText t = T(s);
    const auto len = static_cast<std::int64_t>(s.size());
    for (std::int64_t i = -2; i <= len + 1; ++i) {
      const bool in = i >= 0 && i < len;
      ASSERT_EQ(indexMaybe(t, i),
                in ? std::optional(s[static_cast<std::size_t>(i)]) : std::nullopt);
      ASSERT_EQ(indexEndMaybe(t, i),
                in ? std::optional(s[s.size() - 1 - static_cast<std::size_t>(i)]) : std::nullopt);
    }
    auto u = uncons(t);
    auto v = unsnoc(t);
    ASSERT_EQ(u.has_value(), !s.empty());
    ASSERT_EQ(v.has_value(), !s.empty());
    if (!s.empty()) {
      ASSERT_EQ(u->first, s.front());
      ASSERT_EQ(U(u->second), s.substr(1));
      ASSERT_EQ(v->second, s.back());
      ASSERT_EQ(U(v->first), s.substr(0, s.size() - 1));
      ASSERT_EQ(head(t), s.front());
      ASSERT_EQ(last(t), s.back());
      ASSERT_EQ(U(tail(t)), s.substr(1));
      ASSERT_EQ(U(init(t)), s.substr(0, s.size() - 1));
      if (s.size() == 1) {
        ASSERT_TRUE(isEmptyValue(u->second));
      }
    }
    const auto at = std::find_if(s.begin(), s.end(), isSep);
    ASSERT_EQ(find(isSep, t), at == s.end() ? std::nullopt : std::optional(*at));
    ASSERT_EQ(findIndex(isSep, t),
              at == s.end() ? std::nullopt : std::optional<std::int64_t>(at - s.begin()));
    ASSERT_EQ(any(isSep, t), at != s.end());
    ASSERT_EQ(all(isSep, t), std::all_of(s.begin(), s.end(), isSep));
  }
  EXPECT_EQ(indexEndMaybe(T("abc"), 0), U'c');
  EXPECT_FALSE(any(isSep, ShortText()));
  EXPECT_TRUE(all(isSep, ShortText()));
}

TEST(BrevityOperations, PrefixesAndSuffixes) {
  const ShortText abc = T("abc");
  EXPECT_TRUE(isPrefixOf(ShortText(), abc));
  EXPECT_TRUE(isSuffixOf(ShortText(), abc));
  EXPECT_TRUE(isPrefixOf(T("ab"), abc));
  EXPECT_FALSE(isPrefixOf(T("abcd"), abc));
  EXPECT_FALSE(isSuffixOf(T("xabc"), abc));
  EXPECT_TRUE(stripPrefix(ShortText(), abc)->sharesWith(abc));
  EXPECT_TRUE(stripSuffix(ShortText(), abc)->sharesWith(abc));
  EXPECT_EQ(stripSuffix(T("c"), abc), T("ab"));
  EXPECT_EQ(stripSuffix(T("x"), abc), std::nullopt);
  EXPECT_EQ(stripPrefix(T("b"), abc), std::nullopt);
  EXPECT_TRUE(isEmptyValue(*stripPrefix(abc, abc)));
  EXPECT_TRUE(isEmptyValue(*stripSuffix(abc, abc)));
}

// The model's split: pieces between separators, at least one.
std::vector<std::u32string> modelSplit(const std::u32string& s) {
  std::vector<std::u32string> out(1);
  for (char32_t c : s) {
    if (isSep(c)) {
      out.emplace_back();
    } else {
      out.back().push_back(c);
    }
  }
  return out;
}

TEST(BrevityOperations, ScansMatchTheModel) {
  auto notSpace = [](char32_t c) { return c != U' '; };
  for (const std::u32string& s : sampleTexts()) {
    const ShortText t = T(s);
    const std::size_t pre =
        static_cast<std::size_t>(std::find_if(s.begin(), s.end(), isSep) - s.begin());
    const std::size_t lead =
        static_cast<std::size_t>(std::find_if_not(s.begin(), s.end(), isSep) - s.begin());
    const std::size_t trail =
        static_cast<std::size_t>(std::find_if_not(s.rbegin(), s.rend(), isSep) - s.rbegin());
    ASSERT_EQ(U(span(isSep, t).first), s.substr(0, lead));
    ASSERT_EQ(U(span(isSep, t).second), s.substr(lead));
    ASSERT_EQ(U(break_(isSep, t).first), s.substr(0, pre));
    ASSERT_EQ(U(takeWhile(isSep, t)), s.substr(0, lead));
    ASSERT_EQ(U(dropWhile(isSep, t)), s.substr(lead));
    ASSERT_EQ(U(spanEnd(isSep, t).second), s.substr(s.size() - trail));
    ASSERT_EQ(U(spanEnd(isSep, t).first), s.substr(0, s.size() - trail));
    ASSERT_EQ(U(takeWhileEnd(isSep, t)), s.substr(s.size() - trail));
    ASSERT_EQ(U(dropWhileEnd(isSep, t)), s.substr(0, s.size() - trail));
    const std::size_t trailNonSep =
        static_cast<std::size_t>(std::find_if(s.rbegin(), s.rend(), isSep) - s.rbegin());
    ASSERT_EQ(U(breakEnd(isSep, t).second), s.substr(s.size() - trailNonSep));
    const std::u32string around = lead == s.size() ? U"" : s.substr(lead, s.size() - lead - trail);
    ASSERT_EQ(U(dropAround(isSep, t)), around);
    if (lead == 0 && trail == 0) {
      ASSERT_TRUE(dropAround(isSep, t).sharesWith(t));
    }

    std::vector<std::u32string> pieces;
    for (const ShortText& piece : split(isSep, t)) pieces.push_back(U(piece));
    ASSERT_EQ(pieces, modelSplit(s));

    std::u32string kept;
    std::copy_if(s.begin(), s.end(), std::back_inserter(kept), notSpace);
    ASSERT_EQ(U(filter(notSpace, t)), kept);
    if (kept == s) {
      ASSERT_TRUE(filter(notSpace, t).sharesWith(t));
    }
  }
}

TEST(BrevityOperations, SplitEdges) {
  auto comma = [](char32_t c) { return c == U','; };
  std::vector<ShortText> pieces;
  for (ShortText& p : split(comma, T(",a,,b,"))) pieces.push_back(std::move(p));
  EXPECT_EQ(pieces,
            (std::vector<ShortText>{ShortText(), T("a"), ShortText(), T("b"), ShortText()}));
  std::vector<ShortText> none;
  for (ShortText& p : split(comma, ShortText())) none.push_back(std::move(p));
  ASSERT_EQ(none.size(), 1u);
  EXPECT_TRUE(none[0].empty());
  const ShortText plain = T("no separators");
  auto whole = split(comma, plain);
  EXPECT_TRUE((*whole.begin()).sharesWith(plain));
  // Lazy: a consumer may stop early, and the predicate runs only that far.
  int calls = 0;
  auto counting = split(
      [&](char32_t c) {
        ++calls;
        return c == U',';
      },
      T("a,b,c,d"));
  auto it = counting.begin();
  EXPECT_EQ(*it, T("a"));
  EXPECT_EQ(calls, 2);
  EXPECT_EQ(dropAround([](char32_t c) { return c == U' '; }, T("   ")), ShortText());
}

TEST(BrevityOperations, Construction) {
  for (const std::u32string& s : sampleTexts()) {
    const ShortText t = T(s);
    ASSERT_EQ(U(reverse(t)), std::u32string(s.rbegin(), s.rend()));
    std::u32string spaced;
    for (std::size_t i = 0; i < s.size(); ++i) {
      if (i > 0) spaced.push_back(U'\u20AC');
      spaced.push_back(s[i]);
    }
    ASSERT_EQ(U(intersperse(U'\u20AC', t)), spaced);
    ASSERT_EQ(U(cons(U'\U0001F600', t)), U"\U0001F600" + s);
    ASSERT_EQ(U(snoc(t, U'\u00E9')), s + U"\u00E9");
    ASSERT_EQ(U(append(t, T(U"x\u20AC"))), s + U"x\u20AC");
    ASSERT_EQ(U(replicate(3, t)), s + s + s);
    if (s.size() <= 1) {
      ASSERT_TRUE(reverse(t).sharesWith(t) && intersperse(U',', t).sharesWith(t));
    }
  }
  EXPECT_EQ(cons(char32_t{0xD800}, T("a")), T("\xEF\xBF\xBD"
                                              "a"));
  EXPECT_EQ(snoc(T("a"), char32_t{0xDFFF}), T("a\xEF\xBF\xBD"));
  EXPECT_EQ(intersperse(char32_t{0xD800}, T("ab")), T("a\xEF\xBF\xBD"
                                                      "b"));
  const ShortText a = T("a");
  EXPECT_TRUE(append(a, ShortText()).sharesWith(a));
  EXPECT_TRUE(append(ShortText(), a).sharesWith(a));
  EXPECT_TRUE(isEmptyValue(replicate(-1, a)));
  EXPECT_TRUE(isEmptyValue(replicate(3, ShortText())));
  EXPECT_EQ(concat({T("a"), ShortText(), T("\xC3\xA9"), T("b")}), T("a\xC3\xA9"
                                                                    "b"));
  EXPECT_TRUE(concat({ShortText(), a, ShortText()}).sharesWith(a));
  EXPECT_TRUE(isEmptyValue(concat({})));
  EXPECT_EQ(intercalate(T(", "), {T("x"), ShortText(), T("y")}), T("x, , y"));
  EXPECT_TRUE(intercalate(T(", "), {a}).sharesWith(a));
  EXPECT_TRUE(isEmptyValue(intercalate(T(", "), {})));
  EXPECT_EQ(intercalate(ShortText(), {a, a}), T("aa"));
  EXPECT_EQ(a + T("b"), T("ab"));
}

TEST(BrevityOperations, OversizedResultsAreErrors) {
  const ShortText ab = T("ab");
  EXPECT_EQ(messageOf([&] { (void)replicate(INT64_MAX, ab); }), "replicate: text too long");
  EXPECT_EQ(messageOf([&] { (void)replicate(std::int64_t{1} << 31, ab); }),
            "replicate: text too long");
  EXPECT_EQ(messageOf([&] { (void)replicate(std::int64_t{1} << 62, T("\xF0\x9F\x98\x80")); }),
            "replicate: text too long");
  // A size just inside the limit is allowed in principle; a small one works.
  EXPECT_EQ(replicate(4, ab).size(), 8u);
}

TEST(BrevityOperations, Folds) {
  const ShortText t = T(U"a\u00E9\U0001F600");
  auto collectLeft = [](std::u32string acc, char32_t c) { return acc + c; };
  auto collectRight = [](char32_t c, std::u32string acc) { return c + acc; };
  EXPECT_EQ(foldl(collectLeft, std::u32string(U"<"), t), U"<a\u00E9\U0001F600");
  EXPECT_EQ(foldlStrict(collectLeft, std::u32string(), ShortText()), U"");
  EXPECT_EQ(foldr(collectRight, std::u32string(U">"), t), U"a\u00E9\U0001F600>");
  // Left and right folds of a non-commutative operation.
  auto minus = [](char32_t a, char32_t b) { return static_cast<char32_t>(a - b + 1000); };
  const ShortText digits = T("\x05\x03\x01");
  EXPECT_EQ(foldl1(minus, digits), char32_t{(5 - 3 + 1000) - 1 + 1000});
  EXPECT_EQ(foldr1(minus, digits), char32_t{5 - (3 - 1 + 1000) + 1000});
  EXPECT_EQ(foldl1Strict(minus, T("x")), U'x');
  EXPECT_EQ(foldr1(minus, T("x")), U'x');
}

TEST(BrevityPartial, Messages) {
  const ShortText e;
  EXPECT_EQ(messageOf([&] { (void)head(e); }), "head: empty ShortText");
  EXPECT_EQ(messageOf([&] { (void)tail(e); }), "tail: empty ShortText");
  EXPECT_EQ(messageOf([&] { (void)init(e); }), "init: empty ShortText");
  EXPECT_EQ(messageOf([&] { (void)last(e); }), "last: empty ShortText");
  EXPECT_EQ(messageOf([&] { (void)index(T("abc"), 3); }), "index: not within ShortText");
  EXPECT_EQ(messageOf([&] { (void)index(T("abc"), -1); }), "index: not within ShortText");
  EXPECT_EQ(index(T("abc"), 2), U'c');
  auto keep = [](char32_t a, char32_t) { return a; };
  EXPECT_EQ(messageOf([&] { (void)foldl1(keep, e); }), "foldl1: empty ShortText");
  EXPECT_EQ(messageOf([&] { (void)foldl1Strict(keep, e); }), "foldl1: empty ShortText");
  EXPECT_EQ(messageOf([&] { (void)foldr1(keep, e); }), "foldr1: empty ShortText");
}

TEST(BrevityOperations, InternalSlice) {
  const ShortText t = T("abcdef");
  EXPECT_EQ(messageOf([&] { (void)detail::slice(t, -1, 2); }), "invalid offset");
  EXPECT_EQ(messageOf([&] { (void)detail::slice(t, 1, -2); }), "invalid length");
  EXPECT_EQ(detail::slice(t, 2, 100), T("cdef"));
  EXPECT_TRUE(detail::slice(t, 0, 100).sharesWith(t));
  EXPECT_TRUE(isEmptyValue(detail::slice(t, 3, 0)));
  EXPECT_TRUE(isEmptyValue(detail::slice(t, 9, 1)));
  // A slice is a fresh block of exactly its bytes.
  EXPECT_FALSE(detail::slice(t, 1, 2).sharesWith(t));
}

}  // namespace
