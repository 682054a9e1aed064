// {fmt} support for Scientific: fmt::format("{:.2f}", x) and friends.
//
// {} is show(x); {:e}, {:f} and {:g} are formatScientific with Exponent,
// Fixed and Generic; a precision ({:.2f}) is the number of decimals, rounded
// half to even; fill, alignment (right by default) and width work as for
// numbers. The library's guarantees hold: a huge exponent never builds a
// huge power, and a layout longer than maxFormattedLength characters throws
// quire::Error. Installed when {fmt} is; link fmt::fmt to use it.
//
// Example:
//   #include <scientific/fmt.hpp>
//   using quire::scientific::Scientific;
//   fmt::format("{}", Scientific(15, -1))          // == "1.5"
//   fmt::format("{:.2f}", Scientific(12346, -3))   // == "12.35"
//   fmt::format("{:.2f}", Scientific(12345, -3))   // == "12.34" (ties to even)
//   fmt::format("{:e}", Scientific(1500, 0))       // == "1.5e3"
//   fmt::format("{:*>8.1f}", Scientific(25, -1))   // == "*****2.5"
#pragma once

#include <fmt/format.h>

#include "scientific/internal/format_traits.hpp"

template <>
struct fmt::formatter<quire::scientific::Scientific>
    : quire::format::BasicFormatter<quire::scientific::Scientific, fmt::format_error> {};
