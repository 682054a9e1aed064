// The storage block behind ShortByteString and ShortText: an 8-byte header
// (reference count and byte length) followed by the bytes, allocated in
// whole 8-byte words so that word-wise scans may read the final partial
// word. The padding after the bytes is zero.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "brevity/export.hpp"

namespace quire::brevity::detail {

struct Block {
  std::atomic<std::uint32_t> refs;
  std::uint32_t size;

  [[nodiscard]] unsigned char* bytes() noexcept {
    return reinterpret_cast<unsigned char*>(this + 1);
  }
  [[nodiscard]] const unsigned char* bytes() const noexcept {
    return reinterpret_cast<const unsigned char*>(this + 1);
  }
};
static_assert(sizeof(Block) == 8);

// Counts at or above kPinned are never changed again and the block is never
// freed: the shared empty block starts there, and a block that somehow
// gathers 2^31 references goes there instead of wrapping its count.
inline constexpr std::uint32_t kPinned = 1u << 31;
inline constexpr std::uint32_t kPinnedMiddle = kPinned + (1u << 30);

// The largest byte length a block can hold (the length field is 32 bits and
// the allocation is rounded up to a whole word).
inline constexpr std::size_t kMaxSize = 0xFFFFFFF8u;

// The shared empty block, with one zero word after its header.
struct EmptyStorage {
  Block header;
  std::uint64_t zeros;
};
QUIRE_BREVITY_EXPORT extern EmptyStorage emptyStorage;

[[nodiscard]] inline Block* emptyBlock() noexcept { return &emptyStorage.header; }

inline void retain(Block* b) noexcept {
  if (b->refs.load(std::memory_order_relaxed) >= kPinned) return;
  if (b->refs.fetch_add(1, std::memory_order_relaxed) + 1 >= kPinned) {
    b->refs.store(kPinnedMiddle, std::memory_order_relaxed);
  }
}

QUIRE_BREVITY_EXPORT void freeBlock(Block* b) noexcept;

inline void release(Block* b) noexcept {
  if (b->refs.load(std::memory_order_relaxed) >= kPinned) return;
  if (b->refs.fetch_sub(1, std::memory_order_acq_rel) == 1) freeBlock(b);
}

// A fresh block of size bytes with one reference, contents unwritten except
// the zero padding; size 0 gives the empty block. Throws quire::Error when
// size exceeds kMaxSize.
QUIRE_BREVITY_EXPORT Block* allocateBlock(std::size_t size);

// Whether two blocks' first `words` words are equal. The padding is zero,
// so for equal lengths this is equality of the bytes.
[[nodiscard]] inline bool equalWords(const unsigned char* a, const unsigned char* b,
                                     std::size_t words) noexcept {
  std::uint64_t diff = 0;
  for (std::size_t k = 0; k < words; ++k) {
    std::uint64_t x, y;
    std::memcpy(&x, a + 8 * k, 8);
    std::memcpy(&y, b + 8 * k, 8);
    diff |= x ^ y;
  }
  return diff == 0;
}

}  // namespace quire::brevity::detail
