#include "apps/decimal/output.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace quire::decimal {

namespace {

[[noreturn]] void fail(int error) {
  throw OutputError(std::string("cannot write the report: ") + std::strerror(error));
}

}  // namespace

void Output::checkWritable(int fd) {
  const int flags = ::fcntl(fd, F_GETFL);
  if (flags < 0) fail(errno);
  if ((flags & O_ACCMODE) == O_RDONLY) fail(EBADF);
}

void Output::writeAll(std::string_view s) {
  while (!s.empty()) {
    const ssize_t n = ::write(fd_, s.data(), s.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      fail(errno);
    }
    if (n == 0) fail(EIO);
    s.remove_prefix(static_cast<std::size_t>(n));
  }
}

void Output::flush() {
  if (used_ == 0) return;
  const std::string_view pending(buffer_.data(), used_);
  used_ = 0;
  writeAll(pending);
  // A large buffer left behind by one long value is given back.
  if (buffer_.size() > 4 * flushAt) std::string().swap(buffer_);
}

}  // namespace quire::decimal
