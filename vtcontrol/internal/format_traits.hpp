// What the {fmt} and std::format formatters of the style values accept: {}
// is the text form (show), with fill, alignment (left by default) and width
// as for strings.
#pragma once

#include <concepts>
#include <string>
#include <string_view>

#include "base/format_options.hpp"
#include "vtcontrol/sgr.hpp"

namespace quire::vtcontrol::detail {

template <class T>
concept StyleValue = StyleAttribute<T> || std::same_as<T, SGR>;

}  // namespace quire::vtcontrol::detail

template <quire::vtcontrol::detail::StyleValue T>
struct quire::format::FormatTraits<T> {
  static constexpr std::string_view types = "";
  static constexpr char defaultAlign = '<';
  static constexpr bool widthPads = true;
  static constexpr const char* check(const Options& options) {
    return options.precision ? "a style value takes no precision in format" : nullptr;
  }
  static std::string text(const T& value, const Options&) { return show(value); }
};
