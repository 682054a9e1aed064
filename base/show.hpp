// Helpers for the text forms of values and for reading them back.
//
// Writing: showParen wraps a text form in parentheses when the surrounding
// precedence asks for it, and showLiteral writes a string as a C++-style
// literal: a double quote, then \" \\ \n \t \r \a \b \f \v for those
// characters, every other control character (U+0000 to U+001F, U+007F and
// U+0080 to U+009F) as a three-digit octal escape \ooo, and everything else
// as it is, so UTF-8 text stays readable.
//
// Reading: readers take a string_view and return every way to read a value
// from its start, each as a Reading (the value and the text left over).
// readLiteral reads one literal back; skipSpace, readToken and readParen are
// the pieces a readsPrec implementation is built from, and onlyFullReading
// picks the single reading that consumes the whole text.
//
// Example:
//   quire::showParen(true, "Just 3");          // "(Just 3)"
//   quire::showLiteral("tab\there \xC3\xA9");  // "\"tab\\there \xC3\xA9\""
//   quire::showLiteral("\x01" "7");            // "\"\\0017\""
//
//   auto lit = quire::readLiteral("\"a\\nb\" rest");
//   // lit->value == "a\nb", lit->rest == " rest"
//
//   // Read a literal inside any number of parentheses:
//   auto readings = quire::readParen(false, " ( (\"x\") ) tail", [](std::string_view s) {
//     std::vector<quire::Reading<std::string>> out;
//     if (auto r = quire::readLiteral(s)) out.push_back(std::move(*r));
//     return out;
//   });
//   // readings.size() == 1, readings[0].value == "x", readings[0].rest == " tail"
#pragma once

#include <concepts>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

namespace quire {

// One way to read a value from the start of a text: the value and the rest
// of the text after it.
template <class T>
struct Reading {
  T value;
  std::string_view rest;
  friend bool operator==(const Reading&, const Reading&) = default;
};

// inner in parentheses when parenthesise is true (the precedence of the
// context is higher than that of the form), otherwise inner unchanged.
[[nodiscard]] inline std::string showParen(bool parenthesise, std::string inner) {
  if (!parenthesise) return inner;
  inner.insert(inner.begin(), '(');
  inner.push_back(')');
  return inner;
}

namespace detail {

// The character a one-letter escape stands for, or 0 when there is none.
constexpr char unescapeLetter(char letter) noexcept {
  switch (letter) {
    case '"': return '"';
    case '\\': return '\\';
    case '\'': return '\'';
    case '?': return '?';
    case 'n': return '\n';
    case 't': return '\t';
    case 'r': return '\r';
    case 'a': return '\a';
    case 'b': return '\b';
    case 'f': return '\f';
    case 'v': return '\v';
    default: return 0;
  }
}

// The letter of the one-letter escape written for c, or 0 when c has none.
constexpr char escapeLetter(char c) noexcept {
  switch (c) {
    case '"': return '"';
    case '\\': return '\\';
    case '\n': return 'n';
    case '\t': return 't';
    case '\r': return 'r';
    case '\a': return 'a';
    case '\b': return 'b';
    case '\f': return 'f';
    case '\v': return 'v';
    default: return 0;
  }
}

inline void appendOctalEscape(std::string& out, unsigned code) {
  const char escape[] = {'\\', static_cast<char>('0' + ((code >> 6) & 7)),
                         static_cast<char>('0' + ((code >> 3) & 7)),
                         static_cast<char>('0' + (code & 7))};
  out.append(escape, sizeof escape);
}

// Appends the character U+0000..U+00FF as UTF-8.
inline void appendLatin1AsUtf8(std::string& out, unsigned code) {
  if (code < 0x80) {
    out.push_back(static_cast<char>(code));
  } else {
    out.push_back(static_cast<char>(0xC0 | (code >> 6)));
    out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
  }
}

constexpr bool isSpace(char c) noexcept {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

constexpr bool isWordChar(char c) noexcept {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
         c == '_' || c == '\'';
}

}  // namespace detail

// Appends s as a literal (see the top of this file) to out.
// Note: bytes that are not valid UTF-8 are copied as they are, so any byte
// string survives a round trip through readLiteral.
inline void appendLiteral(std::string& out, std::string_view s) {
  out.reserve(out.size() + s.size() + 2);
  out.push_back('"');
  for (std::size_t i = 0; i < s.size(); ++i) {
    const char c = s[i];
    const auto byte = static_cast<unsigned char>(c);
    if (char letter = detail::escapeLetter(c)) {
      out.push_back('\\');
      out.push_back(letter);
    } else if (byte < 0x20 || byte == 0x7F) {
      detail::appendOctalEscape(out, byte);
    } else if (byte == 0xC2 && i + 1 < s.size() &&
               static_cast<unsigned char>(s[i + 1]) >= 0x80 &&
               static_cast<unsigned char>(s[i + 1]) <= 0x9F) {
      // U+0080..U+009F, the second block of control characters.
      detail::appendOctalEscape(out, static_cast<unsigned char>(s[++i]));
    } else {
      out.push_back(c);
    }
  }
  out.push_back('"');
}

// s as a literal; see the top of this file.
[[nodiscard]] inline std::string showLiteral(std::string_view s) {
  std::string out;
  appendLiteral(out, s);
  return out;
}

// Reads one literal at the very start of text (no white space skipped) and
// returns the string it stands for with the text after the closing quote,
// or nullopt when text does not start with a well-formed literal.
// Accepted escapes: the one-letter escapes above plus \' and \?, and octal
// escapes of one to three digits naming U+0000..U+00FF (decoded to UTF-8).
// Any other byte, including raw control characters, stands for itself.
[[nodiscard]] inline std::optional<Reading<std::string>> readLiteral(std::string_view text) {
  if (text.empty() || text.front() != '"') return std::nullopt;
  std::string value;
  std::size_t i = 1;
  while (i < text.size()) {
    const char c = text[i++];
    if (c == '"') return Reading<std::string>{std::move(value), text.substr(i)};
    if (c != '\\') {
      value.push_back(c);
      continue;
    }
    if (i == text.size()) break;
    const char e = text[i++];
    if (char plain = detail::unescapeLetter(e)) {
      value.push_back(plain);
    } else if (e >= '0' && e <= '7') {
      unsigned code = static_cast<unsigned>(e - '0');
      for (int digits = 1; digits < 3 && i < text.size() && text[i] >= '0' && text[i] <= '7';
           ++digits) {
        code = code * 8 + static_cast<unsigned>(text[i++] - '0');
      }
      if (code > 0xFF) return std::nullopt;
      detail::appendLatin1AsUtf8(value, code);
    } else {
      return std::nullopt;
    }
  }
  return std::nullopt;  // no closing quote
}

// text without its leading white space (ASCII space, \t, \n, \r, \f, \v).
[[nodiscard]] constexpr std::string_view skipSpace(std::string_view text) noexcept {
  std::size_t i = 0;
  while (i < text.size() && detail::isSpace(text[i])) ++i;
  return text.substr(i);
}

// After optional white space, expects token at the start of text and returns
// the text after it, or nullopt. A token ending in a letter, digit, '_' or
// '\'' must not run on into another such character, so "fromList" does not
// match the start of "fromListX".
[[nodiscard]] constexpr std::optional<std::string_view> readToken(std::string_view text,
                                                                  std::string_view token) noexcept {
  text = skipSpace(text);
  if (!text.starts_with(token)) return std::nullopt;
  text.remove_prefix(token.size());
  if (!token.empty() && detail::isWordChar(token.back()) && !text.empty() &&
      detail::isWordChar(text.front())) {
    return std::nullopt;
  }
  return text;
}

// Every reading of a value read by inner and surrounded by any number of
// parenthesis pairs, white space allowed around each parenthesis; at least
// one pair when required (the context's precedence is higher than the
// form's). inner takes the text at the value (white space skipped) and
// returns std::vector<Reading<T>>. Readings with fewer parentheses come
// first.
// Note: nesting is handled by a loop, so deeply nested input cannot exhaust
// the stack here; inner is called once per possible depth.
template <class Inner>
  requires std::invocable<Inner&, std::string_view>
[[nodiscard]] auto readParen(bool required, std::string_view text, Inner&& inner)
    -> std::invoke_result_t<Inner&, std::string_view> {
  std::invoke_result_t<Inner&, std::string_view> out;
  std::string_view atValue = text;
  for (std::size_t opened = 0;; ++opened) {
    if (opened > 0 || !required) {
      for (auto& reading : std::invoke(inner, skipSpace(atValue))) {
        std::optional<std::string_view> rest = reading.rest;
        for (std::size_t k = 0; k < opened && rest; ++k) rest = readToken(*rest, ")");
        if (rest) out.push_back({std::move(reading.value), *rest});
      }
    }
    std::optional<std::string_view> inside = readToken(atValue, "(");
    if (!inside) return out;
    atValue = *inside;
  }
}

// The value of the only reading whose rest is white space, or nullopt when
// there is none or more than one: the answer of read<T>(text).
template <class T>
[[nodiscard]] std::optional<T> onlyFullReading(std::vector<Reading<T>> readings) {
  std::optional<T> found;
  for (Reading<T>& reading : readings) {
    if (!skipSpace(reading.rest).empty()) continue;
    if (found) return std::nullopt;
    found.emplace(std::move(reading.value));
  }
  return found;
}

}  // namespace quire
