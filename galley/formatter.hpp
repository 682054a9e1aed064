// std::format support for documents, where the standard library has
// <format> (__cpp_lib_format); the same options as galley/fmt.hpp.
//
// Example:
//   #include <galley/formatter.hpp>
//   std::format("{:60}", doc)   // doc laid out at page width 60
#pragma once

#include <version>

#if defined(__cpp_lib_format)
#include <format>

#include "galley/internal/format_traits.hpp"

template <>
struct std::formatter<quire::galley::Doc>
    : quire::format::BasicFormatter<quire::galley::Doc, std::format_error> {};
#endif
