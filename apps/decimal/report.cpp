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
#include "galley/combinators.hpp"
#include "galley/display.hpp"
#include "galley/filler.hpp"
#include "galley/render.hpp"
#include "quill/json.hpp"
#include "scientific/convert.hpp"
#include "scientific/format.hpp"
#include "base/utf8.hpp"

namespace quire::decimal {

namespace g = quire::galley;
namespace sci = quire::scientific;

namespace {

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

// The report's styles; all empty when it is not coloured.
struct Palette {
  g::StyleCode bold, label, good, warn, bad;
};
const Palette kPlain;
const Palette kColored{
    g::StyleCode(g::Style{.intensity = vtcontrol::ConsoleIntensity::BoldIntensity}),
    g::StyleCode(g::Style{.foreground = std::pair{vtcontrol::ColorIntensity::Dull, vtcontrol::Color::Cyan}}),
    g::StyleCode(g::Style{.foreground = std::pair{vtcontrol::ColorIntensity::Vivid, vtcontrol::Color::Green}}),
    g::StyleCode(g::Style{.foreground = std::pair{vtcontrol::ColorIntensity::Vivid, vtcontrol::Color::Yellow}}),
    g::StyleCode(g::Style{.foreground = std::pair{vtcontrol::ColorIntensity::Vivid, vtcontrol::Color::Red}})};
const Palette& palette(bool color) noexcept { return color ? kColored : kPlain; }

std::int64_t characters(std::string_view s) noexcept { return static_cast<std::int64_t>(countUtf8Characters(s)); }

// A report's line of words (its summary) appended to a string.
void appendWords(std::string& out, std::string_view sentence, std::int64_t width) {
  const std::size_t start = out.size();
  out.resize(start + 2 * sentence.size() + 1);  // each word at most its space or a line break before it
  g::LineFiller fill(out.data() + start, width);
  fill.words(sentence);
  fill.endLine();
  out.resize(static_cast<std::size_t>(fill.position() - out.data()));
}

const g::StyleCode& outcomeStyle(const Palette& p, FloatOutcome c) {
  switch (c) {
    case FloatOutcome::Exact: return p.good;
    case FloatOutcome::Rounded: return p.warn;
    case FloatOutcome::Overflow:
    case FloatOutcome::Underflow: return p.bad;
  }
  return p.bad;
}

// A double or float in the forms' notation (the shortest digits that read
// back as v, laid out by the library like every other form); at most
// kFloatTextLength characters.
constexpr std::size_t kFloatTextLength = quill::json::maxShortestLength + 8;
template <class F>
char* writeFloatText(char* out, F v) {
  const auto put = [&out](std::string_view s) {
    std::memcpy(out, s.data(), s.size());
    return out + s.size();
  };
  if (std::isinf(v)) return put(v < 0 ? "-inf" : "inf");
  if (v == 0) return put(std::signbit(v) ? "-0.0" : "0.0");
  char text[quill::json::maxShortestLength];
  const std::string_view shortest(text, static_cast<std::size_t>(quill::json::storeShortest(text, v) - text));
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
      : fill_(out, width), styles_(palette(color)), limit_(valueLimit(width)) {}

  static std::int64_t valueLimit(std::int64_t width) noexcept {
    return std::max(kMinimumLimit, width - kIndent - kLabelWidth - kLongestPrefix - 1);
  }
  char* position() const noexcept { return fill_.position(); }

  // prefix, a string that may be too long for the page, and suffix; then,
  // when the string was cut, the note of its length as a word of its own;
  // then punctuation.
  template <class Text>
  void longWord(std::string_view prefix, const Text& s, std::string_view suffix, std::string_view punctuation = "",
                const g::StyleCode& style = {}) {
    const std::int64_t size = g::elisionLength(s);
    const bool cut = size > limit_;
    const auto around = static_cast<std::int64_t>(prefix.size() + suffix.size());
    fill_.beginWord(around + (cut ? g::elidedWidth(limit_) : size + static_cast<std::int64_t>(punctuation.size())));
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
    longWord("", g::AsciiText{text}, "", "", styles_.bold);  // a number token is ASCII
    char line[24], column[24];
    const std::string_view lineText = digitsOf(line, where.line), columnText = digitsOf(column, where.column);
    const std::int64_t placeWidth =
        sourceCharacters(where.source) + static_cast<std::int64_t>(lineText.size() + columnText.size()) + 2;
    if (placeWidth > limit_ + kLongestPrefix) {
      std::string place(where.source);
      place.append(1, ':').append(lineText).append(1, ':').append(columnText);
      fill_.elidedWord(std::string_view(place), limit_ + kLongestPrefix);
    } else {
      fill_.beginWord(placeWidth);
      fill_.put(where.source);
      fill_.put(":");
      fill_.put(lineText);
      fill_.put(":");
      fill_.put(columnText);
    }
    if (!where.pointer.empty()) fill_.elidedWord(where.pointer, limit_ + kLongestPrefix);
    fill_.endLine();
  }

  void value(const NumberFacts& f) {
    startRow("value");
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
    startRow("forms");
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
    startRow("integer");
    if (!f.integer) {
      fill_.word("no");
    } else if (f.signedBits == 0 && f.unsignedBits == 0) {
      fill_.words("yes, too large for");
      fill_.word(g::Styled("every", styles_.bad));
      fill_.words("64-bit type");
    } else {
      fill_.words("yes, narrowest");
      if (f.signedBits != 0) {
        fill_.word(g::Styled(integerTypeName(f.signedBits, true), styles_.good));
      } else {
        fill_.words("(no signed type)");
      }
      fill_.word("and");
      if (f.unsignedBits != 0) {
        fill_.word(g::Styled(integerTypeName(f.unsignedBits, false), styles_.good));
      } else {
        fill_.words(f.shape.negative ? "(no unsigned type: negative)" : "(no unsigned type)");
      }
    }
    fill_.endLine();
  }

  // "0.1 (rounded, relative error 5.55e-17)", "2.5 (exact)", "inf (overflow)".
  template <class F>
  void floating(std::string_view label, const sci::FloatConversion<F>& c) {
    startRow(label);
    char value[kFloatTextLength];
    fill_.word(std::string_view(value, static_cast<std::size_t>(writeFloatText(value, c.value) - value)));
    const std::string_view name = conversionName(c.outcome);
    if (c.outcome == FloatOutcome::Rounded) {
      fill_.word("(", g::Styled(name, styles_.warn), ",");
      fill_.word("relative");
      fill_.word("error");
      char error[quill::json::significantBound(3)];
      fill_.word(std::string_view(error, static_cast<std::size_t>(quill::json::storeSignificant(error, c.relativeError, 3) - error)),
                 ")");
    } else {
      fill_.word("(", g::Styled(name, outcomeStyle(styles_, c.outcome)), ")");
    }
    fill_.endLine();
  }

  void binary(std::int64_t size) {
    startRow("binary");
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

  // A row: the label padded to the value column, then words nested there.
  void startRow(std::string_view label) noexcept {
    fill_.startLine(kIndent + kLabelWidth);
    fill_.indent(kIndent);
    fill_.lead(g::Styled(label, styles_.label));
    fill_.indent(kLabelWidth - static_cast<std::int64_t>(label.size()));
  }

  g::LineFiller fill_;
  const Palette& styles_;
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
    rows.push_back({g::elide(f.name.empty() ? "(all)" : f.name, 30), std::to_string(f.numbers),
                    std::to_string(f.text + f.outsideGrammar + f.empty), counts(f.asDouble), counts(f.asFloat),
                    integerColumn(f), decimalColumn(f), f.numbers ? g::elide(f.minText, 16) : "-",
                    f.numbers ? g::elide(f.maxText, 16) : "-"});
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
  const Palette& styles = palette(color_);
  const g::StyleCode& style = tally.bad + tally.problems > 0 ? styles.bad : styles.bold;
  out += style.on();
  appendWords(out, tally.line(), width_);
  out.insert(out.size() - 1, style.off());
  out_.append(out);
  out_.flush();
}

}  // namespace quire::decimal
