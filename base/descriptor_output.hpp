// Writing to a descriptor (standard output, say) and reporting what could
// not be written.
//
// DescriptorOutput collects text in one buffer and hands it to the descriptor with
// write(2) in large pieces. A failed or short write (a closed descriptor, a
// full device, a reader that has gone while SIGPIPE is ignored) throws
// OutputError at once, so the program stops instead of reading on and
// claiming a report nobody received.
//
// Example:
//   quire::DescriptorOutput out(STDOUT_FILENO, "the report");
//   out.append("1 number\n");
//   char* p = out.reserve(32);  p = std::to_chars(p, p + 32, 42).ptr;  out.commit(p);
//   out.flush();            // throws OutputError("cannot write the report: No space left on device")
#pragma once

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstring>
#include <string>
#include <string_view>

#include "base/error.hpp"

namespace quire {

class __attribute__((visibility("default"))) OutputError : public Error {
 public:
  using Error::Error;
};

class DescriptorOutput {
 public:
  static constexpr std::size_t flushAt = std::size_t{1} << 20;

  // what names the output in messages: "cannot write <what>: <reason>".
  explicit DescriptorOutput(int fd, std::string_view what = "the output") : fd_(fd), what_(what) {}
  DescriptorOutput(const DescriptorOutput&) = delete;
  DescriptorOutput& operator=(const DescriptorOutput&) = delete;

  // Throws OutputError when the descriptor is not open for writing.
  static void checkWritable(int fd, std::string_view what = "the output") {
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0) fail(what, errno);
    if ((flags & O_ACCMODE) == O_RDONLY) fail(what, EBADF);
  }

  // Room for `bytes` characters after what is buffered, to be written
  // through the pointer and then handed back with commit().
  char* reserve(std::size_t bytes) {
    if (buffer_.size() - used_ < bytes) buffer_.resize(used_ + bytes + flushAt);
    return buffer_.data() + used_;
  }
  void commit(const char* end) {
    used_ = static_cast<std::size_t>(end - buffer_.data());
    if (used_ >= flushAt) flush();
  }
  void append(std::string_view s) {
    if (s.size() >= flushAt) {
      flush();
      writeAll(s);
      return;
    }
    char* p = reserve(s.size());
    std::memcpy(p, s.data(), s.size());
    commit(p + s.size());
  }
  // Writes everything buffered.
  void flush() {
    if (used_ == 0) return;
    const std::string_view pending(buffer_.data(), used_);
    used_ = 0;
    writeAll(pending);
    // A large buffer left behind by one long value is given back.
    if (buffer_.size() > 4 * flushAt) std::string().swap(buffer_);
  }

 private:
  [[noreturn]] static void fail(std::string_view what, int error) {
    std::string message("cannot write ");
    message += what;
    message += ": ";
    message += std::strerror(error);
    throw OutputError(message);
  }
  void writeAll(std::string_view s) {
    while (!s.empty()) {
      const ssize_t n = ::write(fd_, s.data(), s.size());
      if (n < 0) {
        if (errno == EINTR) continue;
        fail(what_, errno);
      }
      if (n == 0) fail(what_, EIO);
      s.remove_prefix(static_cast<std::size_t>(n));
    }
  }

  int fd_;
  std::string what_;
  std::string buffer_;  // [0, used_) is waiting to be written
  std::size_t used_ = 0;
};

}  // namespace quire
