// Filling words onto lines straight into a caller's buffer: the streaming
// form of fillSep for programs that write very many small paragraphs (a
// report block per input record) and cannot afford a document for each.
//
// A LineFiller writes through a raw cursor into room the caller reserved
// once for the whole paragraph. A word goes on the current line after a
// space when it fits the page width, otherwise on a new line at the hanging
// indentation; a word wider than the page gets a line of its own and is
// never split. For plain words the output is that of
// displayS(renderPretty(1.0f, width, nest(hanging, fillSep(words)))).
// Parts of a word can be styled with a StyleCode, an SGR sequence computed
// once from a Style; an empty StyleCode writes nothing, so one code path
// serves coloured and plain output. Texts too long for the page are elided
// to their first and last characters around "...", cut only between UTF-8
// characters; a text can be a string_view or anything that hands out its
// characters in pieces (a PieceText such as a laid-out number).
//
// Example:
//   using namespace quire::galley;
//   const StyleCode bold(Style{.intensity = ConsoleIntensity::BoldIntensity});
//   std::string out(256, '\0');
//   LineFiller fill(out.data(), 20);
//   fill.startLine(4);                  // continuation lines start at column 4
//   fill.words("the quick brown fox jumps over");
//   fill.word(Styled("lazy", bold), ",");
//   fill.elidedWord(std::string_view("abcdefghijklmnop"), 9);
//   fill.endLine();
//   out.resize(static_cast<std::size_t>(fill.position() - out.data()));
//   // out == "the quick brown fox\n    jumps over\n    \x1b[1mlazy\x1b[0m,\n    abc...nop\n"
//   elide("0123456789", 7)              // == "01...89"
//
// Note: the filler checks no room. Reserve for each word at most
// wordBound(its bytes, hanging, its styled pieces) bytes, for an elided
// text elidedBound(limit) (or its size when smaller), plus what lead(),
// indent() and endLine() write; see wordBound.
#pragma once

#include <algorithm>
#include <concepts>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <type_traits>

#include "base/utf8.hpp"
#include "galley/doc.hpp"
#include "galley/export.hpp"

namespace quire::galley {

// The escape sequences that turn a Style on and off, computed once so that
// writing them costs a copy. The off sequence is the one the pretty printer
// ends a styled region with at the outermost level. A default StyleCode, or
// one of a Style that sets nothing, is empty: both sequences are "".
class StyleCode {
 public:
  // The most bytes either sequence can take.
  static constexpr std::size_t kMaxSize = 24;

  constexpr StyleCode() noexcept = default;
  QUIRE_GALLEY_EXPORT explicit StyleCode(const Style& style);

  [[nodiscard]] std::string_view on() const noexcept { return {on_, onSize_}; }
  [[nodiscard]] std::string_view off() const noexcept { return {off_, offSize_}; }
  [[nodiscard]] bool empty() const noexcept { return onSize_ == 0; }

 private:
  char on_[kMaxSize] = {};
  char off_[kMaxSize] = {};
  std::uint8_t onSize_ = 0;
  std::uint8_t offSize_ = 0;
};

// A piece of a word written in a style. Holds the view and a reference to
// the code: both must outlive the call it is passed to.
struct Styled {
  Styled(std::string_view t, const StyleCode& s) noexcept : text(t), style(&s) {}
  std::string_view text;
  const StyleCode* style;
};

// A text handed out in pieces rather than held whole (scientific's
// DecimalTextLayout is one): size() counts its characters and
// write(sink, from, count) hands sink(std::string_view) the characters
// [from, from + count) piece by piece. Each character is one byte.
template <class T>
concept PieceText = requires(const T& t, void (*sink)(std::string_view), std::int64_t n) {
  { t.size() } -> std::convertible_to<std::int64_t>;
  t.write(sink, n, n);
};

// A string_view known to hold ASCII (a number's digits): a PieceText, so
// that its width and elision count bytes without looking at them.
struct AsciiText {
  std::string_view text;
  [[nodiscard]] std::int64_t size() const noexcept { return static_cast<std::int64_t>(text.size()); }
  template <class Sink>
  void write(Sink&& sink, std::int64_t from, std::int64_t count) const {
    if (from < size()) sink(text.substr(static_cast<std::size_t>(from), static_cast<std::size_t>(count)));
  }
  char* copyTo(char* out) const noexcept {
    if (!text.empty()) std::memcpy(out, text.data(), text.size());
    return out + text.size();
  }
};

// The characters an elided text of more than limit characters keeps: its
// first and last (limit - 3) / 2, at least one of each, and "...".
[[nodiscard]] constexpr std::int64_t elidedWidth(std::int64_t limit) noexcept {
  return 2 * std::max<std::int64_t>(1, (limit - 3) / 2) + 3;
}
// The most bytes an elided string_view can take (four per character).
[[nodiscard]] constexpr std::size_t elidedBound(std::int64_t limit) noexcept {
  return static_cast<std::size_t>(4 * elidedWidth(limit));
}

namespace detail {
// Whether every byte is below 0x80, eight at a time.
constexpr bool isAscii(std::string_view s) noexcept {
  std::uint64_t high = 0;
  std::size_t i = 0;
  for (; i + 8 <= s.size(); i += 8) {
    std::uint64_t eight = 0;
    for (std::size_t k = 0; k < 8; ++k) eight |= static_cast<std::uint64_t>(static_cast<unsigned char>(s[i + k])) << (8 * k);
    high |= eight;
  }
  for (; i < s.size(); ++i) high |= static_cast<unsigned char>(s[i]);
  return (high & 0x8080808080808080u) == 0;
}
// Whether byte i of s starts a character as elision counts them: every byte
// that starts a UTF-8 character, and a continuation byte more than three
// bytes past the last one that does (malformed text), so that no character
// spans more than four bytes.
constexpr bool startsElisionCharacter(std::string_view s, std::size_t i) noexcept {
  if (startsUtf8Character(s[i])) return true;
  for (std::size_t k = 1; k <= 3 && k <= i; ++k) {
    if (startsUtf8Character(s[i - k])) return false;
  }
  return true;
}
}  // namespace detail

// The characters of a text as elision counts them: for well-formed UTF-8
// its characters; for a PieceText its size().
[[nodiscard]] constexpr std::int64_t elisionLength(std::string_view s) noexcept {
  const auto characters = static_cast<std::int64_t>(countUtf8Characters(s));
  if (characters == static_cast<std::int64_t>(s.size())) return characters;  // ASCII
  std::int64_t n = 0;
  for (std::size_t i = 0; i < s.size(); ++i) n += detail::startsElisionCharacter(s, i);
  return n;
}
template <PieceText T>
[[nodiscard]] std::int64_t elisionLength(const T& t) noexcept(noexcept(t.size())) {
  return static_cast<std::int64_t>(t.size());
}

// Hands sink the elided form of s (or s whole when it has at most limit
// characters) in pieces, "..." among them.
template <class Sink>
void writeElided(std::string_view s, std::int64_t limit, Sink&& sink) {
  if (static_cast<std::int64_t>(s.size()) <= limit || elisionLength(s) <= limit) {
    if (!s.empty()) sink(s);
    return;
  }
  const std::int64_t keep = (elidedWidth(limit) - 3) / 2;
  std::size_t head = 0;
  for (std::int64_t n = keep; head < s.size(); ++head) {
    if (detail::startsElisionCharacter(s, head) && n-- == 0) break;
  }
  std::size_t tail = s.size();
  for (std::int64_t n = keep; tail > 0 && n > 0;) {
    if (detail::startsElisionCharacter(s, --tail)) --n;
  }
  sink(s.substr(0, head));
  sink(std::string_view("..."));
  sink(s.substr(tail));
}
template <PieceText T, class Sink>
void writeElided(const T& t, std::int64_t limit, Sink&& sink) {
  const auto size = static_cast<std::int64_t>(t.size());
  if (size <= limit) {
    t.write(sink, 0, size);
    return;
  }
  const std::int64_t keep = (elidedWidth(limit) - 3) / 2;
  t.write(sink, 0, keep);
  sink(std::string_view("..."));
  t.write(sink, size - keep, keep);
}

// s whole when it has at most limit characters, otherwise its first and
// last characters around "...", elidedWidth(limit) characters in all.
[[nodiscard]] QUIRE_GALLEY_EXPORT std::string elide(std::string_view s, std::int64_t limit);

class LineFiller {
 public:
  // The most bytes a word of `bytes` bytes with `styledPieces` styled
  // pieces costs when continuation lines start at `hanging`: the space or
  // line break and indentation before it, its bytes, and each styled
  // piece's on and off sequences.
  [[nodiscard]] static constexpr std::size_t wordBound(std::size_t bytes, std::int64_t hanging,
                                                       std::size_t styledPieces = 0) noexcept {
    return 1 + static_cast<std::size_t>(std::max<std::int64_t>(hanging, 0)) + bytes +
           2 * StyleCode::kMaxSize * styledPieces;
  }

  // Writes at out; lines are `width` columns wide.
  LineFiller(char* out, std::int64_t width) noexcept : p_(out), width_(width) {}

  // Where the next byte goes: the end of what was written.
  [[nodiscard]] char* position() const noexcept { return p_; }
  [[nodiscard]] std::int64_t column() const noexcept { return column_; }

  // The cursor is at the start of a line: words follow, and lines they
  // break onto start with `hanging` spaces (none when negative).
  void startLine(std::int64_t hanging = 0) noexcept {
    column_ = 0;
    hanging_ = std::max<std::int64_t>(hanging, 0);
    first_ = true;
  }
  // Before the line's first word: n spaces (none when negative), or spaces
  // up to column c; the first word follows without a space of its own.
  void indent(std::int64_t n) noexcept {
    if (n <= 0) return;
    std::memset(p_, ' ', static_cast<std::size_t>(n));
    p_ += n;
    column_ += n;
  }
  void padTo(std::int64_t c) noexcept { indent(c - column_); }
  // Before the line's first word: ASCII pieces that are not a word (a
  // label), their width their sizes; leadOfWidth for other text.
  template <class... Pieces>
  void lead(const Pieces&... pieces) noexcept {
    leadOfWidth((std::int64_t{0} + ... + pieceSize(pieces)), pieces...);
  }
  template <class... Pieces>
  void leadOfWidth(std::int64_t width, const Pieces&... pieces) noexcept {
    (put(pieces), ...);
    column_ += width;
  }
  void endLine() noexcept { *p_++ = '\n'; }

  // A word of ASCII pieces (string_views, Styled parts and PieceTexts), its
  // width their sizes.
  template <class... Pieces>
  void word(const Pieces&... pieces) noexcept {
    beginWord((std::int64_t{0} + ... + pieceSize(pieces)));
    (put(pieces), ...);
  }
  // A word of pieces whose width the caller knows.
  template <class... Pieces>
  void wordOfWidth(std::int64_t width, const Pieces&... pieces) noexcept {
    beginWord(width);
    (put(pieces), ...);
  }
  // A word of any UTF-8 text, its width its characters.
  void textWord(std::string_view s) noexcept {
    wordOfWidth(static_cast<std::int64_t>(countUtf8Characters(s)), s);
  }
  // Each run of characters between spaces as a word (UTF-8 words counted
  // by characters).
  void words(std::string_view sentence) noexcept {
    const bool ascii = detail::isAscii(sentence);
    std::size_t start = 0;
    while (start < sentence.size()) {
      std::size_t end = sentence.find(' ', start);
      if (end == std::string_view::npos) end = sentence.size();
      if (end > start) {
        const std::string_view w = sentence.substr(start, end - start);
        ascii ? word(w) : textWord(w);
      }
      start = end + 1;
    }
  }
  // A text (a string_view or a PieceText) as one word, elided when it has
  // more than limit characters.
  template <class Text>
  void elidedWord(const Text& text, std::int64_t limit) noexcept {
    const std::int64_t length = elisionLength(text);
    if (length > limit) {
      beginWord(elidedWidth(limit));
    } else if constexpr (std::is_convertible_v<const Text&, std::string_view>) {
      beginWord(static_cast<std::int64_t>(countUtf8Characters(text)));
    } else {
      beginWord(length);
    }
    putElided(text, limit);
  }

  // The parts words are made of, for words put together by hand: first
  // beginWord(width), which writes the space or line break and counts the
  // word's width, then the word's bytes.
  void beginWord(std::int64_t width) noexcept {
    if (!first_) {
      if (column_ + 1 + width <= width_) {
        *p_++ = ' ';
        ++column_;
      } else {
        *p_++ = '\n';
        column_ = 0;
        indent(hanging_);
      }
    }
    first_ = false;
    column_ += width;
  }
  void put(std::string_view s) noexcept {
    if (!s.empty()) putBytes(s);  // an empty view may carry no address, which memcpy must not see
  }
  // Nothing for an empty text, not even the codes.
  void put(const Styled& s) noexcept {
    if (s.text.empty()) return;
    styleOn(*s.style);
    put(s.text);
    styleOff(*s.style);
  }
  template <PieceText T>
  void put(const T& t) {
    if constexpr (requires(char* out) { out = t.copyTo(out); }) {
      p_ = t.copyTo(p_);
    } else {
      t.write([this](std::string_view piece) { put(piece); }, 0, static_cast<std::int64_t>(t.size()));
    }
  }
  template <class Text>
  void putElided(const Text& text, std::int64_t limit) {
    if constexpr (PieceText<Text>) {
      if (static_cast<std::int64_t>(text.size()) <= limit) {
        put(text);
        return;
      }
    }
    writeElided(text, limit, [this](std::string_view piece) { put(piece); });
  }
  void styleOn(const StyleCode& s) noexcept {
    if (!s.empty()) putBytes(s.on());
  }
  void styleOff(const StyleCode& s) noexcept {
    if (!s.empty()) putBytes(s.off());
  }

 private:
  void putBytes(std::string_view s) noexcept {
    std::memcpy(p_, s.data(), s.size());
    p_ += s.size();
  }
  static std::int64_t pieceSize(std::string_view s) noexcept { return static_cast<std::int64_t>(s.size()); }
  static std::int64_t pieceSize(const Styled& s) noexcept { return static_cast<std::int64_t>(s.text.size()); }
  template <PieceText T>
  static std::int64_t pieceSize(const T& t) noexcept {
    return static_cast<std::int64_t>(t.size());
  }

  char* p_;
  std::int64_t width_;
  std::int64_t column_ = 0;
  std::int64_t hanging_ = 0;
  bool first_ = true;
};

}  // namespace quire::galley
