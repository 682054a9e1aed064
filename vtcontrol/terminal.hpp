// Terminals: writing escape sequences to output handles, testing whether a
// handle is an ANSI terminal, and asking the terminal questions.
//
// Every code function of codes.hpp has a handle form (hCursorUp(h, n)) that
// writes the code to the handle's stream without flushing, and a form for
// standard output (cursorUp(n)). An OutputHandle is a stream plus, where there
// is one, the file descriptor behind it; the capability tests look at the
// descriptor and at TERM and INSIDE_EMACS in the process environment.
//
// Queries write a request to the handle and read the terminal's reply from
// standard input, waiting at most half a second for the whole reply. A query
// is made only when it can be answered: the handle's descriptor and standard
// input must both be terminals, and the same terminal. Otherwise (input from
// a pipe or /dev/null, output to a file, a handle without a descriptor) the
// query writes nothing, reads nothing, changes no setting and answers absent
// at once. A query from a background process group, a terminal that does
// not answer and a malformed answer also give an absent result.
//
// While a query runs, echo and canonical (line-buffered) input of standard
// input are switched off; both are restored before it returns, also when it
// throws. Input already waiting when a query starts is read and dropped, so
// that an old keystroke is not taken for the reply: type-ahead is lost by
// design.
//
// Signals: while a query has the settings changed, SIGINT, SIGTERM, SIGHUP,
// SIGQUIT and SIGTSTP first restore echo and buffering and then take their
// ordinary effect: the caller's handler runs if one is installed, otherwise
// the default action ends or stops the process. Ignored signals stay
// ignored. Such a signal ends the query, which answers absent; after a stop
// and SIGCONT the terminal keeps the user's settings. The caller's signal
// dispositions are put back when the query returns.
//
// Example:
//   using namespace quire::vtcontrol;
//   hCursorUp(standardOutput(), 0);        // writes nothing
//   hSetSGR(std::cout, {});                // writes "\x1b[m"
//   cursorPosition("\x1b[12;40R")          // == CursorPosition{12, 40} (as reported)
//   layerColor(ConsoleLayer::Background, "\x1b]11;rgb:1a1a/2b2b/3c3c\x07")
//                                          // == RGB16{0x1A1A, 0x2B2B, 0x3C3C}
//   getTerminalSize()                      // e.g. TerminalSize{24, 80}; std::nullopt without a
//   terminal
//
// Note: queries change process-wide settings of standard input and consume
// its input; callers on several threads must serialise them.
#pragma once

#include <compare>
#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "vtcontrol/codes.hpp"
#include "vtcontrol/color.hpp"
#include "vtcontrol/export.hpp"
#include "vtcontrol/sgr.hpp"

namespace quire::vtcontrol {

// A stream to write to and, when known, the file descriptor behind it.
// Converts implicitly from std::ostream&: std::cout gets descriptor 1,
// std::cerr and std::clog get 2, any other stream none (so it never counts
// as a terminal).
class QUIRE_VTCONTROL_EXPORT OutputHandle {
 public:
  OutputHandle(std::ostream& stream) noexcept;  // NOLINT: implicit on purpose
  OutputHandle(std::ostream& stream, std::optional<int> descriptor) noexcept
      : stream_(&stream), descriptor_(descriptor) {}

  [[nodiscard]] std::ostream& stream() const noexcept { return *stream_; }
  [[nodiscard]] std::optional<int> descriptor() const noexcept { return descriptor_; }

 private:
  std::ostream* stream_;
  std::optional<int> descriptor_;
};

// std::cout with descriptor 1, std::cerr with descriptor 2.
[[nodiscard]] QUIRE_VTCONTROL_EXPORT OutputHandle standardOutput() noexcept;
[[nodiscard]] QUIRE_VTCONTROL_EXPORT OutputHandle standardError() noexcept;

// A cursor position as a pair of row and column.
struct CursorPosition {
  std::int64_t row = 0;
  std::int64_t column = 0;
  friend bool operator==(const CursorPosition&, const CursorPosition&) = default;
  friend auto operator<=>(const CursorPosition&, const CursorPosition&) = default;
};

struct TerminalSize {
  std::int64_t rows = 0;
  std::int64_t columns = 0;
  friend bool operator==(const TerminalSize&, const TerminalSize&) = default;
  friend auto operator<=>(const TerminalSize&, const TerminalSize&) = default;
};

[[nodiscard]] QUIRE_VTCONTROL_EXPORT std::string show(
    const CursorPosition& p);  // "CursorPosition 3 4"
[[nodiscard]] QUIRE_VTCONTROL_EXPORT std::string show(
    const TerminalSize& s);  // "TerminalSize 24 80"
inline std::ostream& operator<<(std::ostream& os, const CursorPosition& p) { return os << show(p); }
inline std::ostream& operator<<(std::ostream& os, const TerminalSize& s) { return os << show(s); }

// Writers: the handle form writes the code of the same name to h without
// flushing; the plain form writes it to standardOutput().
QUIRE_VTCONTROL_EXPORT void hCursorUp(const OutputHandle& h, std::int64_t n);
QUIRE_VTCONTROL_EXPORT void hCursorDown(const OutputHandle& h, std::int64_t n);
QUIRE_VTCONTROL_EXPORT void hCursorForward(const OutputHandle& h, std::int64_t n);
QUIRE_VTCONTROL_EXPORT void hCursorBackward(const OutputHandle& h, std::int64_t n);
QUIRE_VTCONTROL_EXPORT void hCursorDownLine(const OutputHandle& h, std::int64_t n);
QUIRE_VTCONTROL_EXPORT void hCursorUpLine(const OutputHandle& h, std::int64_t n);
QUIRE_VTCONTROL_EXPORT void hSetCursorColumn(const OutputHandle& h, std::int64_t column);
QUIRE_VTCONTROL_EXPORT void hSetCursorPosition(const OutputHandle& h, std::int64_t row,
                                               std::int64_t column);
QUIRE_VTCONTROL_EXPORT void hSaveCursor(const OutputHandle& h);
QUIRE_VTCONTROL_EXPORT void hRestoreCursor(const OutputHandle& h);
QUIRE_VTCONTROL_EXPORT void hReportCursorPosition(const OutputHandle& h);
QUIRE_VTCONTROL_EXPORT void hClearFromCursorToScreenEnd(const OutputHandle& h);
QUIRE_VTCONTROL_EXPORT void hClearFromCursorToScreenBeginning(const OutputHandle& h);
QUIRE_VTCONTROL_EXPORT void hClearScreen(const OutputHandle& h);
QUIRE_VTCONTROL_EXPORT void hClearFromCursorToLineEnd(const OutputHandle& h);
QUIRE_VTCONTROL_EXPORT void hClearFromCursorToLineBeginning(const OutputHandle& h);
QUIRE_VTCONTROL_EXPORT void hClearLine(const OutputHandle& h);
QUIRE_VTCONTROL_EXPORT void hScrollPageUp(const OutputHandle& h, std::int64_t n);
QUIRE_VTCONTROL_EXPORT void hScrollPageDown(const OutputHandle& h, std::int64_t n);
QUIRE_VTCONTROL_EXPORT void hUseAlternateScreenBuffer(const OutputHandle& h);
QUIRE_VTCONTROL_EXPORT void hUseNormalScreenBuffer(const OutputHandle& h);
QUIRE_VTCONTROL_EXPORT void hReportLayerColor(const OutputHandle& h, ConsoleLayer layer);
QUIRE_VTCONTROL_EXPORT void hSetSGR(const OutputHandle& h, const std::vector<SGR>& commands);
QUIRE_VTCONTROL_EXPORT void hHideCursor(const OutputHandle& h);
QUIRE_VTCONTROL_EXPORT void hShowCursor(const OutputHandle& h);
QUIRE_VTCONTROL_EXPORT void hHyperlinkWithParams(const OutputHandle& h,
                                                 const std::vector<HyperlinkParam>& params,
                                                 std::string_view uri, std::string_view text);
QUIRE_VTCONTROL_EXPORT void hHyperlinkWithId(const OutputHandle& h, std::string_view id,
                                             std::string_view uri, std::string_view text);
QUIRE_VTCONTROL_EXPORT void hHyperlink(const OutputHandle& h, std::string_view uri,
                                       std::string_view text);
QUIRE_VTCONTROL_EXPORT void hSetTitle(const OutputHandle& h, std::string_view title);

QUIRE_VTCONTROL_EXPORT void cursorUp(std::int64_t n);
QUIRE_VTCONTROL_EXPORT void cursorDown(std::int64_t n);
QUIRE_VTCONTROL_EXPORT void cursorForward(std::int64_t n);
QUIRE_VTCONTROL_EXPORT void cursorBackward(std::int64_t n);
QUIRE_VTCONTROL_EXPORT void cursorDownLine(std::int64_t n);
QUIRE_VTCONTROL_EXPORT void cursorUpLine(std::int64_t n);
QUIRE_VTCONTROL_EXPORT void setCursorColumn(std::int64_t column);
QUIRE_VTCONTROL_EXPORT void setCursorPosition(std::int64_t row, std::int64_t column);
QUIRE_VTCONTROL_EXPORT void saveCursor();
QUIRE_VTCONTROL_EXPORT void restoreCursor();
QUIRE_VTCONTROL_EXPORT void reportCursorPosition();
QUIRE_VTCONTROL_EXPORT void clearFromCursorToScreenEnd();
QUIRE_VTCONTROL_EXPORT void clearFromCursorToScreenBeginning();
QUIRE_VTCONTROL_EXPORT void clearScreen();
QUIRE_VTCONTROL_EXPORT void clearFromCursorToLineEnd();
QUIRE_VTCONTROL_EXPORT void clearFromCursorToLineBeginning();
QUIRE_VTCONTROL_EXPORT void clearLine();
QUIRE_VTCONTROL_EXPORT void scrollPageUp(std::int64_t n);
QUIRE_VTCONTROL_EXPORT void scrollPageDown(std::int64_t n);
QUIRE_VTCONTROL_EXPORT void useAlternateScreenBuffer();
QUIRE_VTCONTROL_EXPORT void useNormalScreenBuffer();
QUIRE_VTCONTROL_EXPORT void reportLayerColor(ConsoleLayer layer);
QUIRE_VTCONTROL_EXPORT void setSGR(const std::vector<SGR>& commands);
QUIRE_VTCONTROL_EXPORT void hideCursor();
QUIRE_VTCONTROL_EXPORT void showCursor();
QUIRE_VTCONTROL_EXPORT void hyperlinkWithParams(const std::vector<HyperlinkParam>& params,
                                                std::string_view uri, std::string_view text);
QUIRE_VTCONTROL_EXPORT void hyperlinkWithId(std::string_view id, std::string_view uri,
                                            std::string_view text);
QUIRE_VTCONTROL_EXPORT void hyperlink(std::string_view uri, std::string_view text);
QUIRE_VTCONTROL_EXPORT void setTitle(std::string_view title);

// True when h's descriptor is a terminal and TERM is unset or anything but
// exactly "dumb". A handle without a descriptor is never a terminal.
[[nodiscard]] QUIRE_VTCONTROL_EXPORT bool hSupportsANSI(const OutputHandle& h);
// hSupportsANSI, or else Emacs's terminal: INSIDE_EMACS set (to anything)
// and TERM exactly "dumb".
[[nodiscard]] QUIRE_VTCONTROL_EXPORT bool hSupportsANSIColor(const OutputHandle& h);
// Always present here: h is writable and hSupportsANSI h.
[[nodiscard]] QUIRE_VTCONTROL_EXPORT std::optional<bool> hSupportsANSIWithoutEmulation(
    const OutputHandle& h);

// The cursor position counting from 0, asked of the terminal behind h.
[[nodiscard]] QUIRE_VTCONTROL_EXPORT std::optional<CursorPosition> hGetCursorPosition(
    const OutputHandle& h);
[[nodiscard]] QUIRE_VTCONTROL_EXPORT std::optional<CursorPosition> getCursorPosition();
// The colour of a layer as the terminal reports it.
[[nodiscard]] QUIRE_VTCONTROL_EXPORT std::optional<RGB16> hGetLayerColor(const OutputHandle& h,
                                                                         ConsoleLayer layer);
[[nodiscard]] QUIRE_VTCONTROL_EXPORT std::optional<RGB16> getLayerColor(ConsoleLayer layer);
// Rows and columns, measured by moving the cursor to the far corner (saved
// and restored around the probe) and asking for its position.
[[nodiscard]] QUIRE_VTCONTROL_EXPORT std::optional<TerminalSize> hGetTerminalSize(
    const OutputHandle& h);
[[nodiscard]] QUIRE_VTCONTROL_EXPORT std::optional<TerminalSize> getTerminalSize();

// The raw text of a cursor report read from standard input (ESC "[" ... "R"),
// or whatever was read before it went wrong; empty when nothing complete
// arrived within half a second. The query itself is not written.
[[nodiscard]] QUIRE_VTCONTROL_EXPORT std::string getReportedCursorPosition();
// The same for a colour report ESC "]10;rgb:" or ESC "]11;rgb:" ... BEL or ST.
[[nodiscard]] QUIRE_VTCONTROL_EXPORT std::string getReportedLayerColor(ConsoleLayer layer);

// Parses a cursor report ESC "[" row ";" column "R" (both counting from 1, as
// reported); text after it is ignored. Absent when the text does not match,
// including an empty or out-of-range row or column.
[[nodiscard]] QUIRE_VTCONTROL_EXPORT std::optional<CursorPosition> cursorPosition(
    std::string_view reply);
// Parses a colour report ESC "]10;rgb:" (or "11" for the background) r "/" g
// "/" b, ended by BEL or ST, whose components are hexadecimal runs of one
// common length from 1 to 4, each scaled to 16 bits ("f" is 0xF000, "ffff"
// 0xFFFF). Text after it is ignored.
[[nodiscard]] QUIRE_VTCONTROL_EXPORT std::optional<RGB16> layerColor(ConsoleLayer layer,
                                                                     std::string_view reply);

}  // namespace quire::vtcontrol
