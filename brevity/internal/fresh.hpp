// Writing a fresh block: the library's way of making a new value.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "base/error.hpp"
#include "brevity/brevity.hpp"
#include "brevity/export.hpp"

namespace quire::brevity::detail {

// Owns a block of a fixed byte length until its bytes are written; a size
// of 0 writes nothing and gives the shared empty value.
class FreshBlock {
 public:
  explicit FreshBlock(std::size_t size) : block_(allocateBlock(size)) {}
  FreshBlock(const FreshBlock&) = delete;
  FreshBlock& operator=(const FreshBlock&) = delete;
  ~FreshBlock() {
    if (block_ != nullptr) release(block_);
  }

  [[nodiscard]] std::uint8_t* data() noexcept { return block_->bytes(); }

  // Precondition: every byte has been written.
  [[nodiscard]] ShortByteString finishBytes() && noexcept {
    Block* b = block_;
    block_ = nullptr;
    return BlockAccess::adopt(b);
  }
  // Precondition: the bytes are well-formed UTF-8.
  [[nodiscard]] ShortText finish() && noexcept {
    return TextAccess::wrap(std::move(*this).finishBytes());
  }

 private:
  Block* block_;
};

// a * b as a byte length, or quire::Error(what) when it would not fit a
// block.
[[nodiscard]] inline std::size_t checkedProduct(std::size_t a, std::size_t b, const char* what) {
  if (b != 0 && a > kMaxSize / b) throwError(what);
  return a * b;
}
// a + b likewise.
[[nodiscard]] inline std::size_t checkedSum(std::size_t a, std::size_t b, const char* what) {
  if (a > kMaxSize || b > kMaxSize - a) throwError(what);
  return a + b;
}

// A copy of bytes already known to be valid UTF-8.
[[nodiscard]] inline ShortText copyValid(std::string_view bytes) {
  FreshBlock fresh(bytes.size());
  if (!bytes.empty()) std::memcpy(fresh.data(), bytes.data(), bytes.size());
  return std::move(fresh).finish();
}

}  // namespace quire::brevity::detail
