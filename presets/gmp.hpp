// Defaults of GMP's arbitrary-precision numbers, for programs that use them
// (include <gmpxx.h> and link gmpxx): mpz_class is 0 and mpq_class 0/1.
//
// Example:
//   quire::presets::def<mpz_class>();   // 0
//   quire::presets::def<mpq_class>();   // 0/1
#pragma once

#include <gmpxx.h>

#include "presets/presets.hpp"

namespace quire::presets {

template <>
struct Default<mpz_class> {
  static mpz_class def() { return mpz_class(0); }
};

template <>
struct Default<mpq_class> {
  static mpq_class def() { return mpq_class(0, 1); }
};

}  // namespace quire::presets
