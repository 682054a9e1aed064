// The terminal library: escape sequences, graphic rendition values, writing
// them to output handles, and asking the terminal for the cursor position,
// its size and its colours.
//
// Example:
//   using namespace quire::vtcontrol;
//   if (hSupportsANSI(standardOutput())) {
//     setSGR({SetColor{ConsoleLayer::Foreground, ColorIntensity::Vivid, Color::Green}});
//     std::cout << "ready";
//     setSGR({Reset{}});
//     if (auto size = getTerminalSize()) std::cout << size->rows << "x" << size->columns;
//   }
//   setSGRCode({Reset{}})   // == "\x1b[0m"
#pragma once

#include "vtcontrol/codes.hpp"
#include "vtcontrol/color.hpp"
#include "vtcontrol/sgr.hpp"
#include "vtcontrol/terminal.hpp"
