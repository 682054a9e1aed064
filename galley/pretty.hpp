// Pretty: turning ordinary values into documents.
//
// Pretty<T> is a trait with `static Doc pretty(const T&)` and optionally
// `static Doc prettyList(const std::vector<T>&)` (the default is list() of
// the elements). Specialise it for your own types; the free functions
// pretty and prettyList dispatch to it. Provided: Doc, char32_t (a list of
// characters prints as its text), std::u32string, std::string and
// std::string_view (as text split at newlines), std::vector<T>,
// std::monostate ("()"), bool ("True"/"False"), integers, float and double
// (shortest round-trip text), std::optional<T> (absent: empty),
// std::pair and std::tuple (tupled), and every other type whose operator<<
// writes its decimal form, such as mpz_class.
//
// Example:
//   using namespace quire::galley;
//   show(pretty(std::vector<int>{1, 2, 3}))                   // == "[1,2,3]"
//   show(pretty(std::pair{true, 2.5}))                         // == "(True,2.5)"
//   show(pretty(std::vector<char32_t>{U'h', U'i'}))            // == "hi"
//   show(pretty(std::optional<int>()))                         // == ""
//   show(pretty(std::monostate{}))                             // == "()"
#pragma once

#include <concepts>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <tuple>
#include <type_traits>
#include <utility>
#include <variant>
#include <vector>

#include "galley/combinators.hpp"
#include "galley/doc.hpp"

namespace quire::galley {

// The primary template covers types that stream their decimal form.
template <class T>
struct Pretty;

template <class T>
concept PrettyType = requires(const T& x) {
  { Pretty<T>::pretty(x) } -> std::convertible_to<Doc>;
};

template <PrettyType T>
Doc pretty(const T& x) {
  return Pretty<T>::pretty(x);
}

template <PrettyType T>
Doc prettyList(const std::vector<T>& xs) {
  if constexpr (requires { Pretty<T>::prettyList(xs); }) {
    return Pretty<T>::prettyList(xs);
  } else {
    std::vector<Doc> docs;
    docs.reserve(xs.size());
    for (const T& x : xs) docs.push_back(pretty(x));
    return list(docs);
  }
}

namespace detail {
template <class T>
inline constexpr bool isCharacterType = std::is_same_v<T, char> || std::is_same_v<T, wchar_t> ||
                                        std::is_same_v<T, char8_t> || std::is_same_v<T, char16_t> ||
                                        std::is_same_v<T, char32_t>;
template <class T>
concept MachineInteger = std::is_integral_v<T> && !std::is_same_v<T, bool> && !isCharacterType<T>;
}  // namespace detail

template <class T>
  requires StreamsDecimal<T> && (!std::is_arithmetic_v<T>)
struct Pretty<T> {
  static Doc pretty(const T& n) { return integer(n); }
};

template <>
struct Pretty<Doc> {
  static Doc pretty(const Doc& d) { return d; }
};

template <>
struct Pretty<char32_t> {
  static Doc pretty(char32_t c) { return char_(c); }
  static Doc prettyList(const std::vector<char32_t>& cs) { return string(std::u32string_view(cs.data(), cs.size())); }
};

template <>
struct Pretty<std::u32string> {
  static Doc pretty(const std::u32string& s) { return string(s); }
};

template <>
struct Pretty<std::string> {
  static Doc pretty(const std::string& s) { return string(std::string_view(s)); }
};

template <>
struct Pretty<std::string_view> {
  static Doc pretty(std::string_view s) { return string(s); }
};

template <class T>
struct Pretty<std::vector<T>> {
  static Doc pretty(const std::vector<T>& xs) { return galley::prettyList(xs); }
};

template <>
struct Pretty<std::monostate> {
  static Doc pretty(std::monostate) { return text("()"); }
};

template <>
struct Pretty<bool> {
  static Doc pretty(bool b) { return bool_(b); }
};

template <detail::MachineInteger T>
struct Pretty<T> {
  static Doc pretty(T n) {
    if constexpr (std::is_unsigned_v<T> && sizeof(T) >= sizeof(std::int64_t)) {
      return integer(n);  // beyond int64: keep the value, not a wrapped one
    } else {
      return int_(static_cast<std::int64_t>(n));
    }
  }
};

template <>
struct Pretty<float> {
  static Doc pretty(float x) { return float_(x); }
};

template <>
struct Pretty<double> {
  static Doc pretty(double x) { return double_(x); }
};

template <class T>
struct Pretty<std::optional<T>> {
  static Doc pretty(const std::optional<T>& x) { return x ? galley::pretty(*x) : Doc(); }
};

template <class A, class B>
struct Pretty<std::pair<A, B>> {
  static Doc pretty(const std::pair<A, B>& p) { return tupled({galley::pretty(p.first), galley::pretty(p.second)}); }
};

template <class... Ts>
struct Pretty<std::tuple<Ts...>> {
  static Doc pretty(const std::tuple<Ts...>& t) {
    return std::apply([](const Ts&... xs) { return tupled({galley::pretty(xs)...}); }, t);
  }
};

}  // namespace quire::galley
