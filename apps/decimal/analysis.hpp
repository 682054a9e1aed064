// Per-number facts: what happens to one decimal text when it is loaded into
// the machine types a program is likely to use. Every question is asked of
// the scientific library: the grammar and the sizes (checkDecimal), the
// layouts (formatDecimalText), integer fit (toBoundedInteger), the rounding
// to double and float (realFloatConversion) and the encoded size
// (encodedSize). The analyzer only decides which questions a value's sizes
// make worth asking: an integer fit is not asked of 1e1000000000, and a
// Fixed form of more than maxFixedPadding zeros is measured, not written.
//
// Example:
//   Analyzer analyzer;
//   auto result = analyzer.analyze("0.1", true);
//   const NumberFacts& f = *std::get<const NumberFacts*>(result);
//   // f.exponentForm == "1.0e-1", f.integer == false
//   // f.asDouble.outcome == FloatOutcome::Rounded, f.asDouble.value == 0.1
//   // f.asDouble.relativeError ~= 5.55e-17, f.binarySize == 10
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>

#include "scientific/convert.hpp"
#include "scientific/diagnose.hpp"
#include "scientific/scientific.hpp"

namespace quire::decimal {

using scientific::FloatOutcome;

std::string_view conversionName(FloatOutcome c) noexcept;  // "exact", "rounded", ...
// "int8" ... "uint64" for 8, 16, 32 or 64 bits; "" for 0.
std::string_view integerTypeName(int bits, bool isSigned) noexcept;

struct NumberFacts {
  std::string_view text;          // the token as read
  scientific::DecimalText shape;  // views into text
  scientific::Scientific value;   // as read: 1.50 is (150, -2)

  // Filled only when forms are asked for.
  std::string generic;
  std::string exponentForm;
  std::string fixed;             // empty when not written (see fixedShown)
  bool fixedShown = true;        // false when longer than the padding limit
  std::int64_t fixedLength = 0;  // characters of the Fixed form (saturating)

  bool integer = false;
  int signedBits = 0;    // 8, 16, 32 or 64; 0 when no signed type holds it
  int unsignedBits = 0;  // the same for unsigned types

  scientific::FloatConversion<double> asDouble;
  scientific::FloatConversion<float> asFloat;
  std::int64_t binarySize = 0;  // bytes of the binary encoding as read

  // The significant digits with the sign ("-1234"; "0" for zero), into out.
  void coefficientText(std::string& out) const;
};

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
