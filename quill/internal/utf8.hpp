// Lenient UTF-8 decoding for the character encoders.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "base/utf8.hpp"

namespace quire::quill::detail {

// Decodes the character at p (p < end) and advances p past it. A byte that
// does not start a well-formed sequence (a stray continuation byte, an
// overlong form, a surrogate, a value above U+10FFFF, a truncated sequence)
// decodes as U+FFFD and consumes that one byte, so decoding always moves on.
inline char32_t decodeUtf8(const std::uint8_t*& p, const std::uint8_t* end) noexcept {
  char32_t c = 0;
  const int length = decodeUtf8Sequence(p, end, c);
  if (length == 0) {
    ++p;
    return U'\uFFFD';
  }
  p += length;
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
