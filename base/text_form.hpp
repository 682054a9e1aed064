// Text forms of ordinary C++ values, for generic wrappers and containers that
// show and read their elements.
//
// TextForm<T> is a trait with two static members:
//   static std::string showsPrec(int precedence, const T& value);
//   static std::vector<Reading<T>> readsPrec(int precedence, std::string_view text);
// showsPrecOf / readsPrecOf dispatch to it. A quire type that has a text form
// specialises the trait, so that containers of it show and read too.
//
// Provided here:
//   integers            decimal; a negative number is parenthesised above
//                       precedence 6 ("-5" at 0, "(-5)" at 11)
//   floating point      shortest round-trip digits: 1.5, 0.1, 1.0e-2, 1.0e7,
//                       NaN, Infinity; negatives as for integers
//   bool                True, False
//   char, char32_t      'a', '\n', '\'' (char32_t as UTF-8)
//   std::string,        string literals as in base/show.hpp (a u32string as
//   std::u32string      UTF-8)
//   std::vector<T>      [a,b,c], elements at precedence 0; a vector of char or
//                       char32_t is a string literal
//   std::pair<A, B>     (a,b)
// Reading accepts what showing writes, with white space between tokens and
// any number of parentheses around a value; a number out of its type's range
// or malformed text gives no reading.
//
// Example:
//   quire::showsPrecOf(0, -5);                            // "-5"
//   quire::showsPrecOf(11, -5);                           // "(-5)"
//   quire::showsPrecOf(0, std::vector<double>{1, 0.5});   // "[1.0,0.5]"
//   quire::showsPrecOf(0, std::vector<char>{'h', 'i'});   // "\"hi\""
//   auto r = quire::readsPrecOf<std::vector<int>>(0, " [1, (-2)] x");
//   // r.size() == 1, r[0].value == {1, -2}, r[0].rest == " x"
//   quire::readOf<int>("99999999999");                    // nullopt (out of range)
#pragma once

#include <charconv>
#include <cmath>
#include <concepts>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <type_traits>
#include <utility>
#include <vector>

#include "base/show.hpp"
#include "base/utf8.hpp"

namespace quire {

// Specialise for a type to give it a text form; see the top of this file.
template <class T>
struct TextForm;

template <class T>
concept Showable = requires(int precedence, const T& value) {
  { TextForm<T>::showsPrec(precedence, value) } -> std::convertible_to<std::string>;
};

template <class T>
concept Readable = requires(int precedence, std::string_view text) {
  { TextForm<T>::readsPrec(precedence, text) } -> std::same_as<std::vector<Reading<T>>>;
};

template <Showable T>
[[nodiscard]] std::string showsPrecOf(int precedence, const T& value) {
  return TextForm<T>::showsPrec(precedence, value);
}

template <Readable T>
[[nodiscard]] std::vector<Reading<T>> readsPrecOf(int precedence, std::string_view text) {
  return TextForm<T>::readsPrec(precedence, text);
}

// The only full reading of text, or nullopt.
template <Readable T>
[[nodiscard]] std::optional<T> readOf(std::string_view text) {
  return onlyFullReading(readsPrecOf<T>(0, text));
}

// Every reading of a value that inner reads, at the surrounding precedence
// without parentheses (unless required) and at precedence 0 inside any number
// of them: inner(precedence, text) is called with white space skipped.
template <class T, class Inner>
[[nodiscard]] std::vector<Reading<T>> readParenPrec(bool required, int precedence,
                                                    std::string_view text, Inner&& inner) {
  std::vector<Reading<T>> out;
  if (!required) out = inner(precedence, skipSpace(text));
  auto nested = readParen(true, text, [&](std::string_view s) { return inner(0, s); });
  for (auto& reading : nested) out.push_back(std::move(reading));
  return out;
}

namespace detail {

template <class T>
concept CharLike = std::same_as<T, char> || std::same_as<T, char32_t>;

template <class T>
concept PlainInteger = std::integral<T> && !std::same_as<T, bool> && !std::same_as<T, char> &&
                       !std::same_as<T, char8_t> && !std::same_as<T, char16_t> &&
                       !std::same_as<T, char32_t> && !std::same_as<T, wchar_t>;

constexpr bool isDigit(char c) noexcept { return c >= '0' && c <= '9'; }

inline std::size_t countDigits(std::string_view text, std::size_t from) noexcept {
  std::size_t i = from;
  while (i < text.size() && isDigit(text[i])) ++i;
  return i - from;
}

// A leading '-' is part of a number only at precedence 6 or below, as a
// negative number shows in parentheses above that.
inline bool minusAllowed(int precedence) noexcept { return precedence <= 6; }


// Decodes one well-formed UTF-8 character at the start of s; returns the
// character and its length in bytes, or nullopt.
inline std::optional<std::pair<char32_t, std::size_t>> decodeUtf8(std::string_view s) noexcept {
  if (s.empty()) return std::nullopt;
  const auto* p = reinterpret_cast<const unsigned char*>(s.data());
  char32_t c = 0;
  const int length = decodeUtf8Sequence(p, p + s.size(), c);
  if (length == 0) return std::nullopt;
  return std::pair{c, static_cast<std::size_t>(length)};
}

inline std::optional<std::u32string> decodeUtf8All(std::string_view s) {
  std::u32string out;
  while (!s.empty()) {
    auto decoded = decodeUtf8(s);
    if (!decoded) return std::nullopt;
    out.push_back(decoded->first);
    s.remove_prefix(decoded->second);
  }
  return out;
}

inline std::string encodeUtf8(std::u32string_view s) {
  std::string out;
  out.reserve(s.size());
  for (char32_t c : s) appendUtf8(out, c);
  return out;
}

// A character literal: the character in single quotes, escaped as in a
// string literal except that ' is escaped and " is not.
inline std::string showCharLiteral(std::string_view utf8) {
  if (utf8 == "'") return "'\\''";
  if (utf8 == "\"") return "'\"'";
  std::string inner = showLiteral(utf8);
  inner.front() = '\'';
  inner.back() = '\'';
  return inner;
}

// Reads a character literal at the start of text: the UTF-8 of one character
// (or one byte escape) and the rest.
inline std::optional<Reading<std::string>> readCharLiteral(std::string_view text) {
  if (text.size() < 3 || text.front() != '\'') return std::nullopt;
  // Reuse the string-literal reader on the same body with double quotes.
  std::size_t close = text.find('\'', text[1] == '\\' ? 3 : 2);
  if (close == std::string_view::npos) return std::nullopt;
  std::string body(text.substr(1, close - 1));
  if (body == "'") return std::nullopt;
  if (body == "\"") body = "\\\"";
  auto literal = readLiteral("\"" + body + "\"");
  if (!literal || !literal->rest.empty()) return std::nullopt;
  return Reading<std::string>{std::move(literal->value), text.substr(close + 1)};
}

template <class T>
std::string showCharLike(T c) {
  std::string utf8;
  if constexpr (std::same_as<T, char32_t>) {
    appendUtf8(utf8, c);
  } else {
    utf8.push_back(c);
  }
  return showCharLiteral(utf8);
}

template <class T>
std::optional<Reading<T>> readCharLike(std::string_view text) {
  auto literal = readCharLiteral(text);
  if (!literal) return std::nullopt;
  if constexpr (std::same_as<T, char32_t>) {
    auto decoded = decodeUtf8(literal->value);
    if (!decoded || decoded->second != literal->value.size()) return std::nullopt;
    return Reading<T>{decoded->first, literal->rest};
  } else {
    if (literal->value.size() != 1) return std::nullopt;
    return Reading<T>{literal->value[0], literal->rest};
  }
}

template <class Char>
std::basic_string<Char> fromUtf8Literal(std::string value, bool& ok) {
  ok = true;
  if constexpr (std::same_as<Char, char32_t>) {
    auto decoded = decodeUtf8All(value);
    if (!decoded) {
      ok = false;
      return {};
    }
    return std::move(*decoded);
  } else {
    return value;
  }
}

template <class Char>
std::string showStringLike(std::basic_string_view<Char> s) {
  if constexpr (std::same_as<Char, char32_t>) {
    return showLiteral(encodeUtf8(s));
  } else {
    return showLiteral(s);
  }
}

template <class Char>
std::optional<Reading<std::basic_string<Char>>> readStringLike(std::string_view text) {
  auto literal = readLiteral(text);
  if (!literal) return std::nullopt;
  bool ok = false;
  auto value = fromUtf8Literal<Char>(std::move(literal->value), ok);
  if (!ok) return std::nullopt;
  return Reading<std::basic_string<Char>>{std::move(value), literal->rest};
}

// Shortest round-trip digits of a finite, positive x, and the decimal
// exponent of the first digit (x == 0.d1d2d3... * 10^(exponent+1)).
template <std::floating_point F>
std::pair<std::string, int> shortestDigits(F x) {
  char buffer[64];
  auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, x, std::chars_format::scientific);
  std::string_view text(buffer, static_cast<std::size_t>(end - buffer));
  const std::size_t e = text.find('e');
  std::string digits;
  for (char c : text.substr(0, e)) {
    if (c != '.') digits.push_back(c);
  }
  while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
  int exponent = 0;
  std::from_chars(text.data() + e + 1 + (text[e + 1] == '+'), text.data() + text.size(), exponent);
  return {digits, exponent};
}

// Fixed notation for 0.1 <= x < 10^7, otherwise d.ddde<exponent>; always at
// least one digit after the point.
template <std::floating_point F>
std::string showMagnitude(F x) {
  if (std::isnan(x)) return "NaN";
  if (std::isinf(x)) return "Infinity";
  if (x == 0) return "0.0";
  auto [digits, exponent] = shortestDigits(x);
  std::string out;
  if (exponent >= -1 && exponent < 7) {
    if (exponent < 0) {
      out = "0." + digits;
    } else {
      const auto whole = static_cast<std::size_t>(exponent) + 1;
      if (digits.size() < whole) digits.append(whole - digits.size(), '0');
      out = digits.substr(0, whole) + "." + (digits.size() > whole ? digits.substr(whole) : "0");
    }
  } else {
    out = digits.substr(0, 1) + "." + (digits.size() > 1 ? digits.substr(1) : "0") + "e" +
          std::to_string(exponent);
  }
  return out;
}

// Length of a decimal number (digits, optional fraction, optional exponent)
// at the start of text, or 0.
inline std::size_t decimalLength(std::string_view text) {
  std::size_t i = countDigits(text, 0);
  if (i == 0) return 0;
  if (i + 1 < text.size() && text[i] == '.' && isDigit(text[i + 1])) i += 1 + countDigits(text, i + 1);
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    std::size_t j = i + 1;
    if (j < text.size() && (text[j] == '-' || text[j] == '+')) ++j;
    const std::size_t exponentDigits = countDigits(text, j);
    if (exponentDigits > 0) i = j + exponentDigits;
  }
  return i;
}

template <PlainInteger T>
std::vector<Reading<T>> readIntegerAt(int precedence, std::string_view text) {
  std::vector<Reading<T>> out;
  std::size_t start = 0;
  if (!text.empty() && text[0] == '-') {
    if (!minusAllowed(precedence) || std::is_unsigned_v<T>) return out;
    start = 1;
  }
  const std::size_t digits = countDigits(text, start);
  if (digits == 0) return out;
  T value{};
  auto [end, ec] = std::from_chars(text.data(), text.data() + start + digits, value);
  if (ec != std::errc{}) return out;  // out of range for T
  out.push_back({value, text.substr(static_cast<std::size_t>(end - text.data()))});
  return out;
}

template <std::floating_point T>
std::vector<Reading<T>> readFloatingAt(int precedence, std::string_view text) {
  std::vector<Reading<T>> out;
  bool negative = false;
  std::string_view body = text;
  if (!body.empty() && body[0] == '-') {
    if (!minusAllowed(precedence)) return out;
    negative = true;
    body.remove_prefix(1);
  }
  for (auto [word, value] : {std::pair{std::string_view("NaN"), std::numeric_limits<T>::quiet_NaN()},
                             std::pair{std::string_view("Infinity"), std::numeric_limits<T>::infinity()}}) {
    if (auto rest = readToken(body, word); rest && body.starts_with(word)) {
      out.push_back({negative ? -value : value, *rest});
      return out;
    }
  }
  const std::size_t length = decimalLength(body);
  if (length == 0) return out;
  T value{};
  auto [end, ec] = std::from_chars(body.data(), body.data() + length, value);
  if (ec != std::errc{} || end != body.data() + length) return out;  // out of range for T
  out.push_back({negative ? -value : value, body.substr(length)});
  return out;
}

// Reads "[e1,e2,...]" at the start of text (white space allowed between the
// tokens), each element read by element(text).
template <class T, class Element>
std::vector<Reading<std::vector<T>>> readBracketList(std::string_view text, Element&& element) {
  std::vector<Reading<std::vector<T>>> done;
  auto open = readToken(text, "[");
  if (!open) return done;
  if (auto close = readToken(*open, "]")) done.push_back({{}, *close});
  // Partial lists that have just read an element.
  std::vector<Reading<std::vector<T>>> partial;
  for (auto& first : element(*open)) {
    std::vector<T> items;
    items.push_back(std::move(first.value));
    partial.push_back({std::move(items), first.rest});
  }
  while (!partial.empty()) {
    std::vector<Reading<std::vector<T>>> next;
    for (auto& state : partial) {
      if (auto close = readToken(state.rest, "]")) done.push_back({state.value, *close});
      auto comma = readToken(state.rest, ",");
      if (!comma) continue;
      auto readings = element(*comma);
      for (std::size_t i = 0; i < readings.size(); ++i) {
        std::vector<T> items =
            i + 1 == readings.size() ? std::move(state.value) : std::vector<T>(state.value);
        items.push_back(std::move(readings[i].value));
        next.push_back({std::move(items), readings[i].rest});
      }
    }
    partial = std::move(next);
  }
  return done;
}

}  // namespace detail

template <detail::PlainInteger T>
struct TextForm<T> {
  static std::string showsPrec(int precedence, T value) {
    char buffer[48];
    auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
    return showParen(value < 0 && !detail::minusAllowed(precedence),
                     std::string(buffer, static_cast<std::size_t>(end - buffer)));
  }
  static std::vector<Reading<T>> readsPrec(int precedence, std::string_view text) {
    return readParenPrec<T>(false, precedence, text, detail::readIntegerAt<T>);
  }
};

template <std::floating_point T>
struct TextForm<T> {
  static std::string showsPrec(int precedence, T value) {
    if (std::isnan(value)) return "NaN";
    const bool negative = std::signbit(value);
    std::string magnitude = detail::showMagnitude(negative ? -value : value);
    return negative ? showParen(!detail::minusAllowed(precedence), "-" + magnitude) : magnitude;
  }
  static std::vector<Reading<T>> readsPrec(int precedence, std::string_view text) {
    return readParenPrec<T>(false, precedence, text, detail::readFloatingAt<T>);
  }
};

template <>
struct TextForm<bool> {
  static std::string showsPrec(int, bool value) { return value ? "True" : "False"; }
  static std::vector<Reading<bool>> readsPrec(int precedence, std::string_view text) {
    return readParenPrec<bool>(false, precedence, text, [](int, std::string_view s) {
      std::vector<Reading<bool>> out;
      if (auto rest = readToken(s, "True")) out.push_back({true, *rest});
      if (auto rest = readToken(s, "False")) out.push_back({false, *rest});
      return out;
    });
  }
};

template <detail::CharLike T>
struct TextForm<T> {
  static std::string showsPrec(int, T value) { return detail::showCharLike(value); }
  static std::vector<Reading<T>> readsPrec(int precedence, std::string_view text) {
    return readParenPrec<T>(false, precedence, text, [](int, std::string_view s) {
      std::vector<Reading<T>> out;
      if (auto r = detail::readCharLike<T>(s)) out.push_back(std::move(*r));
      return out;
    });
  }
};

template <detail::CharLike Char>
struct TextForm<std::basic_string<Char>> {
  using String = std::basic_string<Char>;
  static std::string showsPrec(int, const String& value) {
    return detail::showStringLike(std::basic_string_view<Char>(value));
  }
  static std::vector<Reading<String>> readsPrec(int precedence, std::string_view text) {
    return readParenPrec<String>(false, precedence, text, [](int, std::string_view s) {
      std::vector<Reading<String>> out;
      if (auto r = detail::readStringLike<Char>(s)) out.push_back(std::move(*r));
      return out;
    });
  }
};

template <class T>
  requires Showable<T> || Readable<T>
struct TextForm<std::vector<T>> {
  static std::string showsPrec(int, const std::vector<T>& items)
    requires Showable<T>
  {
    if constexpr (detail::CharLike<T>) {
      return detail::showStringLike(std::basic_string_view<T>(items.data(), items.size()));
    } else {
      std::string out = "[";
      for (std::size_t i = 0; i < items.size(); ++i) {
        if (i > 0) out.push_back(',');
        out += showsPrecOf(0, items[i]);
      }
      out.push_back(']');
      return out;
    }
  }
  static std::vector<Reading<std::vector<T>>> readsPrec(int precedence, std::string_view text)
    requires Readable<T>
  {
    return readParenPrec<std::vector<T>>(false, precedence, text, [](int, std::string_view s) {
      auto out = detail::readBracketList<T>(s, [](std::string_view e) { return readsPrecOf<T>(0, e); });
      if constexpr (detail::CharLike<T>) {
        if (auto r = detail::readStringLike<T>(s)) {
          out.push_back({std::vector<T>(r->value.begin(), r->value.end()), r->rest});
        }
      }
      return out;
    });
  }
};

template <class A, class B>
  requires(Showable<A> && Showable<B>) || (Readable<A> && Readable<B>)
struct TextForm<std::pair<A, B>> {
  static std::string showsPrec(int, const std::pair<A, B>& p)
    requires Showable<A> && Showable<B>
  {
    return "(" + showsPrecOf(0, p.first) + "," + showsPrecOf(0, p.second) + ")";
  }
  static std::vector<Reading<std::pair<A, B>>> readsPrec(int precedence, std::string_view text)
    requires Readable<A> && Readable<B>
  {
    // The pair's own parentheses come first; extra ones may surround it.
    return readParenPrec<std::pair<A, B>>(false, precedence, text, [](int, std::string_view s) {
      std::vector<Reading<std::pair<A, B>>> out;
      auto open = readToken(s, "(");
      if (!open) return out;
      for (auto& a : readsPrecOf<A>(0, *open)) {
        auto comma = readToken(a.rest, ",");
        if (!comma) continue;
        for (auto& b : readsPrecOf<B>(0, *comma)) {
          if (auto close = readToken(b.rest, ")")) out.push_back({{a.value, std::move(b.value)}, *close});
        }
      }
      return out;
    });
  }
};

}  // namespace quire
