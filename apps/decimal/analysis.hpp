// Per-number facts: what happens to one decimal text when it is loaded into
// the machine types a program is likely to use. Every question is asked of
// the scientific library: the grammar and the sizes (checkDecimal), the
// layouts (layoutDecimalText), integer fit (toBoundedInteger), the rounding
// to double and float (realFloatConversion) and the encoded size
// (encodedSize). The analyzer only decides which questions a value's sizes
// make worth asking: an integer fit is not asked of 1e1000000000, and a
// Fixed form of more than maxFixedPadding zeros is measured, not written.
//
// Example:
//   Analyzer analyzer;
//   auto result = analyzer.analyze("0.1", true);
//   const NumberFacts& f = *std::get<const NumberFacts*>(result);
//   // f.exponentForm.str() == "1.0e-1", f.integer == false
//   // f.asDouble.outcome == FloatOutcome::Rounded, f.asDouble.value == 0.1
//   // f.asDouble.relativeError ~= 5.55e-17, f.binarySize == 10
#pragma once

#include <cstdint>
#include <limits>
#include <string>
#include <string_view>
#include <variant>

#include "scientific/convert.hpp"
#include "scientific/diagnose.hpp"
#include "scientific/scientific.hpp"
#include "scientific/text_layout.hpp"

namespace quire::decimal {

using scientific::FloatOutcome;

std::string_view conversionName(FloatOutcome c) noexcept;  // "exact", "rounded", ...
// "int8" ... "uint64" for 8, 16, 32 or 64 bits; "" for 0.
std::string_view integerTypeName(int bits, bool isSigned) noexcept;

struct NumberFacts {
  std::string_view text;          // the token as read
  scientific::DecimalText shape;  // views into text
  scientific::Scientific value;   // as read: 1.50 is (150, -2)

  // Laid out, not written: they refer to text. Filled only when forms are
  // asked for.
  scientific::DecimalTextLayout generic;
  scientific::DecimalTextLayout exponentForm;
  scientific::DecimalTextLayout fixed;  // its size() saturates
  bool fixedShown = true;               // false when longer than the padding limit
  // The significant digits with the sign ("-1234"; "0" for zero).
  scientific::DecimalTextLayout coefficient;

  bool integer = false;
  int signedBits = 0;    // 8, 16, 32 or 64; 0 when no signed type holds it
  int unsignedBits = 0;  // the same for unsigned types

  scientific::FloatConversion<double> asDouble;
  scientific::FloatConversion<float> asFloat;
  std::int64_t binarySize = 0;  // bytes of the binary encoding as read
};

// The token and the laid-out forms alike: their length, and their
// characters [from, from + count) handed to sink(std::string_view) piece by
// piece, so that a form of a million digits is never held whole.
inline std::int64_t textLength(std::string_view s) noexcept { return static_cast<std::int64_t>(s.size()); }
inline std::int64_t textLength(const scientific::DecimalTextLayout& l) noexcept { return l.size(); }
template <class Sink>
void writeText(std::string_view s, Sink&& sink, std::int64_t from = 0,
               std::int64_t count = std::numeric_limits<std::int64_t>::max()) {
  if (from < textLength(s)) sink(s.substr(static_cast<std::size_t>(from), static_cast<std::size_t>(count)));
}
template <class Sink>
void writeText(const scientific::DecimalTextLayout& l, Sink&& sink, std::int64_t from = 0,
               std::int64_t count = std::numeric_limits<std::int64_t>::max()) {
  l.write(sink, from, count);
}

class Analyzer {
 public:
  // Fixed forms needing more zeros than this around the digits are measured,
  // not written.
  static constexpr std::int64_t maxFixedPadding = 4096;

  explicit Analyzer(scientific::Leniency leniency = scientific::Leniency::Strict) : leniency_(leniency) {}

  // The facts of one token, or why it is not a number. The facts stay valid
  // until the next call (and as long as the token's text).
  std::variant<const NumberFacts*, scientific::TextError> analyze(std::string_view token, bool withForms);

 private:
  void analyzeForms();
  void analyzeIntegerFit();

  scientific::Leniency leniency_;
  NumberFacts facts_;
};

}  // namespace quire::decimal
