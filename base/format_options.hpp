// Format options (what follows the colon in "{:>8.2f}"), shared by the {fmt}
// and std::format formatters of the suite's values.
//
// The options are [[fill]align][width][.precision][type], where align is
// '<', '>' or '^', fill is any one character (UTF-8) and type is one of the
// letters a formatter accepts. Parsing is constexpr so that format strings
// are checked when the program is compiled; formatting pads the value's text
// to the width, counting code points.
//
// BasicFormatter turns a FormatTraits specialisation into a formatter for
// either library: fmt::formatter<T> and std::formatter<T> derive from it.
//
// Example:
//   quire::format::Options options;
//   std::string_view s = "*^9.2f}";
//   quire::format::parseOptions(s.data(), s.data() + s.size(), options, "efg");
//                                   // options.align == '^', options.width == 9,
//                                   // options.precision == 2, options.type == 'f'
//   quire::format::pad("12.35", options, '>')   // == "**12.35**"
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quire::format {

struct Options {
  char fill[4] = {' ', 0, 0, 0};  // one UTF-8 character
  std::size_t fillSize = 1;
  char align = 0;  // 0 (the formatter's default), '<', '>' or '^'
  std::size_t width = 0;
  std::optional<std::int64_t> precision;
  char type = 0;  // 0 when absent
};

// Why options were refused; the adaptor throws its library's error.
struct OptionsError {
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
    if (value > (INT64_C(1) << 40)) throw OptionsError{"format width or precision is too large"};
    value = value * 10 + (*it - '0');
    ++it;
  }
  return it;
}

}  // namespace detail

// Parses options from [it, end) up to the closing '}' (or the end),
// accepting only the type letters in types; returns where it stopped.
// Throws OptionsError for anything else.
template <class It>
constexpr It parseOptions(It it, It end, Options& options, std::string_view types) {
  if (it == end || *it == '}') return it;
  std::size_t fillLength = detail::utf8Length(*it);
  It afterFill = it;
  for (std::size_t i = 0; i < fillLength && afterFill != end; ++i) ++afterFill;
  if (fillLength != 0 && afterFill != end && detail::isAlign(*afterFill)) {
    if (*it == '{' || *it == '}') throw OptionsError{"invalid fill character in format"};
    options.fillSize = fillLength;
    for (std::size_t i = 0; i < fillLength && i < sizeof options.fill; ++i, ++it) options.fill[i] = *it;
    options.align = *it++;
  } else if (detail::isAlign(*it)) {
    options.align = *it++;
  }
  if (it != end && *it >= '0' && *it <= '9') {
    std::int64_t width = 0;
    it = detail::parseCount(it, end, width);
    options.width = static_cast<std::size_t>(width);
  }
  if (it != end && *it == '.') {
    ++it;
    if (it == end || *it < '0' || *it > '9') throw OptionsError{"missing precision in format"};
    std::int64_t precision = 0;
    it = detail::parseCount(it, end, precision);
    options.precision = precision;
  }
  if (it != end && *it != '}') {
    if (types.find(*it) == std::string_view::npos) throw OptionsError{"invalid type in format"};
    options.type = *it++;
  }
  if (it != end && *it != '}') throw OptionsError{"invalid format options"};
  return it;
}

// text padded with options's fill to options's width (in code points), aligned by
// options.align or, when the options names none, by defaultAlign.
inline std::string pad(std::string text, const Options& options, char defaultAlign) {
  std::size_t length = 0;
  for (char c : text) length += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  if (length >= options.width) return text;
  std::size_t missing = options.width - length;
  char align = options.align != 0 ? options.align : defaultAlign;
  std::size_t before = align == '>' ? missing : align == '^' ? missing / 2 : 0;
  std::string_view fill(options.fill, options.fillSize);
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
//   static constexpr const char* check(const Options&);  // a refusal, or nullptr
//   static std::string text(const T&, const Options&);
template <class T>
struct FormatTraits;

// The body of fmt::formatter<T> and std::formatter<T>; Error is the
// library's format_error.
template <class T, class Error>
struct BasicFormatter {
  Options options;

  template <class ParseContext>
  constexpr auto parse(ParseContext& ctx) {
    auto it = ctx.begin();
    try {
      it = parseOptions(it, ctx.end(), options, FormatTraits<T>::types);
    } catch (const OptionsError& e) {
      throw Error(e.message);
    }
    if (const char* refusal = FormatTraits<T>::check(options)) throw Error(refusal);
    return it;
  }

  template <class Context>
  auto format(const T& value, Context& ctx) const {
    std::string text = FormatTraits<T>::text(value, options);
    if (FormatTraits<T>::widthPads) text = pad(std::move(text), options, FormatTraits<T>::defaultAlign);
    return std::copy(text.begin(), text.end(), ctx.out());
  }
};

}  // namespace quire::format
