#include "apps/decimal/decimal_text.hpp"

#include <limits>

namespace quire::decimal {

namespace {

constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();

bool isDigit(char c) noexcept { return c >= '0' && c <= '9'; }

// Length of the run of ASCII digits starting at pos.
std::size_t digitRun(std::string_view s, std::size_t pos) noexcept {
  std::size_t end = pos;
  while (end < s.size() && isDigit(s[end])) ++end;
  return end - pos;
}

// The written exponent; false when it leaves the 64-bit range.
bool readExponent(std::string_view digits, bool negative, std::int64_t& out) noexcept {
  std::int64_t value = 0;
  for (char c : digits) {
    int digit = c - '0';
    // Accumulate towards the sign so that INT64_MIN itself is accepted.
    if (__builtin_mul_overflow(value, 10, &value)) return false;
    if (__builtin_add_overflow(value, negative ? -digit : digit, &value)) return false;
  }
  out = value;
  return true;
}

std::size_t countLeadingZeros(std::string_view s) noexcept {
  std::size_t n = 0;
  while (n < s.size() && s[n] == '0') ++n;
  return n;
}

std::size_t countTrailingZeros(std::string_view s) noexcept {
  std::size_t n = 0;
  while (n < s.size() && s[s.size() - 1 - n] == '0') ++n;
  return n;
}

}  // namespace

std::int64_t addSaturating(std::int64_t a, std::int64_t b) noexcept {
  std::int64_t sum;
  if (!__builtin_add_overflow(a, b, &sum)) return sum;
  return b > 0 ? kMax : kMin;
}

std::int64_t DecimalShape::leadingPosition() const noexcept {
  return addSaturating(normalExponent, digitCount() - 1);
}

std::variant<DecimalShape, ScanError> scanDecimal(std::string_view token, std::string& scratch) {
  DecimalShape shape;
  std::size_t pos = 0;
  if (pos < token.size() && (token[pos] == '+' || token[pos] == '-')) {
    shape.negative = token[pos] == '-';
    ++pos;
  }
  std::string_view whole = token.substr(pos, digitRun(token, pos));
  if (whole.empty()) return ScanError::NotANumber;
  pos += whole.size();
  std::string_view fraction;
  if (pos < token.size() && token[pos] == '.') {
    fraction = token.substr(pos + 1, digitRun(token, pos + 1));
    if (fraction.empty()) return ScanError::NotANumber;
    pos += 1 + fraction.size();
  }
  std::int64_t written = 0;
  if (pos < token.size() && (token[pos] == 'e' || token[pos] == 'E')) {
    ++pos;
    bool negativeExponent = false;
    if (pos < token.size() && (token[pos] == '+' || token[pos] == '-')) {
      negativeExponent = token[pos] == '-';
      ++pos;
    }
    std::string_view digits = token.substr(pos, digitRun(token, pos));
    if (digits.empty()) return ScanError::NotANumber;
    pos += digits.size();
    if (!readExponent(digits, negativeExponent, written)) return ScanError::ExponentOutOfRange;
  }
  if (pos != token.size()) return ScanError::NotANumber;

  // As read, the coefficient is whole followed by fraction and the exponent
  // is the written one less the number of fraction digits.
  if (__builtin_sub_overflow(written, static_cast<std::int64_t>(fraction.size()), &shape.storedExponent)) {
    return ScanError::ExponentOutOfRange;
  }
  std::size_t wholeLead = countLeadingZeros(whole);
  std::string_view wholeSignificant = whole.substr(wholeLead);
  std::size_t fractionTrail = countTrailingZeros(fraction);
  std::string_view fractionKept = fraction.substr(0, fraction.size() - fractionTrail);
  std::size_t trailing = fractionTrail;
  if (fractionKept.empty()) {
    trailing += countTrailingZeros(wholeSignificant);
    wholeSignificant.remove_suffix(countTrailingZeros(wholeSignificant));
  }
  if (wholeSignificant.empty()) {
    fractionKept.remove_prefix(countLeadingZeros(fractionKept));
    shape.significant = fractionKept;
  } else if (fractionKept.empty()) {
    shape.significant = wholeSignificant;
  } else {
    scratch.assign(wholeSignificant);
    scratch.append(fractionKept);
    shape.significant = scratch;
  }
  if (shape.isZero()) {
    shape.trailingZeros = 0;
    shape.normalExponent = 0;
    return shape;
  }
  shape.trailingZeros = static_cast<std::int64_t>(trailing);
  if (__builtin_add_overflow(shape.storedExponent, shape.trailingZeros, &shape.normalExponent)) {
    return ScanError::ExponentOutOfRange;
  }
  return shape;
}

}  // namespace quire::decimal
