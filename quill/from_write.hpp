// Builders from writes and byte strings.
//
// fromWrite checks a write's bound against the free space once: when it
// does not fit, the step answers buffer full with the bound and the write is
// tried again, whole, in the next buffer. List builders check each element
// against its own bound. Byte strings are copied into the buffer up to a
// threshold (8160 bytes by default) and travel as chunks of their own,
// without a copy, beyond it.
//
// Example:
//   using namespace quire::quill;
//   quire::builder::Builder b =
//       fromWriteList([](std::uint16_t x) { return writeStorable(x); })(
//           std::vector<std::uint16_t>{1, 2}) +
//       fromByteString(quire::Bytes("ok"));
//   // toByteString(b).size() == 6
//   // fromByteString of 8161 bytes emits them as one inserted chunk
#pragma once

#include <cstddef>
#include <memory>
#include <ranges>
#include <type_traits>
#include <utility>
#include <vector>

#include "base/builder.hpp"
#include "base/bytes.hpp"
#include "quill/export.hpp"
#include "quill/write.hpp"

namespace quire::quill {

namespace detail {

// True when a write of this bound does not fit in r. A negative bound
// always fits: it stores nothing the buffer could not hold.
template <class F>
bool exceedsFree(const Write<F>& w, builder::BufferRange r) noexcept {
  return w.bound() > 0 && static_cast<std::uint64_t>(w.bound()) > r.free();
}

template <class F>
struct WriteStep {
  Write<F> write;
  builder::BuildSignal operator()(builder::BufferRange r, const builder::StepSelf& self) const {
    if (exceedsFree(write, r)) {
      return builder::BufferFull{static_cast<std::size_t>(write.bound()), r.cur, self};
    }
    return builder::Done{write.poke().runPoke(r.cur)};
  }
};

// Resumable walk over a shared list, one write per element.
template <class WF, class Items>
struct WriteListStep {
  WF f;
  std::shared_ptr<const Items> items;
  std::ranges::iterator_t<const Items> pos;

  builder::BuildSignal operator()(builder::BufferRange r) const {
    std::uint8_t* cur = r.cur;
    const auto last = std::ranges::end(*items);
    for (auto it = pos; it != last; ++it) {
      auto w = std::invoke(f, *it);
      if (exceedsFree(w, builder::BufferRange{cur, r.end})) {
        return builder::BufferFull{static_cast<std::size_t>(w.bound()), cur,
                                   builder::BuildStep(WriteListStep{f, items, it})};
      }
      cur = w.poke().runPoke(cur);
    }
    return builder::Done{cur};
  }
};

template <class WF, class Items>
builder::Builder writeListBuilder(WF f, std::shared_ptr<const Items> items) {
  if (items == nullptr || std::ranges::empty(*items)) return builder::Builder();
  auto first = std::ranges::begin(*items);
  return builder::Builder(
      builder::BuildStep(WriteListStep<WF, Items>{std::move(f), std::move(items), first}));
}

// A list the builder keeps: an owning container is moved (or copied) in, a
// view is copied into a vector.
template <class Items>
auto ownList(Items&& xs) {
  using Owned = std::remove_cvref_t<Items>;
  if constexpr (std::ranges::view<Owned>) {
    using Element = std::ranges::range_value_t<Owned>;
    return std::make_shared<const std::vector<Element>>(std::ranges::begin(xs),
                                                        std::ranges::end(xs));
  } else {
    return std::make_shared<const Owned>(std::forward<Items>(xs));
  }
}

}  // namespace detail

// A builder that writes w once.
template <class F>
[[nodiscard]] builder::Builder fromWrite(Write<F> w) {
  return builder::Builder(builder::BuildStep(detail::WriteStep<F>{std::move(w)}));
}

// fromWrite(f(x)).
template <class WF, class T>
requires WriteFunction<WF, T>
[[nodiscard]] builder::Builder fromWriteSingleton(const WF& f, const T& x) {
  return fromWrite(std::invoke(f, x));
}
// The function x -> fromWrite(f(x)).
template <class WF>
[[nodiscard]] auto fromWriteSingleton(WF f) {
  return [f = std::move(f)](const auto& x) { return fromWriteSingleton(f, x); };
}

// Writes f(x) for each x of xs in order; each element is checked against
// its own bound (a buffer full resumes at that element). The builder keeps
// xs: pass an owning container (moved in to avoid a copy) or a shared_ptr
// to one to share it; a view is copied.
template <class WF, std::ranges::forward_range Items>
requires WriteFunction<WF, std::ranges::range_value_t<Items>>
[[nodiscard]] builder::Builder fromWriteList(WF f, Items&& xs) {
  return detail::writeListBuilder(std::move(f), detail::ownList(std::forward<Items>(xs)));
}
template <class WF, std::ranges::forward_range Items>
requires WriteFunction<WF, std::ranges::range_value_t<Items>>
[[nodiscard]] builder::Builder fromWriteList(WF f, std::shared_ptr<const Items> xs) {
  return detail::writeListBuilder(std::move(f), std::move(xs));
}
// The function xs -> fromWriteList(f, xs).
template <class WF>
[[nodiscard]] auto fromWriteList(WF f) {
  return [f = std::move(f)](auto&& xs) { return fromWriteList(f, std::forward<decltype(xs)>(xs)); };
}

// The machine representation of x.
template <class T>
requires std::is_trivially_copyable_v<T>
[[nodiscard]] builder::Builder fromStorable(const T& x) { return fromWrite(writeStorable(x)); }

// The machine representation of every element of xs, in order.
template <std::ranges::forward_range Items>
requires std::is_trivially_copyable_v<std::ranges::range_value_t<Items>>
[[nodiscard]] builder::Builder fromStorables(Items&& xs) {
  using T = std::ranges::range_value_t<Items>;
  return fromWriteList([](const T& x) { return writeStorable(x); }, std::forward<Items>(xs));
}

// ---------------------------------------------------------------------------
// Byte strings.

// Byte strings of at most this many bytes are copied by fromByteString.
inline constexpr std::size_t defaultCopyThreshold = 8160;

// Copies b into the buffer when it has at most maxCopy bytes, emits it as
// an inserted chunk of its own otherwise.
QUIRE_QUILL_EXPORT builder::Builder fromByteStringWith(std::size_t maxCopy, Bytes b);
// fromByteStringWith(8160, b).
QUIRE_QUILL_EXPORT builder::Builder fromByteString(Bytes b);
// Always copies, across as many buffers as needed.
QUIRE_QUILL_EXPORT builder::Builder copyByteString(Bytes b);
// Always an inserted chunk.
// Note: an empty b is a flush request: drivers pass on what they hold.
QUIRE_QUILL_EXPORT builder::Builder insertByteString(Bytes b);

// The same decisions for each chunk of a chunked byte string, in order.
QUIRE_QUILL_EXPORT builder::Builder fromLazyByteStringWith(std::size_t maxCopy,
                                                           const ChunkedBytes& b);
QUIRE_QUILL_EXPORT builder::Builder fromLazyByteString(const ChunkedBytes& b);
QUIRE_QUILL_EXPORT builder::Builder copyLazyByteString(const ChunkedBytes& b);
QUIRE_QUILL_EXPORT builder::Builder insertLazyByteString(const ChunkedBytes& b);

}  // namespace quire::quill
