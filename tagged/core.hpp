// Tagged<S, B>: a value of type B that carries a compile-time tag type S.
//
// The tag has no run-time representation: a Tagged<S, B> has B's size,
// alignment and layout, and every operation on it is the operation on the
// wrapped B. Use it to pick an implementation by type without passing a
// value of that type (a per-type size or name), or to keep values that must
// not be mixed apart by type: Tagged<Metres, double> and Tagged<Feet, double>
// do not compare, add or convert into each other.
//
// A Proxy<T> is the empty value that stands for the type T.
//
// Example:
//   using namespace quire::tagged;
//   struct Metres {};
//   Tagged<Metres, int> d(5);
//   int raw = untag(d);                                  // 5
//   Tagged<int, int> self = tagSelf(7);                  // tag is int
//   auto f = tagWith(Proxy<Metres>{}, 2.5);              // Tagged<Metres, double>
//   auto g = map([](int x) { return x * 2; }, d);        // Tagged<Metres, int>(10)
//   auto n = unproxy<Metres>([](Proxy<Metres>) { return 3; });   // Tagged<Metres, int>(3)
//   static_assert(sizeof(Tagged<Metres, std::int64_t>) == 8);
#pragma once

#include <compare>
#include <concepts>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <limits>
#include <type_traits>
#include <utility>

#include "base/hash.hpp"

namespace quire::tagged {

// The empty value standing for the type T.
template <class T>
struct Proxy {
  friend constexpr bool operator==(Proxy, Proxy) noexcept { return true; }
};

template <class S, class B>
struct Tagged {
  // The wrapped value.
  B unTagged;

  constexpr Tagged() = default;

  // Wraps b. Explicit, so that a plain B never turns into a tagged one by
  // accident.
  template <class U = B>
    requires std::constructible_from<B, U &&> &&
             (!std::same_as<std::remove_cvref_t<U>, Tagged>) &&
             (!std::is_array_v<std::remove_cvref_t<U>>)
  constexpr explicit Tagged(U&& b) noexcept(std::is_nothrow_constructible_v<B, U&&>)
      : unTagged(std::forward<U>(b)) {}

  // A string literal converts implicitly when B is built from one:
  // Tagged<Name, std::string> n = "quire";
  template <std::size_t N>
    requires std::constructible_from<B, const char (&)[N]>
  constexpr Tagged(const char (&literal)[N]) : unTagged(literal) {}

  friend constexpr bool operator==(const Tagged&, const Tagged&)
    requires std::equality_comparable<B>
  = default;
  friend constexpr auto operator<=>(const Tagged&, const Tagged&)
    requires std::three_way_comparable<B>
  = default;
};

template <class T>
inline constexpr bool isTagged = false;
template <class S, class B>
inline constexpr bool isTagged<Tagged<S, B>> = true;

// The wrapped value. An lvalue gives a reference to it, an rvalue moves it
// out; neither copies.
template <class S, class B>
[[nodiscard]] constexpr const B& unTagged(const Tagged<S, B>& x) noexcept {
  return x.unTagged;
}
template <class S, class B>
[[nodiscard]] constexpr B&& unTagged(Tagged<S, B>&& x) noexcept {
  return std::move(x.unTagged);
}
template <class S, class B>
[[nodiscard]] constexpr const B& untag(const Tagged<S, B>& x) noexcept {
  return x.unTagged;
}
template <class S, class B>
[[nodiscard]] constexpr B&& untag(Tagged<S, B>&& x) noexcept {
  return std::move(x.unTagged);
}

// The same value under the tag T (moved when x is an rvalue).
template <class T, class S, class B>
[[nodiscard]] constexpr Tagged<T, B> retag(const Tagged<S, B>& x) {
  return Tagged<T, B>(x.unTagged);
}
template <class T, class S, class B>
[[nodiscard]] constexpr Tagged<T, B> retag(Tagged<S, B>&& x) {
  return Tagged<T, B>(std::move(x.unTagged));
}

// a tagged with its own type.
template <class A>
[[nodiscard]] constexpr Tagged<std::remove_cvref_t<A>, std::remove_cvref_t<A>> tagSelf(A&& a) {
  return Tagged<std::remove_cvref_t<A>, std::remove_cvref_t<A>>(std::forward<A>(a));
}

template <class A>
[[nodiscard]] constexpr A untagSelf(Tagged<A, A> x) {
  return std::move(x.unTagged);
}

// s unchanged; only makes the compiler check that x carries the tag S.
template <class S, class B>
[[nodiscard]] constexpr S asTaggedTypeOf(S s, const Tagged<S, B>&) {
  return s;
}

// The wrapped value; s only names the tag that x must carry.
template <class S, class B>
[[nodiscard]] constexpr B witness(const Tagged<S, B>& x, const S&) {
  return x.unTagged;
}

// a tagged with the proxy's type.
template <class S, class A>
[[nodiscard]] constexpr Tagged<S, std::remove_cvref_t<A>> tagWith(Proxy<S>, A&& a) {
  return Tagged<S, std::remove_cvref_t<A>>(std::forward<A>(a));
}

// The wrapped value; the proxy only names the tag that x must carry.
template <class S, class B>
[[nodiscard]] constexpr B proxy(const Tagged<S, B>& x, Proxy<S>) {
  return x.unTagged;
}

// f applied to the proxy of S, wrapped under S.
template <class S, class F>
  requires std::invocable<F&, Proxy<S>>
[[nodiscard]] constexpr auto unproxy(F&& f) -> Tagged<S, std::invoke_result_t<F&, Proxy<S>>> {
  return Tagged<S, std::invoke_result_t<F&, Proxy<S>>>(std::invoke(f, Proxy<S>{}));
}

// The proxy of the value type.
template <class S, class B>
[[nodiscard]] constexpr Proxy<B> reproxy(const Tagged<S, B>&) noexcept {
  return {};
}

// Mapping, applying, binding and folding act on the one wrapped value.

template <class F, class S, class B>
  requires std::invocable<F&, const B&>
[[nodiscard]] constexpr auto map(F&& f, const Tagged<S, B>& x)
    -> Tagged<S, std::invoke_result_t<F&, const B&>> {
  return Tagged<S, std::invoke_result_t<F&, const B&>>(std::invoke(f, x.unTagged));
}

template <class S, class B>
[[nodiscard]] constexpr Tagged<S, std::remove_cvref_t<B>> pure(B&& b) {
  return Tagged<S, std::remove_cvref_t<B>>(std::forward<B>(b));
}

template <class S, class F, class B>
  requires std::invocable<const F&, const B&>
[[nodiscard]] constexpr auto ap(const Tagged<S, F>& f, const Tagged<S, B>& x)
    -> Tagged<S, std::invoke_result_t<const F&, const B&>> {
  return Tagged<S, std::invoke_result_t<const F&, const B&>>(std::invoke(f.unTagged, x.unTagged));
}

// f returns a Tagged<S, C>; the result is that value.
template <class S, class B, class F>
  requires std::invocable<F&, const B&> && isTagged<std::invoke_result_t<F&, const B&>>
[[nodiscard]] constexpr auto bind(const Tagged<S, B>& x, F&& f) {
  return std::invoke(f, x.unTagged);
}

template <class F, class Z, class S, class B>
[[nodiscard]] constexpr auto foldr(F&& f, Z&& z, const Tagged<S, B>& x) {
  return std::invoke(f, x.unTagged, std::forward<Z>(z));
}

// Maps over both parameters: g maps the value; f is never called, only the
// type it would return from an S becomes the new tag.
template <class F, class G, class S, class B>
  requires std::invocable<G&, const B&>
[[nodiscard]] constexpr auto bimap(F&&, G&& g, const Tagged<S, B>& x)
    -> Tagged<std::invoke_result_t<F&, S>, std::invoke_result_t<G&, const B&>> {
  return Tagged<std::invoke_result_t<F&, S>, std::invoke_result_t<G&, const B&>>(
      std::invoke(g, x.unTagged));
}

// Hashing is B's: hashWithSalt when B has one, std::hash otherwise.
template <class S, quire::hash::Hashable B>
[[nodiscard]] constexpr std::uint64_t hashWithSalt(std::uint64_t salt, const Tagged<S, B>& x) {
  return hashWithSalt(salt, x.unTagged);
}
template <class S, quire::hash::Hashable B>
[[nodiscard]] constexpr std::uint64_t hash(const Tagged<S, B>& x) {
  return hashWithSalt(quire::hash::defaultSalt, x.unTagged);
}

}  // namespace quire::tagged

template <class S, class B>
  requires requires(const B& b) { std::hash<B>{}(b); }
struct std::hash<quire::tagged::Tagged<S, B>> {
  std::size_t operator()(const quire::tagged::Tagged<S, B>& x) const
      noexcept(noexcept(std::hash<B>{}(x.unTagged))) {
    return std::hash<B>{}(x.unTagged);
  }
};

// Bounds and the other properties of B.
template <class S, class B>
  requires std::numeric_limits<B>::is_specialized
class std::numeric_limits<quire::tagged::Tagged<S, B>> : public std::numeric_limits<B> {
  using T = quire::tagged::Tagged<S, B>;
  using L = std::numeric_limits<B>;

 public:
  static constexpr T min() noexcept { return T(L::min()); }
  static constexpr T max() noexcept { return T(L::max()); }
  static constexpr T lowest() noexcept { return T(L::lowest()); }
  static constexpr T epsilon() noexcept { return T(L::epsilon()); }
  static constexpr T round_error() noexcept { return T(L::round_error()); }
  static constexpr T infinity() noexcept { return T(L::infinity()); }
  static constexpr T quiet_NaN() noexcept { return T(L::quiet_NaN()); }
  static constexpr T signaling_NaN() noexcept { return T(L::signaling_NaN()); }
  static constexpr T denorm_min() noexcept { return T(L::denorm_min()); }
};
