// std::format support for the style values, where the standard library has
// <format> (__cpp_lib_format); the same options as vtcontrol/fmt.hpp.
//
// Example:
//   #include <vtcontrol/formatter.hpp>
//   std::format("{}", quire::vtcontrol::Color::Red)   // == "Red"
#pragma once

#include <version>

#if defined(__cpp_lib_format)
#include <format>

#include "vtcontrol/internal/format_traits.hpp"

template <quire::vtcontrol::detail::StyleValue T>
struct std::formatter<T, char> : quire::format::BasicFormatter<T, std::format_error> {};
#endif
