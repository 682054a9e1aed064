// Escape sequences as text: the ECMA-48 control sequences and xterm
// extensions for moving the cursor, erasing, scrolling, the cursor's
// visibility, the alternate screen, window titles, hyperlinks, colour queries
// and graphic rendition.
//
// Every function here is pure and returns the exact characters to write;
// terminal.hpp writes them to output handles. Counts, rows and columns are not
// validated: a negative count is written as given. Rows and columns count
// from 0 and are written counting from 1, as terminals expect.
//
// Example:
//   using namespace quire::vtcontrol;
//   csi({2, 5}, "H")                 // == "\x1b[2;5H"
//   cursorUpCode(3)                  // == "\x1b[3A"
//   cursorUpCode(0)                  // == ""
//   setCursorPositionCode(0, 0)      // == "\x1b[1;1H"
//   setSGRCode({SetColor{ConsoleLayer::Foreground, ColorIntensity::Vivid, Color::Red},
//               SetConsoleIntensity{ConsoleIntensity::BoldIntensity}})   // == "\x1b[91;1m"
//   setSGRCode({})                   // == "\x1b[m"
//   hyperlinkCode("https://example.org", "here")
//       // == "\x1b]8;;https://example.org\x1b\\here\x1b]8;;\x1b\\"
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "vtcontrol/export.hpp"
#include "vtcontrol/sgr.hpp"

namespace quire::vtcontrol {

// A hyperlink parameter, written key "=" value.
using HyperlinkParam = std::pair<std::string, std::string>;

// ESC "[", the parameters in decimal joined by ";", then final.
[[nodiscard]] QUIRE_VTCONTROL_EXPORT std::string csi(const std::vector<std::int64_t>& params,
                                                     std::string_view final);
// ESC "]", first, ";", second, ST (ESC "\").
[[nodiscard]] QUIRE_VTCONTROL_EXPORT std::string osc(std::string_view first,
                                                     std::string_view second);

// Relative moves; each gives the empty string for a count of 0.
[[nodiscard]] QUIRE_VTCONTROL_EXPORT std::string cursorUpCode(std::int64_t n);
[[nodiscard]] QUIRE_VTCONTROL_EXPORT std::string cursorDownCode(std::int64_t n);
[[nodiscard]] QUIRE_VTCONTROL_EXPORT std::string cursorForwardCode(std::int64_t n);
[[nodiscard]] QUIRE_VTCONTROL_EXPORT std::string cursorBackwardCode(std::int64_t n);
// To the start of the line n lines down/up; a count of 0 goes to the start
// of the current line.
[[nodiscard]] QUIRE_VTCONTROL_EXPORT std::string cursorDownLineCode(std::int64_t n);
[[nodiscard]] QUIRE_VTCONTROL_EXPORT std::string cursorUpLineCode(std::int64_t n);
[[nodiscard]] QUIRE_VTCONTROL_EXPORT std::string setCursorColumnCode(std::int64_t column);
[[nodiscard]] QUIRE_VTCONTROL_EXPORT std::string setCursorPositionCode(std::int64_t row,
                                                                       std::int64_t column);
[[nodiscard]] QUIRE_VTCONTROL_EXPORT std::string saveCursorCode();
[[nodiscard]] QUIRE_VTCONTROL_EXPORT std::string restoreCursorCode();
// Asks the terminal to report the cursor position on its input.
[[nodiscard]] QUIRE_VTCONTROL_EXPORT std::string reportCursorPositionCode();

[[nodiscard]] QUIRE_VTCONTROL_EXPORT std::string clearFromCursorToScreenEndCode();
[[nodiscard]] QUIRE_VTCONTROL_EXPORT std::string clearFromCursorToScreenBeginningCode();
[[nodiscard]] QUIRE_VTCONTROL_EXPORT std::string clearScreenCode();
[[nodiscard]] QUIRE_VTCONTROL_EXPORT std::string clearFromCursorToLineEndCode();
[[nodiscard]] QUIRE_VTCONTROL_EXPORT std::string clearFromCursorToLineBeginningCode();
[[nodiscard]] QUIRE_VTCONTROL_EXPORT std::string clearLineCode();

// Scrolling by n lines; empty for a count of 0.
[[nodiscard]] QUIRE_VTCONTROL_EXPORT std::string scrollPageUpCode(std::int64_t n);
[[nodiscard]] QUIRE_VTCONTROL_EXPORT std::string scrollPageDownCode(std::int64_t n);

[[nodiscard]] QUIRE_VTCONTROL_EXPORT std::string useAlternateScreenBufferCode();
[[nodiscard]] QUIRE_VTCONTROL_EXPORT std::string useNormalScreenBufferCode();
[[nodiscard]] QUIRE_VTCONTROL_EXPORT std::string hideCursorCode();
[[nodiscard]] QUIRE_VTCONTROL_EXPORT std::string showCursorCode();

// One SGR sequence applying the commands in list order; an empty list gives
// ESC "[m", which terminals treat as a reset.
[[nodiscard]] QUIRE_VTCONTROL_EXPORT std::string setSGRCode(const std::vector<SGR>& commands);
// The SGR parameters of one command (SetTrueColor: 38 or 48, 2, red, green, blue).
[[nodiscard]] QUIRE_VTCONTROL_EXPORT std::vector<std::int64_t> sgrToCode(const SGR& command);
// Black 0, Red 1, ... White 7.
[[nodiscard]] QUIRE_VTCONTROL_EXPORT std::int64_t colorToCode(Color color) noexcept;

// Sets the window title. Non-printable characters are dropped (controls such
// as BEL and ESC, format, private-use, unassigned and non-space separators),
// as are bytes that are not valid UTF-8.
[[nodiscard]] QUIRE_VTCONTROL_EXPORT std::string setTitleCode(std::string_view title);

// Text shown as a link to uri, then the sequence that ends the link.
// Note: control characters (C0, DEL, C1) and invalid UTF-8 are removed from
// the uri and the parameters, since they could end the sequence early and
// let the rest act as terminal commands. The text is written as given, so it
// may carry its own styling.
[[nodiscard]] QUIRE_VTCONTROL_EXPORT std::string hyperlinkWithParamsCode(
    const std::vector<HyperlinkParam>& params, std::string_view uri, std::string_view text);
[[nodiscard]] QUIRE_VTCONTROL_EXPORT std::string hyperlinkCode(std::string_view uri,
                                                               std::string_view text);
// Links with the same id are treated by the terminal as one link.
[[nodiscard]] QUIRE_VTCONTROL_EXPORT std::string hyperlinkWithIdCode(std::string_view id,
                                                                     std::string_view uri,
                                                                     std::string_view text);

// Asks the terminal for the colour of a layer (OSC 10 or 11 with "?").
[[nodiscard]] QUIRE_VTCONTROL_EXPORT std::string reportLayerColorCode(ConsoleLayer layer);

}  // namespace quire::vtcontrol
