#include "apps/decimal/deviation.hpp"

#include <cmath>

#include "scientific/scientific.hpp"

namespace quire::decimal {

namespace {

// Multiplies v by 10^k in place; small powers come from the shared table.
void timesPowerOfTen(mpz_class& v, std::int64_t k, mpz_class& scratch) {
  if (k == 0) return;
  if (k < scientific::maxExpt) {
    v *= scientific::expts10()[static_cast<std::size_t>(k)];
  } else {
    mpz_ui_pow_ui(scratch.get_mpz_t(), 10, static_cast<unsigned long>(k));
    v *= scratch;
  }
}

// a / b as a double for positive integers of any size.
double ratio(const mpz_class& a, const mpz_class& b) {
  long ea = 0;
  long eb = 0;
  double ma = mpz_get_d_2exp(&ea, a.get_mpz_t());
  double mb = mpz_get_d_2exp(&eb, b.get_mpz_t());
  return std::ldexp(ma / mb, static_cast<int>(ea - eb));
}

// nearest == mantissa × 2^exponent with an integer mantissa of at most 53 bits.
struct BinaryParts {
  std::uint64_t mantissa;
  std::int64_t exponent;
};

BinaryParts binaryParts(double nearest) {
  int binaryExponent = 0;
  double fraction = std::frexp(nearest, &binaryExponent);
  return {static_cast<std::uint64_t>(std::ldexp(fraction, 53)), binaryExponent - 53};
}

__extension__ using Wide = unsigned __int128;

int bitLength(Wide v) noexcept {
  auto high = static_cast<std::uint64_t>(v >> 64);
  if (high != 0) return 128 - __builtin_clzll(high);
  auto low = static_cast<std::uint64_t>(v);
  return low == 0 ? 0 : 64 - __builtin_clzll(low);
}

// v × 10^k, or false when it leaves 127 bits.
bool timesPowerOfTen(Wide& v, std::int64_t k) noexcept {
  for (; k > 0; --k) {
    if (bitLength(v) > 123) return false;
    v *= 10;
  }
  return true;
}

bool shiftLeft(Wide& v, std::int64_t bits) noexcept {
  if (bits == 0) return true;
  if (bitLength(v) + bits > 127) return false;
  v <<= bits;
  return true;
}

}  // namespace

Deviation deviation(std::uint64_t digits, std::int64_t exponent, double nearest) {
  // The same scaling as below, in 128 bits while the values fit.
  BinaryParts parts = binaryParts(nearest);
  Wide exact = digits;
  Wide binary = parts.mantissa;
  if (exponent > -39 && exponent < 39 && parts.exponent > -128 && parts.exponent < 128 &&
      timesPowerOfTen(exact, exponent > 0 ? exponent : 0) && timesPowerOfTen(binary, exponent < 0 ? -exponent : 0) &&
      shiftLeft(exact, parts.exponent < 0 ? -parts.exponent : 0) &&
      shiftLeft(binary, parts.exponent > 0 ? parts.exponent : 0)) {
    if (exact == binary) return Deviation{};
    Wide difference = exact > binary ? exact - binary : binary - exact;
    return Deviation{false, static_cast<double>(static_cast<long double>(difference) / static_cast<long double>(exact))};
  }
  return deviation(mpz_class(static_cast<unsigned long>(digits)), exponent, nearest);
}

Deviation deviation(const mpz_class& digits, std::int64_t exponent, double nearest) {
  BinaryParts parts = binaryParts(nearest);
  std::uint64_t mantissa = parts.mantissa;
  std::int64_t e2 = parts.exponent;

  // exact: digits × 10^exponent; binary: m × 2^e2; both scaled by
  // 10^max(0, -exponent) × 2^max(0, -e2) to become integers.
  static thread_local mpz_class exact, binary, scratch;
  exact = digits;
  timesPowerOfTen(exact, exponent > 0 ? exponent : 0, scratch);
  if (e2 < 0) mpz_mul_2exp(exact.get_mpz_t(), exact.get_mpz_t(), static_cast<mp_bitcnt_t>(-e2));
  mpz_set_ui(binary.get_mpz_t(), static_cast<unsigned long>(mantissa));
  timesPowerOfTen(binary, exponent < 0 ? -exponent : 0, scratch);
  if (e2 > 0) mpz_mul_2exp(binary.get_mpz_t(), binary.get_mpz_t(), static_cast<mp_bitcnt_t>(e2));

  binary -= exact;
  if (sgn(binary) == 0) return Deviation{};
  mpz_abs(binary.get_mpz_t(), binary.get_mpz_t());
  return Deviation{false, ratio(binary, exact)};
}

}  // namespace quire::decimal
