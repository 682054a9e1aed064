#include "vtcontrol/terminal.hpp"

#include <fcntl.h>
#include <pthread.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <sstream>
#include <thread>

#include "base/error.hpp"
#include "vtcontrol/internal/quiet_input.hpp"
#include "vtcontrol/internal/report.hpp"

extern "C" char** environ;

namespace quire::vtcontrol {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// --- Fixtures ----------------------------------------------------------------

// An unbuffered stream that writes straight to a descriptor.
class FdBuf : public std::streambuf {
 public:
  explicit FdBuf(int fd) : fd_(fd) {}

 protected:
  int_type overflow(int_type c) override {
    if (c == traits_type::eof()) return traits_type::not_eof(c);
    char ch = traits_type::to_char_type(c);
    return ::write(fd_, &ch, 1) == 1 ? c : traits_type::eof();
  }
  std::streamsize xsputn(const char* s, std::streamsize n) override {
    std::streamsize done = 0;
    while (done < n) {
      ssize_t w = ::write(fd_, s + done, static_cast<std::size_t>(n - done));
      if (w <= 0) break;
      done += w;
    }
    return done;
  }

 private:
  int fd_;
};

// Counts flushes so that writers can be shown not to flush.
class CountingBuf : public std::stringbuf {
 public:
  int syncs = 0;

 protected:
  int sync() override {
    ++syncs;
    return std::stringbuf::sync();
  }
};

// A pseudo-terminal pair; the test plays the terminal on the master side.
struct Pty {
  int master = -1;
  int slave = -1;
  Pty() {
    winsize size{24, 80, 0, 0};
    if (::openpty(&master, &slave, nullptr, nullptr, &size) != 0) ADD_FAILURE() << "openpty failed";
  }
  ~Pty() {
    ::close(master);
    ::close(slave);
  }
  termios settings() const {
    termios t{};
    ::tcgetattr(slave, &t);
    return t;
  }
};

struct Pipe {
  int read = -1;
  int write = -1;
  Pipe() {
    int fds[2];
    if (::pipe(fds) != 0) ADD_FAILURE() << "pipe failed";
    read = fds[0];
    write = fds[1];
  }
  ~Pipe() {
    ::close(read);
    closeWrite();
  }
  void closeWrite() {
    if (write >= 0) ::close(write);
    write = -1;
  }
  void put(std::string_view bytes) const {
    ASSERT_EQ(::write(write, bytes.data(), bytes.size()), ssize_t(bytes.size()));
  }
};

bool sameSettings(const termios& a, const termios& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// Sets or unsets environment variables for one scope.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    if (value) {
      ::setenv(name, value, 1);
    } else {
      ::unsetenv(name);
    }
  }
  ~ScopedEnv() {
    if (old_) {
      ::setenv(name_, old_->c_str(), 1);
    } else {
      ::unsetenv(name_);
    }
  }

 private:
  const char* name_;
  std::optional<std::string> old_;
};

// Reads from the master side until `until` has been seen (or 2 s pass),
// returning everything read.
std::string readUntil(int fd, std::string_view until) {
  std::string seen;
  auto deadline = Clock::now() + 2s;
  while (seen.find(until) == std::string::npos && Clock::now() < deadline) {
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, 50) <= 0) continue;
    char buffer[256];
    ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n <= 0) break;
    seen.append(buffer, static_cast<std::size_t>(n));
  }
  return seen;
}

// A terminal that waits for `request` and then answers `reply`, noting
// whether echo and canonical input were off when it answered.
class Responder {
 public:
  Responder(const Pty& pty, std::string request, std::string reply)
      : thread_([&pty, request = std::move(request), reply = std::move(reply), this] {
          seen = readUntil(pty.master, request);
          termios t = pty.settings();
          quietWhenAsked = (t.c_lflag & (ECHO | ICANON)) == 0;
          ASSERT_EQ(::write(pty.master, reply.data(), reply.size()), ssize_t(reply.size()));
        }) {}
  ~Responder() { join(); }
  void join() {
    if (thread_.joinable()) thread_.join();
  }

  std::string seen;
  bool quietWhenAsked = false;

 private:
  std::thread thread_;
};

// --- Writers -------------------------------------------------------------------

TEST(VtcontrolTerminal, HeaderExamples) {
  std::ostringstream out;
  hCursorUp(out, 0);
  EXPECT_EQ(out.str(), "");
  hSetSGR(out, {});
  EXPECT_EQ(out.str(), "\x1b[m");
  EXPECT_EQ(cursorPosition("\x1b[12;40R"), (CursorPosition{12, 40}));
  EXPECT_EQ(layerColor(ConsoleLayer::Background, "\x1b]11;rgb:1a1a/2b2b/3c3c\x07"),
            (RGB16{0x1A1A, 0x2B2B, 0x3C3C}));
}

TEST(VtcontrolTerminal, HandleWritersWriteExactlyTheCodeWithoutFlushing) {
  CountingBuf buf;
  std::ostream stream(&buf);
  OutputHandle h(stream);
  auto writes = [&](auto write, const std::string& code) {
    buf.str("");
    write();
    EXPECT_EQ(buf.str(), code);
  };
  writes([&] { hCursorUp(h, 2); }, cursorUpCode(2));
  writes([&] { hCursorDown(h, 2); }, cursorDownCode(2));
  writes([&] { hCursorForward(h, 2); }, cursorForwardCode(2));
  writes([&] { hCursorBackward(h, 2); }, cursorBackwardCode(2));
  writes([&] { hCursorDownLine(h, 0); }, "\x1b[1G");
  writes([&] { hCursorUpLine(h, 2); }, cursorUpLineCode(2));
  writes([&] { hSetCursorColumn(h, 4); }, "\x1b[5G");
  writes([&] { hSetCursorPosition(h, 1, 2); }, "\x1b[2;3H");
  writes([&] { hSaveCursor(h); },
         "\x1b"
         "7");
  writes([&] { hRestoreCursor(h); },
         "\x1b"
         "8");
  writes([&] { hReportCursorPosition(h); }, "\x1b[6n");
  writes([&] { hClearFromCursorToScreenEnd(h); }, "\x1b[0J");
  writes([&] { hClearFromCursorToScreenBeginning(h); }, "\x1b[1J");
  writes([&] { hClearScreen(h); }, "\x1b[2J");
  writes([&] { hClearFromCursorToLineEnd(h); }, "\x1b[0K");
  writes([&] { hClearFromCursorToLineBeginning(h); }, "\x1b[1K");
  writes([&] { hClearLine(h); }, "\x1b[2K");
  writes([&] { hScrollPageUp(h, 0); }, "");
  writes([&] { hScrollPageDown(h, 7); }, "\x1b[7T");
  writes([&] { hUseAlternateScreenBuffer(h); }, "\x1b[?1049h");
  writes([&] { hUseNormalScreenBuffer(h); }, "\x1b[?1049l");
  writes([&] { hReportLayerColor(h, ConsoleLayer::Background); }, "\x1b]11;?\x1b\\");
  writes([&] { hSetSGR(h, {Reset{}}); }, "\x1b[0m");
  writes([&] { hHideCursor(h); }, "\x1b[?25l");
  writes([&] { hShowCursor(h); }, "\x1b[?25h");
  writes(
      [&] {
        hHyperlinkWithParams(h, {{"a", "b"}}, "u", "t");
      },
      hyperlinkWithParamsCode({{"a", "b"}}, "u", "t"));
  writes([&] { hHyperlinkWithId(h, "i", "u", "t"); }, hyperlinkWithIdCode("i", "u", "t"));
  writes([&] { hHyperlink(h, "u", "t"); }, hyperlinkCode("u", "t"));
  writes([&] { hSetTitle(h, "t\x07"); }, "\x1b]0;t\x1b\\");
  EXPECT_EQ(buf.syncs, 0);
}

TEST(VtcontrolTerminal, StandardOutputFormsWriteToStdout) {
  std::ostringstream captured;
  std::streambuf* old = std::cout.rdbuf(captured.rdbuf());
  cursorUp(1);
  cursorDown(0);
  setCursorPosition(0, 0);
  setSGR({SetItalicized{true}});
  hyperlinkWithId("x", "u", "t");
  setTitle("T");
  clearLine();
  std::cout.rdbuf(old);
  EXPECT_EQ(captured.str(), "\x1b[1A\x1b[1;1H\x1b[3m" + hyperlinkWithIdCode("x", "u", "t") +
                                "\x1b]0;T\x1b\\\x1b[2K");
}

TEST(VtcontrolTerminal, HandlesKnowTheStandardDescriptors) {
  EXPECT_EQ(OutputHandle(std::cout).descriptor(), std::optional<int>(1));
  EXPECT_EQ(OutputHandle(std::cerr).descriptor(), std::optional<int>(2));
  EXPECT_EQ(OutputHandle(std::clog).descriptor(), std::optional<int>(2));
  std::ostringstream other;
  EXPECT_EQ(OutputHandle(other).descriptor(), std::nullopt);
  EXPECT_EQ(&standardOutput().stream(), &std::cout);
  EXPECT_EQ(standardError().descriptor(), std::optional<int>(2));
}

// --- Capability tests ------------------------------------------------------------

TEST(VtcontrolTerminal, SupportsAnsiNeedsATerminalAndAUsefulTerm) {
  Pty pty;
  std::ostringstream sink;
  OutputHandle tty(sink, pty.slave);
  Pipe pipe;
  OutputHandle notTty(sink, pipe.write);
  {
    ScopedEnv term("TERM", nullptr);
    EXPECT_TRUE(hSupportsANSI(tty));
    EXPECT_FALSE(hSupportsANSI(notTty));
    EXPECT_FALSE(hSupportsANSI(OutputHandle(sink)));
  }
  {
    ScopedEnv term("TERM", "dumb");
    EXPECT_FALSE(hSupportsANSI(tty));
  }
  for (const char* value : {"dumber", "xterm-256color", "", "Dumb"}) {
    ScopedEnv term("TERM", value);
    EXPECT_TRUE(hSupportsANSI(tty)) << value;
    EXPECT_FALSE(hSupportsANSI(notTty)) << value;
  }
}

TEST(VtcontrolTerminal, SupportsAnsiColorInsideEmacs) {
  Pipe pipe;
  std::ostringstream sink;
  OutputHandle notTty(sink, pipe.write);
  ScopedEnv term("TERM", "dumb");
  {
    ScopedEnv emacs("INSIDE_EMACS", "");
    EXPECT_TRUE(hSupportsANSIColor(notTty));
    EXPECT_FALSE(hSupportsANSI(notTty));
  }
  {
    ScopedEnv emacs("INSIDE_EMACS", nullptr);
    EXPECT_FALSE(hSupportsANSIColor(notTty));
  }
  ScopedEnv emacs("INSIDE_EMACS", "29.1,comint");
  ScopedEnv otherTerm("TERM", "xterm");
  EXPECT_FALSE(hSupportsANSIColor(notTty));
  Pty pty;
  EXPECT_TRUE(hSupportsANSIColor(OutputHandle(sink, pty.slave)));
}

TEST(VtcontrolTerminal, FirstEnvironmentEntryWins) {
  char term1[] = "TERM=dumb";
  char term2[] = "TERM=xterm";
  char emacs[] = "INSIDE_EMACS=";
  char notTerm[] = "TERMINAL=xterm";
  char* entries[] = {notTerm, term1, emacs, term2, nullptr};
  char** saved = environ;
  environ = entries;
  EXPECT_EQ(detail::environmentValue("TERM"), std::optional<std::string_view>("dumb"));
  EXPECT_EQ(detail::environmentValue("INSIDE_EMACS"), std::optional<std::string_view>(""));
  EXPECT_EQ(detail::environmentValue("TERMI"), std::nullopt);
  Pty pty;
  std::ostringstream sink;
  bool ansi = hSupportsANSI(OutputHandle(sink, pty.slave));
  std::swap(entries[1], entries[3]);
  bool ansiSwapped = hSupportsANSI(OutputHandle(sink, pty.slave));
  environ = saved;
  EXPECT_FALSE(ansi);
  EXPECT_TRUE(ansiSwapped);
}

TEST(VtcontrolTerminal, SupportsAnsiWithoutEmulationNeedsAWritableHandle) {
  ScopedEnv term("TERM", "xterm");
  Pty pty;
  std::ostringstream sink;
  EXPECT_EQ(hSupportsANSIWithoutEmulation(OutputHandle(sink, pty.slave)),
            std::optional<bool>(true));
  int readOnly = ::open(::ttyname(pty.slave), O_RDONLY | O_NOCTTY);
  ASSERT_GE(readOnly, 0);
  EXPECT_TRUE(hSupportsANSI(OutputHandle(sink, readOnly)));
  EXPECT_EQ(hSupportsANSIWithoutEmulation(OutputHandle(sink, readOnly)),
            std::optional<bool>(false));
  ::close(readOnly);
  Pipe pipe;
  EXPECT_EQ(hSupportsANSIWithoutEmulation(OutputHandle(sink, pipe.write)),
            std::optional<bool>(false));
}

// --- Parsers ---------------------------------------------------------------------

TEST(VtcontrolTerminal, CursorPositionParser) {
  EXPECT_EQ(cursorPosition("\x1b[1;1R"), (CursorPosition{1, 1}));
  EXPECT_EQ(cursorPosition("\x1b[0012;040Rtrailing"), (CursorPosition{12, 40}));
  EXPECT_EQ(cursorPosition("\x1b[9223372036854775807;1R"), (CursorPosition{INT64_MAX, 1}));
  // Malformed.
  for (std::string_view bad : {"", "\x1b", "[12;40R", "\x1b[12,40R", "\x1b[12;40H", "\x1b[-1;40R",
                               "\x1b[12;4 0R", " \x1b[12;40R", "\x1b[12;40;1R", "\x1b]12;40R"}) {
    EXPECT_EQ(cursorPosition(bad), std::nullopt) << bad;
  }
  // Truncated.
  std::string_view full = "\x1b[12;40R";
  for (std::size_t n = 0; n < full.size(); ++n)
    EXPECT_EQ(cursorPosition(full.substr(0, n)), std::nullopt) << n;
  // Empty digit runs and numbers too long for a machine integer.
  EXPECT_EQ(cursorPosition("\x1b[;40R"), std::nullopt);
  EXPECT_EQ(cursorPosition("\x1b[12;R"), std::nullopt);
  EXPECT_EQ(cursorPosition("\x1b[;R"), std::nullopt);
  EXPECT_EQ(cursorPosition("\x1b[9223372036854775808;1R"), std::nullopt);
  EXPECT_EQ(cursorPosition("\x1b[1;" + std::string(10000, '9') + "R"), std::nullopt);
}

TEST(VtcontrolTerminal, LayerColorParser) {
  const auto bg = ConsoleLayer::Background;
  const auto fg = ConsoleLayer::Foreground;
  EXPECT_EQ(layerColor(bg, "\x1b]11;rgb:1a1a/2b2b/3c3c\x1b\\"), (RGB16{0x1A1A, 0x2B2B, 0x3C3C}));
  EXPECT_EQ(layerColor(fg, "\x1b]10;rgb:ffff/0000/FfFf\x07rest"), (RGB16{0xFFFF, 0, 0xFFFF}));
  EXPECT_EQ(layerColor(fg, "\x1b]10;rgb:f/0/8\x07"), (RGB16{0xF000, 0, 0x8000}));
  EXPECT_EQ(layerColor(fg, "\x1b]10;rgb:ff/00/80\x07"), (RGB16{0xFF00, 0, 0x8000}));
  EXPECT_EQ(layerColor(fg, "\x1b]10;rgb:fff/000/800\x07"), (RGB16{0xFFF0, 0, 0x8000}));
  // Wrong layer, unequal, empty or over-long components, other damage.
  for (std::string_view bad :
       {"\x1b]11;rgb:1a1a/2b2b/3c3c\x07", "\x1b]10;rgb:f/ff/fff\x07", "\x1b]10;rgb:ff/ff/f\x07",
        "\x1b]10;rgb://\x07", "\x1b]10;rgb:fffff/fffff/fffff\x07", "\x1b]10;rgb:ffff/ffff/ffff",
        "\x1b]10;rgb:ffff/ffff/ffff\x1b", "\x1b]10;rgb:ffff/ffff\x07",
        "\x1b]10;rgb:gggg/ffff/ffff\x07", "\x1b]10;rgba:ffff/ffff/ffff\x07",
        "\x1b[10;rgb:ffff/ffff/ffff\x07", ""}) {
    EXPECT_EQ(layerColor(fg, bad), std::nullopt) << bad.substr(1);
  }
  std::string_view full = "\x1b]10;rgb:ffff/0000/ffff\x1b\\";
  for (std::size_t n = 0; n < full.size(); ++n)
    EXPECT_EQ(layerColor(fg, full.substr(0, n)), std::nullopt) << n;
  std::string huge(100000, 'f');
  EXPECT_EQ(layerColor(fg, "\x1b]10;rgb:" + huge + "/" + huge + "/" + huge + "\x07"), std::nullopt);
}

// --- The report reader -------------------------------------------------------------

const std::vector<std::string> colorEnds{"\x07", "\x1b\\"};

TEST(VtcontrolReport, ReadsUpToTheFirstCompleteEndSequence) {
  Pipe pipe;
  pipe.put("\x1b[12;40Rnext");
  EXPECT_EQ(detail::getReport(pipe.read, "\x1b[", {"R"}), "\x1b[12;40R");
  // The reader takes nothing past the end sequence.
  EXPECT_EQ(detail::getReport(pipe.read, "next", {"\x07"}, 50ms), "");
  pipe.put("\x1b]11;rgb:1/2/3\x1b\\\x07");
  EXPECT_EQ(detail::getReport(pipe.read, "\x1b]11;rgb:", colorEnds), "\x1b]11;rgb:1/2/3\x1b\\");
  char rest[8] = {};
  EXPECT_EQ(::read(pipe.read, rest, sizeof rest), 1);
  EXPECT_EQ(rest[0], '\x07');
}

TEST(VtcontrolReport, StartPhaseStopsAtTheFirstMismatch) {
  Pipe pipe;
  pipe.put("X[12;40R");
  EXPECT_EQ(detail::getReport(pipe.read, "\x1b[", {"R"}), "X");
  EXPECT_EQ(detail::getReport(pipe.read, "[", {"R"}), "[12;40R");  // the rest was left unread
  pipe.put("\x1bX");
  EXPECT_EQ(detail::getReport(pipe.read, "\x1b[", {"R"}), "\x1bX");
  EXPECT_EQ(detail::getReport(pipe.read, "", {"R"}, 50ms), "");  // nothing else arrived
}

TEST(VtcontrolReport, EndSequenceThatStartsAndThenDiffers) {
  Pipe pipe;
  pipe.put("\x1b]11;rgb:a\x1bXb\x07");
  EXPECT_EQ(detail::getReport(pipe.read, "\x1b]11;rgb:", colorEnds), "\x1b]11;rgb:a\x1bXb\x07");
  // The differing character is not taken as the start of another end sequence.
  pipe.put("a\x1b\x1b\\b\x07");
  EXPECT_EQ(detail::getReport(pipe.read, "", colorEnds), "a\x1b\x1b\\b\x07");
  // An end sequence that starts and never completes.
  pipe.put("\x1b]11;rgb:1/2/3\x1b");
  EXPECT_EQ(detail::getReport(pipe.read, "\x1b]11;rgb:", colorEnds, 100ms), "");
}

TEST(VtcontrolReport, PartialOrEndedInputGivesNothing) {
  Pipe pipe;
  pipe.put("\x1b");
  auto start = Clock::now();
  EXPECT_EQ(detail::getReport(pipe.read, "\x1b[", {"R"}, 100ms), "");
  EXPECT_GE(Clock::now() - start, 90ms);
  pipe.put("\x1b[12;4");
  pipe.closeWrite();
  start = Clock::now();
  EXPECT_EQ(detail::getReport(pipe.read, "\x1b[", {"R"}, 10s), "");
  EXPECT_LT(Clock::now() - start, 5s);  // end of input does not wait for the deadline
}

TEST(VtcontrolReport, EmptyEndListIsAnErrorBeforeReading) {
  Pipe pipe;
  pipe.put("a");
  try {
    (void)detail::getReport(pipe.read, "a", {});
    ADD_FAILURE() << "no error";
  } catch (const Error& e) {
    EXPECT_STREQ(e.what(), "getReport requires a list of terminating sequences.");
  }
  EXPECT_EQ(detail::getReport(pipe.read, "a", {"b"}, 50ms), "");  // the "a" is still there
}

TEST(VtcontrolReport, OneDeadlineForTheWholeRead) {
  Pipe pipe;
  // A terminal dribbling one byte every 50 ms never gets to extend the deadline.
  std::thread dribble([&] {
    for (int i = 0; i < 8; ++i) {
      std::this_thread::sleep_for(50ms);
      if (::write(pipe.write, "x", 1) != 1) return;
    }
  });
  auto start = Clock::now();
  EXPECT_EQ(detail::getReport(pipe.read, "", {"R"}, 200ms), "");
  auto took = Clock::now() - start;
  dribble.join();
  EXPECT_LT(took, 800ms);
}

TEST(VtcontrolReport, LongReplies) {
  Pipe pipe;
  std::string body(50000, 'z');
  std::string reply = "\x1b]10;rgb:" + body + "\x1b\\";
  pipe.put(reply);
  // A generous deadline: this is about correctness, not speed.
  std::string got = detail::getReport(pipe.read, "\x1b]10;rgb:", colorEnds, 30s);
  EXPECT_EQ(got.size(), reply.size());
  EXPECT_TRUE(got == reply);
}

// --- Queries ------------------------------------------------------------------------

TEST(VtcontrolQuery, CursorPositionFromATerminal) {
  Pty pty;
  FdBuf buf(pty.slave);
  std::ostream out(&buf);
  termios before = pty.settings();
  std::optional<CursorPosition> position;
  {
    Responder terminal(pty, "\x1b[6n", "\x1b[12;40R");
    position = detail::hGetCursorPositionFrom(pty.slave, OutputHandle(out, pty.slave));
    terminal.join();
    EXPECT_TRUE(terminal.quietWhenAsked);
    EXPECT_EQ(terminal.seen, "\x1b[6n");
  }
  EXPECT_EQ(position, (CursorPosition{11, 39}));
  EXPECT_TRUE(sameSettings(before, pty.settings()));
}

TEST(VtcontrolQuery, PendingInputIsDiscardedFirst) {
  Pty pty;
  FdBuf buf(pty.slave);
  std::ostream out(&buf);
  // A stale report and a keystroke, waiting before the query is written.
  ASSERT_EQ(::write(pty.master, "\x1b[1;1Rk\n", 8), 8);
  pollfd arrived{pty.slave, POLLIN, 0};
  ASSERT_EQ(::poll(&arrived, 1, 2000), 1);
  Responder terminal(pty, "\x1b[6n", "\x1b[3;4R");
  EXPECT_EQ(detail::hGetCursorPositionFrom(pty.slave, OutputHandle(out, pty.slave)),
            (CursorPosition{2, 3}));
}

TEST(VtcontrolQuery, TerminalSizeProbesTheFarCorner) {
  Pty pty;
  FdBuf buf(pty.slave);
  std::ostream out(&buf);
  std::optional<TerminalSize> size;
  {
    Responder terminal(pty, "\x1b[6n", "\x1b[12;40R");
    size = detail::hGetTerminalSizeFrom(pty.slave, OutputHandle(out, pty.slave));
    terminal.join();
    EXPECT_EQ(terminal.seen,
              "\x1b"
              "7\x1b[10000;10000H\x1b[6n");
  }
  EXPECT_EQ(size, (TerminalSize{12, 40}));
  EXPECT_EQ(readUntil(pty.master,
                      "\x1b"
                      "8"),
            "\x1b"
            "8");
}

TEST(VtcontrolQuery, LayerColorFromATerminal) {
  Pty pty;
  FdBuf buf(pty.slave);
  std::ostream out(&buf);
  {
    Responder terminal(pty, "\x1b]11;?\x1b\\", "\x1b]11;rgb:1a1a/2b2b/3c3c\x1b\\");
    EXPECT_EQ(detail::hGetLayerColorFrom(pty.slave, OutputHandle(out, pty.slave),
                                         ConsoleLayer::Background),
              (RGB16{0x1A1A, 0x2B2B, 0x3C3C}));
  }
  {
    Responder terminal(pty, "\x1b]10;?\x1b\\", "\x1b]10;rgb:ff/00/80\x07");
    EXPECT_EQ(detail::hGetLayerColorFrom(pty.slave, OutputHandle(out, pty.slave),
                                         ConsoleLayer::Foreground),
              (RGB16{0xFF00, 0, 0x8000}));
  }
  {
    Responder terminal(pty, "\x1b]10;?\x1b\\", "\x1b]10;rgb:f/ff/fff\x07");
    EXPECT_EQ(detail::hGetLayerColorFrom(pty.slave, OutputHandle(out, pty.slave),
                                         ConsoleLayer::Foreground),
              std::nullopt);
  }
}

TEST(VtcontrolQuery, SilentTerminalGivesAbsentAndKeepsSettings) {
  Pty pty;
  FdBuf buf(pty.slave);
  std::ostream out(&buf);
  termios before = pty.settings();
  auto start = Clock::now();
  EXPECT_EQ(detail::hGetCursorPositionFrom(pty.slave, OutputHandle(out, pty.slave)), std::nullopt);
  EXPECT_EQ(
      detail::hGetLayerColorFrom(pty.slave, OutputHandle(out, pty.slave), ConsoleLayer::Foreground),
      std::nullopt);
  auto took = Clock::now() - start;
  EXPECT_GE(took, 900ms);
  EXPECT_LT(took, 3s);
  termios after = pty.settings();
  EXPECT_TRUE(sameSettings(before, after));
  EXPECT_NE(after.c_lflag & ECHO, 0u);
  EXPECT_NE(after.c_lflag & ICANON, 0u);
}

TEST(VtcontrolQuery, SettingsComeBackWhenWritingThrows) {
  Pty pty;
  FdBuf failing(-1);  // every write fails
  std::ostream out(&failing);
  out.exceptions(std::ios::badbit);
  termios before = pty.settings();
  EXPECT_THROW((void)detail::hGetCursorPositionFrom(pty.slave, OutputHandle(out, pty.slave)),
               std::ios::failure);
  EXPECT_TRUE(sameSettings(before, pty.settings()));
}

TEST(VtcontrolQuery, WithoutATerminalEveryQueryIsAbsent) {
  int devNull = ::open("/dev/null", O_RDONLY);
  ASSERT_GE(devNull, 0);
  Pipe silent;  // its writer stays open: nothing ever arrives
  std::ostringstream sink;
  int savedStdin = ::dup(STDIN_FILENO);
  std::streambuf* savedCout = std::cout.rdbuf(sink.rdbuf());
  for (int input : {devNull, silent.read}) {
    ::dup2(input, STDIN_FILENO);
    auto start = Clock::now();
    EXPECT_EQ(getCursorPosition(), std::nullopt);
    EXPECT_EQ(getLayerColor(ConsoleLayer::Background), std::nullopt);
    EXPECT_EQ(getTerminalSize(), std::nullopt);
    EXPECT_EQ(getReportedCursorPosition(), "");
    EXPECT_EQ(getReportedLayerColor(ConsoleLayer::Foreground), "");
    EXPECT_LT(Clock::now() - start, 5 * 800ms);  // about half a second each at most
  }
  std::cout.rdbuf(savedCout);
  ::dup2(savedStdin, STDIN_FILENO);
  ::close(savedStdin);
  ::close(devNull);
  EXPECT_FALSE(hSupportsANSI(OutputHandle(sink, silent.write)));
}

TEST(VtcontrolQuery, AsksOnlyWhenTheSameTerminalCanAnswer) {
  Pty shown, other;
  FdBuf buf(shown.slave);
  std::ostream out(&buf);
  termios before = other.settings();
  Pipe input;
  // The reply would arrive on another terminal, a pipe or nowhere: no request.
  EXPECT_EQ(detail::hGetCursorPositionFrom(other.slave, OutputHandle(out, shown.slave)),
            std::nullopt);
  EXPECT_EQ(detail::hGetTerminalSizeFrom(input.read, OutputHandle(out, shown.slave)),
            std::nullopt);
  std::ostringstream noDescriptor;
  EXPECT_EQ(detail::hGetLayerColorFrom(shown.slave, OutputHandle(noDescriptor, std::nullopt),
                                       ConsoleLayer::Foreground),
            std::nullopt);
  EXPECT_EQ(noDescriptor.str(), "");
  pollfd written{shown.master, POLLIN, 0};
  EXPECT_EQ(::poll(&written, 1, 0), 0) << "a request reached the terminal";
  EXPECT_TRUE(sameSettings(before, other.settings()));

  EXPECT_TRUE(detail::canAnswer(shown.slave, OutputHandle(out, shown.slave)));
  int again = ::open(::ttyname(shown.slave), O_RDWR | O_NOCTTY);
  ASSERT_GE(again, 0);
  EXPECT_TRUE(detail::canAnswer(again, OutputHandle(out, shown.slave)))
      << "two descriptors of one terminal";
  ::close(again);
  EXPECT_FALSE(detail::canAnswer(other.slave, OutputHandle(out, shown.slave)));
  EXPECT_FALSE(detail::canAnswer(input.read, OutputHandle(out, input.write)));
}

// What the caller's SIGINT handler saw when the library called it.
int interruptedTerminal = -1;
volatile std::sig_atomic_t callerHandlerRuns = 0;
volatile std::sig_atomic_t echoWhenCallerRan = 0;
extern "C" void callerHandler(int) {
  callerHandlerRuns = callerHandlerRuns + 1;
  termios t{};
  echoWhenCallerRan = ::tcgetattr(interruptedTerminal, &t) == 0 && (t.c_lflag & ECHO) != 0;
}

TEST(VtcontrolQuery, SignalDuringAQueryRestoresSettingsThenRunsTheCallersHandler) {
  Pty pty;  // a terminal that never answers
  FdBuf buf(pty.slave);
  std::ostream out(&buf);
  termios before = pty.settings();
  interruptedTerminal = pty.slave;
  struct sigaction caller {};
  caller.sa_handler = callerHandler;
  sigemptyset(&caller.sa_mask);
  struct sigaction saved {};
  ASSERT_EQ(::sigaction(SIGINT, &caller, &saved), 0);

  pthread_t asking = ::pthread_self();
  std::thread interrupter([asking] {
    std::this_thread::sleep_for(150ms);
    ::pthread_kill(asking, SIGINT);
  });
  auto start = Clock::now();
  EXPECT_EQ(
      detail::hGetLayerColorFrom(pty.slave, OutputHandle(out, pty.slave), ConsoleLayer::Background),
      std::nullopt);
  auto took = Clock::now() - start;
  interrupter.join();

  EXPECT_EQ(callerHandlerRuns, 1);
  EXPECT_TRUE(echoWhenCallerRan) << "the caller's handler ran with echo still off";
  EXPECT_LT(took, 450ms) << "the interrupted query kept waiting";
  EXPECT_TRUE(sameSettings(before, pty.settings()));
  struct sigaction now {};
  ASSERT_EQ(::sigaction(SIGINT, &saved, &now), 0);
  EXPECT_EQ(now.sa_handler, &callerHandler) << "the caller's handler was not put back";
  // The next query is guarded again and works as usual.
  Responder terminal(pty, "\x1b[6n", "\x1b[2;3R");
  EXPECT_EQ(detail::hGetCursorPositionFrom(pty.slave, OutputHandle(out, pty.slave)),
            (CursorPosition{1, 2}));
}

// A process in a background process group of the terminal must not be stopped.
TEST(VtcontrolQuery, BackgroundProcessGroupGetsAbsentInsteadOfStopping) {
  Pty pty;
  std::string slaveName = ::ttyname(pty.slave);
  std::cout.flush();
  pid_t leader = ::fork();
  ASSERT_GE(leader, 0);
  if (leader == 0) {
    // A new session whose controlling terminal is the pty; this group is in the foreground.
    ::setsid();
    int tty = ::open(slaveName.c_str(), O_RDWR);
    if (tty < 0 || ::ioctl(tty, TIOCSCTTY, 0) != 0) ::_exit(10);
    ::signal(SIGTTOU, SIG_DFL);
    auto runInBackground = [&](auto body) {
      pid_t child = ::fork();
      if (child == 0) {
        ::setpgid(0, 0);
        ::_exit(body());
      }
      int status = 0;
      ::waitpid(child, &status, WUNTRACED);
      if (WIFSTOPPED(status)) {
        ::kill(child, SIGKILL);
        ::waitpid(child, &status, 0);
        return -1;
      }
      return WIFEXITED(status) ? WEXITSTATUS(status) : 20;
    };
    // Control: changing the settings from the background really stops the process.
    int control = runInBackground([&] {
      termios t{};
      ::tcgetattr(tty, &t);
      ::tcsetattr(tty, TCSANOW, &t);
      return 0;
    });
    if (control != -1) ::_exit(11);
    int query = runInBackground([&] {
      FdBuf buf(tty);
      std::ostream out(&buf);
      OutputHandle h(out, tty);
      bool absent = !detail::hGetCursorPositionFrom(tty, h) &&
                    !detail::hGetTerminalSizeFrom(tty, h) &&
                    !detail::hGetLayerColorFrom(tty, h, ConsoleLayer::Foreground) &&
                    detail::isBackgroundOf(tty);
      return absent ? 0 : 1;
    });
    ::_exit(query);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(leader, &status, 0), leader);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0)
      << "10: no controlling terminal, 11: control not stopped, -1/255: query stopped";
  EXPECT_FALSE(detail::isBackgroundOf(pty.slave));  // not our controlling terminal
}

}  // namespace
}  // namespace quire::vtcontrol
