// Helpers shared by the conversion, parsing and encoding tests and fuzzers:
// an exact oracle for the value of a Scientific, computed without the
// library, and the bits of a floating-point value for exact comparisons.
#pragma once

#include <gmpxx.h>

#include <bit>
#include <cstdint>
#include <ostream>
#include <string>

#include "scientific/scientific.hpp"

namespace sciconv_test {

// The bits of a float or double, so that comparisons tell -0.0 from 0.0.
template <class F>
auto bitsOf(F x) {
  if constexpr (sizeof(F) == 8) {
    return std::bit_cast<std::uint64_t>(x);
  } else {
    return std::bit_cast<std::uint32_t>(x);
  }
}

inline mpz_class pow10(std::uint64_t e) {
  mpz_class p;
  mpz_ui_pow_ui(p.get_mpz_t(), 10, e);
  return p;
}

// The exact value of s as a reduced fraction.
inline mpq_class exactValue(const quire::scientific::Scientific& s) {
  const std::int64_t e = s.base10Exponent();
  if (e >= 0) return mpq_class(s.coefficient() * pow10(static_cast<std::uint64_t>(e)));
  mpq_class q(s.coefficient(), pow10(static_cast<std::uint64_t>(-e)));
  q.canonicalize();
  return q;
}

// The stored form, for comparisons that must see the representation.
struct Stored {
  std::string coefficient;
  std::int64_t exponent;
  friend bool operator==(const Stored&, const Stored&) = default;
  friend std::ostream& operator<<(std::ostream& os, const Stored& s) {
    return os << "(" << s.coefficient << ", " << s.exponent << ")";
  }
};

inline Stored stored(const quire::scientific::Scientific& s) {
  return {s.coefficient().get_str(), s.base10Exponent()};
}
inline Stored stored(const std::string& coefficient, std::int64_t exponent) {
  return {coefficient, exponent};
}

}  // namespace sciconv_test
