// The per-unit primitives behind the character and markup encoders.
#pragma once

#include <cstddef>
#include <cstdint>

#include "base/builder.hpp"
#include "quill/internal/escape.hpp"

namespace quire::quill::detail {

// The low eight bits of a code point, as one byte.
struct StoreLow8 {
  static constexpr std::size_t width = 1;
  void operator()(char32_t c, std::uint8_t* out) const noexcept {
    *out = static_cast<std::uint8_t>(c);
  }
};
inline constexpr builder::FixedPrim<char32_t, StoreLow8> char8Prim{1, {}};

// A character through the escape table below 128, as UTF-8 above.
struct StoreHtmlChar {
  std::uint8_t* operator()(char32_t c, std::uint8_t* out) const noexcept {
    if (c < 0x80) return storeEscapedByte(static_cast<std::uint8_t>(c), out);
    return builder::encodeCharUtf8.store(c, out);
  }
};
inline constexpr builder::BoundedPrim<char32_t, StoreHtmlChar> htmlCharPrim{maxEscapedLength, {}};

struct StoreEscapedWord {
  std::uint8_t* operator()(std::uint8_t b, std::uint8_t* out) const noexcept {
    return storeEscapedByte(b, out);
  }
};

}  // namespace quire::quill::detail
