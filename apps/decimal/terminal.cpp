#include "apps/decimal/terminal.hpp"

#include <sys/ioctl.h>
#include <unistd.h>

#include <optional>

#include "vtcontrol/terminal.hpp"

namespace quire::decimal {

namespace {

std::optional<std::int64_t> kernelWidth() {
  winsize size{};
  if (::ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0) return size.ws_col;
  return std::nullopt;
}

std::int64_t terminalWidth(bool ansi) {
  // The size query reads its answer from standard input: asking while the
  // input is a pipe or a file would swallow the numbers to inspect.
  if (ansi && ::isatty(STDIN_FILENO) == 1) {
    if (auto size = vtcontrol::getTerminalSize(); size && size->columns > 0) return size->columns;
  }
  return kernelWidth().value_or(defaultWidth);
}

}  // namespace

Presentation choosePresentation(const Options& options) {
  Presentation p;
  bool ansi = vtcontrol::hSupportsANSI(vtcontrol::standardOutput());
  switch (options.color) {
    case ColorMode::Always: p.color = true; break;
    case ColorMode::Never: p.color = false; break;
    case ColorMode::Auto: p.color = ansi; break;
  }
  if (options.width) {
    p.width = *options.width;
  } else if (::isatty(STDOUT_FILENO) == 1) {
    p.width = terminalWidth(ansi);
  }
  return p;
}

}  // namespace quire::decimal
