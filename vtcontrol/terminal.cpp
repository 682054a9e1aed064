#include "vtcontrol/terminal.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <iostream>

#include "vtcontrol/internal/report.hpp"
#include "vtcontrol/internal/text.hpp"

extern "C" char** environ;

namespace quire::vtcontrol {
namespace {

std::optional<int> standardDescriptorOf(const std::ostream& stream) noexcept {
  if (&stream == &std::cout) return STDOUT_FILENO;
  if (&stream == &std::cerr || &stream == &std::clog) return STDERR_FILENO;
  return std::nullopt;
}

void put(const OutputHandle& h, const std::string& code) { h.stream() << code; }

bool isWritable(const OutputHandle& h) noexcept {
  if (h.stream().bad() || h.stream().rdbuf() == nullptr) return false;
  if (!h.descriptor()) return true;
  int flags = ::fcntl(*h.descriptor(), F_GETFL);
  return flags != -1 && (flags & O_ACCMODE) != O_RDONLY;
}

}  // namespace

OutputHandle::OutputHandle(std::ostream& stream) noexcept
    : stream_(&stream), descriptor_(standardDescriptorOf(stream)) {}

OutputHandle standardOutput() noexcept { return OutputHandle(std::cout, STDOUT_FILENO); }
OutputHandle standardError() noexcept { return OutputHandle(std::cerr, STDERR_FILENO); }

std::string show(const CursorPosition& p) {
  return detail::showConstructor(0, "CursorPosition",
                                 {std::to_string(p.row), std::to_string(p.column)});
}
std::string show(const TerminalSize& s) {
  return detail::showConstructor(0, "TerminalSize",
                                 {std::to_string(s.rows), std::to_string(s.columns)});
}

void hCursorUp(const OutputHandle& h, std::int64_t n) { put(h, cursorUpCode(n)); }
void hCursorDown(const OutputHandle& h, std::int64_t n) { put(h, cursorDownCode(n)); }
void hCursorForward(const OutputHandle& h, std::int64_t n) { put(h, cursorForwardCode(n)); }
void hCursorBackward(const OutputHandle& h, std::int64_t n) { put(h, cursorBackwardCode(n)); }
void hCursorDownLine(const OutputHandle& h, std::int64_t n) { put(h, cursorDownLineCode(n)); }
void hCursorUpLine(const OutputHandle& h, std::int64_t n) { put(h, cursorUpLineCode(n)); }
void hSetCursorColumn(const OutputHandle& h, std::int64_t column) {
  put(h, setCursorColumnCode(column));
}
void hSetCursorPosition(const OutputHandle& h, std::int64_t row, std::int64_t column) {
  put(h, setCursorPositionCode(row, column));
}
void hSaveCursor(const OutputHandle& h) { put(h, saveCursorCode()); }
void hRestoreCursor(const OutputHandle& h) { put(h, restoreCursorCode()); }
void hReportCursorPosition(const OutputHandle& h) { put(h, reportCursorPositionCode()); }
void hClearFromCursorToScreenEnd(const OutputHandle& h) {
  put(h, clearFromCursorToScreenEndCode());
}
void hClearFromCursorToScreenBeginning(const OutputHandle& h) {
  put(h, clearFromCursorToScreenBeginningCode());
}
void hClearScreen(const OutputHandle& h) { put(h, clearScreenCode()); }
void hClearFromCursorToLineEnd(const OutputHandle& h) { put(h, clearFromCursorToLineEndCode()); }
void hClearFromCursorToLineBeginning(const OutputHandle& h) {
  put(h, clearFromCursorToLineBeginningCode());
}
void hClearLine(const OutputHandle& h) { put(h, clearLineCode()); }
void hScrollPageUp(const OutputHandle& h, std::int64_t n) { put(h, scrollPageUpCode(n)); }
void hScrollPageDown(const OutputHandle& h, std::int64_t n) { put(h, scrollPageDownCode(n)); }
void hUseAlternateScreenBuffer(const OutputHandle& h) { put(h, useAlternateScreenBufferCode()); }
void hUseNormalScreenBuffer(const OutputHandle& h) { put(h, useNormalScreenBufferCode()); }
void hReportLayerColor(const OutputHandle& h, ConsoleLayer layer) {
  put(h, reportLayerColorCode(layer));
}
void hSetSGR(const OutputHandle& h, const std::vector<SGR>& commands) {
  put(h, setSGRCode(commands));
}
void hHideCursor(const OutputHandle& h) { put(h, hideCursorCode()); }
void hShowCursor(const OutputHandle& h) { put(h, showCursorCode()); }
void hHyperlinkWithParams(const OutputHandle& h, const std::vector<HyperlinkParam>& params,
                          std::string_view uri, std::string_view text) {
  put(h, hyperlinkWithParamsCode(params, uri, text));
}
void hHyperlinkWithId(const OutputHandle& h, std::string_view id, std::string_view uri,
                      std::string_view text) {
  put(h, hyperlinkWithIdCode(id, uri, text));
}
void hHyperlink(const OutputHandle& h, std::string_view uri, std::string_view text) {
  put(h, hyperlinkCode(uri, text));
}
void hSetTitle(const OutputHandle& h, std::string_view title) { put(h, setTitleCode(title)); }

void cursorUp(std::int64_t n) { hCursorUp(standardOutput(), n); }
void cursorDown(std::int64_t n) { hCursorDown(standardOutput(), n); }
void cursorForward(std::int64_t n) { hCursorForward(standardOutput(), n); }
void cursorBackward(std::int64_t n) { hCursorBackward(standardOutput(), n); }
void cursorDownLine(std::int64_t n) { hCursorDownLine(standardOutput(), n); }
void cursorUpLine(std::int64_t n) { hCursorUpLine(standardOutput(), n); }
void setCursorColumn(std::int64_t column) { hSetCursorColumn(standardOutput(), column); }
void setCursorPosition(std::int64_t row, std::int64_t column) {
  hSetCursorPosition(standardOutput(), row, column);
}
void saveCursor() { hSaveCursor(standardOutput()); }
void restoreCursor() { hRestoreCursor(standardOutput()); }
void reportCursorPosition() { hReportCursorPosition(standardOutput()); }
void clearFromCursorToScreenEnd() { hClearFromCursorToScreenEnd(standardOutput()); }
void clearFromCursorToScreenBeginning() { hClearFromCursorToScreenBeginning(standardOutput()); }
void clearScreen() { hClearScreen(standardOutput()); }
void clearFromCursorToLineEnd() { hClearFromCursorToLineEnd(standardOutput()); }
void clearFromCursorToLineBeginning() { hClearFromCursorToLineBeginning(standardOutput()); }
void clearLine() { hClearLine(standardOutput()); }
void scrollPageUp(std::int64_t n) { hScrollPageUp(standardOutput(), n); }
void scrollPageDown(std::int64_t n) { hScrollPageDown(standardOutput(), n); }
void useAlternateScreenBuffer() { hUseAlternateScreenBuffer(standardOutput()); }
void useNormalScreenBuffer() { hUseNormalScreenBuffer(standardOutput()); }
void reportLayerColor(ConsoleLayer layer) { hReportLayerColor(standardOutput(), layer); }
void setSGR(const std::vector<SGR>& commands) { hSetSGR(standardOutput(), commands); }
void hideCursor() { hHideCursor(standardOutput()); }
void showCursor() { hShowCursor(standardOutput()); }
void hyperlinkWithParams(const std::vector<HyperlinkParam>& params, std::string_view uri,
                         std::string_view text) {
  hHyperlinkWithParams(standardOutput(), params, uri, text);
}
void hyperlinkWithId(std::string_view id, std::string_view uri, std::string_view text) {
  hHyperlinkWithId(standardOutput(), id, uri, text);
}
void hyperlink(std::string_view uri, std::string_view text) {
  hHyperlink(standardOutput(), uri, text);
}
void setTitle(std::string_view title) { hSetTitle(standardOutput(), title); }

namespace detail {

std::optional<std::string_view> environmentValue(std::string_view name) noexcept {
  if (environ == nullptr) return std::nullopt;
  for (char** entry = environ; *entry != nullptr; ++entry) {
    std::string_view text(*entry);
    if (text.size() > name.size() && text.starts_with(name) && text[name.size()] == '=') {
      return text.substr(name.size() + 1);
    }
  }
  return std::nullopt;
}

}  // namespace detail

bool hSupportsANSI(const OutputHandle& h) {
  if (!h.descriptor() || ::isatty(*h.descriptor()) != 1) return false;
  return detail::environmentValue("TERM") != std::optional<std::string_view>("dumb");
}

bool hSupportsANSIColor(const OutputHandle& h) {
  if (hSupportsANSI(h)) return true;
  return detail::environmentValue("INSIDE_EMACS").has_value() &&
         detail::environmentValue("TERM") == std::optional<std::string_view>("dumb");
}

std::optional<bool> hSupportsANSIWithoutEmulation(const OutputHandle& h) {
  return isWritable(h) && hSupportsANSI(h);
}

std::optional<CursorPosition> hGetCursorPosition(const OutputHandle& h) {
  return detail::hGetCursorPositionFrom(STDIN_FILENO, h);
}
std::optional<CursorPosition> getCursorPosition() { return hGetCursorPosition(standardOutput()); }

std::optional<RGB16> hGetLayerColor(const OutputHandle& h, ConsoleLayer layer) {
  return detail::hGetLayerColorFrom(STDIN_FILENO, h, layer);
}
std::optional<RGB16> getLayerColor(ConsoleLayer layer) {
  return hGetLayerColor(standardOutput(), layer);
}

std::optional<TerminalSize> hGetTerminalSize(const OutputHandle& h) {
  return detail::hGetTerminalSizeFrom(STDIN_FILENO, h);
}
std::optional<TerminalSize> getTerminalSize() { return hGetTerminalSize(standardOutput()); }

std::string getReportedCursorPosition() {
  return detail::getReportedCursorPositionFrom(STDIN_FILENO);
}
std::string getReportedLayerColor(ConsoleLayer layer) {
  return detail::getReportedLayerColorFrom(STDIN_FILENO, layer);
}

}  // namespace quire::vtcontrol
