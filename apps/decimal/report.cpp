#include "apps/decimal/report.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
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

// The byte offset where s's first n characters end, and where its last n
// characters start.
std::size_t afterCharacters(std::string_view s, std::int64_t n) noexcept {
  std::size_t i = 0;
  for (; i < s.size(); ++i) {
    if (startsUtf8Character(s[i]) && n-- == 0) break;
  }
  return i;
}
std::size_t beforeLastCharacters(std::string_view s, std::int64_t n) noexcept {
  std::size_t i = s.size();
  while (i > 0 && n > 0) {
    if (startsUtf8Character(s[--i])) --n;
  }
  return i;
}

// The characters of an elided text of more than limit characters.
constexpr std::int64_t elidedLength(std::int64_t limit) noexcept {
  return 2 * std::max<std::int64_t>(1, (limit - 3) / 2) + 3;
}

constexpr std::int64_t kIndent = 2;
constexpr std::int64_t kLabelWidth = 9;
// The longest prefix word put before a long string ("exponent ").
constexpr std::int64_t kLongestPrefix = 9;
// Narrowest value column the layout still fits into.
constexpr std::int64_t kMinimumLimit = 12;

// What a block may hold beyond its elided strings: it has fewer than
// kMostWords words, each at most the value column's limit plus a prefix,
// and besides that at most kWordExtra characters of exponent suffix,
// punctuation, style codes and line break with indentation.
constexpr std::int64_t kMostWords = 48;
constexpr std::int64_t kWordExtra = 96;

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

// Fills words onto lines of the page, writing through a cursor into room
// reserved for the whole block: a word goes on the current line when it
// fits after a space, otherwise on a new line at the row's indentation.
// Every word of a block but the place is ASCII (numbers, their forms and
// fixed wording), so a word's width is its size unless said otherwise.
class Filler {
 public:
  Filler(char* out, std::int64_t width, bool color) noexcept : p_(out), width_(width), color_(color) {}

  char* position() const noexcept { return p_; }

  void startLine(std::int64_t indent) noexcept {
    column_ = 0;
    indent_ = indent;
    first_ = true;
  }
  // A row: the label padded to the value column, then words nested there.
  void startRow(std::string_view label) noexcept {
    spaces(kIndent);
    styleOn(Style::Label);
    put(label);
    styleOff(Style::Label);
    spaces(kLabelWidth - static_cast<std::int64_t>(label.size()));
    column_ = kIndent + kLabelWidth;
    indent_ = column_;
    first_ = true;
  }
  // Makes room for a word of w characters: a space when it fits on the
  // line, otherwise a line break.
  void beginWord(std::int64_t w) noexcept {
    if (!first_) {
      if (column_ + 1 + w <= width_) {
        *p_++ = ' ';
        ++column_;
      } else {
        *p_++ = '\n';
        spaces(indent_);
        column_ = indent_;
      }
    }
    first_ = false;
    column_ += w;
  }
  // A word made of up to three pieces, the middle one styled.
  void word(std::string_view before, std::string_view styledPart = {}, Style style = Style::None,
            std::string_view after = {}) noexcept {
    beginWord(static_cast<std::int64_t>(before.size() + styledPart.size() + after.size()));
    put(before);
    styled(styledPart, style);
    put(after);
  }
  // A word of any UTF-8 text.
  void textWord(std::string_view s) noexcept {
    beginWord(characters(s));
    put(s);
  }
  void words(std::string_view sentence) noexcept {
    std::size_t start = 0;
    while (start < sentence.size()) {
      std::size_t end = sentence.find(' ', start);
      if (end == std::string_view::npos) end = sentence.size();
      if (end > start) word(sentence.substr(start, end - start));
      start = end + 1;
    }
  }
  void put(std::string_view s) noexcept {
    if (s.empty()) return;  // an empty view may have no address, which memcpy must not see
    std::memcpy(p_, s.data(), s.size());
    p_ += s.size();
  }
  void put(const scientific::DecimalTextLayout& l) noexcept { p_ = l.copyTo(p_); }
  // s (a view or a layout) whole when it has at most limit characters,
  // otherwise its ends.
  template <class Text>
  void putElided(const Text& s, std::int64_t limit) noexcept {
    const std::int64_t size = textLength(s);
    if (size <= limit) {
      put(s);
      return;
    }
    const std::int64_t keep = (elidedLength(limit) - 3) / 2;
    const auto sink = [this](std::string_view piece) { put(piece); };
    writeText(s, sink, 0, keep);
    put("...");
    writeText(s, sink, size - keep, keep);
  }
  void styleOn(Style style) noexcept {
    if (color_ && style != Style::None) put(styleCode(style));
  }
  void styleOff(Style style) noexcept {
    if (color_ && style != Style::None) put(kReset);
  }
  void styled(std::string_view s, Style style) noexcept {
    if (s.empty()) return;
    styleOn(style);
    put(s);
    styleOff(style);
  }
  void endLine() noexcept { *p_++ = '\n'; }

 private:
  void spaces(std::int64_t n) noexcept {
    std::memset(p_, ' ', static_cast<std::size_t>(n));
    p_ += n;
  }

  char* p_;
  std::int64_t width_;
  bool color_;
  std::int64_t column_ = 0;
  std::int64_t indent_ = 0;
  bool first_ = true;
};

// A report's line of words (its summary) appended to a string.
void appendWords(std::string& out, std::string_view sentence, std::int64_t width) {
  const std::size_t start = out.size();
  out.resize(start + 2 * sentence.size() + 1);  // each word at most its space or a line break before it
  Filler fill(out.data() + start, width, false);
  fill.startLine(0);
  fill.words(sentence);
  fill.endLine();
  out.resize(static_cast<std::size_t>(fill.position() - out.data()));
}

Style outcomeStyle(FloatOutcome c) {
  switch (c) {
    case FloatOutcome::Exact: return Style::Good;
    case FloatOutcome::Rounded: return Style::Warn;
    case FloatOutcome::Overflow:
    case FloatOutcome::Underflow: return Style::Bad;
  }
  return Style::None;
}

// A double or float in the forms' notation (the shortest digits that read
// back as v, laid out by the library like every other form); at most
// kFloatTextLength characters.
constexpr std::size_t kFloatTextLength = maxShortestLength + 8;
template <class F>
char* writeFloatText(char* out, F v) {
  const auto put = [&out](std::string_view s) {
    std::memcpy(out, s.data(), s.size());
    return out + s.size();
  };
  if (std::isinf(v)) return put(v < 0 ? "-inf" : "inf");
  if (v == 0) return put(std::signbit(v) ? "-0.0" : "0.0");
  char text[maxShortestLength];
  const std::string_view shortest(text, static_cast<std::size_t>(writeShortest(text, v) - text));
  return sci::layoutDecimalText(sci::FPFormat::Generic, std::get<sci::DecimalText>(sci::checkDecimal(shortest)))
      .copyTo(out);
}

template <class T>
std::string_view digitsOf(char (&buffer)[24], T v) noexcept {
  return {buffer, static_cast<std::size_t>(std::to_chars(buffer, buffer + sizeof buffer, v).ptr - buffer)};
}

class BlockWriter {
 public:
  BlockWriter(char* out, std::int64_t width, bool color) noexcept
      : fill_(out, width, color), limit_(valueLimit(width)) {}

  static std::int64_t valueLimit(std::int64_t width) noexcept {
    return std::max(kMinimumLimit, width - kIndent - kLabelWidth - kLongestPrefix - 1);
  }
  char* position() const noexcept { return fill_.position(); }

  // prefix, a string that may be too long for the page, and suffix; then,
  // when the string was cut, the note of its length as a word of its own;
  // then punctuation.
  template <class Text>
  void longWord(std::string_view prefix, const Text& s, std::string_view suffix, std::string_view punctuation = "",
                Style style = Style::None) {
    const std::int64_t size = textLength(s);
    const bool cut = size > limit_;
    const auto around = static_cast<std::int64_t>(prefix.size() + suffix.size());
    fill_.beginWord(around + (cut ? elidedLength(limit_) : size + static_cast<std::int64_t>(punctuation.size())));
    fill_.styleOn(style);
    fill_.put(prefix);
    fill_.putElided(s, limit_);
    fill_.put(suffix);
    if (cut) {
      fill_.styleOff(style);
      char digits[24];
      const std::string_view length = digitsOf(digits, size);
      constexpr std::string_view kNoteEnd = " characters)";
      fill_.beginWord(static_cast<std::int64_t>(1 + length.size() + kNoteEnd.size() + punctuation.size()));
      fill_.put("(");
      fill_.put(length);
      fill_.put(kNoteEnd);
      fill_.put(punctuation);
      return;
    }
    fill_.put(punctuation);
    fill_.styleOff(style);
  }

  void header(const Location& where, std::string_view text) {
    fill_.startLine(0);
    longWord("", text, "", "", Style::Bold);
    char line[24], column[24];
    const std::string_view lineText = digitsOf(line, where.line), columnText = digitsOf(column, where.column);
    const std::int64_t placeWidth =
        sourceCharacters(where.source) + static_cast<std::int64_t>(lineText.size() + columnText.size()) + 2;
    if (placeWidth > limit_ + kLongestPrefix) {
      std::string place(where.source);
      place.append(1, ':').append(lineText).append(1, ':').append(columnText);
      fill_.textWord(elide(place, limit_ + kLongestPrefix));
    } else {
      fill_.beginWord(placeWidth);
      fill_.put(where.source);
      fill_.put(":");
      fill_.put(lineText);
      fill_.put(":");
      fill_.put(columnText);
    }
    if (static_cast<std::int64_t>(where.pointer.size()) > limit_ + kLongestPrefix) {
      fill_.textWord(elide(where.pointer, limit_ + kLongestPrefix));
    } else if (!where.pointer.empty()) {
      fill_.textWord(where.pointer);
    }
    fill_.endLine();
  }

  void value(const NumberFacts& f) {
    fill_.startRow("value");
    if (f.shape.isZero()) {
      fill_.word("0");
    } else {
      char exponent[24];
      exponent[0] = 'e';
      const char* end = std::to_chars(exponent + 1, exponent + sizeof exponent, f.shape.normalExponent()).ptr;
      longWord("", f.coefficient, std::string_view(exponent, static_cast<std::size_t>(end - exponent)));
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
    char value[kFloatTextLength];
    fill_.word(std::string_view(value, static_cast<std::size_t>(writeFloatText(value, c.value) - value)));
    const std::string_view name = conversionName(c.outcome);
    if (c.outcome == FloatOutcome::Rounded) {
      fill_.word("(", name, Style::Warn, ",");
      fill_.word("relative");
      fill_.word("error");
      char error[maxThreeDigitsLength];
      fill_.word(std::string_view(error, static_cast<std::size_t>(writeThreeDigits(error, c.relativeError) - error)),
                 {}, Style::None, ")");
    } else {
      fill_.word("(", name, outcomeStyle(c.outcome), ")");
    }
    fill_.endLine();
  }

  void binary(std::int64_t size) {
    fill_.startRow("binary");
    char digits[24];
    fill_.word(digitsOf(digits, size));
    fill_.word(size == 1 ? "byte" : "bytes");
    fill_.endLine();
  }

 private:
  // The characters of a source name, counted once per source.
  static std::int64_t sourceCharacters(std::string_view source) noexcept {
    static thread_local std::string_view counted;
    static thread_local std::int64_t count = 0;
    if (source.data() != counted.data() || source.size() != counted.size()) {
      counted = source;
      count = characters(source);
    }
    return count;
  }

  Filler fill_;
  std::int64_t limit_;
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
  if (characters(s) <= limit) return std::string(s);
  const std::int64_t keep = (elidedLength(limit) - 3) / 2;
  std::string out(s.substr(0, afterCharacters(s, keep)));
  out += "...";
  out += s.substr(beforeLastCharacters(s, keep));
  return out;
}

std::size_t numberBlockBound(std::int64_t width) noexcept {
  return static_cast<std::size_t>(kMostWords * (BlockWriter::valueLimit(width) + kLongestPrefix + kWordExtra));
}

char* writeNumberBlock(char* out, const Location& where, const NumberFacts& f, std::int64_t width, bool color) {
  BlockWriter b(out, width, color);
  b.header(where, f.text);
  b.value(f);
  b.forms(f);
  b.integer(f);
  b.floating("double", f.asDouble);
  b.floating("float", f.asFloat);
  b.binary(f.binarySize);
  return b.position();
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
  char* p = out_.reserve(numberBlockBound(width_) + 1);
  if (!first_) *p++ = '\n';
  first_ = false;
  out_.commit(writeNumberBlock(p, where, facts, width_, color_));
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
  if (color_) out += styleCode(tally.bad + tally.problems > 0 ? Style::Bad : Style::Bold);
  appendWords(out, tally.line(), width_);
  if (color_) out.insert(out.size() - 1, kReset);
  out_.append(out);
  out_.flush();
}

}  // namespace quire::decimal
