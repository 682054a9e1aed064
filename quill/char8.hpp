// Characters as single bytes: the low eight bits of each code point.
//
// Code points above 255 are truncated, not rejected: U+0141 is written as
// the byte 0x41. Each character needs exactly one free byte.
//
// Example:
//   namespace c8 = quire::quill::char8;
//   // toByteString(c8::fromString(U"ab")).view() == "ab"
//   // toByteString(c8::fromChar(U'\u0141')).view() == "A"
//   // getBound(c8::writeChar(U'x')) == 1
#pragma once

#include <string_view>

#include "base/builder.hpp"
#include "base/bytes.hpp"
#include "quill/export.hpp"
#include "quill/internal/char_prims.hpp"
#include "quill/internal/show_text.hpp"
#include "quill/internal/utf8.hpp"
#include "quill/write.hpp"

namespace quire::quill::char8 {

// The low byte of c: an exact write of length 1.
[[nodiscard]] inline auto writeChar(char32_t c) { return writePrimFixed(detail::char8Prim, c); }

QUIRE_QUILL_EXPORT builder::Builder fromChar(char32_t c);
// The low byte of each character of s in order.
QUIRE_QUILL_EXPORT builder::Builder fromString(std::u32string_view s);
// The low byte of each character of t, decoded from UTF-8 (a malformed
// byte decodes as U+FFFD, written as 0xFD).
QUIRE_QUILL_EXPORT builder::Builder fromText(Text t);
// fromText of each chunk in order.
QUIRE_QUILL_EXPORT builder::Builder fromLazyText(const ChunkedText& t);

// fromString of v's text form (see char_utf8::fromShow).
template <class T>
[[nodiscard]] builder::Builder fromShow(const T& v) {
  return fromString(detail::decodeUtf8(detail::showText(v)));
}

}  // namespace quire::quill::char8
