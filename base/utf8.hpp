// Decoding one UTF-8 sequence, for readers that walk text themselves, and
// appending one code point as UTF-8, for writers of text forms.
//
// decodeUtf8Sequence looks at the bytes at p (before end) and answers the
// length of the well-formed sequence there (1 to 4) with its code point, or
// 0 when the bytes do not start one: a stray continuation byte, an overlong
// form, a surrogate, a value above U+10FFFF or a sequence cut off by end.
// The rules are those of quire::isValidUtf8. What to do with a malformed
// byte (copy it, replace it, stop) is the caller's choice.
//
// Example:
//   const unsigned char s[] = {0xC3, 0xA9, 0xFF};
//   char32_t c;
//   quire::decodeUtf8Sequence(s, s + 3, c);      // 2, c == U'\u00E9'
//   quire::decodeUtf8Sequence(s + 2, s + 3, c);  // 0: 0xFF starts nothing
//   std::string out;
//   quire::appendUtf8(out, U'\u00E9');            // out == "\xC3\xA9"
//   quire::countUtf8Characters("\xC3\xA9t\xC3\xA9")  // 3
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace quire {

// Appends c as UTF-8; a surrogate or a value above U+10FFFF, which UTF-8
// cannot carry, becomes U+FFFD.
inline void appendUtf8(std::string& out, char32_t c) {
  if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) c = 0xFFFD;
  if (c < 0x80) {
    out.push_back(static_cast<char>(c));
  } else if (c < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (c >> 6)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else if (c < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (c >> 12)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (c >> 18)));
    out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  }
}


[[nodiscard]] constexpr int decodeUtf8Sequence(const unsigned char* p, const unsigned char* end,
                                               char32_t& c) noexcept {
  const unsigned lead = p[0];
  if (lead < 0x80) {
    c = lead;
    return 1;
  }
  int extra;
  unsigned low = 0x80, high = 0xBF;  // range of the second byte
  if (lead >= 0xC2 && lead <= 0xDF) {
    extra = 1;
    c = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    extra = 2;
    c = lead & 0x0F;
    if (lead == 0xE0) low = 0xA0;   // no overlong forms
    if (lead == 0xED) high = 0x9F;  // no surrogates
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    extra = 3;
    c = lead & 0x07;
    if (lead == 0xF0) low = 0x90;   // no overlong forms
    if (lead == 0xF4) high = 0x8F;  // nothing above U+10FFFF
  } else {
    return 0;
  }
  if (end - p <= extra || p[1] < low || p[1] > high) return 0;
  for (int k = 1; k <= extra; ++k) {
    if ((p[k] & 0xC0) != 0x80) return 0;
    c = (c << 6) | (p[k] & 0x3Fu);
  }
  return extra + 1;
}

// Whether the byte starts a character: every byte but a continuation byte
// does. Readers that count columns in characters step by this.
constexpr bool startsUtf8Character(char c) noexcept { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }

// The characters of UTF-8 text, counted by the bytes that start one (a
// malformed byte counts as one character, a stray continuation byte as none).
constexpr std::size_t countUtf8Characters(std::string_view s) noexcept {
  std::size_t n = 0;
  for (char c : s) n += startsUtf8Character(c);
  return n;
}

}  // namespace quire
