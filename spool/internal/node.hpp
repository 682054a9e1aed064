// The storage behind Spool<T>: an immutable tree of shared, reference-counted
// nodes that describes the element sequence without building it.
//
//   Chunk   elements held in two vectors: front (stored reversed, so that
//           prepending is a push_back) and back
//   Cons    one element, then a subtree
//   Snoc    a subtree, then one element
//   Append  a left subtree, then a right one
//   Opaque  a caller's prepend operation (list -> list), never inspected
//
// Nodes never change once shared. A node that only one spool value owns may
// grow in place (a Chunk's vectors, an Append's size), which nobody can
// observe; this is what makes snoc onto an rvalue spool as cheap as a
// vector's push_back.
//
// Walking and freeing the tree use explicit stacks on the heap, never the
// native stack, so a chain of ten million snocs or a million nested appends
// is materialised and destroyed safely.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <iterator>
#include <utility>
#include <vector>

namespace quire::spool::detail {

enum class Kind : std::uint8_t { Chunk, Cons, Snoc, Append, Opaque };

template <class T>
struct Node {
  std::atomic<std::size_t> refs{1};
  Kind kind;
  // True when an Opaque node lies in this subtree: then neither the size
  // nor the elements are known without running the caller's operation.
  bool opaque = false;
  // Element count of the subtree (Chunk: see count()).
  std::size_t size = 0;

  explicit Node(Kind k) noexcept : kind(k) {}
};

template <class T>
struct Chunk : Node<T> {
  std::vector<T> front;  // reversed: front.back() is the first element
  std::vector<T> back;
  Chunk() noexcept : Node<T>(Kind::Chunk) {}
};

template <class T>
struct ConsNode : Node<T> {
  T value;
  Node<T>* rest;
  ConsNode(T v, Node<T>* r) : Node<T>(Kind::Cons), value(std::move(v)), rest(r) {}
};

template <class T>
struct SnocNode : Node<T> {
  Node<T>* init;
  T value;
  SnocNode(Node<T>* i, T v) : Node<T>(Kind::Snoc), init(i), value(std::move(v)) {}
};

template <class T>
struct AppendNode : Node<T> {
  Node<T>* left;
  Node<T>* right;
  AppendNode(Node<T>* l, Node<T>* r) noexcept : Node<T>(Kind::Append), left(l), right(r) {}
};

template <class T>
using PrependFunction = std::function<std::vector<T>(std::vector<T>)>;

template <class T>
struct OpaqueNode : Node<T> {
  PrependFunction<T> prepend;
  explicit OpaqueNode(PrependFunction<T> f) : Node<T>(Kind::Opaque), prepend(std::move(f)) {
    this->opaque = true;
  }
};

// A run of elements met while walking a spool in order; a reversed run is
// read from last to first.
template <class T>
struct Run {
  const T* first;
  const T* last;
  bool reversed;
};

template <class T>
void appendRun(std::vector<T>& out, const Run<T>& r) {
  if (r.reversed) {
    out.insert(out.end(), std::make_reverse_iterator(r.last), std::make_reverse_iterator(r.first));
  } else {
    out.insert(out.end(), r.first, r.last);
  }
}

// The operations on trees of nodes. The members that walk or free a tree are
// defined out of line so that the shared library can hold them for the
// common element types.
template <class T>
struct Engine {
  using N = Node<T>;

  static N* share(N* n) noexcept {
    if (n) n->refs.fetch_add(1, std::memory_order_relaxed);
    return n;
  }

  // True when the caller holds the only reference: the node may grow.
  static bool unique(const N* n) noexcept { return n->refs.load(std::memory_order_acquire) == 1; }

  static std::size_t count(const N* n) noexcept {
    if (!n) return 0;
    if (n->kind == Kind::Chunk) {
      auto* c = static_cast<const Chunk<T>*>(n);
      return c->front.size() + c->back.size();
    }
    return n->size;
  }

  static N* chunkOf(std::vector<T>&& items) {
    if (items.empty()) return nullptr;
    auto* c = new Chunk<T>();
    c->back.swap(items);
    return c;
  }

  template <class Iterator>
  static N* chunkOf(Iterator first, Iterator last) {
    if (first == last) return nullptr;
    auto* c = new Chunk<T>();
    try {
      c->back.assign(first, last);
    } catch (...) {
      delete c;
      throw;
    }
    return c;
  }

  // Appending a spool of at most this many elements onto one that may grow
  // in place copies the elements instead of adding a node: still constant
  // time, and a loop of small appends then costs what vector insert does.
  static constexpr std::size_t copyLimit = 32;

  // l followed by r, where r is only borrowed: when r is small and l can
  // grow at its end, r's elements are copied without touching its count.
  // Takes over the reference l (dropped if this throws).
  static N* appendBorrowed(N* l, const N* r) {
    if (l && r && isSmall(r)) {
      if (Growable g = growableBack(l)) {
        try {
          walk(
              r,
              [&](const Run<T>& run) {
                appendRun(*g.items, run);
                return true;
              },
              [](const OpaqueNode<T>&) { return true; });
        } catch (...) {
          release(l);
          throw;
        }
        g.grew(count(r));
        return l;
      }
    }
    return append(l, share(const_cast<N*>(r)));
  }

  // Takes over the references l and r (dropped if this throws).
  static N* append(N* l, N* r) {
    if (!l) return r;
    if (!r) return l;
    try {
      if (isSmall(r) && unique(l)) {
        if (Growable g = growableBack(l)) {
          walk(
              r,
              [&](const Run<T>& run) {
                appendRun(*g.items, run);
                return true;
              },
              [](const OpaqueNode<T>&) { return true; });
          g.grew(count(r));
          release(r);
          return l;
        }
        // Give l a chunk of its own at the end for the appends that follow.
        N* copy = chunkOf(materialise(r, {}));
        release(r);
        r = copy;
      } else if (isSmall(l) && unique(r)) {
        if (Growable g = growableFront(r)) {
          std::vector<T> items = materialise(l, {});
          g.items->insert(g.items->end(), std::make_move_iterator(items.rbegin()),
                          std::make_move_iterator(items.rend()));
          g.grew(items.size());
          release(l);
          return r;
        }
        N* copy = chunkOf(materialise(l, {}));
        release(l);
        l = copy;
      }
      return joined(l, r);
    } catch (...) {
      release(l);
      release(r);
      throw;
    }
  }

  // x after the elements of n; takes over the reference n (dropped if this
  // throws).
  static N* snoc(N* n, T x) {
    try {
      return snocOwned(n, std::move(x));
    } catch (...) {
      release(n);
      throw;
    }
  }

  // x before the elements of n; the same ownership as snoc.
  static N* cons(T x, N* n) {
    try {
      return consOwned(std::move(x), n);
    } catch (...) {
      release(n);
      throw;
    }
  }

  static N* chunkOf1(T x, bool atFront) {
    auto* c = new Chunk<T>();
    try {
      (atFront ? c->front : c->back).push_back(std::move(x));
    } catch (...) {
      delete c;
      throw;
    }
    return c;
  }

  // Calls run(Run<T>) for each run of elements in order and opaque(const
  // OpaqueNode<T>&) for each opaque node; either returning false stops the
  // walk. Returns false when stopped.
  template <class OnRun, class OnOpaque>
  static bool walk(const N* n, OnRun&& run, OnOpaque&& opaque);

  // The elements of n followed by tail.
  static std::vector<T> materialise(const N* n, std::vector<T> tail);

  // The elements of n when n is the only reference (it is consumed): a lone
  // chunk hands over its vector without copying.
  static std::vector<T> materialiseOwned(N* n);

  // Drops one reference to n and frees every node that no longer has one.
  // A sole owner skips the atomic decrement: nobody else can see the node.
  static void release(N* n) noexcept {
    if (n && (unique(n) || n->refs.fetch_sub(1, std::memory_order_acq_rel) == 1)) destroy(n);
  }

 private:
  // A new Append of two non-empty trees; on failure l and r are untouched.
  static N* joined(N* l, N* r) {
    auto* a = new AppendNode<T>(l, r);
    a->opaque = l->opaque || r->opaque;
    a->size = count(l) + count(r);
    return a;
  }

  // n next to a new chunk holding x, for trees that will keep growing there.
  static N* joinedWithChunk(N* n, T x, bool atFront) {
    N* c = chunkOf1(std::move(x), atFront);
    try {
      return atFront ? joined(c, n) : joined(n, c);
    } catch (...) {
      release(c);
      throw;
    }
  }

  // The vector at one end of a tree that may grow in place, and the Append
  // node (if any) whose size must follow.
  struct Growable {
    std::vector<T>* items = nullptr;
    AppendNode<T>* parent = nullptr;
    explicit operator bool() const noexcept { return items != nullptr; }
    void grew(std::size_t k) const noexcept {
      if (parent) parent->size += k;
    }
  };

  // The back of n when n is a lone chunk or an Append ending in one, and
  // nobody else holds either.
  static Growable growableBack(N* n) noexcept {
    if (!unique(n)) return {};
    if (n->kind == Kind::Chunk) return {&static_cast<Chunk<T>*>(n)->back, nullptr};
    if (n->kind != Kind::Append) return {};
    auto* a = static_cast<AppendNode<T>*>(n);
    if (a->right->kind != Kind::Chunk || !unique(a->right)) return {};
    return {&static_cast<Chunk<T>*>(a->right)->back, a};
  }

  // The (reversed) front of n, under the same conditions.
  static Growable growableFront(N* n) noexcept {
    if (!unique(n)) return {};
    if (n->kind == Kind::Chunk) return {&static_cast<Chunk<T>*>(n)->front, nullptr};
    if (n->kind != Kind::Append) return {};
    auto* a = static_cast<AppendNode<T>*>(n);
    if (a->left->kind != Kind::Chunk || !unique(a->left)) return {};
    return {&static_cast<Chunk<T>*>(a->left)->front, a};
  }

  static bool isSmall(const N* n) noexcept { return !n->opaque && count(n) <= copyLimit; }

  static N* snocOwned(N* n, T x) {
    if (!n) return chunkOf1(std::move(x), false);
    if (unique(n)) {
      if (Growable g = growableBack(n)) {
        g.items->push_back(std::move(x));
        g.grew(1);
        return n;
      }
      // Start a chunk that the following snocs can fill in place.
      return joinedWithChunk(n, std::move(x), false);
    }
    auto* s = new SnocNode<T>(n, std::move(x));
    s->opaque = n->opaque;
    s->size = count(n) + 1;
    return s;
  }

  static N* consOwned(T x, N* n) {
    if (!n) return chunkOf1(std::move(x), true);
    if (unique(n)) {
      if (Growable g = growableFront(n)) {
        g.items->push_back(std::move(x));
        g.grew(1);
        return n;
      }
      return joinedWithChunk(n, std::move(x), true);
    }
    auto* c = new ConsNode<T>(std::move(x), n);
    c->opaque = n->opaque;
    c->size = count(n) + 1;
    return c;
  }

  static std::vector<T> materialiseOpaque(const N* n, std::vector<T> tail);
  static void destroy(N* n) noexcept;
};

template <class T>
template <class OnRun, class OnOpaque>
bool Engine<T>::walk(const N* n, OnRun&& run, OnOpaque&& opaque) {
  // A pending entry is either a subtree still to walk or, for a Snoc node
  // whose subtree is being walked, the element that follows it.
  struct Pending {
    const N* node;
    bool elementOnly;
  };
  std::vector<Pending> stack;
  const N* current = n;
  for (;;) {
    while (current) {
      switch (current->kind) {
        case Kind::Chunk: {
          auto* c = static_cast<const Chunk<T>*>(current);
          if (!c->front.empty() &&
              !run(Run<T>{c->front.data(), c->front.data() + c->front.size(), true})) {
            return false;
          }
          if (!c->back.empty() &&
              !run(Run<T>{c->back.data(), c->back.data() + c->back.size(), false})) {
            return false;
          }
          current = nullptr;
          break;
        }
        case Kind::Cons: {
          auto* c = static_cast<const ConsNode<T>*>(current);
          if (!run(Run<T>{&c->value, &c->value + 1, false})) return false;
          current = c->rest;
          break;
        }
        case Kind::Snoc: {
          auto* s = static_cast<const SnocNode<T>*>(current);
          stack.push_back({current, true});
          current = s->init;
          break;
        }
        case Kind::Append: {
          auto* a = static_cast<const AppendNode<T>*>(current);
          stack.push_back({a->right, false});
          current = a->left;
          break;
        }
        case Kind::Opaque:
          if (!opaque(*static_cast<const OpaqueNode<T>*>(current))) return false;
          current = nullptr;
          break;
      }
    }
    if (stack.empty()) return true;
    Pending next = stack.back();
    stack.pop_back();
    if (next.elementOnly) {
      auto* s = static_cast<const SnocNode<T>*>(next.node);
      if (!run(Run<T>{&s->value, &s->value + 1, false})) return false;
    } else {
      current = next.node;
    }
  }
}

template <class T>
std::vector<T> Engine<T>::materialise(const N* n, std::vector<T> tail) {
  if (!n) return tail;
  if (n->opaque) return materialiseOpaque(n, std::move(tail));
  std::vector<T> out;
  out.reserve(count(n) + tail.size());
  walk(
      n,
      [&](const Run<T>& r) {
        appendRun(out, r);
        return true;
      },
      [](const OpaqueNode<T>&) { return true; });
  out.insert(out.end(), std::make_move_iterator(tail.begin()), std::make_move_iterator(tail.end()));
  return out;
}

template <class T>
std::vector<T> Engine<T>::materialiseOwned(N* n) {
  if (n && n->kind == Kind::Chunk && unique(n)) {
    auto* c = static_cast<Chunk<T>*>(n);
    if (c->front.empty()) {
      std::vector<T> out = std::move(c->back);
      release(n);
      return out;
    }
  }
  std::vector<T> out = materialise(n, {});
  release(n);
  return out;
}

// With opaque operations in the tree the elements must be built from the
// end: each operation is handed everything that follows it. The walk
// collects the pieces in order; they are then applied from the last.
template <class T>
std::vector<T> Engine<T>::materialiseOpaque(const N* n, std::vector<T> tail) {
  struct Piece {
    std::vector<Run<T>> runs;               // elements, when prepend is null
    const PrependFunction<T>* prepend = nullptr;
  };
  std::vector<Piece> pieces;
  walk(
      n,
      [&](const Run<T>& r) {
        if (pieces.empty() || pieces.back().prepend) pieces.emplace_back();
        pieces.back().runs.push_back(r);
        return true;
      },
      [&](const OpaqueNode<T>& o) {
        pieces.push_back(Piece{{}, &o.prepend});
        return true;
      });
  std::vector<T> acc = std::move(tail);
  for (auto piece = pieces.rbegin(); piece != pieces.rend(); ++piece) {
    if (piece->prepend) {
      acc = (*piece->prepend)(std::move(acc));
      continue;
    }
    std::vector<T> joined;
    std::size_t total = acc.size();
    for (const Run<T>& r : piece->runs) total += static_cast<std::size_t>(r.last - r.first);
    joined.reserve(total);
    for (const Run<T>& r : piece->runs) appendRun(joined, r);
    joined.insert(joined.end(), std::make_move_iterator(acc.begin()), std::make_move_iterator(acc.end()));
    acc = std::move(joined);
  }
  return acc;
}

// Frees n and every node whose last reference n held. Chains (Cons, Snoc)
// are followed in a loop; only the second child of an Append waits on the
// heap stack.
template <class T>
void Engine<T>::destroy(N* n) noexcept {
  std::vector<N*> pending;
  auto drop = [](N* child) noexcept -> N* {
    return unique(child) || child->refs.fetch_sub(1, std::memory_order_acq_rel) == 1 ? child
                                                                                      : nullptr;
  };
  while (n) {
    N* next = nullptr;
    switch (n->kind) {
      case Kind::Chunk:
        delete static_cast<Chunk<T>*>(n);
        break;
      case Kind::Cons: {
        auto* c = static_cast<ConsNode<T>*>(n);
        next = drop(c->rest);
        delete c;
        break;
      }
      case Kind::Snoc: {
        auto* s = static_cast<SnocNode<T>*>(n);
        next = drop(s->init);
        delete s;
        break;
      }
      case Kind::Append: {
        auto* a = static_cast<AppendNode<T>*>(n);
        next = drop(a->left);
        if (N* right = drop(a->right)) {
          if (next) {
            try {
              pending.push_back(right);
            } catch (...) {
              // Out of memory for the stack: free the right side by itself,
              // which still only recurses through further such failures.
              destroy(right);
            }
          } else {
            next = right;
          }
        }
        delete a;
        break;
      }
      case Kind::Opaque:
        delete static_cast<OpaqueNode<T>*>(n);
        break;
    }
    if (!next && !pending.empty()) {
      next = pending.back();
      pending.pop_back();
    }
    n = next;
  }
}

}  // namespace quire::spool::detail
