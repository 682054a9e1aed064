// The character and markup encoders of char_utf8, char8, html_utf8 and
// html_word.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "quill/char8.hpp"
#include "quill/char_utf8.hpp"
#include "quill/html_utf8.hpp"
#include "quill/html_word.hpp"
#include "quill/internal/char_prims.hpp"
#include "quill/internal/each_chunk.hpp"
#include "quill/internal/escape.hpp"
#include "quill/internal/utf8.hpp"

namespace quire::quill {

namespace {

using builder::BufferFull;
using builder::BufferRange;
using builder::Builder;
using builder::BuildSignal;
using builder::BuildStep;
using builder::Done;

const std::uint8_t* bytesOf(const Bytes& b) {
  return reinterpret_cast<const std::uint8_t*>(b.data());
}

// Decodes the characters of UTF-8 bytes one at a time and writes each
// through prim, checking prim's bound before every character.
template <class Prim>
struct TextCharsStep {
  Prim prim;
  Bytes utf8;
  std::size_t pos;

  BuildSignal operator()(BufferRange r) const {
    const std::uint8_t* start = bytesOf(utf8);
    const std::uint8_t* in = start + pos;
    const std::uint8_t* end = start + utf8.size();
    std::uint8_t* cur = r.cur;
    while (in < end) {
      // Each character of the run has its bound free when its turn comes.
      std::size_t room = static_cast<std::size_t>(r.end - cur) / prim.bound;
      if (room == 0) {
        auto at = static_cast<std::size_t>(in - start);
        return BufferFull{prim.bound, cur, BuildStep(TextCharsStep{prim, utf8, at})};
      }
      for (; room > 0 && in < end; --room) cur = prim.store(detail::decodeUtf8(in, end), cur);
    }
    return Done{cur};
  }
};

template <class Prim>
Builder textChars(const Prim& prim, const Text& t) {
  if (t.empty()) return Builder();
  return Builder(BuildStep(TextCharsStep<Prim>{prim, t.utf8Bytes(), 0}));
}

template <class Prim>
Builder lazyTextChars(const Prim& prim, const ChunkedText& t) {
  return detail::eachChunk(t, [&prim](const Text& chunk) { return textChars(prim, chunk); });
}

template <class Prim>
Builder stringChars(const Prim& prim, std::u32string_view s) {
  return builder::primMapListBounded(prim, std::u32string(s));
}

// Escapes bytes in batches: with f bytes free, f / 6 input bytes at once.
struct EscapedBytesStep {
  Bytes bytes;
  std::size_t pos;

  BuildSignal operator()(BufferRange r) const {
    const std::uint8_t* start = bytesOf(bytes);
    std::size_t at = pos;
    std::uint8_t* cur = r.cur;
    while (at < bytes.size()) {
      std::size_t batch = static_cast<std::size_t>(r.end - cur) / detail::maxEscapedLength;
      if (batch == 0) {
        return BufferFull{detail::maxEscapedLength, cur, BuildStep(EscapedBytesStep{bytes, at})};
      }
      batch = std::min(batch, bytes.size() - at);
      cur = detail::escapeRun(start + at, batch, cur);
      at += batch;
    }
    return Done{cur};
  }
};

Builder escapedBytes(Bytes b) {
  if (b.empty()) return Builder();
  return Builder(BuildStep(EscapedBytesStep{std::move(b), 0}));
}

const auto utf8Prim = builder::encodeCharUtf8;
const auto char8Bounded = builder::liftFixedToBounded(detail::char8Prim);

}  // namespace

namespace char_utf8 {

Builder fromChar(char32_t c) { return builder::primBounded(utf8Prim, c); }
Builder fromString(std::u32string_view s) { return stringChars(utf8Prim, s); }
Builder fromText(Text t) { return textChars(utf8Prim, t); }
Builder fromLazyText(const ChunkedText& t) { return lazyTextChars(utf8Prim, t); }

}  // namespace char_utf8

namespace char8 {

Builder fromChar(char32_t c) { return builder::primBounded(char8Bounded, c); }
Builder fromString(std::u32string_view s) { return stringChars(char8Bounded, s); }
Builder fromText(Text t) { return textChars(char8Bounded, t); }
Builder fromLazyText(const ChunkedText& t) { return lazyTextChars(char8Bounded, t); }

}  // namespace char8

namespace html_utf8 {

Builder fromHtmlEscapedChar(char32_t c) { return builder::primBounded(detail::htmlCharPrim, c); }
Builder fromHtmlEscapedString(std::u32string_view s) {
  return stringChars(detail::htmlCharPrim, s);
}
Builder fromHtmlEscapedText(Text t) { return escapedBytes(t.utf8Bytes()); }
Builder fromHtmlEscapedLazyText(const ChunkedText& t) {
  return detail::eachChunk(t, [](const Text& chunk) { return escapedBytes(chunk.utf8Bytes()); });
}

}  // namespace html_utf8

namespace html_word {

Builder fromHtmlEscapedWord(std::uint8_t b) { return builder::primBounded(wordHtmlEscaped, b); }
Builder fromHtmlEscapedWordList(std::vector<std::uint8_t> bs) {
  return builder::primMapListBounded(wordHtmlEscaped, std::move(bs));
}
Builder fromHtmlEscapedByteString(Bytes s) { return escapedBytes(std::move(s)); }
Builder fromHtmlEscapedLazyByteString(const ChunkedBytes& s) {
  return detail::eachChunk(s, escapedBytes);
}

}  // namespace html_word

}  // namespace quire::quill
