#include "scientific/format.hpp"

#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <cstring>
#include <string_view>

#include "base/error.hpp"
#include "scientific/internal/numeric.hpp"

namespace quire::scientific {

namespace {

using detail::int128;
using detail::uint128;

// |s| as 0.D × 10^point, where D has no trailing zero ("0" for zero). A
// word coefficient is converted in a buffer of the object itself.
class Decomposed {
 public:
  explicit Decomposed(const Scientific& s) {
    if (s.hasSmallCoefficient()) {
      std::int64_t c = s.smallCoefficient();
      negative_ = c < 0;
      std::uint64_t u = detail::unsignedAbs(c);
      int zeros = 0;
      if (u != 0 && (u & 1) == 0) {
        while (u % 10 == 0) {
          u /= 10;
          ++zeros;
        }
      }
      char* end = std::to_chars(inline_, inline_ + sizeof inline_, u).ptr;
      digits_ = std::string_view(inline_, static_cast<std::size_t>(end - inline_));
      point_ = u == 0 ? 0 : static_cast<int128>(digits_.size()) + s.base10Exponent() + zeros;
      return;
    }
    const detail::CoefficientView view(s);
    mpz_srcptr c = view.get();
    negative_ = mpz_sgn(c) < 0;
    heap_.resize(mpz_sizeinbase(c, 10) + 2);
    mpz_get_str(heap_.data(), 10, c);
    std::string_view all(heap_.data());
    if (negative_) all.remove_prefix(1);
    point_ = static_cast<int128>(all.size()) + s.base10Exponent();
    digits_ = all.substr(0, all.find_last_not_of('0') + 1);
  }
  Decomposed(const Decomposed&) = delete;
  Decomposed& operator=(const Decomposed&) = delete;

  std::string_view digits() const noexcept { return digits_; }
  int128 point() const noexcept { return point_; }
  bool negative() const noexcept { return negative_; }

 private:
  char inline_[24];
  std::string heap_;
  std::string_view digits_;
  int128 point_ = 0;
  bool negative_ = false;
};

// The digit sequence zeros(leading) ++ body ++ zeros(trailing); runs of
// zeros are counted, never stored.
struct DigitRun {
  std::uint64_t leading = 0;
  std::string body;
  std::uint64_t trailing = 0;

  std::uint64_t size() const noexcept { return leading + body.size() + trailing; }
  char first() const noexcept { return leading > 0 || body.empty() ? '0' : body.front(); }
};

struct Rounded {
  int carry = 0;
  DigitRun run;
};

// Rounds zeros(leadingZeros) ++ digits to n digits, half to even, with the
// carry out of the first digit. The even test looks at the last kept digit
// (a kept leading zero counts as even, and keeping nothing rounds a half
// down). The work is bounded by the digits, not by the zeros.
Rounded roundDigits(std::uint64_t leadingZeros, std::string_view digits, std::uint64_t n) {
  uint128 total = static_cast<uint128>(leadingZeros) + digits.size();
  if (n >= total) {
    return {0, {leadingZeros, std::string(digits), static_cast<std::uint64_t>(n - total)}};
  }
  if (n < leadingZeros) return {0, {n, {}, 0}};
  auto j = static_cast<std::size_t>(n - leadingZeros);
  char dropped = digits[j];
  bool lastKeptEven = j == 0 || (digits[j - 1] - '0') % 2 == 0;
  bool exactHalf = dropped == '5' && digits.find_first_not_of('0', j + 1) == std::string_view::npos;
  Rounded r{0, {leadingZeros, std::string(digits.substr(0, j)), 0}};
  if (dropped < '5' || (exactHalf && lastKeptEven)) return r;
  for (std::size_t i = r.run.body.size(); i-- > 0;) {
    if (r.run.body[i] != '9') {
      ++r.run.body[i];
      return r;
    }
    r.run.body[i] = '0';
  }
  r.run.body.insert(r.run.body.begin(), '1');
  if (r.run.leading > 0) {
    --r.run.leading;  // the carry stops at the last kept zero
  } else {
    r.carry = 1;
  }
  return r;
}

// Writes through a raw pointer into storage sized by the caller's bound.
class Writer {
 public:
  explicit Writer(char* out) noexcept : p_(out) {}
  void put(char c) noexcept { *p_++ = c; }
  void put(std::string_view s) noexcept {
    std::memcpy(p_, s.data(), s.size());
    p_ += s.size();
  }
  void zeros(std::uint64_t n) noexcept {
    std::memset(p_, '0', n);
    p_ += n;
  }
  void integer(int128 v) noexcept {
    if (v >= std::numeric_limits<std::int64_t>::min() && v <= std::numeric_limits<std::int64_t>::max()) {
      p_ = std::to_chars(p_, p_ + 20, static_cast<std::int64_t>(v)).ptr;
      return;
    }
    if (v < 0) put('-');
    uint128 u = v < 0 ? uint128(0) - static_cast<uint128>(v) : static_cast<uint128>(v);
    char tmp[40];
    char* t = tmp + sizeof tmp;
    for (; u != 0; u /= 10) *--t = static_cast<char>('0' + static_cast<int>(u % 10));
    put(std::string_view(t, static_cast<std::size_t>(tmp + sizeof tmp - t)));
  }
  // The positions [from, to) of run.
  void run(const DigitRun& r, std::uint64_t from, std::uint64_t to) noexcept {
    std::uint64_t bodyEnd = r.leading + r.body.size();
    if (from < r.leading) zeros(std::min(to, r.leading) - from);
    if (from < bodyEnd && to > r.leading) {
      std::uint64_t a = std::max(from, r.leading) - r.leading;
      std::uint64_t b = std::min(to, bodyEnd) - r.leading;
      put(std::string_view(r.body).substr(a, b - a));
    }
    if (to > bodyEnd) zeros(to - std::max(from, bodyEnd));
  }
  char* end() const noexcept { return p_; }

 private:
  char* p_;
};

// Room for the longest exponent text, "e-" and 39 digits, and its separators.
constexpr int kExponentRoom = 45;

void checkLength(int128 bound, const char* operation) {
  if (bound > maxFormattedLength) {
    throwError(std::string(operation) + ": the result would be longer than " +
               std::to_string(maxFormattedLength) + " characters");
  }
}

// fmtAsExponent: d.ddd e(point-1).
// At least minFraction >= 1 digits follow the point, zeros after the digits.
int128 exponentBound(std::string_view digits, std::uint64_t minFraction = 1) {
  return static_cast<int128>(digits.size()) + minFraction + kExponentRoom;
}
void writeExponent(Writer& w, std::string_view digits, int128 point, std::uint64_t minFraction = 1) {
  if (digits == "0") {
    w.put("0.0e0");
    return;
  }
  w.put(digits.front());
  w.put('.');
  w.put(digits.substr(1));
  const std::uint64_t written = digits.size() - 1;
  if (written < minFraction) w.zeros(minFraction - written);
  w.put('e');
  w.integer(point - 1);
}

// The fraction digits the exponent layout of digits × 10^point needs so that
// the text reads back: a reader keeps every written digit in the coefficient,
// whose exponent (the written one less the fraction digits) must stay in
// the 64-bit range. Past INT64_MAX, zeros are appended until it fits; their
// number is bounded by the trailing zeros of the coefficient, hence by its
// size. (Below INT64_MIN only the single zero of "d.0" can land, and the
// reader takes that zero back into the exponent.)
std::uint64_t readableFraction(std::string_view digits, int128 point) {
  const int128 needed = point - 1 - std::numeric_limits<std::int64_t>::max();
  const std::uint64_t written = std::max<std::uint64_t>(digits.size() - 1, 1);
  return needed > static_cast<int128>(written) ? static_cast<std::uint64_t>(needed) : written;
}

// fmtAsFixed: every digit, padded with zeros up to the point or after "0.".
int128 fixedBound(std::string_view digits, int128 point) {
  auto n = static_cast<int128>(digits.size());
  return point <= 0 ? 2 - point + n : std::max(point, n) + 2;
}
void writeFixed(Writer& w, std::string_view digits, int128 point) {
  if (point <= 0) {
    w.put("0.");
    w.zeros(static_cast<std::uint64_t>(-point));
    w.put(digits);
    return;
  }
  auto p = static_cast<std::uint64_t>(point);
  if (digits.size() <= p) {
    w.put(digits);
    w.zeros(p - digits.size());
    w.put(".0");
  } else {
    w.put(digits.substr(0, p));
    w.put('.');
    w.put(digits.substr(p));
  }
}

// Exponent layout with exactly k >= 1 digits after the point.
void writeExponentRounded(Writer& w, std::string_view digits, int128 point, std::uint64_t k) {
  if (digits == "0") {
    w.put("0.");
    w.zeros(k);
    w.put("e0");
    return;
  }
  Rounded r = roundDigits(0, digits, k + 1);
  // With a carry the run has k + 2 digits; the last one is dropped.
  w.put(r.run.first());
  w.put('.');
  w.run(r.run, 1, k + 1);
  w.put('e');
  w.integer(point - 1 + r.carry);
}

// Fixed layout rounded to k >= 0 decimals; no point when k == 0.
void writeFixedRounded(Writer& w, std::string_view digits, int128 point, std::uint64_t k) {
  if (point >= 0) {
    auto p = static_cast<std::uint64_t>(point);
    Rounded r = roundDigits(0, digits, k + p);
    std::uint64_t integerDigits = p + static_cast<std::uint64_t>(r.carry);
    if (integerDigits == 0) {
      w.put('0');
    } else {
      w.run(r.run, 0, integerDigits);
    }
    if (r.run.size() > integerDigits) {
      w.put('.');
      w.run(r.run, integerDigits, r.run.size());
    }
    return;
  }
  Rounded r = roundDigits(static_cast<std::uint64_t>(-point), digits, k);
  if (r.carry == 0) ++r.run.leading;  // "0" before the rounded digits
  w.put(r.run.first());
  if (r.run.size() > 1) {
    w.put('.');
    w.run(r.run, 1, r.run.size());
  }
}

std::uint64_t clampDecimals(std::int64_t decimals, std::int64_t least) noexcept {
  return static_cast<std::uint64_t>(std::max(decimals, least));
}

// One rendering of a value: layout resolved, bound known before writing.
class Rendering {
 public:
  Rendering(FPFormat format, std::optional<std::int64_t> decimals, const Scientific& s, bool parens)
      : value_(s), decimals_(decimals), parens_(parens && value_.negative()) {
    int128 point = value_.point();
    format_ = format != FPFormat::Generic ? format
              : (point < 0 || point > 7)  ? FPFormat::Exponent
                                          : FPFormat::Fixed;
  }

  // At least the number of characters write() produces.
  int128 bound() const {
    int128 extra = 1 + (parens_ ? 2 : 0);
    std::string_view d = value_.digits();
    int128 point = value_.point();
    if (format_ == FPFormat::Exponent) {
      if (!decimals_) return extra + exponentBound(d, readableFraction(d, point));
      return extra + static_cast<int128>(clampDecimals(*decimals_, 1)) + kExponentRoom;
    }
    if (!decimals_) return extra + fixedBound(d, point);
    return extra + static_cast<int128>(clampDecimals(*decimals_, 0)) + std::max<int128>(point, 0) + 3;
  }

  char* write(char* out) const {
    Writer w(out);
    if (parens_) w.put('(');
    if (value_.negative()) w.put('-');
    std::string_view d = value_.digits();
    int128 point = value_.point();
    if (format_ == FPFormat::Exponent) {
      decimals_ ? writeExponentRounded(w, d, point, clampDecimals(*decimals_, 1))
                : writeExponent(w, d, point, readableFraction(d, point));
    } else {
      decimals_ ? writeFixedRounded(w, d, point, clampDecimals(*decimals_, 0)) : writeFixed(w, d, point);
    }
    if (parens_) w.put(')');
    return w.end();
  }

 private:
  Decomposed value_;
  FPFormat format_;
  std::optional<std::int64_t> decimals_;
  bool parens_;
};

// Runs write(char*) -> char* into a string of at most bound characters.
template <class Write>
std::string writeToString(int128 bound, const char* operation, Write write) {
  checkLength(bound, operation);
  constexpr std::size_t kStack = 96;
  if (bound <= static_cast<int128>(kStack)) {
    char buffer[kStack];
    char* end = write(buffer);
    return std::string(buffer, end);
  }
  std::string out(static_cast<std::size_t>(bound), '\0');
  char* end = write(out.data());
  out.resize(static_cast<std::size_t>(end - out.data()));
  return out;
}

std::string render(FPFormat format, std::optional<std::int64_t> decimals, const Scientific& s, bool parens) {
  Rendering r(format, decimals, s, parens);
  return writeToString(r.bound(), "formatScientific", [&](char* out) { return r.write(out); });
}

// The characters of a caller's digit list; throws for an element outside 0..9.
std::string digitChars(std::span<const int> digits, const char* operation) {
  std::string chars;
  chars.reserve(digits.size());
  for (int d : digits) {
    if (d < 0 || d > 9) throwError(std::string(operation) + ": not a decimal digit: " + std::to_string(d));
    chars.push_back(static_cast<char>('0' + d));
  }
  return chars;
}

std::string nonEmptyDigitChars(const DecimalDigits& dd, const char* operation) {
  if (dd.digits.empty()) throwError(std::string(operation) + ": empty digit list");
  return digitChars(dd.digits, operation);
}

// Outputs up to this size are written straight into the builder's buffer;
// longer ones are rendered once and copied.
constexpr std::size_t kDirectBuilderBound = 128;

// ---------------------------------------------------------------------------
// The generic layout of a word coefficient, written straight into a buffer:
// no digit string, no layout object, one copy into the result.

// "00" ... "99".
constexpr auto digitPairs = [] {
  std::array<char, 200> table{};
  for (int i = 0; i < 100; ++i) {
    table[static_cast<std::size_t>(2 * i)] = static_cast<char>('0' + i / 10);
    table[static_cast<std::size_t>(2 * i + 1)] = static_cast<char>('0' + i % 10);
  }
  return table;
}();

void writePair(char* p, std::uint32_t v) noexcept { std::memcpy(p, &digitPairs[2 * v], 2); }
void writeFour(char* p, std::uint32_t v) noexcept {
  writePair(p, v / 100);
  writePair(p + 2, v % 100);
}
void writeEight(char* p, std::uint32_t v) noexcept {
  writeFour(p, v / 10000);
  writeFour(p + 4, v % 10000);
}

// Number of decimal digits of v (1 for 0), from its bit length.
int digitCount(std::uint64_t v) noexcept {
  const int bits = 64 - std::countl_zero(v | 1);
  const int guess = (bits * 1233) >> 12;  // floor(log10(2^bits)), at most one too many
  return guess + 1 - ((v | 1) < detail::wordPowersOfTen[static_cast<std::size_t>(guess)] ? 1 : 0);
}

// The n digits of v in [end - n, end), eight, four and two at a time.
[[gnu::always_inline]] inline void writeDigits(char* end, std::uint64_t v, int n) noexcept {
  for (; n >= 8; n -= 8) {
    end -= 8;
    writeEight(end, static_cast<std::uint32_t>(v % 100000000));
    v /= 100000000;
  }
  auto w = static_cast<std::uint32_t>(v);
  if (n >= 4) {
    end -= 4;
    writeFour(end, w % 10000);
    w /= 10000;
    n -= 4;
  }
  if (n >= 2) {
    end -= 2;
    writePair(end, w % 100);
    w /= 100;
    n -= 2;
  }
  if (n == 1) end[-1] = static_cast<char>('0' + w);
}

// The digits of an exponent at p; most have one to three.
char* writeExponentDigits(char* p, std::uint64_t e) noexcept {
  if (e < 1000) {
    // Three digits with leading zeros, shifted left over the zeros: no
    // branch on the length, which varies at random for doubles.
    const int length = 1 + (e >= 10 ? 1 : 0) + (e >= 100 ? 1 : 0);
    char three[8] = {};
    three[0] = static_cast<char>('0' + e / 100);
    writePair(three + 1, static_cast<std::uint32_t>(e % 100));
    std::memcpy(p, three + 3 - length, 4);
    return p + length;
  }
  const int m = digitCount(e);
  writeDigits(p + m, e, m);
  return p + m;
}

// Exponents this far from zero keep every position computation in 64 bits
// and never need the extra fraction digits of readableFraction.
constexpr std::int64_t kQuickExponentLimit = std::int64_t{1} << 60;

// Room for show of any word coefficient with an exponent within the limit:
// sign and parentheses, 19 digits, point, and seven padding zeros or an
// exponent of up to 19 digits.
constexpr std::size_t kQuickShowRoom = 64;

// show of a word coefficient into buffer (kQuickShowRoom bytes), returning
// the end of the text, or nullptr when the exponent is far out.
char* quickShow(char* buffer, std::int64_t coefficient, std::int64_t exponent, bool parens) noexcept {
  if (exponent > kQuickExponentLimit || exponent < -kQuickExponentLimit) return nullptr;
  std::uint64_t u = detail::unsignedAbs(coefficient);
  if (u == 0) {
    std::memcpy(buffer, "0.0", 3);
    return buffer + 3;
  }
  // One multiplication tests for a trailing zero; a test of the parity first
  // would be a branch taken at random for the digits of doubles.
  while (u % 10 == 0) {
    u /= 10;
    ++exponent;
  }
  const int n = digitCount(u);
  const std::int64_t point = n + exponent;
  char* p = buffer;
  const bool negative = coefficient < 0;
  if (parens && negative) *p++ = '(';
  // Signs are written unconditionally and kept or overwritten: the sign of
  // the digits of doubles is a coin toss that a branch would often miss.
  *p = '-';
  p += negative ? 1 : 0;
  if (point < 0 || point > 7) {
    // d.ddd e(point - 1): the digits go one place right, the first comes back.
    writeDigits(p + 1 + n, u, n);
    p[0] = p[1];
    p[1] = '.';
    if (n == 1) {
      p[2] = '0';
      p += 3;
    } else {
      p += 1 + n;
    }
    *p++ = 'e';
    const std::int64_t e = point - 1;
    *p = '-';
    p += e < 0 ? 1 : 0;
    p = writeExponentDigits(p, detail::unsignedAbs(e));
  } else if (point == 0) {
    p[0] = '0';
    p[1] = '.';
    writeDigits(p + 2 + n, u, n);
    p += 2 + n;
  } else if (n <= point) {
    writeDigits(p + n, u, n);
    p += n;
    std::memset(p, '0', static_cast<std::size_t>(point - n));
    p += point - n;
    *p++ = '.';
    *p++ = '0';
  } else {
    writeDigits(p + 1 + n, u, n);
    std::memmove(p, p + 1, static_cast<std::size_t>(point));
    p[point] = '.';
    p += 1 + n;
  }
  if (parens && negative) *p++ = ')';
  return p;
}

std::string showOf(const Scientific& s, bool parens) {
  if (s.hasSmallCoefficient()) {
    char buffer[kQuickShowRoom];
    if (char* end = quickShow(buffer, s.smallCoefficient(), s.base10Exponent(), parens)) {
      return std::string(buffer, end);
    }
  }
  return render(FPFormat::Generic, std::nullopt, s, parens);
}

}  // namespace

DecimalDigits toDecimalDigits(const Scientific& s) {
  if (s.coefficientSign() < 0) throwError("toDecimalDigits: negative value");
  Decomposed d(s);
  if (d.point() < std::numeric_limits<std::int64_t>::min() || d.point() > std::numeric_limits<std::int64_t>::max()) {
    throwError("toDecimalDigits: exponent out of the 64-bit range");
  }
  DecimalDigits out;
  out.digits.reserve(d.digits().size());
  for (char c : d.digits()) out.digits.push_back(c - '0');
  out.exponent = static_cast<std::int64_t>(d.point());
  return out;
}

std::string formatScientific(FPFormat format, std::optional<std::int64_t> decimals, const Scientific& s) {
  if (format == FPFormat::Generic && !decimals) return showOf(s, false);
  return render(format, decimals, s, false);
}

std::string show(const Scientific& s) { return showOf(s, false); }

std::string showsPrec(int precedence, const Scientific& s) { return showOf(s, precedence > 6); }

std::string showList(std::span<const Scientific> values) {
  std::string out = "[";
  for (std::size_t i = 0; i < values.size(); ++i) {
    if (i > 0) out.push_back(',');
    out += show(values[i]);
  }
  out.push_back(']');
  return out;
}

std::ostream& operator<<(std::ostream& out, const Scientific& s) { return out << show(s); }

builder::Builder formatScientificBuilder(FPFormat format, std::optional<std::int64_t> decimals,
                                         const Scientific& s) {
  using namespace quire::builder;
  Rendering probe(format, decimals, s, false);
  int128 bound = probe.bound();
  checkLength(bound, "formatScientificBuilder");
  if (bound > static_cast<int128>(kDirectBuilderBound)) {
    std::string text = formatScientific(format, decimals, s);
    return fromString(std::move(text));
  }
  auto size = static_cast<std::size_t>(bound);
  return Builder(BuildStep([format, decimals, s, size](BufferRange r, const StepSelf& self) -> BuildSignal {
    if (r.free() < size) return BufferFull{size, r.cur, self};
    Rendering rendering(format, decimals, s, false);
    char* end = rendering.write(reinterpret_cast<char*>(r.cur));
    return Done{reinterpret_cast<std::uint8_t*>(end)};
  }));
}

builder::Builder scientificBuilder(const Scientific& s) {
  return formatScientificBuilder(FPFormat::Generic, std::nullopt, s);
}

namespace text {

builder::TextBuilder formatScientificBuilder(FPFormat format, std::optional<std::int64_t> decimals,
                                             const Scientific& s) {
  // Every character is ASCII, so the bytes are well-formed text.
  return builder::TextBuilder::fromUtf8BuilderUnchecked(scientific::formatScientificBuilder(format, decimals, s));
}

builder::TextBuilder scientificBuilder(const Scientific& s) {
  return text::formatScientificBuilder(FPFormat::Generic, std::nullopt, s);
}

}  // namespace text

RoundedDigits roundTo(std::int64_t n, std::span<const int> digits) {
  std::string chars = digitChars(digits, "roundTo");
  if (n < 0) return RoundedDigits{0, std::vector<int>(digits.begin(), digits.end())};
  checkLength(n, "roundTo");
  Rounded r = roundDigits(0, chars, static_cast<std::uint64_t>(n));
  RoundedDigits out{r.carry, {}};
  out.digits.reserve(r.run.size());
  out.digits.assign(r.run.leading, 0);
  for (char c : r.run.body) out.digits.push_back(c - '0');
  out.digits.resize(r.run.size(), 0);
  return out;
}

char i2d(int digit) {
  if (digit < 0 || digit > 9) throwError("i2d: not a decimal digit: " + std::to_string(digit));
  return static_cast<char>('0' + digit);
}

std::string fmtAsExponent(const DecimalDigits& digits) {
  std::string chars = nonEmptyDigitChars(digits, "fmtAsExponent");
  return writeToString(exponentBound(chars), "fmtAsExponent", [&](char* out) {
    Writer w(out);
    writeExponent(w, chars, digits.exponent);
    return w.end();
  });
}

std::string fmtAsFixed(const DecimalDigits& digits) {
  std::string chars = nonEmptyDigitChars(digits, "fmtAsFixed");
  return writeToString(fixedBound(chars, digits.exponent), "fmtAsFixed", [&](char* out) {
    Writer w(out);
    writeFixed(w, chars, digits.exponent);
    return w.end();
  });
}

}  // namespace quire::scientific
