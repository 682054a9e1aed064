// Inline UTF-8 steps shared by the primitives and the header templates.
// They trust the bytes to be valid UTF-8 (the ShortText invariant).
#pragma once

#include <cstddef>
#include <cstdint>

namespace quire::brevity::detail {

// Bytes in the sequence led by b, by its top bits only.
[[nodiscard]] constexpr std::size_t leadWidth(std::uint8_t b) noexcept {
  if (b < 0x80) return 1;
  if ((b >> 4) == 0xE) return 3;
  if ((b >> 4) == 0xF) return 4;
  return 2;
}

// Bytes in the UTF-8 form of c.
[[nodiscard]] constexpr std::size_t charWidth(char32_t c) noexcept {
  if (c < 0x80) return 1;
  if (c < 0x800) return 2;
  if (c <= 0xFFFF) return 3;
  return 4;
}

// c, or U+FFFD for the values UTF-8 cannot carry (surrogates, above U+10FFFF).
[[nodiscard]] constexpr char32_t scalarOrReplacement(char32_t c) noexcept {
  if ((c & 0xFFF800u) == 0xD800u || c > 0x10FFFFu) return U'\uFFFD';
  return c;
}

[[nodiscard]] constexpr bool isContinuation(std::uint8_t b) noexcept { return (b & 0xC0) == 0x80; }

// The code point whose encoding starts at p.
[[nodiscard]] inline char32_t decodeAt(const std::uint8_t* p) noexcept {
  const std::uint32_t b0 = p[0];
  switch (leadWidth(p[0])) {
    case 1:
      return b0;
    case 2:
      return ((b0 << 6) & 0x7C0u) | (p[1] & 0x3Fu);
    case 3:
      return ((b0 << 12) & 0xFFFFu) | ((std::uint32_t{p[1]} << 6) & 0xFC0u) | (p[2] & 0x3Fu);
    default:
      return ((b0 << 18) & 0x1C0000u) | ((std::uint32_t{p[1]} << 12) & 0x3F000u) |
             ((std::uint32_t{p[2]} << 6) & 0xFC0u) | (p[3] & 0x3Fu);
  }
}

// The code point whose encoding ends just before end; each earlier byte is
// the lead when its bit 0x40 is set.
[[nodiscard]] inline char32_t decodeBefore(const std::uint8_t* end) noexcept {
  const std::uint32_t last = end[-1];
  if (last < 0x80) return last;
  const std::uint32_t b2 = end[-2];
  if (b2 & 0x40) return ((b2 << 6) & 0x7C0u) | (last & 0x3Fu);
  const std::uint32_t b3 = end[-3];
  if (b3 & 0x40) return ((b3 << 12) & 0xFFFFu) | ((b2 << 6) & 0xFC0u) | (last & 0x3Fu);
  const std::uint32_t b4 = end[-4];
  return ((b4 << 18) & 0x1C0000u) | ((b3 << 12) & 0x3F000u) | ((b2 << 6) & 0xFC0u) | (last & 0x3Fu);
}

// Writes c (already a scalar value) and returns the pointer past it.
inline std::uint8_t* encode(char32_t c, std::uint8_t* out) noexcept {
  if (c < 0x80) {
    *out++ = static_cast<std::uint8_t>(c);
  } else if (c < 0x800) {
    *out++ = static_cast<std::uint8_t>(0xC0 | (c >> 6));
    *out++ = static_cast<std::uint8_t>(0x80 | (c & 0x3F));
  } else if (c <= 0xFFFF) {
    *out++ = static_cast<std::uint8_t>(0xE0 | (c >> 12));
    *out++ = static_cast<std::uint8_t>(0x80 | ((c >> 6) & 0x3F));
    *out++ = static_cast<std::uint8_t>(0x80 | (c & 0x3F));
  } else {
    *out++ = static_cast<std::uint8_t>(0xF0 | (c >> 18));
    *out++ = static_cast<std::uint8_t>(0x80 | ((c >> 12) & 0x3F));
    *out++ = static_cast<std::uint8_t>(0x80 | ((c >> 6) & 0x3F));
    *out++ = static_cast<std::uint8_t>(0x80 | (c & 0x3F));
  }
  return out;
}

}  // namespace quire::brevity::detail
