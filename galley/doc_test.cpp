// Documents, combinators and the Pretty trait.
#include <gtest/gtest.h>

#include <atomic>
#include <sstream>
#include <thread>

#include "galley/galley.hpp"

namespace quire::galley {
namespace {

std::string wide(const Doc& d) { return displayS(renderPretty(1.0f, 1000, d)); }
std::string narrow(const Doc& d) { return displayS(renderPretty(1.0f, 1, d)); }

TEST(GalleyDoc, HeaderExamples) {
  EXPECT_EQ(show(group(text("let") + nest(2, line() + text("x = 1")))), "let x = 1");
  EXPECT_EQ(show(nest(2, text("let") + hardline() + text("x = 1"))), "let\n  x = 1");
  EXPECT_EQ(spaces(3), "   ");
  EXPECT_EQ(show(list({int_(1), int_(20), int_(300)})), "[1,20,300]");
  EXPECT_EQ(show(besideSpace(text("x"), equals()) + text(" 1")), "x = 1");
  EXPECT_EQ(show(red(text("hot"))), "\x1b[91mhot\x1b[0m");
  EXPECT_EQ(show(plain(red(text("hot")))), "hot");
  EXPECT_EQ(show(fill(6, text("ab")) + text("|")), "ab    |");
  EXPECT_EQ(show(pretty(std::vector<int>{1, 2, 3})), "[1,2,3]");
  EXPECT_EQ(show(pretty(std::pair{true, 2.5})), "(True,2.5)");
  EXPECT_EQ(show(pretty(std::vector<char32_t>{U'h', U'i'})), "hi");
  EXPECT_EQ(show(pretty(std::optional<int>())), "");
  EXPECT_EQ(show(pretty(std::monostate{})), "()");
  Doc hello = group(above(text("hello"), text("world")));
  EXPECT_EQ(displayS(renderPretty(0.4f, 80, hello)), "hello world");
  EXPECT_EQ(displayS(renderPretty(0.4f, 8, hello)), "hello\nworld");
  EXPECT_EQ(displayS(renderCompact(nest(4, above(text("a"), text("b"))))), "a\nb");
  EXPECT_EQ(show(besideSpace(bold(text("total:")), green(int_(42))) + hardline()),
            "\x1b[1mtotal:\x1b[0m \x1b[92m42\x1b[0m\n");
}

TEST(GalleyDoc, PrimitivesBuildTheDocumentedNodes) {
  EXPECT_EQ(text("").kind(), DocKind::Empty);
  EXPECT_EQ(Doc().kind(), DocKind::Empty);
  Doc t = text("h\xC3\xA9llo");  // the length counts characters, not bytes
  ASSERT_EQ(t.kind(), DocKind::Text);
  EXPECT_EQ(t.textLength(), 5);
  EXPECT_EQ(text(U"h\u00e9").textValue(), "h\xC3\xA9");
  for (auto fold : {hsep, vsep, fillSep, sep, hcat, vcat, fillCat, cat}) {
    EXPECT_EQ(fold({}).kind(), DocKind::Empty);
  }
  Doc nl = char_(U'\n');
  ASSERT_EQ(nl.kind(), DocKind::FlatAlt);
  EXPECT_EQ(nl.left().kind(), DocKind::Line);
  EXPECT_EQ(nl.right().character(), U' ');
  EXPECT_EQ(hardline().kind(), DocKind::Line);
  EXPECT_EQ(softline().kind(), DocKind::Union);
  EXPECT_EQ(softline().unionSecond().kind(), DocKind::FlatAlt);
  EXPECT_EQ(softline().unionFirst().character(), U' ');
  EXPECT_EQ(softbreak().unionFirst().kind(), DocKind::Empty);
  EXPECT_EQ(linebreak().right().kind(), DocKind::Empty);
  EXPECT_EQ(spaces(0), "");
  EXPECT_EQ(spaces(-4), "");
  EXPECT_THROW((void)text("x").character(), Error);
}

TEST(GalleyDoc, StringSplitsAtNewlinesAndEndsInEmpty) {
  Doc s = string("a\nb");
  ASSERT_EQ(s.kind(), DocKind::Cat);
  EXPECT_EQ(s.left().textValue(), "a");
  EXPECT_EQ(s.right().left().kind(), DocKind::FlatAlt);
  EXPECT_EQ(s.right().right().left().textValue(), "b");
  EXPECT_EQ(s.right().right().right().kind(), DocKind::Empty);
  EXPECT_EQ(string("").kind(), DocKind::Empty);
  EXPECT_EQ(show(s), "a\nb");
  EXPECT_EQ(show(group(s)), "a b");
  EXPECT_EQ(show(string(U"\n\nx")), "\n\nx");
  // text does not look for newlines: the layout counts it as one character
  EXPECT_EQ(text("a\nb").textLength(), 3);
}

TEST(GalleyDoc, FlattenFollowsItsRules) {
  EXPECT_EQ(flatten(hardline()).kind(), DocKind::Fail);
  // the flat form of a FlatAlt is taken as it is, not flattened again
  EXPECT_EQ(flatten(flatAlt(hardline(), hardline())).kind(), DocKind::Line);
  EXPECT_EQ(flatten(line()).character(), U' ');
  Doc styled = flatten(red(nest(2, text("a") + line())));
  ASSERT_EQ(styled.kind(), DocKind::Color);
  EXPECT_EQ(styled.inner().nestDelta(), 2);
  EXPECT_EQ(styled.inner().inner().right().character(), U' ');
  // a subtree without breaks is shared, not copied
  Doc plainText = text("abc") + text("def");
  EXPECT_EQ(flatten(plainText).node(), plainText.node());
  // functions are wrapped: what they return is flattened when it is laid out
  Doc f = flatten(column([](std::int64_t k) { return int_(k) + hardline(); }));
  EXPECT_EQ(f.kind(), DocKind::Column);
  EXPECT_EQ(f.applyColumn(3).right().kind(), DocKind::Fail);
  EXPECT_THROW(displayS(renderPretty(1.0f, 80, f)), Error);
  // hardline inside a group: the flat branch fails, the broken one is taken
  EXPECT_EQ(wide(group(text("a") + hardline() + text("b"))), "a\nb");
}

TEST(GalleyDoc, GroupFlattensLazilyOnceAndSafelyAcrossThreads) {
  Doc inner = text("x") + line() + text("y");
  Doc g = group(inner);
  EXPECT_EQ(g.unionSecond().node(), inner.node());
  const Doc* first = &g.unionFirst();
  EXPECT_EQ(&g.unionFirst(), first);  // computed once and kept
  EXPECT_EQ(wide(*first), "x y");

  std::vector<Doc> items;
  for (int i = 0; i < 200; ++i) items.push_back(group(text("k") + int_(i) + line() + text("v")));
  Doc shared = sep(items);
  std::vector<std::string> seen(4);
  std::vector<std::thread> threads;
  for (auto& out : seen) threads.emplace_back([&shared, &out] { out = show(shared); });
  for (auto& t : threads) t.join();
  for (const auto& s : seen) EXPECT_EQ(s, seen.front());
  EXPECT_EQ(seen.front().substr(0, 8), "k0 v\nk1 ");
}

TEST(GalleyDoc, Separators) {
  std::vector<Doc> abc{text("a"), text("b"), text("c")};
  EXPECT_EQ(wide(hsep(abc)), "a b c");
  EXPECT_EQ(wide(vsep(abc)), "a\nb\nc");
  EXPECT_EQ(wide(sep(abc)), "a b c");
  EXPECT_EQ(narrow(sep(abc)), "a\nb\nc");
  EXPECT_EQ(wide(hcat(abc)), "abc");
  EXPECT_EQ(wide(cat(abc)), "abc");
  EXPECT_EQ(narrow(vcat(abc)), "a\nb\nc");
  EXPECT_EQ(wide(fillSep(abc)), "a b c");
  EXPECT_EQ(wide(fillCat(abc)), "abc");
  EXPECT_EQ(displayS(renderPretty(1.0f, 3, fillSep(abc))), "a b\nc");
  // folds nest to the right
  Doc f = hcat(abc);
  EXPECT_EQ(f.left().textValue(), "a");
  EXPECT_EQ(f.right().left().textValue(), "b");
  EXPECT_EQ(wide(softAboveBreak(text("a"), text("b"))), "ab");
  EXPECT_EQ(narrow(aboveBreak(text("a"), text("b"))), "a\nb");
  EXPECT_EQ(wide(softAbove(text("a"), text("b"))), "a b");
  EXPECT_EQ(wide(beside(text("a"), text("b"))), "ab");
}

TEST(GalleyDoc, Repeated) {
  EXPECT_EQ(repeated(0, text("ab")).kind(), DocKind::Empty);
  EXPECT_EQ(repeated(-3, text("ab")).kind(), DocKind::Empty);
  EXPECT_EQ(wide(repeated(1, text("ab"))), "ab");
  for (std::int64_t n : {2, 3, 7, 12}) {
    std::string expected;
    for (std::int64_t i = 0; i < n; ++i) expected += "ab";
    EXPECT_EQ(wide(repeated(n, text("ab"))), expected);
  }
  EXPECT_EQ(displayS(renderCompact(repeated(1000000, char_(U'x')))).size(), 1000000u);
}

TEST(GalleyDoc, PunctuateAndEnclose) {
  std::vector<Doc> one{text("a")};
  EXPECT_EQ(punctuate(comma(), one)[0].node(), one[0].node());
  auto p = punctuate(comma(), {text("a"), text("b"), text("c")});
  ASSERT_EQ(p.size(), 3u);
  EXPECT_EQ(wide(hcat(p)), "a,b,c");
  EXPECT_EQ(p[2].kind(), DocKind::Text);
  EXPECT_TRUE(punctuate(comma(), {}).empty());

  EXPECT_EQ(wide(encloseSep(lbracket(), rbracket(), comma(), {})), "[]");
  Doc single = encloseSep(lbracket(), rbracket(), comma(), {text("x")});
  EXPECT_EQ(single.kind(), DocKind::Cat);  // no align, no group
  EXPECT_EQ(wide(single), "[x]");
  // broken: aligned at the opening bracket, separators leading
  Doc l = text("v = ") + list({text("one"), text("two"), text("three")});
  EXPECT_EQ(displayS(renderPretty(1.0f, 10, l)), "v = [one\n    ,two\n    ,three]");
  EXPECT_EQ(wide(tupled({int_(1), int_(2)})), "(1,2)");
  EXPECT_EQ(wide(semiBraces({int_(1), int_(2)})), "{1;2}");
  EXPECT_EQ(wide(squotes(text("a")) + dquotes(text("b")) + parens(empty()) + angles(empty()) + braces(empty()) +
                 brackets(empty())),
            "'a'\"b\"()<>{}[]");
  EXPECT_EQ(wide(hcat({lparen(), rparen(), langle(), rangle(), lbrace(), rbrace(), lbracket(), rbracket(), squote(),
                       dquote(), semi(), colon(), comma(), dot(), backslash(), equals(), space()})),
            "()<>{}[]'\";:,.\\= ");
}

TEST(GalleyDoc, AlignmentAndPadding) {
  EXPECT_EQ(wide(fill(5, text("abcdef")) + text("|")), "abcdef|");
  EXPECT_EQ(wide(fill(5, text("ab")) + text("|")), "ab   |");
  // fillBreak: wider than n breaks and indents by n more; exactly n adds nothing
  EXPECT_EQ(wide(nest(1, fillBreak(3, text("abcd")) + text("x"))), "abcd\n    x");
  EXPECT_EQ(wide(fillBreak(4, text("abcd")) + text("x")), "abcdx");
  EXPECT_EQ(wide(fillBreak(6, text("abcd")) + text("x")), "abcd  x");
  EXPECT_EQ(wide(text("ab") + align(vsep({text("c"), text("d")}))), "abc\n  d");
  EXPECT_EQ(wide(text("ab") + hang(2, vsep({text("c"), text("d")}))), "abc\n    d");
  EXPECT_EQ(wide(text("ab") + indent(2, vsep({text("c"), text("d")}))), "ab  c\n    d");
  EXPECT_EQ(wide(width(text("abc"), [](std::int64_t w) { return int_(w); })), "abc3");
  EXPECT_EQ(wide(nest(3, nesting([](std::int64_t i) { return int_(i); }))), "3");
  EXPECT_EQ(wide(columns([](std::optional<std::int64_t> w) { return int_(w.value_or(-1)); })), "1000");
  EXPECT_EQ(displayS(renderCompact(columns([](std::optional<std::int64_t> w) { return int_(w.value_or(-1)); }))),
            "-1");
}

TEST(GalleyDoc, NumbersAndFlags) {
  EXPECT_EQ(wide(int_(-42)), "-42");
  EXPECT_EQ(wide(int_(INT64_MIN)), "-9223372036854775808");
  EXPECT_EQ(wide(float_(0.1f)), "0.1");
  EXPECT_EQ(wide(double_(0.1)), "0.1");
  EXPECT_EQ(wide(double_(1e100)), "1e+100");
  EXPECT_EQ(wide(bool_(true) + bool_(false)), "TrueFalse");
  EXPECT_EQ(wide(rational(-1, 3)), "(-1) % 3");
  EXPECT_EQ(wide(rational(7, 2)), "7 % 2");
  EXPECT_EQ(wide(integer(12345)), "12345");
}

// A stand-in for an arbitrary-precision integer: only its stream output counts.
struct BigNumber {
  std::string digits;
  friend std::ostream& operator<<(std::ostream& os, const BigNumber& b) { return os << b.digits; }
};

TEST(GalleyDoc, PrettyTrait) {
  EXPECT_EQ(wide(pretty(BigNumber{"123456789012345678901234567890"})), "123456789012345678901234567890");
  EXPECT_EQ(wide(pretty(std::vector<BigNumber>{{"1"}, {"2"}})), "[1,2]");
  EXPECT_EQ(wide(pretty(std::uint64_t{18446744073709551615u})), "18446744073709551615");
  EXPECT_EQ(wide(pretty(std::int8_t{-5})), "-5");
  EXPECT_EQ(wide(pretty(U'x')), "x");
  EXPECT_EQ(wide(pretty(std::u32string(U"a\nb"))), "a\nb");
  EXPECT_EQ(wide(pretty(std::string("plain"))), "plain");
  EXPECT_EQ(wide(pretty(std::optional<int>(7))), "7");
  EXPECT_EQ(wide(pretty(std::tuple{1, std::string("s"), false})), "(1,s,False)");
  EXPECT_EQ(wide(pretty(2.5f)), "2.5");
  EXPECT_EQ(wide(pretty(text("doc"))), "doc");
  EXPECT_EQ(wide(prettyList(std::vector<Doc>{text("a"), text("b")})), "[a,b]");
  EXPECT_EQ(wide(pretty(std::vector<std::vector<int>>{{1}, {}})), "[[1],[]]");
}

TEST(GalleyDoc, PlainRemovesEveryStyle) {
  Doc styled = red(bold(underline(text("a")))) + onblue(debold(deunderline(text("b")))) +
               node::Italicize(true, text("c")) + node::RestoreFormat(Style{});
  EXPECT_EQ(wide(plain(styled)), "abc");
  Doc g = group(dullgreen(text("x") + line() + text("y")));
  EXPECT_EQ(wide(plain(g)), "x y");
  EXPECT_EQ(narrow(plain(g)), "x\ny");
  EXPECT_EQ(wide(plain(column([](std::int64_t) { return red(text("f")); }))), "f");
  Doc unstyled = text("u") + line();
  EXPECT_EQ(plain(unstyled).node(), unstyled.node());
  auto [fg, dull] = colorFunctions(Color::Cyan);
  EXPECT_EQ(fg(text("a")).colorIntensity(), ColorIntensity::Vivid);
  EXPECT_EQ(dull(text("a")).colorIntensity(), ColorIntensity::Dull);
  auto [bg, dullBg] = oncolorFunctions(Color::Cyan);
  EXPECT_EQ(bg(text("a")).colorLayer(), ConsoleLayer::Background);
  EXPECT_EQ(dullBg(text("a")).colorValue(), Color::Cyan);
}

TEST(GalleyDoc, TextCountsCharactersAtEveryLengthAndOffset) {
  // Multi-byte characters at every position of texts up to 40 bytes: the
  // count and the bytes kept must match, whatever the text's length.
  const std::string pieces[] = {"a", "\xC3\xA9", "\xE2\x82\xAC", "\xF0\x9F\x98\x80", "\x7F"};
  for (int seed = 0; seed < 40; ++seed) {
    std::string s;
    std::int64_t characters = 0;
    for (int i = 0; s.size() < 40; ++i) {
      EXPECT_EQ(text(s).kind(), s.empty() ? DocKind::Empty : DocKind::Text);
      if (!s.empty()) {
        const Doc d = text(s);
        EXPECT_EQ(d.textLength(), characters) << s;
        EXPECT_EQ(d.textValue(), s);
        EXPECT_EQ(show(d), s);
      }
      s += pieces[(seed * 7 + i * (seed % 5 + 1)) % 5];
      ++characters;
    }
  }
  // a text of bytes that are all continuation bytes counts none
  EXPECT_EQ(text(std::string(11, '\x80')).textLength(), 0);
  EXPECT_EQ(text(std::string(5, '\xBF')).textLength(), 0);
}

TEST(GalleyDoc, FoldsAndPunctuateLeaveTheCallersListAlone) {
  const std::vector<Doc> ds = {text("a"), text("b"), text("c")};
  const std::vector<const detail::NodeHeader*> before = {ds[0].node(), ds[1].node(), ds[2].node()};
  EXPECT_EQ(show(vsep(punctuate(comma(), ds))), "a,\nb,\nc");
  EXPECT_EQ(show(list(ds)), "[a,b,c]");
  EXPECT_EQ(show(hcat(ds) + fillSep(ds)), "abca b c");
  for (std::size_t i = 0; i < ds.size(); ++i) {
    EXPECT_EQ(ds[i].node(), before[i]);
    EXPECT_FALSE(ds[i].sharesNode());  // every copy made above is gone again
  }
}

TEST(GalleyDoc, ConversionsFromStrings) {
  Doc a = "lit";
  Doc b = std::string("str");
  EXPECT_EQ(wide(a + b + std::string_view("view")), "litstrview");
  std::ostringstream os;
  os << group(above(text("a"), text("b")));
  EXPECT_EQ(os.str(), "a b");
  EXPECT_EQ(showsPrec(11, text("x")), "x");
}

}  // namespace
}  // namespace quire::galley
