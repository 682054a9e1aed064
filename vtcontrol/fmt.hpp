// {fmt} support for the style values: SGR and its attribute enumerations
// format as their text form, with fill, alignment and width as for strings.
// Installed when {fmt} is; link fmt::fmt to use it.
//
// Example:
//   #include <vtcontrol/fmt.hpp>
//   namespace vt = quire::vtcontrol;
//   fmt::format("{}", vt::SGR(vt::SetColor{vt::ConsoleLayer::Background,
//                                          vt::ColorIntensity::Dull, vt::Color::Blue}))
//                                              // == "SetColor Background Dull Blue"
//   fmt::format("[{:>8}]", vt::Color::Red)     // == "[     Red]"
#pragma once

#include <fmt/format.h>

#include "vtcontrol/internal/format_traits.hpp"

template <quire::vtcontrol::detail::StyleValue T>
struct fmt::formatter<T, char> : quire::format::BasicFormatter<T, fmt::format_error> {};
