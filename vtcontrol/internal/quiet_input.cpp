#include "vtcontrol/internal/quiet_input.hpp"

#include <signal.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <csignal>

namespace quire::vtcontrol::detail {
namespace {

constexpr std::array<int, 5> guardedSignals{SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGTSTP};

// What a signal handler needs: plain data, written only while no handler of
// ours is installed, read by the handler.
struct QueryState {
  int fd = -1;
  termios saved{};
  std::array<struct sigaction, guardedSignals.size()> previous{};
  std::array<bool, guardedSignals.size()> guarded{};
};
QueryState state;
volatile std::sig_atomic_t interrupted = 0;

int setAttributes(int fd, const termios& settings) noexcept {
  int result = 0;
  do {
    result = ::tcsetattr(fd, TCSANOW, &settings);
  } while (result != 0 && errno == EINTR);
  return result;
}

std::size_t slotOf(int signal) noexcept {
  for (std::size_t i = 0; i < guardedSignals.size(); ++i)
    if (guardedSignals[i] == signal) return i;
  return 0;
}

bool hasHandler(const struct sigaction& action) noexcept {
  if (action.sa_flags & SA_SIGINFO) return action.sa_sigaction != nullptr;
  return action.sa_handler != SIG_DFL && action.sa_handler != SIG_IGN;
}

// Async-signal-safe throughout: tcsetattr, sigaction, sigprocmask and raise.
extern "C" void onSignalDuringQuery(int signal, siginfo_t* info, void* context) {
  int savedErrno = errno;
  if (!interrupted) {
    setAttributes(state.fd, state.saved);
    interrupted = 1;
  }
  const struct sigaction& previous = state.previous[slotOf(signal)];
  if (hasHandler(previous)) {
    if (previous.sa_flags & SA_SIGINFO)
      previous.sa_sigaction(signal, info, context);
    else
      previous.sa_handler(signal);
  } else {
    // The default action: let it happen now, with the settings already back.
    ::sigaction(signal, &previous, nullptr);
    sigset_t only;
    sigemptyset(&only);
    sigaddset(&only, signal);
    ::sigprocmask(SIG_UNBLOCK, &only, nullptr);
    ::raise(signal);
    // Still here: the signal stopped the process and SIGCONT resumed it. The
    // query has given up, so the terminal keeps the user's settings.
  }
  errno = savedErrno;
}

void installGuards() noexcept {
  struct sigaction ours {};
  ours.sa_sigaction = onSignalDuringQuery;
  ours.sa_flags = SA_SIGINFO;
  sigemptyset(&ours.sa_mask);
  for (int signal : guardedSignals) sigaddset(&ours.sa_mask, signal);
  for (std::size_t i = 0; i < guardedSignals.size(); ++i) {
    struct sigaction& previous = state.previous[i];
    state.guarded[i] = false;
    if (::sigaction(guardedSignals[i], nullptr, &previous) != 0) continue;
    bool ignored = !(previous.sa_flags & SA_SIGINFO) && previous.sa_handler == SIG_IGN;
    if (ignored) continue;
    state.guarded[i] = ::sigaction(guardedSignals[i], &ours, nullptr) == 0;
  }
}

void removeGuards() noexcept {
  for (std::size_t i = 0; i < guardedSignals.size(); ++i)
    if (state.guarded[i]) ::sigaction(guardedSignals[i], &state.previous[i], nullptr);
}

}  // namespace

bool canAnswer(int input, const OutputHandle& h) noexcept {
  if (!h.descriptor()) return false;
  int output = *h.descriptor();
  if (::isatty(output) != 1 || ::isatty(input) != 1) return false;
  struct stat out {};
  struct stat in {};
  if (::fstat(output, &out) != 0 || ::fstat(input, &in) != 0) return false;
  return S_ISCHR(out.st_mode) && S_ISCHR(in.st_mode) && out.st_rdev == in.st_rdev;
}

QuietInput::QuietInput(int fd) noexcept {
  termios saved{};
  if (::tcgetattr(fd, &saved) != 0) return;
  active_ = true;
  // The state is complete before a handler can look at it.
  state.fd = fd;
  state.saved = saved;
  interrupted = 0;
  installGuards();
  termios quiet = saved;
  quiet.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO);
  quiet.c_cc[VMIN] = 1;
  quiet.c_cc[VTIME] = 0;
  setAttributes(fd, quiet);
}

QuietInput::~QuietInput() {
  if (!active_) return;
  // Settings first, handlers second: a signal in between finds a handler
  // that restores (again, harmlessly) before the default action.
  if (!interrupted) setAttributes(state.fd, state.saved);
  removeGuards();
  interrupted = 0;
}

bool queryInterrupted() noexcept { return interrupted != 0; }

}  // namespace quire::vtcontrol::detail
