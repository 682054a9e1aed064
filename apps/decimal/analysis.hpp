// Per-number facts: what happens to one decimal token when it is loaded into
// the machine types a program is likely to use.
//
// For each token the Analyzer reports the normalised exact value, its three
// renderings, whether it is an integer and the narrowest signed and unsigned
// fixed-width types that hold it, the nearest double and float with the kind
// of conversion (exact, rounded, overflow to infinity, underflow to zero) and
// the relative error of a rounded conversion, and the size of the binary
// encoding of the value as read.
//
// Everything that sizes alone decide is decided from the token's shape
// (decimal_text.hpp) before any number is built: 1e1000000000 overflows and
// 1e-1000000000 underflows at once, a value whose integer part has more than
// twenty digits fits no 64-bit type, and a positional rendering that would
// need more than maxFixedPadding zeros is measured instead of written.
//
// Example:
//   Analyzer analyzer;
//   auto result = analyzer.analyze("0.1");
//   const NumberFacts& f = *std::get<const NumberFacts*>(result);
//   // f.exponentForm == "1.0e-1", f.integer == false
//   // f.asDouble.outcome == Conversion::Rounded, f.asDouble.value == 0.1
//   // f.asDouble.relativeError ~= 5.55e-17, f.binarySize == 10
#pragma once

#include <gmpxx.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>

#include "apps/decimal/decimal_text.hpp"
#include "scientific/scientific.hpp"

namespace quire::decimal {

enum class Conversion { Exact, Rounded, Overflow, Underflow };

std::string_view conversionName(Conversion c) noexcept;  // "exact", "rounded", ...
// "int8" ... "uint64" for 8, 16, 32 or 64 bits; "" for 0.
std::string_view integerTypeName(int bits, bool isSigned) noexcept;

struct FloatingFacts {
  Conversion outcome = Conversion::Exact;
  double value = 0;          // the nearest value (a float widened exactly)
  double relativeError = 0;  // |nearest - exact| / |exact|; 0 unless Rounded
};

struct NumberFacts {
  std::string_view text;  // the token as read
  DecimalShape shape;     // sign, significant digits, exponents

  std::string generic;
  std::string exponentForm;
  std::string fixed;            // empty when not written (see fixedShown)
  bool fixedShown = true;       // false when longer than the padding limit
  std::int64_t fixedLength = 0; // characters of the Fixed form (saturating)

  bool integer = false;
  int signedBits = 0;    // 8, 16, 32 or 64; 0 when no signed type holds it
  int unsignedBits = 0;  // the same for unsigned types

  FloatingFacts asDouble;
  FloatingFacts asFloat;
  std::int64_t binarySize = 0;  // bytes of the binary encoding as read
};

class Analyzer {
 public:
  // Fixed forms needing more zeros than this around the digits are measured,
  // not written.
  static constexpr std::int64_t maxFixedPadding = 4096;

  // The facts of one token, or why it is not a number. The facts stay valid
  // until the next call.
  std::variant<const NumberFacts*, ScanError> analyze(std::string_view token);

 private:
  void analyzeForms();
  void analyzeIntegerFit();
  void analyzeFloating();
  void analyzeBinarySize();
  template <class F>
  FloatingFacts nearest();

  NumberFacts facts_;
  scientific::Scientific value_;      // the normalised value
  scientific::Scientific truncated_;  // its first digits, for binary rounding
  // Scratch kept between calls so that short tokens allocate nothing.
  std::string scratch_;
  std::string digitsText_;
  mpz_class coefficient_;
  mpz_class truncatedDigits_;
  mpz_class absDigits_;
};

}  // namespace quire::decimal
