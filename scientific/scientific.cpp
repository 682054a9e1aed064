#include "scientific/scientific.hpp"

#include <bit>
#include <cstdlib>
#include <memory>
#include <string>

#include "base/error.hpp"
#include "scientific/internal/numeric.hpp"

namespace quire::scientific {

namespace detail {

namespace {

// Blocks of inline limbs freed by this thread, for its next GMP views.
// Plain data with the initial-exec model: reaching it is one load from the
// thread pointer, with no call.
struct BlockPool {
  BigCoefficient* head;
  std::uint32_t count;
};
constexpr std::uint32_t kMaxPooledBlocks = 256;
__attribute__((tls_model("initial-exec"))) thread_local BlockPool pool = {nullptr, 0};

// The pool's blocks go back to the heap when the thread ends.
struct PoolDrain {
  ~PoolDrain() {
    while (BigCoefficient* b = pool.head) {
      pool.head = b->nextFree;
      delete b;
    }
    pool.count = 0;
  }
};
thread_local PoolDrain poolDrain;

[[gnu::noinline]] BigCoefficient* freshLimbBlock() {
  (void)&poolDrain;  // registers the drain for this thread
  auto* b = new BigCoefficient();
  b->ownLimbs = true;
  return b;
}

// A block viewing a copy of the magnitude hi × 2^64 + lo (not zero).
BigCoefficient* limbBlock(std::uint64_t lo, std::uint64_t hi, bool negative) {
  BigCoefficient* b = pool.head;
  if (b != nullptr) {
    pool.head = b->nextFree;
    --pool.count;
    b->refs.store(1, std::memory_order_relaxed);
  } else {
    b = freshLimbBlock();
  }
  b->limbs[0] = lo;
  b->limbs[1] = hi;
  const int size = hi != 0 ? 2 : 1;
  // A read-only integer over the limbs (what mpz_roinit_n makes).
  b->z._mp_alloc = 0;
  b->z._mp_size = negative ? -size : size;
  b->z._mp_d = b->limbs;
  return b;
}

// fromInt128 for this file's fast paths: an exported function may be
// interposed, so the compiler would not inline a call to it.
inline Scientific valueOfInt128(int128 v, std::int64_t e) noexcept { return ScientificAccess::fromInt128(v, e); }

// A block that takes over GMP's storage of c, leaving c empty.
BigCoefficient* gmpBlock(mpz_class&& c) {
  auto* b = new BigCoefficient();
  b->z = *c.get_mpz_t();
  mpz_init(c.get_mpz_t());
  return b;
}

}  // namespace

void destroyBig(BigCoefficient* big) noexcept {
  if (!big->ownLimbs) {
    mpz_clear(&big->z);
    delete big;
  } else if (pool.count < kMaxPooledBlocks) {
    big->nextFree = pool.head;
    pool.head = big;
    ++pool.count;
  } else {
    delete big;
  }
}

void throwExponentOverflow(const char* operation) {
  throwError(std::string(operation) + ": exponent out of the 64-bit range");
}

void setInt128(mpz_ptr z, int128 v) {
  uint128 m = v < 0 ? uint128(0) - static_cast<uint128>(v) : static_cast<uint128>(v);
  auto lo = static_cast<mp_limb_t>(m);
  auto hi = static_cast<mp_limb_t>(m >> 64);
  mp_size_t n = hi != 0 ? 2 : (lo != 0 ? 1 : 0);
  mp_limb_t* limbs = mpz_limbs_write(z, 2);
  limbs[0] = lo;
  limbs[1] = hi;
  mpz_limbs_finish(z, v < 0 ? -n : n);
}

mpz_class integerFromDigits(std::string_view high, std::string_view low, bool negative) {
  // Leading zeros would only cost limbs; the conversion wants none.
  while (!high.empty() && high.front() == '0') high.remove_prefix(1);
  if (high.empty())
    while (!low.empty() && low.front() == '0') low.remove_prefix(1);
  mpz_class z;
  const std::size_t count = high.size() + low.size();
  if (count == 0) return z;
  std::unique_ptr<unsigned char[]> values(new unsigned char[count]);
  unsigned char* out = values.get();
  for (char c : high) *out++ = static_cast<unsigned char>(c - '0');
  for (char c : low) *out++ = static_cast<unsigned char>(c - '0');
  // 10^19 < 2^64: every 19 digits need at most one limb.
  const auto limbs = static_cast<mp_size_t>(count / 19 + 1);
  const mp_size_t used = mpn_set_str(mpz_limbs_write(z.get_mpz_t(), limbs), values.get(), count, 10);
  mpz_limbs_finish(z.get_mpz_t(), negative ? -used : used);
  return z;
}

Scientific fromInt128(int128 v, std::int64_t e) { return valueOfInt128(v, e); }

std::uint64_t wrapToWord(mpz_srcptr x) noexcept {
  std::uint64_t low = mpz_size(x) != 0 ? mpz_getlimbn(x, 0) : 0;
  return mpz_sgn(x) < 0 ? 0 - low : low;
}

void setBoundedPowerOfTen(mpz_ptr out, std::uint64_t e) {
  if (e < static_cast<std::uint64_t>(maxExpt)) {
    mpz_set(out, expts10()[e].get_mpz_t());
  } else {
    mpz_ui_pow_ui(out, 10, e);
  }
}

void setPowerOfTen(mpz_ptr out, std::uint64_t e, const char* operation) {
  if (e > static_cast<std::uint64_t>(maxPowerOfTen)) {
    throwError(std::string(operation) + ": 10^" + std::to_string(e) +
               " exceeds the largest power of ten formed (10^" + std::to_string(maxPowerOfTen) + ")");
  }
  setBoundedPowerOfTen(out, e);
}

mpz_class powerOfTen(std::uint64_t e, const char* operation) {
  mpz_class p;
  setPowerOfTen(p.get_mpz_t(), e, operation);
  return p;
}

std::int64_t decimalDigits(mpz_srcptr x) {
  if (mpz_size(x) <= 1) return decimalDigits(static_cast<std::uint64_t>(mpz_getlimbn(x, 0)));
  // mpz_sizeinbase is exact or one too large; settle it against 10^(n-1).
  std::size_t n = mpz_sizeinbase(x, 10);
  PowerOfTenView low(n - 1);
  return static_cast<std::int64_t>(mpz_cmpabs(x, low.get()) < 0 ? n - 1 : n);
}

namespace {

// Removes the trailing decimal zeros of a non-zero word; returns their count.
int stripTrailingZeros(std::int64_t& c) noexcept {
  int count = 0;
  if ((c & 1) != 0) return 0;
  while (c % 10 == 0) {
    c /= 10;
    ++count;
  }
  return count;
}

// Removes the trailing decimal zeros of a non-zero integer into out.
std::uint64_t stripTrailingZeros(mpz_ptr out, mpz_srcptr c) {
  if (mpz_odd_p(c)) {
    mpz_set(out, c);
    return 0;
  }
  mpz_class ten(10);
  return mpz_remove(out, c, ten.get_mpz_t());
}

// Compares u1 × 10^e1 with u2 × 10^e2 for non-zero words and e1 != e2.
std::weak_ordering compareWordMagnitudes(std::uint64_t u1, std::int64_t e1, std::uint64_t u2,
                                         std::int64_t e2) noexcept {
  if (e1 > e2) {
    std::uint64_t d = static_cast<std::uint64_t>(e1) - static_cast<std::uint64_t>(e2);
    // u1 × 10^20 exceeds every word.
    if (d >= 20) return std::weak_ordering::greater;
    return static_cast<uint128>(u1) * wordPowersOfTen[d] <=> static_cast<uint128>(u2);
  }
  std::uint64_t d = static_cast<std::uint64_t>(e2) - static_cast<std::uint64_t>(e1);
  if (d >= 20) return std::weak_ordering::less;
  return static_cast<uint128>(u1) <=> static_cast<uint128>(u2) * wordPowersOfTen[d];
}

// Compares |x| × 10^ex with |y| × 10^ey for non-zero x and y. Decides by the
// position of the leading digit first, and otherwise scales the shorter
// coefficient to the length of the longer one: no power of ten beyond the
// coefficients' own size is formed.
std::weak_ordering compareMagnitudes(mpz_srcptr x, std::int64_t ex, mpz_srcptr y, std::int64_t ey) {
  std::int64_t dx = decimalDigits(x);
  std::int64_t dy = decimalDigits(y);
  int128 leadX = static_cast<int128>(dx) + ex;
  int128 leadY = static_cast<int128>(dy) + ey;
  if (leadX != leadY) return leadX <=> leadY;
  if (dx == dy) return mpz_cmpabs(x, y) <=> 0;
  mpz_class scaled;
  if (dx > dy) {
    PowerOfTenView p(static_cast<std::uint64_t>(dx - dy));
    mpz_mul(scaled.get_mpz_t(), p.get(), y);
    return mpz_cmpabs(x, scaled.get_mpz_t()) <=> 0;
  }
  PowerOfTenView p(static_cast<std::uint64_t>(dy - dx));
  mpz_mul(scaled.get_mpz_t(), p.get(), x);
  return mpz_cmpabs(scaled.get_mpz_t(), y) <=> 0;
}

std::weak_ordering withSign(int sign, std::weak_ordering magnitudeOrder) noexcept {
  return sign > 0 ? magnitudeOrder : 0 <=> magnitudeOrder;
}

std::weak_ordering compareSlow(const Scientific& a, const Scientific& b) {
  CoefficientView va(a);
  CoefficientView vb(b);
  int s1 = mpz_sgn(va.get());
  int s2 = mpz_sgn(vb.get());
  if (s1 != s2) return s1 <=> s2;
  if (s1 == 0) return std::weak_ordering::equivalent;
  return withSign(s1, compareMagnitudes(va.get(), a.base10Exponent(), vb.get(), b.base10Exponent()));
}

constexpr const char* plusName = "Scientific (+)";
constexpr const char* minusName = "Scientific (-)";
constexpr const char* timesName = "Scientific (*)";

// (c1, e1) ± (c2, e2) with the smaller exponent, aligning by the exponent
// difference. A zero coefficient on the side that would be scaled needs no
// power at all.
template <bool Subtract>
[[gnu::noinline]] Scientific addOrSubtractBig(const Scientific& a, const Scientific& b) {
  const char* name = Subtract ? minusName : plusName;
  std::int64_t e1 = a.base10Exponent();
  std::int64_t e2 = b.base10Exponent();
  CoefficientView va(a);
  CoefficientView vb(b);
  mpz_class r;
  mpz_ptr rp = r.get_mpz_t();
  if (e1 < e2) {
    if (mpz_sgn(vb.get()) == 0) return a;
    setPowerOfTen(rp, static_cast<std::uint64_t>(e2) - static_cast<std::uint64_t>(e1), name);
    mpz_mul(rp, rp, vb.get());
    Subtract ? mpz_sub(rp, va.get(), rp) : mpz_add(rp, va.get(), rp);
    return Scientific(std::move(r), e1);
  }
  if (mpz_sgn(va.get()) == 0) return Subtract ? negate(b) : b;
  setPowerOfTen(rp, static_cast<std::uint64_t>(e1) - static_cast<std::uint64_t>(e2), name);
  mpz_mul(rp, rp, va.get());
  Subtract ? mpz_sub(rp, rp, vb.get()) : mpz_add(rp, rp, vb.get());
  return Scientific(std::move(r), e2);
}

// (c1, e1) ± (c2, e2) with the smaller exponent; words and aligned words
// in 128-bit arithmetic, anything else in GMP.
template <bool Subtract>
Scientific addOrSubtract(const Scientific& a, const Scientific& b) {
  std::int64_t e1 = a.base10Exponent();
  std::int64_t e2 = b.base10Exponent();
  if (a.hasSmallCoefficient() && b.hasSmallCoefficient()) {
    std::int64_t c1 = a.smallCoefficient();
    std::int64_t c2 = b.smallCoefficient();
    // Exponents within 18 of each other: both scaled to the smaller one in
    // 128 bits (|c| × 10^18 < 2^123), without a branch on which is smaller.
    const std::int64_t low = std::min(e1, e2);
    const std::uint64_t d1 = static_cast<std::uint64_t>(e1) - static_cast<std::uint64_t>(low);
    const std::uint64_t d2 = static_cast<std::uint64_t>(e2) - static_cast<std::uint64_t>(low);
    if ((d1 | d2) <= 18) {
      const int128 x = static_cast<int128>(c1) * wordPowersOfTen[d1];
      const int128 y = static_cast<int128>(c2) * wordPowersOfTen[d2];
      return valueOfInt128(Subtract ? x - y : x + y, low);
    }
    if (e1 < e2 && c2 == 0) return a;
    if (e1 > e2 && c1 == 0) return Subtract ? valueOfInt128(-static_cast<int128>(c2), e2) : b;
  }
  return addOrSubtractBig<Subtract>(a, b);
}

std::array<mpz_class, maxExpt> buildExpts10() {
  std::array<mpz_class, maxExpt> table;
  table[0] = 1;
  table[1] = 10;
  for (std::size_t i = 2; i < table.size(); i += 2) {
    table[i] = table[i / 2] * table[i / 2];
    table[i + 1] = table[i] * 10;
  }
  return table;
}

void requireNonNegative(std::int64_t e) {
  if (e < 0) throwError("magnitude: negative exponent " + std::to_string(e));
}

// Nearest floating-point value of 10^e for e below the type's overflow point,
// read from the correctly rounded decimal reader.
template <class F, F (*Parse)(const char*, char**), std::int64_t Limit>
F floatingPowerOfTen(std::int64_t e) {
  static const auto table = [] {
    std::array<F, Limit> t{};
    for (std::int64_t i = 0; i < Limit; ++i) {
      std::string text = "1e" + std::to_string(i);
      t[static_cast<std::size_t>(i)] = Parse(text.c_str(), nullptr);
    }
    return t;
  }();
  requireNonNegative(e);
  return e < Limit ? table[static_cast<std::size_t>(e)] : std::numeric_limits<F>::infinity();
}

}  // namespace

mpz_class magnitudeInteger(std::int64_t e) {
  requireNonNegative(e);
  return powerOfTen(static_cast<std::uint64_t>(e), "magnitude");
}

std::uint64_t magnitudeWord(std::int64_t e) {
  requireNonNegative(e);
  // Wrap-around arithmetic: 10^e mod 2^64 by repeated squaring.
  std::uint64_t result = 1;
  std::uint64_t base = 10;
  for (auto k = static_cast<std::uint64_t>(e); k != 0 && result != 0; k >>= 1) {
    if ((k & 1) != 0) result *= base;
    base *= base;
  }
  return result;
}

float magnitudeFloat(std::int64_t e) { return floatingPowerOfTen<float, std::strtof, 39>(e); }

double magnitudeDouble(std::int64_t e) { return floatingPowerOfTen<double, std::strtod, 309>(e); }

long double magnitudeLongDouble(std::int64_t e) {
  requireNonNegative(e);
  if (e < maxExpt) return std::strtold(("1e" + std::to_string(e)).c_str(), nullptr);
  long double result = std::strtold(("1e" + std::to_string(maxExpt - 1)).c_str(), nullptr);
  long double base = 10.0L;
  for (auto k = static_cast<std::uint64_t>(e - (maxExpt - 1)); k != 0; k >>= 1) {
    if ((k & 1) != 0) result *= base;
    base *= base;
    if (result == std::numeric_limits<long double>::infinity()) break;
  }
  return result;
}

}  // namespace detail

using detail::CoefficientView;
using detail::int128;
using detail::uint128;

Scientific::Scientific(const mpz_class& coefficient, std::int64_t exponent) : exponent_(exponent) {
  adopt(coefficient);
}

Scientific::Scientific(mpz_class&& coefficient, std::int64_t exponent) : exponent_(exponent) {
  adopt(std::move(coefficient));
}

void Scientific::adopt(const mpz_class& coefficient) {
  mpz_srcptr c = coefficient.get_mpz_t();
  if (mpz_fits_slong_p(c)) {
    low_ = static_cast<std::uint64_t>(mpz_get_si(c));
  } else if (mpz_size(c) <= 2) {
    low_ = mpz_getlimbn(c, 0);
    high_ = mpz_size(c) > 1 ? mpz_getlimbn(c, 1) : 0;
    state_.store(kWide | (mpz_sgn(c) < 0 ? kNegative : 0), std::memory_order_relaxed);
  } else {
    mpz_class copy(coefficient);
    state_.store(reinterpret_cast<std::uintptr_t>(detail::gmpBlock(std::move(copy))), std::memory_order_relaxed);
  }
}

void Scientific::adopt(mpz_class&& coefficient) {
  if (mpz_size(coefficient.get_mpz_t()) <= 2) {
    adopt(static_cast<const mpz_class&>(coefficient));
  } else {
    state_.store(reinterpret_cast<std::uintptr_t>(detail::gmpBlock(std::move(coefficient))),
                 std::memory_order_relaxed);
  }
}

// The first caller publishes its view; one that loses the race drops its own.
const mpz_class& Scientific::wideView(std::uintptr_t s) const noexcept {
  detail::BigCoefficient* view = detail::limbBlock(low_, high_, (s & kNegative) != 0);
  std::uintptr_t expected = s;
  if (state_.compare_exchange_strong(expected, reinterpret_cast<std::uintptr_t>(view) | s,
                                     std::memory_order_acq_rel, std::memory_order_acquire)) {
    return view->value();
  }
  detail::destroyBig(view);
  return block(expected)->value();
}

const std::array<mpz_class, maxExpt>& expts10() {
  static const std::array<mpz_class, maxExpt> table = detail::buildExpts10();
  return table;
}

Scientific normalize(const Scientific& s) {
  constexpr const char* name = "normalize";
  if (s.hasSmallCoefficient()) {
    std::int64_t c = s.smallCoefficient();
    if (c == 0) return Scientific();
    int zeros = detail::stripTrailingZeros(c);
    return Scientific(c, detail::checkedAdd(s.base10Exponent(), zeros, name));
  }
  mpz_class c;
  const CoefficientView view(s);
  std::uint64_t zeros = detail::stripTrailingZeros(c.get_mpz_t(), view.get());
  return Scientific(std::move(c), detail::checkedAdd(s.base10Exponent(), static_cast<std::int64_t>(zeros), name));
}

bool isInteger(const Scientific& s) {
  std::int64_t e = s.base10Exponent();
  if (e >= 0) return true;
  std::uint64_t k = 0 - static_cast<std::uint64_t>(e);
  if (s.hasSmallCoefficient()) {
    std::uint64_t u = detail::unsignedAbs(s.smallCoefficient());
    if (u == 0) return true;
    return k < detail::wordPowersOfTen.size() && u % detail::wordPowersOfTen[k] == 0;
  }
  const CoefficientView view(s);
  mpz_srcptr c = view.get();
  // Divisibility by 10^k needs k factors of two and k digits: check both
  // before forming a power no larger than the coefficient.
  if (mpz_scan1(c, 0) < k || k > mpz_sizeinbase(c, 10)) return false;
  return mpz_divisible_p(c, detail::PowerOfTenView(k).get()) != 0;
}

mpq_class toRational(const Scientific& s) {
  constexpr const char* name = "toRational";
  CoefficientView c(s);
  std::int64_t e = s.base10Exponent();
  if (mpz_sgn(c.get()) == 0) return mpq_class(0);
  mpq_class q;
  if (e >= 0) {
    detail::setPowerOfTen(mpq_numref(q.get_mpq_t()), static_cast<std::uint64_t>(e), name);
    mpz_mul(mpq_numref(q.get_mpq_t()), mpq_numref(q.get_mpq_t()), c.get());
    return q;
  }
  detail::setPowerOfTen(mpq_denref(q.get_mpq_t()), 0 - static_cast<std::uint64_t>(e), name);
  mpz_set(mpq_numref(q.get_mpq_t()), c.get());
  q.canonicalize();
  return q;
}

std::weak_ordering compare(const Scientific& a, const Scientific& b) noexcept {
  if (a.hasSmallCoefficient() && b.hasSmallCoefficient()) {
    std::int64_t c1 = a.smallCoefficient();
    std::int64_t c2 = b.smallCoefficient();
    std::int64_t e1 = a.base10Exponent();
    std::int64_t e2 = b.base10Exponent();
    // Exponents within 19 of each other: scale both to the smaller one in
    // 128 bits (|c| × 10^19 < 2^127), which also settles signs and zeros
    // without a branch.
    std::int64_t low = std::min(e1, e2);
    std::uint64_t d1 = static_cast<std::uint64_t>(e1) - static_cast<std::uint64_t>(low);
    std::uint64_t d2 = static_cast<std::uint64_t>(e2) - static_cast<std::uint64_t>(low);
    if ((d1 | d2) < detail::wordPowersOfTen.size()) {
      return static_cast<int128>(c1) * detail::wordPowersOfTen[d1] <=>
             static_cast<int128>(c2) * detail::wordPowersOfTen[d2];
    }
    int s1 = (c1 > 0) - (c1 < 0);
    int s2 = (c2 > 0) - (c2 < 0);
    if (s1 != s2) return s1 <=> s2;
    if (s1 == 0) return std::weak_ordering::equivalent;
    return detail::withSign(
        s1, detail::compareWordMagnitudes(detail::unsignedAbs(c1), e1, detail::unsignedAbs(c2), e2));
  }
  return detail::compareSlow(a, b);
}

bool operator==(const Scientific& a, const Scientific& b) noexcept {
  if (a.hasSmallCoefficient() && b.hasSmallCoefficient() && a.base10Exponent() == b.base10Exponent()) {
    return a.smallCoefficient() == b.smallCoefficient();
  }
  return compare(a, b) == 0;
}

Scientific operator+(const Scientific& a, const Scientific& b) {
  return detail::addOrSubtract<false>(a, b);
}

Scientific operator-(const Scientific& a, const Scientific& b) {
  return detail::addOrSubtract<true>(a, b);
}

namespace detail {
namespace {
// The general product, kept out of line so that the word path needs no
// stack frame of its own.
[[gnu::noinline]] Scientific multiplyBig(const Scientific& a, const Scientific& b, std::int64_t e) {
  CoefficientView va(a);
  CoefficientView vb(b);
  mpz_class r;
  mpz_mul(r.get_mpz_t(), va.get(), vb.get());
  return Scientific(std::move(r), e);
}
}  // namespace
}  // namespace detail

Scientific operator*(const Scientific& a, const Scientific& b) {
  std::int64_t e = detail::checkedAdd(a.base10Exponent(), b.base10Exponent(), detail::timesName);
  if (a.hasSmallCoefficient() && b.hasSmallCoefficient()) {
    return detail::valueOfInt128(static_cast<int128>(a.smallCoefficient()) * b.smallCoefficient(), e);
  }
  return detail::multiplyBig(a, b, e);
}

Scientific negate(const Scientific& s) {
  if (s.hasSmallCoefficient()) return detail::valueOfInt128(-static_cast<int128>(s.smallCoefficient()), s.base10Exponent());
  const CoefficientView view(s);
  mpz_class r;
  mpz_neg(r.get_mpz_t(), view.get());
  return Scientific(std::move(r), s.base10Exponent());
}

Scientific abs(const Scientific& s) { return s.coefficientSign() < 0 ? negate(s) : s; }

std::uint64_t hashWithSalt(std::uint64_t salt, const Scientific& s) noexcept {
  using quire::hash::mixWord;
  // The normalised exponent is mixed as a 64-bit word; it is kept unsigned
  // so that a normalisation past INT64_MAX still hashes consistently.
  std::uint64_t exponent = static_cast<std::uint64_t>(s.base10Exponent());
  std::uint64_t h;
  if (s.hasSmallCoefficient()) {
    std::int64_t c = s.smallCoefficient();
    if (c == 0) return mixWord(mixWord(salt, 0), 0);
    exponent += static_cast<std::uint64_t>(detail::stripTrailingZeros(c));
    h = mixWord(salt, static_cast<std::uint64_t>(c));
  } else {
    mpz_class c;
    mpz_ptr cp = c.get_mpz_t();
    const CoefficientView view(s);
    exponent += detail::stripTrailingZeros(cp, view.get());
    if (mpz_fits_slong_p(cp)) {
      h = mixWord(salt, static_cast<std::uint64_t>(mpz_get_si(cp)));
    } else {
      std::size_t limbs = mpz_size(cp);
      const mp_limb_t* data = mpz_limbs_read(cp);
      h = salt;
      for (std::size_t i = 0; i < limbs; ++i) {
        unsigned char bytes[sizeof(mp_limb_t)];
        for (std::size_t b = 0; b < sizeof bytes; ++b) bytes[b] = static_cast<unsigned char>(data[i] >> (8 * b));
        h = quire::hash::mixBytes(h, bytes, sizeof bytes);
      }
      h = mixWord(h, limbs);
      if (mpz_sgn(cp) < 0) h = 0 - h;
    }
  }
  return mixWord(h, exponent);
}

}  // namespace quire::scientific
