// Character sets built once and queried many times by a parser.
//
// bytes::FastSet is a set of byte values in one of two forms chosen by the
// input's size: Sorted (the input bytes in ascending order, searched by
// bisection) for fewer than 8 input bytes, and Table (a 256-bit bitmap) for
// 8 or more; duplicates count toward the 8.
//
// text::FastSet is a set of characters in a small open-addressing table of
// (code point, home slot) pairs: a character's home slot is its code point
// AND mask, collisions go to the next free slot in order of home slot, and
// the table is padded with empty slots so that a probe always stops inside
// it. A probe walks forward from the home slot and stops at the character
// or at the first slot whose home lies beyond, four slots per round.
//
// charClass builds either kind from a class such as "a-zA-Z_": three
// characters x, '-', y stand for x to y inclusive (nothing when y < x), and
// any other character, a '-' at either end or right after a range included,
// stands for itself.
//
// Example:
//   using namespace quire::vellum;
//   bytes::FastSet digits = bytes::charClass(U"0-9");
//   // bytes::memberWord8('7', digits), !bytes::memberWord8('a', digits)
//   // digits.kind() == bytes::FastSet::Table (10 input bytes)
//   bytes::FastSet ops = bytes::set(quire::Bytes("+-*/"));
//   // bytes::show(ops) == "FastSet Sorted \"*+-/\""
//   text::FastSet greek = text::charClass(U"\u03B1-\u03C9_");
//   // text::member(U'\u03BB', greek), !text::member(U'a', greek)
#pragma once

#include <algorithm>
#include <bit>
#include <compare>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <memory>
#include <ostream>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/bytes.hpp"
#include "vellum/export.hpp"

namespace quire::vellum {

// The class notation expanded to its characters, in order. A range ending
// above U+10FFFF ends at U+10FFFF, so no class expands to more than the
// code space.
QUIRE_VELLUM_EXPORT std::u32string expandCharClass(std::u32string_view s);

// ---------------------------------------------------------------- bytes

namespace bytes {

class QUIRE_VELLUM_EXPORT FastSet {
 public:
  enum Kind : std::uint8_t { Sorted, Table };

  // The empty set (Sorted, no bytes).
  FastSet() = default;

  [[nodiscard]] Kind kind() const noexcept { return kind_; }
  // The stored bytes: the sorted input, or the 32-byte bitmap.
  [[nodiscard]] const Bytes& stored() const noexcept { return bytes_; }

  friend FastSet set(const Bytes& bs);

  friend bool operator==(const FastSet&, const FastSet&) = default;
  // Sorted before Table, then by the stored bytes.
  friend std::strong_ordering operator<=>(const FastSet& a, const FastSet& b) noexcept {
    if (auto c = a.kind_ <=> b.kind_; c != 0) return c;
    return a.bytes_ <=> b.bytes_;
  }

 private:
  FastSet(Kind kind, Bytes bytes) : kind_(kind), bytes_(std::move(bytes)) {}

  Kind kind_ = Sorted;
  Bytes bytes_;
};

// The bitmap position of a byte value: byte w >> 3, bit 1 << (w & 7).
struct I {
  std::size_t byteIndex;
  std::uint8_t bitMask;
  friend bool operator==(const I&, const I&) = default;
};
[[nodiscard]] constexpr I index(std::uint8_t w) noexcept {
  return {static_cast<std::size_t>(w >> 3), static_cast<std::uint8_t>(1u << (w & 7))};
}

// Sorted for fewer than 8 bytes, otherwise Table.
QUIRE_VELLUM_EXPORT FastSet set(const Bytes& bs);
QUIRE_VELLUM_EXPORT FastSet fromList(std::span<const std::uint8_t> ws);
// The class expanded, each character cut to its low 8 bits, then set.
QUIRE_VELLUM_EXPORT FastSet charClass(std::u32string_view s);

[[nodiscard]] inline bool memberWord8(std::uint8_t w, const FastSet& f) noexcept {
  const auto* p = reinterpret_cast<const std::uint8_t*>(f.stored().data());
  if (f.kind() == FastSet::Table) {
    const I i = index(w);
    return (p[i.byteIndex] & i.bitMask) != 0;
  }
  std::ptrdiff_t lo = 0, hi = static_cast<std::ptrdiff_t>(f.stored().size()) - 1;
  while (lo <= hi) {
    const std::ptrdiff_t mid = (lo + hi) / 2;
    if (p[mid] == w) return true;
    if (p[mid] < w) {
      lo = mid + 1;
    } else {
      hi = mid - 1;
    }
  }
  return false;
}

// Tests the low 8 bits of c: U+0161 is a member wherever 0x61 is.
[[nodiscard]] inline bool memberChar(char32_t c, const FastSet& f) noexcept {
  return memberWord8(static_cast<std::uint8_t>(c & 0xFF), f);
}

[[nodiscard]] inline const Bytes& fromSet(const FastSet& f) noexcept { return f.stored(); }

// "FastSet Sorted " and the bytes as a literal, or "FastSet Table".
QUIRE_VELLUM_EXPORT std::string show(const FastSet& f);
inline std::string showsPrec(int, const FastSet& f) { return show(f); }
QUIRE_VELLUM_EXPORT std::ostream& operator<<(std::ostream& os, const FastSet& f);

}  // namespace bytes

// ----------------------------------------------------------------- text

namespace text {

// A character while the table is built: its home slot and its final slot.
struct Entry {
  char32_t key;
  std::int64_t initialIndex;
  std::int64_t index;
  friend bool operator==(const Entry&, const Entry&) = default;
};

// The home slot of an empty slot: greater than any home, so probes stop.
inline constexpr std::int64_t kEmptyHome = std::numeric_limits<std::int64_t>::max();

class QUIRE_VELLUM_EXPORT FastSet {
 public:
  // The empty set: mask 0 and two empty slots.
  FastSet() noexcept;

  // Slot s is elements 2s (code point) and 2s + 1 (home slot).
  [[nodiscard]] std::span<const std::int64_t> table() const noexcept { return {data_, size_}; }
  [[nodiscard]] std::int64_t mask() const noexcept { return mask_; }

  friend FastSet fromList(std::u32string_view s);

  friend bool operator==(const FastSet& a, const FastSet& b) noexcept {
    return a.mask_ == b.mask_ && std::ranges::equal(a.table(), b.table());
  }
  // By table contents, then by mask.
  friend std::strong_ordering operator<=>(const FastSet& a, const FastSet& b) noexcept {
    const auto ta = a.table(), tb = b.table();
    if (auto c = std::lexicographical_compare_three_way(ta.begin(), ta.end(), tb.begin(), tb.end()); c != 0) {
      return c;
    }
    return a.mask_ <=> b.mask_;
  }

  // The probe; see member(). Each round looks at four slots at once.
  // Homes never decrease along a run, and c can only sit in a slot whose
  // home is h, so c is a member exactly when one of the slots before the
  // first stopping slot holds the pair (c, h); a slot after that stop has a
  // home beyond h or is empty, and never holds that pair either. So a round
  // tests all four slots for the pair without branching on each, and goes
  // on only when its last slot does not stop the probe. A round may read up
  // to three slots past the stopping one; the storage has three spare empty
  // slots after the table for that.
  [[nodiscard]] bool contains(char32_t c) const noexcept {
    const auto key = static_cast<std::int64_t>(c);
    const std::int64_t h = key & mask_;
    // No end test: the padding puts a stopping slot after every run.
    for (const std::int64_t* slot = data_ + 2 * h;; slot += 8) {
      const bool found = (((slot[0] ^ key) | (slot[1] ^ h)) == 0) | (((slot[2] ^ key) | (slot[3] ^ h)) == 0) |
                         (((slot[4] ^ key) | (slot[5] ^ h)) == 0) | (((slot[6] ^ key) | (slot[7] ^ h)) == 0);
      if (found | (slot[7] > h)) return found;
    }
  }

 private:
  // table holds the slots and then the spare ones; slots counts the first.
  FastSet(std::shared_ptr<const std::vector<std::int64_t>> table, std::size_t slots, std::int64_t mask) noexcept;

  std::shared_ptr<const std::vector<std::int64_t>> owner_;
  const std::int64_t* data_;
  std::size_t size_;
  std::int64_t mask_;
};

// Builds the table from the characters (duplicates and order do not matter).
QUIRE_VELLUM_EXPORT FastSet fromList(std::u32string_view s);
// fromList of the text's characters.
QUIRE_VELLUM_EXPORT FastSet set(const Text& t);
// The class expanded, then fromList.
QUIRE_VELLUM_EXPORT FastSet charClass(std::u32string_view s);

[[nodiscard]] inline bool member(char32_t c, const FastSet& f) noexcept { return f.contains(c); }
[[nodiscard]] inline std::span<const std::int64_t> table(const FastSet& f) noexcept { return f.table(); }
[[nodiscard]] inline std::int64_t mask(const FastSet& f) noexcept { return f.mask(); }

// The smallest power of two at least x (1 for 0), on 32-bit sizes.
QUIRE_VELLUM_EXPORT std::int64_t nextPowerOf2(std::int64_t x) noexcept;

// Steps 3 and 4 of the build, exposed for inspection: one entry per
// distinct sorted character, each at its final slot.
QUIRE_VELLUM_EXPORT std::vector<Entry> resolveCollisions(std::u32string_view sortedDistinct, std::int64_t mask);

// "FastSet {table = [...], mask = m}".
QUIRE_VELLUM_EXPORT std::string show(const FastSet& f);
inline std::string showsPrec(int, const FastSet& f) { return show(f); }
QUIRE_VELLUM_EXPORT std::ostream& operator<<(std::ostream& os, const FastSet& f);

}  // namespace text

}  // namespace quire::vellum
