// {fmt} support for ShortText: fmt::format("{:>6.3}", t) and friends, as
// for a string, counting code points. Installed when {fmt} is; link
// fmt::fmt to use it.
//
// Example:
//   #include <brevity/fmt.hpp>
//   using quire::brevity::ShortText;
//   fmt::format("[{}]", ShortText("caf\xC3\xA9"))       // == "[café]"
//   fmt::format("[{:>6}]", ShortText("caf\xC3\xA9"))    // == "[  café]"
//   fmt::format("[{:.2}]", ShortText("\xC3\xA9t\xC3\xA9"))  // == "[ét]"
//   fmt::format("{:?}", ShortText("a\"b"))              // == "\"a\\\"b\""
#pragma once

#include <fmt/format.h>

#include "brevity/internal/format_traits.hpp"

template <>
struct fmt::formatter<quire::brevity::ShortText>
    : quire::format::BasicFormatter<quire::brevity::ShortText, fmt::format_error> {};
