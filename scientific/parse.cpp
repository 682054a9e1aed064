// The decimal reader: one pass over the text finds the digit runs and the
// exponent; the coefficient is then either accumulated in a machine word
// (up to 19 digits, no allocation) or handed to GMP in one call.
#include "scientific/parse.hpp"

#include <bit>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
#include <utility>

namespace quire::scientific {
namespace {

constexpr bool isDigit(char c) noexcept { return static_cast<unsigned char>(c - '0') < 10; }

// Up to 19 digits always fit a uint64.
constexpr std::size_t maxWordDigits = 19;
constexpr std::uint64_t maxPositive = std::numeric_limits<std::int64_t>::max();

// What the grammar found at the start of a text.
struct Scan {
  std::string_view integerDigits;
  std::string_view fractionDigits;
  bool negative = false;
  std::uint64_t word = 0;                // the digits' value when there are at most maxWordDigits
  std::size_t mantissaLength = 0;        // the text read up to the end of the fraction
  std::optional<std::int64_t> exponent;  // of the reading with an exponent, when offered
  std::size_t length = 0;                // the text read with the exponent

  std::int64_t fractionExponent() const noexcept {
    return -static_cast<std::int64_t>(fractionDigits.size());
  }
  bool fitsWord() const noexcept {
    return integerDigits.size() + fractionDigits.size() <= maxWordDigits;
  }
};

// Eight ASCII digits in a little-endian word, as found and converted eight
// at a time (the usual SWAR arithmetic): most numbers need one or two steps.
bool allDigits(std::uint64_t v) noexcept {
  return ((v & 0xF0F0F0F0F0F0F0F0u) | (((v + 0x0606060606060606u) & 0xF0F0F0F0F0F0F0F0u) >> 4)) ==
         0x3333333333333333u;
}
std::uint64_t eightDigitsValue(std::uint64_t v) noexcept {
  v -= 0x3030303030303030u;
  v = v * 10 + (v >> 8);  // pairs of digits in every other byte
  v = (((v & 0x000000FF000000FFu) * (100 + (1000000ull << 32))) +
       (((v >> 16) & 0x000000FF000000FFu) * (1 + (10000ull << 32)))) >>
      32;
  return v & 0xFFFFFFFFu;
}
std::uint64_t loadWord(const char* p) noexcept {
  std::uint64_t v;
  std::memcpy(&v, p, sizeof v);
  if constexpr (std::endian::native == std::endian::big) v = __builtin_bswap64(v);
  return v;
}

// The end of the digit run starting at p, accumulating the digits into word
// (wrapping harmlessly when the run is long: word is then not used).
const char* digitRun(const char* p, const char* end, std::uint64_t& word) noexcept {
  while (end - p >= 8) {
    const std::uint64_t v = loadWord(p);
    if (!allDigits(v)) break;
    word = word * 100000000u + eightDigitsValue(v);
    p += 8;
  }
  while (p < end && isDigit(*p)) {
    word = word * 10 + static_cast<std::uint64_t>(*p - '0');
    ++p;
  }
  return p;
}

// The exponent part at p ('e' or 'E' just before it) added to base: the
// exponent and the end of its digits, or nullopt when it has no digits or
// leaves the 64-bit range.
std::optional<std::pair<std::int64_t, const char*>> exponentPart(const char* p, const char* end,
                                                                 std::int64_t base) noexcept {
  bool negative = false;
  if (p < end && (*p == '+' || *p == '-')) negative = *p++ == '-';
  const char* start = p;
  std::uint64_t magnitude = 0;
  bool overflow = false;
  for (; p < end && isDigit(*p); ++p) {
    overflow |= __builtin_mul_overflow(magnitude, 10, &magnitude);
    overflow |= __builtin_add_overflow(magnitude, static_cast<std::uint64_t>(*p - '0'), &magnitude);
  }
  if (p == start) return std::nullopt;
  if (overflow || magnitude > maxPositive + (negative ? 1 : 0)) return std::nullopt;
  const std::int64_t x =
      negative ? static_cast<std::int64_t>(0 - magnitude) : static_cast<std::int64_t>(magnitude);
  std::int64_t exponent;
  if (__builtin_add_overflow(base, x, &exponent)) return std::nullopt;
  return std::pair{exponent, p};
}

std::optional<Scan> scan(std::string_view text) noexcept {
  Scan s;
  const char* const begin = text.data();
  const char* const end = begin + text.size();
  const char* p = begin;
  if (p < end && (*p == '+' || *p == '-')) s.negative = *p++ == '-';
  const char* integerEnd = digitRun(p, end, s.word);
  if (integerEnd == p) return std::nullopt;
  s.integerDigits = std::string_view(p, static_cast<std::size_t>(integerEnd - p));
  p = integerEnd;
  if (end - p >= 2 && *p == '.' && isDigit(p[1])) {
    const char* fractionEnd = digitRun(p + 1, end, s.word);
    s.fractionDigits = std::string_view(p + 1, static_cast<std::size_t>(fractionEnd - p - 1));
    p = fractionEnd;
  }
  s.mantissaLength = static_cast<std::size_t>(p - begin);
  s.length = s.mantissaLength;
  if (p < end && (*p == 'e' || *p == 'E')) {
    if (auto exponent = exponentPart(p + 1, end, s.fractionExponent())) {
      s.exponent = exponent->first;
      s.length = static_cast<std::size_t>(exponent->second - begin);
    }
  }
  return s;
}

// All the digits, without the '.', read by GMP at once.
mpz_class bigCoefficient(const Scan& s) {
  std::string digits;
  digits.reserve(s.integerDigits.size() + s.fractionDigits.size() + 1);
  digits.append(s.integerDigits);
  digits.append(s.fractionDigits);
  mpz_class c;
  mpz_set_str(c.get_mpz_t(), digits.c_str(), 10);
  if (s.negative) mpz_neg(c.get_mpz_t(), c.get_mpz_t());
  return c;
}

Scientific valueOf(const Scan& s, std::int64_t exponent) {
  if (s.fitsWord()) {
    if (s.word <= maxPositive) {
      const auto c = static_cast<std::int64_t>(s.word);
      return Scientific(s.negative ? -c : c, exponent);
    }
    if (s.negative && s.word == maxPositive + 1) {
      return Scientific(std::numeric_limits<std::int64_t>::min(), exponent);
    }
    mpz_class c(static_cast<unsigned long>(s.word));
    if (s.negative) mpz_neg(c.get_mpz_t(), c.get_mpz_t());
    return Scientific(std::move(c), exponent);
  }
  return Scientific(bigCoefficient(s), exponent);
}

}  // namespace

std::optional<Reading<Scientific>> scientificP(std::string_view text) {
  const std::optional<Scan> s = scan(text);
  if (!s) return std::nullopt;
  return Reading<Scientific>{valueOf(*s, s->exponent.value_or(s->fractionExponent())),
                             std::string_view(text.data() + s->length, text.size() - s->length)};
}

std::vector<Reading<Scientific>> scientificReadings(std::string_view text) {
  std::vector<Reading<Scientific>> readings;
  const std::optional<Scan> s = scan(text);
  if (!s) return readings;
  const Scientific withoutExponent = valueOf(*s, s->fractionExponent());
  if (s->exponent) {
    const Scientific withExponent =
        withoutExponent.hasSmallCoefficient()
            ? Scientific(withoutExponent.smallCoefficient(), *s->exponent)
            : Scientific(withoutExponent.bigCoefficient(), *s->exponent);
    readings.push_back({withExponent, text.substr(s->length)});
  }
  readings.push_back({withoutExponent, text.substr(s->mantissaLength)});
  return readings;
}

template <>
std::vector<Reading<Scientific>> readsPrec<Scientific>(int /*precedence*/, std::string_view text) {
  return readParen(false, text, [](std::string_view at) { return scientificReadings(at); });
}

namespace {

using ListReading = Reading<std::vector<Scientific>>;

// The readings of "[" element ("," element)* "]" or "[" "]" at text.
// Every element reading that can go on is followed; for well-formed input
// only one can, and its list is moved on rather than copied.
std::vector<ListReading> listReadings(std::string_view text) {
  std::vector<ListReading> done;
  const std::optional<std::string_view> open = readToken(text, "[");
  if (!open) return done;
  if (auto close = readToken(*open, "]")) done.push_back({{}, *close});
  std::vector<ListReading> going;
  for (Reading<Scientific>& element : readsPrec<Scientific>(0, *open)) {
    going.push_back({{std::move(element.value)}, element.rest});
  }
  while (!going.empty()) {
    std::vector<ListReading> next;
    for (ListReading& partial : going) {
      if (auto close = readToken(partial.rest, "]")) {
        done.push_back({std::move(partial.value), *close});
        continue;
      }
      const std::optional<std::string_view> comma = readToken(partial.rest, ",");
      if (!comma) continue;
      std::vector<Reading<Scientific>> elements = readsPrec<Scientific>(0, *comma);
      for (std::size_t k = 0; k < elements.size(); ++k) {
        std::vector<Scientific> values =
            k + 1 == elements.size() ? std::move(partial.value) : partial.value;
        values.push_back(std::move(elements[k].value));
        next.push_back({std::move(values), elements[k].rest});
      }
    }
    going = std::move(next);
  }
  return done;
}

}  // namespace

template <>
std::vector<ListReading> readsPrec<std::vector<Scientific>>(int /*precedence*/,
                                                            std::string_view text) {
  return readParen(false, text, listReadings);
}

}  // namespace quire::scientific
