// Lenient UTF-8 decoding for the character encoders.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace quire::quill::detail {

// Decodes the character at p (p < end) and advances p past it. A byte that
// does not start a well-formed sequence (a stray continuation byte, an
// overlong form, a surrogate, a value above U+10FFFF, a truncated sequence)
// decodes as U+FFFD and consumes that one byte, so decoding always moves on.
inline char32_t decodeUtf8(const std::uint8_t*& p, const std::uint8_t* end) noexcept {
  const std::uint8_t lead = *p;
  if (lead < 0x80) {
    ++p;
    return lead;
  }
  std::size_t extra = 0;
  std::uint8_t low = 0x80, high = 0xBF;  // range of the second byte
  char32_t c = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    extra = 1;
    c = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    extra = 2;
    c = lead & 0x0F;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    extra = 3;
    c = lead & 0x07;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  }
  if (extra == 0 || static_cast<std::size_t>(end - p) <= extra || p[1] < low || p[1] > high) {
    ++p;
    return U'\uFFFD';
  }
  for (std::size_t k = 1; k <= extra; ++k) {
    if ((p[k] & 0xC0) != 0x80) {
      ++p;
      return U'\uFFFD';
    }
    c = (c << 6) | (p[k] & 0x3F);
  }
  p += extra + 1;
  return c;
}

// Every character of s; malformed bytes become U+FFFD.
inline std::u32string decodeUtf8(std::string_view s) {
  std::u32string out;
  out.reserve(s.size());
  const auto* p = reinterpret_cast<const std::uint8_t*>(s.data());
  const auto* end = p + s.size();
  while (p < end) out.push_back(decodeUtf8(p, end));
  return out;
}

}  // namespace quire::quill::detail
