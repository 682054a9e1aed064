// Input buffers for an incremental parser: everything received so far, as
// one growable value whose old slices stay valid.
//
// Input arrives in chunks; each chunk is appended to the buffer of what came
// before (pappend), and the parser hands out slices (substring, unbuffer)
// that share the buffer's storage. A buffer is an immutable value: an append
// returns a new buffer. When the appended-to buffer is the latest one made
// from its storage and the new bytes fit, they are written in place behind
// the valid bytes, which no existing value can see, so the append costs only
// the copy of the new bytes; otherwise the valid bytes and the new ones move
// to fresh storage of twice the combined length. The first chunk is not
// copied at all: the buffer borrows it.
//
// Two kinds share the design: bytes::Buffer over quire::Bytes and
// text::Buffer over UTF-8 quire::Text. Lengths and positions of both are in
// bytes.
//
// Example:
//   using namespace quire::vellum;
//   bytes::Buffer b = bytes::pappend(bytes::Buffer(), quire::Bytes("GET /"));
//   // b borrows the chunk: gen() == 0, nothing copied
//   quire::Bytes verb = bytes::substring(0, 3, b);       // "GET"
//   b = bytes::pappend(std::move(b), quire::Bytes("index"));
//   // copied into storage of capacity 20: len() == 10, gen() == 1
//   b = bytes::pappend(std::move(b), quire::Bytes(" HTTP"));  // in place, gen() == 2
//   // bytes::unbuffer(b).view() == "GET /index HTTP", verb.view() == "GET"
//
//   text::Buffer t = text::pappend(text::Buffer(), quire::Text("h\xC3\xA9!"));
//   auto [c, n] = text::iter(t, 1);      // c == U'\u00E9', n == 2
//   // text::iter_(t, 1) == 2, text::dropCodeUnits(3, t).view() == "!"
//
// Owned storage holds the generation counter (a native 64-bit integer) in
// its first 8 bytes and the data from byte 8 on. Only the buffer whose
// generation equals that counter may write in place.
//
// Note: buffers are safe to share between threads for reading, but appends
// through buffers that share storage write it without synchronisation and
// must not run concurrently. unsafeIndex, substring, unsafeDrop, iter and
// iter_ do no bounds checks; the caller keeps positions within len().
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <ostream>
#include <span>
#include <string>

#include "base/bytes.hpp"
#include "base/bytes_buffer.hpp"
#include "base/error.hpp"
#include "vellum/export.hpp"

namespace quire::vellum {

// The storage of a buffer: a byte region that never moves, with its owner.
// Either borrowed (the bytes of a Bytes or Text value) or owned by buffers
// (the counter, then the data).
class QUIRE_VELLUM_EXPORT Storage {
 public:
  Storage() = default;
  // Borrows bs's bytes; byte 0 of the storage is bs's first byte.
  static Storage borrow(const Bytes& bs) {
    Storage s;
    s.borrowed_ = bs;
    s.base_ = bs.data();
    return s;
  }
  // Fresh owned storage of `size` bytes, left unwritten.
  static Storage allocate(std::size_t size);

  // Address of byte 0; null for the absent storage of the empty buffer.
  [[nodiscard]] const char* data() const noexcept { return base_; }
  [[nodiscard]] bool owned() const noexcept { return owned_ != nullptr; }

  // The bytes [off, off + len) as a Bytes sharing this storage. No copy.
  [[nodiscard]] Bytes slice(std::int64_t off, std::int64_t len) const noexcept {
    if (owned_) return owned_->freeze(static_cast<std::size_t>(off), static_cast<std::size_t>(len));
    return borrowed_.slice(static_cast<std::size_t>(off), static_cast<std::size_t>(len));
  }

  // The generation counter of owned storage (its first 8 bytes).
  [[nodiscard]] std::int64_t counter() const noexcept {
    std::int64_t g;
    std::memcpy(&g, base_, sizeof g);
    return g;
  }

 private:
  char* writable() noexcept { return owned_->data(); }
  void setCounter(std::int64_t g) noexcept { std::memcpy(writable(), &g, sizeof g); }
  friend struct BufferRep;

  Bytes borrowed_;
  std::shared_ptr<BytesBuffer> owned_;
  const char* base_ = nullptr;
};

// The representation shared by both buffer kinds: storage, offset, length,
// capacity and generation, in bytes.
struct QUIRE_VELLUM_EXPORT BufferRep {
  Storage fp;
  std::int64_t off = 0;
  std::int64_t len = 0;
  std::int64_t cap = 0;
  std::int64_t gen = 0;

  // Borrows bs: offset 0, length and capacity its size, generation 0.
  static BufferRep borrow(const Bytes& bs);
  // The generation algorithm (see the top of this file). The source bytes
  // are copied, never kept.
  static BufferRep append(BufferRep b, const char* src, std::int64_t len);
};

// a's capacity 0 gives b, b's capacity 0 gives a, otherwise a with b's
// valid bytes appended: the combining of both kinds.
QUIRE_VELLUM_EXPORT BufferRep combine(BufferRep a, const BufferRep& b);

namespace detail {

// The fields and the storage shared by both buffer kinds.
template <class Derived>
class BufferBase {
 public:
  BufferBase() = default;  // the empty buffer: no storage, all zero

  [[nodiscard]] const Storage& storage() const noexcept { return rep_.fp; }
  [[nodiscard]] std::int64_t off() const noexcept { return rep_.off; }
  [[nodiscard]] std::int64_t len() const noexcept { return rep_.len; }
  [[nodiscard]] std::int64_t cap() const noexcept { return rep_.cap; }
  [[nodiscard]] std::int64_t gen() const noexcept { return rep_.gen; }
  // The first valid byte.
  [[nodiscard]] const char* data() const noexcept { return rep_.fp.data() + rep_.off; }

  [[nodiscard]] const BufferRep& rep() const& noexcept { return rep_; }
  [[nodiscard]] BufferRep&& rep() && noexcept { return std::move(rep_); }
  static Derived fromRep(BufferRep rep) {
    Derived d;
    d.rep_ = std::move(rep);
    return d;
  }

  friend Derived operator+(Derived a, const Derived& b) {
    return fromRep(combine(std::move(a).rep(), b.rep()));
  }

 private:
  BufferRep rep_;
};

}  // namespace detail

// ---------------------------------------------------------------- bytes

namespace bytes {

class Buffer : public detail::BufferBase<Buffer> {};

// Borrows bs: no copy.
[[nodiscard]] inline Buffer buffer(const Bytes& bs) { return Buffer::fromRep(BufferRep::borrow(bs)); }

// The valid bytes, sharing the storage.
[[nodiscard]] inline Bytes unbuffer(const Buffer& b) noexcept { return b.storage().slice(b.off(), b.len()); }

// The empty buffer gives buffer(bs); any other appends bs's bytes.
[[nodiscard]] inline Buffer pappend(Buffer b, const Bytes& bs) {
  if (b.cap() == 0) return buffer(bs);
  return Buffer::fromRep(BufferRep::append(std::move(b).rep(), bs.data(), static_cast<std::int64_t>(bs.size())));
}

// Appends len bytes at offset off of src (the generation algorithm).
[[nodiscard]] inline Buffer append(Buffer b, const Storage& src, std::int64_t off, std::int64_t len) {
  return Buffer::fromRep(BufferRep::append(std::move(b).rep(), src.data() + off, len));
}

// Left to right from the empty buffer, by operator+.
QUIRE_VELLUM_EXPORT Buffer concat(std::span<const Buffer> buffers);

[[nodiscard]] inline std::int64_t length(const Buffer& b) noexcept { return b.len(); }

// The byte at position i. Precondition: 0 <= i < length(b).
[[nodiscard]] inline std::uint8_t unsafeIndex(const Buffer& b, std::int64_t i) noexcept {
  return static_cast<std::uint8_t>(b.data()[i]);
}

// l bytes from position s, sharing the storage. No bounds check beyond
// the storage's own.
[[nodiscard]] inline Bytes substring(std::int64_t s, std::int64_t l, const Buffer& b) noexcept {
  return b.storage().slice(b.off() + s, l);
}

// The valid bytes after the first s, sharing the storage.
[[nodiscard]] inline Bytes unsafeDrop(std::int64_t s, const Buffer& b) noexcept {
  return b.storage().slice(b.off() + s, b.len() - s);
}

// Hands bs's storage, offset 0 and length to f.
template <class F>
decltype(auto) withPS(const Bytes& bs, F&& f) {
  return std::forward<F>(f)(Storage::borrow(bs), std::int64_t{0}, static_cast<std::int64_t>(bs.size()));
}

// The byte string over len bytes at offset off of storage. No copy.
[[nodiscard]] inline Bytes mkPS(const Storage& storage, std::int64_t off, std::int64_t len) noexcept {
  return storage.slice(off, len);
}

// The valid bytes as a literal, each byte as the character of that code.
QUIRE_VELLUM_EXPORT std::string show(const Buffer& b);
inline std::string showsPrec(int, const Buffer& b) { return show(b); }
QUIRE_VELLUM_EXPORT std::ostream& operator<<(std::ostream& os, const Buffer& b);

}  // namespace bytes

// ----------------------------------------------------------------- text

namespace text {

class Buffer : public detail::BufferBase<Buffer> {};

// A decoded character and the length of its UTF-8 sequence.
struct Iter {
  char32_t character;
  std::int64_t length;
  friend bool operator==(const Iter&, const Iter&) = default;
};

// Borrows t's code units: no copy.
[[nodiscard]] inline Buffer buffer(const Text& t) { return Buffer::fromRep(BufferRep::borrow(t.utf8Bytes())); }

[[nodiscard]] inline Text unbuffer(const Buffer& b) noexcept {
  return Text::fromUtf8Unchecked(b.storage().slice(b.off(), b.len()));
}

// The text from byte s on. No copy.
[[nodiscard]] inline Text unbufferAt(std::int64_t s, const Buffer& b) noexcept {
  return Text::fromUtf8Unchecked(b.storage().slice(b.off() + s, b.len() - s));
}

[[nodiscard]] inline Buffer pappend(Buffer b, const Text& t) {
  if (b.cap() == 0) return buffer(t);
  return Buffer::fromRep(BufferRep::append(std::move(b).rep(), t.data(), static_cast<std::int64_t>(t.size())));
}

// Appends len code units at offset off of arr (the generation algorithm).
[[nodiscard]] inline Buffer append(Buffer b, const Storage& arr, std::int64_t off, std::int64_t len) {
  return Buffer::fromRep(BufferRep::append(std::move(b).rep(), arr.data() + off, len));
}

QUIRE_VELLUM_EXPORT Buffer concat(std::span<const Buffer> buffers);

// In bytes.
[[nodiscard]] inline std::int64_t length(const Buffer& b) noexcept { return b.len(); }
[[nodiscard]] inline std::int64_t lengthCodeUnits(const Text& t) noexcept {
  return static_cast<std::int64_t>(t.size());
}

// The length of the UTF-8 sequence whose lead byte is at position i: the
// number of leading one bits of that byte, or 1 when it has none.
[[nodiscard]] inline std::int64_t iter_(const Buffer& b, std::int64_t i) noexcept {
  const auto lead = static_cast<std::uint8_t>(b.data()[i]);
  const int ones = std::countl_one(lead);
  return ones == 0 ? 1 : ones;
}

// The character whose UTF-8 sequence starts at position i and the
// sequence's length. Precondition: a whole sequence starts there.
[[nodiscard]] inline Iter iter(const Buffer& b, std::int64_t i) noexcept {
  const auto* p = reinterpret_cast<const std::uint8_t*>(b.data() + i);
  const std::int64_t n = iter_(b, i);
  if (n == 1) return {p[0], 1};
  char32_t c = p[0] & (0x7Fu >> n);
  for (std::int64_t k = 1; k < n; ++k) c = (c << 6) | (p[k] & 0x3Fu);
  return {c, n};
}

// l code units from position s; no copy, no bounds check.
[[nodiscard]] inline Text substring(std::int64_t s, std::int64_t l, const Buffer& b) noexcept {
  return Text::fromUtf8Unchecked(b.storage().slice(b.off() + s, l));
}

// The code units after the first s; no copy.
[[nodiscard]] inline Text dropCodeUnits(std::int64_t s, const Buffer& b) noexcept { return unbufferAt(s, b); }

// The text as a literal.
QUIRE_VELLUM_EXPORT std::string show(const Buffer& b);
inline std::string showsPrec(int, const Buffer& b) { return show(b); }
QUIRE_VELLUM_EXPORT std::ostream& operator<<(std::ostream& os, const Buffer& b);

}  // namespace text

}  // namespace quire::vellum
