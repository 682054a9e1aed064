// Runs inside a terminal (a tmux pane in the tests) and writes what the
// terminal library finds out about it to the file named by its argument, one
// "key=value" line each, for the driver script to compare with what tmux says.
//
//   tmux_probe FILE           every capability test and query
//   tmux_probe --quick FILE   the three queries and how long they took, for
//                             runs whose input or output is not the terminal
//   tmux_probe --hang FILE    writes "asking" and then asks for the foreground
//                             colour (which a pane without colours never
//                             answers) over and over, for 20 s, so that a
//                             signal can be sent in the middle of a query
#include <chrono>
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

using Clock = std::chrono::steady_clock;

int quick(std::ofstream& report) {
  auto start = Clock::now();
  bool any = vt::getCursorPosition() || vt::getTerminalSize() ||
             vt::getLayerColor(vt::ConsoleLayer::Background);
  auto took = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
  report << "answered=" << any << "\nms=" << took.count() << "\nend=1\n";
  return report.good() ? 0 : 1;
}

int hang(std::ofstream& report) {
  report << "asking\n" << std::flush;
  auto until = Clock::now() + std::chrono::seconds(20);
  int answers = 0;
  while (Clock::now() < until) answers += vt::getLayerColor(vt::ConsoleLayer::Foreground) ? 1 : 0;
  report << "answers=" << answers << "\nend=1\n";
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::string mode = argc == 3 ? argv[1] : "";
  if (!(argc == 2 || (argc == 3 && (mode == "--quick" || mode == "--hang")))) {
    std::cerr << "usage: tmux_probe [--quick|--hang] <report-file>\n";
    return 2;
  }
  std::ofstream report(argv[argc - 1]);
  if (mode == "--quick") return quick(report);
  if (mode == "--hang") return hang(report);
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
