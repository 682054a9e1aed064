// The byte-builder facility: how the suite writes bytes.
//
// A Builder describes output without producing it. Running it hands its
// steps a buffer range (cur, end); a step writes from cur and answers with a
// build signal: Done (where it stopped), BufferFull (it needs at least
// minSize free bytes; resume with `next` in a new buffer) or InsertChunk (emit
// this finished byte string as it is, then resume with `next`). Drivers such
// as toLazyByteString supply the buffers. Builders concatenate with `+`; the
// empty builder writes nothing.
//
// Fixed and bounded primitives encode one value with a known worst-case byte
// count, so space is checked once per value (or once per run of list
// elements) and the bytes go through raw pointers. Primitives are templates
// over their store action: the hot loop of primMapListBounded makes no
// indirect call per element.
//
// Builders and steps are immutable values: copying one is cheap and running
// it again, or from several threads, gives the same bytes.
//
// Example:
//   using namespace quire::builder;
//   Builder b = stringUtf8("n=") + primBounded(int64Dec, -42) +
//               primBounded(encodeCharUtf8, U'€');
//   quire::ChunkedBytes out = toLazyByteString(b);
//   // out.toString() == "n=-42\xE2\x82\xAC"
//   std::vector<std::uint32_t> words{1, 0x01020304};
//   // toBytes(primMapListBounded(liftFixedToBounded(word32BE), words)).view()
//   //   == std::string_view("\0\0\0\1\1\2\3\4", 8)
//
//   std::uint8_t buf[3];
//   RunResult r = run(b.step(), BufferRange{buf, buf + 3});
//   // r.written == 2 ("n="), std::get<BufferFull>(r.signal).minSize == 20
//   // (int64Dec's bound does not fit in the one byte left)
#pragma once

#include <algorithm>
#include <bit>
#include <concepts>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <memory>
#include <ranges>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <variant>
#include <vector>

#include "base/bytes.hpp"
#include "base/bytes_buffer.hpp"
#include "base/error.hpp"
#include "base/internal/encode.hpp"

namespace quire::builder {

// A writable stretch of a buffer; the free space is end - cur.
struct BufferRange {
  std::uint8_t* cur;
  std::uint8_t* end;
  [[nodiscard]] std::size_t free() const noexcept { return static_cast<std::size_t>(end - cur); }
};

namespace detail {
struct Node;
struct StepBase;
template <class F>
struct StepImpl;
struct SequenceAccess;
}  // namespace detail

class StepSelf;
struct Done;
struct BufferFull;
struct InsertChunk;
using BuildSignal = std::variant<Done, BufferFull, InsertChunk>;

// A step: writes into a buffer range and answers a BuildSignal. It runs once
// per buffer fill. The default step writes nothing and answers Done.
//
// A step is made from a callable taking the range, and optionally a
// StepSelf that converts to this very step (for "resume me once there is
// room"):
//   BuildStep s([](BufferRange r, StepSelf self) -> BuildSignal {
//     if (r.free() < 2) return BufferFull{2, r.cur, self};
//     std::memcpy(r.cur, "ok", 2);
//     return Done{r.cur + 2};
//   });
// Note: the callable is run through a const reference and may run many
// times; it must not change its own state. Progress is carried by the steps
// it hands back in its signals.
class BuildStep {
 public:
  BuildStep() noexcept = default;
  template <class F>
  requires(!std::same_as<std::remove_cvref_t<F>, BuildStep> &&
           (std::is_invocable_r_v<BuildSignal, const std::remove_cvref_t<F>&, BufferRange,
                                  const StepSelf&> ||
            std::is_invocable_r_v<BuildSignal, const std::remove_cvref_t<F>&,
                                  BufferRange>)) explicit BuildStep(F&& f)
      : node_(std::make_shared<detail::StepImpl<std::remove_cvref_t<F>>>(std::forward<F>(f))) {}

  BuildSignal operator()(BufferRange range) const;

  // True for the default step, which only answers Done.
  [[nodiscard]] bool finishes() const noexcept { return node_ == nullptr; }

 private:
  friend class Builder;
  friend class StepSelf;
  friend struct detail::SequenceAccess;
  explicit BuildStep(std::shared_ptr<const detail::Node> node) noexcept : node_(std::move(node)) {}
  // Null, or a node that is a StepBase.
  std::shared_ptr<const detail::Node> node_;
};

// The step has finished; cur is just past its last byte.
struct Done {
  std::uint8_t* cur;
};
// The step needs at least minSize free bytes; it wrote up to cur and
// continues with next in a buffer of that size or more.
struct BufferFull {
  std::size_t minSize;
  std::uint8_t* cur;
  BuildStep next;
};
// The bytes up to cur come first, then chunk, emitted as it is (an empty
// chunk asks the driver to pass on what it has so far); then next.
struct InsertChunk {
  std::uint8_t* cur;
  Bytes chunk;
  BuildStep next;
};

// Where the signalling step stopped writing.
[[nodiscard]] inline std::uint8_t* signalCursor(const BuildSignal& signal) noexcept {
  return std::visit([](const auto& s) { return s.cur; }, signal);
}

// The running step as seen from inside its own callable; converts to the
// BuildStep being run, so a step can answer BufferFull{n, cur, self}.
class StepSelf {
 public:
  operator BuildStep() const {  // NOLINT: implicit by design
    return BuildStep(std::shared_ptr<const detail::Node>(*owner_, node_));
  }

 private:
  friend class BuildStep;
  friend struct detail::SequenceAccess;
  StepSelf(const detail::Node* node, const std::shared_ptr<const detail::Node>* owner) noexcept
      : node_(node), owner_(owner) {}
  const detail::Node* node_;
  const std::shared_ptr<const detail::Node>* owner_;  // keeps node_ alive
};

namespace detail {

// Builders form a tree of these: leaves are steps, inner nodes concatenate.
struct Node {
  explicit Node(bool concat) noexcept : isConcat(concat) {}
  Node(const Node&) = delete;
  Node& operator=(const Node&) = delete;
  virtual ~Node() = default;
  const bool isConcat;
};

struct StepBase : Node {
  StepBase() noexcept : Node(false) {}
  virtual BuildSignal fill(BufferRange range, const StepSelf& self) const = 0;
};

template <class F>
struct StepImpl final : StepBase {
  explicit StepImpl(F f) : action(std::move(f)) {}
  BuildSignal fill(BufferRange range, const StepSelf& self) const override {
    if constexpr (std::is_invocable_r_v<BuildSignal, const F&, BufferRange, const StepSelf&>) {
      return action(range, self);
    } else {
      return action(range);
    }
  }
  F action;
};

// Releases a chain of uniquely owned nodes one link at a time, so dropping a
// list or tree a million deep does not recurse a million deep. Extract moves
// the links a node owns into the work list before the node dies.
template <class T, class Extract>
void releaseIteratively(std::vector<std::shared_ptr<const T>>& pending, Extract extract) noexcept {
  while (!pending.empty()) {
    std::shared_ptr<const T> node = std::move(pending.back());
    pending.pop_back();
    if (node && node.use_count() == 1) extract(const_cast<T&>(*node), pending);
  }
}

struct Concat final : Node {
  Concat(std::shared_ptr<const Node> l, std::shared_ptr<const Node> r) noexcept
      : Node(true), left(std::move(l)), right(std::move(r)) {}
  ~Concat() override {
    if (!ownsConcatAlone(left) && !ownsConcatAlone(right)) return;
    std::vector<std::shared_ptr<const Node>> pending;
    takeChildren(*this, pending);
    releaseIteratively(pending, [](Node& n, std::vector<std::shared_ptr<const Node>>& out) {
      if (n.isConcat) takeChildren(static_cast<Concat&>(n), out);
    });
  }
  static bool ownsConcatAlone(const std::shared_ptr<const Node>& n) noexcept {
    return n && n->isConcat && n.use_count() == 1;
  }
  static void takeChildren(Concat& c, std::vector<std::shared_ptr<const Node>>& out) {
    out.push_back(std::move(c.left));
    out.push_back(std::move(c.right));
  }
  std::shared_ptr<const Node> left, right;  // never null
};

}  // namespace detail

inline BuildSignal BuildStep::operator()(BufferRange range) const {
  if (node_ == nullptr) return Done{range.cur};
  return static_cast<const detail::StepBase&>(*node_).fill(range, StepSelf(node_.get(), &node_));
}

// A description of output: a function from the step that follows it to its
// own first step (operator()). Concatenation is O(1) and builders of any
// depth run and are destroyed without deep recursion.
class Builder {
 public:
  // The empty builder: passes its range on unchanged.
  Builder() noexcept = default;
  // A builder that runs step until it answers Done, then what follows.
  explicit Builder(BuildStep step) noexcept : root_(std::move(step.node_)) {}

  // The first step of this builder followed by next.
  [[nodiscard]] BuildStep operator()(BuildStep next) const;
  // The first step of this builder on its own: it ends with Done.
  [[nodiscard]] BuildStep step() const { return (*this)(BuildStep()); }

  [[nodiscard]] bool isEmpty() const noexcept { return root_ == nullptr; }

  Builder& operator+=(Builder other) {
    if (other.root_ == nullptr) return *this;
    if (root_ == nullptr) {
      root_ = std::move(other.root_);
    } else {
      root_ = std::make_shared<detail::Concat>(std::move(root_), std::move(other.root_));
    }
    return *this;
  }
  friend Builder operator+(Builder a, Builder b) { return std::move(a += std::move(b)); }

 private:
  std::shared_ptr<const detail::Node> root_;
};

// The empty builder, spelled out.
[[nodiscard]] inline Builder emptyBuilder() noexcept { return Builder(); }

// All of parts in order, as a balanced tree.
[[nodiscard]] inline Builder concat(std::span<const Builder> parts) {
  if (parts.empty()) return Builder();
  if (parts.size() == 1) return parts.front();
  std::size_t half = parts.size() / 2;
  return concat(parts.first(half)) + concat(parts.subspan(half));
}

namespace detail {

// One piece of pending work of a running builder: a node of a builder tree
// and the owner that keeps it alive.
struct Work {
  const Node* node;
  const std::shared_ptr<const Node>* owner;
};

// The persistent form of the pending work, shared between the steps that
// resume it; each link owns its node.
struct Frame {
  Frame(std::shared_ptr<const Node> o, const Node* n, std::shared_ptr<const Frame> b) noexcept
      : owner(std::move(o)), node(n), below(std::move(b)) {}
  Frame(const Frame&) = delete;
  Frame& operator=(const Frame&) = delete;
  ~Frame() {
    if (!below || below.use_count() != 1) return;
    std::vector<std::shared_ptr<const Frame>> pending;
    pending.push_back(std::move(below));
    releaseIteratively(pending, [](Frame& f, std::vector<std::shared_ptr<const Frame>>& out) {
      out.push_back(std::move(f.below));
    });
  }
  std::shared_ptr<const Node> owner;
  const Node* node;
  std::shared_ptr<const Frame> below;
};

// The work pushed during one fill; small builders stay off the heap.
class WorkStack {
 public:
  void push(Work w) {
    if (size_ < kInline) {
      inline_[size_] = w;
    } else {
      heap_.push_back(w);
    }
    ++size_;
  }
  [[nodiscard]] bool empty() const noexcept { return size_ == 0; }
  Work pop() noexcept {
    --size_;
    if (size_ < kInline) return inline_[size_];
    Work w = heap_.back();
    heap_.pop_back();
    return w;
  }
  // Bottom first.
  [[nodiscard]] Work at(std::size_t i) const noexcept {
    return i < kInline ? inline_[i] : heap_[i - kInline];
  }
  [[nodiscard]] std::size_t size() const noexcept { return size_; }

 private:
  static constexpr std::size_t kInline = 16;
  Work inline_[kInline];
  std::vector<Work> heap_;
  std::size_t size_ = 0;
};

struct SequenceAccess {
  static BuildSignal fill(Work w, BufferRange range) {
    return static_cast<const StepBase&>(*w.node).fill(range, StepSelf(w.node, w.owner));
  }
  static const Node* node(const BuildStep& s) noexcept { return s.node_.get(); }
  static std::shared_ptr<const Node> take(BuildStep&& s) noexcept { return std::move(s.node_); }
  static BuildStep make(std::shared_ptr<const Node> n) noexcept { return BuildStep(std::move(n)); }
};

// Runs the leaves of builder trees in order within one buffer. Leaves answer
// Done and the loop moves on, so concatenation costs no stack depth; on
// BufferFull or InsertChunk the remaining work becomes frames owned by the
// step that resumes it.
struct SequenceStep final : StepBase {
  explicit SequenceStep(std::shared_ptr<const Frame> t) noexcept : top(std::move(t)) {}

  BuildSignal fill(BufferRange range, const StepSelf&) const override {
    WorkStack local;
    const std::shared_ptr<const Frame>* rest = &top;  // persistent work not yet taken
    std::uint8_t* cur = range.cur;
    for (;;) {
      Work w;
      if (!local.empty()) {
        w = local.pop();
      } else if (*rest != nullptr) {
        const Frame& f = **rest;
        w = Work{f.node, &f.owner};
        rest = &f.below;
      } else {
        return Done{cur};
      }
      while (w.node->isConcat) {
        const auto& c = static_cast<const Concat&>(*w.node);
        local.push(Work{c.right.get(), w.owner});
        w.node = c.left.get();
      }
      BuildSignal signal = SequenceAccess::fill(w, BufferRange{cur, range.end});
      if (const auto* done = std::get_if<Done>(&signal)) {
        cur = done->cur;
        continue;
      }
      std::visit(
          [&](auto& s) {
            if constexpr (!std::is_same_v<std::decay_t<decltype(s)>, Done>) {
              s.next = suspend(local, *rest, std::move(s.next));
            }
          },
          signal);
      return signal;
    }
  }

  // The step that resumes with next and then the pending work.
  static BuildStep suspend(const WorkStack& local, std::shared_ptr<const Frame> rest,
                           BuildStep next) {
    for (std::size_t i = 0; i < local.size(); ++i) {
      Work w = local.at(i);
      rest = std::make_shared<Frame>(*w.owner, w.node, std::move(rest));
    }
    if (rest == nullptr) return next;
    if (!next.finishes()) {
      const Node* n = SequenceAccess::node(next);
      rest = std::make_shared<Frame>(SequenceAccess::take(std::move(next)), n, std::move(rest));
    }
    return SequenceAccess::make(std::make_shared<SequenceStep>(std::move(rest)));
  }

  std::shared_ptr<const Frame> top;
};

}  // namespace detail

inline BuildStep Builder::operator()(BuildStep next) const {
  using detail::Frame;
  using detail::SequenceAccess;
  if (root_ == nullptr) return next;
  if (!root_->isConcat && next.finishes()) return SequenceAccess::make(root_);
  std::shared_ptr<const Frame> frames;
  if (!next.finishes()) {
    const detail::Node* n = SequenceAccess::node(next);
    frames = std::make_shared<Frame>(SequenceAccess::take(std::move(next)), n, nullptr);
  }
  frames = std::make_shared<Frame>(root_, root_.get(), std::move(frames));
  return SequenceAccess::make(std::make_shared<detail::SequenceStep>(std::move(frames)));
}

// ---------------------------------------------------------------------------
// Running steps and builders.

struct RunResult {
  std::size_t written;  // bytes stored in the range, from its start
  BuildSignal signal;   // how the step stopped: Done, BufferFull or InsertChunk
};

// Runs step once in range.
[[nodiscard]] inline RunResult run(const BuildStep& step, BufferRange range) {
  BuildSignal signal = step(range);
  auto written = static_cast<std::size_t>(signalCursor(signal) - range.cur);
  return RunResult{written, std::move(signal)};
}

// Buffer sizes for toLazyByteStringWith. Sizes are in bytes; a step that
// needs more than the next size gets a buffer of what it needs. Chunks share
// the buffers they were written in; with trim, a chunk that would alone keep
// a buffer less than half used is copied out to its exact size instead.
struct BufferStrategy {
  std::size_t firstSize;
  std::size_t size;
  bool trim;
};

// 4 KiB first so small outputs stay small, then 32 KiB; both leave room for
// the allocator's header so a buffer stays within its size class.
inline constexpr BufferStrategy defaultBufferStrategy{4096 - 64, 32768 - 64, true};

namespace detail {

// A step that answers BufferFull for no more than the free space it was
// given, at the start of a fresh buffer, would be handed the same buffer
// forever.
inline void checkProgress(const char* driver, const BufferRange& offered, const BufferFull& full) {
  if (full.cur == offered.cur && full.minSize <= offered.free()) {
    throwError(std::string(driver) + ": a build step asked for " + std::to_string(full.minSize) +
               " bytes while " + std::to_string(offered.free()) +
               " were free, without writing anything");
  }
}

// Buffers for toLazyByteStringWith: hands out writable storage and turns
// the written stretches into chunks that share it.
class ChunkWriter {
 public:
  explicit ChunkWriter(BufferStrategy strategy)
      : strategy_(strategy), buffer_(std::max<std::size_t>(strategy.firstSize, 1)) {}

  [[nodiscard]] BufferRange freeRange() noexcept {
    return BufferRange{base() + used_, base() + buffer_.capacity()};
  }
  [[nodiscard]] bool atBufferStart() const noexcept { return used_ == 0; }
  void advanceTo(std::uint8_t* cur) noexcept { used_ = static_cast<std::size_t>(cur - base()); }

  // Ends the current chunk; the next range has at least minFree bytes.
  // Writing goes on in the same buffer while a quarter of it is left.
  void endChunk(std::size_t minFree) {
    std::size_t left = buffer_.capacity() - used_;
    bool keep = left >= minFree && left * 4 >= buffer_.capacity();
    emit(!keep);
    if (keep) return;
    buffer_ = BytesBuffer(std::max({strategy_.size, minFree, std::size_t{1}}));
    start_ = used_ = 0;
  }

  void insert(Bytes chunk) { out_.append(std::move(chunk)); }

  [[nodiscard]] ChunkedBytes finish() && {
    emit(true);
    return std::move(out_);
  }

 private:
  std::uint8_t* base() noexcept { return reinterpret_cast<std::uint8_t*>(buffer_.data()); }

  // Appends the current chunk. A small chunk that would be the only thing
  // keeping a buffer being left behind is copied out when trimming.
  void emit(bool leaving) {
    std::size_t n = used_ - start_;
    if (n == 0) return;
    if (leaving && strategy_.trim && start_ == 0 && n < buffer_.capacity() / 2) {
      out_.append(Bytes(std::string_view(buffer_.data(), n)));
    } else {
      out_.append(buffer_.freeze(start_, n));
    }
    start_ = used_;
  }

  BufferStrategy strategy_;
  BytesBuffer buffer_;
  std::size_t start_ = 0;  // where the current chunk began
  std::size_t used_ = 0;
  ChunkedBytes out_;
};

}  // namespace detail

// Runs builder to completion into chunks: one per filled buffer, and each
// inserted byte string as a chunk of its own, all in output order.
[[nodiscard]] inline ChunkedBytes toLazyByteStringWith(BufferStrategy strategy,
                                                       const Builder& builder) {
  detail::ChunkWriter writer(strategy);
  BuildStep step = builder.step();
  for (;;) {
    BufferRange range = writer.freeRange();
    BuildSignal signal = step(range);
    writer.advanceTo(signalCursor(signal));
    if (std::holds_alternative<Done>(signal)) return std::move(writer).finish();
    if (auto* full = std::get_if<BufferFull>(&signal)) {
      if (writer.atBufferStart()) detail::checkProgress("toLazyByteString", range, *full);
      writer.endChunk(full->minSize);
      step = std::move(full->next);
    } else {
      auto& insert = std::get<InsertChunk>(signal);
      writer.endChunk(0);
      writer.insert(std::move(insert.chunk));
      step = std::move(insert.next);
    }
  }
}

// toLazyByteStringWith the default strategy: 4 KiB, then 32 KiB buffers,
// small final pieces trimmed.
[[nodiscard]] inline ChunkedBytes toLazyByteString(const Builder& builder) {
  return toLazyByteStringWith(defaultBufferStrategy, builder);
}

namespace detail {

// Runs builder into one growing buffer (doubling, so the total copying
// stays linear); inserted chunks are copied in. A result that fills less
// than half its buffer is copied out to its exact size, unless the waste is
// too small to matter.
inline Bytes runContiguous(const Builder& builder, const char* driver) {
  constexpr std::size_t kFirstSize = 64;
  BytesBuffer buffer(kFirstSize);
  std::size_t used = 0;
  auto base = [&] { return reinterpret_cast<std::uint8_t*>(buffer.data()); };
  auto growFor = [&](std::size_t extra) {
    if (buffer.capacity() - used >= extra) return;
    if (extra > SIZE_MAX / 2 - used) throw std::bad_array_new_length();
    BytesBuffer bigger(std::max(buffer.capacity() * 2, used + extra));
    std::memcpy(bigger.data(), buffer.data(), used);
    buffer = std::move(bigger);
  };
  BuildStep step = builder.step();
  for (;;) {
    BufferRange range{base() + used, base() + buffer.capacity()};
    BuildSignal signal = step(range);
    used = static_cast<std::size_t>(signalCursor(signal) - base());
    if (std::holds_alternative<Done>(signal)) break;
    if (auto* full = std::get_if<BufferFull>(&signal)) {
      checkProgress(driver, range, *full);
      growFor(full->minSize);
      step = std::move(full->next);
    } else {
      auto& insert = std::get<InsertChunk>(signal);
      growFor(insert.chunk.size());
      if (!insert.chunk.empty())
        std::memcpy(base() + used, insert.chunk.data(), insert.chunk.size());
      used += insert.chunk.size();
      step = std::move(insert.next);
    }
  }
  std::size_t waste = buffer.capacity() - used;
  if (waste > kFirstSize && waste > used) return Bytes(std::string_view(buffer.data(), used));
  return buffer.freeze(0, used);
}

}  // namespace detail

// Runs builder into one contiguous byte string.
[[nodiscard]] inline Bytes toBytes(const Builder& builder) {
  return detail::runContiguous(builder, "toBytes");
}

// ---------------------------------------------------------------------------
// Primitives.

// Encodes a T in exactly `size` bytes: store(value, out) writes
// [out, out + size). Store is a function object, so encoders inline; the
// default Store type erases it to a function pointer.
template <class T, class Store = void (*)(T, std::uint8_t*)>
struct FixedPrim {
  std::size_t size;
  Store store;
};

// Encodes a T in at most `bound` bytes: store(value, out) writes from out
// and returns the pointer past the last byte.
// Note: the bound is trusted; a store that writes more overruns the buffer.
template <class T, class Store = std::uint8_t* (*)(T, std::uint8_t*)>
struct BoundedPrim {
  std::size_t bound;
  Store store;
};

template <class T, class Store>
[[nodiscard]] constexpr FixedPrim<T, Store> fixedPrim(std::size_t size, Store store) {
  return {size, std::move(store)};
}
template <class T, class Store>
[[nodiscard]] constexpr BoundedPrim<T, Store> boundedPrim(std::size_t bound, Store store) {
  return {bound, std::move(store)};
}

namespace detail {

template <class Store>
struct LiftedStore {
  Store store;
  std::size_t size;
  template <class T>
  std::uint8_t* operator()(const T& value, std::uint8_t* out) const {
    store(value, out);
    // A compile-time width keeps the pointer stride constant in list loops.
    if constexpr (requires { Store::width; }) {
      return out + Store::width;
    } else {
      return out + size;
    }
  }
};

template <class U, class F, class Store>
struct MappedStore {
  F f;
  Store store;
  decltype(auto) operator()(const U& value, std::uint8_t* out) const {
    return store(f(value), out);
  }
};

}  // namespace detail

// The fixed primitive as a bounded one whose bound is its size.
template <class T, class Store>
[[nodiscard]] constexpr BoundedPrim<T, detail::LiftedStore<Store>> liftFixedToBounded(
    const FixedPrim<T, Store>& p) {
  return {p.size, {p.store, p.size}};
}

// The primitive applied to f(value): encodes U values through a T encoder.
template <class U, class F, class T, class Store>
[[nodiscard]] constexpr FixedPrim<U, detail::MappedStore<U, F, Store>> contramap(
    F f, const FixedPrim<T, Store>& p) {
  return {p.size, {std::move(f), p.store}};
}
template <class U, class F, class T, class Store>
[[nodiscard]] constexpr BoundedPrim<U, detail::MappedStore<U, F, Store>> contramap(
    F f, const BoundedPrim<T, Store>& p) {
  return {p.bound, {std::move(f), p.store}};
}

namespace detail {

struct StoreCharUtf8 {
  std::uint8_t* operator()(char32_t c, std::uint8_t* out) const noexcept {
    return storeUtf8(c, out);
  }
};
struct StoreInt64Dec {
  std::uint8_t* operator()(std::int64_t x, std::uint8_t* out) const noexcept {
    return storeDecimal(x, out);
  }
};
struct StoreWord64Dec {
  std::uint8_t* operator()(std::uint64_t x, std::uint8_t* out) const noexcept {
    return storeDecimal(x, out);
  }
};

}  // namespace detail

// One character in UTF-8 (bound 4). Surrogates use the three-byte form;
// values above U+10FFFF, which have no encoding, are written as U+FFFD.
inline constexpr BoundedPrim<char32_t, detail::StoreCharUtf8> encodeCharUtf8{4, {}};

// A 64-bit integer in decimal with a leading "-" when negative (bound 20,
// the length of "-9223372036854775808").
inline constexpr BoundedPrim<std::int64_t, detail::StoreInt64Dec> int64Dec{20, {}};
// An unsigned 64-bit integer in decimal (bound 20).
inline constexpr BoundedPrim<std::uint64_t, detail::StoreWord64Dec> word64Dec{20, {}};

// Unsigned words in big-endian (most significant byte first) and
// little-endian order. Signed values go through contramap or a cast.
inline constexpr FixedPrim<std::uint8_t, detail::StoreWord<std::uint8_t, std::endian::big>> word8{
    1, {}};
inline constexpr FixedPrim<std::uint16_t, detail::StoreWord<std::uint16_t, std::endian::big>>
    word16BE{2, {}};
inline constexpr FixedPrim<std::uint32_t, detail::StoreWord<std::uint32_t, std::endian::big>>
    word32BE{4, {}};
inline constexpr FixedPrim<std::uint64_t, detail::StoreWord<std::uint64_t, std::endian::big>>
    word64BE{8, {}};
inline constexpr FixedPrim<std::uint16_t, detail::StoreWord<std::uint16_t, std::endian::little>>
    word16LE{2, {}};
inline constexpr FixedPrim<std::uint32_t, detail::StoreWord<std::uint32_t, std::endian::little>>
    word32LE{4, {}};
inline constexpr FixedPrim<std::uint64_t, detail::StoreWord<std::uint64_t, std::endian::little>>
    word64LE{8, {}};

// Writes x through p. When fewer than p.bound bytes are free it answers
// BufferFull with p.bound and retries x whole in the next buffer, even if
// x's own encoding would have fitted.
template <class T, class Store>
[[nodiscard]] Builder primBounded(const BoundedPrim<T, Store>& p, std::type_identity_t<T> x) {
  return Builder(
      BuildStep([p, x = std::move(x)](BufferRange r, const StepSelf& self) -> BuildSignal {
        if (r.free() < p.bound) return BufferFull{p.bound, r.cur, self};
        return Done{p.store(x, r.cur)};
      }));
}

// Writes x through the fixed primitive p (needs p.size free bytes).
template <class T, class Store>
[[nodiscard]] Builder primFixed(const FixedPrim<T, Store>& p, std::type_identity_t<T> x) {
  return primBounded(liftFixedToBounded(p), std::move(x));
}

namespace detail {

// Resumable walk over a shared list; `pos` is where the next fill starts.
template <class T, class Store, class Items>
struct ListStep {
  BoundedPrim<T, Store> prim;
  std::shared_ptr<const Items> items;
  std::ranges::iterator_t<const Items> pos;

  BuildSignal operator()(BufferRange r) const {
    auto it = pos;
    const auto last = std::ranges::end(*items);
    std::uint8_t* cur = r.cur;
    if constexpr (std::ranges::random_access_range<const Items>) {
      // Every element is checked against the bound, but a run of elements
      // that surely fits is written with one check: each of them still has
      // at least the bound free when its turn comes.
      while (it != last) {
        auto left = static_cast<std::size_t>(last - it);
        std::size_t room =
            prim.bound == 0 ? left : static_cast<std::size_t>(r.end - cur) / prim.bound;
        if (room == 0) return BufferFull{prim.bound, cur, resumeAt(it)};
        const auto stop = it + static_cast<std::ptrdiff_t>(std::min(room, left));
        for (; it != stop; ++it) cur = prim.store(*it, cur);
      }
    } else {
      for (; it != last; ++it) {
        if (static_cast<std::size_t>(r.end - cur) < prim.bound) {
          return BufferFull{prim.bound, cur, resumeAt(it)};
        }
        cur = prim.store(*it, cur);
      }
    }
    return Done{cur};
  }

  BuildStep resumeAt(std::ranges::iterator_t<const Items> it) const {
    return BuildStep(ListStep{prim, items, it});
  }
};

template <class T, class Store, class Items>
Builder listBuilder(const BoundedPrim<T, Store>& p, std::shared_ptr<const Items> items) {
  if (std::ranges::empty(*items)) return Builder();
  auto first = std::ranges::begin(*items);
  return Builder(BuildStep(ListStep<T, Store, Items>{p, std::move(items), first}));
}

}  // namespace detail

// Writes every element of xs through p, in order, each checked against the
// bound as primBounded does (resuming at the element that did not fit).
// xs is kept by the builder: pass an owning container (moved in to avoid a
// copy) or a shared_ptr to one to share it; a view (span, string_view) is
// copied into a vector.
template <class T, class Store, std::ranges::forward_range Items>
requires std::convertible_to<std::ranges::range_reference_t<const Items>, T>
[[nodiscard]] Builder primMapListBounded(const BoundedPrim<T, Store>& p, Items&& xs) {
  using Owned = std::remove_cvref_t<Items>;
  if constexpr (std::ranges::view<Owned>) {
    using Element = std::ranges::range_value_t<Owned>;
    return detail::listBuilder(p, std::make_shared<const std::vector<Element>>(
                                      std::ranges::begin(xs), std::ranges::end(xs)));
  } else {
    return detail::listBuilder(p, std::make_shared<const Owned>(std::forward<Items>(xs)));
  }
}
template <class T, class Store, std::ranges::forward_range Items>
requires std::convertible_to<std::ranges::range_reference_t<const Items>, T>
[[nodiscard]] Builder primMapListBounded(const BoundedPrim<T, Store>& p,
                                         std::shared_ptr<const Items> xs) {
  return detail::listBuilder(p, std::move(xs));
}

// Writes every element of xs through the fixed primitive p.
template <class T, class Store, class Items>
[[nodiscard]] Builder primMapListFixed(const FixedPrim<T, Store>& p, Items&& xs) {
  return primMapListBounded(liftFixedToBounded(p), std::forward<Items>(xs));
}

// ---------------------------------------------------------------------------
// Byte strings.

namespace detail {

// Copies [data, data + size) into the range, spilling into further buffers
// when it does not fit. Source is a Bytes (shared storage) or a RawRun.
template <class Source>
BuildSignal copyInto(BufferRange r, const Source& source) {
  std::size_t n = std::min(source.size(), r.free());
  if (n > 0) std::memcpy(r.cur, source.data(), n);
  if (n == source.size()) return Done{r.cur + n};
  Source rest = source.slice(n, source.size() - n);
  return BufferFull{1, r.cur + n,
                    BuildStep([rest](BufferRange next) { return copyInto(next, rest); })};
}

// Memory the caller owns: an address and a length.
struct RawRun {
  const std::uint8_t* start;
  std::size_t length;
  [[nodiscard]] const std::uint8_t* data() const noexcept { return start; }
  [[nodiscard]] std::size_t size() const noexcept { return length; }
  [[nodiscard]] RawRun slice(std::size_t offset, std::size_t n) const noexcept {
    return {start + offset, n};
  }
};

}  // namespace detail

// A step that copies all of bytes, across as many buffers as needed, and
// then answers Done.
[[nodiscard]] inline BuildStep byteStringCopyStep(Bytes bytes) {
  return BuildStep(
      [bytes = std::move(bytes)](BufferRange r) { return detail::copyInto(r, bytes); });
}

// The same for size bytes at data.
// Note: the memory must stay valid and unchanged for as long as the step
// (or anything resuming it) may run.
[[nodiscard]] inline BuildStep wrappedBytesCopyStep(const std::uint8_t* data, std::size_t size) {
  return BuildStep(
      [run = detail::RawRun{data, size}](BufferRange r) { return detail::copyInto(r, run); });
}

// Copies bytes into the output.
[[nodiscard]] inline Builder byteStringCopy(Bytes bytes) {
  if (bytes.empty()) return Builder();
  return Builder(byteStringCopyStep(std::move(bytes)));
}

// Emits bytes as a chunk of its own, without copying; an empty one asks the
// driver to pass on what it has so far (see flush).
[[nodiscard]] inline Builder byteStringInsert(Bytes bytes) {
  return Builder(BuildStep([bytes = std::move(bytes)](BufferRange r) -> BuildSignal {
    return InsertChunk{r.cur, bytes, BuildStep()};
  }));
}

// Ends the current chunk: drivers hand on what has been written so far.
[[nodiscard]] inline Builder flush() { return byteStringInsert(Bytes()); }

// Copies bytes when it has at most maxCopy bytes, inserts it otherwise.
[[nodiscard]] inline Builder byteStringThreshold(std::size_t maxCopy, Bytes bytes) {
  if (bytes.size() <= maxCopy) return byteStringCopy(std::move(bytes));
  return byteStringInsert(std::move(bytes));
}

// byteStringThreshold applied to each chunk separately, in order.
[[nodiscard]] inline Builder lazyByteStringThreshold(std::size_t maxCopy,
                                                     const ChunkedBytes& bytes) {
  std::vector<Builder> parts;
  parts.reserve(bytes.chunks().size());
  for (const Bytes& chunk : bytes.chunks()) parts.push_back(byteStringThreshold(maxCopy, chunk));
  return concat(parts);
}

// Above this size byteString and lazyByteString insert rather than copy:
// copying a longer string costs more than ending the current chunk.
inline constexpr std::size_t defaultCopyThreshold = 4096;

[[nodiscard]] inline Builder byteString(Bytes bytes) {
  return byteStringThreshold(defaultCopyThreshold, std::move(bytes));
}
[[nodiscard]] inline Builder lazyByteString(const ChunkedBytes& bytes) {
  return lazyByteStringThreshold(defaultCopyThreshold, bytes);
}

// Copies the bytes of s (UTF-8 or not; they are written as they are).
[[nodiscard]] inline Builder stringUtf8(std::string_view s) { return byteStringCopy(Bytes(s)); }

// Takes s over without copying it now; when run, a short s is copied into
// the buffer and a long one is inserted as a chunk.
[[nodiscard]] inline Builder fromString(std::string&& s) { return byteString(Bytes(std::move(s))); }

}  // namespace quire::builder
