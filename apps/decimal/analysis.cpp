#include "apps/decimal/analysis.hpp"

#include <limits>

#include "scientific/binary.hpp"

namespace quire::decimal {

namespace sci = quire::scientific;

namespace {

// Integers of more digits are beyond every 64-bit type.
constexpr std::int64_t kMaxIntegerPlaces = 20;

template <class Int>
bool holds(std::int64_t v) noexcept {
  return v >= std::numeric_limits<Int>::min() && v <= std::numeric_limits<Int>::max();
}

int signedWidth(std::int64_t v) noexcept {
  if (holds<std::int8_t>(v)) return 8;
  if (holds<std::int16_t>(v)) return 16;
  if (holds<std::int32_t>(v)) return 32;
  return 64;
}

int unsignedWidth(std::uint64_t v) noexcept {
  if (v <= std::numeric_limits<std::uint8_t>::max()) return 8;
  if (v <= std::numeric_limits<std::uint16_t>::max()) return 16;
  if (v <= std::numeric_limits<std::uint32_t>::max()) return 32;
  return 64;
}

}  // namespace

std::string_view conversionName(FloatOutcome c) noexcept {
  switch (c) {
    case FloatOutcome::Exact: return "exact";
    case FloatOutcome::Rounded: return "rounded";
    case FloatOutcome::Overflow: return "overflow";
    case FloatOutcome::Underflow: return "underflow";
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

std::variant<const NumberFacts*, sci::TextError> Analyzer::analyze(std::string_view token, bool withForms) {
  auto checked = sci::checkDecimal(token, leniency_);
  if (auto* error = std::get_if<sci::TextError>(&checked)) return *error;
  facts_.text = token;
  facts_.shape = std::get<sci::DecimalText>(checked);
  facts_.value = sci::toScientific(facts_.shape);
  facts_.coefficient = sci::layoutCoefficient(facts_.shape);
  if (withForms) {
    analyzeForms();
  } else {
    facts_.generic = facts_.exponentForm = facts_.fixed = {};  // no views of an earlier token
  }
  analyzeIntegerFit();
  facts_.asDouble = sci::realFloatConversion<double>(facts_.value);
  facts_.asFloat = sci::realFloatConversion<float>(facts_.value);
  facts_.binarySize = static_cast<std::int64_t>(sci::encodedSize(facts_.value));
  return &facts_;
}

void Analyzer::analyzeForms() {
  const sci::DecimalText& s = facts_.shape;
  facts_.fixed = sci::layoutDecimalText(sci::FPFormat::Fixed, s);
  // Zeros around the digits in the Fixed form.
  const std::int64_t padding = facts_.fixed.size() - s.significantDigits() - 2 - (s.negative ? 1 : 0);
  facts_.fixedShown = padding <= maxFixedPadding;
  facts_.generic = sci::layoutDecimalText(sci::FPFormat::Generic, s);
  facts_.exponentForm = sci::layoutDecimalText(sci::FPFormat::Exponent, s);
}

void Analyzer::analyzeIntegerFit() {
  const sci::DecimalText& s = facts_.shape;
  facts_.integer = sci::isInteger(facts_.value);
  facts_.signedBits = 0;
  facts_.unsignedBits = 0;
  if (!facts_.integer || s.integerPlaces() > kMaxIntegerPlaces) return;
  if (auto v = sci::toBoundedInteger<std::int64_t>(facts_.value)) {
    facts_.signedBits = signedWidth(*v);
    if (*v >= 0) facts_.unsignedBits = unsignedWidth(static_cast<std::uint64_t>(*v));
  } else if (auto u = sci::toBoundedInteger<std::uint64_t>(facts_.value)) {
    facts_.unsignedBits = 64;
  }
}

}  // namespace quire::decimal
