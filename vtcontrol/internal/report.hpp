// The query machinery behind terminal.hpp, parameterised by the descriptor
// the reply is read from. The public queries read standard input
// (descriptor 0); tests pass a pipe or a pseudo-terminal instead.
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "vtcontrol/color.hpp"
#include "vtcontrol/export.hpp"
#include "vtcontrol/sgr.hpp"
#include "vtcontrol/terminal.hpp"

namespace quire::vtcontrol::detail {

// How long a whole reply may take to arrive.
inline constexpr std::chrono::microseconds reportTimeout{500000};

// Reads a reply from input one byte at a time: first the characters of start
// (stopping at the first mismatch and returning what was read, mismatch
// included), then anything up to and including the first complete sequence
// of ends. The whole read shares one deadline; when it passes, or the input
// ends or fails, the result is empty and what was read is lost.
// Throws quire::Error("getReport requires a list of terminating sequences.")
// when ends is empty, before reading anything.
[[nodiscard]] QUIRE_VTCONTROL_EXPORT std::string getReport(
    int input, std::string_view start, const std::vector<std::string>& ends,
    std::chrono::microseconds timeout = reportTimeout);

[[nodiscard]] QUIRE_VTCONTROL_EXPORT std::string getReportedCursorPositionFrom(int input);
[[nodiscard]] QUIRE_VTCONTROL_EXPORT std::string getReportedLayerColorFrom(int input,
                                                                           ConsoleLayer layer);

// The queries of terminal.hpp with the reply read from input. Echo and
// canonical mode of input are switched off while waiting (when input is a
// terminal) and restored on every path.
[[nodiscard]] QUIRE_VTCONTROL_EXPORT std::optional<CursorPosition> hGetCursorPositionFrom(
    int input, const OutputHandle& h);
[[nodiscard]] QUIRE_VTCONTROL_EXPORT std::optional<RGB16> hGetLayerColorFrom(int input,
                                                                             const OutputHandle& h,
                                                                             ConsoleLayer layer);
[[nodiscard]] QUIRE_VTCONTROL_EXPORT std::optional<TerminalSize> hGetTerminalSizeFrom(
    int input, const OutputHandle& h);

// True when input is the controlling terminal of a process group other than
// ours: changing its settings would stop us with SIGTTOU, reading it with SIGTTIN.
[[nodiscard]] QUIRE_VTCONTROL_EXPORT bool isBackgroundOf(int input) noexcept;

// The value of the first entry named name in the process environment.
[[nodiscard]] QUIRE_VTCONTROL_EXPORT std::optional<std::string_view> environmentValue(
    std::string_view name) noexcept;

}  // namespace quire::vtcontrol::detail
