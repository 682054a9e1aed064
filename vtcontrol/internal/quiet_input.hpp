// Terminal settings and signals while a query waits for the terminal's reply.
//
// A query switches echo and canonical input of its input terminal off, so
// that the reply is neither shown nor held back until a newline. Those
// settings belong to the user's terminal, not to this process, so they must
// come back on every way out, including the signals that usually end or
// stop a process while it waits (Ctrl-C, Ctrl-\, Ctrl-Z, a hang-up, kill).
//
// Example:
//   if (detail::canAnswer(STDIN_FILENO, standardOutput())) {
//     detail::QuietInput quiet(STDIN_FILENO);   // echo and buffering off
//     ... write the request, read the reply while !detail::queryInterrupted() ...
//   }                                           // settings and handlers back
#pragma once

#include "vtcontrol/export.hpp"
#include "vtcontrol/terminal.hpp"

namespace quire::vtcontrol::detail {

// True when a request written to h can be answered on input: h has a
// descriptor, both it and input are terminals, and they are the same device.
// Anything else (a pipe, a file, /dev/null, another terminal) would send the
// request where no terminal reads it, or the reply where nobody waits for it.
[[nodiscard]] QUIRE_VTCONTROL_EXPORT bool canAnswer(int input, const OutputHandle& h) noexcept;

// Switches echo and canonical input of fd off for its lifetime and puts back
// the exact settings it found. Meanwhile SIGINT, SIGTERM, SIGHUP, SIGQUIT
// and SIGTSTP first put the settings back and then take their ordinary
// effect: the caller's handler runs if it had one, otherwise the default
// action (end or stop the process) happens. Signals the caller ignores stay
// ignored. After such a signal the query is over: queryInterrupted() turns
// true, the settings stay the user's (also after SIGCONT), and the caller's
// dispositions come back when the QuietInput ends. Does nothing when fd is
// not a terminal. One at a time per process: queries must be serialised.
class QUIRE_VTCONTROL_EXPORT QuietInput {
 public:
  explicit QuietInput(int fd) noexcept;
  ~QuietInput();
  QuietInput(const QuietInput&) = delete;
  QuietInput& operator=(const QuietInput&) = delete;

 private:
  bool active_ = false;
};

// True once a guarded signal has interrupted the running query; a query that
// sees it stops reading and answers absent.
[[nodiscard]] QUIRE_VTCONTROL_EXPORT bool queryInterrupted() noexcept;

}  // namespace quire::vtcontrol::detail
