// Immutable byte strings and UTF-8 text that share their storage.
//
// quire::Bytes is a read-only run of bytes: a reference to shared storage
// plus an offset and a length. Copying and slicing only bump a reference
// count, so values are cheap to pass around and a slice keeps its parent's
// storage alive. A value can also refer to static data without owning it.
// quire::Text holds UTF-8 text in exactly the same form; ChunkedBytes and
// ChunkedText are ordered sequences of such pieces, as produced chunk by
// chunk by the builders.
//
// Costs: an empty or static value never allocates; an owned value takes one
// allocation (a copied string_view is stored inline after the reference
// count; an adopted std::string keeps its own buffer). Reference counts are
// atomic, so values may be shared between threads freely.
//
// Example:
//   quire::Bytes b(std::string_view("hello world"));  // copies
//   quire::Bytes w = b.slice(6, 5);                   // shares b's storage
//   // w.view() == "world"
//   // w.data() == b.data() + 6
//   quire::Bytes s = quire::Bytes::fromStatic("abc"); // no copy, no owner
//   // s < w, since 'a' < 'w'
//   quire::Text t(std::string_view("größe"));
//   // t.size() == 7 (bytes, not characters)
//
//   quire::ChunkedBytes c;
//   c.append(b.slice(0, 6));
//   c.append(w);
//   // c.size() == 11, c.toBytes() == b, c.chunks().size() == 2
#pragma once

#include <algorithm>
#include <atomic>
#include <compare>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <functional>
#include <iosfwd>
#include <new>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/hash.hpp"

namespace quire {

class BytesBuffer;  // base/bytes_buffer.hpp: writes storage that becomes Bytes

namespace detail {

// The reference-counted owner behind every owned Bytes or Text value. The
// release hook frees the block in the way it was allocated.
struct SharedBlock {
  using Release = void (*)(SharedBlock*) noexcept;
  explicit SharedBlock(Release r) noexcept : release(r) {}
  std::atomic<std::size_t> refs{1};
  Release release;
};

inline void retain(SharedBlock* block) noexcept {
  if (block != nullptr) block->refs.fetch_add(1, std::memory_order_relaxed);
}

inline void drop(SharedBlock* block) noexcept {
  if (block != nullptr && block->refs.fetch_sub(1, std::memory_order_acq_rel) == 1) {
    block->release(block);
  }
}

// A block whose bytes follow it in the same allocation.
struct InlineBlock : SharedBlock {
  InlineBlock() noexcept : SharedBlock(&free) {}
  char* bytes() noexcept { return reinterpret_cast<char*>(this + 1); }
  static void free(SharedBlock* block) noexcept {
    auto* self = static_cast<InlineBlock*>(block);
    self->~InlineBlock();
    ::operator delete(self);
  }
  static InlineBlock* copyOf(std::string_view s) {
    if (s.size() > SIZE_MAX - sizeof(InlineBlock)) throw std::bad_array_new_length();
    auto* self = ::new (::operator new(sizeof(InlineBlock) + s.size())) InlineBlock();
    std::memcpy(self->bytes(), s.data(), s.size());
    return self;
  }
};

// A block that keeps an adopted string, and with it the string's buffer.
struct AdoptedBlock : SharedBlock {
  explicit AdoptedBlock(std::string&& s) noexcept : SharedBlock(&free), text(std::move(s)) {}
  static void free(SharedBlock* block) noexcept { delete static_cast<AdoptedBlock*>(block); }
  std::string text;
};

// True when s keeps its characters inside the object itself (the small
// string optimisation), so moving it would copy them anyway.
inline bool holdsCharsInline(const std::string& s) noexcept {
  auto object = reinterpret_cast<std::uintptr_t>(&s);
  auto chars = reinterpret_cast<std::uintptr_t>(s.data());
  return chars >= object && chars < object + sizeof(std::string);
}

// The representation and every operation shared by Bytes and Text. Derived
// is the concrete type, so slices and comparisons stay within one type.
template <class Derived>
class SharedChars {
 public:
  SharedChars() noexcept = default;

  // Copies s (no allocation when s is empty).
  explicit SharedChars(std::string_view s) { copyIn(s); }
  explicit SharedChars(const char* s) : SharedChars(std::string_view(s)) {}

  // Adopts s's buffer without copying it; a string short enough to live
  // inside its own object is copied into the block instead.
  // Note: spare capacity of an adopted buffer stays allocated as long as
  // the value (or a slice of it) lives; shrink the string first if that
  // matters.
  explicit SharedChars(std::string&& s) {
    if (s.empty()) return;
    if (holdsCharsInline(s)) {
      copyIn(s);
      return;
    }
    auto* block = new AdoptedBlock(std::move(s));
    block_ = block;
    data_ = block->text.data();
    size_ = block->text.size();
  }

  SharedChars(const SharedChars& other) noexcept
      : block_(other.block_), data_(other.data_), size_(other.size_) {
    retain(block_);
  }
  SharedChars(SharedChars&& other) noexcept
      : block_(std::exchange(other.block_, nullptr)),
        data_(std::exchange(other.data_, "")),
        size_(std::exchange(other.size_, 0)) {}
  SharedChars& operator=(SharedChars other) noexcept {
    std::swap(block_, other.block_);
    std::swap(data_, other.data_);
    std::swap(size_, other.size_);
    return *this;
  }
  ~SharedChars() { drop(block_); }

  // Refers to s without copying or owning it.
  // Note: s must outlive every value made from it (string literals do).
  [[nodiscard]] static Derived fromStatic(std::string_view s) noexcept {
    if (s.empty()) return Derived();  // keeps data() non-null
    return make(nullptr, s.data(), s.size());
  }

  // A value over [data, data + size) kept alive by block, taking over one
  // reference the caller already holds (an empty range drops it). For
  // storage owners outside this file that share their bytes without a copy.
  [[nodiscard]] static Derived adoptShared(SharedBlock* block, const char* data,
                                           std::size_t size) noexcept {
    if (size == 0) {
      drop(block);
      return Derived();
    }
    return make(block, data, size);
  }
  // The block keeping the bytes alive; null for empty and static values.
  [[nodiscard]] const SharedBlock* owner() const noexcept { return block_; }

  [[nodiscard]] std::string_view view() const noexcept { return {data_, size_}; }
  explicit operator std::string_view() const noexcept { return view(); }
  // Never null, even for an empty value.
  [[nodiscard]] const char* data() const noexcept { return data_; }
  [[nodiscard]] std::size_t size() const noexcept { return size_; }
  [[nodiscard]] bool empty() const noexcept { return size_ == 0; }
  [[nodiscard]] const char* begin() const noexcept { return data_; }
  [[nodiscard]] const char* end() const noexcept { return data_ + size_; }
  // Precondition: i < size().
  [[nodiscard]] char operator[](std::size_t i) const noexcept { return data_[i]; }

  // The bytes [offset, offset + length), sharing this value's storage. Both
  // bounds are clamped to the value, so an offset past the end gives an
  // empty value rather than an error; an empty slice holds no storage.
  [[nodiscard]] Derived slice(std::size_t offset, std::size_t length) const noexcept {
    offset = std::min(offset, size_);
    length = std::min(length, size_ - offset);
    if (length == 0) return Derived();
    retain(block_);
    return make(block_, data_ + offset, length);
  }

  [[nodiscard]] std::string toString() const { return std::string(view()); }

  friend bool operator==(const Derived& a, const Derived& b) noexcept {
    return a.view() == b.view();
  }
  // Bytewise, comparing bytes as unsigned values.
  friend std::strong_ordering operator<=>(const Derived& a, const Derived& b) noexcept {
    return a.view() <=> b.view();
  }
  // Writes the bytes as they are.
  friend std::ostream& operator<<(std::ostream& os, const Derived& value) {
    return os << value.view();
  }

 protected:
  // A To that shares from's storage, for conversions between the concrete
  // types (Bytes to Text and back).
  template <class To, class From>
  [[nodiscard]] static To shareAs(const SharedChars<From>& from) noexcept {
    retain(from.block_);
    return SharedChars<To>::make(from.block_, from.data_, from.size_);
  }

 private:
  template <class>
  friend class SharedChars;
  friend class quire::BytesBuffer;

  // Points a still empty value at an inline copy of s.
  void copyIn(std::string_view s) {
    if (s.empty()) return;
    InlineBlock* block = InlineBlock::copyOf(s);
    block_ = block;
    data_ = block->bytes();
    size_ = s.size();
  }

  // Takes over one reference to block (already counted by the caller).
  static Derived make(SharedBlock* block, const char* data, std::size_t size) noexcept {
    Derived result;
    SharedChars& rep = result;
    rep.block_ = block;
    rep.data_ = data;
    rep.size_ = size;
    return result;
  }

  SharedBlock* block_ = nullptr;
  const char* data_ = "";
  std::size_t size_ = 0;
};

}  // namespace detail

// An immutable byte string; see the top of this file.
class Bytes : public detail::SharedChars<Bytes> {
 public:
  using SharedChars::SharedChars;
};

// True when s is well-formed UTF-8: shortest forms only, no surrogates,
// nothing above U+10FFFF.
[[nodiscard]] constexpr bool isValidUtf8(std::string_view s) noexcept {
  std::size_t i = 0;
  while (i < s.size()) {
    auto lead = static_cast<unsigned char>(s[i]);
    if (lead < 0x80) {
      ++i;
      continue;
    }
    std::size_t extra;
    unsigned char low = 0x80, high = 0xBF;  // range of the second byte
    if (lead >= 0xC2 && lead <= 0xDF) {
      extra = 1;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      extra = 2;
      if (lead == 0xE0) low = 0xA0;   // no overlong forms
      if (lead == 0xED) high = 0x9F;  // no surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      extra = 3;
      if (lead == 0xF0) low = 0x90;   // no overlong forms
      if (lead == 0xF4) high = 0x8F;  // nothing above U+10FFFF
    } else {
      return false;
    }
    if (s.size() - i <= extra) return false;
    auto second = static_cast<unsigned char>(s[i + 1]);
    if (second < low || second > high) return false;
    for (std::size_t k = 2; k <= extra; ++k) {
      if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
    }
    i += extra + 1;
  }
  return true;
}

// Unicode text as UTF-8 code units, in the same form as Bytes. The
// constructors trust their input to be UTF-8; use fromUtf8Checked for bytes
// from outside.
class Text : public detail::SharedChars<Text> {
 public:
  using SharedChars::SharedChars;

  // The same bytes as a Text, sharing storage. No validation.
  [[nodiscard]] static Text fromUtf8Unchecked(const Bytes& utf8) noexcept { return shareAs<Text>(utf8); }
  // The same bytes as a Text, or nullopt when they are not valid UTF-8.
  [[nodiscard]] static std::optional<Text> fromUtf8Checked(const Bytes& utf8) noexcept {
    if (!isValidUtf8(utf8.view())) return std::nullopt;
    return shareAs<Text>(utf8);
  }
  // A copy of utf8 as a Text, or nullopt when it is not valid UTF-8.
  [[nodiscard]] static std::optional<Text> fromUtf8Checked(std::string_view utf8) {
    if (!isValidUtf8(utf8)) return std::nullopt;
    return Text(utf8);
  }
  // The UTF-8 code units, sharing storage.
  [[nodiscard]] Bytes utf8Bytes() const noexcept { return shareAs<Bytes>(*this); }
};

[[nodiscard]] inline std::uint64_t hashWithSalt(std::uint64_t salt, const Bytes& b) noexcept {
  return hash::mixBytes(salt, b.view());
}
[[nodiscard]] inline std::uint64_t hashWithSalt(std::uint64_t salt, const Text& t) noexcept {
  return hash::mixBytes(salt, t.view());
}

namespace detail {

// An ordered sequence of non-empty pieces, compared and hashed by its
// concatenated contents, so where the chunk boundaries fall never matters.
template <class Piece>
class Chunks {
 public:
  Chunks() = default;
  // Empty pieces are dropped.
  explicit Chunks(std::vector<Piece> chunks) : chunks_(std::move(chunks)) {
    std::erase_if(chunks_, [](const Piece& p) { return p.empty(); });
    for (const Piece& p : chunks_) size_ += p.size();
  }

  [[nodiscard]] const std::vector<Piece>& chunks() const noexcept { return chunks_; }
  [[nodiscard]] auto begin() const noexcept { return chunks_.begin(); }
  [[nodiscard]] auto end() const noexcept { return chunks_.end(); }

  // Adds a chunk at the end (an empty one is skipped). For producers only:
  // once a value is handed out it is treated as immutable.
  void append(Piece chunk) {
    if (chunk.empty()) return;
    size_ += chunk.size();
    chunks_.push_back(std::move(chunk));
  }

  // Total bytes over all chunks.
  [[nodiscard]] std::size_t size() const noexcept { return size_; }
  [[nodiscard]] bool empty() const noexcept { return size_ == 0; }

  [[nodiscard]] std::string toString() const {
    std::string out;
    out.reserve(size_);
    for (const Piece& p : chunks_) out.append(p.view());
    return out;
  }

  // The contents as one piece; a single chunk is shared, not copied.
  [[nodiscard]] Piece concat() const {
    if (chunks_.size() == 1) return chunks_.front();
    return Piece(toString());
  }

  friend bool operator==(const Chunks& a, const Chunks& b) noexcept {
    return a.size_ == b.size_ && compareContents(a, b) == 0;
  }
  friend std::strong_ordering operator<=>(const Chunks& a, const Chunks& b) noexcept {
    return compareContents(a, b);
  }
  // Equal to the hash of the concatenation, since the byte hash streams.
  [[nodiscard]] std::uint64_t hashContents(std::uint64_t salt) const noexcept {
    for (const Piece& p : chunks_) salt = hash::mixBytes(salt, p.view());
    return salt;
  }
  // Writes the concatenated contents.
  friend std::ostream& operator<<(std::ostream& os, const Chunks& c) {
    for (const Piece& p : c.chunks_) os << p.view();
    return os;
  }

 private:
  // Walks both chunk lists at once without concatenating either.
  static std::strong_ordering compareContents(const Chunks& a, const Chunks& b) noexcept {
    auto ai = a.chunks_.begin(), bi = b.chunks_.begin();
    std::string_view x, y;
    for (;;) {
      if (x.empty() && ai != a.chunks_.end()) x = (ai++)->view();
      if (y.empty() && bi != b.chunks_.end()) y = (bi++)->view();
      if (x.empty() || y.empty()) return !x.empty() <=> !y.empty();
      std::size_t n = std::min(x.size(), y.size());
      if (auto c = x.substr(0, n) <=> y.substr(0, n); c != 0) return c;
      x.remove_prefix(n);
      y.remove_prefix(n);
    }
  }

  std::vector<Piece> chunks_;
  std::size_t size_ = 0;
};

}  // namespace detail

// An ordered sequence of Bytes chunks; see the top of this file.
class ChunkedBytes : public detail::Chunks<Bytes> {
 public:
  using Chunks::Chunks;
  // The concatenation; a single chunk is shared, not copied.
  [[nodiscard]] Bytes toBytes() const { return concat(); }
};

// An ordered sequence of Text chunks.
class ChunkedText : public detail::Chunks<Text> {
 public:
  using Chunks::Chunks;
  // The concatenation; a single chunk is shared, not copied.
  [[nodiscard]] Text toText() const { return concat(); }
};

// Equal to the hash of the concatenated contents as one Bytes or Text.
[[nodiscard]] inline std::uint64_t hashWithSalt(std::uint64_t salt, const ChunkedBytes& c) noexcept {
  return c.hashContents(salt);
}
[[nodiscard]] inline std::uint64_t hashWithSalt(std::uint64_t salt, const ChunkedText& c) noexcept {
  return c.hashContents(salt);
}

}  // namespace quire

template <>
struct std::hash<quire::Bytes> : quire::hash::StdHash<quire::Bytes> {};
template <>
struct std::hash<quire::Text> : quire::hash::StdHash<quire::Text> {};
template <>
struct std::hash<quire::ChunkedBytes> : quire::hash::StdHash<quire::ChunkedBytes> {};
template <>
struct std::hash<quire::ChunkedText> : quire::hash::StdHash<quire::ChunkedText> {};
