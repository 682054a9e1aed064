// What the {fmt} and std::format formatters of Doc accept: {} renders with
// the default layout (ribbon 0.4, width 80, as show); {:60} renders at page
// width 60. Nothing else: a document lays itself out, it is not padded.
#pragma once

#include <string>
#include <string_view>

#include "base/format_options.hpp"
#include "galley/display.hpp"
#include "galley/doc.hpp"
#include "galley/render.hpp"

template <>
struct quire::format::FormatTraits<quire::galley::Doc> {
  static constexpr std::string_view types = "";
  static constexpr char defaultAlign = '<';
  static constexpr bool widthPads = false;
  static constexpr const char* check(const Options& options) {
    if (options.align != 0 || options.precision) return "a document takes only a page width in format";
    return nullptr;
  }

  static std::string text(const quire::galley::Doc& doc, const Options& options) {
    if (options.width == 0) return show(doc);
    return quire::galley::displayS(
        quire::galley::renderPretty(0.4f, static_cast<std::int64_t>(options.width), doc));
  }
};
