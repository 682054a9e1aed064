// ShortByteString: a compact, immutable byte string.
//
// One pointer to one reference-counted block that holds the byte length and
// the bytes, with no offset and no spare capacity: per value it costs the
// pointer, an 8-byte header and the bytes rounded up to a whole word. The
// empty value is one shared block, so default construction never allocates.
// Copies share the block. ShortText keeps its UTF-8 in exactly this form,
// so converting between the two is free.
//
// Example:
//   quire::brevity::ShortByteString b(std::string_view("\xff\x00", 2));
//   // b.size() == 2, b.view()[0] == '\xff'
//   quire::brevity::ShortByteString c = b;   // shares b's block
//   // c.data() == b.data(), c == b
//   // sizeof(quire::brevity::ShortByteString) == sizeof(void*)
#pragma once

#include <compare>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <functional>
#include <string_view>
#include <utility>

#include "base/hash.hpp"
#include "brevity/export.hpp"
#include "brevity/internal/block.hpp"

namespace quire::brevity {

namespace detail {
struct BlockAccess;
}  // namespace detail

class ShortByteString {
 public:
  // The shared empty value.
  ShortByteString() noexcept : block_(detail::emptyBlock()) {}
  // A copy of bytes. Throws quire::Error beyond maxSize bytes.
  QUIRE_BREVITY_EXPORT explicit ShortByteString(std::string_view bytes);

  ShortByteString(const ShortByteString& other) noexcept : block_(other.block_) {
    detail::retain(block_);
  }
  // Leaves other empty.
  ShortByteString(ShortByteString&& other) noexcept
      : block_(std::exchange(other.block_, detail::emptyBlock())) {}
  ShortByteString& operator=(ShortByteString other) noexcept {
    std::swap(block_, other.block_);
    return *this;
  }
  ~ShortByteString() { detail::release(block_); }

  // The longest value a block can hold.
  static constexpr std::size_t maxSize = detail::kMaxSize;

  // Never null; readable up to the next multiple of 8 bytes.
  [[nodiscard]] const unsigned char* data() const noexcept { return block_->bytes(); }
  [[nodiscard]] std::size_t size() const noexcept { return block_->size; }
  [[nodiscard]] bool empty() const noexcept { return block_->size == 0; }
  [[nodiscard]] std::string_view view() const noexcept {
    return {reinterpret_cast<const char*>(data()), size()};
  }
  // True when both values use the same block (copies of one another).
  [[nodiscard]] bool sharesWith(const ShortByteString& other) const noexcept {
    return block_ == other.block_;
  }

  // Short values compare as whole words (the padding is zero), long ones
  // with memcmp.
  friend bool operator==(const ShortByteString& a, const ShortByteString& b) noexcept {
    if (a.block_ == b.block_) return true;
    const std::size_t n = a.size();
    if (n != b.size()) return false;
    if (n > 32) return std::memcmp(a.data(), b.data(), n) == 0;
    return detail::equalWords(a.data(), b.data(), (n + 7) / 8);
  }
  // Bytewise as unsigned bytes; a proper prefix is smaller.
  friend std::strong_ordering operator<=>(const ShortByteString& a,
                                          const ShortByteString& b) noexcept {
    return a.view() <=> b.view();
  }
  // The byte hash of the contents, as for quire::Bytes.
  friend std::uint64_t hashWithSalt(std::uint64_t salt, const ShortByteString& b) noexcept {
    return hash::mixBytes(salt, b.data(), b.size());
  }
  friend std::uint64_t hash(const ShortByteString& b) noexcept {
    return hashWithSalt(hash::defaultSalt, b);
  }

 private:
  friend struct detail::BlockAccess;
  // Takes over one reference to block.
  explicit ShortByteString(detail::Block* block) noexcept : block_(block) {}

  detail::Block* block_;
};

namespace detail {

// For the library's own code: building values from fresh blocks.
struct BlockAccess {
  [[nodiscard]] static ShortByteString adopt(Block* block) noexcept {
    return ShortByteString(block);
  }
  [[nodiscard]] static Block* block(const ShortByteString& b) noexcept { return b.block_; }
};

}  // namespace detail

}  // namespace quire::brevity

template <>
struct std::hash<quire::brevity::ShortByteString>
    : quire::hash::StdHash<quire::brevity::ShortByteString> {};
