// Scientific: an exact decimal number, coefficient × 10^base10Exponent.
//
// The coefficient is an arbitrary-precision integer and the exponent a signed
// 64-bit integer. Values are stored exactly as built: 1×10^2, 10×10^1 and
// 100×10^0 are three representations of one number; they compare equal and
// hash equally, while coefficient() and base10Exponent() return what was
// stored. Only normalize() produces the normal form (a coefficient not
// divisible by ten; zero is (0, 0)).
//
// The type is built for numbers that arrive as text from outside: equality,
// ordering, hashing and isInteger never form a power of ten from the exponent,
// so a hostile 1e-1000000000 costs nothing there. Arithmetic must align
// exponents and toRational must form 10^|e|; those powers are refused with a
// quire::Error above 10^maxPowerOfTen instead of exhausting memory, and
// exponent arithmetic that would leave the 64-bit range is an error too.
//
// A coefficient that fits 64 bits is held inline without any GMP allocation,
// and +, -, *, comparison and hashing have fast paths for it; one of up to
// 128 bits (a product or an aligned sum of two words) is held inline too,
// without a GMP call. This is not observable except through the
// documented fast-path accessors.
//
// Example:
//   using quire::scientific::Scientific;
//   Scientific a(1, 2);                 // 1e2
//   Scientific b(100, 0);               // 100
//   bool same = a == b;                 // true
//   Scientific c = a + Scientific(5, 0);
//   // c.coefficient() == 105, c.base10Exponent() == 0
//   Scientific n = normalize(Scientific(-1200, -1));
//   // n.coefficient() == -12, n.base10Exponent() == 1
//   bool whole = isInteger(Scientific(120, -1));   // true
#pragma once

#include <gmpxx.h>

#include <array>
#include <atomic>
#include <compare>
#include <concepts>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <limits>
#include <type_traits>
#include <utility>

#include "base/hash.hpp"
#include "scientific/export.hpp"

namespace quire::scientific {

// Powers of ten above 10^maxPowerOfTen (a billion digits, about 415 MB) are
// refused with a quire::Error by every operation that must build one; GMP
// would otherwise abort the process or exhaust memory.
inline constexpr std::int64_t maxPowerOfTen = 1'000'000'000;

// Size of the shared table of powers of ten: expts10()[i] == 10^i for i < 324.
inline constexpr std::int64_t maxExpt = 324;

namespace detail {

// Shared, immutable storage of a coefficient wider than 128 bits, or of a
// narrower one that has been asked for as a GMP integer (the limbs are then
// kept in the block, read through a GMP integer laid over them; such blocks
// are recycled by the thread that frees them).
struct BigCoefficient {
  std::atomic<std::uint64_t> refs{1};
  __mpz_struct z;  // the integer: GMP's own storage, or a view of limbs
  bool ownLimbs = false;
  mp_limb_t limbs[2] = {0, 0};
  BigCoefficient* nextFree = nullptr;

  const mpz_class& value() const noexcept { return *reinterpret_cast<const mpz_class*>(&z); }
};

static_assert(sizeof(mpz_class) == sizeof(__mpz_struct) && std::is_standard_layout_v<mpz_class>,
              "a coefficient is read through a GMP integer laid over its storage");

struct ScientificAccess;

QUIRE_SCIENTIFIC_EXPORT void destroyBig(BigCoefficient* big) noexcept;

// Drops one reference. A sole owner needs no atomic read-modify-write:
// nobody else can take a new reference through it.
inline void releaseBig(BigCoefficient* big) noexcept {
  if (big->refs.load(std::memory_order_acquire) == 1 ||
      big->refs.fetch_sub(1, std::memory_order_acq_rel) == 1) {
    destroyBig(big);
  }
}

}  // namespace detail

class QUIRE_SCIENTIFIC_EXPORT Scientific {
 public:
  // 0, stored as (0, 0).
  Scientific() noexcept = default;

  // (coefficient, exponent) exactly as given; no GMP allocation.
  Scientific(std::int64_t coefficient, std::int64_t exponent) noexcept
      : low_(static_cast<std::uint64_t>(coefficient)), exponent_(exponent) {}

  // Any other integer type; an unsigned value above INT64_MAX is kept exactly.
  template <std::integral I>
    requires(!std::same_as<I, bool> && !std::same_as<I, std::int64_t>)
  Scientific(I coefficient, std::int64_t exponent) : exponent_(exponent) {
    low_ = static_cast<std::uint64_t>(static_cast<std::int64_t>(coefficient));
    if constexpr (std::is_unsigned_v<I> && sizeof(I) >= sizeof(std::int64_t)) {
      if (coefficient > static_cast<I>(std::numeric_limits<std::int64_t>::max())) {
        low_ = static_cast<std::uint64_t>(coefficient);
        state_.store(kWide, std::memory_order_relaxed);
      }
    }
  }

  // Keeps the coefficient inline when it fits 128 bits.
  Scientific(const mpz_class& coefficient, std::int64_t exponent);
  Scientific(mpz_class&& coefficient, std::int64_t exponent);

  Scientific(const Scientific& other) noexcept
      : low_(other.low_), high_(other.high_), exponent_(other.exponent_) {
    std::uintptr_t s = other.state_.load(std::memory_order_relaxed);
    if ((s & kWide) != 0) {
      s &= kWideFlags;  // the copy makes its own GMP view when asked
    } else if (s != 0) {
      block(s)->refs.fetch_add(1, std::memory_order_relaxed);
    }
    state_.store(s, std::memory_order_relaxed);
  }
  Scientific(Scientific&& other) noexcept
      : low_(other.low_), high_(other.high_), exponent_(other.exponent_) {
    state_.store(other.state_.load(std::memory_order_relaxed), std::memory_order_relaxed);
    other.state_.store(0, std::memory_order_relaxed);
    other.low_ = 0;
  }
  Scientific& operator=(const Scientific& other) noexcept {
    Scientific copy(other);
    swap(copy);
    return *this;
  }
  Scientific& operator=(Scientific&& other) noexcept {
    Scientific moved(std::move(other));
    swap(moved);
    return *this;
  }
  ~Scientific() {
    const std::uintptr_t s = state_.load(std::memory_order_relaxed);
    if (s > kWideFlags) detail::releaseBig(block(s));
  }
  void swap(Scientific& other) noexcept {
    std::swap(low_, other.low_);
    std::swap(high_, other.high_);
    std::swap(exponent_, other.exponent_);
    const std::uintptr_t mine = state_.load(std::memory_order_relaxed);
    state_.store(other.state_.load(std::memory_order_relaxed), std::memory_order_relaxed);
    other.state_.store(mine, std::memory_order_relaxed);
  }

  // The stored coefficient (allocates an mpz_class; see the fast-path
  // accessors below for allocation-free access).
  mpz_class coefficient() const {
    return hasSmallCoefficient() ? mpz_class(static_cast<long>(low_)) : mpz_class(bigCoefficient());
  }
  // The stored exponent.
  std::int64_t base10Exponent() const noexcept { return exponent_; }

  // Fast-path access for the rest of the library. A coefficient is small
  // exactly when it fits int64; it is then held inline.
  bool hasSmallCoefficient() const noexcept { return state_.load(std::memory_order_relaxed) == 0; }
  // Precondition: hasSmallCoefficient().
  std::int64_t smallCoefficient() const noexcept { return static_cast<std::int64_t>(low_); }
  // Precondition: !hasSmallCoefficient(). Valid while this object lives
  // unchanged; for a coefficient held inline, the first call makes a GMP
  // view of it (safe under concurrent calls).
  const mpz_class& bigCoefficient() const noexcept {
    const std::uintptr_t s = state_.load(std::memory_order_acquire);
    return s > kWideFlags ? block(s)->value() : wideView(s);
  }

  // -1, 0 or 1 by the sign of the coefficient.
  int coefficientSign() const noexcept {
    const std::uintptr_t s = state_.load(std::memory_order_relaxed);
    if (s == 0) return (smallCoefficient() > 0) - (smallCoefficient() < 0);
    if ((s & kWide) != 0) return (s & kNegative) != 0 ? -1 : 1;
    return mpz_sgn(&block(s)->z);
  }

 private:
  friend struct detail::ScientificAccess;
  // state_: 0 for a word coefficient in low_. A BigCoefficient pointer
  // (aligned, low bits clear) for one held there, shared. kWide (with
  // kNegative for a negative one) for a magnitude of up to 128 bits in
  // high_:low_, possibly or-ed with the pointer of its GMP view.
  static constexpr std::uintptr_t kWide = 1;
  static constexpr std::uintptr_t kNegative = 2;
  static constexpr std::uintptr_t kWideFlags = kWide | kNegative;
  static_assert(alignof(detail::BigCoefficient) > kWideFlags);

  static detail::BigCoefficient* block(std::uintptr_t s) noexcept {
    return reinterpret_cast<detail::BigCoefficient*>(s & ~kWideFlags);
  }
  // Takes over one reference to big.
  Scientific(detail::BigCoefficient* big, std::int64_t exponent) noexcept : exponent_(exponent) {
    state_.store(reinterpret_cast<std::uintptr_t>(big), std::memory_order_relaxed);
  }
  // A magnitude of high × 2^64 + low, not below 2^63.
  Scientific(std::uint64_t low, std::uint64_t high, bool negative, std::int64_t exponent) noexcept
      : low_(low), high_(high), exponent_(exponent) {
    state_.store(kWide | (negative ? kNegative : 0), std::memory_order_relaxed);
  }
  const mpz_class& wideView(std::uintptr_t s) const noexcept;
  void adopt(const mpz_class& coefficient);
  void adopt(mpz_class&& coefficient);

  std::uint64_t low_ = 0;
  std::uint64_t high_ = 0;
  std::int64_t exponent_ = 0;
  mutable std::atomic<std::uintptr_t> state_{0};
};

inline void swap(Scientific& a, Scientific& b) noexcept { a.swap(b); }

// scientific(c, e): the value c × 10^e, stored exactly as passed.
inline Scientific scientific(std::int64_t coefficient, std::int64_t exponent) noexcept {
  return Scientific(coefficient, exponent);
}
inline Scientific scientific(const mpz_class& coefficient, std::int64_t exponent) {
  return Scientific(coefficient, exponent);
}
inline Scientific scientific(mpz_class&& coefficient, std::int64_t exponent) {
  return Scientific(std::move(coefficient), exponent);
}

// The normal form: trailing zeros of the coefficient moved into the exponent;
// zero becomes (0, 0). Throws quire::Error when the exponent would pass INT64_MAX.
QUIRE_SCIENTIFIC_EXPORT Scientific normalize(const Scientific& s);

// The table 10^0 ... 10^323, built once on first use (safe under concurrent
// first use) and read-only afterwards.
QUIRE_SCIENTIFIC_EXPORT const std::array<mpz_class, maxExpt>& expts10();

namespace detail {
QUIRE_SCIENTIFIC_EXPORT mpz_class magnitudeInteger(std::int64_t e);
QUIRE_SCIENTIFIC_EXPORT std::uint64_t magnitudeWord(std::int64_t e);
QUIRE_SCIENTIFIC_EXPORT float magnitudeFloat(std::int64_t e);
QUIRE_SCIENTIFIC_EXPORT double magnitudeDouble(std::int64_t e);
QUIRE_SCIENTIFIC_EXPORT long double magnitudeLongDouble(std::int64_t e);
}  // namespace detail

// A type magnitude<T> and the integer-rounding operations can produce.
template <class T>
concept FixedWidthInteger =
    std::integral<T> && !std::same_as<T, bool> && sizeof(T) <= sizeof(std::uint64_t);

// magnitude<T>(e) == 10^e in T, for e >= 0.
//  - mpz_class: exact; throws quire::Error above 10^maxPowerOfTen.
//  - fixed-width integers: with the type's wrap-around (10^e mod 2^bits).
//  - float, double, long double: the nearest value, infinity when too large.
// Throws quire::Error for a negative e.
template <class T>
  requires std::same_as<T, mpz_class> || FixedWidthInteger<T> || std::floating_point<T>
T magnitude(std::int64_t e) {
  if constexpr (std::same_as<T, mpz_class>) {
    return detail::magnitudeInteger(e);
  } else if constexpr (std::integral<T>) {
    return static_cast<T>(detail::magnitudeWord(e));
  } else if constexpr (std::same_as<T, float>) {
    return detail::magnitudeFloat(e);
  } else if constexpr (std::same_as<T, double>) {
    return detail::magnitudeDouble(e);
  } else {
    return static_cast<T>(detail::magnitudeLongDouble(e));
  }
}

// True when the value has no fractional part; at once when the exponent is
// non-negative, and never forming a power larger than the coefficient.
QUIRE_SCIENTIFIC_EXPORT bool isInteger(const Scientific& s);
inline bool isFloating(const Scientific& s) { return !isInteger(s); }

// The value as a reduced fraction. Forms 10^|e|: throws quire::Error above
// 10^maxPowerOfTen.
QUIRE_SCIENTIFIC_EXPORT mpq_class toRational(const Scientific& s);

// Value equality: 1e2 == 100, 0e5 == 0e-7.
QUIRE_SCIENTIFIC_EXPORT bool operator==(const Scientific& a, const Scientific& b) noexcept;

// Value ordering; equal values with different representations are equivalent
// (hence weak ordering: coefficient() still tells them apart).
QUIRE_SCIENTIFIC_EXPORT std::weak_ordering compare(const Scientific& a, const Scientific& b) noexcept;
inline std::weak_ordering operator<=>(const Scientific& a, const Scientific& b) noexcept {
  return compare(a, b);
}

// min returns a unless a > b; max returns a only when a > b. So for two equal
// values min answers the first and max the second, each unchanged.
inline Scientific min(const Scientific& a, const Scientific& b) { return compare(a, b) > 0 ? b : a; }
inline Scientific max(const Scientific& a, const Scientific& b) { return compare(a, b) > 0 ? a : b; }

// Arithmetic keeps the smaller exponent and does not normalise:
// (1, 2) + (5, 0) == (105, 0) as stored. Aligning forms 10^(exponent
// difference) and throws quire::Error above 10^maxPowerOfTen; a product whose
// exponent leaves the 64-bit range throws quire::Error.
QUIRE_SCIENTIFIC_EXPORT Scientific operator+(const Scientific& a, const Scientific& b);
QUIRE_SCIENTIFIC_EXPORT Scientific operator-(const Scientific& a, const Scientific& b);
QUIRE_SCIENTIFIC_EXPORT Scientific operator*(const Scientific& a, const Scientific& b);
QUIRE_SCIENTIFIC_EXPORT Scientific negate(const Scientific& s);
inline Scientific operator-(const Scientific& s) { return negate(s); }
inline Scientific& operator+=(Scientific& a, const Scientific& b) { return a = a + b; }
inline Scientific& operator-=(Scientific& a, const Scientific& b) { return a = a - b; }
inline Scientific& operator*=(Scientific& a, const Scientific& b) { return a = a * b; }
QUIRE_SCIENTIFIC_EXPORT Scientific abs(const Scientific& s);
// (-1, 0), (0, 0) or (1, 0).
inline Scientific signum(const Scientific& s) noexcept { return Scientific(s.coefficientSign(), 0); }
inline Scientific fromInteger(std::int64_t i) noexcept { return Scientific(i, 0); }
inline Scientific fromInteger(const mpz_class& i) { return Scientific(i, 0); }

// Hash of the normalised value: equal values hash equally, and no power of
// ten is ever formed. Words are mixed with quire::hash::mixWord.
QUIRE_SCIENTIFIC_EXPORT std::uint64_t hashWithSalt(std::uint64_t salt, const Scientific& s) noexcept;
inline std::uint64_t hash(const Scientific& s) noexcept { return hashWithSalt(quire::hash::defaultSalt, s); }

}  // namespace quire::scientific

template <>
struct std::hash<quire::scientific::Scientific> : quire::hash::StdHash<quire::scientific::Scientific> {};
