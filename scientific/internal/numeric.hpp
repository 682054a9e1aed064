// Integer helpers shared by the scientific sources: 128-bit words, powers of
// ten in machine words, exact decimal digit counts, checked exponent
// arithmetic and allocation-free GMP views of a coefficient.
//
// Example:
//   using namespace quire::scientific::detail;
//   decimalDigits(std::uint64_t{999});          // 3
//   checkedAdd(1, 2, "Scientific (*)");         // 3; throws quire::Error on overflow
//   Scientific s(-5, 0);
//   CoefficientView v(s);                       // v.get() is an mpz_srcptr for -5, no allocation
#pragma once

#include <gmpxx.h>

#include <array>
#include <cstdint>
#include <string_view>

#include "base/error.hpp"
#include "scientific/export.hpp"
#include "scientific/scientific.hpp"

namespace quire::scientific::detail {

static_assert(GMP_NUMB_BITS == 64 && sizeof(mp_limb_t) == 8 && sizeof(long) == 8,
              "the small-coefficient representation assumes 64-bit GMP limbs and longs");

__extension__ typedef __int128 int128;
__extension__ typedef unsigned __int128 uint128;

// 10^0 ... 10^19, every power of ten a uint64 holds.
inline constexpr std::array<std::uint64_t, 20> wordPowersOfTen = [] {
  std::array<std::uint64_t, 20> table{};
  std::uint64_t p = 1;
  for (auto& entry : table) {
    entry = p;
    p *= 10;
  }
  return table;
}();

// Number of decimal digits of v (1 for 0).
constexpr int decimalDigits(std::uint64_t v) noexcept {
  int n = 1;
  while (n < 20 && v >= wordPowersOfTen[static_cast<std::size_t>(n)]) ++n;
  return n;
}

// Exact number of decimal digits of |x| for x != 0 (forms at most 10^(digits-1)).
QUIRE_SCIENTIFIC_EXPORT std::int64_t decimalDigits(mpz_srcptr x);

// 10^e for 0 <= e <= maxPowerOfTen; otherwise throws quire::Error naming
// `operation`. Small powers come from expts10().
QUIRE_SCIENTIFIC_EXPORT mpz_class powerOfTen(std::uint64_t e, const char* operation);
// Same, into an existing integer.
QUIRE_SCIENTIFIC_EXPORT void setPowerOfTen(mpz_ptr out, std::uint64_t e, const char* operation);
// 10^e without the limit, for callers whose e is bounded by the digit count
// of a coefficient that already exists.
QUIRE_SCIENTIFIC_EXPORT void setBoundedPowerOfTen(mpz_ptr out, std::uint64_t e);

// 10^e for reading, bounded like setBoundedPowerOfTen: the table entry
// itself below 324 (no copy), otherwise computed into the object.
class PowerOfTenView {
 public:
  explicit PowerOfTenView(std::uint64_t e) {
    if (e < static_cast<std::uint64_t>(maxExpt)) {
      ptr_ = expts10()[e].get_mpz_t();
    } else {
      setBoundedPowerOfTen(own_.get_mpz_t(), e);
      ptr_ = own_.get_mpz_t();
    }
  }
  PowerOfTenView(const PowerOfTenView&) = delete;
  PowerOfTenView& operator=(const PowerOfTenView&) = delete;
  mpz_srcptr get() const noexcept { return ptr_; }

 private:
  mpz_class own_;
  mpz_srcptr ptr_;
};

// a + b, or quire::Error "<operation>: exponent out of the 64-bit range".
[[noreturn]] QUIRE_SCIENTIFIC_EXPORT void throwExponentOverflow(const char* operation);
inline std::int64_t checkedAdd(std::int64_t a, std::int64_t b, const char* operation) {
  std::int64_t r;
  if (__builtin_add_overflow(a, b, &r)) throwExponentOverflow(operation);
  return r;
}
inline std::int64_t checkedSub(std::int64_t a, std::int64_t b, const char* operation) {
  std::int64_t r;
  if (__builtin_sub_overflow(a, b, &r)) throwExponentOverflow(operation);
  return r;
}

// |v| as an unsigned word (exact also for INT64_MIN).
constexpr std::uint64_t unsignedAbs(std::int64_t v) noexcept {
  return v < 0 ? 0 - static_cast<std::uint64_t>(v) : static_cast<std::uint64_t>(v);
}

// Sets z (already initialised) to v.
QUIRE_SCIENTIFIC_EXPORT void setInt128(mpz_ptr z, int128 v);
// The integer whose decimal digits are high followed by low (ASCII digits
// only), negated when negative. Converts through one buffer of digit values
// straight into the result's limbs: for a million-digit run it holds the
// digits once, not the two text copies a string conversion makes.
QUIRE_SCIENTIFIC_EXPORT mpz_class integerFromDigits(std::string_view high, std::string_view low,
                                                    bool negative);
// A Scientific holding v × 10^e, inline when v fits int64.
QUIRE_SCIENTIFIC_EXPORT Scientific fromInt128(int128 v, std::int64_t e);
// x mod 2^64, the wrap-around of a conversion to a 64-bit word.
QUIRE_SCIENTIFIC_EXPORT std::uint64_t wrapToWord(mpz_srcptr x) noexcept;

// Internal access to a Scientific's representation.
struct ScientificAccess {
  // Takes over one reference to big.
  static Scientific adopt(BigCoefficient* big, std::int64_t exponent) noexcept { return Scientific(big, exponent); }
  // A coefficient of magnitude m (not fitting int64) with the given sign, inline.
  static Scientific wide(uint128 m, bool negative, std::int64_t exponent) noexcept {
    return Scientific(static_cast<std::uint64_t>(m), static_cast<std::uint64_t>(m >> 64), negative, exponent);
  }
  // v × 10^e, inline: a word when v fits int64, else its magnitude and sign.
  // Branch-free, since sums of aligned words fall on either side at random.
  static Scientific fromInt128(int128 v, std::int64_t e) noexcept {
    const auto word = static_cast<std::uint64_t>(v);
    const std::uint64_t wide = v == static_cast<std::int64_t>(word) ? 0 : ~std::uint64_t{0};
    const auto sign = static_cast<uint128>(v >> 127);
    const uint128 m = (static_cast<uint128>(v) ^ sign) - sign;
    Scientific s(word ^ ((word ^ static_cast<std::uint64_t>(m)) & wide), static_cast<std::uint64_t>(m >> 64) & wide,
                 false, e);
    const std::uintptr_t state = Scientific::kWide | (static_cast<std::uintptr_t>(sign) & Scientific::kNegative);
    s.state_.store(state & wide, std::memory_order_relaxed);
    return s;
  }
  // Whether s holds a coefficient of up to 128 bits inline, and its limbs.
  static bool isWide(const Scientific& s) noexcept {
    return (s.state_.load(std::memory_order_relaxed) & Scientific::kWide) != 0;
  }
  static bool isNegativeWide(const Scientific& s) noexcept {
    return (s.state_.load(std::memory_order_relaxed) & Scientific::kNegative) != 0;
  }
  static std::uint64_t low(const Scientific& s) noexcept { return s.low_; }
  static std::uint64_t high(const Scientific& s) noexcept { return s.high_; }
};

// The coefficient of a Scientific as a read-only mpz, without allocating for
// a coefficient held inline. Must not outlive the Scientific it views.
class CoefficientView {
 public:
  explicit CoefficientView(const Scientific& s) noexcept {
    if (s.hasSmallCoefficient()) {
      std::int64_t c = s.smallCoefficient();
      limbs_[0] = static_cast<mp_limb_t>(unsignedAbs(c));
      mp_size_t size = c == 0 ? 0 : (c < 0 ? -1 : 1);
      ptr_ = mpz_roinit_n(view_, limbs_, size);
    } else if (ScientificAccess::isWide(s)) {
      limbs_[0] = ScientificAccess::low(s);
      limbs_[1] = ScientificAccess::high(s);
      const mp_size_t size = limbs_[1] != 0 ? 2 : 1;
      ptr_ = mpz_roinit_n(view_, limbs_, ScientificAccess::isNegativeWide(s) ? -size : size);
    } else {
      ptr_ = s.bigCoefficient().get_mpz_t();
    }
  }
  CoefficientView(const CoefficientView&) = delete;
  CoefficientView& operator=(const CoefficientView&) = delete;
  mpz_srcptr get() const noexcept { return ptr_; }

 private:
  mp_limb_t limbs_[2] = {0, 0};
  mpz_t view_;
  mpz_srcptr ptr_;
};

}  // namespace quire::scientific::detail
