// The layout engine, checked against a direct model of its rules.
#include <gtest/gtest.h>

#include <random>
#include <sstream>
#include <thread>
#include <ranges>

#include "galley/galley.hpp"

namespace quire::galley {
namespace {

using vtcontrol::SGR;

// One element as a short token, so streams compare as vectors of strings.
std::string token(const SimpleDocElement& e) {
  switch (e.kind) {
    case SimpleDocKind::SFail: return "FAIL";
    case SimpleDocKind::SEmpty: return "END";
    case SimpleDocKind::SChar: {
      std::string s = "C:";
      s += static_cast<char>(e.character);
      return s;
    }
    case SimpleDocKind::SText: return "T:" + std::string(e.text);
    case SimpleDocKind::SLine: return "L:" + std::to_string(e.indentation);
    case SimpleDocKind::SSGR: {
      std::string s = "G:";
      for (const SGR& g : e.sgr) s += show(g) + ";";
      return s;
    }
  }
  return "?";
}

std::vector<std::string> tokens(SimpleDoc stream) {
  std::vector<std::string> out;
  for (const SimpleDocElement& e : stream) out.push_back(token(e));
  return out;
}

// The engine's rules written out as directly as possible: an eager,
// recursive walk that copies its work list and lays out the whole rest of
// the document for every Union. Exponential; for small documents only.
class Model {
 public:
  Model(float ribbon, std::int64_t w, bool smart) : w_(w), r_(ribbonWidth(ribbon, w)), smart_(smart) {}

  std::vector<std::string> run(const Doc& d) { return walk(0, 0, Style{}, {{0, d}}); }

 private:
  struct Item {
    std::int64_t i;
    Doc d;
  };

  static std::string sgrToken(const std::vector<SGR>& list) {
    std::string s = "G:";
    for (const SGR& g : list) s += show(g) + ";";
    return s;
  }

  bool fits(std::int64_t m, std::int64_t a, const std::vector<std::string>& s) const {
    for (const std::string& t : s) {
      if (a < 0) return false;
      if (t == "FAIL") return false;
      if (t == "END") return true;
      if (t[0] == 'C') a -= 1;
      if (t[0] == 'T') a -= static_cast<std::int64_t>(t.size()) - 2;
      if (t[0] == 'L') {
        std::int64_t i = std::stoll(t.substr(2));
        if (!smart_ || m >= i) return true;
        a = w_ - i;
      }
    }
    return a >= 0;
  }

  std::vector<std::string> walk(std::int64_t n, std::int64_t k, Style st, std::vector<Item> work) {
    std::vector<std::string> out;
    auto enter = [&](std::int64_t i, const Doc& inner, const Style& next, const SGR& cmd) {
      out.push_back(sgrToken({cmd}));
      work.push_back({i, node::RestoreFormat(st)});
      work.push_back({i, inner});
      st = next;
    };
    while (true) {
      if (work.empty()) {
        out.push_back("END");
        return out;
      }
      Item it = work.back();
      work.pop_back();
      const Doc& d = it.d;
      Style next = st;
      switch (d.kind()) {
        case DocKind::Fail: out.push_back("FAIL"); return out;
        case DocKind::Empty: break;
        case DocKind::Char: out.push_back(std::string("C:") + static_cast<char>(d.character())); ++k; break;
        case DocKind::Text: out.push_back("T:" + std::string(d.textValue())); k += d.textLength(); break;
        case DocKind::Line: out.push_back("L:" + std::to_string(it.i)); n = k = it.i; break;
        case DocKind::FlatAlt: work.push_back({it.i, d.left()}); break;
        case DocKind::Cat:
          work.push_back({it.i, d.right()});
          work.push_back({it.i, d.left()});
          break;
        case DocKind::Nest: work.push_back({it.i + d.nestDelta(), d.inner()}); break;
        case DocKind::Union: {
          auto wideWork = work;
          wideWork.push_back({it.i, d.unionFirst()});
          auto a = walk(n, k, st, wideWork);
          if (fits(std::min(n, k), std::min(w_ - k, r_ - k + n), a)) {
            out.insert(out.end(), a.begin(), a.end());
            return out;
          }
          work.push_back({it.i, d.unionSecond()});
          break;
        }
        case DocKind::Column: work.push_back({it.i, d.applyColumn(k)}); break;
        case DocKind::Columns: work.push_back({it.i, d.applyColumns(w_)}); break;
        case DocKind::Nesting: work.push_back({it.i, d.applyNesting(it.i)}); break;
        case DocKind::Color:
          (d.colorLayer() == ConsoleLayer::Foreground ? next.foreground : next.background) =
              std::pair{d.colorIntensity(), d.colorValue()};
          enter(it.i, d.inner(), next, vtcontrol::SetColor{d.colorLayer(), d.colorIntensity(), d.colorValue()});
          break;
        case DocKind::Intensify:
          next.intensity = d.consoleIntensity();
          enter(it.i, d.inner(), next, vtcontrol::SetConsoleIntensity{d.consoleIntensity()});
          break;
        case DocKind::Italicize:
          next.italic = d.italicized();
          enter(it.i, d.inner(), next, vtcontrol::SetItalicized{d.italicized()});
          break;
        case DocKind::Underline:
          next.underlining = d.underlining();
          enter(it.i, d.inner(), next, vtcontrol::SetUnderlining{d.underlining()});
          break;
        case DocKind::RestoreFormat: {
          const Style& s = d.restoredStyle();
          std::vector<SGR> cmds{vtcontrol::Reset{}};
          if (s.foreground) cmds.push_back(vtcontrol::SetColor{ConsoleLayer::Foreground, s.foreground->first, s.foreground->second});
          if (s.background) cmds.push_back(vtcontrol::SetColor{ConsoleLayer::Background, s.background->first, s.background->second});
          if (s.intensity) cmds.push_back(vtcontrol::SetConsoleIntensity{*s.intensity});
          if (s.italic) cmds.push_back(vtcontrol::SetItalicized{*s.italic});
          if (s.underlining) cmds.push_back(vtcontrol::SetUnderlining{*s.underlining});
          out.push_back(sgrToken(cmds));
          st = s;
          break;
        }
      }
    }
  }

  std::int64_t w_;
  std::int64_t r_;
  bool smart_;
};

// Small random documents using every kind of node.
class RandomDoc {
 public:
  explicit RandomDoc(unsigned seed) : rng_(seed) {}

  Doc make(int depth) {
    if (depth == 0) return leaf();
    switch (pick(18)) {
      case 0: return make(depth - 1) + make(depth - 1);
      case 1: return above(make(depth - 1), make(depth - 1));
      case 2: return group(make(depth - 1));
      case 3: return nest(static_cast<std::int64_t>(pick(4)), make(depth - 1));
      case 4: return align(make(depth - 1));
      case 5: return fillSep({make(depth - 1), make(depth - 1), leaf()});
      case 6: return list({make(depth - 1), leaf(), leaf()});
      case 7: return red(make(depth - 1));
      case 8: return ondullblue(bold(make(depth - 1)));
      case 9: return underline(node::Italicize(pick(2) == 0, make(depth - 1)));
      case 10: return fill(static_cast<std::int64_t>(pick(8)), make(depth - 1));
      case 11: return fillBreak(static_cast<std::int64_t>(pick(5)), make(depth - 1));
      case 12: return softAboveBreak(make(depth - 1), make(depth - 1));
      case 13: return flatAlt(make(depth - 1), leaf());
      case 14: return hang(2, sep({make(depth - 1), leaf()}));
      case 15: return flatAlt(make(depth - 1), group(make(depth - 1)));
      case 16: return group(flatAlt(make(depth - 1), hardline() + leaf()));
      default: return group(make(depth - 1) + hardline() + leaf());
    }
  }

 private:
  unsigned pick(unsigned n) { return std::uniform_int_distribution<unsigned>(0, n - 1)(rng_); }
  Doc leaf() {
    static const char* words[] = {"a", "bb", "ccc", "dddd", "eeeee", "fffffffff", ""};
    switch (pick(6)) {
      case 0: return line();
      case 1: return softline();
      case 2: return char_(U'x');
      default: return text(words[pick(7)]);
    }
  }
  std::mt19937 rng_;
};

TEST(GalleyRender, AgreesWithTheDirectModel) {
  int compared = 0;
  for (unsigned seed = 1; seed <= 250; ++seed) {
    Doc d = RandomDoc(seed).make(4);
    for (std::int64_t w : {-1, 0, 4, 9, 16, 30}) {
      for (float ribbon : {0.0f, 0.4f, 1.0f}) {
        ASSERT_EQ(tokens(renderPretty(ribbon, w, d)), Model(ribbon, w, false).run(d))
            << "seed " << seed << " width " << w << " ribbon " << ribbon;
        ASSERT_EQ(tokens(renderSmart(ribbon, w, d)), Model(ribbon, w, true).run(d))
            << "smart, seed " << seed << " width " << w << " ribbon " << ribbon;
        ++compared;
      }
    }
  }
  EXPECT_EQ(compared, 250 * 18);
}

// displayS writes the engine's output straight into its string; displayIO
// reads the element stream. Both must give the same text, up to an SFail.
TEST(GalleyRender, DirectDisplayAgreesWithTheElementStream) {
  auto both = [](const SimpleDocElement*, auto render) {
    std::string direct;
    std::ostringstream streamed;
    bool directFailed = false, streamedFailed = false;
    try {
      displayS(render(), direct);
    } catch (const Error&) {
      directFailed = true;
    }
    try {
      displayIO(streamed, render());
    } catch (const Error&) {
      streamedFailed = true;
    }
    EXPECT_EQ(directFailed, streamedFailed);
    return std::pair{direct, streamed.str()};
  };
  for (unsigned seed = 1; seed <= 150; ++seed) {
    Doc d = RandomDoc(seed).make(4);
    for (std::int64_t w : {0, 9, 30}) {
      auto [a, b] = both(nullptr, [&] { return renderPretty(0.4f, w, d); });
      ASSERT_EQ(a, b) << "seed " << seed << " width " << w;
      auto [c, e] = both(nullptr, [&] { return renderSmart(1.0f, w, d); });
      ASSERT_EQ(c, e) << "smart, seed " << seed << " width " << w;
    }
  }
  // a stream partly read goes on where it stopped
  SimpleDoc s = renderPretty(0.4f, 5, above(text("one"), nest(2, above(text("two"), text("three")))));
  auto it = s.begin();
  EXPECT_EQ(it->text, "one");
  EXPECT_EQ(displayS(std::move(s)), "\ntwo\n  three");
}

// Each rendering makes its cells in memory of its own while it runs; lazy
// streams read by turns, handed to another thread, or left half read must
// neither mix those cells up nor lose them.
TEST(GalleyRender, StreamsReadByTurnsAndAcrossThreads) {
  for (unsigned seed = 1; seed <= 40; ++seed) {
    const Doc a = RandomDoc(seed).make(4);
    const Doc b = RandomDoc(seed + 1000).make(4);
    const auto aloneA = tokens(renderSmart(1.0f, 20, a));
    const auto aloneB = tokens(renderPretty(0.5f, 12, b));

    SimpleDoc sa = renderSmart(1.0f, 20, a);
    SimpleDoc sb = renderPretty(0.5f, 12, b);
    std::vector<std::string> turnsA, turnsB;
    for (bool moreA = true, moreB = true; moreA || moreB;) {
      const SimpleDocElement* e = moreA ? sa.pull() : nullptr;
      if ((moreA = e != nullptr)) turnsA.push_back(token(*e));
      const SimpleDocElement* f = moreB ? sb.pull() : nullptr;
      if ((moreB = f != nullptr)) turnsB.push_back(token(*f));
    }
    ASSERT_EQ(turnsA, aloneA) << "seed " << seed;
    ASSERT_EQ(turnsB, aloneB) << "seed " << seed;

    // begun here, finished on another thread, then one dropped half read there
    SimpleDoc moved = renderSmart(1.0f, 20, a);
    SimpleDoc dropped = renderPretty(0.5f, 12, b);
    std::vector<std::string> split{token(*moved.pull())};
    dropped.pull();
    std::thread([&] {
      while (const SimpleDocElement* e = moved.pull()) split.push_back(token(*e));
      SimpleDoc gone = std::move(dropped);
      gone.pull();
    }).join();
    ASSERT_EQ(split, aloneA) << "seed " << seed;
  }
}

TEST(GalleyRender, ElementsKeepTheirTextsAlive) {
  // texts of the caller's document and texts made by column functions
  std::vector<SimpleDocElement> kept;
  {
    Doc d = group(text(std::string(40, 'a')) + line() + column([](std::int64_t k) { return int_(k * 1000); }) +
                  nest(2, hardline() + text("tail")));
    SimpleDoc s = renderPretty(0.4f, 20, d);
    for (const SimpleDocElement& e : s) kept.push_back(e);
  }
  std::string texts;
  for (const SimpleDocElement& e : kept) {
    if (e.kind == SimpleDocKind::SText) texts += std::string(e.text) + "|";
  }
  EXPECT_EQ(texts, std::string(40, 'a') + "|0|tail|");
}

// flatten written straight from its rules, recursively.
Doc naiveFlatten(const Doc& d) {
  switch (d.kind()) {
    case DocKind::Line: return node::Fail();
    case DocKind::FlatAlt: return d.right();
    // the random documents' Unions are all groups: wide form flatten(narrow)
    case DocKind::Union: return naiveFlatten(naiveFlatten(d.unionSecond()));
    case DocKind::Cat: return node::Cat(naiveFlatten(d.left()), naiveFlatten(d.right()));
    case DocKind::Nest: return node::Nest(d.nestDelta(), naiveFlatten(d.inner()));
    case DocKind::Column: return node::Column([d](std::int64_t k) { return naiveFlatten(d.applyColumn(k)); });
    case DocKind::Columns:
      return node::Columns([d](std::optional<std::int64_t> w) { return naiveFlatten(d.applyColumns(w)); });
    case DocKind::Nesting: return node::Nesting([d](std::int64_t i) { return naiveFlatten(d.applyNesting(i)); });
    case DocKind::Color: return node::Color(d.colorLayer(), d.colorIntensity(), d.colorValue(), naiveFlatten(d.inner()));
    case DocKind::Intensify: return node::Intensify(d.consoleIntensity(), naiveFlatten(d.inner()));
    case DocKind::Italicize: return node::Italicize(d.italicized(), naiveFlatten(d.inner()));
    case DocKind::Underline: return node::Underline(d.underlining(), naiveFlatten(d.inner()));
    default: return d;
  }
}

TEST(GalleyRender, FlattenAgreesWithItsRules) {
  for (unsigned seed = 1; seed <= 150; ++seed) {
    Doc d = RandomDoc(seed).make(4);
    for (std::int64_t w : {5, 30}) {
      ASSERT_EQ(tokens(renderPretty(1.0f, w, flatten(d))), tokens(renderPretty(1.0f, w, naiveFlatten(d)))) << seed;
      ASSERT_EQ(tokens(renderPretty(1.0f, w, flatten(flatten(d)))),
                tokens(renderPretty(1.0f, w, naiveFlatten(naiveFlatten(d)))))
          << seed;
    }
  }
}

TEST(GalleyRender, RibbonWidth) {
  EXPECT_EQ(ribbonWidth(0.4f, 80), 32);
  EXPECT_EQ(ribbonWidth(1.5f, 80), 80);
  EXPECT_EQ(ribbonWidth(-0.5f, 80), 0);
  EXPECT_EQ(ribbonWidth(0.5f, 5), 2);  // 2.5 rounds to even
  EXPECT_EQ(ribbonWidth(0.5f, 7), 4);  // 3.5 rounds to even
  EXPECT_EQ(ribbonWidth(0.5f, -10), 0);
  EXPECT_EQ(ribbonWidth(std::numeric_limits<float>::quiet_NaN(), 80), 0);
  EXPECT_EQ(ribbonWidth(std::numeric_limits<float>::infinity(), 80), 80);
  EXPECT_EQ(ribbonWidth(1.0f, INT64_MAX), INT64_MAX);
}

TEST(GalleyRender, RibbonVersusWidth) {
  Doc d = group(above(text(std::string(20, 'a')), text(std::string(20, 'b'))));
  const std::string flat = std::string(20, 'a') + " " + std::string(20, 'b');
  const std::string broken = std::string(20, 'a') + "\n" + std::string(20, 'b');
  EXPECT_EQ(displayS(renderPretty(0.4f, 80, d)), broken);  // 41 > ribbon 32
  EXPECT_EQ(displayS(renderPretty(1.0f, 80, d)), flat);
  EXPECT_EQ(displayS(renderPretty(1.0f, 40, d)), broken);
  EXPECT_EQ(displayS(renderPretty(1.0f, 0, group(above(text("a"), text("b"))))), "a\nb");
  EXPECT_EQ(displayS(renderPretty(1.0f, -5, group(above(text("a"), text("b"))))), "a\nb");
  // ribbon 0: only a group with nothing before the next break stays flat
  EXPECT_EQ(displayS(renderPretty(0.0f, 80, group(empty()) + hardline() + group(above(text("a"), text("b"))))),
            "\na\nb");
  EXPECT_EQ(tokens(renderPretty(0.0f, 80, group(linebreak()) + hardline())), (std::vector<std::string>{"L:0", "END"}));
}

TEST(GalleyRender, SmartLooksAtDeeperLines) {
  // a group followed, after a break indented deeper than the group, by a
  // line too long for the page
  Doc d = group(above(text("a"), text("b"))) + nest(2, line() + text(std::string(30, 'x')));
  EXPECT_EQ(displayS(renderPretty(1.0f, 20, d)), "a b\n  " + std::string(30, 'x'));
  EXPECT_EQ(displayS(renderSmart(1.0f, 20, d)), "a\nb\n  " + std::string(30, 'x'));
  // a line at or left of the group's start ends the look-ahead
  Doc shallow = group(above(text("a"), text("b"))) + hardline() + text(std::string(30, 'x'));
  EXPECT_EQ(displayS(renderSmart(1.0f, 20, shallow)), "a b\n" + std::string(30, 'x'));
}

TEST(GalleyRender, StyleCommandsRestoreTheEnclosingStyle) {
  EXPECT_EQ(tokens(renderPretty(0.4f, 80, red(text("d")))),
            (std::vector<std::string>{"G:SetColor Foreground Vivid Red;", "T:d", "G:Reset;", "END"}));
  EXPECT_EQ(tokens(renderPretty(0.4f, 80, red(bold(text("d"))))),
            (std::vector<std::string>{"G:SetColor Foreground Vivid Red;", "G:SetConsoleIntensity BoldIntensity;", "T:d",
                                      "G:Reset;SetColor Foreground Vivid Red;", "G:Reset;", "END"}));
  Doc all = ondullgreen(node::Italicize(true, underline(debold(red(text("z"))))));
  auto t = tokens(renderPretty(0.4f, 80, all));
  ASSERT_EQ(t.size(), 12u);
  EXPECT_EQ(t[6], "G:Reset;SetColor Background Dull Green;SetConsoleIntensity NormalIntensity;"
                  "SetItalicized true;SetUnderlining SingleUnderline;");
  EXPECT_EQ(t[10], "G:Reset;");
  // no styles, no escape codes
  for (const auto& s : tokens(renderPretty(0.4f, 80, list({text("a"), text("b")})))) EXPECT_NE(s[0], 'G');
}

TEST(GalleyRender, CompactMakesNoChoices) {
  EXPECT_EQ(displayS(renderCompact(nest(4, above(text("a"), text("b"))))), "a\nb");
  EXPECT_EQ(displayS(renderCompact(group(nest(4, above(text("a"), text("b")))))), "a\nb");
  EXPECT_EQ(displayS(renderCompact(red(text("a")) + node::RestoreFormat(Style{}))), "a");
  EXPECT_EQ(displayS(renderCompact(text("ab") + column([](std::int64_t k) { return int_(k); }) +
                                   nest(5, nesting([](std::int64_t i) { return int_(i); })))),
            "ab20");
  EXPECT_EQ(displayS(renderCompact(flatAlt(text("n"), text("f")))), "n");
}

TEST(GalleyRender, HardLinesAndFailure) {
  EXPECT_EQ(tokens(renderPretty(0.4f, 80, hardline())), (std::vector<std::string>{"L:0", "END"}));
  EXPECT_EQ(tokens(renderPretty(0.4f, 80, flatten(hardline()))), (std::vector<std::string>{"FAIL"}));
  EXPECT_EQ(tokens(renderCompact(text("a") + node::Fail() + text("b"))), (std::vector<std::string>{"T:a", "FAIL"}));
  // a narrow branch that fails too
  EXPECT_EQ(tokens(renderPretty(0.4f, 80, node::Union(node::Fail(), node::Fail()))), (std::vector<std::string>{"FAIL"}));
}

TEST(GalleyRender, TheWideCandidateIsLaidOutOnce) {
  int calls = 0;
  Doc probe = column([&calls](std::int64_t) {
    ++calls;
    return text("x");
  });
  Doc d = group(probe + line() + text("y"));
  EXPECT_EQ(displayS(renderPretty(1.0f, 80, d)), "x y");
  EXPECT_EQ(calls, 1);
  calls = 0;
  EXPECT_EQ(displayS(renderPretty(1.0f, 2, d)), "x\ny");
  EXPECT_EQ(calls, 2);  // the look-ahead, then the narrow branch
}

static_assert(std::ranges::input_range<SimpleDoc>);

TEST(GalleyRender, StreamIsProducedOnDemand) {
  int calls = 0;
  std::vector<Doc> items;
  for (int i = 0; i < 100; ++i) {
    items.push_back(column([&calls](std::int64_t) {
      ++calls;
      return text("item");
    }));
  }
  SimpleDoc s = renderPretty(0.4f, 80, vsep(items));
  auto it = s.begin();
  EXPECT_EQ(it->kind, SimpleDocKind::SText);
  ++it;
  EXPECT_EQ(it->kind, SimpleDocKind::SLine);
  EXPECT_LE(calls, 2);

  std::vector<std::string> firstTwo;
  SimpleDoc t = renderCompact(vsep({text("a"), text("b"), text("c")}));
  for (const SimpleDocElement& e : t | std::views::take(2)) firstTwo.push_back(token(e));
  EXPECT_EQ(firstTwo, (std::vector<std::string>{"T:a", "L:0"}));
}

TEST(GalleyRender, FitsTests) {
  auto stream = [](std::vector<SimpleDocElement> es) { return SimpleDoc(std::move(es)); };
  EXPECT_TRUE(fits1(0, 0, 3, stream({SText(3, "abc"), SEmpty()})));
  EXPECT_FALSE(fits1(0, 0, 2, stream({SText(3, "abc"), SEmpty()})));
  EXPECT_FALSE(fits1(0, 0, -1, stream({SEmpty()})));
  EXPECT_FALSE(fits1(0, 0, 5, stream({SChar(U'a'), SFail()})));
  EXPECT_TRUE(fits1(0, 0, 1, stream({SChar(U'a'), SSGR({vtcontrol::Reset{}}), SLine(9), SText(50, "")})));
  // fitsR: a deeper line must fit in the page after its indentation
  EXPECT_FALSE(fitsR(10, 0, 5, stream({SChar(U'a'), SLine(4), SText(7, "1234567"), SEmpty()})));
  EXPECT_TRUE(fitsR(10, 0, 5, stream({SChar(U'a'), SLine(4), SText(6, "123456"), SEmpty()})));
  EXPECT_TRUE(fitsR(10, 4, 5, stream({SChar(U'a'), SLine(4), SText(60, ""), SEmpty()})));
  EXPECT_TRUE(fits1(0, 0, 0, stream({})));  // a stream without SEmpty simply ends
}

TEST(GalleyRender, AnyCallableCanBeTheFitsTest) {
  EXPECT_EQ(FitsTest(fits1).builtin(), FitsTest::Builtin::Fits1);
  EXPECT_EQ(FitsTest(fitsR).builtin(), FitsTest::Builtin::FitsR);
  int asked = 0;
  FitsTest counting = [&asked](std::int64_t p, std::int64_t m, std::int64_t a, SimpleDoc s) {
    ++asked;
    return fits1(p, m, a, std::move(s));
  };
  EXPECT_EQ(counting.builtin(), FitsTest::Builtin::None);
  for (unsigned seed = 1; seed <= 40; ++seed) {
    Doc d = RandomDoc(seed).make(4);
    for (std::int64_t w : {0, 9, 30}) {
      ASSERT_EQ(tokens(renderFits(counting, 0.6f, w, d)), tokens(renderPretty(0.6f, w, d))) << seed;
    }
  }
  EXPECT_GT(asked, 0);
  // a test that never accepts gives the fully broken layout
  auto never = [](std::int64_t, std::int64_t, std::int64_t, SimpleDoc) { return false; };
  EXPECT_EQ(displayS(renderFits(never, 1.0f, 80, sep({text("a"), text("b")}))), "a\nb");
}

// A chain of groups, each followed by a line indented deeper than the group
// and finally a line too long for the page.
Doc smartChain(int groups) {
  Doc d = text(std::string(100, 'z'));
  for (int j = 0; j < groups; ++j) d = group(above(text("a"), text("b"))) + nest(1, line() + d);
  return d;
}

TEST(GalleyRender, SmartReusesDecisionsOnLongChains) {
  for (int groups = 1; groups <= 12; ++groups) {
    Doc d = smartChain(groups);
    ASSERT_EQ(tokens(renderSmart(1.0f, 80, d)), Model(1.0f, 80, true).run(d)) << groups;
  }
  std::string out = displayS(renderSmart(1.0f, 1050, smartChain(1000)));
  EXPECT_EQ(out.substr(0, 4), "a\nb\n");
  EXPECT_EQ(out.back(), 'z');
}

}  // namespace
}  // namespace quire::galley
