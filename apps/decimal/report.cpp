#include "apps/decimal/report.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>
#include <vector>

#include "apps/decimal/analysis.hpp"
#include "galley/combinators.hpp"
#include "galley/display.hpp"
#include "galley/render.hpp"

namespace quire::decimal {

namespace g = quire::galley;

namespace {

constexpr std::int64_t kIndent = 2;
constexpr std::int64_t kLabelWidth = 9;
// The longest prefix word put before a long string ("exponent ").
constexpr std::int64_t kLongestPrefix = 9;
// Narrowest value column the layout still fits into.
constexpr std::int64_t kMinimumLimit = 12;

std::string lengthNote(std::int64_t n, std::string_view what) {
  std::string note = "(";
  note += std::to_string(n);
  note += ' ';
  note += what;
  note += ')';
  return note;
}

template <class F>
std::string shortestText(F v) {
  if (std::isinf(v)) return v < 0 ? "-inf" : "inf";
  char text[64];
  auto result = std::to_chars(text, text + sizeof text, v);
  return std::string(text, result.ptr);
}

// Three significant digits are enough to judge an error.
std::string threeDigits(double v) {
  char text[32];
  std::snprintf(text, sizeof text, "%.3g", v);
  return text;
}

// Every word of the block stays within the page: long strings are elided to
// `limit` characters, and everything else is made of short words that
// fillSep may wrap onto aligned continuation lines.
class BlockBuilder {
 public:
  BlockBuilder(std::int64_t width, bool color)
      : color_(color), limit_(std::max(kMinimumLimit, width - kIndent - kLabelWidth - kLongestPrefix - 1)) {}

  g::Doc paint(g::Doc (*style)(g::Doc), g::Doc d) const { return color_ ? style(std::move(d)) : d; }

  // A label and its value; the value's line breaks align under its start.
  // Rows start a line, so the value column is known and plain padding and
  // nesting do what fill and align would, without their column functions.
  g::Doc row(std::string_view label, std::vector<g::Doc> value) const {
    auto padding = static_cast<std::int64_t>(kLabelWidth - static_cast<std::int64_t>(label.size()));
    return g::text(g::spaces(kIndent)) + paint(g::dullcyan, g::text(label)) + g::text(g::spaces(padding)) +
           g::nest(kIndent + kLabelWidth, g::fillSep(value));
  }

  // The words of a sentence, each breakable from the next.
  static void addWords(std::vector<g::Doc>& out, std::string_view sentence) {
    std::size_t start = 0;
    while (start < sentence.size()) {
      std::size_t end = sentence.find(' ', start);
      if (end == std::string_view::npos) end = sentence.size();
      if (end > start) out.push_back(g::text(sentence.substr(start, end - start)));
      start = end + 1;
    }
  }

  // prefix, a string that may be too long for the page, and suffix; then,
  // when the string was cut, the note of its length as a word of its own;
  // then punctuation.
  void addLong(std::vector<g::Doc>& out, std::string_view prefix, std::string_view s, std::string_view suffix,
               std::string_view punctuation = "") const {
    std::string shown(prefix);
    shown += elide(s, limit_);
    shown += suffix;
    if (static_cast<std::int64_t>(s.size()) > limit_) {
      out.push_back(g::text(shown));
      shown = lengthNote(static_cast<std::int64_t>(s.size()), "characters");
    }
    shown += punctuation;
    out.push_back(g::text(shown));
  }

  g::Doc header(const Location& where, std::string_view text) const {
    std::vector<g::Doc> items;
    std::vector<g::Doc> first;
    addLong(first, "", text, "");
    items.push_back(paint(g::bold, first.front()));
    items.insert(items.end(), first.begin() + 1, first.end());
    std::string place(where.source);
    place += ':' + std::to_string(where.line) + ':' + std::to_string(where.column);
    items.push_back(g::text(elide(place, limit_ + kLongestPrefix)));
    return g::fillSep(items);
  }

  g::Doc value(const DecimalShape& s) const {
    std::vector<g::Doc> items;
    if (s.isZero()) {
      items.push_back(g::text("0"));
    } else {
      std::string coefficient = s.negative ? "-" : "";
      coefficient += s.significant;
      std::string exponent = "e";
      exponent += std::to_string(s.normalExponent);
      addLong(items, "", coefficient, exponent);
    }
    return row("value", std::move(items));
  }

  g::Doc forms(const NumberFacts& f) const {
    std::vector<g::Doc> items;
    addLong(items, "generic ", f.generic, "", ",");
    if (f.fixedShown) {
      addLong(items, "fixed ", f.fixed, "", ",");
    } else {
      // The length saturates at the 64-bit limit.
      std::string note = f.fixedLength == std::numeric_limits<std::int64_t>::max() ? "fixed (at least " : "fixed (";
      note += std::to_string(f.fixedLength);
      note += " characters, not written),";
      addWords(items, note);
    }
    addLong(items, "exponent ", f.exponentForm, "");
    return row("forms", std::move(items));
  }

  g::Doc integer(const NumberFacts& f) const {
    std::vector<g::Doc> items;
    if (!f.integer) {
      items.push_back(g::text("no"));
    } else if (f.signedBits == 0 && f.unsignedBits == 0) {
      addWords(items, "yes, too large for");
      items.push_back(paint(g::red, g::text("every")));
      addWords(items, "64-bit type");
    } else {
      addWords(items, "yes, narrowest");
      if (f.signedBits != 0) {
        items.push_back(paint(g::green, g::text(integerTypeName(f.signedBits, true))));
      } else {
        addWords(items, "(no signed type)");
      }
      items.push_back(g::text("and"));
      if (f.unsignedBits != 0) {
        items.push_back(paint(g::green, g::text(integerTypeName(f.unsignedBits, false))));
      } else {
        addWords(items, f.shape.negative ? "(no unsigned type: negative)" : "(no unsigned type)");
      }
    }
    return row("integer", std::move(items));
  }

  // "0.1 (rounded, relative error 5.55e-17)", "2.5 (exact)", "inf (overflow)".
  template <class F>
  g::Doc floating(std::string_view label, const FloatingFacts& f) const {
    std::vector<g::Doc> items{g::text(shortestText(static_cast<F>(f.value)))};
    g::Doc word = outcomeWord(f.outcome);
    if (f.outcome == Conversion::Rounded) {
      items.push_back(g::text("(") + word + g::text(","));
      items.push_back(g::text("relative"));
      items.push_back(g::text("error"));
      items.push_back(g::text(threeDigits(f.relativeError) + ")"));
    } else {
      items.push_back(g::text("(") + word + g::text(")"));
    }
    return row(label, std::move(items));
  }

  g::Doc binary(std::int64_t size) const {
    return row("binary", {g::text(std::to_string(size)), g::text(size == 1 ? "byte" : "bytes")});
  }

 private:
  g::Doc outcomeWord(Conversion c) const {
    g::Doc word = g::text(conversionName(c));
    switch (c) {
      case Conversion::Exact: return paint(g::green, word);
      case Conversion::Rounded: return paint(g::yellow, word);
      case Conversion::Overflow:
      case Conversion::Underflow: return paint(g::red, word);
    }
    return word;
  }

  bool color_;
  std::int64_t limit_;
};

}  // namespace

std::string elide(std::string_view s, std::int64_t limit) {
  if (static_cast<std::int64_t>(s.size()) <= limit) return std::string(s);
  auto keep = static_cast<std::size_t>(std::max<std::int64_t>(1, (limit - 3) / 2));
  std::string out(s.substr(0, keep));
  out += "...";
  out += s.substr(s.size() - keep);
  return out;
}

g::Doc numberBlock(const Location& where, const NumberFacts& f, std::int64_t width, bool color) {
  BlockBuilder b(width, color);
  return g::vcat({b.header(where, f.text), b.value(f.shape), b.forms(f), b.integer(f),
                  b.floating<double>("double", f.asDouble), b.floating<float>("float", f.asFloat),
                  b.binary(f.binarySize)});
}

g::Doc summaryLine(const Tally& t, bool color) {
  std::vector<g::Doc> items;
  BlockBuilder::addWords(items, t.line());
  g::Doc line = g::fillSep(items);
  if (!color) return line;
  return t.bad > 0 ? g::red(line) : g::bold(line);
}

PrettyReporter::PrettyReporter(std::ostream& out, std::int64_t width, bool color)
    : out_(out), width_(width), color_(color) {}

void PrettyReporter::display(const g::Doc& doc) {
  g::displayIO(out_, g::renderPretty(1.0f, width_, doc));
  out_ << '\n';
}

void PrettyReporter::number(const Location& where, const NumberFacts& facts) {
  if (!first_) out_ << '\n';
  first_ = false;
  display(numberBlock(where, facts, width_, color_));
}

void PrettyReporter::finish(const Tally& tally) {
  if (!first_) out_ << '\n';
  display(summaryLine(tally, color_));
  flush();
}

void PrettyReporter::flush() { out_.flush(); }

}  // namespace quire::decimal
