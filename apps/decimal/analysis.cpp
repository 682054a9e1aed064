#include "apps/decimal/analysis.hpp"

#include <cmath>
#include <limits>

#include "apps/decimal/deviation.hpp"
#include "scientific/convert.hpp"
#include "scientific/format.hpp"
#include "scientific/scientific.hpp"

namespace quire::decimal {

namespace sci = quire::scientific;

namespace {

constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();

// Correct rounding to binary needs at most 767 significant digits (the
// longest exact expansion of a double) plus the knowledge that more non-zero
// digits follow; replacing the tail beyond kKeptDigits by one final 1 keeps
// every value on the same side of every midpoint between doubles.
constexpr std::size_t kKeptDigits = 800;

// Longer coefficients are laid out from their digits (see layOutFixed).
constexpr std::size_t kLibraryFormatDigits = 4096;

// Value ranges, by the position p of the leading digit (value in
// [10^p, 10^(p+1))), that certainly overflow or underflow a floating type:
// 10^309 exceeds the largest double and 10^-324 lies below half the smallest
// subnormal; 10^39 and 10^-46 do the same for float.
template <class F>
struct FloatingLimits;
template <>
struct FloatingLimits<double> {
  static constexpr std::int64_t overflowAt = 309;
  static constexpr std::int64_t underflowBelow = -324;
};
template <>
struct FloatingLimits<float> {
  static constexpr std::int64_t overflowAt = 39;
  static constexpr std::int64_t underflowBelow = -46;
};

std::int64_t parseSmall(std::string_view digits) noexcept {
  std::int64_t v = 0;
  for (char c : digits) v = v * 10 + (c - '0');
  return v;
}

// Characters of the Fixed rendering and how many of them are padding zeros.
struct FixedSize {
  std::int64_t length;
  std::int64_t padding;
};

FixedSize fixedSize(const DecimalShape& s) noexcept {
  if (s.isZero()) return {3, 0};  // 0.0
  std::int64_t n = s.digitCount();
  std::int64_t q = s.normalExponent;
  std::int64_t p = s.leadingPosition();
  std::int64_t sign = s.negative ? 1 : 0;
  if (q >= 0) return {addSaturating(n + 2 + sign, q), q};         // digits, zeros, ".0"
  if (p >= 0) return {n + 1 + sign, 0};                           // point inside the digits
  std::int64_t zeros = p == std::numeric_limits<std::int64_t>::min() ? kMax : -p - 1;
  return {addSaturating(n + 2 + sign, zeros), zeros};             // "0." zeros digits
}

// Bytes of the binary encoding of one integer.
std::int64_t encodedSize(const mpz_class& n) {
  if (n >= std::numeric_limits<std::int32_t>::min() && n <= std::numeric_limits<std::int32_t>::max()) return 5;
  std::int64_t bits = static_cast<std::int64_t>(mpz_sizeinbase(n.get_mpz_t(), 2));
  return 1 + 1 + 8 + (bits + 7) / 8;
}

std::int64_t encodedSize(std::int64_t n) {
  if (n >= std::numeric_limits<std::int32_t>::min() && n <= std::numeric_limits<std::int32_t>::max()) return 5;
  std::uint64_t magnitude = n < 0 ? 0 - static_cast<std::uint64_t>(n) : static_cast<std::uint64_t>(n);
  std::int64_t bits = 64 - __builtin_clzll(magnitude);
  return 1 + 1 + 8 + (bits + 7) / 8;
}

template <class Int>
bool holds(const sci::Scientific& s) {
  return sci::toBoundedInteger<Int>(s).has_value();
}

// Narrowest of the four widths for which holds<> answers yes, or 0.
template <class I8, class I16, class I32, class I64>
int narrowestWidth(const sci::Scientific& s) {
  if (holds<I8>(s)) return 8;
  if (holds<I16>(s)) return 16;
  if (holds<I32>(s)) return 32;
  if (holds<I64>(s)) return 64;
  return 0;
}

FloatingFacts saturated(Conversion outcome, bool negative) {
  double v = outcome == Conversion::Overflow ? std::numeric_limits<double>::infinity() : 0.0;
  return FloatingFacts{outcome, negative ? -v : v, 0};
}

// The unrounded layouts written straight from the digits in hand; used for
// long coefficients, where converting the coefficient back to decimal would
// cost a quarter of a second per form for a million digits.
void layOutExponent(const DecimalShape& s, std::string& out) {
  out.clear();
  if (s.negative) out += '-';
  out += s.significant.front();
  out += '.';
  out += s.significant.size() > 1 ? s.significant.substr(1) : std::string_view("0");
  out += 'e';
  out += std::to_string(s.leadingPosition());
}

void layOutFixed(const DecimalShape& s, std::string& out) {
  out.clear();
  if (s.negative) out += '-';
  std::int64_t p = s.leadingPosition();
  std::string_view digits = s.significant;
  if (p < 0) {
    out += "0.";
    out.append(static_cast<std::size_t>(-p - 1), '0');
    out += digits;
    return;
  }
  auto whole = static_cast<std::size_t>(p) + 1;
  if (digits.size() <= whole) {
    out += digits;
    out.append(whole - digits.size(), '0');
    out += ".0";
    return;
  }
  out += digits.substr(0, whole);
  out += '.';
  out += digits.substr(whole);
}

}  // namespace

std::string_view conversionName(Conversion c) noexcept {
  switch (c) {
    case Conversion::Exact: return "exact";
    case Conversion::Rounded: return "rounded";
    case Conversion::Overflow: return "overflow";
    case Conversion::Underflow: return "underflow";
  }
  return "exact";
}

std::string_view integerTypeName(int bits, bool isSigned) noexcept {
  switch (bits) {
    case 8: return isSigned ? "int8" : "uint8";
    case 16: return isSigned ? "int16" : "uint16";
    case 32: return isSigned ? "int32" : "uint32";
    case 64: return isSigned ? "int64" : "uint64";
    default: return "";
  }
}

std::variant<const NumberFacts*, ScanError> Analyzer::analyze(std::string_view token) {
  auto scanned = scanDecimal(token, scratch_);
  if (auto* error = std::get_if<ScanError>(&scanned)) return *error;
  facts_.text = token;
  facts_.shape = std::get<DecimalShape>(scanned);
  const DecimalShape& s = facts_.shape;

  if (s.digitCount() <= 18) {
    std::int64_t c = parseSmall(s.significant);
    value_ = sci::Scientific(s.negative ? -c : c, s.normalExponent);
  } else {
    digitsText_.assign(s.significant);
    coefficient_.set_str(digitsText_, 10);
    if (s.negative) coefficient_ = -coefficient_;
    value_ = sci::Scientific(coefficient_, s.normalExponent);
  }

  analyzeForms();
  analyzeIntegerFit();
  analyzeFloating();
  analyzeBinarySize();
  return &facts_;
}

void Analyzer::analyzeForms() {
  const DecimalShape& s = facts_.shape;
  FixedSize size = fixedSize(s);
  facts_.fixedLength = size.length;
  facts_.fixedShown = size.padding <= maxFixedPadding;
  if (s.significant.size() <= kLibraryFormatDigits) {
    facts_.generic = sci::formatScientific(sci::FPFormat::Generic, std::nullopt, value_);
    facts_.exponentForm = sci::formatScientific(sci::FPFormat::Exponent, std::nullopt, value_);
    if (facts_.fixedShown) facts_.fixed = sci::formatScientific(sci::FPFormat::Fixed, std::nullopt, value_);
  } else {
    layOutExponent(s, facts_.exponentForm);
    if (facts_.fixedShown) layOutFixed(s, facts_.fixed);
    // Generic is positional for 0.1 <= |value| < 10^7.
    std::int64_t p = s.leadingPosition();
    if (p >= -1 && p <= 6) {
      layOutFixed(s, facts_.generic);
    } else {
      facts_.generic = facts_.exponentForm;
    }
  }
  if (!facts_.fixedShown) facts_.fixed.clear();
}

void Analyzer::analyzeIntegerFit() {
  const DecimalShape& s = facts_.shape;
  facts_.integer = sci::isInteger(value_);
  facts_.signedBits = 0;
  facts_.unsignedBits = 0;
  // 10^20 already exceeds every 64-bit type.
  if (!facts_.integer || (!s.isZero() && s.leadingPosition() >= 20)) return;
  facts_.signedBits = narrowestWidth<std::int8_t, std::int16_t, std::int32_t, std::int64_t>(value_);
  if (!s.negative || s.isZero()) {
    facts_.unsignedBits = narrowestWidth<std::uint8_t, std::uint16_t, std::uint32_t, std::uint64_t>(value_);
  }
}

template <class F>
FloatingFacts Analyzer::nearest() {
  const DecimalShape& s = facts_.shape;
  if (s.isZero()) return FloatingFacts{};
  std::int64_t p = s.leadingPosition();
  if (p >= FloatingLimits<F>::overflowAt) return saturated(Conversion::Overflow, s.negative);
  if (p < FloatingLimits<F>::underflowBelow) return saturated(Conversion::Underflow, s.negative);

  // Here |normalExponent| < 400 + digit count, so every power built below is
  // no larger than the coefficient itself.
  const sci::Scientific* exactValue = &value_;
  std::int64_t exponent = s.normalExponent;
  const mpz_class* digits = nullptr;
  if (s.significant.size() > kKeptDigits) {
    digitsText_.assign(s.significant.substr(0, kKeptDigits));
    digitsText_.push_back('1');
    truncatedDigits_.set_str(digitsText_, 10);
    exponent = s.normalExponent + static_cast<std::int64_t>(s.significant.size() - kKeptDigits - 1);
    truncated_ = sci::Scientific(s.negative ? mpz_class(-truncatedDigits_) : truncatedDigits_, exponent);
    exactValue = &truncated_;
    digits = &truncatedDigits_;
  }
  F v = sci::toRealFloat<F>(*exactValue);
  if (std::isinf(v)) return FloatingFacts{Conversion::Overflow, static_cast<double>(v), 0};
  if (v == 0) return FloatingFacts{Conversion::Underflow, static_cast<double>(v), 0};

  double magnitude = std::fabs(static_cast<double>(v));
  Deviation d;
  if (digits != nullptr) {
    d = deviation(*digits, exponent, magnitude);
  } else if (value_.hasSmallCoefficient()) {
    std::int64_t c = value_.smallCoefficient();
    d = deviation(c < 0 ? 0 - static_cast<std::uint64_t>(c) : static_cast<std::uint64_t>(c), exponent, magnitude);
  } else {
    absDigits_ = abs(value_.bigCoefficient());
    d = deviation(absDigits_, exponent, magnitude);
  }
  return FloatingFacts{d.exact ? Conversion::Exact : Conversion::Rounded, static_cast<double>(v), d.relative};
}

void Analyzer::analyzeFloating() {
  facts_.asDouble = nearest<double>();
  facts_.asFloat = nearest<float>();
}

void Analyzer::analyzeBinarySize() {
  const DecimalShape& s = facts_.shape;
  std::int64_t exponentSize = encodedSize(s.storedExponent);
  std::int64_t coefficientDigits = s.digitCount() + s.trailingZeros;
  std::int64_t coefficientSize;
  if (s.isZero()) {
    coefficientSize = 5;
  } else if (coefficientDigits <= 18) {
    std::int64_t stored = parseSmall(s.significant) * static_cast<std::int64_t>(
        sci::magnitude<std::uint64_t>(s.trailingZeros));
    coefficientSize = encodedSize(s.negative ? -stored : stored);
  } else {
    mpz_class stored = value_.hasSmallCoefficient() ? mpz_class(static_cast<long>(value_.smallCoefficient()))
                                                    : value_.bigCoefficient();
    if (s.trailingZeros > 0) stored *= sci::magnitude<mpz_class>(s.trailingZeros);
    coefficientSize = encodedSize(stored);
  }
  facts_.binarySize = coefficientSize + exponentSize;
}

}  // namespace quire::decimal
