// std::format support for ShortText, where the standard library has
// <format> (__cpp_lib_format); the same options as brevity/fmt.hpp.
//
// Example:
//   #include <brevity/formatter.hpp>
//   std::format("[{:^7}]", quire::brevity::ShortText("caf\xC3\xA9"))  // == "[ café  ]"
#pragma once

#include <version>

#if defined(__cpp_lib_format)
#include <format>

#include "brevity/internal/format_traits.hpp"

template <>
struct std::formatter<quire::brevity::ShortText>
    : quire::format::BasicFormatter<quire::brevity::ShortText, std::format_error> {};
#endif
