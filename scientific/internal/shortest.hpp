// The shortest decimal that reads back as a given float or double, computed
// from the binary representation alone (no text is formatted or read).
//
// Among the decimals that round to x, those with the fewest significant
// digits are found, and of those the one nearest to x (ties to an even last
// digit): the digits a correct shortest formatter prints.
//
// Example:
//   using namespace quire::scientific::detail;
//   ShortestDecimal d = shortestDecimal(0.3);     // {3, -1}
//   ShortestDecimal e = shortestDecimal(5e-324);  // {5, -324}
//   ShortestDecimal f = shortestDecimal(1e23);    // {1, 23}
#pragma once

#include <cstdint>

#include "scientific/export.hpp"

namespace quire::scientific::detail {

// digits × 10^exponent, digits not divisible by ten.
struct ShortestDecimal {
  std::uint64_t digits;
  int exponent;
  friend bool operator==(const ShortestDecimal&, const ShortestDecimal&) = default;
};

// Precondition: x is finite and greater than zero.
QUIRE_SCIENTIFIC_EXPORT ShortestDecimal shortestDecimal(double x) noexcept;
QUIRE_SCIENTIFIC_EXPORT ShortestDecimal shortestDecimal(float x) noexcept;

}  // namespace quire::scientific::detail
