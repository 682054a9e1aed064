// The standard format-specification mini-language, shared by the {fmt} and
// std::format formatters of the suite's values.
//
// A specification is [[fill]align][width][.precision][type], where align is
// '<', '>' or '^', fill is any one character (UTF-8) and type is one of the
// letters a formatter accepts. Parsing is constexpr so that format strings
// are checked when the program is compiled; formatting pads the value's text
// to the width, counting code points.
//
// BasicFormatter turns a FormatTraits specialisation into a formatter for
// either library: fmt::formatter<T> and std::formatter<T> derive from it.
//
// Example:
//   quire::format::Spec spec;
//   std::string_view s = "*^9.2f}";
//   quire::format::parseSpec(s.data(), s.data() + s.size(), spec, "efg");
//                                   // spec.align == '^', spec.width == 9,
//                                   // spec.precision == 2, spec.type == 'f'
//   quire::format::pad("12.35", spec, '>')   // == "**12.35**"
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quire::format {

struct Spec {
  char fill[4] = {' ', 0, 0, 0};  // one UTF-8 character
  std::size_t fillSize = 1;
  char align = 0;  // 0 (the formatter's default), '<', '>' or '^'
  std::size_t width = 0;
  std::optional<std::int64_t> precision;
  char type = 0;  // 0 when absent
};

// Why a specification was refused; the adaptor throws its library's error.
struct SpecError {
  const char* message = nullptr;
};

namespace detail {

constexpr bool isAlign(char c) { return c == '<' || c == '>' || c == '^'; }

constexpr std::size_t utf8Length(char lead) {
  auto b = static_cast<unsigned char>(lead);
  if (b < 0x80) return 1;
  if ((b >> 5) == 0x6) return 2;
  if ((b >> 4) == 0xE) return 3;
  if ((b >> 3) == 0x1E) return 4;
  return 0;
}

template <class It>
constexpr It parseCount(It it, It end, std::int64_t& value) {
  value = 0;
  while (it != end && *it >= '0' && *it <= '9') {
    if (value > (INT64_C(1) << 40)) throw SpecError{"format width or precision is too large"};
    value = value * 10 + (*it - '0');
    ++it;
  }
  return it;
}

}  // namespace detail

// Parses a specification from [it, end) up to the closing '}' (or the end),
// accepting only the type letters in types; returns where it stopped.
// Throws SpecError for anything else.
template <class It>
constexpr It parseSpec(It it, It end, Spec& spec, std::string_view types) {
  if (it == end || *it == '}') return it;
  std::size_t fillLength = detail::utf8Length(*it);
  It afterFill = it;
  for (std::size_t i = 0; i < fillLength && afterFill != end; ++i) ++afterFill;
  if (fillLength != 0 && afterFill != end && detail::isAlign(*afterFill)) {
    if (*it == '{' || *it == '}') throw SpecError{"invalid fill character in format"};
    spec.fillSize = fillLength;
    for (std::size_t i = 0; i < fillLength && i < sizeof spec.fill; ++i, ++it) spec.fill[i] = *it;
    spec.align = *it++;
  } else if (detail::isAlign(*it)) {
    spec.align = *it++;
  }
  if (it != end && *it >= '0' && *it <= '9') {
    std::int64_t width = 0;
    it = detail::parseCount(it, end, width);
    spec.width = static_cast<std::size_t>(width);
  }
  if (it != end && *it == '.') {
    ++it;
    if (it == end || *it < '0' || *it > '9') throw SpecError{"missing precision in format"};
    std::int64_t precision = 0;
    it = detail::parseCount(it, end, precision);
    spec.precision = precision;
  }
  if (it != end && *it != '}') {
    if (types.find(*it) == std::string_view::npos) throw SpecError{"invalid type in format"};
    spec.type = *it++;
  }
  if (it != end && *it != '}') throw SpecError{"invalid format specification"};
  return it;
}

// text padded with spec's fill to spec's width (in code points), aligned by
// spec.align or, when the specification names none, by defaultAlign.
inline std::string pad(std::string text, const Spec& spec, char defaultAlign) {
  std::size_t length = 0;
  for (char c : text) length += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  if (length >= spec.width) return text;
  std::size_t missing = spec.width - length;
  char align = spec.align != 0 ? spec.align : defaultAlign;
  std::size_t before = align == '>' ? missing : align == '^' ? missing / 2 : 0;
  std::string_view fill(spec.fill, spec.fillSize);
  std::string out;
  out.reserve(text.size() + missing * fill.size());
  for (std::size_t i = 0; i < before; ++i) out += fill;
  out += text;
  for (std::size_t i = before; i < missing; ++i) out += fill;
  return out;
}

// What a type's formatter accepts and writes. A specialisation provides
//   static constexpr std::string_view types;   // accepted type letters
//   static constexpr char defaultAlign;         // '<' or '>'
//   static constexpr bool widthPads;            // false: the type uses width itself
//   static constexpr const char* check(const Spec&);  // a refusal, or nullptr
//   static std::string text(const T&, const Spec&);
template <class T>
struct FormatTraits;

// The body of fmt::formatter<T> and std::formatter<T>; Error is the
// library's format_error.
template <class T, class Error>
struct BasicFormatter {
  Spec spec;

  template <class ParseContext>
  constexpr auto parse(ParseContext& ctx) {
    auto it = ctx.begin();
    try {
      it = parseSpec(it, ctx.end(), spec, FormatTraits<T>::types);
    } catch (const SpecError& e) {
      throw Error(e.message);
    }
    if (const char* refusal = FormatTraits<T>::check(spec)) throw Error(refusal);
    return it;
  }

  template <class Context>
  auto format(const T& value, Context& ctx) const {
    std::string text = FormatTraits<T>::text(value, spec);
    if (FormatTraits<T>::widthPads) text = pad(std::move(text), spec, FormatTraits<T>::defaultAlign);
    return std::copy(text.begin(), text.end(), ctx.out());
  }
};

}  // namespace quire::format
