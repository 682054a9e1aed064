#include "apps/decimal/report.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>
#include <type_traits>

#include "apps/decimal/analysis.hpp"
#include "apps/decimal/fields.hpp"
#include "apps/decimal/json_text.hpp"
#include "galley/combinators.hpp"
#include "galley/display.hpp"
#include "galley/render.hpp"
#include "scientific/convert.hpp"
#include "scientific/format.hpp"
#include "base/utf8.hpp"

namespace quire::decimal {

namespace g = quire::galley;
namespace sci = quire::scientific;

namespace {

// s whole when it has at most limit characters, otherwise its ends around "...".
template <class Text>
void appendElided(std::string& out, const Text& s, std::int64_t limit) {
  const auto append = [&out](std::string_view piece) { out += piece; };
  const std::int64_t size = textLength(s);
  if (size <= limit) {
    if constexpr (std::is_same_v<Text, scientific::DecimalTextLayout>) {
      s.appendTo(out);
    } else {
      out += s;
    }
    return;
  }
  const std::int64_t keep = std::max<std::int64_t>(1, (limit - 3) / 2);
  writeText(s, append, 0, keep);
  out += "...";
  writeText(s, append, size - keep, keep);
}

constexpr std::int64_t kIndent = 2;
constexpr std::int64_t kLabelWidth = 9;
// The longest prefix word put before a long string ("exponent ").
constexpr std::int64_t kLongestPrefix = 9;
// Narrowest value column the layout still fits into.
constexpr std::int64_t kMinimumLimit = 12;

enum class Style : std::uint8_t { None, Bold, Label, Good, Warn, Bad };

std::string_view styleCode(Style s) {
  switch (s) {
    case Style::None: return "";
    case Style::Bold: return "\x1b[1m";
    case Style::Label: return "\x1b[36m";
    case Style::Good: return "\x1b[92m";
    case Style::Warn: return "\x1b[93m";
    case Style::Bad: return "\x1b[91m";
  }
  return "";
}
constexpr std::string_view kReset = "\x1b[0m";

std::int64_t characters(std::string_view s) noexcept { return static_cast<std::int64_t>(countUtf8Characters(s)); }


// The shortest digits that read back as v, laid out by the library like
// every other form.
template <class F>
std::string floatingText(F v) {
  if (std::isinf(v)) return v < 0 ? "-inf" : "inf";
  if (v == 0) return std::signbit(v) ? "-0.0" : "0.0";
  char text[maxShortestLength];
  const std::string_view shortest(text, static_cast<std::size_t>(writeShortest(text, v) - text));
  return sci::formatDecimalText(sci::FPFormat::Generic, std::get<sci::DecimalText>(sci::checkDecimal(shortest)));
}

// Fills words onto lines of the page: a word goes on the current line when
// it fits after a space, otherwise on a new line at the row's indentation.
class Filler {
 public:
  Filler(std::string& out, std::int64_t width, bool color) : out_(out), width_(width), color_(color) {}

  void startLine(std::int64_t indent) {
    column_ = 0;
    indent_ = indent;
    first_ = true;
  }
  // A row: the label padded to the value column, then words nested there.
  void startRow(std::string_view label) {
    out_.append(static_cast<std::size_t>(kIndent), ' ');
    styled(label, Style::Label);
    out_.append(static_cast<std::size_t>(kLabelWidth - static_cast<std::int64_t>(label.size())), ' ');
    column_ = kIndent + kLabelWidth;
    indent_ = column_;
    first_ = true;
  }
  // A word made of up to three pieces, the middle one styled.
  void word(std::string_view before, std::string_view styledPart = {}, Style style = Style::None,
            std::string_view after = {}) {
    const std::int64_t w = characters(before) + characters(styledPart) + characters(after);
    if (!first_) {
      if (column_ + 1 + w <= width_) {
        out_ += ' ';
        ++column_;
      } else {
        out_ += '\n';
        out_.append(static_cast<std::size_t>(indent_), ' ');
        column_ = indent_;
      }
    }
    first_ = false;
    out_ += before;
    styled(styledPart, style);
    out_ += after;
    column_ += w;
  }
  void words(std::string_view sentence) {
    std::size_t start = 0;
    while (start < sentence.size()) {
      std::size_t end = sentence.find(' ', start);
      if (end == std::string_view::npos) end = sentence.size();
      if (end > start) word(sentence.substr(start, end - start));
      start = end + 1;
    }
  }
  void styled(std::string_view s, Style style) {
    if (s.empty()) return;
    if (!color_ || style == Style::None) {
      out_ += s;
      return;
    }
    out_ += styleCode(style);
    out_ += s;
    out_ += kReset;
  }
  void endLine() { out_ += '\n'; }

 private:
  std::string& out_;
  std::int64_t width_;
  bool color_;
  std::int64_t column_ = 0;
  std::int64_t indent_ = 0;
  bool first_ = true;
};

Style outcomeStyle(FloatOutcome c) {
  switch (c) {
    case FloatOutcome::Exact: return Style::Good;
    case FloatOutcome::Rounded: return Style::Warn;
    case FloatOutcome::Overflow:
    case FloatOutcome::Underflow: return Style::Bad;
  }
  return Style::None;
}

// Strings a block is assembled in, kept from one block to the next so that
// a block costs no allocation once they have grown.
struct BlockScratch {
  std::string word;
  std::string place;
  std::string exponent;
};

class BlockWriter {
 public:
  BlockWriter(std::string& out, std::int64_t width, bool color, BlockScratch& scratch)
      : fill_(out, width, color),
        limit_(std::max(kMinimumLimit, width - kIndent - kLabelWidth - kLongestPrefix - 1)),
        scratch_(scratch.word), place_(scratch.place), exponent_(scratch.exponent) {}

  // prefix, a string that may be too long for the page, and suffix; then,
  // when the string was cut, the note of its length as a word of its own;
  // then punctuation.
  template <class Text>
  void longWord(std::string_view prefix, const Text& s, std::string_view suffix, std::string_view punctuation = "",
                Style style = Style::None) {
    const bool cut = textLength(s) > limit_;
    scratch_.assign(prefix);
    appendElided(scratch_, s, limit_);
    scratch_ += suffix;
    if (cut) {
      fill_.word({}, scratch_, style);
      scratch_ = "(" + std::to_string(textLength(s)) + " characters)";
      style = Style::None;
    }
    scratch_ += punctuation;
    fill_.word({}, scratch_, style);
  }

  void header(const Location& where, std::string_view text) {
    fill_.startLine(0);
    longWord("", text, "", "", Style::Bold);
    place_.assign(where.source);
    appendNumber(place_.append(1, ':'), where.line);
    appendNumber(place_.append(1, ':'), where.column);
    if (static_cast<std::int64_t>(place_.size()) > limit_ + kLongestPrefix) {
      fill_.word(elide(place_, limit_ + kLongestPrefix));
    } else {
      fill_.word(place_);
    }
    if (!where.pointer.empty()) fill_.word(elide(where.pointer, limit_ + kLongestPrefix));
    fill_.endLine();
  }

  void value(const NumberFacts& f) {
    fill_.startRow("value");
    if (f.shape.isZero()) {
      fill_.word("0");
    } else {
      exponent_.assign(1, 'e');
      appendNumber(exponent_, f.shape.normalExponent());
      longWord("", f.coefficient, exponent_);
    }
    fill_.endLine();
  }

  void forms(const NumberFacts& f) {
    fill_.startRow("forms");
    longWord("generic ", f.generic, "", ",");
    if (f.fixedShown) {
      longWord("fixed ", f.fixed, "", ",");
    } else {
      const bool saturated = f.fixed.size() == std::numeric_limits<std::int64_t>::max();
      fill_.words((saturated ? "fixed (at least " : "fixed (") + std::to_string(f.fixed.size()) +
                  " characters, not written),");
    }
    longWord("exponent ", f.exponentForm, "");
    fill_.endLine();
  }

  void integer(const NumberFacts& f) {
    fill_.startRow("integer");
    if (!f.integer) {
      fill_.word("no");
    } else if (f.signedBits == 0 && f.unsignedBits == 0) {
      fill_.words("yes, too large for");
      fill_.word({}, "every", Style::Bad);
      fill_.words("64-bit type");
    } else {
      fill_.words("yes, narrowest");
      if (f.signedBits != 0) {
        fill_.word({}, integerTypeName(f.signedBits, true), Style::Good);
      } else {
        fill_.words("(no signed type)");
      }
      fill_.word("and");
      if (f.unsignedBits != 0) {
        fill_.word({}, integerTypeName(f.unsignedBits, false), Style::Good);
      } else {
        fill_.words(f.shape.negative ? "(no unsigned type: negative)" : "(no unsigned type)");
      }
    }
    fill_.endLine();
  }

  // "0.1 (rounded, relative error 5.55e-17)", "2.5 (exact)", "inf (overflow)".
  template <class F>
  void floating(std::string_view label, const sci::FloatConversion<F>& c) {
    fill_.startRow(label);
    fill_.word(floatingText(c.value));
    const std::string_view name = conversionName(c.outcome);
    if (c.outcome == FloatOutcome::Rounded) {
      fill_.word("(", name, Style::Warn, ",");
      fill_.word("relative");
      fill_.word("error");
      fill_.word(threeDigits(c.relativeError), {}, Style::None, ")");
    } else {
      fill_.word("(", name, outcomeStyle(c.outcome), ")");
    }
    fill_.endLine();
  }

  void binary(std::int64_t size) {
    fill_.startRow("binary");
    fill_.word(std::to_string(size));
    fill_.word(size == 1 ? "byte" : "bytes");
    fill_.endLine();
  }

 private:
  static void appendNumber(std::string& out, std::int64_t v) {
    char text[24];
    out.append(text, std::to_chars(text, text + sizeof text, v).ptr);
  }

  Filler fill_;
  std::int64_t limit_;
  std::string& scratch_;
  std::string& place_;
  std::string& exponent_;
};

// ---------------------------------------------------------------------------
// The field table

std::string counts(const FloatTally& t) {
  return std::to_string(t.exact) + "/" + std::to_string(t.rounded) + "/" + std::to_string(t.overflowing) + "/" +
         std::to_string(t.underflowing);
}

std::string integerColumn(const FieldStats& f) {
  if (f.numbers == 0 || f.integers != f.numbers) return "-";
  if (!f.signedNone) return std::string(integerTypeName(f.signedBits, true));
  if (!f.unsignedNone) return std::string(integerTypeName(f.unsignedBits, false));
  return "none";
}

std::string decimalColumn(const FieldStats& f) {
  if (f.numbers == 0) return "-";
  const std::int64_t p = f.precision();
  if (p > maxDecimalPrecision) return "p=" + std::to_string(p);
  return "(" + std::to_string(p) + "," + std::to_string(f.scale) + ")";
}

g::Doc paint(bool color, g::Doc (*style)(g::Doc), g::Doc d) { return color ? style(std::move(d)) : d; }

g::Doc verdictDoc(const Verdict& v, bool color) {
  g::Doc (*style)(g::Doc) = v.type == "text" ? g::red : (v.type == "double" ? g::yellow : g::green);
  std::vector<g::Doc> words{paint(color, g::bold, paint(color, style, g::text(v.type)))};
  std::size_t start = 0;
  std::string_view reason = v.reason;
  words.push_back(g::text("-"));
  while (start < reason.size()) {
    std::size_t end = reason.find(' ', start);
    if (end == std::string_view::npos) end = reason.size();
    if (end > start) words.push_back(g::text(reason.substr(start, end - start)));
    start = end + 1;
  }
  return g::fillSep(words);
}

}  // namespace

std::string elide(std::string_view s, std::int64_t limit) {
  std::string out;
  appendElided(out, s, limit);
  return out;
}

std::string floatText(double v) { return floatingText(v); }
std::string floatText(float v) { return floatingText(v); }

void writeNumberBlock(std::string& out, const Location& where, const NumberFacts& f, std::int64_t width, bool color) {
  static thread_local BlockScratch scratch;
  BlockWriter b(out, width, color, scratch);
  b.header(where, f.text);
  b.value(f);
  b.forms(f);
  b.integer(f);
  b.floating("double", f.asDouble);
  b.floating("float", f.asFloat);
  b.binary(f.binarySize);
}

g::Doc fieldTable(const std::vector<FieldStats>& fields, std::int64_t width, bool color) {
  const std::vector<std::string> heads = {"field", "numbers", "other", "double e/r/o/u", "float e/r/o/u",
                                          "integer", "decimal", "min", "max"};
  std::vector<std::vector<std::string>> rows;
  for (const FieldStats& f : fields) {
    rows.push_back({elide(f.name.empty() ? "(all)" : f.name, 30), std::to_string(f.numbers),
                    std::to_string(f.text + f.outsideGrammar + f.empty), counts(f.asDouble), counts(f.asFloat),
                    integerColumn(f), decimalColumn(f), f.numbers ? elide(f.minText, 16) : "-",
                    f.numbers ? elide(f.maxText, 16) : "-"});
  }
  std::vector<std::int64_t> widths(heads.size());
  for (std::size_t c = 0; c < heads.size(); ++c) {
    widths[c] = characters(heads[c]);
    for (const auto& r : rows) widths[c] = std::max(widths[c], characters(r[c]));
  }
  // The columns that fit the page, the float counts the first to go; too
  // narrow even then: one block per field, each cell as "head value".
  constexpr std::size_t kFloatColumn = 4;
  auto totalWidth = [&](bool withFloat) {
    std::int64_t total = -2;
    for (std::size_t c = 0; c < heads.size(); ++c) total += c == kFloatColumn && !withFloat ? 0 : widths[c] + 2;
    return total;
  };
  const bool withFloat = totalWidth(true) <= width;
  const bool table = totalWidth(withFloat) <= width;
  std::vector<std::size_t> shown;
  for (std::size_t c = 0; c < heads.size(); ++c) {
    if (c != kFloatColumn || withFloat || !table) shown.push_back(c);
  }
  std::vector<g::Doc> lines;
  auto cell = [&](std::size_t c, const std::string& s) {
    return g::text(s + std::string(static_cast<std::size_t>(widths[c] - characters(s)), ' '));
  };
  if (table) {
    std::vector<g::Doc> head;
    for (std::size_t k = 0; k < shown.size(); ++k) {
      const std::size_t c = shown[k];
      head.push_back(paint(color, g::dullcyan, k + 1 < shown.size() ? cell(c, heads[c]) : g::text(heads[c])));
      if (k + 1 < shown.size()) head.push_back(g::text("  "));
    }
    lines.push_back(g::hcat(head));
  }
  for (std::size_t i = 0; i < rows.size(); ++i) {
    if (table) {
      std::vector<g::Doc> row;
      for (std::size_t k = 0; k < shown.size(); ++k) {
        const std::size_t c = shown[k];
        const bool last = k + 1 == shown.size();
        g::Doc d = last ? g::text(rows[i][c]) : cell(c, rows[i][c]);
        row.push_back(c == 0 ? paint(color, g::bold, d) : d);
        if (!last) row.push_back(g::text("  "));
      }
      lines.push_back(g::hcat(row));
    } else {
      std::vector<g::Doc> items{paint(color, g::bold, g::text(rows[i][0]))};
      for (std::size_t c = 1; c < heads.size(); ++c) {
        items.push_back(paint(color, g::dullcyan, g::text(heads[c] == "double e/r/o/u" ? "double" : heads[c] == "float e/r/o/u" ? "float" : heads[c])) +
                        g::text(" " + rows[i][c] + (c + 1 < heads.size() ? "," : "")));
      }
      lines.push_back(g::nest(2, g::fillSep(items)));
    }
    lines.push_back(g::nest(4, g::text("    ") + verdictDoc(verdict(fields[i]), color)));
  }
  return g::vcat(lines);
}

void PrettyReporter::number(const Location& where, const NumberFacts& facts) {
  block_.clear();
  if (!first_) block_ += '\n';
  first_ = false;
  writeNumberBlock(block_, where, facts, width_, color_);
  out_.append(block_);
}

void PrettyReporter::finish(const Tally& tally, const std::vector<FieldStats>* fields) {
  std::string out;
  if (fields != nullptr) {
    if (!fields->empty()) {
      g::displayS(g::renderPretty(1.0f, width_, fieldTable(*fields, width_, color_)), out);
      out += '\n';
    }
  }
  if (!first_ || (fields != nullptr && !fields->empty())) out += '\n';
  Filler fill(out, width_, color_);
  if (color_) out += styleCode(tally.bad + tally.problems > 0 ? Style::Bad : Style::Bold);
  fill.startLine(0);
  fill.words(tally.line());
  if (color_) out += kReset;
  fill.endLine();
  out_.append(out);
  out_.flush();
}

}  // namespace quire::decimal
