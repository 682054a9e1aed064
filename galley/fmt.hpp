// {fmt} support for documents: fmt::format("{}", doc) renders with the
// default layout (ribbon 0.4, width 80, the same text as show(doc)) and
// fmt::format("{:60}", doc) at page width 60. Installed when {fmt} is; link
// fmt::fmt to use it.
//
// Example:
//   #include <galley/fmt.hpp>
//   namespace pp = quire::galley;
//   pp::Doc d = pp::group(pp::above(pp::text("hello"), pp::text("world")));
//   fmt::format("{}", d)     // == "hello world"
//   fmt::format("{:8}", d)   // == "hello\nworld"
#pragma once

#include <fmt/format.h>

#include "galley/internal/format_traits.hpp"

template <>
struct fmt::formatter<quire::galley::Doc>
    : quire::format::BasicFormatter<quire::galley::Doc, fmt::format_error> {};
