// The property check of the fuzz targets: a broken property names itself
// and its line on standard error, then stops the run where libFuzzer keeps
// the input that broke it.
//
// Example:
//   #include "fuzz/check.hpp"
//   check(decoded == original);  // "property broken: decoded == original (line 42)"
#pragma once

#include <cstdio>

#define check(ok)                                                             \
  do {                                                                        \
    if (!(ok)) {                                                              \
      std::fprintf(stderr, "property broken: %s (line %d)\n", #ok, __LINE__); \
      __builtin_trap();                                                       \
    }                                                                         \
  } while (false)
