// Splitting by position: pieces of given lengths, windows, and repeated
// application of a splitting function. No delimiters are involved.
//
// All results are lazy input ranges: the k-th piece is computed when it is
// pulled, from only the input it covers, so they work on endless input.
// Contiguous input (string views, strings, spans) gives views into it;
// other input ranges give owned pieces; a temporary std::string is refused.
// A result that is known without reading the input is given at once:
// splitPlaces with no counts, divvy with a negative window length.
//
// Example:
//   using namespace quire::split;
//   chunksOf(3, "abcdefgh");                        // "abc", "def", "gh"
//   splitPlaces(std::vector{2, 0, 3}, "abcde");     // "ab", "", "cde"
//   splitPlacesBlanks(std::vector{2, 3, 4}, "abcd"); // "ab", "cd", ""
//   divvy(5, 2, std::vector{1, 2, 3, 4, 5, 6, 7, 8, 9, 10});
//   // [1..5], [3..7], [5..9]
//   chunksOf(0, "ab") | std::views::take(4);        // "", "", "", ""
#pragma once

#include <algorithm>
#include <concepts>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <initializer_list>
#include <optional>
#include <ranges>
#include <tuple>
#include <type_traits>
#include <utility>
#include <vector>

#include "split/internal/input.hpp"
#include "split/internal/pulled.hpp"
#include "split/internal/stages.hpp"

namespace quire::split {

namespace detail {

// The rest of a contiguous input; pieces are views into it.
template <class View>
class ViewPieces {
 public:
  using piece_type = View;
  explicit ViewPieces(View input) : rest_(input) {}

  bool empty() const noexcept { return rest_.empty(); }
  // Removes and returns up to n elements.
  View take(std::size_t n) {
    View out = window(n);
    drop(n);
    return out;
  }
  // The first n elements (fewer if fewer remain), left in place.
  View window(std::size_t n) const noexcept { return View(rest_.data(), std::min(n, rest_.size())); }
  void drop(std::size_t n) noexcept {
    n = std::min(n, rest_.size());
    rest_ = View(rest_.data() + n, rest_.size() - n);
  }

 private:
  View rest_;
};

// The rest of any input range, read on demand; elements looked at but not
// yet removed (by window or empty) wait in a queue.
template <class V, class Seq>
class InputPieces {
  using E = std::ranges::range_value_t<Seq>;

 public:
  using piece_type = Seq;
  explicit InputPieces(V input) : input_(std::move(input)) {}

  bool empty() { return !fill(1); }
  Seq take(std::size_t n) {
    Seq out{};
    for (; n > 0 && !ahead_.empty(); --n) {
      out.push_back(std::move(ahead_.front()));
      ahead_.pop_front();
    }
    for (E e{}; n > 0 && input_.next(e); --n) out.push_back(std::move(e));
    return out;
  }
  Seq window(std::size_t n) {
    fill(n);
    const std::size_t have = std::min(n, ahead_.size());
    return Seq(ahead_.begin(), ahead_.begin() + static_cast<std::ptrdiff_t>(have));
  }
  void drop(std::size_t n) {
    for (; n > 0 && fill(1); --n) ahead_.pop_front();
  }

 private:
  // Whether n elements are at hand, reading as needed.
  bool fill(std::size_t n) {
    while (ahead_.size() < n) {
      E e{};
      if (!input_.next(e)) return false;
      ahead_.push_back(std::move(e));
    }
    return true;
  }

  RangeSource<V, E> input_;
  std::deque<E> ahead_;
};

template <class E, class R>
  requires Splittable<R, E>
auto piecesOf(R&& input) {
  if constexpr (ContiguousInput<R, E>) {
    return ViewPieces<ViewOf<R, E>>(viewOf<E>(input));
  } else {
    return InputPieces<std::views::all_t<R>, FieldOf<E>>(std::views::all(std::forward<R>(input)));
  }
}

// A count as a length: negative counts take nothing.
template <std::integral I>
std::size_t placeLength(I count) noexcept {
  if (std::cmp_less_equal(count, 0)) return 0;
  return std::in_range<std::size_t>(count) ? static_cast<std::size_t>(count) : SIZE_MAX;
}

template <class Src>
class ChunksOfStage {
 public:
  using value_type = typename Src::piece_type;
  ChunksOfStage(Src src, std::int64_t n) : src_(std::move(src)), n_(n > 0 ? placeLength(n) : 0) {}

  bool next(value_type& out) {
    if (src_.empty()) return false;
    out = src_.take(n_);
    return true;
  }

 private:
  Src src_;
  std::size_t n_;
};

template <class Src, class Counts>
class PlacesStage {
 public:
  using value_type = typename Src::piece_type;
  PlacesStage(Src src, Counts counts, bool blanks)
      : src_(std::move(src)), counts_(std::move(counts)), blanks_(blanks) {}

  bool next(value_type& out) {
    std::ranges::range_value_t<Counts> count{};
    if (!counts_.next(count)) return false;  // the counts decide first: no input is read
    if (!blanks_ && src_.empty()) return false;
    out = src_.take(placeLength(count));
    return true;
  }

 private:
  Src src_;
  RangeSource<Counts> counts_;
  bool blanks_;
};

template <class Src>
class DivvyStage {
 public:
  using value_type = typename Src::piece_type;
  DivvyStage(Src src, std::int64_t n, std::int64_t m)
      : src_(std::move(src)), n_(n), step_(m > 0 ? placeLength(m) : 0) {}

  bool next(value_type& out) {
    // No window has a negative length: that result is empty from the start.
    if (n_ < 0 || src_.empty()) return false;
    const std::size_t n = placeLength(n_);
    out = src_.window(n);
    if (std::ranges::size(out) < n) {
      n_ = -1;  // every later window is shorter still
      return false;
    }
    src_.drop(step_);
    return true;
  }

 private:
  Src src_;
  std::int64_t n_;
  std::size_t step_;
};

template <class Base, class Rest, class F>
class ChopStage {
  using Result = std::invoke_result_t<F&, Rest>;

 public:
  using value_type = std::remove_cvref_t<std::tuple_element_t<0, Result>>;
  ChopStage(Base base, F f) : base_(std::move(base)), f_(std::move(f)) {}

  bool next(value_type& out) {
    if (!rest_) rest_.emplace(std::ranges::begin(base_), std::ranges::end(base_));
    if (std::ranges::empty(*rest_)) return false;
    auto [piece, rest] = std::invoke(f_, *rest_);
    out = std::move(piece);
    rest_.emplace(std::move(rest));
    return true;
  }

 private:
  Base base_;
  F f_;
  std::optional<Rest> rest_;  // begun on the first pull, once in place
};

struct ChunksOfFn : RejectsTemporaryStrings {
  using RejectsTemporaryStrings::operator();
  template <class R>
    requires Splittable<R, ElementOf<R>>
  auto operator()(std::int64_t n, R&& input) const {
    using Src = decltype(piecesOf<ElementOf<R>>(std::forward<R>(input)));
    return Pulled<ChunksOfStage<Src>>(
        ChunksOfStage<Src>(piecesOf<ElementOf<R>>(std::forward<R>(input)), n));
  }
};

template <class C>
concept CountRange = std::ranges::input_range<C> && std::ranges::viewable_range<C> &&
                     std::integral<std::ranges::range_value_t<C>> &&
                     !std::same_as<std::ranges::range_value_t<C>, bool>;

template <bool Blanks>
struct PlacesFn : RejectsTemporaryStrings {
  using RejectsTemporaryStrings::operator();
  template <CountRange C, class R>
    requires Splittable<R, ElementOf<R>>
  auto operator()(C&& counts, R&& input) const {
    using Src = decltype(piecesOf<ElementOf<R>>(std::forward<R>(input)));
    using S = PlacesStage<Src, std::views::all_t<C>>;
    return Pulled<S>(S(piecesOf<ElementOf<R>>(std::forward<R>(input)),
                       std::views::all(std::forward<C>(counts)), Blanks));
  }
  template <std::integral I, class R>
    requires Splittable<R, ElementOf<R>>
  auto operator()(std::initializer_list<I> counts, R&& input) const {
    return (*this)(std::vector<I>(counts), std::forward<R>(input));
  }
};

struct DivvyFn : RejectsTemporaryStrings {
  using RejectsTemporaryStrings::operator();
  template <class R>
    requires Splittable<R, ElementOf<R>>
  auto operator()(std::int64_t n, std::int64_t m, R&& input) const {
    using Src = decltype(piecesOf<ElementOf<R>>(std::forward<R>(input)));
    return Pulled<DivvyStage<Src>>(
        DivvyStage<Src>(piecesOf<ElementOf<R>>(std::forward<R>(input)), n, m));
  }
};

struct ChopFn : RejectsTemporaryStrings {
  using RejectsTemporaryStrings::operator();
  template <class F, class R>
    requires Splittable<R, ElementOf<R>> &&
             (ContiguousInput<R, ElementOf<R>> || std::ranges::forward_range<R>)
  auto operator()(F f, R&& input) const {
    using E = ElementOf<R>;
    if constexpr (ContiguousInput<R, E>) {
      using View = ViewOf<R, E>;
      return Pulled<ChopStage<View, View, F>>(ChopStage<View, View, F>(viewOf<E>(input), std::move(f)));
    } else {
      using Base = std::views::all_t<R>;
      using Rest = std::ranges::subrange<std::ranges::iterator_t<Base>, std::ranges::sentinel_t<Base>>;
      return Pulled<ChopStage<Base, Rest, F>>(
          ChopStage<Base, Rest, F>(std::views::all(std::forward<R>(input)), std::move(f)));
    }
  }
};

}  // namespace detail

// Consecutive pieces of n elements, the last possibly shorter; nothing for
// an empty input. For n <= 0 and a non-empty input, an unending run of
// empty pieces, produced on demand without reading past the first element.
inline constexpr detail::ChunksOfFn chunksOf{};
inline constexpr auto& chunk = chunksOf;
inline constexpr auto& splitEvery = chunksOf;

// Pieces of the given lengths (negative counts take nothing), stopping when
// either the counts or the input run out. Counts are any integral range.
inline constexpr detail::PlacesFn<false> splitPlaces{};

// One piece per count, empty once the input is exhausted.
inline constexpr detail::PlacesFn<true> splitPlacesBlanks{};

// The results of applying f repeatedly: f takes the rest of the input (a
// view for contiguous input, else a std::ranges::subrange) and returns a
// pair of a result and the new rest; stops when the rest is empty.
// Note: f must consume something for the result to end.
inline constexpr detail::ChopFn chop{};

// Windows of n elements, starting every m elements; shorter windows at the
// end are left out, and a negative n gives nothing at once. A step m <= 0
// never advances: the first window repeats without end when the input holds
// n elements, and the result is empty when it does not.
inline constexpr detail::DivvyFn divvy{};

// g applied to the prepend operation of std::deque<T> and an empty deque:
// build<int>([](auto cons, auto nil) { return cons(1, cons(2, nil)); })
// gives the deque 1, 2. The lazy results above do not go through it.
template <class T, class G>
  requires std::invocable<G&, std::deque<T> (*)(T, std::deque<T>), std::deque<T>>
auto build(G g) {
  std::deque<T> (*prepend)(T, std::deque<T>) = [](T x, std::deque<T> xs) {
    xs.push_front(std::move(x));
    return xs;
  };
  return std::invoke(g, prepend, std::deque<T>{});
}

}  // namespace quire::split
