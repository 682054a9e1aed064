// Fuzzes the reader of terminal replies with scripted input: whatever bytes
// a terminal (or anything posing as one) sends, getReport must stop, return
// a prefix of what arrived, and return it only when it is complete (it ends
// with one of the end sequences) or mismatched at the start; the reply
// parsers must accept only what they should.
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "vtcontrol/internal/report.hpp"
#include "vtcontrol/terminal.hpp"

namespace {

using namespace quire::vtcontrol;

// The scripted terminal: the bytes wait in a pipe whose writer is closed, so
// the reader sees them and then the end of input, never a hang.
int scriptedInput(std::string_view bytes) {
  int fds[2];
  if (::pipe(fds) != 0) std::abort();
  if (::write(fds[1], bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size()))
    std::abort();
  ::close(fds[1]);
  return fds[0];
}

bool endsWithOneOf(const std::string& got, const std::vector<std::string>& ends) {
  for (const std::string& end : ends)
    if (got.size() >= end.size() && got.compare(got.size() - end.size(), end.size(), end) == 0)
      return true;
  return false;
}

void checkReport(std::string_view script, std::string_view start,
                 const std::vector<std::string>& ends) {
  int input = scriptedInput(script);
  std::string got = detail::getReport(input, start, ends, std::chrono::seconds(2));
  ::close(input);
  if (!script.starts_with(got)) std::abort();  // only what arrived, in order
  if (got.empty()) return;
  bool mismatchedStart = got.size() <= start.size() && got.back() != start[got.size() - 1];
  bool complete = got.starts_with(start) && endsWithOneOf(got.substr(start.size()), ends);
  if (!mismatchedStart && !complete) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 16384) return 0;  // stays below a pipe's buffer
  std::string_view script(reinterpret_cast<const char*>(data), size);
  checkReport(script, "\x1b[", {"R"});
  checkReport(script, "\x1b]11;rgb:", {"\x07", "\x1b\\"});
  checkReport(script, "", {"\x1b\\", "\x1b"});  // one end the prefix of another

  int input = scriptedInput(script);
  std::string reply = detail::getReportedCursorPositionFrom(input);
  ::close(input);
  if (auto p = cursorPosition(reply)) {
    if (p->row < 0 || p->column < 0 || !reply.ends_with("R")) std::abort();
  }
  input = scriptedInput(script);
  reply = detail::getReportedLayerColorFrom(input, ConsoleLayer::Background);
  ::close(input);
  if (layerColor(ConsoleLayer::Background, reply) && !reply.starts_with("\x1b]11;rgb:"))
    std::abort();
  return 0;
}
