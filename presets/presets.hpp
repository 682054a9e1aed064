// Default values: the trait Default<T> and def<T>(), the designated starting
// value of a type.
//
// Default<T> is a class template with one member, static T def(). It is
// specialised here for the standard scalar, container, optional, tuple and
// function types (below), in presets/wrappers.hpp for the small wrapper types
// and a ratio, and in presets/gmp.hpp for GMP's numbers. A type without a
// specialisation has no default: HasDefault<T> is false and def<T>() does
// not compile. Specialise Default for your own types, or take the default
// from a record's fields with presets/structural.hpp.
//
// Provided:
//   arithmetic types (every signed and unsigned integer type and every C
//   integer typedef, float, double, long double); not bool or the
//   character types                                           0
//   std::complex<T>                                           (def<T>(), def<T>())
//   std::strong_ordering                                      equal
//   std::tuple<>, std::monostate                              the unit value
//   std::vector<T>, std::basic_string<C>                      empty
//   std::optional<T>                                          nullopt
//   std::function<R(A...)>                                    ignores its arguments and
//                                                             returns def<R>(); with no
//                                                             arguments it is the action
//                                                             that only yields def<R>()
//   std::pair<A, B>, std::tuple of 2 to 7 components           each component's def
//
// Example:
//   using namespace quire::presets;
//   def<int>();                                   // 0
//   def<std::pair<int, std::vector<int>>>();      // {0, {}}
//   def<std::function<double(int)>>()(42);        // 0.0
//   def<std::strong_ordering>();                  // std::strong_ordering::equal
//   static_assert(!HasDefault<std::tuple<int, int, int, int, int, int, int, int>>);
#pragma once

#include <compare>
#include <complex>
#include <concepts>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <tuple>
#include <type_traits>
#include <utility>
#include <variant>
#include <vector>

namespace quire::presets {

// Specialise with `static T def()` to give T a default; the primary
// template has none.
template <class T>
struct Default {};

template <class T>
concept HasDefault = requires {
  { Default<T>::def() } -> std::same_as<T>;
};

template <HasDefault T>
[[nodiscard]] constexpr T def() {
  return Default<T>::def();
}

namespace detail {

template <class T>
concept Character = std::same_as<T, char> || std::same_as<T, wchar_t> ||
                    std::same_as<T, char8_t> || std::same_as<T, char16_t> ||
                    std::same_as<T, char32_t>;

template <class T>
concept Number = std::is_arithmetic_v<T> && !std::same_as<T, bool> && !Character<T>;

// Tuples that have a default: none of 1 or more than 7 components.
template <std::size_t N>
inline constexpr bool defaultTupleSize = N == 0 || (N >= 2 && N <= 7);

}  // namespace detail

template <detail::Number T>
struct Default<T> {
  static constexpr T def() noexcept { return T(0); }
};

template <HasDefault T>
struct Default<std::complex<T>> {
  static constexpr std::complex<T> def() { return std::complex<T>(presets::def<T>(), presets::def<T>()); }
};

template <>
struct Default<std::strong_ordering> {
  static constexpr std::strong_ordering def() noexcept { return std::strong_ordering::equal; }
};

template <>
struct Default<std::monostate> {
  static constexpr std::monostate def() noexcept { return {}; }
};

template <class T, class Allocator>
struct Default<std::vector<T, Allocator>> {
  static constexpr std::vector<T, Allocator> def() { return {}; }
};

template <class C, class Traits, class Allocator>
struct Default<std::basic_string<C, Traits, Allocator>> {
  static constexpr std::basic_string<C, Traits, Allocator> def() { return {}; }
};

template <class T>
struct Default<std::optional<T>> {
  static constexpr std::optional<T> def() noexcept { return std::nullopt; }
};

template <HasDefault R, class... Args>
struct Default<std::function<R(Args...)>> {
  static std::function<R(Args...)> def() {
    return [](Args...) { return presets::def<R>(); };
  }
};

template <HasDefault A, HasDefault B>
struct Default<std::pair<A, B>> {
  static constexpr std::pair<A, B> def() { return {presets::def<A>(), presets::def<B>()}; }
};

template <HasDefault... Ts>
  requires detail::defaultTupleSize<sizeof...(Ts)>
struct Default<std::tuple<Ts...>> {
  static constexpr std::tuple<Ts...> def() { return std::tuple<Ts...>(presets::def<Ts>()...); }
};

}  // namespace quire::presets
