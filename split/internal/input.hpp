// How an input reaches the engine: text-like and span input go the
// contiguous, zero-copy way (fields are views into it); every other input
// range is read element by element into owned fields.
#pragma once

#include <concepts>
#include <cstddef>
#include <ranges>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

#include "split/internal/show_seq.hpp"

namespace quire::split::detail {

// The owned field of elements E: a string for characters, else a vector.
template <class E>
using FieldOf = std::conditional_t<CharLike<E>, std::basic_string<E>, std::vector<E>>;

template <class T>
struct IsSpan : std::false_type {};
template <class T, std::size_t N>
struct IsSpan<std::span<T, N>> : std::true_type {};

template <class T>
struct IsString : std::false_type {};
template <class C, class Tr, class A>
struct IsString<std::basic_string<C, Tr, A>> : std::true_type {};

// A string that dies at the end of the full expression: views into it would dangle.
template <class R>
concept TemporaryString = !std::is_lvalue_reference_v<R> && IsString<std::remove_cvref_t<R>>::value;

template <class R, class E>
concept ViewsAsText = CharLike<E> && std::is_convertible_v<R, std::basic_string_view<E>>;

template <class R, class E>
concept TextInput = ViewsAsText<R, E> && !TemporaryString<R>;

template <class R, class E>
concept SpanInput = IsSpan<std::remove_cvref_t<R>>::value &&
                    std::same_as<std::remove_cv_t<typename std::remove_cvref_t<R>::element_type>, E>;

template <class R, class E>
concept OtherInput = std::ranges::input_range<R> && std::ranges::viewable_range<R> &&
                     !ViewsAsText<R, E> && !SpanInput<R, E> &&
                     std::convertible_to<std::ranges::range_reference_t<R>, E>;

template <class R, class E>
concept ContiguousInput = TextInput<R, E> || SpanInput<R, E>;

// What the engine accepts as input of elements E.
template <class R, class E>
concept Splittable = ContiguousInput<R, E> || OtherInput<R, E>;

// The elements of R (char for a string literal, not const char).
template <class R>
using ElementOf = std::remove_cv_t<std::ranges::range_value_t<std::remove_reference_t<R>>>;

// The view a contiguous input is seen through.
template <class R, class E>
using ViewOf = std::conditional_t<TextInput<R, E>, std::basic_string_view<E>, std::span<const E>>;

template <class E, class R>
ViewOf<R, E> viewOf(R&& input) {
  return ViewOf<R, E>(input);
}

// xs as a sequence of its elements: text-like values as string views (so a
// string literal loses its terminating zero), other ranges as they are.
template <class Xs>
auto elementsOf(const Xs& xs) {
  using E = ElementOf<const Xs&>;
  if constexpr (ViewsAsText<const Xs&, E>) {
    std::basic_string_view<E> view(xs);
    return std::vector<E>(view.begin(), view.end());
  } else {
    return std::vector<E>(std::ranges::begin(xs), std::ranges::end(xs));
  }
}

// Overloads that would give views into a temporary string; the public
// function objects inherit them so that such a call does not compile.
struct RejectsTemporaryStrings {
  template <class A, class C, class Tr, class Al>
  void operator()(A&&, std::basic_string<C, Tr, Al>&&) const = delete;
  template <class A, class B, class C, class Tr, class Al>
  void operator()(A&&, B&&, std::basic_string<C, Tr, Al>&&) const = delete;
};

}  // namespace quire::split::detail
