// Runs inside a terminal (a tmux pane in the tests) and writes what the
// terminal library finds out about it to the file named by its argument, one
// "key=value" line each, for the driver script to compare with what tmux says.
#include <cstdio>
#include <fstream>
#include <iostream>

#include "vtcontrol/vtcontrol.hpp"

namespace vt = quire::vtcontrol;

namespace {

std::string showColor(const std::optional<vt::RGB16>& c) {
  if (!c) return "absent";
  char text[32];
  std::snprintf(text, sizeof text, "%04x,%04x,%04x", c->red, c->green, c->blue);
  return text;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: tmux_probe <report-file>\n";
    return 2;
  }
  std::ofstream report(argv[1]);
  report << "ansi=" << vt::hSupportsANSI(vt::standardOutput()) << '\n';
  report << "color=" << vt::hSupportsANSIColor(vt::standardOutput()) << '\n';

  auto size = vt::getTerminalSize();
  report << "size="
         << (size ? std::to_string(size->rows) + "," + std::to_string(size->columns) : "absent")
         << '\n';

  vt::setCursorPosition(4, 9);
  auto position = vt::getCursorPosition();
  report << "cursor="
         << (position ? std::to_string(position->row) + "," + std::to_string(position->column)
                      : "absent")
         << '\n';

  report << "fg=" << showColor(vt::getLayerColor(vt::ConsoleLayer::Foreground)) << '\n';
  report << "bg=" << showColor(vt::getLayerColor(vt::ConsoleLayer::Background)) << '\n';
  report << "end=1\n";
  return report.good() ? 0 : 1;
}
