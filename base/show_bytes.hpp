// Text forms of raw byte strings, where every byte stands for the character
// with that code (U+0000 to U+00FF), and reading them back.
//
// showBytesLiteral writes the bytes as a literal in the usual syntax of
// base/show.hpp: a byte 0xE9 becomes the character U+00E9 (so it shows as
// "é" in UTF-8), bytes 0x80 to 0x9F become octal escapes, and the escapes
// for quotes, backslashes and control bytes are the same. readBytesLiteral
// undoes it; a literal holding a character above U+00FF is not a byte
// string and is refused.
//
// Example:
//   quire::showBytesLiteral("a\"\xE9");       // "\"a\\\"\xC3\xA9\""
//   auto r = quire::readBytesLiteral("\"a\\351\" x");
//   // r->value == "a\xE9", r->rest == " x"
//   quire::readBytesLiteral("\"\xE2\x82\xAC\"");  // nullopt: U+20AC is no byte
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "base/show.hpp"

namespace quire {

// Appends bytes as a literal, each byte as the character with its code.
inline void appendBytesLiteral(std::string& out, std::string_view bytes) {
  std::string latin1;
  latin1.reserve(bytes.size() + bytes.size() / 4);
  for (char c : bytes) detail::appendLatin1AsUtf8(latin1, static_cast<unsigned char>(c));
  appendLiteral(out, latin1);
}

[[nodiscard]] inline std::string showBytesLiteral(std::string_view bytes) {
  std::string out;
  appendBytesLiteral(out, bytes);
  return out;
}

// Reads a literal at the very start of text (no white space skipped) whose
// characters are all U+0000..U+00FF and returns them as bytes with the text
// after it; nullopt for a malformed literal or a character above U+00FF.
[[nodiscard]] inline std::optional<Reading<std::string>> readBytesLiteral(std::string_view text) {
  auto literal = readLiteral(text);
  if (!literal) return std::nullopt;
  const std::string& utf8 = literal->value;
  std::string bytes;
  bytes.reserve(utf8.size());
  for (std::size_t i = 0; i < utf8.size(); ++i) {
    const auto lead = static_cast<unsigned char>(utf8[i]);
    if (lead < 0x80) {
      bytes.push_back(static_cast<char>(lead));
    } else if ((lead == 0xC2 || lead == 0xC3) && i + 1 < utf8.size() &&
               (static_cast<unsigned char>(utf8[i + 1]) & 0xC0) == 0x80) {
      bytes.push_back(static_cast<char>(((lead & 0x03) << 6) |
                                        (static_cast<unsigned char>(utf8[++i]) & 0x3F)));
    } else {
      return std::nullopt;
    }
  }
  return Reading<std::string>{std::move(bytes), literal->rest};
}

}  // namespace quire
