// Bytes with markup escaping.
//
// Bytes below 128 go through the same escape table as html_utf8 (see
// quill/html_utf8.hpp); bytes from 128 up are written unchanged, so UTF-8
// input stays UTF-8. Each byte needs 6 free bytes before it is written.
//
// Example:
//   namespace hw = quire::quill::html_word;
//   // toByteString(hw::fromHtmlEscapedByteString(quire::Bytes("a<b"))).view()
//   //   == "a&lt;b"
//   // toByteString(hw::fromHtmlEscapedWord(200)).view() == "\xC8"
#pragma once

#include <cstdint>
#include <vector>

#include "base/builder.hpp"
#include "base/bytes.hpp"
#include "quill/export.hpp"
#include "quill/internal/char_prims.hpp"
#include "quill/write.hpp"

namespace quire::quill::html_word {

// The bounded primitive (bound 6) for one byte through the escape table.
inline constexpr builder::BoundedPrim<std::uint8_t, detail::StoreEscapedWord> wordHtmlEscaped{
    detail::maxEscapedLength, {}};

// b escaped: a bounded write of bound 6.
[[nodiscard]] inline auto writeHtmlEscapedWord(std::uint8_t b) {
  return writePrimBounded(wordHtmlEscaped, b);
}

QUIRE_QUILL_EXPORT builder::Builder fromHtmlEscapedWord(std::uint8_t b);
// Each byte of bs escaped, in order.
QUIRE_QUILL_EXPORT builder::Builder fromHtmlEscapedWordList(std::vector<std::uint8_t> bs);
// Each byte of s escaped, in order (in batches, as fromHtmlEscapedText).
QUIRE_QUILL_EXPORT builder::Builder fromHtmlEscapedByteString(Bytes s);
// fromHtmlEscapedByteString of each chunk in order.
QUIRE_QUILL_EXPORT builder::Builder fromHtmlEscapedLazyByteString(const ChunkedBytes& s);

}  // namespace quire::quill::html_word
