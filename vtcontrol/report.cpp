#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <chrono>

#include "base/error.hpp"
#include "vtcontrol/internal/quiet_input.hpp"
#include "vtcontrol/internal/report.hpp"

namespace quire::vtcontrol {
namespace {

using Clock = std::chrono::steady_clock;

// --- Parsing ---------------------------------------------------------------

// A cursor over reply text for the small grammars of terminal reports.
class Scanner {
 public:
  explicit Scanner(std::string_view text) noexcept : rest_(text) {}

  bool literal(std::string_view expected) noexcept {
    if (!rest_.starts_with(expected)) return false;
    rest_.remove_prefix(expected.size());
    return true;
  }

  template <class Predicate>
  std::string_view run(Predicate accepts) noexcept {
    std::size_t n = 0;
    while (n < rest_.size() && accepts(rest_[n])) ++n;
    std::string_view taken = rest_.substr(0, n);
    rest_.remove_prefix(n);
    return taken;
  }

 private:
  std::string_view rest_;
};

bool isDecimalDigit(char c) noexcept { return c >= '0' && c <= '9'; }
bool isHexDigit(char c) noexcept {
  return isDecimalDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// The value of a digit run; absent when it is empty or does not fit.
template <class T>
std::optional<T> numberOf(std::string_view digits, int base) noexcept {
  T value{};
  auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value, base);
  if (digits.empty() || error != std::errc() || end != digits.data() + digits.size())
    return std::nullopt;
  return value;
}

// --- Reading ---------------------------------------------------------------

// Waits until input has a byte or the deadline passes; then reads one.
// Absent on timeout, end of input, a read error or an interrupted query.
std::optional<char> readByteBefore(int input, Clock::time_point deadline) {
  for (;;) {
    if (detail::queryInterrupted()) return std::nullopt;
    auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
    if (left.count() <= 0) return std::nullopt;
    pollfd waiting{input, POLLIN, 0};
    int ready = ::poll(&waiting, 1, static_cast<int>(left.count()));
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) return std::nullopt;
    char c = 0;
    ssize_t got = ::read(input, &c, 1);
    if (got == 1) return c;
    if (got < 0 && (errno == EINTR || errno == EAGAIN)) continue;
    return std::nullopt;
  }
}

// Drops whatever input is already waiting, so an old keystroke or a stale
// reply is not taken for the answer. Stops at end of input, on an error or
// when input keeps arriving for longer than the reply timeout.
void discardPendingInput(int input) {
  Clock::time_point deadline = Clock::now() + detail::reportTimeout;
  while (Clock::now() < deadline && !detail::queryInterrupted()) {
    pollfd waiting{input, POLLIN, 0};
    int ready = ::poll(&waiting, 1, 0);
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0 || (waiting.revents & POLLIN) == 0) return;
    char c = 0;
    ssize_t got = ::read(input, &c, 1);
    if (got < 0 && errno == EINTR) continue;
    if (got != 1) return;
  }
}

// True when a request may be written to h and its reply read from input:
// the two are one terminal and asking would not stop a background process.
bool mayAsk(int input, const OutputHandle& h) noexcept {
  return detail::canAnswer(input, h) && !detail::isBackgroundOf(input);
}

// Writes request to h and reads the reply from input with readReply, with
// input quiet meanwhile. Empty, without writing or reading anything, when
// no terminal could answer.
template <class ReadReply>
std::string ask(int input, const OutputHandle& h, const std::string& request, ReadReply readReply) {
  if (!mayAsk(input, h)) return {};
  detail::QuietInput quiet(input);
  discardPendingInput(input);
  h.stream() << request;
  h.stream().flush();
  return readReply(input);
}

const std::vector<std::string>& cursorReportEnds() {
  static const std::vector<std::string> ends{"R"};
  return ends;
}

const std::vector<std::string>& colorReportEnds() {
  static const std::vector<std::string> ends{"\x07", "\x1b\\"};
  return ends;
}

std::string_view layerNumber(ConsoleLayer layer) noexcept {
  return layer == ConsoleLayer::Foreground ? "10" : "11";
}

}  // namespace

std::optional<CursorPosition> cursorPosition(std::string_view reply) {
  Scanner scan(reply);
  if (!scan.literal("\x1b[")) return std::nullopt;
  std::string_view row = scan.run(isDecimalDigit);
  if (!scan.literal(";")) return std::nullopt;
  std::string_view column = scan.run(isDecimalDigit);
  if (!scan.literal("R")) return std::nullopt;
  auto r = numberOf<std::int64_t>(row, 10);
  auto c = numberOf<std::int64_t>(column, 10);
  if (!r || !c) return std::nullopt;
  return CursorPosition{*r, *c};
}

std::optional<RGB16> layerColor(ConsoleLayer layer, std::string_view reply) {
  Scanner scan(reply);
  if (!scan.literal("\x1b]") || !scan.literal(layerNumber(layer)) || !scan.literal(";rgb:"))
    return std::nullopt;
  std::string_view red = scan.run(isHexDigit);
  if (!scan.literal("/")) return std::nullopt;
  std::string_view green = scan.run(isHexDigit);
  if (!scan.literal("/")) return std::nullopt;
  std::string_view blue = scan.run(isHexDigit);
  if (!scan.literal("\x07") && !scan.literal("\x1b\\")) return std::nullopt;
  std::size_t length = red.size();
  if (length == 0 || length > 4 || green.size() != length || blue.size() != length)
    return std::nullopt;
  // Scales a run of one to four digits to 16 bits: "f" is 0xF000.
  auto component = [length](std::string_view digits) {
    return static_cast<std::uint16_t>(*numberOf<unsigned>(digits, 16) << (4 * (4 - length)));
  };
  return RGB16{component(red), component(green), component(blue)};
}

namespace detail {

std::string getReport(int input, std::string_view start, const std::vector<std::string>& ends,
                      std::chrono::microseconds timeout) {
  if (ends.empty()) throwError("getReport requires a list of terminating sequences.");
  Clock::time_point deadline = Clock::now() + timeout;
  std::string stored;
  auto next = [&]() -> std::optional<char> {
    std::optional<char> c = readByteBefore(input, deadline);
    if (c) stored += *c;
    return c;
  };

  for (char expected : start) {
    std::optional<char> c = next();
    if (!c) return {};
    if (*c != expected) return stored;
  }
  for (;;) {
    std::optional<char> c = next();
    if (!c) return {};
    const std::string* end = nullptr;
    for (const std::string& candidate : ends) {
      if (!candidate.empty() && candidate.front() == *c) {
        end = &candidate;
        break;
      }
    }
    if (end == nullptr) continue;
    bool complete = true;
    for (std::size_t i = 1; i < end->size() && complete; ++i) {
      std::optional<char> more = next();
      if (!more) return {};
      complete = *more == (*end)[i];
    }
    if (complete) return stored;
  }
}

std::string getReportedCursorPositionFrom(int input) {
  return getReport(input, "\x1b[", cursorReportEnds());
}

std::string getReportedLayerColorFrom(int input, ConsoleLayer layer) {
  std::string start = "\x1b]" + std::string(layerNumber(layer)) + ";rgb:";
  return getReport(input, start, colorReportEnds());
}

bool isBackgroundOf(int input) noexcept {
  pid_t foreground = ::tcgetpgrp(input);
  return foreground != -1 && foreground != ::getpgrp();
}

std::optional<CursorPosition> hGetCursorPositionFrom(int input, const OutputHandle& h) {
  std::string reply = ask(input, h, reportCursorPositionCode(), getReportedCursorPositionFrom);
  std::optional<CursorPosition> reported = cursorPosition(reply);
  if (!reported) return std::nullopt;
  return CursorPosition{reported->row - 1, reported->column - 1};
}

std::optional<RGB16> hGetLayerColorFrom(int input, const OutputHandle& h, ConsoleLayer layer) {
  std::string reply = ask(input, h, reportLayerColorCode(layer),
                          [layer](int fd) { return getReportedLayerColorFrom(fd, layer); });
  return layerColor(layer, reply);
}

std::optional<TerminalSize> hGetTerminalSizeFrom(int input, const OutputHandle& h) {
  if (!mayAsk(input, h)) return std::nullopt;
  h.stream() << saveCursorCode() << csi({10000, 10000}, "H");
  std::optional<CursorPosition> corner = hGetCursorPositionFrom(input, h);
  h.stream() << restoreCursorCode();
  h.stream().flush();
  if (!corner) return std::nullopt;
  return TerminalSize{corner->row + 1, corner->column + 1};
}

}  // namespace detail
}  // namespace quire::vtcontrol
