// Folds over the elements of a Spool, in order: each is the fold of toList.
//
// Example:
//   using namespace quire::spool;
//   Spool<int> s = fromList({3, 1, 2});
//   sum(s);                                   // 6
//   product(s);                               // 6
//   maximum(s);                               // 3
//   elem(2, s);                               // true
//   foldl([](int z, int x) { return z * 10 + x; }, 0, s);   // 312
//   minimum(Spool<int>());    // throws quire::Error("minimum: empty structure")
#pragma once

#include <algorithm>
#include <functional>
#include <optional>
#include <utility>
#include <vector>

#include "spool/spool.hpp"

namespace quire::spool {

// Left fold: f(...f(f(z, x1), x2)..., xn).
template <class T, class F, class Z>
[[nodiscard]] Z foldl(F&& f, Z z, const Spool<T>& s) {
  for (const T& x : toList(s)) z = std::invoke(f, std::move(z), x);
  return z;
}

// Calls f on each element, first to last.
template <class T, class F>
  requires std::invocable<F&, const T&>
void forEach(const Spool<T>& s, F&& f) {
  for (const T& x : toList(s)) std::invoke(f, x);
}

template <class T>
[[nodiscard]] bool elem(const T& x, const Spool<T>& s) {
  for (const T& y : toList(s)) {
    if (y == x) return true;
  }
  return false;
}

// The sum (0 for no elements) and product (1 for no elements).
template <class T>
[[nodiscard]] T sum(const Spool<T>& s) {
  return foldl([](T z, const T& x) { return z + x; }, T(0), s);
}
template <class T>
[[nodiscard]] T product(const Spool<T>& s) {
  return foldl([](T z, const T& x) { return z * x; }, T(1), s);
}

// The largest and smallest element (the first of equals); throw
// quire::Error("maximum: empty structure") / ("minimum: empty structure").
template <class T>
[[nodiscard]] T maximum(const Spool<T>& s) {
  std::vector<T> all = toList(s);
  if (all.empty()) detail::emptyStructure("maximum");
  return *std::max_element(all.begin(), all.end());
}
template <class T>
[[nodiscard]] T minimum(const Spool<T>& s) {
  std::vector<T> all = toList(s);
  if (all.empty()) detail::emptyStructure("minimum");
  return *std::min_element(all.begin(), all.end());
}

// Maps every element through f, left to right, stopping at the first
// nullopt: the spool of the results, or nullopt.
template <class T, class F>
  requires std::invocable<F&, const T&>
[[nodiscard]] auto traverse(F&& f, const Spool<T>& s)
    -> std::optional<Spool<typename std::invoke_result_t<F&, const T&>::value_type>> {
  using U = typename std::invoke_result_t<F&, const T&>::value_type;
  std::vector<U> out;
  for (const T& x : toList(s)) {
    auto y = std::invoke(f, x);
    if (!y) return std::nullopt;
    out.push_back(std::move(*y));
  }
  return fromList(std::move(out));
}

}  // namespace quire::spool
