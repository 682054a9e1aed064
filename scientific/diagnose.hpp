// Checking a whole text against the decimal grammar, and saying where and why
// it is not a number.
//
// checkDecimal reads the same grammar as read<Scientific> (an optional sign,
// digits, an optional '.' and digits, an optional 'e' or 'E' with an optional
// sign and digits), but over the whole text, with no white space or
// parentheses, and either describes the number or names the first character
// that breaks the grammar and the reason. The description is found in one
// pass and builds no number: the digit runs as written, the exponent of the
// coefficient as read, and the counts of leading and trailing zeros, so that
// sizes (the position of the leading digit, the digits after the point, the
// significant digit count) are known before any GMP arithmetic, even for
// 1e-1000000000 or a coefficient of a million digits. toScientific then
// builds exactly the value read<Scientific> gives for the same text.
//
// With Leniency::Points the forms that real exports hold although the grammar
// refuses them, a leading point (".5", "-.5") and a trailing point ("5.",
// "5.e3"), are read as the numbers they mean.
//
// Example:
//   using namespace quire::scientific;
//   auto r = checkDecimal("-0012.3400e1");
//   const DecimalText& d = std::get<DecimalText>(r);
//   // d.negative, d.integerDigits == "0012", d.fractionDigits == "3400"
//   // d.exponent == -3                 (the coefficient as read: -123400e-3)
//   // d.normalExponent() == -1         (-1234e-1)
//   // d.significantDigits() == 4, d.leadingPosition() == 2, d.scale() == 1
//   // toScientific(d) == Scientific(-1234, -1), stored as (-123400, -3)
//   auto e = std::get<TextError>(checkDecimal("1.2.3"));
//   // e.position == 3, e.problem == TextProblem::UnexpectedCharacter
//   describe(TextProblem::TrailingPoint)   // "no digit after the decimal point"
//   std::get<DecimalText>(checkDecimal(".5", Leniency::Points))   // 5e-1
//   formatDecimalText(FPFormat::Fixed, d)       // "-123.4", no base conversion
//   formattedLength(FPFormat::Fixed, std::get<DecimalText>(checkDecimal("1e400")))  // 403
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <variant>

#include "scientific/export.hpp"
#include "scientific/format.hpp"
#include "scientific/scientific.hpp"

namespace quire::scientific {

enum class TextProblem : std::uint8_t {
  Empty,                // ""
  NoDigits,             // "x", "-", "+e5": no digit where the number must start
  LeadingPoint,         // ".5": no digit before the decimal point
  TrailingPoint,        // "5.", "5.e3": no digit after the decimal point
  NoExponentDigits,     // "1e", "1e+"
  ExponentOutOfRange,   // the exponent, or the value's scale, leaves 64 bits
  UnexpectedCharacter,  // "1.2.3", "12x", "1 2"
};

// A short lower-case phrase: "no digit after the decimal point".
QUIRE_SCIENTIFIC_EXPORT std::string_view describe(TextProblem problem) noexcept;

// The byte offset of the first character that breaks the grammar (the
// text's length when it ends too early) and why.
struct TextError {
  std::size_t position = 0;
  TextProblem problem = TextProblem::Empty;
  friend bool operator==(const TextError&, const TextError&) = default;
};

enum class Leniency : std::uint8_t { Strict, Points };

// What a decimal text says. The views point into the checked text.
struct DecimalText {
  bool negative = false;            // a '-' was written (also for -0)
  std::string_view integerDigits;   // as written; empty only for a lenient ".5"
  std::string_view fractionDigits;  // as written; may be empty
  // The value is (integerDigits fractionDigits) × 10^exponent.
  std::int64_t exponent = 0;
  // Zeros at the start and the end of integerDigits ++ fractionDigits; for
  // zero every digit counts as leading.
  std::int64_t leadingZeros = 0;
  std::int64_t trailingZeros = 0;

  std::int64_t digitCount() const noexcept {
    return static_cast<std::int64_t>(integerDigits.size() + fractionDigits.size());
  }
  bool isZero() const noexcept { return leadingZeros == digitCount(); }
  // Digits from the first to the last non-zero one; 0 for zero.
  std::int64_t significantDigits() const noexcept { return digitCount() - leadingZeros - trailingZeros; }
  // The exponent of the normal form (coefficient without trailing zeros); 0 for zero.
  std::int64_t normalExponent() const noexcept { return isZero() ? 0 : exponent + trailingZeros; }
  // p with 10^p <= |value| < 10^(p+1); 0 for zero.
  std::int64_t leadingPosition() const noexcept {
    return isZero() ? 0 : normalExponent() + (significantDigits() - 1);
  }
  // Digits after the decimal point in the shortest positional form (0 for an integer).
  std::int64_t scale() const noexcept { return normalExponent() < 0 ? -normalExponent() : 0; }
  // Digits before the point in that form (0 when |value| < 1); saturates at INT64_MAX.
  std::int64_t integerPlaces() const noexcept {
    if (isZero() || leadingPosition() < 0) return 0;
    return leadingPosition() == INT64_MAX ? INT64_MAX : leadingPosition() + 1;
  }
  // A zero written before other integer digits: "007", "-01.5" (not "0" or "0.5").
  bool hasLeadingZero() const noexcept { return integerDigits.size() > 1 && integerDigits.front() == '0'; }
};

// The whole of text as one number, or the first place where it is not one.
// Accepted numbers also satisfy: normalExponent() and leadingPosition() are
// exact (no 64-bit overflow), otherwise ExponentOutOfRange.
QUIRE_SCIENTIFIC_EXPORT std::variant<DecimalText, TextError> checkDecimal(std::string_view text,
                                                                          Leniency leniency = Leniency::Strict);

// The value as read, stored like read<Scientific> stores it: "1.50" is
// (150, -2). Up to 19 digits cost no allocation; more are read by GMP at once.
QUIRE_SCIENTIFIC_EXPORT Scientific toScientific(const DecimalText& text);

// The characters formatScientific(format, std::nullopt, toScientific(text))
// gives, laid out straight from the digits as written: a coefficient of a
// million digits costs a copy, not a base conversion. Throws quire::Error
// like formatScientific when the result would be longer than
// maxFormattedLength (the Fixed form of 1e1000000000). To write a form
// without holding it, or only a part of it, see layoutDecimalText in
// scientific/text_layout.hpp.
QUIRE_SCIENTIFIC_EXPORT std::string formatDecimalText(FPFormat format, const DecimalText& text);

// The length of that result, computed without writing it; saturates at
// INT64_MAX instead of overflowing.
QUIRE_SCIENTIFIC_EXPORT std::int64_t formattedLength(FPFormat format, const DecimalText& text) noexcept;

}  // namespace quire::scientific
