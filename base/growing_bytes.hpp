// A byte buffer that grows in place, for a reader's one long token, cell
// or line.
//
// The buffer reserves address space for its limit up front and takes memory
// only for the pages written, so growing never copies what it holds and a
// token of ten megabytes costs ten megabytes, not the twenty-four a doubling
// string passes through. clear() gives back the pages of a long token.
//
// Example:
//   quire::GrowingBytes bytes(std::size_t{1} << 30);
//   bytes.append("12", 2);
//   bytes.view()          // "12"
//   bytes.resize(1 << 20);  // no copy; pages are taken when written
//   bytes.clear();
#pragma once

#include <sys/mman.h>

#include <cerrno>
#include <cstddef>
#include <cstring>
#include <string_view>
#include <system_error>

namespace quire {

class GrowingBytes {
 public:
  // Reserves up to limit bytes (less when the system refuses that much
  // address space, but never less than minimumBytes).
  explicit GrowingBytes(std::size_t limit) {
    for (limit_ = roundUp(limit); limit_ >= minimumBytes; limit_ /= 2) {
      void* p = ::mmap(nullptr, limit_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
      if (p != MAP_FAILED) {
        data_ = static_cast<char*>(p);
        return;
      }
    }
    throw std::system_error(ENOMEM, std::generic_category(), "reserve a read buffer");
  }
  GrowingBytes(const GrowingBytes&) = delete;
  GrowingBytes& operator=(const GrowingBytes&) = delete;
  ~GrowingBytes() { ::munmap(data_, limit_); }

  static constexpr std::size_t minimumBytes = std::size_t{1} << 20;

  char* data() noexcept { return data_; }
  const char* data() const noexcept { return data_; }
  std::size_t size() const noexcept { return size_; }
  std::size_t limit() const noexcept { return limit_; }
  std::string_view view() const noexcept { return {data_, size_}; }

  // Throws std::system_error (file too large) past the limit.
  void resize(std::size_t size) {
    if (size > limit_) throw std::system_error(EFBIG, std::generic_category(), "a line or token");
    size_ = size;
    if (size > touched_) touched_ = size;
  }
  void append(const char* from, std::size_t bytes) {
    const std::size_t at = size_;
    resize(at + bytes);
    std::memcpy(data_ + at, from, bytes);
  }
  void append(char c) { append(&c, 1); }
  // Empties the buffer; pages beyond the first megabyte go back to the system.
  void clear() noexcept {
    size_ = 0;
    if (touched_ > 2 * minimumBytes) {
      ::madvise(data_ + minimumBytes, touched_ - minimumBytes, MADV_DONTNEED);
      touched_ = minimumBytes;
    }
  }

 private:
  static std::size_t roundUp(std::size_t n) noexcept {
    return (n < minimumBytes ? minimumBytes : n + minimumBytes - 1) / minimumBytes * minimumBytes;
  }

  char* data_ = nullptr;
  std::size_t limit_ = 0;
  std::size_t size_ = 0;
  std::size_t touched_ = 0;
};

}  // namespace quire
