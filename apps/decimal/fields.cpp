#include "apps/decimal/fields.hpp"

#include <algorithm>
#include <cstdio>

#include "quill/json.hpp"

namespace quire::decimal {

namespace {

constexpr std::size_t kExampleLength = 24;

std::string example(std::string_view s) {
  std::string out(s.substr(0, kExampleLength));
  if (s.size() > kExampleLength) out += "...";
  return out;
}

bool equalsIgnoringCase(std::string_view a, std::string_view b) noexcept {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}


std::string decimalType(std::int64_t p, std::int64_t s) {
  return "decimal(" + std::to_string(p) + "," + std::to_string(s) + ")";
}

// Three significant digits: enough to judge an error.
std::string threeDigits(double v) {
  char text[quill::json::significantBound(3)];
  return std::string(text, quill::json::storeSignificant(text, v, 3));
}

std::string ofValues(std::int64_t n, std::int64_t total) {
  return std::to_string(n) + " of " + std::to_string(total) + (total == 1 ? " value" : " values");
}

}  // namespace

NonNumber classifyNonNumber(std::string_view cell, scientific::TextProblem problem) noexcept {
  using scientific::TextProblem;
  if (cell.empty()) return NonNumber::Empty;
  if (problem == TextProblem::LeadingPoint || problem == TextProblem::TrailingPoint) {
    // Only when reading it with the points allowed gives a number.
    if (std::holds_alternative<scientific::DecimalText>(scientific::checkDecimal(cell, scientific::Leniency::Points))) {
      return NonNumber::OutsideGrammar;
    }
    return NonNumber::Text;
  }
  std::string_view word = cell;
  if (word.front() == '+' || word.front() == '-') word.remove_prefix(1);
  for (std::string_view special : {"nan", "inf", "infinity"}) {
    if (equalsIgnoringCase(word, special)) return NonNumber::NotANumberWord;
  }
  return NonNumber::Text;
}

void FieldStats::addNumber(const NumberFacts& f) {
  ++numbers;
  asDouble.add(f.asDouble);
  asFloat.add(f.asFloat);
  if (f.shape.hasLeadingZero()) {
    if (leadingZeros++ == 0) zeroExample = example(f.text);
  }
  scale = std::max(scale, f.shape.scale());
  integerPlaces = std::max(integerPlaces, f.shape.integerPlaces());
  if (f.integer) {
    ++integers;
    if (f.signedBits == 0) signedNone = true;
    if (f.unsignedBits == 0) unsignedNone = true;
    signedBits = std::max(signedBits, f.signedBits);
    unsignedBits = std::max(unsignedBits, f.unsignedBits);
  }
  if (numbers == 1 || f.value < min) {
    min = f.value;
    minText = example(f.text);
  }
  if (numbers == 1 || f.value > max) {
    max = f.value;
    maxText = example(f.text);
  }
}

void FieldStats::addOther(NonNumber kind, std::string_view cell) {
  switch (kind) {
    case NonNumber::Empty: ++empty; return;
    case NonNumber::Text:
      if (text++ == 0) textExample = example(cell);
      return;
    case NonNumber::NotANumberWord: ++notANumberWords; [[fallthrough]];
    case NonNumber::OutsideGrammar:
      if (outsideGrammar++ == 0) grammarExample = example(cell);
      return;
  }
}

std::int64_t FieldStats::precision() const noexcept {
  std::int64_t p;
  if (__builtin_add_overflow(integerPlaces, scale, &p)) return std::numeric_limits<std::int64_t>::max();
  return std::max<std::int64_t>(p, 1);
}

Verdict verdict(const FieldStats& f) {
  const std::int64_t values = f.numbers + f.text + f.outsideGrammar;
  if (values == 0) return {"text", f.empty > 0 ? "every value is empty or null" : "no values"};
  if (f.numbers == 0 && f.outsideGrammar == 0) return {"text", "no numbers"};
  if (f.leadingZeros > 0) {
    return {"text", ofValues(f.leadingZeros, f.numbers) + " have leading zeros (" + f.zeroExample +
                        ") that a number type would drop"};
  }
  if (f.text > 0) return {"text", ofValues(f.text, values) + " are not numbers (" + f.textExample + ")"};
  const bool onlyWords = f.outsideGrammar == f.notANumberWords;
  if (f.outsideGrammar > 0 && !onlyWords) {
    return {"text", ofValues(f.outsideGrammar, values) + " are outside the decimal grammar (" + f.grammarExample +
                        "); --lenient reads .5 and 5."};
  }
  const std::int64_t p = f.precision();
  if (f.notANumberWords == 0 && f.integers == f.numbers) {
    if (!f.signedNone) {
      return {std::string(integerTypeName(f.signedBits, true)), "every value is an integer from " + f.minText + " to " + f.maxText};
    }
    if (!f.unsignedNone) return {"uint64", "integers from " + f.minText + " to " + f.maxText + " exceed int64"};
    if (p <= maxDecimalPrecision) return {decimalType(p, 0), "integers beyond 64 bits, up to " + std::to_string(p) + " digits"};
    return {"text", "integers of up to " + std::to_string(p) + " digits fit no number type"};
  }
  const FloatTally& d = f.asDouble;
  const std::int64_t outOfRange = d.overflowing + d.underflowing;
  const std::string words = onlyWords && f.notANumberWords > 0 ? "; NaN or Infinity need a floating type" : "";
  if (outOfRange == 0 && d.rounded == 0) return {"double", "every value is exact as double" + words};
  if (f.notANumberWords == 0 && p <= maxDecimalPrecision) {
    return {decimalType(p, f.scale), ofValues(d.rounded + outOfRange, f.numbers) +
                                         " are not exact as double; every value fits " + decimalType(p, f.scale)};
  }
  if (outOfRange == 0) {
    return {"double", ofValues(d.rounded, f.numbers) + " round, by at most " + threeDigits(d.maxRelativeError) +
                          " relative" + (words.empty() ? "; DECIMAL would need " + std::to_string(p) + " digits" : words)};
  }
  return {"text", ofValues(outOfRange, f.numbers) + " overflow or underflow double" +
                      (p > maxDecimalPrecision ? " and DECIMAL would need " + std::to_string(p) + " digits" : "")};
}

}  // namespace quire::decimal
