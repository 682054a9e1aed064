#include "foldkey/foldkey.hpp"

#include <gtest/gtest.h>
#include <utf8proc.h>

#include <cstdlib>
#include <optional>
#include <random>
#include <string>
#include <unordered_set>
#include <vector>

#include "base/internal/encode.hpp"

namespace {

using namespace quire::foldkey;
using quire::Bytes;
using quire::ChunkedBytes;
using quire::ChunkedText;
using quire::Text;

std::string utf8(std::u32string_view chars) {
  std::string out;
  std::uint8_t buf[4];
  for (char32_t c : chars) {
    auto* end = quire::builder::detail::storeUtf8(c, buf);
    out.append(reinterpret_cast<const char*>(buf), static_cast<std::size_t>(end - buf));
  }
  return out;
}

// utf8proc's own whole-string case folding.
std::string oracleFold(const std::string& s) {
  utf8proc_uint8_t* out = nullptr;
  const auto n = utf8proc_map(reinterpret_cast<const utf8proc_uint8_t*>(s.data()),
                              static_cast<utf8proc_ssize_t>(s.size()), &out, UTF8PROC_CASEFOLD);
  EXPECT_GE(n, 0) << utf8proc_errmsg(n);
  std::string result = n >= 0 ? std::string(reinterpret_cast<char*>(out), static_cast<std::size_t>(n)) : "";
  std::free(out);
  return result;
}

bool isScalar(char32_t c) { return c <= 0x10FFFF && (c < 0xD800 || c > 0xDFFF); }

TEST(FoldKey, HeaderExamples) {
  EXPECT_EQ(foldCaseBS(Bytes("HeLLo \xC0")).view(), "hello \xE0");
  EXPECT_EQ(foldCase(U'\u00DF'), U'\u00DF');
  EXPECT_EQ(foldCase(std::u32string(U"Stra\u00DFe")), U"strasse");
  EXPECT_EQ(foldCase(Text("\xCE\x90")).view(), utf8(U"\u03B9\u0308\u0301"));

  Folded<Text> a = mk(Text("Content-Type"));
  Folded<Text> b = "content-type";
  EXPECT_EQ(a, b);
  EXPECT_EQ(hash(a), hash(b));
  EXPECT_EQ(a.original().view(), "Content-Type");
  EXPECT_EQ(a.foldedCase().view(), "content-type");
  Folded<std::u32string> s = mk(std::u32string(U"Stra\u00DFe"));
  EXPECT_EQ(s.foldedCase(), U"strasse");
  EXPECT_EQ(s, mk(std::u32string(U"STRASSE")));
  EXPECT_NE(unsafeMk(Text("ABC")), mk(Text("ABC")));
  Folded<std::u32string> literal = U"\u00C9T\u00C9";
  EXPECT_EQ(literal.foldedCase(), U"\u00E9t\u00E9");
  Folded<Bytes> withNul = "a\0B";  // the whole literal, not up to the NUL
  EXPECT_EQ(withNul.foldedCase().view(), std::string_view("a\0b", 3));

  EXPECT_EQ(show(mk(Text("HeLLo"))), "\"HeLLo\"");
  EXPECT_EQ(show(mk(U'\u00C9')), "'\xC3\x89'");
  std::vector<Folded<Bytes>> keys = {mk(Bytes("A")), mk(Bytes("b"))};
  EXPECT_EQ(show(std::span<const Folded<Bytes>>(keys)), "[\"A\",\"b\"]");
  auto k = read<Folded<Text>>(" (\"Key\") ");
  ASSERT_TRUE(k);
  EXPECT_EQ(k->original().view(), "Key");
  EXPECT_EQ(k->foldedCase().view(), "key");

  std::unordered_map<Folded<Text>, int> headers;
  headers[mk(Text("Content-Length"))] = 42;
  EXPECT_EQ(headers.count(mk(Text("content-length"))), 1u);
  EXPECT_EQ(show(headers.begin()->first), "\"Content-Length\"");
}

TEST(FoldKey, ToLower8TouchesOnlyLatin1Capitals) {
  for (int b = 0; b < 256; ++b) {
    const bool capital = (b >= 'A' && b <= 'Z') || (b >= 0xC0 && b <= 0xDE && b != 0xD7);
    EXPECT_EQ(toLower8(static_cast<std::uint8_t>(b)), capital ? b + 0x20 : b) << b;
  }
  std::string every;
  for (int round = 0; round < 3; ++round)  // long enough for any vector loop
    for (int b = 0; b < 256; ++b) every.push_back(static_cast<char>(b));
  Bytes folded = foldCaseBS(Bytes(every));
  ASSERT_EQ(folded.size(), every.size());
  for (std::size_t i = 0; i < every.size(); ++i)
    EXPECT_EQ(static_cast<std::uint8_t>(folded[i]), toLower8(static_cast<std::uint8_t>(every[i])));
  EXPECT_TRUE(foldCaseBS(Bytes()).empty());

  Folded<Bytes> hello = mk(Bytes("HeLLo"));
  EXPECT_EQ(hello.foldedCase().view(), "hello");
  EXPECT_EQ(show(hello), "\"HeLLo\"");
}

TEST(FoldKey, ChunkedFoldsKeepChunkBoundaries) {
  ChunkedBytes bytes(std::vector<Bytes>{Bytes("AB"), Bytes("c\xC9"), Bytes("D")});
  ChunkedBytes fb = foldCase(bytes);
  ASSERT_EQ(fb.chunks().size(), 3u);
  EXPECT_EQ(fb.chunks()[1].view(), "c\xE9");
  EXPECT_EQ(fb.toString(), "abc\xE9" "d");

  // The sharp s grows by a byte in its own chunk only.
  ChunkedText text(std::vector<Text>{Text("GR\xC3\x9F"), Text("E \xCE\xA3")});
  ChunkedText ft = foldCase(text);
  ASSERT_EQ(ft.chunks().size(), 2u);
  EXPECT_EQ(ft.chunks()[0].view(), "grss");
  EXPECT_EQ(ft.chunks()[1].view(), "e \xCF\x83");
  EXPECT_EQ(mk(text), mk(ChunkedText(std::vector<Text>{Text("grSS"), Text("e \xCF\x83")})));
}

TEST(FoldKey, OneCharacterFoldsSimplyAStringFully) {
  EXPECT_EQ(foldCase(U'A'), U'a');
  EXPECT_EQ(foldCase(U'\u03A3'), U'\u03C3');
  EXPECT_EQ(foldCase(U'\u0130'), U'i');      // simple lowercase of capital dotted I
  EXPECT_EQ(foldCase(U'\u1E9E'), U'\u00DF');  // capital sharp s lowers to sharp s
  EXPECT_EQ(foldCase(char32_t{0xD800}), char32_t{0xD800});  // not a scalar value: unchanged
  EXPECT_EQ(foldCase(static_cast<char32_t>(0x110000)), static_cast<char32_t>(0x110000));

  EXPECT_EQ(foldCaseList<char32_t>(U"\u00DF"), U"ss");
  EXPECT_EQ(foldCase(std::u32string(U"\u0130")), U"i\u0307");
  EXPECT_EQ(foldCase(std::u32string(U"\uFB03")), U"ffi");
  EXPECT_EQ(foldCase(std::u32string(U"\u1E9E")), U"ss");
  EXPECT_EQ(foldCase(std::u32string(U"\u0149")), U"\u02BCn");
  const std::u32string outside = {U'A', char32_t{0xD800}, char32_t{0x110000}};
  EXPECT_EQ(foldCase(outside), (std::u32string{U'a', char32_t{0xD800}, char32_t{0x110000}}));

  // A vector of characters folds as a string; a vector of strings element-wise.
  EXPECT_EQ(foldCase(std::vector<char32_t>{U'\u00DF', U'X'}), (std::vector<char32_t>{U's', U's', U'x'}));
  EXPECT_EQ(foldCase(std::vector<Text>{Text("A"), Text("\xC3\x9F")})[1].view(), "ss");
  EXPECT_EQ(mk(std::vector<char32_t>{U'A'}), mk(std::vector<char32_t>{U'a'}));
}

// Every scalar value, one at a time, against the oracle's fold of it.
TEST(FoldKey, FullFoldMatchesOracleForEveryCharacter) {
  std::size_t changed = 0;
  for (char32_t c = 0; c <= 0x10FFFF; ++c) {
    if (!isScalar(c)) continue;
    const std::string one = utf8(std::u32string_view(&c, 1));
    const std::string expected = c == 0 ? one : oracleFold(one);  // the oracle stops at NUL
    const std::string got = foldText(Text(one)).toString();
    ASSERT_EQ(got, expected) << std::hex << static_cast<std::uint32_t>(c);
    ASSERT_EQ(utf8(fullFold(std::u32string_view(&c, 1))), expected);
    if (got != one) ++changed;
  }
  EXPECT_GT(changed, 1400u);  // Unicode has about 1,500 folding characters
}

// Random mixed-script strings, long enough to cross the eight-byte ASCII steps
// at every alignment, against the oracle.
TEST(FoldKey, FullFoldMatchesOracleOnMixedText) {
  const std::u32string alphabet =
      U"aZkQ 09-_\u00DF\u00C9\u0130\u0149\u0390\u03A3\u03C2\u0416\u0436\u05D0\u0627"
      U"\u1E9E\u2126\u212A\u3042\u4E2D\uFB03\uFF21\U0001D400\U00010400\U0001F600";
  std::mt19937 rng(7);
  std::string all;
  for (int round = 0; round < 2000; ++round) {
    std::u32string chars;
    const int length = static_cast<int>(rng() % 40);
    const bool asciiRun = rng() % 2 == 0;
    for (int i = 0; i < length; ++i) {
      chars.push_back(asciiRun && rng() % 4 != 0 ? alphabet[rng() % 4] : alphabet[rng() % alphabet.size()]);
    }
    const std::string s = utf8(chars);
    const std::string expected = oracleFold(s);
    ASSERT_EQ(foldText(Text(s)).toString(), expected) << s;
    ASSERT_EQ(utf8(fullFold(chars)), expected) << s;
    all += s;
  }
  // Expanding characters where the output runs out of its first room, at
  // every length around the switch to the path that remembers folds.
  for (std::size_t n = 0; n < 4200; n += (n < 64 || (n > 2000 && n < 2100)) ? 1 : 97) {
    const std::string s = std::string(n, 'A') + utf8(U"\u0390\u00DF\u0390x\u0390");
    ASSERT_EQ(foldText(Text(s)).toString(), oracleFold(s)) << n;
  }
  // Long text takes the path that remembers recent folds.
  ASSERT_GT(all.size(), 20000u);
  EXPECT_EQ(foldText(Text(all)).toString(), oracleFold(all));
  std::string planes;
  for (char32_t c = 0x80; c < 0x20000; c += 7)
    if (isScalar(c)) planes += utf8(std::u32string_view(&c, 1));
  for (char32_t c = 0x20000; c > 0x80; c -= 5)
    if (isScalar(c)) planes += utf8(std::u32string_view(&c, 1));
  EXPECT_EQ(foldText(Text(planes)).toString(), oracleFold(planes));
}

TEST(FoldKey, MalformedUtf8IsCopiedNotRejected) {
  const std::string bad = "AB\xC3(\xFF\xED\xA0\x80Z\xF0\x9F\x98";  // stray, surrogate, cut off
  EXPECT_EQ(foldText(Text(bad)).toString(), "ab\xC3(\xFF\xED\xA0\x80z\xF0\x9F\x98");
  // Growth past the first guess: every character folds to three.
  std::u32string many(5000, U'\u0390');
  const std::string folded = foldText(Text(utf8(many))).toString();
  EXPECT_EQ(folded.size(), 3 * utf8(many).size());
  EXPECT_EQ(folded, oracleFold(utf8(many)));
}

TEST(FoldKey, EqualityOrderingAndHashUseTheFoldedField) {
  Folded<Text> upper = mk(Text("HELLO")), lower = mk(Text("hello")), other = mk(Text("World"));
  EXPECT_EQ(upper, lower);
  EXPECT_EQ(upper <=> lower, std::strong_ordering::equal);
  EXPECT_EQ(hash(upper), hash(lower));
  EXPECT_EQ(hashWithSalt(5, upper), hashWithSalt(5, lower));
  EXPECT_EQ(hashWithSalt(5, upper), hashWithSalt(5, Text("hello")));
  EXPECT_NE(show(upper), show(lower));
  EXPECT_LT(upper, other);  // "hello" < "world", though 'H' < 'W' either way
  EXPECT_LT(mk(Text("a")), mk(Text("B")));  // unlike the originals: 'B' < 'a'
  EXPECT_EQ(compare(other, upper), std::strong_ordering::greater);

  // On a tie min keeps the first argument, max the second.
  EXPECT_EQ(min(upper, lower).original().view(), "HELLO");
  EXPECT_EQ(max(upper, lower).original().view(), "hello");
  EXPECT_EQ(min(other, upper).original().view(), "HELLO");
  EXPECT_EQ(max(upper, other).original().view(), "World");

  const auto& [shown, folded] = upper;
  EXPECT_EQ(shown.view(), "HELLO");
  EXPECT_EQ(folded.view(), "hello");

  EXPECT_NE(unsafeMk(Text("HELLO")), upper);
  EXPECT_EQ(unsafeMk(Text("hello")), upper);

  std::unordered_set<Folded<std::u32string>> set = {mk(std::u32string(U"\u00DF"))};
  EXPECT_EQ(set.count(mk(std::u32string(U"SS"))), 1u);
  // Characters and their strings hash like the Text that spells them.
  EXPECT_EQ(hash(mk(std::u32string(U"\u00C9t\u00E9"))), hash(mk(Text("\xC3\xA9t\xC3\xA9"))));
  EXPECT_EQ(hash(mk(U'Q')), hash(mk(Text("q"))));
}

TEST(FoldKey, MapAndTraverseRefold) {
  auto shout = [](const Text& t) {
    std::string s = t.toString();
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return Text(s);
  };
  Folded<Text> mapped = map(shout, mk(Text("abc")));
  EXPECT_EQ(mapped.original().view(), "ABC");
  EXPECT_EQ(mapped.foldedCase().view(), "abc");
  // The old folded field is not reused: the new one comes from the new original.
  Folded<Text> fromUnsafe = map([](const Text& t) { return t; }, unsafeMk(Text("XY")));
  EXPECT_EQ(fromUnsafe.foldedCase().view(), "xy");
  Folded<std::u32string> changedKind =
      map([](const Text&) { return std::u32string(U"\u00DF"); }, mk(Text("x")));
  EXPECT_EQ(changedKind.foldedCase(), U"ss");

  auto half = [](const Text& t) -> std::optional<Text> {
    if (t.size() % 2 != 0) return std::nullopt;
    return t.slice(0, t.size() / 2);
  };
  auto some = traverse(half, mk(Text("ABcd")));
  ASSERT_TRUE(some);
  EXPECT_EQ(some->original().view(), "AB");
  EXPECT_EQ(some->foldedCase().view(), "ab");
  EXPECT_FALSE(traverse(half, mk(Text("abc"))));
  auto each = traverse([](const Text& t) { return std::vector<Bytes>{t.utf8Bytes(), Bytes("Q")}; },
                       mk(Text("Z")));
  ASSERT_EQ(each.size(), 2u);
  EXPECT_EQ(each[0].foldedCase().view(), "z");
  EXPECT_EQ(each[1].foldedCase().view(), "q");
}

TEST(FoldKey, CombiningJoinsFieldsWithoutRefolding) {
  Folded<Text> ab = mk(Text("Ab")) + mk(Text("C"));
  EXPECT_EQ(ab.original().view(), "AbC");
  EXPECT_EQ(ab.foldedCase().view(), "abc");
  // Not folded again: an unsafe part stays as it was.
  Folded<Text> mixed = mk(Text("A")) + unsafeMk(Text("B"));
  EXPECT_EQ(mixed.foldedCase().view(), "aB");

  Folded<Text> none;
  EXPECT_EQ((none + ab).original().view(), "AbC");
  EXPECT_EQ((ab + none).foldedCase().view(), "abc");
  std::vector<Folded<Text>> parts = {mk(Text("X")), mk(Text("y")), mk(Text("Z"))};
  EXPECT_EQ(concat(std::span<const Folded<Text>>(parts)).original().view(), "XyZ");
  EXPECT_EQ(concat(std::span<const Folded<Text>>()).original().view(), "");
  EXPECT_EQ(repeat(5, mk(Bytes("Ab"))).original().view(), "AbAbAbAbAb");
  EXPECT_EQ(repeat(5, mk(Bytes("Ab"))).foldedCase().view(), "ababababab");
  EXPECT_TRUE(repeat(0, mk(Bytes("Ab"))).original().empty());
  EXPECT_THROW((void)repeat(-1, mk(Bytes("A"))), quire::Error);

  Folded<ChunkedText> chunks = mk(ChunkedText(std::vector<Text>{Text("A")})) +
                               mk(ChunkedText(std::vector<Text>{Text("B")}));
  EXPECT_EQ(chunks.original().chunks().size(), 2u);
  EXPECT_EQ((mk(std::u32string(U"A")) + mk(std::u32string(U"\u00DF"))).foldedCase(), U"ass");
  EXPECT_EQ((mk(std::vector<Text>{Text("A")}) + mk(std::vector<Text>{Text("B")})).foldedCase().size(), 2u);
}

TEST(FoldKey, FoldingAFoldedValue) {
  Folded<Text> inner = mk(Text("MiXed"));
  Folded<Text> refolded = foldCase(inner);
  EXPECT_EQ(refolded.original().view(), "mixed");
  EXPECT_EQ(refolded.foldedCase().view(), "mixed");
  Folded<Folded<Text>> outer = mk(inner);
  EXPECT_EQ(outer.original().original().view(), "MiXed");
  EXPECT_EQ(outer.foldedCase().original().view(), "mixed");
  EXPECT_EQ(outer, mk(mk(Text("MIXED"))));
  EXPECT_EQ(show(outer), "\"MiXed\"");
  auto back = read<Folded<Folded<Text>>>(show(outer));
  ASSERT_TRUE(back);
  EXPECT_EQ(back->original().original().view(), "MiXed");
}

TEST(FoldKey, TextFormsAndReading) {
  EXPECT_EQ(show(mk(Bytes("a\xE9\n"))), "\"a\xC3\xA9\\n\"");
  EXPECT_EQ(show(mk(Text("a\xC3\xA9\""))), "\"a\xC3\xA9\\\"\"");
  EXPECT_EQ(show(mk(std::u32string(U"\u00C9!"))), "\"\xC3\x89!\"");
  EXPECT_EQ(show(mk(U'\'')), "'\\''");
  EXPECT_EQ(show(mk(U'"')), "'\"'");
  EXPECT_EQ(show(mk(U'\n')), "'\\n'");
  EXPECT_EQ(showsPrec(11, mk(Text("x"))), "\"x\"");
  EXPECT_EQ(show(mk(std::vector<Text>{Text("A"), Text("b")})), "[\"A\",\"b\"]");

  auto bytes = read<Folded<Bytes>>("\"A\\351\xC3\x89\"");
  ASSERT_TRUE(bytes);
  EXPECT_EQ(bytes->original().view(), "A\xE9\xC9");
  EXPECT_EQ(bytes->foldedCase().view(), "a\xE9\xE9");
  EXPECT_FALSE(read<Folded<Bytes>>("\"\xE2\x82\xAC\""));  // U+20AC is not a byte
  EXPECT_FALSE(read<Folded<Text>>("\"\xFF\""));           // not UTF-8
  EXPECT_FALSE(read<Folded<Text>>("\"open"));
  EXPECT_FALSE(read<Folded<Text>>("\"a\" \"b\""));
  EXPECT_FALSE(read<Folded<Text>>("((\"a\")"));

  for (char32_t c : {U'a', U'\'', U'"', U'\\', U'\0', U'\x7F', U'\u0085', U'\u00E9', U'\U0001F600'}) {
    auto r = read<Folded<char32_t>>(show(mk(c)));
    ASSERT_TRUE(r) << show(mk(c));
    EXPECT_EQ(r->original(), c);
  }
  EXPECT_FALSE(read<Folded<char32_t>>("'ab'"));
  EXPECT_FALSE(read<Folded<char32_t>>("''"));
  EXPECT_FALSE(read<Folded<char32_t>>("'a"));

  auto chars = readsPrec<Folded<std::u32string>>(0, " \"\xC3\x9F\" rest");
  ASSERT_EQ(chars.size(), 1u);
  EXPECT_EQ(chars[0].value.foldedCase(), U"ss");
  EXPECT_EQ(chars[0].rest, " rest");
}

// One property across the string kinds: case-insensitive equality and a
// text form that reads back to the same original.
template <class S>
struct Kind;
template <>
struct Kind<Bytes> {
  static Bytes of(const char* s) { return Bytes(s); }
};
template <>
struct Kind<Text> {
  static Text of(const char* s) { return Text(s); }
};
template <>
struct Kind<ChunkedText> {
  static ChunkedText of(const char* s) {
    std::string_view v(s);
    return ChunkedText(std::vector<Text>{Text(v.substr(0, 2)), Text(v.substr(2))});
  }
};
template <>
struct Kind<std::u32string> {
  static std::u32string of(const char* s) {
    std::u32string out;
    for (const char* p = s; *p; ++p) out.push_back(static_cast<unsigned char>(*p));
    return out;
  }
};

template <class S>
class FoldKeyKinds : public ::testing::Test {};
using Kinds = ::testing::Types<Bytes, Text, ChunkedText, std::u32string>;
TYPED_TEST_SUITE(FoldKeyKinds, Kinds);

TYPED_TEST(FoldKeyKinds, CaseInsensitiveAndReadsBack) {
  using S = TypeParam;
  Folded<S> a = mk(Kind<S>::of("Mixed Case \"q\""));
  Folded<S> b = mk(Kind<S>::of("mIXED cASE \"Q\""));
  EXPECT_EQ(a, b);
  EXPECT_EQ(hash(a), hash(b));
  EXPECT_EQ(std::hash<Folded<S>>{}(a), std::hash<Folded<S>>{}(b));
  EXPECT_NE(show(a), show(b));
  EXPECT_LT(a, mk(Kind<S>::of("MIXED CASE \"R\"")));
  auto back = read<Folded<S>>(show(a));
  ASSERT_TRUE(back);
  EXPECT_EQ(show(*back), show(a));
  EXPECT_EQ(*back, a);
  EXPECT_EQ(foldCase(a.foldedCase()), a.foldedCase());  // folding is idempotent
}

}  // namespace
