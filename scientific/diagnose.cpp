// The checking reader: one forward pass, eight digits at a time where the
// text allows it, that records the digit runs and stops at the first
// character the grammar does not allow.
#include "scientific/diagnose.hpp"

#include <cstring>
#include <limits>
#include <string>

#include "scientific/internal/numeric.hpp"
#include "scientific/text_layout.hpp"

namespace quire::scientific {
namespace {

constexpr bool isDigit(char c) noexcept { return static_cast<unsigned char>(c - '0') < 10; }

// True when all eight bytes of the little-endian word v are ASCII digits.
bool eightDigits(std::uint64_t v) noexcept {
  const std::uint64_t low = v - 0x3030303030303030u;
  const std::uint64_t high = v + 0x4646464646464646u;  // carries into bit 7 for bytes above '9'
  return ((low | high) & 0x8080808080808080u) == 0;
}

std::uint64_t loadLittleEndian(const char* p) noexcept {
  std::uint64_t v;
  std::memcpy(&v, p, sizeof v);
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
  v = __builtin_bswap64(v);
#endif
  return v;
}

// The end of the run of digits starting at p.
const char* skipDigits(const char* p, const char* end) noexcept {
  while (end - p >= 8 && eightDigits(loadLittleEndian(p))) p += 8;
  while (p < end && isDigit(*p)) ++p;
  return p;
}

std::int64_t countLeading(std::string_view s, char c) noexcept {
  std::size_t n = 0;
  while (n < s.size() && s[n] == c) ++n;
  return static_cast<std::int64_t>(n);
}

std::int64_t countTrailing(std::string_view s, char c) noexcept {
  std::size_t n = 0;
  while (n < s.size() && s[s.size() - 1 - n] == c) ++n;
  return static_cast<std::int64_t>(n);
}

// Zeros at both ends of integer ++ fraction, without joining them.
void countZeros(DecimalText& d) noexcept {
  const auto intLead = countLeading(d.integerDigits, '0');
  const auto intSize = static_cast<std::int64_t>(d.integerDigits.size());
  d.leadingZeros = intLead == intSize ? intLead + countLeading(d.fractionDigits, '0') : intLead;
  if (d.leadingZeros == d.digitCount()) {
    d.trailingZeros = 0;
    return;
  }
  const auto fracTrail = countTrailing(d.fractionDigits, '0');
  const auto fracSize = static_cast<std::int64_t>(d.fractionDigits.size());
  d.trailingZeros = fracTrail == fracSize ? fracSize + countTrailing(d.integerDigits, '0') : fracTrail;
}

// The written exponent digits [p, end) with their sign, added to base.
bool addExponent(std::string_view digits, bool negative, std::int64_t base, std::int64_t& out) noexcept {
  std::int64_t value = 0;
  for (char c : digits) {
    // Accumulated towards the sign so that INT64_MIN itself is accepted.
    const int digit = c - '0';
    if (__builtin_mul_overflow(value, 10, &value)) return false;
    if (__builtin_add_overflow(value, negative ? -digit : digit, &value)) return false;
  }
  return !__builtin_add_overflow(base, value, &out);
}

// The derived sizes must be exact: normalExponent, its negation (scale) and
// leadingPosition.
bool sizesFit(const DecimalText& d) noexcept {
  if (d.isZero()) return true;
  std::int64_t normal;
  std::int64_t leading;
  if (__builtin_add_overflow(d.exponent, d.trailingZeros, &normal)) return false;
  if (normal == std::numeric_limits<std::int64_t>::min()) return false;
  return !__builtin_add_overflow(normal, d.significantDigits() - 1, &leading);
}

}  // namespace

std::int64_t formattedLength(FPFormat format, const DecimalText& d) noexcept {
  return layoutDecimalText(format, d).size();
}

std::string formatDecimalText(FPFormat format, const DecimalText& d) { return layoutDecimalText(format, d).str(); }

std::string_view describe(TextProblem problem) noexcept {
  switch (problem) {
    case TextProblem::Empty: return "empty text";
    case TextProblem::NoDigits: return "no digit where the number starts";
    case TextProblem::LeadingPoint: return "no digit before the decimal point";
    case TextProblem::TrailingPoint: return "no digit after the decimal point";
    case TextProblem::NoExponentDigits: return "no digit in the exponent";
    case TextProblem::ExponentOutOfRange: return "exponent outside the 64-bit range";
    case TextProblem::UnexpectedCharacter: return "unexpected character";
  }
  return "not a number";
}

std::variant<DecimalText, TextError> checkDecimal(std::string_view text, Leniency leniency) {
  if (text.empty()) return TextError{0, TextProblem::Empty};
  const char* const begin = text.data();
  const char* const end = begin + text.size();
  const auto at = [begin](const char* p) { return static_cast<std::size_t>(p - begin); };
  const bool lenient = leniency == Leniency::Points;

  DecimalText d;
  const char* p = begin;
  if (*p == '+' || *p == '-') d.negative = *p++ == '-';
  const char* digitsEnd = skipDigits(p, end);
  d.integerDigits = std::string_view(p, at(digitsEnd) - at(p));
  p = digitsEnd;
  if (d.integerDigits.empty()) {
    if (p == end || *p != '.') return TextError{at(p), TextProblem::NoDigits};
    if (!lenient || p + 1 == end || !isDigit(p[1])) return TextError{at(p), TextProblem::LeadingPoint};
  }
  if (p < end && *p == '.') {
    const char* fractionEnd = skipDigits(p + 1, end);
    d.fractionDigits = std::string_view(p + 1, at(fractionEnd) - at(p + 1));
    if (d.fractionDigits.empty() && !lenient) return TextError{at(p), TextProblem::TrailingPoint};
    p = fractionEnd;
  }
  std::int64_t exponent = -static_cast<std::int64_t>(d.fractionDigits.size());
  if (p < end && (*p == 'e' || *p == 'E')) {
    ++p;
    bool negativeExponent = false;
    if (p < end && (*p == '+' || *p == '-')) negativeExponent = *p++ == '-';
    const char* exponentEnd = skipDigits(p, end);
    if (exponentEnd == p) return TextError{at(p), TextProblem::NoExponentDigits};
    const std::string_view written(p, at(exponentEnd) - at(p));
    if (!addExponent(written, negativeExponent, exponent, exponent)) {
      return TextError{at(p), TextProblem::ExponentOutOfRange};
    }
    p = exponentEnd;
  }
  if (p != end) return TextError{at(p), TextProblem::UnexpectedCharacter};
  d.exponent = exponent;
  countZeros(d);
  if (!sizesFit(d)) return TextError{at(p), TextProblem::ExponentOutOfRange};
  return d;
}

Scientific toScientific(const DecimalText& d) {
  constexpr std::int64_t wordDigits = 18;
  if (d.digitCount() - d.leadingZeros <= wordDigits) {
    std::int64_t c = 0;
    for (char ch : d.integerDigits) c = c * 10 + (ch - '0');
    for (char ch : d.fractionDigits) c = c * 10 + (ch - '0');
    return Scientific(d.negative ? -c : c, d.exponent);
  }
  return Scientific(detail::integerFromDigits(d.integerDigits, d.fractionDigits, d.negative),
                    d.exponent);
}

}  // namespace quire::scientific
