// The shape of one decimal token, found in a single pass over its text.
//
// scanDecimal checks a token against the decimal grammar the suite reads
// (optional sign, digits, optional "." and digits, optional "e" or "E" with an
// optional sign and digits) and reports its significant digits and the
// position of the decimal point without building any number. Everything the
// inspector decides from sizes alone (overflow, underflow, integer fit, how
// long a positional rendering would be) comes from here, so a hostile
// exponent such as 1e-1000000000 costs no more than its characters.
//
// Example:
//   std::string scratch;
//   auto shape = scanDecimal("-0012.3400e1", scratch);
//   // shape->negative == true
//   // shape->significant == "1234"       (leading and trailing zeros gone)
//   // shape->normalExponent == -1        (value == -1234e-1)
//   // shape->storedExponent == -3        (as read: -123400e-3)
//   scanDecimal("1.", scratch)            // == ScanError::NotANumber
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>

namespace quire::decimal {

struct DecimalShape {
  bool negative = false;  // a "-" was written (also for -0)
  // The digits without leading and trailing zeros; empty for zero. May view
  // the token or the scratch string passed to scanDecimal.
  std::string_view significant;
  // The value is significant × 10^normalExponent (0 for zero).
  std::int64_t normalExponent = 0;
  // The coefficient as read keeps its trailing zeros: it is significant
  // followed by trailingZeros zeros, times 10^storedExponent.
  std::int64_t storedExponent = 0;
  std::int64_t trailingZeros = 0;

  bool isZero() const noexcept { return significant.empty(); }
  std::int64_t digitCount() const noexcept { return static_cast<std::int64_t>(significant.size()); }
  // Position of the leading digit: the value lies in [10^p, 10^(p+1)).
  // Saturates instead of overflowing for exponents near the 64-bit limits.
  std::int64_t leadingPosition() const noexcept;
};

enum class ScanError { NotANumber, ExponentOutOfRange };

// Checks the whole token. scratch is reused to join integer and fraction
// digits when both hold significant digits.
std::variant<DecimalShape, ScanError> scanDecimal(std::string_view token, std::string& scratch);

// Saturating 64-bit addition.
std::int64_t addSaturating(std::int64_t a, std::int64_t b) noexcept;

}  // namespace quire::decimal
