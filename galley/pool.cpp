// The node chunks (internal/pool.hpp).
#include "galley/internal/pool.hpp"

#include <cstdlib>
#include <mutex>
#include <new>
#include <utility>
#include <vector>

namespace quire::galley::detail {

constinit thread_local char* chunkNext __attribute__((tls_model("initial-exec"))) = nullptr;
constinit thread_local char* chunkEnd __attribute__((tls_model("initial-exec"))) = nullptr;
constinit thread_local std::int64_t chunkMade __attribute__((tls_model("initial-exec"))) = 0;

namespace {

constexpr std::int64_t kBias = std::int64_t{1} << 40;
constexpr std::size_t kKeptChunks = 256;  // 4 MB of empty chunks at most

thread_local ChunkHeader* currentChunk __attribute__((tls_model("initial-exec"))) = nullptr;
thread_local bool threadEndArmed __attribute__((tls_model("initial-exec"))) = false;
// Set once the thread's chunk has been retired at its end: nodes made after
// that (by later thread-local destructors) come from the heap.
thread_local bool threadEnded __attribute__((tls_model("initial-exec"))) = false;

// Empty chunks, shared by all threads; never destroyed, because threads may
// end after static destruction has begun.
struct SpareChunks {
  std::mutex lock;
  std::vector<ChunkHeader*> chunks;
};
SpareChunks& spares() {
  static SpareChunks* s = new SpareChunks;
  return *s;
}

char* payloadStart(ChunkHeader* c) { return reinterpret_cast<char*>(c) + sizeof(ChunkHeader); }

// Takes the bias off the current chunk, less the nodes made in it (sizes
// vary, so the bytes bumped do not say how many).
void retireCurrent() noexcept {
  ChunkHeader* c = std::exchange(currentChunk, nullptr);
  chunkNext = chunkEnd = nullptr;
  if (c == nullptr) return;
  const std::int64_t made = std::exchange(chunkMade, 0);
  if (c->live.fetch_sub(kBias - made, std::memory_order_acq_rel) == kBias - made) recycleChunk(c);
}

struct ThreadEnd {
  ThreadEnd() = default;
  ThreadEnd(const ThreadEnd&) = delete;
  ThreadEnd& operator=(const ThreadEnd&) = delete;
  ~ThreadEnd() {
    retireCurrent();
    threadEnded = true;
  }
};

ChunkHeader* freshChunk() {
  {
    SpareChunks& s = spares();
    std::lock_guard<std::mutex> hold(s.lock);
    if (!s.chunks.empty()) {
      ChunkHeader* c = s.chunks.back();
      s.chunks.pop_back();
      return c;
    }
  }
  void* memory = std::aligned_alloc(kChunkBytes, kChunkBytes);
  if (memory == nullptr) throw std::bad_alloc();
  return ::new (memory) ChunkHeader{};
}

}  // namespace

void* allocateNodeSlow(std::size_t bytes, NodeStorage& storage) {
  const std::size_t size = roundedNodeSize(bytes);
  if (!kPoolNodes || size > kLargestPooled || threadEnded) {
    storage = NodeStorage::Heap;
    return ::operator new(bytes);
  }
  if (!threadEndArmed) {
    thread_local ThreadEnd end;
    threadEndArmed = true;
  }
  ChunkHeader* c = freshChunk();
  retireCurrent();
  c->live.store(kBias, std::memory_order_relaxed);
  currentChunk = c;
  chunkNext = payloadStart(c);
  chunkEnd = reinterpret_cast<char*>(c) + kChunkBytes;
  storage = NodeStorage::Chunk;
  char* p = chunkNext;
  chunkNext += size;
  chunkMade = 1;
  return p;
}

void recycleChunk(ChunkHeader* chunk) noexcept {
  SpareChunks& s = spares();
  {
    std::lock_guard<std::mutex> hold(s.lock);
    if (s.chunks.size() < kKeptChunks) {
      try {
        s.chunks.push_back(chunk);
        return;
      } catch (...) {
        // no room to keep it: hand it back below
      }
    }
  }
  chunk->~ChunkHeader();
  std::free(chunk);
}

}  // namespace quire::galley::detail
