// Memory for document nodes: per-thread chunks filled front to back.
//
// Nodes are small and made and freed at the rate of the combinators, so the
// general allocator would dominate building a document, and nodes made one
// after another sit side by side, which is the order the layout engine and
// the release walk visit them. A thread takes nodes from its current 16 KB
// chunk by bumping a pointer; each chunk counts its live nodes, and the
// thread that frees a chunk's last node (from any thread) recycles the whole
// chunk. A few empty chunks are kept for reuse, the rest go back to the
// general allocator. A node of more than 1 KB, and every node under
// AddressSanitizer, uses operator new directly.
//
// Note: a chunk is reused only when every node in it is gone, so a document
// that keeps a few nodes of a large, otherwise freed one keeps their chunks.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

#include "galley/doc.hpp"

namespace quire::galley::detail {

#if defined(__SANITIZE_ADDRESS__)
inline constexpr bool kPoolNodes = false;  // let the sanitizer see every node's lifetime
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
inline constexpr bool kPoolNodes = false;
#else
inline constexpr bool kPoolNodes = true;
#endif
#else
inline constexpr bool kPoolNodes = true;
#endif

inline constexpr std::size_t kChunkBytes = std::size_t{1} << 14;
inline constexpr std::size_t kLargestPooled = 1024;

struct alignas(64) ChunkHeader {
  // A large bias while the chunk is a thread's current one, minus one for
  // every node freed; the owner takes the bias off, less the nodes it made,
  // when it moves on, so the count reaches zero exactly once.
  std::atomic<std::int64_t> live;
};

// The current chunk's free space, in initial-exec TLS: touched for every node.
extern thread_local constinit char* chunkNext __attribute__((tls_model("initial-exec")));
extern thread_local constinit char* chunkEnd __attribute__((tls_model("initial-exec")));
// How many nodes the thread has made in its current chunk.
extern thread_local constinit std::int64_t chunkMade __attribute__((tls_model("initial-exec")));

void* allocateNodeSlow(std::size_t bytes, NodeStorage& storage);
void recycleChunk(ChunkHeader* chunk) noexcept;

inline constexpr std::size_t roundedNodeSize(std::size_t bytes) noexcept { return (bytes + 7) & ~std::size_t{7}; }

inline void* allocateNode(std::size_t bytes, NodeStorage& storage) {
  const std::size_t size = roundedNodeSize(bytes);
  if (kPoolNodes && size <= static_cast<std::size_t>(chunkEnd - chunkNext)) {
    storage = NodeStorage::Chunk;
    char* p = chunkNext;
    chunkNext += size;
    ++chunkMade;
    return p;
  }
  return allocateNodeSlow(bytes, storage);
}

// The chunk a pooled node's slot lies in.
inline ChunkHeader* chunkOf(void* p) noexcept {
  return reinterpret_cast<ChunkHeader*>(reinterpret_cast<std::uintptr_t>(p) & ~(kChunkBytes - 1));
}

inline void freeNode(void* p, NodeStorage storage) noexcept {
  if (storage == NodeStorage::Heap) {
    ::operator delete(p);
    return;
  }
  ChunkHeader* chunk = chunkOf(p);
  if (chunk->live.fetch_sub(1, std::memory_order_acq_rel) == 1) recycleChunk(chunk);
}

}  // namespace quire::galley::detail
