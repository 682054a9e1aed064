// Characters as UTF-8.
//
// Each character needs 4 free bytes before it is written, whatever its
// length (1 to 4 bytes). Surrogate code points take the three-byte form like
// any other value below U+10000; values above U+10FFFF, which have no UTF-8
// form, are written as U+FFFD.
//
// Example:
//   namespace u8 = quire::quill::char_utf8;
//   // toByteString(u8::fromString(U"a€")).view() == "a\xE2\x82\xAC"
//   // getBound(u8::writeChar(U'a')) == 4
//   // toByteString(u8::fromShow(42)).view() == "42"
#pragma once

#include <string_view>

#include "base/builder.hpp"
#include "base/bytes.hpp"
#include "quill/export.hpp"
#include "quill/internal/show_text.hpp"
#include "quill/internal/utf8.hpp"
#include "quill/write.hpp"

namespace quire::quill::char_utf8 {

// c in UTF-8: a bounded write of bound 4.
[[nodiscard]] inline auto writeChar(char32_t c) {
  return writePrimBounded(builder::encodeCharUtf8, c);
}

QUIRE_QUILL_EXPORT builder::Builder fromChar(char32_t c);
// Each character of s in order.
QUIRE_QUILL_EXPORT builder::Builder fromString(std::u32string_view s);
// Each character of t in order. Text is trusted to be UTF-8; a malformed
// byte in it is written as U+FFFD.
QUIRE_QUILL_EXPORT builder::Builder fromText(Text t);
// fromText of each chunk in order.
QUIRE_QUILL_EXPORT builder::Builder fromLazyText(const ChunkedText& t);

// fromString of v's text form: show(v) where the value's namespace has one,
// operator<< otherwise.
template <class T>
[[nodiscard]] builder::Builder fromShow(const T& v) {
  return fromString(detail::decodeUtf8(detail::showText(v)));
}

}  // namespace quire::quill::char_utf8
