// Fuzzes the layout engine on random documents built from the input through
// the public combinators, rendered at random widths and ribbons:
// - nothing crashes, and a very deep or very long document (tens of
//   thousands of nested groups, nests and styles, or a long chain of
//   concatenations) lays out without deep native recursion;
// - a line longer than the width appears only when nothing could have been
//   broken: every such line is, but for its indentation, a line of the
//   layout that breaks every group (a wide choice is taken only when the
//   whole rest of its line fits);
// - the renderers agree on the text: with white space removed, the pretty,
//   smart, compact and fully broken layouts hold the same characters;
// - styles change nothing but escape codes: rendering plain(doc) gives the
//   styled output with its SGR sequences removed, the compact renderer
//   writes none, and displayS, displayIO and show agree.
#include <fuzzer/FuzzedDataProvider.h>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <unordered_set>
#include <utility>
#include <vector>

#include "base/error.hpp"
#include "galley/combinators.hpp"
#include "galley/display.hpp"
#include "galley/doc.hpp"
#include "galley/render.hpp"
#include "fuzz/check.hpp"

namespace {

namespace gl = quire::galley;

// A document with what the checks must know about how it was built.
struct Built {
  gl::Doc doc;
  bool padded = false;   // fill or fillBreak: padding depends on the column
  bool mayFail = false;  // flatten: a hard line may become a failure
};

Built merge(Built a, const Built& b, gl::Doc doc) {
  a.doc = std::move(doc);
  a.padded |= b.padded;
  a.mayFail |= b.mayFail;
  return a;
}

std::string drawWord(FuzzedDataProvider& in, std::size_t max) {
  static const char* const kPieces[] = {"a", "b", "x", "y", "z", "1", "=", "\xC3\xA9", "\xE4\xB8\xAD", "-"};
  std::string out;
  const std::size_t n = in.ConsumeIntegralInRange<std::size_t>(1, max);
  for (std::size_t i = 0; i < n; ++i) out += kPieces[in.ConsumeIntegralInRange<int>(0, 9)];
  return out;
}

Built drawLeaf(FuzzedDataProvider& in) {
  switch (in.ConsumeIntegralInRange<int>(0, 12)) {
    case 0: return {gl::text(drawWord(in, 6))};
    case 1: return {gl::text(drawWord(in, 30))};
    case 2: return {gl::char_(in.ConsumeBool() ? U'c' : U'\u00FC')};
    case 3: return {gl::line()};
    case 4: return {gl::linebreak()};
    case 5: return {gl::softline()};
    case 6: return {gl::softbreak()};
    case 7: return {gl::hardline()};
    case 8: return {gl::space()};
    case 9: return {gl::empty()};
    case 10: return {gl::string(drawWord(in, 4) + "\n" + drawWord(in, 4))};
    case 11: return {gl::int_(in.ConsumeIntegral<std::int32_t>())};
    default: return {gl::char_(U'\n')};
  }
}

constexpr gl::Color kColors[] = {gl::Color::Black, gl::Color::Red,     gl::Color::Green, gl::Color::Yellow,
                                 gl::Color::Blue,  gl::Color::Magenta, gl::Color::Cyan,  gl::Color::White};

Built applyUnary(FuzzedDataProvider& in, Built x) {
  const std::int64_t k = in.ConsumeIntegralInRange<int>(-2, 8);
  switch (in.ConsumeIntegralInRange<int>(0, 16)) {
    case 0:
    case 1: x.doc = gl::group(x.doc); break;
    case 2: x.doc = gl::nest(k, x.doc); break;
    case 3: x.doc = gl::align(x.doc); break;
    case 4: x.doc = gl::hang(k, x.doc); break;
    case 5: x.doc = gl::indent(k, x.doc); break;
    case 6: x.doc = gl::fill(k, x.doc), x.padded = true; break;
    case 7: x.doc = gl::fillBreak(k, x.doc), x.padded = true; break;
    case 8: x.doc = gl::color(kColors[in.ConsumeIntegralInRange<int>(0, 7)], x.doc); break;
    case 9: x.doc = gl::ondullcolor(kColors[in.ConsumeIntegralInRange<int>(0, 7)], x.doc); break;
    case 10: x.doc = gl::bold(x.doc); break;
    case 11: x.doc = gl::underline(x.doc); break;
    case 12: x.doc = gl::plain(x.doc); break;
    case 13: x.doc = gl::parens(x.doc); break;
    case 14: x.doc = gl::dquotes(gl::brackets(x.doc)); break;
    case 15: x.doc = gl::node::Italicize(in.ConsumeBool(), x.doc); break;
    default: x.doc = gl::flatten(x.doc), x.mayFail = true;
  }
  return x;
}

Built applyBinary(FuzzedDataProvider& in, Built a, const Built& b) {
  switch (in.ConsumeIntegralInRange<int>(0, 5)) {
    case 0: return merge(std::move(a), b, a.doc + b.doc);
    case 1: return merge(std::move(a), b, gl::besideSpace(a.doc, b.doc));
    case 2: return merge(std::move(a), b, gl::above(a.doc, b.doc));
    case 3: return merge(std::move(a), b, gl::aboveBreak(a.doc, b.doc));
    case 4: return merge(std::move(a), b, gl::softAbove(a.doc, b.doc));
    default: return merge(std::move(a), b, gl::softAboveBreak(a.doc, b.doc));
  }
}

Built applyList(FuzzedDataProvider& in, std::vector<Built> items) {
  Built out;
  std::vector<gl::Doc> ds;
  for (const Built& b : items) {
    ds.push_back(b.doc);
    out.padded |= b.padded;
    out.mayFail |= b.mayFail;
  }
  switch (in.ConsumeIntegralInRange<int>(0, 12)) {
    case 0: out.doc = gl::fillSep(ds); break;
    case 1: out.doc = gl::hsep(ds); break;
    case 2: out.doc = gl::vsep(ds); break;
    case 3: out.doc = gl::sep(ds); break;
    case 4: out.doc = gl::cat(ds); break;
    case 5: out.doc = gl::fillCat(ds); break;
    case 6: out.doc = gl::hcat(ds); break;
    case 7: out.doc = gl::vcat(ds); break;
    case 8: out.doc = gl::list(ds); break;
    case 9: out.doc = gl::tupled(ds); break;
    case 10: out.doc = gl::semiBraces(ds); break;
    case 11: out.doc = gl::encloseSep(gl::lbrace(), gl::rbrace(), gl::text("; "), ds); break;
    default: out.doc = gl::fillSep(gl::punctuate(gl::comma(), ds));
  }
  return out;
}

// A stack program: leaves push, combinators pop their arguments.
Built drawDoc(FuzzedDataProvider& in) {
  std::vector<Built> stack;
  for (int step = 0; step < 300 && in.remaining_bytes() > 0; ++step) {
    const int op = in.ConsumeIntegralInRange<int>(0, 9);
    if (op <= 3 || stack.empty()) {
      stack.push_back(drawLeaf(in));
    } else if (op <= 5) {
      stack.back() = applyUnary(in, std::move(stack.back()));
    } else if (op <= 7 && stack.size() >= 2) {
      Built b = std::move(stack.back());
      stack.pop_back();
      stack.back() = applyBinary(in, std::move(stack.back()), b);
    } else {
      const std::size_t n = std::min(stack.size(), in.ConsumeIntegralInRange<std::size_t>(0, 6));
      std::vector<Built> items(std::make_move_iterator(stack.end() - static_cast<std::ptrdiff_t>(n)),
                               std::make_move_iterator(stack.end()));
      stack.resize(stack.size() - n);
      stack.push_back(applyList(in, std::move(items)));
    }
  }
  Built out;
  for (Built& b : stack) out = merge(std::move(out), b, out.doc + b.doc);
  return out;
}

// A document far deeper or longer than any stack could follow; `depth`
// tells how deep it went.
Built deepDoc(FuzzedDataProvider& in, int& depth) {
  depth = in.ConsumeIntegralInRange<int>(1000, 10000);
  const int kind = in.ConsumeIntegralInRange<int>(0, 3);
  gl::Doc d = gl::text("core");
  for (int i = 0; i < depth; ++i) {
    switch (kind) {
      case 0: d = gl::group(gl::nest(i % 2 == 0 ? 1 : -1, gl::text("w") + gl::line() + d)); break;
      case 1: d = gl::bold(gl::red(d) + gl::softline()); break;
      case 2: d = d + gl::text("t") + gl::softbreak(); break;
      default: d = gl::align(gl::hang(i % 3, d + gl::line())) + gl::text("u");
    }
  }
  return {d};
}

// --------------------------------------------------------------- checks

std::string stripSGR(std::string_view s) {
  std::string out;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '\x1b') {
      check(i + 1 < s.size() && s[i + 1] == '[');
      i = s.find('m', i);
      check(i != std::string_view::npos);
      continue;
    }
    out.push_back(s[i]);
  }
  return out;
}

std::string stripSpace(std::string_view s) {
  std::string out;
  for (char c : s) {
    if (c != ' ' && c != '\n') out.push_back(c);
  }
  return out;
}

std::int64_t characters(std::string_view line) {
  std::int64_t n = 0;
  for (char c : line) n += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  return n;
}

std::string_view trimmed(std::string_view line) {
  while (!line.empty() && line.front() == ' ') line.remove_prefix(1);
  while (!line.empty() && line.back() == ' ') line.remove_suffix(1);
  return line;
}

std::vector<std::string_view> linesOf(std::string_view s) {
  std::vector<std::string_view> out;
  for (std::size_t start = 0;;) {
    const std::size_t end = s.find('\n', start);
    out.push_back(s.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
    if (end == std::string_view::npos) return out;
    start = end + 1;
  }
}

// The output, or nothing when the layout failed (allowed only for a
// document that flattens a hard line).
std::optional<std::string> display(gl::SimpleDoc stream, const Built& b) {
  try {
    return gl::displayS(std::move(stream));
  } catch (const quire::Error&) {
    check(b.mayFail);
    return std::nullopt;
  }
}

bool neverFits(std::int64_t, std::int64_t, std::int64_t, gl::SimpleDoc) { return false; }

// Every line over the width is a line of the fully broken layout.
void checkOverflow(const std::string& out, const std::string& broken, std::int64_t width) {
  std::unordered_set<std::string_view> brokenLines;
  for (std::string_view line : linesOf(broken)) brokenLines.insert(trimmed(line));
  for (std::string_view line : linesOf(out)) {
    if (characters(line) > width) check(brokenLines.contains(trimmed(line)));
  }
}

// depth: 0 for an ordinary document, else how deep it goes.
void checkRenderings(const Built& b, float ribbon, std::int64_t width, int depth) {
  const bool deep = depth > 0;
  const std::optional<std::string> compact = display(gl::renderCompact(b.doc), b);
  const std::optional<std::string> broken = display(gl::renderFits(gl::FitsTest(neverFits), ribbon, width, b.doc), b);
  // Look-ahead costs make the choosing renderers slow on the deepest
  // documents (the smart one may cross every deeper line by design); the
  // walk itself is the one the fully broken layout has just taken.
  const std::optional<std::string> pretty =
      depth > 1500 ? broken : display(gl::renderPretty(ribbon, width, b.doc), b);
  const std::optional<std::string> smart = deep ? pretty : display(gl::renderSmart(ribbon, width, b.doc), b);
  if (!pretty || !smart || !compact || !broken) return;
  check(compact->find('\x1b') == std::string::npos);
  const std::string prettyText = stripSGR(*pretty), smartText = stripSGR(*smart);
  const std::string brokenText = stripSGR(*broken);
  const std::string chars = stripSpace(*compact);
  check(stripSpace(prettyText) == chars);
  check(stripSpace(smartText) == chars);
  check(stripSpace(brokenText) == chars);
  if (!b.padded) {
    checkOverflow(prettyText, brokenText, width);
    checkOverflow(smartText, brokenText, width);
  }
  if (deep) return;
  const gl::Doc plain = gl::plain(b.doc);
  check(display(gl::renderPretty(ribbon, width, plain), b) == prettyText);
  check(display(gl::renderSmart(ribbon, width, plain), b) == smartText);
  check(display(gl::renderCompact(plain), b) == *compact);
  std::ostringstream io;
  gl::displayIO(io, gl::renderPretty(ribbon, width, b.doc));
  check(io.str() == *pretty);
  if (ribbon == gl::kDefaultRibbon && width == gl::kDefaultWidth) check(gl::show(b.doc) == *pretty);
  // A consumer that stops early: a few elements, then the stream is dropped.
  gl::SimpleDoc partial = gl::renderSmart(ribbon, width, b.doc);
  int taken = 0;
  for (auto it = partial.begin(); it != partial.end() && taken < 3; ++it) ++taken;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  static constexpr float kRibbons[] = {gl::kDefaultRibbon, 1.0f, 0.0f, 0.7f, 1.5f, -0.5f, NAN};
  const float ribbon = kRibbons[in.ConsumeIntegralInRange<int>(0, 6)];
  const std::int64_t width = in.ConsumeBool() ? gl::kDefaultWidth : in.ConsumeIntegralInRange<int>(-3, 100);
  const bool deep = in.ConsumeIntegralInRange<int>(0, 63) == 63;  // exhausted input gives 0
  int depth = 0;
  const Built b = deep ? deepDoc(in, depth) : drawDoc(in);
  checkRenderings(b, ribbon, width, depth);
  return 0;
}
