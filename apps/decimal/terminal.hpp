// How the report meets standard output: the page width and whether to
// colour, from the options and from what standard output is.
//
// Colour: --color=always and never decide; auto colours only when
// hSupportsANSI says standard output is an ANSI terminal. Width: --width
// decides; otherwise a terminal is asked for its size (getTerminalSize) when
// standard input is the terminal too, since the reply arrives there; the
// kernel's window size serves when the question cannot be asked or gets no
// answer; anything that is not a terminal gets 80 columns.
#pragma once

#include <cstdint>

#include "apps/decimal/options.hpp"

namespace quire::decimal {

inline constexpr std::int64_t defaultWidth = 80;

struct Presentation {
  std::int64_t width = defaultWidth;
  bool color = false;
};

Presentation choosePresentation(const Options& options);

}  // namespace quire::decimal
