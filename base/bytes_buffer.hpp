// Writable storage that becomes Bytes without a copy.
//
// A BytesBuffer is one allocation, left uninitialised, that a producer
// writes through data(). freeze(offset, length) hands out a written stretch
// as a Bytes value sharing the allocation, and the producer may go on
// writing after it. The builder drivers use it so that filled buffers turn
// into chunks without copying and without zero-filling them first.
//
// Example:
//   quire::BytesBuffer buf(16);
//   std::memcpy(buf.data(), "hello world", 11);
//   quire::Bytes hello = buf.freeze(0, 5);   // hello.view() == "hello"
//   quire::Bytes world = buf.freeze(6, 5);   // world.view() == "world",
//                                            // same allocation as hello
#pragma once

#include <cstddef>
#include <cstdint>
#include <new>
#include <utility>

#include "base/bytes.hpp"

namespace quire {

class BytesBuffer {
 public:
  explicit BytesBuffer(std::size_t capacity) : capacity_(capacity) {
    if (capacity > SIZE_MAX - sizeof(detail::InlineBlock)) throw std::bad_array_new_length();
    block_ = ::new (::operator new(sizeof(detail::InlineBlock) + capacity)) detail::InlineBlock();
  }
  BytesBuffer(BytesBuffer&& other) noexcept
      : block_(std::exchange(other.block_, nullptr)),
        capacity_(std::exchange(other.capacity_, 0)) {}
  BytesBuffer& operator=(BytesBuffer other) noexcept {
    std::swap(block_, other.block_);
    std::swap(capacity_, other.capacity_);
    return *this;
  }
  ~BytesBuffer() { detail::drop(block_); }

  // Null only in a moved-from buffer.
  [[nodiscard]] char* data() noexcept { return block_ != nullptr ? block_->bytes() : nullptr; }
  [[nodiscard]] std::size_t capacity() const noexcept { return capacity_; }

  // The bytes [offset, offset + length) as a Bytes sharing this buffer.
  // Precondition: offset + length <= capacity(), the bytes have been
  // written, and they are never written again (the Bytes is immutable).
  [[nodiscard]] Bytes freeze(std::size_t offset, std::size_t length) const noexcept {
    if (length == 0) return Bytes();
    detail::retain(block_);
    return detail::SharedChars<Bytes>::make(block_, block_->bytes() + offset, length);
  }

 private:
  detail::InlineBlock* block_;
  std::size_t capacity_;
};

}  // namespace quire
