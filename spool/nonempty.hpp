// SpoolNonEmpty<T>: a spool with at least one element, held as a first
// element and a Spool<T> of the rest.
//
// The operations mirror those of Spool and keep the first element in front;
// head is total. Constructors that cannot tell from their arguments which
// type to build live in the nested namespace nonempty (singleton, fromList,
// unfoldr).
//
// Example:
//   using namespace quire::spool;
//   SpoolNonEmpty<int> d(1, fromList({2}));
//   d = snoc(std::move(d), 3);
//   toList(d);                                   // {1, 2, 3}
//   head(d);                                     // 1
//   tail(cons(0, d));                            // {1, 2, 3}
//   toNonEmpty(d);                               // NonEmpty<int>{1, {2, 3}}
//   auto u = nonempty::unfoldr([](int b) {
//     return std::pair{b, b < 3 ? std::optional<int>(b + 1) : std::nullopt};
//   }, 1);                                       // 1, 2, 3
//   nonempty::fromList<int>({});
//   // throws quire::Error("Data.Spool.SpoolNonEmpty.fromList: empty list")
#pragma once

#include <compare>
#include <cstdint>
#include <functional>
#include <optional>
#include <type_traits>
#include <utility>
#include <vector>

#include "spool/combine.hpp"
#include "spool/export.hpp"
#include "spool/fold.hpp"
#include "spool/spool.hpp"

namespace quire::spool {

namespace detail {
[[noreturn]] QUIRE_SPOOL_EXPORT void emptyNonEmptyList();
[[noreturn]] QUIRE_SPOOL_EXPORT void zeroNonEmptyMultiplier();
}  // namespace detail

template <class T>
class SpoolNonEmpty {
 public:
  using value_type = T;

  // first followed by rest.
  SpoolNonEmpty(T first, Spool<T> rest) : first_(std::move(first)), rest_(std::move(rest)) {}

  [[nodiscard]] const T& first() const& noexcept { return first_; }
  [[nodiscard]] const Spool<T>& rest() const& noexcept { return rest_; }
  [[nodiscard]] T first() && { return std::move(first_); }
  [[nodiscard]] Spool<T> rest() && { return std::move(rest_); }

 private:
  T first_;
  Spool<T> rest_;
};

template <class T>
inline constexpr bool isSpoolNonEmpty = false;
template <class T>
inline constexpr bool isSpoolNonEmpty<SpoolNonEmpty<T>> = true;

template <class T>
[[nodiscard]] Spool<T> toSpool(SpoolNonEmpty<T> d) {
  T first = std::move(d).first();
  return cons(std::move(first), std::move(d).rest());
}

template <class T>
[[nodiscard]] std::vector<T> toList(const SpoolNonEmpty<T>& d) {
  return toList(toSpool(d));
}

template <class T>
[[nodiscard]] SpoolNonEmpty<T> fromNonEmpty(NonEmpty<T> ne) {
  return SpoolNonEmpty<T>(std::move(ne.head), fromList(std::move(ne.tail)));
}

template <class T>
[[nodiscard]] NonEmpty<T> toNonEmpty(const SpoolNonEmpty<T>& d) {
  return NonEmpty<T>{d.first(), toList(d.rest())};
}

template <class T>
[[nodiscard]] SpoolNonEmpty<T> cons(std::type_identity_t<T> x, SpoolNonEmpty<T> d) {
  T first = std::move(d).first();
  return SpoolNonEmpty<T>(std::move(x), cons(std::move(first), std::move(d).rest()));
}

template <class T>
[[nodiscard]] SpoolNonEmpty<T> snoc(SpoolNonEmpty<T> d, std::type_identity_t<T> x) {
  T first = std::move(d).first();
  return SpoolNonEmpty<T>(std::move(first), snoc(std::move(d).rest(), std::move(x)));
}

template <class T>
[[nodiscard]] SpoolNonEmpty<T> append(SpoolNonEmpty<T> d, SpoolNonEmpty<T> e) {
  T first = std::move(d).first();
  return SpoolNonEmpty<T>(std::move(first), append(std::move(d).rest(), toSpool(std::move(e))));
}

template <class T>
[[nodiscard]] SpoolNonEmpty<T> operator+(SpoolNonEmpty<T> d, SpoolNonEmpty<T> e) {
  return append(std::move(d), std::move(e));
}

// The first element; always there.
template <class T>
[[nodiscard]] const T& head(const SpoolNonEmpty<T>& d) noexcept {
  return d.first();
}

// The elements after the first.
template <class T>
[[nodiscard]] std::vector<T> tail(const SpoolNonEmpty<T>& d) {
  return toList(d.rest());
}

template <class T, class F>
  requires std::invocable<F&, const T&>
[[nodiscard]] auto map(F&& f, const SpoolNonEmpty<T>& d) {
  using U = std::remove_cvref_t<std::invoke_result_t<F&, const T&>>;
  U first = std::invoke(f, d.first());
  return SpoolNonEmpty<U>(std::move(first), map(f, d.rest()));
}

template <std::equality_comparable T>
[[nodiscard]] bool operator==(const SpoolNonEmpty<T>& a, const SpoolNonEmpty<T>& b) {
  return a.first() == b.first() && a.rest() == b.rest();
}

template <std::three_way_comparable T>
[[nodiscard]] auto operator<=>(const SpoolNonEmpty<T>& a, const SpoolNonEmpty<T>& b) {
  if (auto c = a.first() <=> b.first(); c != 0) return c;
  return a.rest() <=> b.rest();
}

// Folds, as over toList(d); maximum and minimum are total here.
template <class T>
[[nodiscard]] std::size_t length(const SpoolNonEmpty<T>& d) {
  return 1 + length(d.rest());
}
template <class T, class F, class Z>
[[nodiscard]] Z foldr(F&& f, Z z, const SpoolNonEmpty<T>& d) {
  return foldr(std::forward<F>(f), std::move(z), toSpool(d));
}
template <class T, class F, class Z>
[[nodiscard]] Z foldl(F&& f, Z z, const SpoolNonEmpty<T>& d) {
  return foldl(std::forward<F>(f), std::move(z), toSpool(d));
}
template <class T>
[[nodiscard]] T maximum(const SpoolNonEmpty<T>& d) {
  return maximum(toSpool(d));
}
template <class T>
[[nodiscard]] T minimum(const SpoolNonEmpty<T>& d) {
  return minimum(toSpool(d));
}
template <class T>
[[nodiscard]] T sum(const SpoolNonEmpty<T>& d) {
  return sum(toSpool(d));
}
template <class T>
[[nodiscard]] T product(const SpoolNonEmpty<T>& d) {
  return product(toSpool(d));
}
template <class T>
[[nodiscard]] bool elem(const T& x, const SpoolNonEmpty<T>& d) {
  return elem(x, toSpool(d));
}

// The non-empty spools of ds appended in order.
template <class T>
[[nodiscard]] SpoolNonEmpty<T> sconcat(NonEmpty<SpoolNonEmpty<T>> ds) {
  SpoolNonEmpty<T> out = std::move(ds.head);
  for (SpoolNonEmpty<T>& d : ds.tail) out = append(std::move(out), std::move(d));
  return out;
}

// d appended to itself n times. A negative n throws
// quire::Error("Data.Spool.stimes: negative multiplier"); 0, which would
// give no elements, throws
// quire::Error("Data.Spool.SpoolNonEmpty.stimes: zero multiplier").
template <class T>
[[nodiscard]] SpoolNonEmpty<T> stimes(std::int64_t n, const SpoolNonEmpty<T>& d) {
  if (n < 0) detail::negativeMultiplier();
  if (n == 0) detail::zeroNonEmptyMultiplier();
  return SpoolNonEmpty<T>(d.first(), append(d.rest(), stimes(n - 1, toSpool(d))));
}

// Every function applied to every value, functions in the outer order.
template <class F, class T>
  requires std::invocable<const F&, const T&>
[[nodiscard]] auto ap(const SpoolNonEmpty<F>& fs, const SpoolNonEmpty<T>& xs) {
  auto all = ap(toSpool(fs), toSpool(xs));
  using U = typename decltype(all)::value_type;
  U first = std::invoke(fs.first(), xs.first());
  return SpoolNonEmpty<U>(std::move(first), fromList(tail(all)));
}

// The non-empty spools f gives for each element, joined in order.
template <class T, class F>
  requires std::invocable<F&, const T&> && isSpoolNonEmpty<std::invoke_result_t<F&, const T&>>
[[nodiscard]] auto bind(const SpoolNonEmpty<T>& d, F&& f) {
  auto out = std::invoke(f, d.first());
  for (const T& x : toList(d.rest())) out = append(std::move(out), std::invoke(f, x));
  return out;
}

namespace nonempty {

template <class T>
[[nodiscard]] SpoolNonEmpty<std::remove_cvref_t<T>> singleton(T&& x) {
  return SpoolNonEmpty<std::remove_cvref_t<T>>(std::forward<T>(x), {});
}

template <class T>
[[nodiscard]] SpoolNonEmpty<std::remove_cvref_t<T>> pure(T&& x) {
  return singleton(std::forward<T>(x));
}

// From a list; throws
// quire::Error("Data.Spool.SpoolNonEmpty.fromList: empty list") for {}.
template <class T>
[[nodiscard]] SpoolNonEmpty<T> fromList(std::vector<T> xs) {
  if (xs.empty()) detail::emptyNonEmptyList();
  T first = std::move(xs.front());
  xs.erase(xs.begin());
  return SpoolNonEmpty<T>(std::move(first), spool::fromList(std::move(xs)));
}

template <class T>
[[nodiscard]] SpoolNonEmpty<T> fromList(std::initializer_list<T> xs) {
  return fromList(std::vector<T>(xs));
}

// f(b) gives the next element and, optionally, the seed of the rest; the
// unfold ends at the first step without a seed.
template <class B, class F>
  requires std::invocable<F&, B>
[[nodiscard]] auto unfoldr(F&& f, B b) {
  using Step = std::invoke_result_t<F&, B>;
  using T = std::remove_cvref_t<decltype(std::declval<Step&>().first)>;
  Step step = std::invoke(f, std::move(b));
  T first = std::move(step.first);
  std::vector<T> rest;
  while (step.second) {
    B next = std::move(*step.second);
    step = std::invoke(f, std::move(next));
    rest.push_back(std::move(step.first));
  }
  return SpoolNonEmpty<T>(std::move(first), spool::fromList(std::move(rest)));
}

}  // namespace nonempty

}  // namespace quire::spool
