// Combining spools, and the sequencing operations built on append.
//
// append is the combining operation and empty its identity. sconcat joins a
// non-empty list of spools, stimes repeats one. pure, ap and bind treat a
// spool as a sequence of alternatives: ap applies every function to every
// value (functions in the outer order), bind maps each element to a spool
// and joins the results; alt is append, with empty as the choice that fails.
//
// Example:
//   using namespace quire::spool;
//   toList(stimes(3, fromList({1, 2})));             // {1, 2, 1, 2, 1, 2}
//   stimes(-1, fromList({1}));  // throws quire::Error("Data.Spool.stimes: negative multiplier")
//   Spool<std::function<int(int)>> fs = fromList<std::function<int(int)>>(
//       {[](int x) { return x + 1; }, [](int x) { return x * 10; }});
//   toList(ap(fs, fromList({1, 2})));               // {2, 3, 10, 20}
//   toList(bind(fromList({1, 2}), [](int x) { return replicate(x, x); }));   // {1, 2, 2}
#pragma once

#include <cstdint>
#include <functional>
#include <type_traits>
#include <utility>
#include <vector>

#include "spool/spool.hpp"

namespace quire::spool {

// A list with at least one element: head, then the rest.
template <class T>
struct NonEmpty {
  T head;
  std::vector<T> tail;
  friend bool operator==(const NonEmpty&, const NonEmpty&) = default;
  friend auto operator<=>(const NonEmpty&, const NonEmpty&) = default;
};

// The spools of ss appended in order; a single spool comes back unchanged.
template <class T>
[[nodiscard]] Spool<T> sconcat(NonEmpty<Spool<T>> ss) {
  Spool<T> out = std::move(ss.head);
  for (Spool<T>& s : ss.tail) out = append(std::move(out), std::move(s));
  return out;
}

// The identity of append, and the join of any list of spools.
template <class T>
[[nodiscard]] Spool<T> mempty() noexcept {
  return Spool<T>();
}
template <class T>
[[nodiscard]] Spool<T> mconcat(const std::vector<Spool<T>>& ss) {
  return concat(ss);
}

// s appended to itself n times; empty for 0; throws
// quire::Error("Data.Spool.stimes: negative multiplier") for n < 0. Builds
// O(log n) nodes that share s.
template <class T>
[[nodiscard]] Spool<T> stimes(std::int64_t n, const Spool<T>& s) {
  if (n < 0) detail::negativeMultiplier();
  Spool<T> out;
  Spool<T> power = s;
  for (auto k = static_cast<std::uint64_t>(n); k != 0; k >>= 1) {
    if (k & 1) out = append(std::move(out), power);
    if (k > 1) power = append(power, power);
  }
  return out;
}

template <class T>
[[nodiscard]] Spool<std::remove_cvref_t<T>> pure(T&& x) {
  return singleton(std::forward<T>(x));
}

// Every function of fs applied to every value of xs.
template <class F, class T>
  requires std::invocable<const F&, const T&>
[[nodiscard]] auto ap(const Spool<F>& fs, const Spool<T>& xs) {
  using U = std::remove_cvref_t<std::invoke_result_t<const F&, const T&>>;
  std::vector<T> values = toList(xs);
  std::vector<U> out;
  for (const F& f : toList(fs)) {
    for (const T& x : values) out.push_back(std::invoke(f, x));
  }
  return fromList(std::move(out));
}

// The spools f gives for each element, joined in order.
template <class T, class F>
  requires std::invocable<F&, const T&> && isSpool<std::invoke_result_t<F&, const T&>>
[[nodiscard]] auto bind(const Spool<T>& s, F&& f) {
  std::invoke_result_t<F&, const T&> out;
  for (const T& x : toList(s)) out = append(std::move(out), std::invoke(f, x));
  return out;
}

// The choice between two spools: both, in order.
template <class T>
[[nodiscard]] Spool<T> alt(Spool<T> s, Spool<T> t) {
  return append(std::move(s), std::move(t));
}

}  // namespace quire::spool
