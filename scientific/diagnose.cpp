// The checking reader: one forward pass, eight digits at a time where the
// text allows it, that records the digit runs and stops at the first
// character the grammar does not allow.
#include "scientific/diagnose.hpp"

#include <algorithm>
#include <cstring>
#include <limits>
#include <string>

#include "base/error.hpp"
#include "scientific/internal/numeric.hpp"

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

std::int64_t addSaturating(std::int64_t a, std::int64_t b) noexcept {
  std::int64_t sum;
  if (!__builtin_add_overflow(a, b, &sum)) return sum;
  return b > 0 ? std::numeric_limits<std::int64_t>::max() : std::numeric_limits<std::int64_t>::min();
}

// The significant digits of integer ++ fraction, read in pieces without
// joining the two runs.
class Significant {
 public:
  explicit Significant(const DecimalText& d) noexcept
      : integer_(d.integerDigits), fraction_(d.fractionDigits), from_(d.leadingZeros),
        count_(d.significantDigits()) {}
  std::int64_t size() const noexcept { return count_; }
  // Appends significant digits [from, to).
  void append(std::string& out, std::int64_t from, std::int64_t to) const {
    from += from_;
    to += from_;
    const auto split = static_cast<std::int64_t>(integer_.size());
    if (from < split) out.append(integer_.substr(from, std::min(to, split) - from));
    if (to > split) {
      const std::int64_t start = std::max(from, split) - split;
      out.append(fraction_.substr(start, to - split - start));
    }
  }

 private:
  std::string_view integer_;
  std::string_view fraction_;
  std::int64_t from_;
  std::int64_t count_;
};

// Generic is positional for 0.1 <= |value| < 10^7.
FPFormat resolve(FPFormat format, const DecimalText& d) noexcept {
  if (format != FPFormat::Generic) return format;
  if (d.isZero()) return FPFormat::Fixed;
  const std::int64_t p = d.leadingPosition();
  return p >= -1 && p <= 6 ? FPFormat::Fixed : FPFormat::Exponent;
}

std::int64_t decimalWidth(std::int64_t v) noexcept { return static_cast<std::int64_t>(std::to_string(v).size()); }

}  // namespace

std::int64_t formattedLength(FPFormat format, const DecimalText& d) noexcept {
  if (d.isZero()) return resolve(format, d) == FPFormat::Fixed ? 3 : 5;  // 0.0, 0.0e0
  const std::int64_t sign = d.negative ? 1 : 0;
  const std::int64_t n = d.significantDigits();
  const std::int64_t p = d.leadingPosition();
  if (resolve(format, d) == FPFormat::Exponent) {
    // d "." rest-or-0 "e" p
    return sign + 2 + std::max<std::int64_t>(n - 1, 1) + 1 + decimalWidth(p);
  }
  if (p < 0) return addSaturating(sign + 2 + n, -(p + 1));  // "0." zeros digits
  const std::int64_t places = d.integerPlaces();            // p + 1, saturating
  if (n <= places) return addSaturating(sign + 2, places);  // digits zeros ".0"
  return sign + n + 1;                                      // the point inside the digits
}

std::string formatDecimalText(FPFormat format, const DecimalText& d) {
  const std::int64_t length = formattedLength(format, d);
  if (length > maxFormattedLength) {
    throwError("formatDecimalText: the result would be longer than " + std::to_string(maxFormattedLength) +
               " characters");
  }
  std::string out;
  out.reserve(static_cast<std::size_t>(length));
  const FPFormat layout = resolve(format, d);
  if (d.isZero()) {
    out = layout == FPFormat::Fixed ? "0.0" : "0.0e0";
    return out;
  }
  if (d.negative) out += '-';
  const Significant digits(d);
  const std::int64_t n = digits.size();
  const std::int64_t p = d.leadingPosition();
  if (layout == FPFormat::Exponent) {
    digits.append(out, 0, 1);
    out += '.';
    if (n > 1) {
      digits.append(out, 1, n);
    } else {
      out += '0';
    }
    out += 'e';
    out += std::to_string(p);
  } else if (p < 0) {
    out += "0.";
    out.append(static_cast<std::size_t>(-(p + 1)), '0');
    digits.append(out, 0, n);
  } else if (n <= d.integerPlaces()) {
    digits.append(out, 0, n);
    out.append(static_cast<std::size_t>(d.integerPlaces() - n), '0');
    out += ".0";
  } else {
    digits.append(out, 0, d.integerPlaces());
    out += '.';
    digits.append(out, d.integerPlaces(), n);
  }
  return out;
}

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
