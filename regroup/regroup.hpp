// Regrouping and swapping two-parameter structures.
//
// Regroup<P> moves the nesting of a structure P from the left to the right,
// P<P<A, B>, C> -> P<A, P<B, C>> (regroup), and back (unregroup); the two are
// inverses. Swap<P> exchanges the two parameters, P<A, B> -> P<B, A>, and is
// its own inverse. Both are traits keyed by the template P, with free
// functions regroup, unregroup and swap that dispatch to them; a structure
// that regroups must also map over both parameters (Bimap<P>, bimap).
//
// Provided for:
//   std::pair              ((a, b), c) <-> (a, (b, c)); (a, b) -> (b, a)
//   std::variant<X, Y>     the alternative moves to the matching place:
//                          first(first a) <-> first a,
//                          first(second b) <-> second(first b),
//                          second c <-> second(second c); swap exchanges sides
//   Const<A, B>            holds an A only: regroup and unregroup rewrap it
//   tagged::Tagged<S, B>   holds a B only: regroup and unregroup rewrap it
//   std::tuple             swap exchanges the last two components (2 to 7
//                          components); no regroup
// Specialise the traits for your own templates (see the existing ones).
//
// Example:
//   using namespace quire::regroup;
//   regroup(std::pair{std::pair{1, 'b'}, 3.0});   // {1, {'b', 3.0}}
//   swap(std::pair{1, 'b'});                       // {'b', 1}
//   swap(std::tuple{1, 2, 3, 4});                  // {1, 2, 4, 3}
//   using V = std::variant<std::variant<int, char>, double>;
//   regroup(V(2.5));    // variant<int, variant<char, double>> holding (second (second 2.5))
#pragma once

#include <concepts>
#include <cstddef>
#include <exception>
#include <functional>
#include <tuple>
#include <type_traits>
#include <utility>
#include <variant>

#include "regroup/export.hpp"
#include "tagged/core.hpp"

namespace quire::regroup {

// Specialise with static member templates regroup and unregroup; see the
// top of this file.
template <template <class...> class P>
struct Regroup {};

// Specialise with a static member template swap.
template <template <class...> class P>
struct Swap {};

// Specialise with a static member template bimap(f, g, value).
template <template <class...> class P>
struct Bimap {};

// A value of A that carries the type B only.
template <class A, class B>
struct Const {
  A value;
  friend bool operator==(const Const&, const Const&) = default;
};

namespace detail {

// Stands for "some function" when checking what a trait accepts; only its
// type is used, it is never called.
struct Same {
  template <class X>
  std::remove_cvref_t<X> operator()(X&&) const {
    std::terminate();
  }
};

// std::variant throws this when asked about a variant without a value.
[[noreturn]] QUIRE_REGROUP_EXPORT void valuelessVariant();

}  // namespace detail

template <template <class...> class P, class A, class B>
concept Bifunctor = requires(const P<A, B>& v, detail::Same f) {
  { Bimap<P>::bimap(f, f, v) } -> std::same_as<P<A, B>>;
};

template <template <class...> class P, class A, class B, class C>
concept Regroupable =
    Bifunctor<P, A, B> && requires(P<P<A, B>, C> left, P<A, P<B, C>> right) {
      { Regroup<P>::regroup(std::move(left)) } -> std::same_as<P<A, P<B, C>>>;
      { Regroup<P>::unregroup(std::move(right)) } -> std::same_as<P<P<A, B>, C>>;
    };

template <template <class...> class P, class... Ts>
concept Swappable = requires(P<Ts...> v) { Swap<P>::swap(std::move(v)); };

// P<P<A, B>, C> -> P<A, P<B, C>>.
template <template <class...> class P, class A, class B, class C>
  requires Regroupable<P, A, B, C>
[[nodiscard]] constexpr P<A, P<B, C>> regroup(P<P<A, B>, C> v) {
  return Regroup<P>::regroup(std::move(v));
}

// P<A, P<B, C>> -> P<P<A, B>, C>.
template <template <class...> class P, class A, class B, class C>
  requires Regroupable<P, A, B, C>
[[nodiscard]] constexpr P<P<A, B>, C> unregroup(P<A, P<B, C>> v) {
  return Regroup<P>::unregroup(std::move(v));
}

template <template <class...> class P, class... Ts>
  requires Swappable<P, Ts...>
[[nodiscard]] constexpr auto swap(P<Ts...> v) {
  return Swap<P>::swap(std::move(v));
}

// f on the first parameter, g on the second.
template <class F, class G, template <class...> class P, class A, class B>
  requires requires(F& f, G& g, const P<A, B>& v) { Bimap<P>::bimap(f, g, v); }
[[nodiscard]] constexpr auto bimap(F&& f, G&& g, const P<A, B>& v) {
  return Bimap<P>::bimap(f, g, v);
}

// std::pair.

template <>
struct Bimap<std::pair> {
  template <class F, class G, class A, class B>
  static constexpr auto bimap(F& f, G& g, const std::pair<A, B>& v) {
    return std::pair<std::invoke_result_t<F&, const A&>, std::invoke_result_t<G&, const B&>>(
        std::invoke(f, v.first), std::invoke(g, v.second));
  }
};

template <>
struct Regroup<std::pair> {
  template <class A, class B, class C>
  static constexpr std::pair<A, std::pair<B, C>> regroup(std::pair<std::pair<A, B>, C> v) {
    return {std::move(v.first.first), {std::move(v.first.second), std::move(v.second)}};
  }
  template <class A, class B, class C>
  static constexpr std::pair<std::pair<A, B>, C> unregroup(std::pair<A, std::pair<B, C>> v) {
    return {{std::move(v.first), std::move(v.second.first)}, std::move(v.second.second)};
  }
};

template <>
struct Swap<std::pair> {
  template <class A, class B>
  static constexpr std::pair<B, A> swap(std::pair<A, B> v) {
    return {std::move(v.second), std::move(v.first)};
  }
};

// std::variant of exactly two alternatives, told apart by index so that
// both may be the same type.

template <>
struct Bimap<std::variant> {
  template <class F, class G, class A, class B>
  static constexpr auto bimap(F& f, G& g, const std::variant<A, B>& v) {
    using R = std::variant<std::invoke_result_t<F&, const A&>, std::invoke_result_t<G&, const B&>>;
    if (v.valueless_by_exception()) detail::valuelessVariant();
    if (v.index() == 0) return R(std::in_place_index<0>, std::invoke(f, *std::get_if<0>(&v)));
    return R(std::in_place_index<1>, std::invoke(g, *std::get_if<1>(&v)));
  }
};

template <>
struct Regroup<std::variant> {
  template <class A, class B, class C>
  static constexpr std::variant<A, std::variant<B, C>> regroup(
      std::variant<std::variant<A, B>, C> v) {
    using R = std::variant<A, std::variant<B, C>>;
    using Inner = std::variant<B, C>;
    if (v.valueless_by_exception()) detail::valuelessVariant();
    if (auto* c = std::get_if<1>(&v)) return R(std::in_place_index<1>, Inner(std::in_place_index<1>, std::move(*c)));
    auto& ab = *std::get_if<0>(&v);
    if (ab.valueless_by_exception()) detail::valuelessVariant();
    if (auto* a = std::get_if<0>(&ab)) return R(std::in_place_index<0>, std::move(*a));
    return R(std::in_place_index<1>, Inner(std::in_place_index<0>, std::move(*std::get_if<1>(&ab))));
  }
  template <class A, class B, class C>
  static constexpr std::variant<std::variant<A, B>, C> unregroup(
      std::variant<A, std::variant<B, C>> v) {
    using R = std::variant<std::variant<A, B>, C>;
    using Inner = std::variant<A, B>;
    if (v.valueless_by_exception()) detail::valuelessVariant();
    if (auto* a = std::get_if<0>(&v)) return R(std::in_place_index<0>, Inner(std::in_place_index<0>, std::move(*a)));
    auto& bc = *std::get_if<1>(&v);
    if (bc.valueless_by_exception()) detail::valuelessVariant();
    if (auto* b = std::get_if<0>(&bc)) return R(std::in_place_index<0>, Inner(std::in_place_index<1>, std::move(*b)));
    return R(std::in_place_index<1>, std::move(*std::get_if<1>(&bc)));
  }
};

template <>
struct Swap<std::variant> {
  template <class A, class B>
  static constexpr std::variant<B, A> swap(std::variant<A, B> v) {
    using R = std::variant<B, A>;
    if (v.valueless_by_exception()) detail::valuelessVariant();
    if (auto* a = std::get_if<0>(&v)) return R(std::in_place_index<1>, std::move(*a));
    return R(std::in_place_index<0>, std::move(*std::get_if<1>(&v)));
  }
};

// Const: only the first parameter has a value.

template <>
struct Bimap<Const> {
  // g is never called: there is no second value, only its type changes.
  template <class F, class G, class A, class B>
  static constexpr auto bimap(F& f, G&, const Const<A, B>& v) {
    return Const<std::invoke_result_t<F&, const A&>, std::invoke_result_t<G&, B>>{std::invoke(f, v.value)};
  }
};

template <>
struct Regroup<Const> {
  template <class A, class B, class C>
  static constexpr Const<A, Const<B, C>> regroup(Const<Const<A, B>, C> v) {
    return {std::move(v.value.value)};
  }
  template <class A, class B, class C>
  static constexpr Const<Const<A, B>, C> unregroup(Const<A, Const<B, C>> v) {
    return {Const<A, B>{std::move(v.value)}};
  }
};

// Tagged: only the second parameter has a value.

template <>
struct Bimap<tagged::Tagged> {
  template <class F, class G, class S, class B>
  static constexpr auto bimap(F& f, G& g, const tagged::Tagged<S, B>& v) {
    return tagged::bimap(f, g, v);
  }
};

template <>
struct Regroup<tagged::Tagged> {
  template <class A, class B, class C>
  static constexpr tagged::Tagged<A, tagged::Tagged<B, C>> regroup(
      tagged::Tagged<tagged::Tagged<A, B>, C> v) {
    return tagged::Tagged<A, tagged::Tagged<B, C>>(tagged::Tagged<B, C>(std::move(v.unTagged)));
  }
  template <class A, class B, class C>
  static constexpr tagged::Tagged<tagged::Tagged<A, B>, C> unregroup(
      tagged::Tagged<A, tagged::Tagged<B, C>> v) {
    return tagged::Tagged<tagged::Tagged<A, B>, C>(std::move(v.unTagged.unTagged));
  }
};

// Tuples: the last two components change places.

template <>
struct Swap<std::tuple> {
  template <class... Ts>
    requires(sizeof...(Ts) >= 2 && sizeof...(Ts) <= 7)
  static constexpr auto swap(std::tuple<Ts...> v) {
    return swapLastTwo(std::move(v), std::make_index_sequence<sizeof...(Ts) - 2>{});
  }

 private:
  template <class... Ts, std::size_t... Kept>
  static constexpr auto swapLastTwo(std::tuple<Ts...> v, std::index_sequence<Kept...>) {
    constexpr std::size_t n = sizeof...(Ts);
    using Tuple = std::tuple<Ts...>;
    return std::tuple<std::tuple_element_t<Kept, Tuple>..., std::tuple_element_t<n - 1, Tuple>,
                      std::tuple_element_t<n - 2, Tuple>>(std::get<Kept>(std::move(v))...,
                                                          std::get<n - 1>(std::move(v)),
                                                          std::get<n - 2>(std::move(v)));
  }
};

}  // namespace quire::regroup
