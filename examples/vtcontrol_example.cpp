// Prints a styled line and the terminal's size. Without a terminal (for
// example under ctest) it prints the line plainly and says so.
#include <iostream>
#include <optional>

#include <vtcontrol/vtcontrol.hpp>

int main() {
  using namespace quire::vtcontrol;
  const bool ansi = hSupportsANSI(standardOutput());

  if (ansi)
    setSGR({SetConsoleIntensity{ConsoleIntensity::BoldIntensity},
            SetColor{ConsoleLayer::Foreground, ColorIntensity::Vivid, Color::Green}});
  std::cout << "quire vtcontrol";
  if (ansi) setSGR({Reset{}});
  std::cout << '\n';

  // Absent at once unless standard input and output are one terminal.
  std::optional<TerminalSize> size = getTerminalSize();
  if (size) {
    std::cout << "terminal size: " << size->rows << " rows, " << size->columns << " columns\n";
  } else {
    std::cout << "terminal size: unknown (no terminal answered)\n";
  }
}
