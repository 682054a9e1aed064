// The verdict per field: what every value of one JSON field or CSV column
// says about the type to load it into.
//
// FieldStats counts a field's values (numbers, text, empty or null, forms
// outside the decimal grammar such as ".5" or NaN, integers written with
// leading zeros), how they convert to double and float, the narrowest
// integer types and the smallest DECIMAL(p, s) that hold all of them, and
// the least and greatest value. verdict() turns that into one type name and
// the reason for it, in this order of concerns:
//   - no numbers, leading zeros (00501 would lose its zeros), text or forms
//     outside the grammar among the numbers:             text
//   - integers only: the narrowest signed type, else uint64, else
//     decimal(p,0) up to 38 digits:                      int8 ... uint64, decimal(p,0)
//   - otherwise: double when every value is exact as a double; the smallest
//     decimal(p,s) up to 38 digits when some round; double when DECIMAL
//     would need more digits and none overflows; text otherwise.
//
// Example:
//   FieldStats price("/price");
//   price.addNumber(facts_of("19.99"));  price.addNumber(facts_of("5"));
//   verdict(price)   // {"decimal(4,2)", "1 of 2 values are not exact as double; ..."}
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "apps/decimal/analysis.hpp"

namespace quire::decimal {

// SQL DECIMAL precisions beyond this are rarely supported.
inline constexpr std::int64_t maxDecimalPrecision = 38;

struct FloatTally {
  std::int64_t exact = 0;
  std::int64_t rounded = 0;
  std::int64_t overflowing = 0;
  std::int64_t underflowing = 0;
  double maxRelativeError = 0;

  template <class F>
  void add(const scientific::FloatConversion<F>& c) noexcept {
    switch (c.outcome) {
      case FloatOutcome::Exact: ++exact; break;
      case FloatOutcome::Rounded:
        ++rounded;
        if (c.relativeError > maxRelativeError) maxRelativeError = c.relativeError;
        break;
      case FloatOutcome::Overflow: ++overflowing; break;
      case FloatOutcome::Underflow: ++underflowing; break;
    }
  }
};

// What a cell that is not a number looks like.
enum class NonNumber { Text, Empty, OutsideGrammar, NotANumberWord };

// ".5", "5.", NaN and Infinity (any case, with a sign) are numbers to a
// reader but not to the decimal grammar; anything else is text.
NonNumber classifyNonNumber(std::string_view cell, scientific::TextProblem problem) noexcept;

struct FieldStats {
  explicit FieldStats(std::string fieldName) : name(std::move(fieldName)) {}

  std::string name;
  std::int64_t numbers = 0;
  std::int64_t text = 0;
  std::int64_t empty = 0;
  std::int64_t outsideGrammar = 0;  // ".5", "5.", NaN, Infinity
  std::int64_t notANumberWords = 0; // the NaN and Infinity among them
  std::int64_t leadingZeros = 0;
  std::int64_t integers = 0;
  FloatTally asDouble;
  FloatTally asFloat;
  int signedBits = 0;    // narrowest signed type holding every integer so far
  int unsignedBits = 0;
  bool signedNone = false;    // some integer fits no signed 64-bit type
  bool unsignedNone = false;
  std::int64_t scale = 0;          // most digits after the point
  std::int64_t integerPlaces = 0;  // most digits before it
  scientific::Scientific min, max;
  std::string minText, maxText;  // as written
  std::string textExample, grammarExample, zeroExample;

  void addNumber(const NumberFacts& facts);
  void addOther(NonNumber kind, std::string_view cell);

  // DECIMAL(p, s) holding every number; p is at least 1.
  std::int64_t precision() const noexcept;
};

struct Verdict {
  std::string type;
  std::string reason;
};

Verdict verdict(const FieldStats& field);

}  // namespace quire::decimal
