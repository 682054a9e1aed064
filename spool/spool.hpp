// Spool<T>: a sequence built by prepending, appending and concatenating,
// each in constant time, and turned into a std::vector only when consumed.
//
// A spool suits output accumulated in an order that a vector or a singly
// linked list handles badly: appends at the end of a shared value, joins of
// many pieces, prepends and appends mixed. cons, snoc and append never copy
// elements; toList walks the whole structure once, in time linear in the
// number of elements plus the number of appends, and neither it nor the
// destructor recurses on the native stack however the spool was built.
//
// Spools are immutable values and cheap to copy (they share structure).
// Passing a spool you no longer need as an rvalue (snoc(std::move(s), x))
// lets the operation grow its storage in place, which makes a loop of snocs
// as fast as vector push_back; a shared spool is never changed.
//
// Example:
//   using namespace quire::spool;
//   Spool<int> s = fromList({2, 3});
//   s = cons(1, std::move(s));
//   s = snoc(std::move(s), 4);
//   Spool<int> t = append(s, replicate(2, 0));
//   toList(t);                         // {1, 2, 3, 4, 0, 0}
//   head(t);                           // 1
//   tail(fromList({7}));               // {}
//   toList(intercalate(singleton(0), {fromList({1}), fromList({2, 3})}));  // {1, 0, 2, 3}
//   head(Spool<int>());                // throws quire::Error("Data.Spool.head: empty Spool")
#pragma once

#include <algorithm>
#include <compare>
#include <concepts>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

#include "base/error.hpp"
#include "spool/export.hpp"
#include "spool/internal/node.hpp"

namespace quire::spool {

template <class T>
class Spool;

namespace detail {

// The fatal errors of the partial operations, with their exact messages.
[[noreturn]] QUIRE_SPOOL_EXPORT void emptyHead();
[[noreturn]] QUIRE_SPOOL_EXPORT void emptyTail();
[[noreturn]] QUIRE_SPOOL_EXPORT void negativeMultiplier();
[[noreturn]] QUIRE_SPOOL_EXPORT void emptyStructure(const char* operation);

// Reaches the tree inside a spool for the operations of this library.
struct Access {
  template <class T>
  static const Node<T>* root(const Spool<T>& s) noexcept {
    return s.root_;
  }
  template <class T>
  static Node<T>* take(Spool<T>& s) noexcept {
    return std::exchange(s.root_, nullptr);
  }
  template <class T>
  static Spool<T> adopt(Node<T>* n) noexcept {
    Spool<T> s;
    s.root_ = n;
    return s;
  }
};

}  // namespace detail

// The operation a spool stands for: its elements put before a tail.
template <class T>
using PrependFunction = detail::PrependFunction<T>;

template <class T>
class Spool {
  static_assert(std::is_copy_constructible_v<T>, "spool elements are shared, so they must be copyable");
  using Engine = detail::Engine<T>;

 public:
  using value_type = T;

  // The empty spool.
  Spool() noexcept = default;
  Spool(const Spool& other) noexcept : root_(Engine::share(other.root_)) {}
  Spool(Spool&& other) noexcept : root_(std::exchange(other.root_, nullptr)) {}
  Spool& operator=(const Spool& other) noexcept {
    Spool(other).swap(*this);
    return *this;
  }
  Spool& operator=(Spool&& other) noexcept {
    Spool(std::move(other)).swap(*this);
    return *this;
  }
  ~Spool() { Engine::release(root_); }

  void swap(Spool& other) noexcept { std::swap(root_, other.root_); }

  // A spool standing for the caller's prepend operation, used as it is.
  // Note: f must only put elements before the list it is given, never look
  // at or rearrange it; nothing checks this. A spool holding such an
  // operation materialises in time proportional to its length times the
  // number of these operations, as each needs the whole list after it.
  [[nodiscard]] static Spool unsafeSpool(PrependFunction<T> f) {
    return detail::Access::adopt<T>(new detail::OpaqueNode<T>(std::move(f)));
  }

 private:
  friend struct detail::Access;
  detail::Node<T>* root_ = nullptr;
};

// The spool as its prepend operation: elements of s followed by the tail.
template <class T>
[[nodiscard]] PrependFunction<T> unsafeApplySpool(Spool<T> s) {
  return [s = std::move(s)](std::vector<T> tail) {
    return detail::Engine<T>::materialise(detail::Access::root(s), std::move(tail));
  };
}

template <class T>
[[nodiscard]] Spool<T> empty() noexcept {
  return Spool<T>();
}

template <class T>
[[nodiscard]] Spool<std::remove_cvref_t<T>> singleton(T&& x) {
  using U = std::remove_cvref_t<T>;
  return detail::Access::adopt<U>(detail::Engine<U>::chunkOf1(std::forward<T>(x), false));
}

template <class T>
[[nodiscard]] Spool<T> fromList(std::vector<T> xs) {
  return detail::Access::adopt<T>(detail::Engine<T>::chunkOf(std::move(xs)));
}

template <class T>
[[nodiscard]] Spool<T> fromList(std::initializer_list<T> xs) {
  return detail::Access::adopt<T>(detail::Engine<T>::chunkOf(xs.begin(), xs.end()));
}

// The elements of s. A spool passed as an rvalue that holds one plain run
// of elements (a loop of snocs, fromList) hands its storage over.
template <class T>
[[nodiscard]] std::vector<T> toList(const Spool<T>& s) {
  return detail::Engine<T>::materialise(detail::Access::root(s), {});
}
template <class T>
[[nodiscard]] std::vector<T> toList(Spool<T>&& s) {
  return detail::Engine<T>::materialiseOwned(detail::Access::take(s));
}

// The elements of s followed by tail.
template <class T>
[[nodiscard]] std::vector<T> apply(const Spool<T>& s, std::vector<T> tail) {
  return detail::Engine<T>::materialise(detail::Access::root(s), std::move(tail));
}

// x followed by s; constant time.
template <class T>
[[nodiscard]] Spool<T> cons(std::type_identity_t<T> x, Spool<T> s) {
  return detail::Access::adopt<T>(detail::Engine<T>::cons(std::move(x), detail::Access::take(s)));
}

// s followed by x; constant time.
template <class T>
[[nodiscard]] Spool<T> snoc(Spool<T> s, std::type_identity_t<T> x) {
  return detail::Access::adopt<T>(detail::Engine<T>::snoc(detail::Access::take(s), std::move(x)));
}

// s followed by t; constant time.
template <class T>
[[nodiscard]] Spool<T> append(Spool<T> s, Spool<T>&& t) {
  return detail::Access::adopt<T>(
      detail::Engine<T>::append(detail::Access::take(s), detail::Access::take(t)));
}
template <class T>
[[nodiscard]] Spool<T> append(Spool<T> s, const Spool<T>& t) {
  return detail::Access::adopt<T>(
      detail::Engine<T>::appendBorrowed(detail::Access::take(s), detail::Access::root(t)));
}

template <class T>
[[nodiscard]] Spool<T> operator+(Spool<T> s, Spool<T> t) {
  return append(std::move(s), std::move(t));
}

// All spools of ss, in order; time linear in ss.size().
template <class T>
[[nodiscard]] Spool<T> concat(const std::vector<Spool<T>>& ss) {
  Spool<T> out;
  for (const Spool<T>& s : ss) out = append(std::move(out), s);
  return out;
}

// n copies of x; empty for n <= 0.
template <class T>
[[nodiscard]] Spool<std::remove_cvref_t<T>> replicate(std::int64_t n, T&& x) {
  using U = std::remove_cvref_t<T>;
  if (n <= 0) return Spool<U>();
  return fromList(std::vector<U>(static_cast<std::size_t>(n), std::forward<T>(x)));
}

// True when s has no elements. Constant time unless s holds a caller's
// prepend operation.
template <class T>
[[nodiscard]] bool null(const Spool<T>& s) {
  const auto* n = detail::Access::root(s);
  if (!n) return true;
  if (!n->opaque) return false;
  return toList(s).empty();
}

// The number of elements. Constant time unless s holds a caller's prepend
// operation.
template <class T>
[[nodiscard]] std::size_t length(const Spool<T>& s) {
  const auto* n = detail::Access::root(s);
  if (n && n->opaque) return toList(s).size();
  return detail::Engine<T>::count(n);
}

// The first element; throws quire::Error("Data.Spool.head: empty Spool")
// when there is none. Walks only as far as the first element.
template <class T>
[[nodiscard]] T head(const Spool<T>& s) {
  const auto* n = detail::Access::root(s);
  if (n && !n->opaque) {
    const T* first = nullptr;
    detail::Engine<T>::walk(
        n,
        [&](const detail::Run<T>& r) {
          first = r.reversed ? r.last - 1 : r.first;
          return false;
        },
        [](const auto&) { return false; });
    return *first;
  }
  std::vector<T> all = toList(s);
  if (all.empty()) detail::emptyHead();
  return std::move(all.front());
}

// The elements after the first; throws
// quire::Error("Data.Spool.tail: empty Spool") when there are none.
template <class T>
[[nodiscard]] std::vector<T> tail(const Spool<T>& s) {
  std::vector<T> all = toList(s);
  if (all.empty()) detail::emptyTail();
  all.erase(all.begin());
  return all;
}

// Pattern views. isNil(s) matches a spool without elements; matchCons(s)
// gives the first element and the remaining list, or nullopt for an empty
// spool.
template <class T>
struct Cons {
  T head;
  std::vector<T> tail;
  friend bool operator==(const Cons&, const Cons&) = default;
};

template <class T>
[[nodiscard]] bool isNil(const Spool<T>& s) {
  return null(s);
}

template <class T>
[[nodiscard]] std::optional<Cons<T>> matchCons(const Spool<T>& s) {
  std::vector<T> all = toList(s);
  if (all.empty()) return std::nullopt;
  T first = std::move(all.front());
  all.erase(all.begin());
  return Cons<T>{std::move(first), std::move(all)};
}

// Unfolds from a seed: f(b) gives nullopt (no more elements) or the next
// element and the next seed.
template <class B, class F>
  requires std::invocable<F&, B>
[[nodiscard]] auto unfoldr(F&& f, B b) {
  using Step = std::invoke_result_t<F&, B>;
  using T = std::remove_cvref_t<decltype(std::declval<Step&>()->first)>;
  std::vector<T> out;
  for (Step step = std::invoke(f, std::move(b)); step; step = std::invoke(f, std::move(b))) {
    out.push_back(std::move(step->first));
    b = std::move(step->second);
  }
  return fromList(std::move(out));
}

// Right fold: f(x1, f(x2, ... f(xn, z))), computed from the last element
// without recursion.
template <class T, class F, class Z>
[[nodiscard]] Z foldr(F&& f, Z z, const Spool<T>& s) {
  std::vector<T> all = toList(s);
  for (auto x = all.rbegin(); x != all.rend(); ++x) z = std::invoke(f, *x, std::move(z));
  return z;
}

// f applied to each element, in order.
template <class T, class F>
  requires std::invocable<F&, const T&>
[[nodiscard]] auto map(F&& f, const Spool<T>& s) {
  using U = std::remove_cvref_t<std::invoke_result_t<F&, const T&>>;
  std::vector<U> out;
  const auto* n = detail::Access::root(s);
  if (n && !n->opaque) out.reserve(detail::Engine<T>::count(n));
  for (const T& x : toList(s)) out.push_back(std::invoke(f, x));
  return fromList(std::move(out));
}

// The spools of ss with sep between neighbours.
template <class T>
[[nodiscard]] Spool<T> intercalate(const Spool<T>& sep, const std::vector<Spool<T>>& ss) {
  Spool<T> out;
  for (std::size_t i = 0; i < ss.size(); ++i) {
    if (i > 0) out = append(std::move(out), sep);
    out = append(std::move(out), ss[i]);
  }
  return out;
}

// Equality and lexicographic ordering of the element lists.
template <std::equality_comparable T>
[[nodiscard]] bool operator==(const Spool<T>& a, const Spool<T>& b) {
  const auto* x = detail::Access::root(a);
  const auto* y = detail::Access::root(b);
  if (x == y) return true;
  if (x && y && !x->opaque && !y->opaque &&
      detail::Engine<T>::count(x) != detail::Engine<T>::count(y)) {
    return false;
  }
  return toList(a) == toList(b);
}

template <std::three_way_comparable T>
[[nodiscard]] auto operator<=>(const Spool<T>& a, const Spool<T>& b) {
  std::vector<T> x = toList(a);
  std::vector<T> y = toList(b);
  return std::lexicographical_compare_three_way(x.begin(), x.end(), y.begin(), y.end());
}

// Spools of characters from string literals.
namespace detail {
template <class Char>
Spool<Char> fromCharacters(std::basic_string_view<Char> s) {
  return Access::adopt<Char>(Engine<Char>::chunkOf(s.begin(), s.end()));
}
}  // namespace detail

[[nodiscard]] inline Spool<char> fromString(std::string_view s) { return detail::fromCharacters(s); }
[[nodiscard]] inline Spool<char32_t> fromString(std::u32string_view s) {
  return detail::fromCharacters(s);
}

template <class T>
inline constexpr bool isSpool = false;
template <class T>
inline constexpr bool isSpool<Spool<T>> = true;

}  // namespace quire::spool

// The tree walking and freeing for common element types live in the shared
// library.
namespace quire::spool::detail {
extern template struct QUIRE_SPOOL_EXPORT Engine<int>;
extern template struct QUIRE_SPOOL_EXPORT Engine<std::int64_t>;
extern template struct QUIRE_SPOOL_EXPORT Engine<double>;
extern template struct QUIRE_SPOOL_EXPORT Engine<char>;
extern template struct QUIRE_SPOOL_EXPORT Engine<char32_t>;
extern template struct QUIRE_SPOOL_EXPORT Engine<std::string>;
}  // namespace quire::spool::detail
