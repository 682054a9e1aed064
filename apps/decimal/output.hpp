// Standard output that reports what it could not write.
//
// Output collects text in one buffer and hands it to the descriptor with
// write(2) in large pieces. A failed or short write (a closed descriptor, a
// full device, a reader that has gone while SIGPIPE is ignored) throws
// OutputError at once, so the program stops instead of reading on and
// claiming a report nobody received.
//
// Example:
//   Output out(STDOUT_FILENO);
//   out.append("1 number\n");
//   char* p = out.reserve(32);  p = std::to_chars(p, p + 32, 42).ptr;  out.commit(p);
//   out.flush();            // throws OutputError("cannot write the report: No space left on device")
#pragma once

#include <cstddef>
#include <cstring>
#include <stdexcept>
#include <string>
#include <string_view>

namespace quire::decimal {

class OutputError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class Output {
 public:
  static constexpr std::size_t flushAt = std::size_t{1} << 20;

  explicit Output(int fd) : fd_(fd) {}
  Output(const Output&) = delete;
  Output& operator=(const Output&) = delete;

  // Throws OutputError when the descriptor is not open for writing.
  static void checkWritable(int fd);

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
  void flush();

 private:
  void writeAll(std::string_view s);

  int fd_;
  std::string buffer_;  // [0, used_) is waiting to be written
  std::size_t used_ = 0;
};

}  // namespace quire::decimal
