// Characters as UTF-8 with markup escaping, for HTML and XML text.
//
// Below 128 each character goes through the escape table: < > & " ' become
// "&lt;" "&gt;" "&amp;" "&quot;" "&#39;"; tab, line feed and carriage return
// stay; the other control characters and DEL are removed; the rest stays.
// Characters from 128 up are written in UTF-8, never escaped. Each character
// needs 6 free bytes before it is written.
//
// Example:
//   namespace h = quire::quill::html_utf8;
//   // toByteString(h::fromHtmlEscapedString(U"<a href='x'>")).view()
//   //   == "&lt;a href=&#39;x&#39;&gt;"
//   // toByteString(h::fromHtmlEscapedText(quire::Text("Tom & Jerry"))).view()
//   //   == "Tom &amp; Jerry"
#pragma once

#include <string_view>

#include "base/builder.hpp"
#include "base/bytes.hpp"
#include "quill/export.hpp"
#include "quill/internal/char_prims.hpp"
#include "quill/internal/show_text.hpp"
#include "quill/internal/utf8.hpp"
#include "quill/write.hpp"

namespace quire::quill::html_utf8 {

// c escaped: a bounded write of bound 6.
[[nodiscard]] inline auto writeHtmlEscapedChar(char32_t c) {
  return writePrimBounded(detail::htmlCharPrim, c);
}

QUIRE_QUILL_EXPORT builder::Builder fromHtmlEscapedChar(char32_t c);
// Each character of s escaped, in order.
QUIRE_QUILL_EXPORT builder::Builder fromHtmlEscapedString(std::u32string_view s);
// The UTF-8 bytes of t: bytes below 128 through the escape table, the rest
// copied as they are. Works in batches: with f bytes free, f / 6 input bytes
// are escaped in one loop without further checks.
QUIRE_QUILL_EXPORT builder::Builder fromHtmlEscapedText(Text t);
// fromHtmlEscapedText of each chunk in order.
QUIRE_QUILL_EXPORT builder::Builder fromHtmlEscapedLazyText(const ChunkedText& t);

// fromHtmlEscapedString of v's text form (see char_utf8::fromShow).
template <class T>
[[nodiscard]] builder::Builder fromHtmlEscapedShow(const T& v) {
  return fromHtmlEscapedString(detail::decodeUtf8(detail::showText(v)));
}

}  // namespace quire::quill::html_utf8
