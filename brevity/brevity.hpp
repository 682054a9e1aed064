// ShortText: a compact, immutable Unicode string held as its UTF-8 bytes.
//
// A ShortText is one pointer to one reference-counted block holding the byte
// length and the bytes (see short_byte_string.hpp): no offset, no capacity,
// no cached character count. It is meant for programs that hold millions of
// short strings (identifiers, keys, labels): a 16-byte value costs the
// 8-byte handle plus a 24-byte block. Copies share the block; the empty
// value is one shared block.
//
// Invariant: the bytes are well-formed UTF-8 (shortest forms, no
// surrogates, nothing above U+10FFFF). Constructors from characters replace
// the code points UTF-8 cannot carry by U+FFFD; constructors from bytes
// validate, except the ones named Unsafe and the literal constructors, which
// trust the caller. Byte length is O(1); length() counts code points, O(n).
// Equality and ordering are bytewise (for valid UTF-8 the order of the
// code-point sequences); the hash is the byte hash of the contents, equal to
// that of the ShortByteString and the quire::Bytes of the same bytes.
//
// Example:
//   using namespace quire::brevity;
//   ShortText t("gr\xC3\xBC\xC3\x9F");          // "grüß", validated
//   // t.size() == 6 (bytes), length(t) == 4 (code points)
//   ShortText u = fromString(U"gr\u00FC\u00DF");
//   // u == t, hash(u) == hash(t)
//   std::optional<ShortText> bad = fromUtf8("\xC0\x80");
//   // !bad (overlong form)
//   ShortText s = singleton(U'\xD800');          // a surrogate
//   // s.view() == "\xEF\xBF\xBD" (U+FFFD)
//   for (char32_t c : unpack(t)) { ... }         // 'g', 'r', U'ü', U'ß'
//   // toU32String(t) == U"gr\u00FC\u00DF"
#pragma once

#include <compare>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <iterator>
#include <optional>
#include <ranges>
#include <string>
#include <string_view>
#include <utility>

#include "base/builder.hpp"
#include "base/bytes.hpp"
#include "base/hash.hpp"
#include "brevity/export.hpp"
#include "brevity/internal/utf8.hpp"
#include "brevity/short_byte_string.hpp"

namespace quire::brevity {

namespace detail {
struct TextAccess;
}  // namespace detail

class ShortText {
 public:
  // The shared empty value.
  ShortText() noexcept = default;
  // A copy of utf8. Throws quire::Error("ShortText: invalid UTF-8") when
  // utf8 is not well-formed; fromUtf8 answers nullopt instead.
  QUIRE_BREVITY_EXPORT explicit ShortText(std::string_view utf8);
  explicit ShortText(const char* utf8) : ShortText(std::string_view(utf8)) {}
  // The characters encoded as UTF-8 (fromString); never fails.
  QUIRE_BREVITY_EXPORT explicit ShortText(std::u32string_view chars);
  explicit ShortText(const char32_t* chars) : ShortText(std::u32string_view(chars)) {}

  // The longest value, in bytes.
  static constexpr std::size_t maxSize = ShortByteString::maxSize;

  // The UTF-8 bytes. data() is never null.
  [[nodiscard]] const unsigned char* data() const noexcept { return bytes_.data(); }
  // The byte length, O(1).
  [[nodiscard]] std::size_t size() const noexcept { return bytes_.size(); }
  [[nodiscard]] bool empty() const noexcept { return bytes_.empty(); }
  [[nodiscard]] std::string_view view() const noexcept { return bytes_.view(); }
  explicit operator std::string_view() const noexcept { return view(); }
  [[nodiscard]] std::string toUtf8() const { return std::string(view()); }
  [[nodiscard]] const ShortByteString& bytes() const noexcept { return bytes_; }
  // True when both are copies of one another (the same block).
  [[nodiscard]] bool sharesWith(const ShortText& other) const noexcept {
    return bytes_.sharesWith(other.bytes_);
  }

  friend bool operator==(const ShortText& a, const ShortText& b) noexcept {
    return a.bytes_ == b.bytes_;
  }
  friend std::strong_ordering operator<=>(const ShortText& a, const ShortText& b) noexcept {
    return a.bytes_ <=> b.bytes_;
  }
  friend std::uint64_t hashWithSalt(std::uint64_t salt, const ShortText& t) noexcept {
    return hashWithSalt(salt, t.bytes_);
  }
  friend std::uint64_t hash(const ShortText& t) noexcept {
    return hashWithSalt(hash::defaultSalt, t);
  }

 private:
  friend struct detail::TextAccess;
  explicit ShortText(ShortByteString bytes) noexcept : bytes_(std::move(bytes)) {}

  ShortByteString bytes_;
};

static_assert(sizeof(ShortText) == sizeof(void*));

namespace detail {

// For the library's own code: wrapping bytes already known to be valid.
struct TextAccess {
  [[nodiscard]] static ShortText wrap(ShortByteString bytes) noexcept {
    return ShortText(std::move(bytes));
  }
};

}  // namespace detail

// The code points of a ShortText, decoded on demand: a bidirectional,
// common view that shares the text's storage, so it never dangles.
class CodePoints : public std::ranges::view_base {
 public:
  class iterator {
   public:
    using value_type = char32_t;
    using difference_type = std::ptrdiff_t;
    // Bidirectional for ranges; an input iterator to older algorithms, as
    // dereferencing gives a value rather than a reference.
    using iterator_concept = std::bidirectional_iterator_tag;
    using iterator_category = std::input_iterator_tag;

    iterator() = default;
    char32_t operator*() const noexcept { return detail::decodeAt(at_); }
    iterator& operator++() noexcept {
      at_ += detail::charWidth(detail::decodeAt(at_));
      return *this;
    }
    iterator operator++(int) noexcept {
      iterator before = *this;
      ++*this;
      return before;
    }
    iterator& operator--() noexcept {
      at_ -= detail::charWidth(detail::decodeBefore(at_));
      return *this;
    }
    iterator operator--(int) noexcept {
      iterator before = *this;
      --*this;
      return before;
    }
    friend bool operator==(const iterator&, const iterator&) = default;

   private:
    friend class CodePoints;
    explicit iterator(const std::uint8_t* at) noexcept : at_(at) {}
    const std::uint8_t* at_ = nullptr;
  };

  CodePoints() = default;
  explicit CodePoints(ShortText text) noexcept : text_(std::move(text)) {}
  [[nodiscard]] iterator begin() const noexcept { return iterator(text_.data()); }
  [[nodiscard]] iterator end() const noexcept { return iterator(text_.data() + text_.size()); }
  [[nodiscard]] bool empty() const noexcept { return text_.empty(); }

 private:
  ShortText text_;
};

// ---------------------------------------------------------------------------
// Construction and conversion.

// The shared empty value.
[[nodiscard]] inline ShortText empty() noexcept { return ShortText(); }

// The UTF-8 of c; a surrogate, or a value above U+10FFFF, gives U+FFFD.
QUIRE_BREVITY_EXPORT ShortText singleton(char32_t c);

// The characters as UTF-8, each surrogate (or value above U+10FFFF)
// replaced by U+FFFD. pack is the same operation; so is fromStringLit.
QUIRE_BREVITY_EXPORT ShortText fromString(std::u32string_view chars);
[[nodiscard]] inline ShortText pack(std::u32string_view chars) { return fromString(chars); }
[[nodiscard]] inline ShortText fromStringLit(std::u32string_view chars) {
  return fromString(chars);
}

// The code points, produced on demand; unpack is the same operation.
[[nodiscard]] inline CodePoints toString(ShortText t) noexcept { return CodePoints(std::move(t)); }
[[nodiscard]] inline CodePoints unpack(ShortText t) noexcept { return CodePoints(std::move(t)); }
// The code points, all at once.
QUIRE_BREVITY_EXPORT std::u32string toU32String(const ShortText& t);

// A copy of utf8, or nullopt when it is not well-formed UTF-8.
QUIRE_BREVITY_EXPORT std::optional<ShortText> fromUtf8(std::string_view utf8);

// The text. A Text made by toText over a whole ShortText gives back that
// ShortText without a copy; any other Text (a slice, or storage from
// elsewhere) is copied into a fresh block. No validation: a Text already
// holds UTF-8.
QUIRE_BREVITY_EXPORT ShortText fromText(const Text& x);
// A Text over the same bytes (no copy of them; one small owner record).
QUIRE_BREVITY_EXPORT Text toText(const ShortText& t);

// The same block when b is valid UTF-8, otherwise nullopt.
QUIRE_BREVITY_EXPORT std::optional<ShortText> fromShortByteString(const ShortByteString& b);
// The same block.
[[nodiscard]] inline ShortByteString toShortByteString(const ShortText& t) noexcept {
  return t.bytes();
}

// A copy of the bytes when they are valid UTF-8, otherwise nullopt.
QUIRE_BREVITY_EXPORT std::optional<ShortText> fromByteString(const Bytes& b);
// A copy of the bytes.
[[nodiscard]] inline Bytes toByteString(const ShortText& t) { return Bytes(t.view()); }

// No validation: the caller guarantees valid UTF-8. The first shares b's
// block, the second copies.
[[nodiscard]] inline ShortText fromShortByteStringUnsafe(ShortByteString b) noexcept {
  return detail::TextAccess::wrap(std::move(b));
}
QUIRE_BREVITY_EXPORT ShortText fromByteStringUnsafe(std::string_view utf8);
[[nodiscard]] inline ShortText fromByteStringUnsafe(const Bytes& b) {
  return fromByteStringUnsafe(b.view());
}

// A builder that copies the bytes into the output buffers.
QUIRE_BREVITY_EXPORT builder::Builder toBuilder(const ShortText& t);

// Literal constructors for generated code; neither validates.
// fromLitAsciiAddr copies a NUL-terminated string as it is.
QUIRE_BREVITY_EXPORT ShortText fromLitAsciiAddr(const char* literal);
// fromLitMUtf8Addr translates a NUL-terminated modified-UTF-8 literal
// (C0 80 for U+0000; surrogate forms become U+FFFD).
QUIRE_BREVITY_EXPORT ShortText fromLitMUtf8Addr(const char* literal);

// ---------------------------------------------------------------------------
// Properties.

// True exactly when the bytes pass the validator (always, unless an Unsafe
// or literal constructor was handed bad bytes).
QUIRE_BREVITY_EXPORT bool isValidUtf8(const ShortText& t) noexcept;
// True for the empty value.
[[nodiscard]] inline bool null_(const ShortText& t) noexcept { return t.empty(); }
// The number of code points, O(n).
QUIRE_BREVITY_EXPORT std::int64_t length(const ShortText& t) noexcept;
// True when every code point is below U+0080 (eight bytes at a time).
QUIRE_BREVITY_EXPORT bool isAscii(const ShortText& t) noexcept;

// Bytewise three-way comparison: the first differing byte (unsigned)
// decides, otherwise the shorter value is smaller.
[[nodiscard]] inline std::strong_ordering compare(const ShortText& a, const ShortText& b) noexcept {
  return a <=> b;
}

namespace literals {
// "..."_st: a validated ShortText (throws quire::Error on invalid UTF-8).
[[nodiscard]] inline ShortText operator""_st(const char* utf8, std::size_t n) {
  return ShortText(std::string_view(utf8, n));
}
}  // namespace literals

}  // namespace quire::brevity

template <>
struct std::hash<quire::brevity::ShortText> : quire::hash::StdHash<quire::brevity::ShortText> {};
