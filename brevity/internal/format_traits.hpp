// What the {fmt} and std::format formatters of ShortText accept, as for a
// string: {} writes the text, a precision keeps that many code points, fill,
// alignment (left by default) and width count code points. {:s} is {}; {:?}
// writes the text form of show.hpp (the C++ literal), cut by precision
// before it is escaped.
#pragma once

#include <string>
#include <string_view>

#include "base/format_options.hpp"
#include "brevity/brevity.hpp"
#include "brevity/operations.hpp"
#include "brevity/show.hpp"

template <>
struct quire::format::FormatTraits<quire::brevity::ShortText> {
  static constexpr std::string_view types = "s?";
  static constexpr char defaultAlign = '<';
  static constexpr bool widthPads = true;
  static constexpr const char* check(const Options&) { return nullptr; }

  static std::string text(const quire::brevity::ShortText& t, const Options& options) {
    const quire::brevity::ShortText kept = options.precision ? take(*options.precision, t) : t;
    if (options.type == '?') return show(kept);
    return kept.toUtf8();
  }
};
