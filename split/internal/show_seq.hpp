// Text forms of element sequences, for the text form of a Chunk.
//
// A sequence of characters is written as one string literal (UTF-8, with
// the escapes of quire::showLiteral); any other sequence as a bracketed,
// comma-separated list of its elements' text forms.
#pragma once

#include <concepts>
#include <ranges>
#include <sstream>
#include <string>
#include <type_traits>

#include "base/show.hpp"
#include "base/utf8.hpp"

namespace quire::split::detail {

template <class C>
concept CharLike = std::same_as<C, char> || std::same_as<C, wchar_t> || std::same_as<C, char8_t> ||
                   std::same_as<C, char16_t> || std::same_as<C, char32_t>;


template <class E>
std::string showElement(const E& e);

template <class Seq>
std::string showSequence(const Seq& seq) {
  using E = std::remove_cvref_t<std::ranges::range_value_t<const Seq&>>;
  if constexpr (CharLike<E>) {
    std::string utf8;
    for (E c : seq) {
      if constexpr (sizeof(E) == 1) {
        utf8.push_back(static_cast<char>(c));  // already UTF-8 (or raw bytes)
      } else {
        appendUtf8(utf8, static_cast<char32_t>(c));
      }
    }
    return quire::showLiteral(utf8);
  } else {
    std::string out = "[";
    bool first = true;
    for (const auto& e : seq) {
      if (!first) out.push_back(',');
      first = false;
      out += showElement(e);
    }
    out.push_back(']');
    return out;
  }
}

template <class E>
std::string showElement(const E& e) {
  if constexpr (std::is_same_v<E, bool>) {
    return e ? "true" : "false";
  } else if constexpr (CharLike<E>) {
    return showSequence(std::basic_string<E>(1, e));
  } else if constexpr (std::is_arithmetic_v<E>) {
    std::ostringstream os;
    os << +e;
    return os.str();
  } else if constexpr (std::ranges::input_range<const E&>) {
    return showSequence(e);
  } else if constexpr (requires { show(e); }) {
    return std::string(show(e));
  } else {
    std::ostringstream os;
    os << e;
    return os.str();
  }
}

}  // namespace quire::split::detail
