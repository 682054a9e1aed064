// Writing one rendered element as text, shared by the display functions and
// the engine's direct path into a string.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>

#include "base/error.hpp"
#include "base/utf8.hpp"
#include "galley/render.hpp"
#include "vtcontrol/codes.hpp"

namespace quire::galley::detail {

inline constexpr std::string_view kSFailMessage = "@SFail@ can not appear uncaught in a rendered @SimpleDoc@";

// Hands `write` the element's text (nothing for SEmpty); raises at SFail.
template <class Write>
void writeElement(const SimpleDocElement& e, std::string& scratch, Write&& write) {
  static constexpr std::string_view kSpaces = "                                                                ";
  switch (e.kind) {
    case SimpleDocKind::SFail: throwError(std::string(kSFailMessage));
    case SimpleDocKind::SEmpty: return;
    case SimpleDocKind::SChar:
      if (e.character < 0x80) {
        const char c = static_cast<char>(e.character);
        write(std::string_view(&c, 1));
      } else {
        scratch.clear();
        quire::appendUtf8(scratch, e.character);
        write(std::string_view(scratch));
      }
      return;
    case SimpleDocKind::SText: write(e.text); return;
    case SimpleDocKind::SLine:
      write(std::string_view("\n"));
      for (std::int64_t left = e.indentation; left > 0; left -= static_cast<std::int64_t>(kSpaces.size())) {
        write(kSpaces.substr(0, static_cast<std::size_t>(std::min<std::int64_t>(left, kSpaces.size()))));
      }
      return;
    case SimpleDocKind::SSGR: write(std::string_view(vtcontrol::setSGRCode(e.sgr))); return;
  }
}

}  // namespace quire::galley::detail
