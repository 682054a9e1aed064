#include "brevity/primitives.hpp"

#include <emmintrin.h>

#include <bit>
#include <cstring>

#include "brevity/internal/utf8.hpp"

namespace {

using quire::brevity::detail::decodeAt;
using quire::brevity::detail::decodeBefore;
using quire::brevity::detail::isContinuation;
using quire::brevity::detail::leadWidth;

constexpr std::uint64_t kHighBits = 0x8080808080808080ULL;
constexpr std::uint32_t kNoCodePoint = 0xFFFFFFFFu;

std::uint64_t loadWord(const std::uint8_t* p) noexcept {
  std::uint64_t w;
  std::memcpy(&w, p, sizeof w);
  return w;
}

// Bits set in the high bit of each of the low `count` bytes (count < 8):
// the bytes at the lowest addresses, as words are read little-endian.
constexpr std::uint64_t lowBytesMask(std::size_t count) noexcept {
  return kHighBits >> (64 - 8 * count);
}

// The number of bytes in [p, p + 16) before the first one at or above 0x80,
// or 16 when there is none.
unsigned asciiPrefix16(const std::uint8_t* p) noexcept {
  const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
  const auto mask = static_cast<unsigned>(_mm_movemask_epi8(v));
  return mask == 0 ? 16u : static_cast<unsigned>(std::countr_zero(mask));
}

// True when none of [p, p + 64) is at or above 0x80.
bool isAscii64(const std::uint8_t* p) noexcept {
  const auto* v = reinterpret_cast<const __m128i*>(p);
  const __m128i any = _mm_or_si128(_mm_or_si128(_mm_loadu_si128(v), _mm_loadu_si128(v + 1)),
                                   _mm_or_si128(_mm_loadu_si128(v + 2), _mm_loadu_si128(v + 3)));
  return _mm_movemask_epi8(any) == 0;
}

// The high bit of each continuation byte of a word (high bit set, next
// bit clear), and of each other byte: the code-point starts.
std::uint64_t continuationBits(std::uint64_t w) noexcept { return w & ~(w << 1) & kHighBits; }
std::uint64_t startsIn(std::uint64_t w) noexcept { return ~continuationBits(w) & kHighBits; }
int continuationsIn(std::uint64_t w) noexcept { return std::popcount(continuationBits(w)); }

}  // namespace

extern "C" {

std::size_t hs_brevity_length(const std::uint8_t* bytes, std::size_t n) noexcept {
  std::size_t continuations = 0;
  std::size_t i = 0;
  for (; i + 8 <= n; i += 8)
    continuations += static_cast<std::size_t>(continuationsIn(loadWord(bytes + i)));
  for (; i < n; ++i) continuations += isContinuation(bytes[i]) ? 1 : 0;
  return n - continuations;
}

// Both index routines count code-point starts (bytes that are not
// continuations) a word at a time; in valid UTF-8 the start of rank i is
// where code point i begins, which is what stepping from lead byte to lead
// byte finds. Only bytes below n are read.

std::size_t hs_brevity_index_ofs(const std::uint8_t* bytes, std::size_t n, std::size_t i) noexcept {
  if (i == 0) return 0;
  if (i >= n) return n;  // i + 1 code points need more than n bytes
  std::size_t ofs = 0;
  std::size_t rank = i;  // starts still to pass
  for (; ofs + 8 <= n; ofs += 8) {
    std::uint64_t starts = startsIn(loadWord(bytes + ofs));
    const auto count = static_cast<std::size_t>(std::popcount(starts));
    if (count > rank) {
      for (; rank > 0; --rank) starts &= starts - 1;
      return ofs + static_cast<std::size_t>(std::countr_zero(starts)) / 8;
    }
    rank -= count;
  }
  for (; ofs < n; ++ofs) {
    if (isContinuation(bytes[ofs])) continue;
    if (rank == 0) return ofs;
    --rank;
  }
  return n;
}

std::size_t hs_brevity_index_ofs_rev(const std::uint8_t* bytes, std::size_t n,
                                     std::size_t i) noexcept {
  if (i >= n) return n;
  std::size_t end = n;
  std::size_t rank = i;  // starts still to pass, counting from the end
  for (; end >= 8; end -= 8) {
    std::uint64_t starts = startsIn(loadWord(bytes + end - 8));
    const auto count = static_cast<std::size_t>(std::popcount(starts));
    if (count > rank) {
      for (; rank > 0; --rank) starts &= ~(std::uint64_t{1} << (63 - std::countl_zero(starts)));
      return end - 8 + static_cast<std::size_t>(63 - std::countl_zero(starts)) / 8;
    }
    rank -= count;
  }
  while (end > 0) {
    --end;
    if (isContinuation(bytes[end])) continue;
    if (rank == 0) return end;
    --rank;
  }
  return n;
}

std::uint32_t hs_brevity_ofs_cp(const std::uint8_t* bytes, std::size_t offset) noexcept {
  return decodeAt(bytes + offset);
}

std::uint32_t hs_brevity_ofs_cp_rev(const std::uint8_t* bytes, std::size_t offset) noexcept {
  return decodeBefore(bytes + offset);
}

std::uint32_t hs_brevity_index_cp(const std::uint8_t* bytes, std::size_t n,
                                  std::size_t i) noexcept {
  const std::size_t ofs = hs_brevity_index_ofs(bytes, n, i);
  return ofs >= n ? kNoCodePoint : decodeAt(bytes + ofs);
}

std::uint32_t hs_brevity_index_cp_rev(const std::uint8_t* bytes, std::size_t n,
                                      std::size_t i) noexcept {
  const std::size_t ofs = hs_brevity_index_ofs_rev(bytes, n, i);
  return ofs >= n ? kNoCodePoint : decodeAt(bytes + ofs);
}

std::int32_t hs_brevity_is_valid_utf8(const std::uint8_t* bytes, std::size_t n) noexcept {
  std::size_t i = 0;
  while (i < n) {
    // Skip ASCII 16 bytes at a time, and 64 at a time once a run is long;
    // the answers are those of a byte at a time, since ASCII bytes never
    // fail and never end early.
    if (n - i >= 16) {
      const unsigned run = asciiPrefix16(bytes + i);
      i += run;
      if (run == 16) {
        while (n - i >= 64 && isAscii64(bytes + i)) i += 64;
        continue;
      }
    } else if (bytes[i] < 0x80) {
      ++i;
      continue;
    }
    const std::uint8_t b0 = bytes[i];
    if (b0 < 0xC0) return 1;  // a continuation byte cannot lead
    if (b0 < 0xE0) {
      if ((b0 & 0x1E) == 0) return 1;  // C0, C1: overlong
      if (i + 1 >= n) return -1;
      if (!isContinuation(bytes[i + 1])) return 1;
      i += 2;
      continue;
    }
    if (b0 < 0xF0) {
      if (i + 2 >= n) return static_cast<std::int32_t>(static_cast<std::ptrdiff_t>(n - i) - 3);
      const std::uint8_t b1 = bytes[i + 1];
      if (!isContinuation(b1)) return 1;
      if (b0 == 0xE0 && (b1 & 0x20) == 0) return 1;  // overlong
      if (b0 == 0xED && (b1 & 0x20) != 0) return 1;  // surrogate
      if (!isContinuation(bytes[i + 2])) return 1;
      i += 3;
      continue;
    }
    if (b0 <= 0xF4) {
      if (i + 3 >= n) return static_cast<std::int32_t>(static_cast<std::ptrdiff_t>(n - i) - 4);
      const std::uint8_t b1 = bytes[i + 1];
      if (!isContinuation(b1)) return 1;
      if (b0 == 0xF0 && (b1 & 0x30) == 0) return 1;     // overlong
      if (b0 == 0xF4 && (b1 & 0xF0) != 0x80) return 1;  // above U+10FFFF
      if (!isContinuation(bytes[i + 2]) || !isContinuation(bytes[i + 3])) return 1;
      i += 4;
      continue;
    }
    return 1;  // F5..FF
  }
  return 0;
}

int hs_brevity_is_ascii(const std::uint8_t* bytes, std::size_t n) noexcept {
  if (n <= 1) return 1;
  if (n < 8) return (loadWord(bytes) & lowBytesMask(n)) == 0 ? 1 : 0;
  std::size_t i = 0;
  for (; i + 8 <= n; i += 8) {
    if (loadWord(bytes + i) & kHighBits) return 0;
  }
  if (i < n && (loadWord(bytes + i) & lowBytesMask(n - i)) != 0) return 0;
  return 1;
}

}  // extern "C"

namespace {

// One step of a modified-UTF-8 literal: the width by the lead byte, cut
// short at a NUL so that a malformed literal is never read past its end.
std::size_t literalStep(const std::uint8_t* p) noexcept {
  const std::size_t width = leadWidth(p[0]);
  for (std::size_t k = 1; k < width; ++k) {
    if (p[k] == 0) return k;
  }
  return width;
}

bool isSurrogateForm(const std::uint8_t* p, std::size_t width) noexcept {
  return width == 3 && p[0] == 0xED && (p[1] & 0x20) != 0;
}

bool isEncodedNul(const std::uint8_t* p, std::size_t width) noexcept {
  return width == 2 && p[0] == 0xC0 && p[1] == 0x80;
}

}  // namespace

extern "C" {

std::ptrdiff_t hs_brevity_mutf8_strlen(const std::uint8_t* literal) noexcept {
  std::size_t length = 0;
  std::size_t nuls = 0;
  bool surrogate = false;
  while (literal[length] != 0) {
    const std::size_t width = literalStep(literal + length);
    if (isEncodedNul(literal + length, width)) ++nuls;
    if (isSurrogateForm(literal + length, width)) surrogate = true;
    length += width;
  }
  if (nuls == 0 && !surrogate) return static_cast<std::ptrdiff_t>(length);
  return static_cast<std::ptrdiff_t>(nuls) - static_cast<std::ptrdiff_t>(length);
}

void hs_brevity_mutf8_trans(const std::uint8_t* literal, std::uint8_t* dest) noexcept {
  while (*literal != 0) {
    const std::size_t width = literalStep(literal);
    if (isEncodedNul(literal, width)) {
      *dest++ = 0;
    } else if (isSurrogateForm(literal, width)) {
      *dest++ = 0xEF;
      *dest++ = 0xBF;
      *dest++ = 0xBD;
    } else {
      std::memcpy(dest, literal, width);
      dest += width;
    }
    literal += width;
  }
}

}  // extern "C"
