// The decimal reader: one pass over the text finds the digit runs and the
// exponent; the coefficient is then either accumulated in a machine word
// (up to 19 digits, no allocation) or handed to GMP in one call.
#include "scientific/parse.hpp"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
#include <utility>

#include "scientific/internal/numeric.hpp"

namespace quire::scientific {
namespace {

constexpr bool isDigit(char c) noexcept { return static_cast<unsigned char>(c - '0') < 10; }

// Up to 19 digits always fit a uint64.
constexpr std::size_t maxWordDigits = 19;
constexpr std::uint64_t maxPositive = std::numeric_limits<std::int64_t>::max();

using detail::int128;
constexpr int128 kMinExponent = std::numeric_limits<std::int64_t>::min();
constexpr int128 kMaxExponent = std::numeric_limits<std::int64_t>::max();

// What the grammar found at the start of a text.
struct Scan {
  std::string_view integerDigits;
  std::string_view fractionDigits;
  bool negative = false;
  std::uint64_t word = 0;                // the digits' value when there are at most maxWordDigits
  std::size_t mantissaLength = 0;        // the text read up to the end of the fraction
  std::optional<std::int64_t> exponent;  // of the reading with an exponent, when offered
  std::size_t strippedZeros = 0;         // trailing zeros that reading leaves out of its coefficient
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

// The bytes of v that are not ASCII digits, as non-zero bytes; only the
// first such byte is exact (a carry may mark the bytes after it).
std::uint64_t nonDigitBytes(std::uint64_t v) noexcept {
  constexpr std::uint64_t highNibbles = 0xF0F0F0F0F0F0F0F0u;
  constexpr std::uint64_t threes = 0x3030303030303030u;
  return ((v & highNibbles) ^ threes) | (((v + 0x0606060606060606u) & highNibbles) ^ threes);
}

// The end of the digit run starting at p, accumulating the digits into word
// (wrapping harmlessly when the run is long: word is then not used). Eight
// bytes are examined at once while eight remain: the run's length within
// them comes from the first non-digit byte, and its value from one SWAR
// conversion with zeros shifted in front, so no loop runs per digit.
// The eight bytes at p, or those before end followed by zero bytes when
// fewer remain; never reads outside [p, end).
[[gnu::always_inline]] inline std::uint64_t loadPadded(const char* p, const char* end) noexcept {
  const auto n = static_cast<std::size_t>(end - p);
  if (n >= 8) return loadWord(p);
  if (n >= 4) {
    // Two overlapping four-byte loads cover the n bytes.
    std::uint32_t first;
    std::uint32_t last;
    std::memcpy(&first, p, 4);
    std::memcpy(&last, end - 4, 4);
    if constexpr (std::endian::native == std::endian::big) {
      first = __builtin_bswap32(first);
      last = __builtin_bswap32(last);
    }
    return first | (std::uint64_t{last} << (8 * (n - 4)));
  }
  if (n == 0) return 0;
  // Bytes 0, n / 2 and n - 1 cover n = 1, 2, 3.
  return std::uint64_t{static_cast<unsigned char>(p[0])} |
         std::uint64_t{static_cast<unsigned char>(p[n / 2])} << (8 * (n / 2)) |
         std::uint64_t{static_cast<unsigned char>(p[n - 1])} << (8 * (n - 1));
}

// The end of the digit run starting at p, accumulating the digits into word
// (wrapping harmlessly when the run is long: word is then not used). Eight
// bytes are examined at once: the run's length within them comes from the
// first non-digit byte, and its value from one SWAR conversion with zeros
// shifted in front, so no loop runs per digit.
[[gnu::always_inline]] inline const char* digitRun(const char* p, const char* end, std::uint64_t& word) noexcept {
  for (;;) {
    const std::uint64_t v = loadPadded(p, end);
    const std::uint64_t bad = nonDigitBytes(v);
    if (bad == 0) {
      word = word * 100000000u + eightDigitsValue(v);
      p += 8;
      continue;
    }
    const int n = std::countr_zero(bad) >> 3;
    if (n != 0) {
      const std::uint64_t padded = (v << (64 - 8 * n)) | (0x3030303030303030u >> (8 * n));
      word = word * detail::wordPowersOfTen[static_cast<std::size_t>(n)] + eightDigitsValue(padded);
    }
    return p + n;
  }
}

// The exponent written at p ('e' or 'E' just before it) and the end of its
// digits, or nullopt when it has no digits or more than 64 bits of magnitude.
std::optional<std::pair<int128, const char*>> exponentPart(const char* p, const char* end) noexcept {
  bool negative = false;
  if (p < end && (*p == '+' || *p == '-')) negative = *p++ == '-';
  const char* start = p;
  std::uint64_t magnitude = 0;
  bool overflow = false;
  for (; p < end && isDigit(*p); ++p) {
    overflow |= __builtin_mul_overflow(magnitude, 10, &magnitude);
    overflow |= __builtin_add_overflow(magnitude, static_cast<std::uint64_t>(*p - '0'), &magnitude);
  }
  if (p == start || overflow) return std::nullopt;
  return std::pair{negative ? -int128(magnitude) : int128(magnitude), p};
}

// Trailing zeros of the digit run integer ++ fraction.
std::size_t trailingZeros(std::string_view integer, std::string_view fraction) noexcept {
  const std::size_t inFraction = fraction.size() - std::min(fraction.size(), fraction.find_last_not_of('0') + 1);
  if (inFraction < fraction.size()) return inFraction;
  const std::size_t lastNonZero = integer.find_last_not_of('0');
  return inFraction + (lastNonZero == std::string_view::npos ? integer.size() : integer.size() - lastNonZero - 1);
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
    if (auto written = exponentPart(p + 1, end)) {
      // The range is decided on the coefficient's final exponent. Below
      // INT64_MIN, trailing zeros of the digits are moved into it when there
      // are enough ("1.0e-9223372036854775808" is 1 × 10^INT64_MIN).
      int128 exponent = written->first + s.fractionExponent();
      if (exponent < kMinExponent && kMinExponent - exponent <= int128(trailingZeros(s.integerDigits, s.fractionDigits))) {
        s.strippedZeros = static_cast<std::size_t>(kMinExponent - exponent);
        exponent = kMinExponent;
      }
      if (exponent >= kMinExponent && exponent <= kMaxExponent) {
        s.exponent = static_cast<std::int64_t>(exponent);
        s.length = static_cast<std::size_t>(written->second - begin);
      }
    }
  }
  return s;
}

// The common case in one pass, with everything in registers: at most 19
// digits and an exponent of at most 18 digits. Gives the longest reading;
// false sends the caller to scan(), which gives the same answer for all
// this accepts and also handles the rest.
struct QuickNumber {
  std::int64_t coefficient;
  std::int64_t exponent;
  std::size_t length;
};

[[gnu::always_inline]] inline bool quickNumber(std::string_view text, QuickNumber& out) noexcept {
  const char* const begin = text.data();
  const char* const end = begin + text.size();
  const char* p = begin;
  bool negative = false;
  if (p < end && (*p == '+' || *p == '-')) negative = *p++ == '-';
  std::uint64_t word = 0;
  const char* integerStart = p;
  p = digitRun(p, end, word);
  std::size_t digits = static_cast<std::size_t>(p - integerStart);
  if (digits == 0) return false;
  std::int64_t exponent = 0;
  if (end - p >= 2 && *p == '.' && isDigit(p[1])) {
    const char* fractionStart = p + 1;
    p = digitRun(fractionStart, end, word);
    exponent = -static_cast<std::int64_t>(p - fractionStart);
    digits += static_cast<std::size_t>(p - fractionStart);
  }
  if (digits > maxWordDigits) return false;
  if (p < end && (*p == 'e' || *p == 'E')) {
    const char* q = p + 1;
    bool negativeExponent = false;
    if (q < end && (*q == '+' || *q == '-')) negativeExponent = *q++ == '-';
    const char* exponentStart = q;
    std::int64_t written = 0;
    for (; q < end && isDigit(*q) && q - exponentStart < 18; ++q) written = written * 10 + (*q - '0');
    if (q < end && isDigit(*q)) return false;
    if (q != exponentStart) {
      exponent += negativeExponent ? -written : written;
      p = q;
    }
  }
  if (word > maxPositive + (negative ? 1 : 0)) return false;
  out.coefficient = negative ? static_cast<std::int64_t>(0 - word) : static_cast<std::int64_t>(word);
  out.exponent = exponent;
  out.length = static_cast<std::size_t>(p - begin);
  return true;
}

// All the digits, without the '.' and the last `strip` ones.
mpz_class bigCoefficient(const Scan& s, std::size_t strip) {
  std::string_view high = s.integerDigits, low = s.fractionDigits;
  const std::size_t fromLow = std::min(strip, low.size());
  low.remove_suffix(fromLow);
  high.remove_suffix(strip - fromLow);
  return detail::integerFromDigits(high, low, s.negative);
}

// The coefficient without its last `strip` digits (all zeros), times 10^exponent.
Scientific valueOf(const Scan& s, std::int64_t exponent, std::size_t strip = 0) {
  if (s.fitsWord()) {
    const std::uint64_t word = s.word / detail::wordPowersOfTen[strip];
    if (word <= maxPositive) {
      const auto c = static_cast<std::int64_t>(word);
      return Scientific(s.negative ? -c : c, exponent);
    }
    if (s.negative && word == maxPositive + 1) {
      return Scientific(std::numeric_limits<std::int64_t>::min(), exponent);
    }
    mpz_class c(static_cast<unsigned long>(word));
    if (s.negative) mpz_neg(c.get_mpz_t(), c.get_mpz_t());
    return Scientific(std::move(c), exponent);
  }
  return Scientific(bigCoefficient(s, strip), exponent);
}

// The longest reading's value.
Scientific longestValue(const Scan& s) {
  return s.exponent ? valueOf(s, *s.exponent, s.strippedZeros) : valueOf(s, s.fractionExponent());
}

}  // namespace

std::optional<Reading<Scientific>> scientificP(std::string_view text) {
  if (QuickNumber q; quickNumber(text, q)) {
    return Reading<Scientific>{Scientific(q.coefficient, q.exponent), text.substr(q.length)};
  }
  const std::optional<Scan> s = scan(text);
  if (!s) return std::nullopt;
  return Reading<Scientific>{longestValue(*s), text.substr(s->length)};
}

std::vector<Reading<Scientific>> scientificReadings(std::string_view text) {
  std::vector<Reading<Scientific>> readings;
  const std::optional<Scan> s = scan(text);
  if (!s) return readings;
  const Scientific withoutExponent = valueOf(*s, s->fractionExponent());
  if (s->exponent) {
    const Scientific withExponent =
        s->strippedZeros != 0 ? valueOf(*s, *s->exponent, s->strippedZeros)
        : withoutExponent.hasSmallCoefficient()
            ? Scientific(withoutExponent.smallCoefficient(), *s->exponent)
            : Scientific(withoutExponent.bigCoefficient(), *s->exponent);
    readings.push_back({withExponent, text.substr(s->length)});
  }
  readings.push_back({withoutExponent, text.substr(s->mantissaLength)});
  return readings;
}

namespace {
// Nothing but white space in text, quickly when there is nothing at all.
bool blank(std::string_view text) noexcept { return text.empty() || skipSpace(text).empty(); }
// text without leading white space, quickly when it has none.
std::string_view leadingSpaceSkipped(std::string_view text) noexcept {
  return !text.empty() && quire::detail::isSpace(text.front()) ? skipSpace(text) : text;
}
}  // namespace

template <>
std::optional<Scientific> read<Scientific>(std::string_view text) {
  const std::string_view at = leadingSpaceSkipped(text);
  // Without parentheses only the longest reading can leave nothing but
  // white space: the shorter one stops before an 'e'.
  if (QuickNumber q; quickNumber(at, q)) {
    if (!blank(at.substr(q.length))) return std::nullopt;
    return Scientific(q.coefficient, q.exponent);
  }
  // Parentheses may allow several readings: the general reader decides.
  if (!at.empty() && at.front() == '(') return onlyFullReading(readsPrec<Scientific>(0, text));
  const std::optional<Scan> s = scan(at);
  if (!s || !skipSpace(at.substr(s->length)).empty()) return std::nullopt;
  return longestValue(*s);
}

template <>
std::vector<Reading<Scientific>> readsPrec<Scientific>(int /*precedence*/, std::string_view text) {
  return readParen(false, text, [](std::string_view at) { return scientificReadings(at); });
}

namespace {

using ListReading = Reading<std::vector<Scientific>>;

bool canContinueList(std::string_view rest) noexcept {
  const std::string_view next = skipSpace(rest);
  return !next.empty() && (next.front() == ',' || next.front() == ']');
}

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
      // Only an element followed by "," or "]" can go on. A number offers at
      // most one such reading (the other stops before an 'e'), so the
      // partial list is moved on, not copied, and reading stays linear.
      std::erase_if(elements, [](const Reading<Scientific>& e) { return !canContinueList(e.rest); });
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

namespace {

// 10^0 ... 10^22, every power of ten a double holds exactly.
constexpr auto exactDoublePowers = [] {
  std::array<double, 23> table{};
  double p = 1;
  for (double& entry : table) {
    entry = p;
    p *= 10;
  }
  return table;
}();

template <std::floating_point F>
std::optional<Bounded<F>> readBounded(std::string_view text) {
  const std::string_view at = leadingSpaceSkipped(text);
  QuickNumber q;
  if (quickNumber(at, q)) {
    if (!blank(at.substr(q.length))) return std::nullopt;
    if constexpr (std::same_as<F, double>) {
      // An integer below 2^53 and a power of ten that are both exact: one
      // correctly rounded operation gives the nearest double.
      constexpr std::int64_t exactInteger = std::int64_t{1} << 53;
      if (q.coefficient >= -exactInteger && q.coefficient <= exactInteger && q.exponent >= -22 &&
          q.exponent <= 22 && q.coefficient != 0) {
        const auto x = static_cast<double>(q.coefficient);
        return Bounded<double>{true, q.exponent >= 0 ? x * exactDoublePowers[static_cast<std::size_t>(q.exponent)]
                                                     : x / exactDoublePowers[static_cast<std::size_t>(-q.exponent)]};
      }
    }
    return toBoundedRealFloat<F>(Scientific(q.coefficient, q.exponent));
  }
  const std::optional<Scientific> s = read<Scientific>(text);
  if (!s) return std::nullopt;
  return toBoundedRealFloat<F>(*s);
}

}  // namespace

template <>
std::optional<Bounded<float>> readBoundedRealFloat<float>(std::string_view text) {
  return readBounded<float>(text);
}
template <>
std::optional<Bounded<double>> readBoundedRealFloat<double>(std::string_view text) {
  return readBounded<double>(text);
}
template <>
std::optional<Bounded<long double>> readBoundedRealFloat<long double>(std::string_view text) {
  return readBounded<long double>(text);
}

}  // namespace quire::scientific
