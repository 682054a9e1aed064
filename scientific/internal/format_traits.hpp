// What the {fmt} and std::format formatters of Scientific accept: {} is
// show; e, f and g are the Exponent, Fixed and Generic layouts; a precision
// is the number of decimals (rounded half to even); fill, alignment (right
// by default) and width as for numbers.
#pragma once

#include <string>
#include <string_view>

#include "base/format_spec.hpp"
#include "scientific/format.hpp"
#include "scientific/scientific.hpp"

template <>
struct quire::format::FormatTraits<quire::scientific::Scientific> {
  static constexpr std::string_view types = "efg";
  static constexpr char defaultAlign = '>';
  static constexpr bool widthPads = true;
  static constexpr const char* check(const Spec&) { return nullptr; }

  static std::string text(const quire::scientific::Scientific& s, const Spec& spec) {
    using quire::scientific::FPFormat;
    if (spec.type == 0 && !spec.precision) return show(s);
    FPFormat layout = spec.type == 'e'   ? FPFormat::Exponent
                      : spec.type == 'f' ? FPFormat::Fixed
                                         : FPFormat::Generic;
    return formatScientific(layout, spec.precision, s);
  }
};
