// std::format support for Scientific, where the standard library has
// <format> (__cpp_lib_format); the same options as scientific/fmt.hpp.
//
// Example:
//   #include <scientific/formatter.hpp>
//   std::format("{:.2f}", quire::scientific::Scientific(12346, -3))  // == "12.35"
#pragma once

#include <version>

#if defined(__cpp_lib_format)
#include <format>

#include "scientific/internal/format_traits.hpp"

template <>
struct std::formatter<quire::scientific::Scientific>
    : quire::format::BasicFormatter<quire::scientific::Scientific, std::format_error> {};
#endif
