// Decimal text of a Scientific: three layouts, optional rounding to a number
// of decimals, and four outputs that produce the same characters (a string,
// show/operator<<, a byte builder and a text builder).
//
// Exponent writes 1.5e3, Fixed writes 1500.0, and Generic picks Fixed for
// 0.1 <= |value| < 10^7 (and zero) and Exponent otherwise. With decimals,
// the value is rounded half to even: Exponent keeps max(decimals, 1) digits
// after the point, Fixed max(decimals, 0). A negative value is "-" followed
// by the text of its negation. Every character is ASCII.
//
// Cost is bounded by the digits of the coefficient and the characters
// produced, never by the exponent: show of (1, 10^18) is
// "1.0e1000000000000000000" at once, and Fixed with 2 decimals of
// (1, -10^18) is "0.00". A result longer than maxFormattedLength characters
// (for instance Fixed of (1, 10^18), a one with 10^18 zeros) throws quire::Error.
//
// Example:
//   using quire::scientific::Scientific;
//   using quire::scientific::FPFormat;
//   namespace sci = quire::scientific;
//   sci::show(Scientific(15, -1));                                   // "1.5"
//   sci::show(Scientific(1, 7));                                     // "1.0e7"
//   sci::show(Scientific(-15, -4));                                  // "-1.5e-3"
//   sci::showsPrec(7, Scientific(-15, -1));                          // "(-1.5)"
//   sci::formatScientific(FPFormat::Fixed, 1, Scientific(9960, -3)); // "10.0"
//   sci::formatScientific(FPFormat::Exponent, 2, Scientific(12345, 0));  // "1.23e4"
//   sci::toDecimalDigits(Scientific(1234, -1));                      // {{1,2,3,4}, 3}
#pragma once

#include <cstdint>
#include <optional>
#include <ostream>
#include <span>
#include <string>
#include <vector>

#include "base/builder.hpp"
#include "base/text_builder.hpp"
#include "scientific/export.hpp"
#include "scientific/scientific.hpp"

namespace quire::scientific {

enum class FPFormat : std::uint8_t { Exponent, Fixed, Generic };

// Results longer than this many characters are refused with quire::Error.
inline constexpr std::int64_t maxFormattedLength = 1'000'000'000;

// The value 0.d1d2...dn × 10^exponent: digits has no leading or trailing
// zero, except that zero itself is {{0}, 0}.
struct DecimalDigits {
  std::vector<int> digits;
  std::int64_t exponent = 0;
  friend bool operator==(const DecimalDigits&, const DecimalDigits&) = default;
};

// The digits of a non-negative value: 123.4 -> {{1,2,3,4}, 3}, 0.05 ->
// {{5}, -1}. Throws quire::Error for a negative value and when the point
// position leaves the 64-bit range.
QUIRE_SCIENTIFIC_EXPORT DecimalDigits toDecimalDigits(const Scientific& s);

// The value in the given layout; with decimals, rounded half to even.
QUIRE_SCIENTIFIC_EXPORT std::string formatScientific(FPFormat format, std::optional<std::int64_t> decimals,
                                                     const Scientific& s);

// formatScientific(Generic, nullopt, s).
QUIRE_SCIENTIFIC_EXPORT std::string show(const Scientific& s);
// show(s), with a negative value in parentheses when precedence > 6.
QUIRE_SCIENTIFIC_EXPORT std::string showsPrec(int precedence, const Scientific& s);
// "[" the values, separated by "," "]".
QUIRE_SCIENTIFIC_EXPORT std::string showList(std::span<const Scientific> values);
inline std::string show(std::span<const Scientific> values) { return showList(values); }
QUIRE_SCIENTIFIC_EXPORT std::ostream& operator<<(std::ostream& out, const Scientific& s);

// The same characters as formatScientific, written through the byte builder.
QUIRE_SCIENTIFIC_EXPORT builder::Builder formatScientificBuilder(FPFormat format,
                                                                 std::optional<std::int64_t> decimals,
                                                                 const Scientific& s);
// formatScientificBuilder(Generic, nullopt, s).
QUIRE_SCIENTIFIC_EXPORT builder::Builder scientificBuilder(const Scientific& s);

// The text-builder forms of the two builders above.
namespace text {
QUIRE_SCIENTIFIC_EXPORT builder::TextBuilder formatScientificBuilder(FPFormat format,
                                                                     std::optional<std::int64_t> decimals,
                                                                     const Scientific& s);
QUIRE_SCIENTIFIC_EXPORT builder::TextBuilder scientificBuilder(const Scientific& s);
}  // namespace text

// A digit list rounded to n digits, half to even, and the carry out of the
// first digit: roundTo(2, {1,2,5}) == {0, {1,2}}, roundTo(2, {9,9,5}) ==
// {1, {1,0,0}}. Short lists are padded with zeros; a negative n leaves the
// digits unchanged. Throws quire::Error for an element outside 0..9.
struct RoundedDigits {
  int carry = 0;
  std::vector<int> digits;
  friend bool operator==(const RoundedDigits&, const RoundedDigits&) = default;
};
QUIRE_SCIENTIFIC_EXPORT RoundedDigits roundTo(std::int64_t n, std::span<const int> digits);

// The character of a digit 0..9; throws quire::Error for anything else.
QUIRE_SCIENTIFIC_EXPORT char i2d(int digit);

// The unrounded layouts of a digit list: fmtAsExponent({{1,5}, 4}) ==
// "1.5e3", fmtAsFixed({{1,5}, 4}) == "1500.0", fmtAsFixed({{5}, -1}) ==
// "0.05". Throw quire::Error for an empty list or an element outside 0..9.
QUIRE_SCIENTIFIC_EXPORT std::string fmtAsExponent(const DecimalDigits& digits);
QUIRE_SCIENTIFIC_EXPORT std::string fmtAsFixed(const DecimalDigits& digits);

}  // namespace quire::scientific
