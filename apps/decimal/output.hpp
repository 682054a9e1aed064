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
//   out.flush();            // throws OutputError("cannot write the report: No space left on device")
#pragma once

#include <cstddef>
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

  // The buffer itself, for writers that format in place; call written()
  // after adding to it.
  std::string& buffer() noexcept { return buffer_; }
  void written() {
    if (buffer_.size() >= flushAt) flush();
  }
  void append(std::string_view s) {
    if (s.size() >= flushAt) {
      flush();
      writeAll(s);
      return;
    }
    buffer_ += s;
    written();
  }
  // Writes everything buffered.
  void flush();

 private:
  void writeAll(std::string_view s);

  int fd_;
  std::string buffer_;
};

}  // namespace quire::decimal
