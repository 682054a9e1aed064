// What the {fmt} and std::format formatters of Scientific accept: {} is
// show; e, f and g are the Exponent, Fixed and Generic layouts; a precision
// is the number of decimals (rounded half to even); fill, alignment (right
// by default) and width as for numbers.
#pragma once

#include <string>
#include <string_view>

#include "base/format_options.hpp"
#include "scientific/format.hpp"
#include "scientific/scientific.hpp"

template <>
struct quire::format::FormatTraits<quire::scientific::Scientific> {
  static constexpr std::string_view types = "efg";
  static constexpr char defaultAlign = '>';
  static constexpr bool widthPads = true;
  static constexpr const char* check(const Options&) { return nullptr; }

  static std::string text(const quire::scientific::Scientific& s, const Options& options) {
    using quire::scientific::FPFormat;
    if (options.type == 0 && !options.precision) return show(s);
    FPFormat layout = options.type == 'e'   ? FPFormat::Exponent
                      : options.type == 'f' ? FPFormat::Fixed
                                         : FPFormat::Generic;
    return formatScientific(layout, options.precision, s);
  }
};
