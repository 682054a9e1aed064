// Writes: encodings whose byte length is known in advance up to a bound.
//
// A Poke stores bytes at a pointer and returns the pointer just past them.
// A Write pairs a Poke with its bound, the largest number of bytes the poke
// can ever store, so a whole encoding is checked against the free space of a
// buffer once and then stored through a raw pointer with no further checks.
// Writes combine with `+` (bounds add), choose between alternatives for one
// value (the bound is the largest alternative's), and turn into builders
// (quill/from_write.hpp) or byte strings (quill/drivers.hpp).
//
// Write<F> and Poke<F> carry their store action's type, so combined writes
// inline completely; Write<> and Poke<> are the type-erased forms for
// holding different writes in one variable or container.
//
// Example:
//   using namespace quire::quill;
//   auto w = writeStorable<std::uint8_t>(1) + writeByteString(quire::Bytes("ab"));
//   // getBound(w) == 3
//   // writeToByteString(w).view() == "\x01" "ab"
//   auto sign = [](int x) {
//     return writeOrd(0, [](int) { return writeByteString(quire::Bytes("-")); },
//                     [](int) { return writeByteString(quire::Bytes("zero")); },
//                     [](int) { return writeByteString(quire::Bytes("+")); }, x);
//   };
//   // getBound(sign(-3)) == 4, writeToByteString(sign(-3)).view() == "-"
#pragma once

#include <algorithm>
#include <concepts>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <functional>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <variant>
#include <vector>

#include "base/builder.hpp"
#include "base/bytes.hpp"
#include "base/error.hpp"
#include "quill/export.hpp"

namespace quire::quill {

// The store action of the type-erased Poke<>.
using AnyPokeAction = std::function<std::uint8_t*(std::uint8_t*)>;

// Stores bytes at a pointer and returns the pointer past the last byte.
template <class F = AnyPokeAction>
class Poke {
 public:
  using Action = F;

  constexpr explicit Poke(F action) noexcept(std::is_nothrow_move_constructible_v<F>)
      : action_(std::move(action)) {}
  // Any poke converts to the type-erased Poke<>.
  template <class G>
  requires(std::same_as<F, AnyPokeAction> && !std::same_as<G, AnyPokeAction>)
      Poke(Poke<G> other)  // NOLINT: implicit by design
      : action_(std::move(other).action()) {}

  std::uint8_t* runPoke(std::uint8_t* out) const { return action_(out); }

  [[nodiscard]] constexpr const F& action() const& noexcept { return action_; }
  [[nodiscard]] constexpr F&& action() && noexcept { return std::move(action_); }

 private:
  F action_;
};

template <class F>
Poke(F) -> Poke<F>;

// An encoding of one value: at most bound() bytes stored by poke().
// Note: the bound is trusted, never checked; a poke that stores more
// overruns the buffer. Every write of this library keeps its bound.
template <class F = AnyPokeAction>
class Write {
 public:
  constexpr Write(std::int64_t bound,
                  Poke<F> poke) noexcept(std::is_nothrow_move_constructible_v<F>)
      : bound_(bound), poke_(std::move(poke)) {}
  template <class G>
  requires(std::same_as<F, AnyPokeAction> && !std::same_as<G, AnyPokeAction>)
      Write(Write<G> other)  // NOLINT: implicit by design
      : bound_(other.bound()), poke_(std::move(other).poke()) {}

  [[nodiscard]] constexpr std::int64_t bound() const noexcept { return bound_; }
  [[nodiscard]] constexpr const Poke<F>& poke() const& noexcept { return poke_; }
  [[nodiscard]] constexpr Poke<F>&& poke() && noexcept { return std::move(poke_); }

 private:
  std::int64_t bound_;
  Poke<F> poke_;
};

template <class F>
Write(std::int64_t, Poke<F>) -> Write<F>;

template <class W>
inline constexpr bool isWrite = false;
template <class F>
inline constexpr bool isWrite<Write<F>> = true;

// A Write<F> for some F.
template <class W>
concept AnyWrite = isWrite<std::remove_cvref_t<W>>;

// A function from T to some Write.
template <class WF, class T>
concept WriteFunction =
    std::invocable<const WF&, const T&> && AnyWrite<std::invoke_result_t<const WF&, const T&>>;

template <class F>
[[nodiscard]] constexpr std::int64_t getBound(const Write<F>& w) noexcept {
  return w.bound();
}
template <class F>
[[nodiscard]] constexpr const Poke<F>& getPoke(const Write<F>& w) noexcept {
  return w.poke();
}
// Runs w's poke at out; returns the pointer past what it stored.
template <class F>
std::uint8_t* runWrite(const Write<F>& w, std::uint8_t* out) {
  return w.poke().runPoke(out);
}

namespace detail {

struct EmptyAction {
  constexpr std::uint8_t* operator()(std::uint8_t* out) const noexcept { return out; }
};

template <class Store>
struct AdvanceBy {
  std::size_t n;
  Store store;
  std::uint8_t* operator()(std::uint8_t* out) const {
    store(out);
    return out + n;
  }
};

template <class A, class B>
struct ThenAction {
  A first;
  B second;
  std::uint8_t* operator()(std::uint8_t* out) const { return second(first(out)); }
};

template <class F>
struct ListAction {
  std::shared_ptr<const std::vector<Poke<F>>> pokes;
  std::uint8_t* operator()(std::uint8_t* out) const {
    for (const Poke<F>& p : *pokes) out = p.runPoke(out);
    return out;
  }
};

template <class F>
struct RepeatAction {
  std::size_t times;
  Poke<F> poke;
  std::uint8_t* operator()(std::uint8_t* out) const {
    for (std::size_t i = 0; i < times; ++i) out = poke.runPoke(out);
    return out;
  }
};

// Exactly one of several pokes, chosen when the write was made.
template <class... Fs>
struct OneOfAction {
  std::variant<Poke<Fs>...> chosen;
  std::uint8_t* operator()(std::uint8_t* out) const {
    return std::visit([out](const auto& p) { return p.runPoke(out); }, chosen);
  }
};

template <class T>
struct StorableAction {
  T value;
  std::uint8_t* operator()(std::uint8_t* out) const noexcept {
    std::memcpy(out, &value, sizeof(T));
    return out + sizeof(T);
  }
};

template <class T, class Store>
struct PrimFixedAction {
  builder::FixedPrim<T, Store> prim;
  T value;
  std::uint8_t* operator()(std::uint8_t* out) const {
    prim.store(value, out);
    return out + prim.size;
  }
};

template <class T, class Store>
struct PrimBoundedAction {
  builder::BoundedPrim<T, Store> prim;
  T value;
  std::uint8_t* operator()(std::uint8_t* out) const { return prim.store(value, out); }
};

struct BytesAction {
  Bytes bytes;
  std::uint8_t* operator()(std::uint8_t* out) const noexcept {
    if (!bytes.empty()) std::memcpy(out, bytes.data(), bytes.size());
    return out + bytes.size();
  }
};

// Bound arithmetic that would leave the 64-bit range is refused rather than
// wrapped: a wrapped bound would let a poke overrun its buffer.
[[noreturn]] QUIRE_QUILL_EXPORT void throwBoundOverflow(const char* operation);

constexpr std::int64_t addBounds(std::int64_t a, std::int64_t b, const char* operation) {
  std::int64_t sum = 0;
  if (__builtin_add_overflow(a, b, &sum)) throwBoundOverflow(operation);
  return sum;
}

template <class... Ws>
constexpr std::int64_t maxBound(const Ws&... ws) noexcept {
  return std::max({ws.bound()...});
}

// Numbers of a probe set for data independence: T{} always, and for
// arithmetic types the extremes and one.
template <class T>
std::vector<T> boundProbes() {
  std::vector<T> probes;
  probes.emplace_back();
  if constexpr (std::is_arithmetic_v<T>) {
    probes.push_back(std::numeric_limits<T>::lowest());
    probes.push_back(std::numeric_limits<T>::max());
    probes.push_back(T(1));
  }
  return probes;
}

}  // namespace detail

// The poke that stores nothing, and the write of bound 0 around it.
[[nodiscard]] constexpr Poke<detail::EmptyAction> emptyPoke() noexcept {
  return Poke(detail::EmptyAction{});
}
[[nodiscard]] constexpr Write<detail::EmptyAction> emptyWrite() noexcept {
  return Write(0, emptyPoke());
}

// A poke that runs store(out) and returns out + n, whatever store wrote.
template <std::invocable<std::uint8_t*> Store>
[[nodiscard]] constexpr auto pokeN(std::size_t n, Store store) {
  return Poke(detail::AdvanceBy<Store>{n, std::move(store)});
}

// The write of bound n that always stores exactly n bytes through store.
template <std::invocable<std::uint8_t*> Store>
[[nodiscard]] constexpr auto exactWrite(std::size_t n, Store store) {
  return Write(static_cast<std::int64_t>(n), pokeN(n, std::move(store)));
}

// A write that stores at most bound bytes (the constructor, spelled out).
template <class F>
[[nodiscard]] constexpr Write<F> boundedWrite(std::int64_t bound, Poke<F> poke) {
  return Write<F>(bound, std::move(poke));
}

// The machine representation of x: exactly sizeof(T) bytes.
template <class T>
requires std::is_trivially_copyable_v<T>
[[nodiscard]] constexpr auto writeStorable(const T& x) noexcept {
  return Write(static_cast<std::int64_t>(sizeof(T)), Poke(detail::StorableAction<T>{x}));
}

// x through a fixed primitive of the builder facility: exactly p.size bytes.
template <class T, class Store>
[[nodiscard]] constexpr auto writePrimFixed(const builder::FixedPrim<T, Store>& p,
                                            std::type_identity_t<T> x) {
  return Write(static_cast<std::int64_t>(p.size), Poke(detail::PrimFixedAction<T, Store>{p, x}));
}

// x through a bounded primitive: at most p.bound bytes.
template <class T, class Store>
[[nodiscard]] constexpr auto writePrimBounded(const builder::BoundedPrim<T, Store>& p,
                                              std::type_identity_t<T> x) {
  return Write(static_cast<std::int64_t>(p.bound), Poke(detail::PrimBoundedAction<T, Store>{p, x}));
}

// Copies the bytes; the write shares b's storage until it runs.
[[nodiscard]] inline Write<detail::BytesAction> writeByteString(Bytes b) {
  auto n = static_cast<std::int64_t>(b.size());
  return Write(n, Poke(detail::BytesAction{std::move(b)}));
}

// ---------------------------------------------------------------------------
// Combining.

// Runs a, then b where a stopped.
template <class A, class B>
[[nodiscard]] constexpr Poke<detail::ThenAction<A, B>> operator+(Poke<A> a, Poke<B> b) {
  return Poke(detail::ThenAction<A, B>{std::move(a).action(), std::move(b).action()});
}

// a's bytes, then b's; the bounds add. Throws quire::Error when the sum
// leaves the 64-bit range.
template <class A, class B>
[[nodiscard]] constexpr Write<detail::ThenAction<A, B>> operator+(Write<A> a, Write<B> b) {
  std::int64_t bound = detail::addBounds(a.bound(), b.bound(), "Write +");
  return Write(bound, std::move(a).poke() + std::move(b).poke());
}

// Every poke of the list in order; no list stores nothing.
template <class F>
[[nodiscard]] Poke<detail::ListAction<F>> concat(std::vector<Poke<F>> pokes) {
  return Poke(
      detail::ListAction<F>{std::make_shared<const std::vector<Poke<F>>>(std::move(pokes))});
}

// Every write of the list in order; the bound is the sum (0 for no writes).
template <class F>
[[nodiscard]] Write<detail::ListAction<F>> concat(const std::vector<Write<F>>& writes) {
  std::int64_t bound = 0;
  std::vector<Poke<F>> pokes;
  pokes.reserve(writes.size());
  for (const Write<F>& w : writes) {
    bound = detail::addBounds(bound, w.bound(), "concat");
    pokes.push_back(w.poke());
  }
  return Write(bound, concat(std::move(pokes)));
}

// n copies of p in a row.
template <class F>
[[nodiscard]] Poke<detail::RepeatAction<F>> repeated(std::size_t n, Poke<F> p) {
  return Poke(detail::RepeatAction<F>{n, std::move(p)});
}

// n copies of w in a row: bound n * bound(w). Throws quire::Error when that
// leaves the 64-bit range.
template <class F>
[[nodiscard]] Write<detail::RepeatAction<F>> repeated(std::size_t n, Write<F> w) {
  std::int64_t bound = 0;
  if (n > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()) ||
      __builtin_mul_overflow(static_cast<std::int64_t>(n), w.bound(), &bound)) {
    detail::throwBoundOverflow("repeated");
  }
  return Write(bound, repeated(n, std::move(w).poke()));
}

// ---------------------------------------------------------------------------
// Choosing a write for one value. Every alternative is applied to x, the
// bound is the largest of their bounds, and only the chosen poke runs.

namespace detail {

// The alternative at index, as a OneOfAction over all of them.
template <class... Ws, std::size_t... Is>
auto chooseAt(std::size_t index, std::index_sequence<Is...>, const Ws&... ws) {
  using Action = OneOfAction<typename std::remove_cvref_t<decltype(ws.poke())>::Action...>;
  using Chosen = std::variant<Poke<typename std::remove_cvref_t<decltype(ws.poke())>::Action>...>;
  std::int64_t bound = maxBound(ws...);
  std::optional<Chosen> chosen;
  ((Is == index ? (void)chosen.emplace(std::in_place_index<Is>, ws.poke()) : (void)0), ...);
  return Write(bound, Poke(Action{std::move(*chosen)}));
}

template <class... Ws>
auto choose(std::size_t index, const Ws&... ws) {
  return chooseAt(index, std::index_sequence_for<Ws...>{}, ws...);
}

}  // namespace detail

// wTrue(x) when p(x) holds, else wFalse(x).
template <class T, class P, WriteFunction<T> WT, WriteFunction<T> WF>
requires std::predicate<const P&, const T&>
[[nodiscard]] auto writeIf(const P& p, const WT& wTrue, const WF& wFalse, const T& x) {
  return detail::choose(std::invoke(p, x) ? 0 : 1, std::invoke(wTrue, x), std::invoke(wFalse, x));
}

// wTrue(x) when x == t, else wFalse(x).
template <class T, WriteFunction<T> WT, WriteFunction<T> WF>
[[nodiscard]] auto writeEq(const std::type_identity_t<T>& t, const WT& wTrue, const WF& wFalse,
                           const T& x) {
  return writeIf([&t](const T& v) { return v == t; }, wTrue, wFalse, x);
}

// wLT(x), wEQ(x) or wGT(x) as f(x) is less than, equal to or greater than
// zero (f returns a std::*_ordering or a number).
template <class T, class F, WriteFunction<T> WL, WriteFunction<T> WE, WriteFunction<T> WG>
requires std::invocable<const F&, const T&>
[[nodiscard]] auto writeOrdering(const F& f, const WL& wLT, const WE& wEQ, const WG& wGT,
                                 const T& x) {
  auto order = std::invoke(f, x);
  std::size_t index = order < 0 ? 0 : order == 0 ? 1 : 2;
  return detail::choose(index, std::invoke(wLT, x), std::invoke(wEQ, x), std::invoke(wGT, x));
}

// wLT(x) when x < t, wEQ(x) when x == t, wGT(x) otherwise.
template <class T, WriteFunction<T> WL, WriteFunction<T> WE, WriteFunction<T> WG>
[[nodiscard]] auto writeOrd(const std::type_identity_t<T>& t, const WL& wLT, const WE& wEQ,
                            const WG& wGT, const T& x) {
  auto compare = [&t](const T& v) { return v < t ? -1 : v == t ? 0 : 1; };
  return writeOrdering(compare, wLT, wEQ, wGT, x);
}

// ---------------------------------------------------------------------------
// Bounds of write functions.

namespace detail {
[[noreturn]] QUIRE_QUILL_EXPORT void throwNotDataIndependent(std::string_view caller);

template <class WF, class A>
struct LiftAction {
  WF write;
  mutable A action;  // an action with effects of its own, like a clock or a counter
  std::int64_t bound;
  std::uint8_t* operator()(std::uint8_t* out) const {
    auto w = std::invoke(write, std::invoke(action));
    // The buffer was checked against `bound`; a larger write would overrun.
    if (w.bound() != bound) throwNotDataIndependent("writeLiftIO");
    return w.poke().runPoke(out);
  }
};
}  // namespace detail

// The bound of the write function w, which must not depend on its
// argument. The bound is taken on T{} and checked against further probe
// values (for arithmetic T: the extremes and one); when they differ this
// throws quire::Error("getBound' called from " + caller + ": write bound is
// not data-independent.").
template <std::default_initializable T, WriteFunction<T> WF>
[[nodiscard]] std::int64_t getBoundIndependent(std::string_view caller, const WF& w) {
  std::vector<T> probes = detail::boundProbes<T>();
  std::int64_t bound = std::invoke(w, probes.front()).bound();
  for (const T& probe : probes) {
    if (std::invoke(w, probe).bound() != bound) detail::throwNotDataIndependent(caller);
  }
  return bound;
}

// A write whose poke first runs action, then w applied to its result. The
// bound is w's, found once by getBoundIndependent("writeLiftIO", w); the
// real value's write is checked against it when the poke runs, and a
// different bound throws the same error instead of storing anything.
template <class A, class WF>
requires std::invocable<A&> && std::default_initializable<std::invoke_result_t<A&>> &&
    WriteFunction<WF, std::invoke_result_t<A&>>
[[nodiscard]] auto writeLiftIO(WF w, A action) {
  using T = std::invoke_result_t<A&>;
  std::int64_t bound = getBoundIndependent<T>("writeLiftIO", w);
  return Write(bound, Poke(detail::LiftAction<WF, A>{std::move(w), std::move(action), bound}));
}

}  // namespace quire::quill
