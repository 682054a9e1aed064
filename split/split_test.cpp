// Worked results and edge cases of the splitter vocabulary, the combinators
// and the ready-made functions; laziness on endless input; text forms; the
// refusal of temporaries whose fields would dangle.
#include "split/split.hpp"

#include <gtest/gtest.h>

#include <cstddef>
#include <list>
#include <span>
#include <ranges>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "base/generator.hpp"

namespace {

namespace qs = quire::split;
using qs::CondensePolicy;
using qs::DelimPolicy;
using qs::EndPolicy;
using Fields = std::vector<std::string>;

template <class R>
Fields collect(R&& fields) {
  Fields out;
  for (auto&& f : fields) out.emplace_back(f.begin(), f.end());
  return out;
}

template <class R>
auto collectAll(R&& pieces) {
  std::vector<std::vector<std::ranges::range_value_t<std::ranges::range_reference_t<R>>>> out;
  for (auto&& p : pieces) out.emplace_back(p.begin(), p.end());
  return out;
}

bool isSpace(char c) { return c == ' '; }

// The examples at the top of the headers.
TEST(Split, HeaderExamples) {
  EXPECT_EQ(collect(qs::splitOn(",", "a,b,,c")), (Fields{"a", "b", "", "c"}));
  EXPECT_EQ(collect(qs::wordsBy(isSpace, "  to be  ")), (Fields{"to", "be"}));
  EXPECT_EQ(collect(qs::split(qs::condense(qs::dropDelims(qs::oneOf(" ,"))), "1, 2,3")),
            (Fields{"1", "2", "3"}));
  std::istringstream in("x;y;z;rest");
  EXPECT_EQ(collect(qs::splitOn(";", qs::streamChars(in)) | std::views::take(3)), (Fields{"x", "y", "z"}));
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "rest");
  auto owned = qs::split(qs::dropDelims(qs::onSublist(",")), std::vector<char>{'x', ',', 'y'});
  static_assert(std::same_as<std::ranges::range_value_t<decltype(owned)>, std::string>);
  EXPECT_EQ(collect(owned), (Fields{"x", "y"}));
}

TEST(Split, PolicyWorkedResults) {
  const auto comma = qs::onSublist(",");
  EXPECT_EQ(collect(qs::split(comma, "a,b,,c,")), (Fields{"a", ",", "b", ",", "", ",", "c", ",", ""}));
  EXPECT_EQ(collect(qs::split(qs::dropDelims(comma), "a,b,,c,")), (Fields{"a", "b", "", "c", ""}));
  EXPECT_EQ(collect(qs::split(qs::condense(qs::dropDelims(comma)), "a,b,,c,")), (Fields{"a", "b", "c", ""}));
  EXPECT_EQ(collect(qs::split(qs::keepDelimsL(comma), "a,b,,c,")), (Fields{"a", ",b", ",", ",c", ","}));
  EXPECT_EQ(collect(qs::split(qs::keepDelimsR(comma), "a,b,,c,")), (Fields{"a,", "b,", ",", "c,", ""}));
  // Condense under Keep: the merged run is one field.
  EXPECT_EQ(collect(qs::split(qs::condense(comma), "a,,b")), (Fields{"a", ",,", "b"}));
  EXPECT_EQ(collect(qs::split(qs::dropInnerBlanks(qs::dropDelims(comma)), ",a,,b,")), (Fields{"", "a", "b", ""}));
  EXPECT_EQ(collect(qs::split(qs::keepDelimsR(comma), ",a")), (Fields{",", "a"}));
  EXPECT_EQ(collect(qs::split(qs::keepDelimsL(comma), "a,")), (Fields{"a", ","}));
  // The whole input is one field under the default splitter.
  EXPECT_EQ(collect(qs::split(qs::defaultSplitter<char>(), "a,b")), (Fields{"a,b"}));
}

TEST(Split, EmptyInputAndEmptyDelimiter) {
  const auto drop = qs::dropDelims(qs::onSublist(","));
  EXPECT_EQ(collect(qs::split(drop, "")), (Fields{""}));
  EXPECT_TRUE(collect(qs::split(qs::dropInitBlank(drop), "")).empty());
  EXPECT_TRUE(collect(qs::split(qs::dropFinalBlank(drop), "")).empty());
  EXPECT_EQ(collect(qs::split(drop, ",")), (Fields{"", ""}));
  EXPECT_EQ(collect(qs::splitOn("", "abc")), (Fields{"", "a", "b", "c"}));
  EXPECT_EQ(collect(qs::splitOn("", "")), (Fields{""}));
  EXPECT_EQ(collect(qs::split(qs::onSublist(""), "ab")), (Fields{"", "", "a", "", "b"}));
  EXPECT_EQ(collect(qs::splitOn("aab", "aaab")), (Fields{"a", ""}));
}

TEST(Split, ReadyMadeFunctions) {
  EXPECT_EQ(collect(qs::splitOn(",", "a,b,,c,")), (Fields{"a", "b", "", "c", ""}));
  EXPECT_EQ(collect(qs::splitOn("..", "a..b...c")), (Fields{"a", "b", ".c"}));
  EXPECT_EQ(collect(qs::splitOneOf(";.,", "foo,bar;baz.glurk")), (Fields{"foo", "bar", "baz", "glurk"}));
  EXPECT_EQ(collect(qs::endBy(";", "foo;bar;baz;")), (Fields{"foo", "bar", "baz"}));
  EXPECT_EQ(collect(qs::endBy(";", "foo;bar;baz")), (Fields{"foo", "bar", "baz"}));
  EXPECT_TRUE(collect(qs::endBy(";", "")).empty());
  EXPECT_EQ(collect(qs::endByOneOf(";,", "a;b,")), (Fields{"a", "b"}));
  auto isLF = [](char c) { return c == '\n'; };
  EXPECT_EQ(collect(qs::linesBy(isLF, "a\n\nb\n")), (Fields{"a", "", "b"}));
  EXPECT_TRUE(collect(qs::linesBy(isLF, "")).empty());
  EXPECT_EQ(collect(qs::wordsBy(isSpace, "  a  b ")), (Fields{"a", "b"}));
  EXPECT_TRUE(collect(qs::wordsBy(isSpace, "   ")).empty());

  std::vector<int> xs{1, 3, -4, 5, 7, -9, 0, 2};
  auto negative = [](int x) { return x < 0; };
  EXPECT_EQ(collectAll(qs::splitWhen(negative, xs)), (std::vector<std::vector<int>>{{1, 3}, {5, 7}, {0, 2}}));
  EXPECT_EQ(collectAll(qs::splitWhen(negative, std::span<const int>(xs))),
            (std::vector<std::vector<int>>{{1, 3}, {5, 7}, {0, 2}}));

  EXPECT_EQ(collect(qs::split(qs::startsWithOneOf("ABCDEFGHIJKLMNOPQRSTUVWXYZ"), "ACamelCaseString")),
            (Fields{"A", "Camel", "Case", "String"}));
  EXPECT_EQ(collect(qs::split(qs::startsWith("ab"), "abxabyab")), (Fields{"abx", "aby", "ab"}));
  EXPECT_EQ(collect(qs::split(qs::endsWith(";"), "a;b;")), (Fields{"a;", "b;"}));
  EXPECT_EQ(collect(qs::split(qs::endsWithOneOf(".,?! "), "Hi, there! How are you?")),
            (Fields{"Hi,", " ", "there!", " ", "How ", "are ", "you?"}));
  EXPECT_EQ(collect(qs::split(qs::condense(qs::endsWithOneOf(".,?! ")), "Hi, there! How are you?")),
            (Fields{"Hi, ", "there! ", "How ", "are ", "you?"}));

  // Aliases are the same functions.
  EXPECT_EQ(collect(qs::sepBy(",", "a,b")), collect(qs::splitOn(",", "a,b")));
  EXPECT_EQ(collect(qs::unintercalate(", ", "a, b")), (Fields{"a", "b"}));
  EXPECT_EQ(collect(qs::sepByOneOf(",;", "a;b")), (Fields{"a", "b"}));
}

TEST(Split, ModifiersChangeOnlyTheirFields) {
  const auto base = qs::keepDelimsR(qs::oneOf(",;"));
  const auto blanks = qs::dropBlanks(base);
  EXPECT_EQ(blanks.delimPolicy, DelimPolicy::KeepRight);
  EXPECT_EQ(blanks.condensePolicy, CondensePolicy::Condense);
  EXPECT_EQ(blanks.initBlankPolicy, EndPolicy::DropBlank);
  EXPECT_EQ(blanks.finalBlankPolicy, EndPolicy::DropBlank);
  EXPECT_EQ(blanks.delimiter.size(), 1u);
  EXPECT_TRUE(blanks.delimiter.test(0, ';'));
  EXPECT_EQ(qs::dropInnerBlanks(qs::condense(base)).condensePolicy, CondensePolicy::DropBlankFields);

  const auto starts = qs::startsWith("ab");
  EXPECT_EQ(starts.delimPolicy, DelimPolicy::KeepLeft);
  EXPECT_EQ(starts.initBlankPolicy, EndPolicy::DropBlank);
  EXPECT_EQ(starts.finalBlankPolicy, EndPolicy::KeepBlank);
  const auto ends = qs::endsWithOneOf(std::vector{0});
  EXPECT_EQ(ends.delimPolicy, DelimPolicy::KeepRight);
  EXPECT_EQ(ends.initBlankPolicy, EndPolicy::KeepBlank);
  EXPECT_EQ(ends.finalBlankPolicy, EndPolicy::DropBlank);

  const auto def = qs::defaultSplitter<int>();
  EXPECT_EQ(def.delimiter.size(), 1u);
  EXPECT_FALSE(def.delimiter.test(0, 0));
  EXPECT_EQ(def.delimPolicy, DelimPolicy::Keep);
  EXPECT_EQ(qs::onSublist("").delimiter.size(), 0u);
  EXPECT_EQ(qs::onSublist("abc").delimiter.size(), 3u);  // the literal's terminator is no element
}

// A predicate delimiter keeps the input's elements, not a pattern.
TEST(Split, PredicateDelimitersKeepInputElements) {
  auto digit = [](char c) { return c >= '0' && c <= '9'; };
  EXPECT_EQ(collect(qs::split(qs::whenElt<char>(digit), "a1b22c")), (Fields{"a", "1", "b", "2", "", "2", "c"}));
  qs::Splitter<char> twoDigits{qs::Delimiter<char>({digit, digit}), DelimPolicy::Keep,
                               CondensePolicy::KeepBlankFields, EndPolicy::KeepBlank, EndPolicy::KeepBlank};
  EXPECT_EQ(collect(qs::split(twoDigits, "a1b22c")), (Fields{"a1b", "22", "c"}));
  auto pred = twoDigits.delimiter.predicate(1);
  EXPECT_TRUE(pred('7'));
  EXPECT_FALSE(pred('x'));
}

quire::Generator<char> endless(std::string pattern, std::size_t& reads) {
  for (;;) {
    for (char c : pattern) {
      ++reads;
      co_yield c;
    }
  }
}

// The first fields of an endless input come out, and the input is read
// only as far as those fields.
TEST(Split, EndlessInputIsReadOnlyAsFarAsNeeded) {
  std::size_t reads = 0;
  EXPECT_EQ(collect(qs::splitOn(",", endless("ab,", reads)) | std::views::take(3)), (Fields{"ab", "ab", "ab"}));
  EXPECT_EQ(reads, 9u);

  reads = 0;
  EXPECT_EQ(collect(qs::split(qs::keepDelimsR(qs::onSublist(",")), endless("ab,", reads)) | std::views::take(3)),
            (Fields{"ab,", "ab,", "ab,"}));
  EXPECT_EQ(reads, 9u);

  reads = 0;
  EXPECT_EQ(collect(qs::wordsBy(isSpace, endless("w  ", reads)) | std::views::take(3)), (Fields{"w", "w", "w"}));
  EXPECT_LE(reads, 9u);

  for (DelimPolicy dp : {DelimPolicy::Drop, DelimPolicy::Keep, DelimPolicy::KeepLeft, DelimPolicy::KeepRight}) {
    for (CondensePolicy cp : {CondensePolicy::Condense, CondensePolicy::DropBlankFields,
                              CondensePolicy::KeepBlankFields}) {
      for (EndPolicy ep : {EndPolicy::DropBlank, EndPolicy::KeepBlank}) {
        reads = 0;
        qs::Splitter<char> s{qs::Delimiter<char>::sublist({',', ';'}), dp, cp, ep, ep};
        auto fields = collect(qs::split(s, endless(",;x,;,;y", reads)) | std::views::take(3));
        EXPECT_EQ(fields.size(), 3u);
        EXPECT_LE(reads, 24u);
      }
    }
  }

  reads = 0;
  std::vector<std::string> words;
  for (std::string_view w : qs::splitOn(" ", std::string_view("a b c d"))) {
    words.emplace_back(w);
    if (words.size() == 2) break;
  }
  EXPECT_EQ(words, (Fields{"a", "b"}));
}

TEST(Split, TextForms) {
  using C = qs::Chunk<std::string>;
  EXPECT_EQ(show(C::Delim(",")), "Delim \",\"");
  EXPECT_EQ(show(C::Text("a\"b\n")), "Text \"a\\\"b\\n\"");
  EXPECT_EQ(showsPrec(10, C::Text("x")), "Text \"x\"");
  EXPECT_EQ(showsPrec(11, C::Text("x")), "(Text \"x\")");
  EXPECT_EQ(show(qs::Chunk<std::vector<int>>::Delim({-1, 2})), "Delim [-1,2]");
  EXPECT_EQ(show(qs::Chunk<std::u32string>::Text(U"\u00e9")), "Text \"\xC3\xA9\"");
  EXPECT_EQ(show(qs::Chunk<std::vector<std::string>>::Text({"a", "b"})), "Text [\"a\",\"b\"]");
  std::ostringstream os;
  os << C::Text("") << ' ' << DelimPolicy::KeepRight << ' ' << CondensePolicy::DropBlankFields << ' '
     << EndPolicy::DropBlank;
  EXPECT_EQ(os.str(), "Text \"\" KeepRight DropBlankFields DropBlank");
  EXPECT_EQ(show(DelimPolicy::Drop), "Drop");
  EXPECT_EQ(show(CondensePolicy::Condense), "Condense");
  EXPECT_EQ(showsPrec(11, EndPolicy::KeepBlank), "KeepBlank");
}

TEST(Split, ChunkEquality) {
  using C = qs::Chunk<std::string>;
  EXPECT_EQ(C::Delim("a"), C::Delim("a"));
  EXPECT_NE(C::Delim("a"), C::Text("a"));
  EXPECT_NE(C::Text("a"), C::Text("b"));
  EXPECT_TRUE(qs::isDelim(C::Delim("")));
  EXPECT_TRUE(qs::isText(C::Text("")));
  EXPECT_EQ(qs::fromElem(C::Delim("xy")), "xy");
  using V = qs::Chunk<std::string_view>;
  std::string a = "ab", b = "ab";
  EXPECT_EQ(V::Text(a), V::Text(b));  // equal elements, different storage
}

// Contiguous input gives views of its own element type; other ranges give
// owned fields; every result is a lazy view that composes with std::views.
TEST(Split, ResultTypes) {
  using std::ranges::range_value_t;
  const std::u32string wide = U"\u03b1,\u03b2";
  auto w = qs::splitOn(U",", wide);
  static_assert(std::same_as<range_value_t<decltype(w)>, std::u32string_view>);
  std::vector<std::u32string_view> wideFields;
  for (std::u32string_view f : w) wideFields.push_back(f);
  EXPECT_EQ(wideFields, (std::vector<std::u32string_view>{U"\u03b1", U"\u03b2"}));
  const std::vector<int> xs{1, 0, 2};
  static_assert(std::same_as<range_value_t<decltype(qs::splitOn(std::vector{0}, std::span(xs)))>,
                             std::span<const int>>);
  static_assert(std::same_as<range_value_t<decltype(qs::splitOn(std::vector{0}, xs))>, std::vector<int>>);
  static_assert(std::same_as<range_value_t<decltype(qs::chunksOf(2, std::list<char>{}))>, std::string>);
  auto r = qs::splitOn(",", "a,b,c");
  static_assert(std::ranges::view<decltype(r)> && std::ranges::input_range<decltype(r)>);
  std::vector<std::size_t> sizes;
  for (std::size_t n : std::move(r) | std::views::drop(1) | std::views::transform([](std::string_view f) { return f.size(); })) {
    sizes.push_back(n);
  }
  EXPECT_EQ(sizes, (std::vector<std::size_t>{1, 1}));
  // Moving a result keeps its state.
  auto moved = qs::splitOn(",", "x,y");
  auto it = moved.begin();
  EXPECT_EQ(*it, "x");
  auto other = std::move(moved);
  ++it;
  EXPECT_EQ(*it, "y");
}

template <class... A>
concept CanSplitOn = requires(A&&... a) { qs::splitOn(std::forward<A>(a)...); };
template <class... A>
concept CanSplit = requires(A&&... a) { qs::split(std::forward<A>(a)...); };
template <class... A>
concept CanChunk = requires(A&&... a) { qs::chunksOf(std::forward<A>(a)...); };

// Fields of a temporary string would dangle: those calls do not compile.
// Owning temporaries of other kinds are fine: the result keeps them.
TEST(Split, TemporaryStringsAreRefused) {
  static_assert(!CanSplitOn<const char (&)[2], std::string>);
  static_assert(CanSplitOn<const char (&)[2], std::string&>);
  static_assert(CanSplitOn<const char (&)[2], std::string_view>);
  static_assert(CanSplitOn<const char (&)[2], std::vector<char>>);
  static_assert(!CanSplit<const qs::Splitter<char>&, std::string>);
  static_assert(CanSplit<const qs::Splitter<char>&, const std::string&>);
  static_assert(!CanChunk<int, std::string>);
  static_assert(CanChunk<int, std::vector<int>>);
  EXPECT_EQ(collect(qs::splitOn(",", std::vector<char>{'a', ',', 'b'})), (Fields{"a", "b"}));
}

}  // namespace

namespace {

// Predicates and chop functions that capture state (closures that cannot
// be assigned) are taken like any other, on every input path.
TEST(Split, CapturingFunctionsAreAccepted) {
  const char sep = ';';
  auto isSep = [sep](char c) { return c == sep; };
  EXPECT_EQ(collect(qs::splitWhen(isSep, std::string_view("a;b;;c"))), (Fields{"a", "b", "", "c"}));
  EXPECT_EQ(collect(qs::linesBy(isSep, std::vector<char>{'x', ';', 'y', ';'})), (Fields{"x", "y"}));
  EXPECT_EQ(collect(qs::wordsBy(isSep, std::string_view(";;p;;q;"))), (Fields{"p", "q"}));
  const std::size_t width = 2;
  auto front = [width](std::string_view rest) {
    const std::size_t k = std::min(width, rest.size());
    return std::pair{rest.substr(0, k), rest.substr(k)};
  };
  EXPECT_EQ(collect(qs::chop(front, std::string_view("abcde"))), (Fields{"ab", "cd", "e"}));
  std::vector<int> xs{1, -1, 2, 3, -1};
  const int mark = -1;
  auto pieces = collectAll(qs::splitWhen([mark](int x) { return x == mark; }, xs));
  EXPECT_EQ(pieces, (std::vector<std::vector<int>>{{1}, {2, 3}, {}}));
}

}  // namespace
