// The decimal reader: one pass over the text (lex) finds the digit runs and
// the exponent and accumulates both in machine words. A number of up to 19
// digits with an exponent of up to 18 is made, or converted to binary
// floating point, straight from those words; longer coefficients are held
// inline up to 38 digits and handed to GMP in one call beyond, and longer
// exponents are range-checked in 128 bits.
#include "scientific/parse.hpp"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
#include <type_traits>
#include <utility>

#include "scientific/internal/nearest_float.hpp"
#include "scientific/internal/numeric.hpp"

namespace quire::scientific {
namespace {

constexpr bool isDigit(char c) noexcept { return static_cast<unsigned char>(c - '0') < 10; }

// Up to 19 digits always fit a uint64, and an exponent of up to 18 digits
// stays in int64 after the shift by up to 19 fraction digits.
constexpr std::size_t maxWordDigits = 19;
constexpr std::ptrdiff_t maxShortExponentDigits = 18;
constexpr std::uint64_t maxPositive = std::numeric_limits<std::int64_t>::max();

using detail::int128;
constexpr int128 kMinExponent = std::numeric_limits<std::int64_t>::min();
constexpr int128 kMaxExponent = std::numeric_limits<std::int64_t>::max();

// The value of eight digit values (bytes 0 to 9) in a little-endian word,
// most significant first, by the usual SWAR arithmetic.
std::uint64_t eightDigitValues(std::uint64_t v) noexcept {
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

// How many of the eight bytes of v (first byte lowest) are digits before
// the first other byte, 8 when all are, with those digits appended to word.
// Each byte less '0' gives its digit value, and the high bit of
// (byte - '0') | (byte + 0x46) is set just for bytes that are not digits.
// Borrows and carries start only at such a byte and reach only the bytes
// above it, so the first one found is exact. The digits before it are
// converted by one SWAR step with zeros shifted in front, so no loop runs
// per digit.
[[gnu::always_inline]] inline int digitStep(std::uint64_t v, std::uint64_t& word) noexcept {
  const std::uint64_t values = v - 0x3030303030303030u;
  const std::uint64_t bad = (values | (v + 0x4646464646464646u)) & 0x8080808080808080u;
  if (bad == 0) {
    word = word * 100000000u + eightDigitValues(values);
    return 8;
  }
  const int n = std::countr_zero(bad) >> 3;
  if (n != 0) {
    word = word * detail::wordPowersOfTen[static_cast<std::size_t>(n)] + eightDigitValues(values << (64 - 8 * n));
  }
  return n;
}
// The end of the digit run starting at p, accumulating the digits into word
// (wrapping harmlessly when the run is long: word is then not used).
[[gnu::always_inline]] inline const char* digitRun(const char* p, const char* end, std::uint64_t& word) noexcept {
  if (end - p > 8) {
    // Most runs end within sixteen bytes. The second eight are the text's
    // last eight, shifted down, when fewer remain; after sixteen digits one
    // byte says whether the run goes on.
    const int n = digitStep(loadWord(p), word);
    if (n < 8) return p + n;
    const auto rest = static_cast<std::size_t>(end - p) - 8;
    const int m = digitStep(rest >= 8 ? loadWord(p + 8) : loadWord(end - 8) >> (64 - 8 * rest), word);
    if (m < 8) return p + 8 + m;
    p += 16;
    if (p == end || !isDigit(*p)) return p;
  }
  for (;;) {
    const int n = digitStep(loadPadded(p, end), word);
    if (n < 8) return p + n;
    p += 8;
  }
}

// What one pass of the grammar finds at the start of a text: where the
// digit runs lie, and the values of the digits and of the exponent's digits
// modulo 2^64 (exact for runs of at most 19 digits). Every reader starts
// from it: a short number is made or converted straight from the two words,
// and only longer texts look at the runs again.
struct Lexeme {
  const char* integerBegin;   // the first digit, after any sign
  const char* integerEnd;
  const char* mantissaEnd;    // after the fraction's digits, or integerEnd without them
  const char* exponentBegin;  // the exponent's first digit, or mantissaEnd without one
  const char* end;            // after the exponent's digits, or mantissaEnd without them
  std::uint64_t word;
  std::uint64_t exponentWord;  // with the exponent's sign applied, modulo 2^64
  std::size_t digitCount;
  std::size_t fractionCount;   // 0 without a fraction
  std::ptrdiff_t exponentCount;  // 0 without an exponent
  bool negative;
  bool negativeExponent;

  bool hasFraction() const noexcept { return fractionCount != 0; }
  // At most 19 digits and 18 exponent digits: the longest reading is then
  // exactly word × 10^shortExponent(), in range.
  bool isShort() const noexcept {
    return digitCount <= maxWordDigits && exponentCount <= maxShortExponentDigits;
  }
  std::int64_t shortExponent() const noexcept {
    return static_cast<std::int64_t>(exponentWord) - static_cast<std::int64_t>(fractionCount);
  }
};

// The lexeme at [p, end), or false when no digit starts it (after any sign).
[[gnu::always_inline]] inline bool lex(const char* p, const char* const end, Lexeme& x) noexcept {
  // The first eight bytes give the sign, the integer digits of a short
  // integer part and the byte after them, from one load.
  std::uint64_t v = loadPadded(p, end);
  int room = 8;  // the bytes of v that lie from p on
  x.negative = false;
  if (const auto first = static_cast<unsigned char>(v); first == '+' || first == '-') {
    x.negative = first == '-';
    ++p;
    v >>= 8;
    room = 7;
  }
  x.integerBegin = p;
  const std::uint64_t values = v - 0x3030303030303030u;
  const std::uint64_t bad = (values | (v + 0x4646464646464646u)) & 0x8080808080808080u;
  const int n = bad == 0 ? 8 : std::countr_zero(bad) >> 3;
  if (n == 0) return false;
  std::uint64_t word = 0;
  bool point;
  if (n < room) {
    // The run ends inside v: one digit, as every exponent form has, or a
    // few converted at once.
    word = n == 1 ? (values & 0xFF) : eightDigitValues(values << (64 - 8 * n));
    p += n;
    point = static_cast<unsigned char>(v >> (8 * n)) == '.';
  } else {
    p = digitRun(p, end, word);
    point = p < end && *p == '.';
  }
  x.integerEnd = p;
  std::size_t fraction = 0;
  if (point && end - p >= 2) {
    // A point without a digit after it is left unread; the empty run leaves
    // word as it was.
    const char* const fractionBegin = p + 1;
    const char* const fractionEnd = digitRun(fractionBegin, end, word);
    if (fractionEnd != fractionBegin) {
      fraction = static_cast<std::size_t>(fractionEnd - fractionBegin);
      p = fractionEnd;
    }
  }
  x.fractionCount = fraction;
  x.digitCount = static_cast<std::size_t>(x.integerEnd - x.integerBegin) + fraction;
  x.mantissaEnd = p;
  x.word = word;
  x.exponentBegin = p;
  x.end = p;
  x.exponentWord = 0;
  x.exponentCount = 0;
  x.negativeExponent = false;
  if (p < end && (*p | 0x20) == 'e') {  // 'e' or 'E'
    const char* q = p + 1;
    bool negativeExponent = false;
    if (q < end && (*q == '+' || *q == '-')) negativeExponent = *q++ == '-';
    const char* const digits = q;
    std::uint64_t written = 0;
    for (; q < end && isDigit(*q); ++q) written = written * 10 + static_cast<unsigned char>(*q - '0');
    if (q != digits) {
      x.exponentBegin = digits;
      x.end = q;
      x.exponentCount = q - digits;
      x.exponentWord = negativeExponent ? 0 - written : written;
      x.negativeExponent = negativeExponent;
    }
  }
  return true;
}

// The exponent a lexeme writes, or nullopt when its magnitude passes 64 bits.
std::optional<int128> writtenExponent(const Lexeme& x) noexcept {
  std::uint64_t magnitude = 0;
  bool overflow = false;
  for (const char* p = x.exponentBegin; p < x.end; ++p) {
    overflow |= __builtin_mul_overflow(magnitude, 10, &magnitude);
    overflow |= __builtin_add_overflow(magnitude, static_cast<std::uint64_t>(*p - '0'), &magnitude);
  }
  if (overflow) return std::nullopt;
  return x.negativeExponent ? -int128(magnitude) : int128(magnitude);
}

// What the grammar reads at the start of a text, for the general readers.
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
  std::size_t digitCount() const noexcept { return integerDigits.size() + fractionDigits.size(); }
};

// Trailing zeros of the digit run integer ++ fraction.
std::size_t trailingZeros(std::string_view integer, std::string_view fraction) noexcept {
  const std::size_t inFraction = fraction.size() - std::min(fraction.size(), fraction.find_last_not_of('0') + 1);
  if (inFraction < fraction.size()) return inFraction;
  const std::size_t lastNonZero = integer.find_last_not_of('0');
  return inFraction + (lastNonZero == std::string_view::npos ? integer.size() : integer.size() - lastNonZero - 1);
}

std::optional<Scan> scan(std::string_view text) noexcept {
  const char* const begin = text.data();
  Lexeme x;
  if (!lex(begin, begin + text.size(), x)) return std::nullopt;
  Scan s;
  s.negative = x.negative;
  s.word = x.word;
  s.integerDigits = std::string_view(x.integerBegin, static_cast<std::size_t>(x.integerEnd - x.integerBegin));
  if (x.hasFraction()) s.fractionDigits = std::string_view(x.integerEnd + 1, x.fractionCount);
  s.mantissaLength = static_cast<std::size_t>(x.mantissaEnd - begin);
  s.length = s.mantissaLength;
  if (x.end == x.mantissaEnd) return s;
  if (const std::optional<int128> written = writtenExponent(x)) {
    // The range is decided on the coefficient's final exponent. Below
    // INT64_MIN, trailing zeros of the digits are moved into it when there
    // are enough ("1.0e-9223372036854775808" is 1 × 10^INT64_MIN).
    int128 exponent = *written + s.fractionExponent();
    if (exponent < kMinExponent && kMinExponent - exponent <= int128(trailingZeros(s.integerDigits, s.fractionDigits))) {
      s.strippedZeros = static_cast<std::size_t>(kMinExponent - exponent);
      exponent = kMinExponent;
    }
    if (exponent >= kMinExponent && exponent <= kMaxExponent) {
      s.exponent = static_cast<std::int64_t>(exponent);
      s.length = static_cast<std::size_t>(x.end - begin);
    }
  }
  return s;
}

// (-1)^negative × w × 10^e, held inline whatever the word.
Scientific wordValue(std::uint64_t w, bool negative, std::int64_t e) noexcept {
  if (w <= maxPositive + (negative ? 1 : 0)) {
    return Scientific(static_cast<std::int64_t>(negative ? 0 - w : w), e);
  }
  return detail::ScientificAccess::wide(w, negative, e);
}

// Coefficients of up to 38 digits fit 127 bits and are held inline.
constexpr std::size_t maxInlineDigits = 38;

// The digits of text appended to v.
detail::uint128 appendDigits(detail::uint128 v, std::string_view text) noexcept {
  for (const char c : text) v = v * 10 + static_cast<unsigned char>(c - '0');
  return v;
}

// The coefficient without its last `strip` digits (all zeros), times 10^exponent.
Scientific valueOf(const Scan& s, std::int64_t exponent, std::size_t strip = 0) {
  if (s.digitCount() <= maxWordDigits) {
    return wordValue(s.word / detail::wordPowersOfTen[strip], s.negative, exponent);
  }
  std::string_view high = s.integerDigits, low = s.fractionDigits;
  const std::size_t fromLow = std::min(strip, low.size());
  low.remove_suffix(fromLow);
  high.remove_suffix(strip - fromLow);
  if (high.size() + low.size() <= maxInlineDigits) {
    const detail::uint128 m = appendDigits(appendDigits(0, high), low);
    const int128 v = s.negative ? -static_cast<int128>(m) : static_cast<int128>(m);
    return detail::ScientificAccess::fromInt128(v, exponent);
  }
  return Scientific(detail::integerFromDigits(high, low, s.negative), exponent);
}

// The longest reading's value.
Scientific longestValue(const Scan& s) {
  return s.exponent ? valueOf(s, *s.exponent, s.strippedZeros) : valueOf(s, s.fractionExponent());
}

// The value of a short lexeme's longest reading.
[[gnu::always_inline]] inline Scientific shortValue(const Lexeme& x) noexcept {
  return wordValue(x.word, x.negative, x.shortExponent());
}

// A value made where an optional's storage lies: an optional constructed in
// place from one takes the callable's result without a moved-from
// temporary to destroy.
template <class Make>
struct InPlace {
  Make make;
  operator std::invoke_result_t<Make&>() { return make(); }
};
template <class Make>
InPlace(Make) -> InPlace<Make>;

[[gnu::noinline]] std::optional<Reading<Scientific>> longestReading(std::string_view text) {
  const std::optional<Scan> s = scan(text);
  if (!s) return std::nullopt;
  return Reading<Scientific>{longestValue(*s), text.substr(s->length)};
}

}  // namespace

// A short number is read in one pass, without GMP or a second look at its
// digits; the rest take the general road.
std::optional<Reading<Scientific>> scientificP(std::string_view text) {
  Lexeme x;
  if (lex(text.data(), text.data() + text.size(), x) && x.isShort()) {
    const std::string_view rest(x.end, static_cast<std::size_t>(text.data() + text.size() - x.end));
    return std::optional<Reading<Scientific>>(std::in_place,
                                              InPlace{[&] { return Reading<Scientific>{shortValue(x), rest}; }});
  }
  return longestReading(text);
}

std::vector<Reading<Scientific>> scientificReadings(std::string_view text) {
  std::vector<Reading<Scientific>> readings;
  const std::optional<Scan> s = scan(text);
  if (!s) return readings;
  const Scientific withoutExponent = valueOf(*s, s->fractionExponent());
  if (s->exponent) {
    // A wide coefficient held inline is made again; a GMP one is copied.
    const Scientific withExponent =
        s->strippedZeros != 0 ? valueOf(*s, *s->exponent, s->strippedZeros)
        : withoutExponent.hasSmallCoefficient()
            ? Scientific(withoutExponent.smallCoefficient(), *s->exponent)
        : s->digitCount() <= maxInlineDigits ? valueOf(*s, *s->exponent)
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

namespace {
// The general road of read<Scientific>.
[[gnu::noinline]] std::optional<Scientific> readGeneral(std::string_view text) {
  const std::string_view at = leadingSpaceSkipped(text);
  // Parentheses may allow several readings: the general reader decides.
  if (!at.empty() && at.front() == '(') return onlyFullReading(readsPrec<Scientific>(0, text));
  // Without them only the longest reading can leave nothing but white
  // space: the shorter one stops before an 'e'.
  const std::optional<Scan> s = scan(at);
  if (!s || !blank(at.substr(s->length))) return std::nullopt;
  return longestValue(*s);
}
}  // namespace

// A short number that fills the text is read in one pass; white space,
// parentheses and longer numbers take the general road.
template <>
std::optional<Scientific> read<Scientific>(std::string_view text) {
  const char* const end = text.data() + text.size();
  Lexeme x;
  if (lex(text.data(), end, x) && x.isShort() && x.end == end) {
    return std::optional<Scientific>(std::in_place, InPlace{[&] { return shortValue(x); }});
  }
  return readGeneral(text);
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

template <std::floating_point F>
[[gnu::noinline]] std::optional<Bounded<F>> readBoundedGeneral(std::string_view text) {
  const std::optional<Scientific> s = read<Scientific>(text);
  if (!s) return std::nullopt;
  return toBoundedRealFloat<F>(*s);
}

// A short number that fills the text goes from its words to the nearest F
// by the cheap roads; anything else is read and then converted.
template <std::floating_point F>
std::optional<Bounded<F>> readBounded(std::string_view text) {
  if constexpr (std::numeric_limits<F>::digits <= 53) {
    const char* const end = text.data() + text.size();
    Lexeme x;
    if (lex(text.data(), end, x) && x.isShort() && x.end == end) {
      if (const auto b = detail::boundedWordByTables<F>(x.word, x.shortExponent(), x.negative)) return *b;
    }
  }
  return readBoundedGeneral<F>(text);
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
