#include "vellum/buffer.hpp"

#include <limits>
#include <new>

#include <sys/mman.h>

#include "base/error.hpp"
#include "base/show.hpp"
#include "base/show_bytes.hpp"

namespace quire::vellum {
namespace {

constexpr std::int64_t kHeader = 8;  // the generation counter

// Twice the new length, refused before it could overflow.
std::int64_t doubledCapacity(std::int64_t newlen) {
  if (newlen > (std::numeric_limits<std::int64_t>::max() - kHeader) / 2) throw std::bad_array_new_length();
  return 2 * newlen;
}

template <class Buffer>
Buffer concatBuffers(std::span<const Buffer> buffers) {
  Buffer out;
  for (const Buffer& b : buffers) out = std::move(out) + b;
  return out;
}

}  // namespace

namespace {

// Large storage asks the kernel for huge pages: a buffer that grows to
// hundreds of megabytes then takes a page fault per 2 MB instead of per
// 4 KB. Only advice; without it nothing changes but the speed.
void adviseHugePages([[maybe_unused]] char* data, [[maybe_unused]] std::size_t size) noexcept {
#if defined(MADV_HUGEPAGE)
  constexpr std::uintptr_t kHuge = std::uintptr_t{2} << 20;
  if (size < 2 * kHuge) return;
  const auto start = (reinterpret_cast<std::uintptr_t>(data) + kHuge - 1) & ~(kHuge - 1);
  const auto stop = (reinterpret_cast<std::uintptr_t>(data) + size) & ~(kHuge - 1);
  if (stop > start) ::madvise(reinterpret_cast<void*>(start), stop - start, MADV_HUGEPAGE);
#endif
}

}  // namespace

Storage Storage::allocate(std::size_t size) {
  Storage s;
  s.owned_ = std::make_shared<BytesBuffer>(size);
  s.base_ = s.owned_->data();
  adviseHugePages(s.owned_->data(), size);
  return s;
}

BufferRep BufferRep::borrow(const Bytes& bs) {
  BufferRep b;
  b.fp = Storage::borrow(bs);
  b.len = b.cap = static_cast<std::int64_t>(bs.size());
  return b;
}

BufferRep BufferRep::append(BufferRep b, const char* src, std::int64_t len) {
  if (len < 0) throwError("append: negative length");
  const std::int64_t g = b.gen == 0 ? 0 : b.fp.counter();
  if (len > std::numeric_limits<std::int64_t>::max() - b.len) throw std::bad_array_new_length();
  const std::int64_t newlen = b.len + len;
  if (b.gen != 0 && g == b.gen && newlen <= b.cap) {
    // The latest buffer of its storage, and the bytes fit: nobody can see
    // the bytes behind its length, so they are written in place.
    b.fp.setCounter(g + 1);
    std::memmove(b.fp.writable() + b.off + b.len, src, static_cast<std::size_t>(len));
    b.len = newlen;
    b.gen = g + 1;
    return b;
  }
  const std::int64_t newcap = doubledCapacity(newlen);
  BufferRep out;
  out.fp = Storage::allocate(static_cast<std::size_t>(kHeader + newcap));
  out.fp.setCounter(1);
  char* data = out.fp.writable() + kHeader;
  if (b.len > 0) std::memcpy(data, b.fp.data() + b.off, static_cast<std::size_t>(b.len));
  if (len > 0) std::memcpy(data + b.len, src, static_cast<std::size_t>(len));
  out.off = kHeader;
  out.len = newlen;
  out.cap = newcap;
  out.gen = 1;
  return out;
}

BufferRep combine(BufferRep a, const BufferRep& b) {
  if (a.cap == 0) return b;
  if (b.cap == 0) return a;
  return BufferRep::append(std::move(a), b.fp.data() + b.off, b.len);
}

namespace bytes {

Buffer concat(std::span<const Buffer> buffers) { return concatBuffers(buffers); }

std::string show(const Buffer& b) { return showBytesLiteral(std::string_view(b.data(), static_cast<std::size_t>(b.len()))); }

std::ostream& operator<<(std::ostream& os, const Buffer& b) { return os << show(b); }

}  // namespace bytes

namespace text {

Buffer concat(std::span<const Buffer> buffers) { return concatBuffers(buffers); }

std::string show(const Buffer& b) { return showLiteral(std::string_view(b.data(), static_cast<std::size_t>(b.len()))); }

std::ostream& operator<<(std::ostream& os, const Buffer& b) { return os << show(b); }

}  // namespace text

}  // namespace quire::vellum
