// The engine's work list: a persistent singly linked list of (indentation,
// document) cells with an intrusive, single-threaded reference count.
//
// Pushing shares the tail, so a snapshot of the engine state is a pointer
// copy. Each cell also remembers what the engine turned it into (the list
// after expanding its head), so a look-ahead and the main pass that later
// reach the same cell in the same state find the same cells again; that
// identity is what lets the engine reuse a decision made for a group.
#pragma once

#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "galley/doc.hpp"

namespace quire::galley::detail {

// The five optional style attributes packed in 16 bits, so that engine
// states compare and copy cheaply.
//   bits 0-4 foreground (present, intensity, colour), 5-9 background,
//   10-11 console intensity + 1, 12-13 italic + 1, 14-15 underlining + 1.
using PackedStyle = std::uint16_t;

struct Cell;

class CellRef {
 public:
  CellRef() noexcept = default;
  explicit CellRef(Cell* c) noexcept;
  CellRef(const CellRef& o) noexcept : CellRef(o.p_) {}
  CellRef(CellRef&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
  CellRef& operator=(const CellRef& o) noexcept {
    CellRef copy(o);
    std::swap(p_, copy.p_);
    return *this;
  }
  CellRef& operator=(CellRef&& o) noexcept {
    CellRef moved(std::move(o));
    std::swap(p_, moved.p_);
    return *this;
  }
  ~CellRef();
  Cell* get() const noexcept { return p_; }
  Cell* operator->() const noexcept { return p_; }
  explicit operator bool() const noexcept { return p_ != nullptr; }
  Cell* release() noexcept { return std::exchange(p_, nullptr); }

 private:
  Cell* p_ = nullptr;
};

struct Decision {
  std::int64_t n;
  std::int64_t k;
  PackedStyle style;
  bool wide;
};

struct Cell {
  Cell(std::int64_t i, const Doc* d, Doc own, std::uint32_t flatDepth, CellRef rest)
      : flat(flatDepth), indent(i), doc(d), owner(std::move(own)), tail(std::move(rest)) {}

  // Cells come and go at the rate of the output; a per-thread free list
  // keeps them out of the general allocator.
  static void* operator new(std::size_t size);
  static void operator delete(void* p) noexcept;

  std::uint32_t refs = 0;
  // How many times the document is flattened: the wide branch of a group is
  // its narrow document laid out with one flattening more, applied node by
  // node as the engine walks it, so a flat form is never built as a tree.
  std::uint32_t flat;
  bool keyed = false;  // `next` was made for keyK / keyStyle
  PackedStyle keyStyle = 0;
  std::int64_t keyK = 0;
  std::int64_t indent;
  // The document lives in the rendering's root, in a node that `owner`
  // keeps alive, or in `owner` itself. Only documents made during layout
  // (function results, restore markers) need an owner, so cells for the
  // caller's document cost no reference counting.
  const Doc* doc;
  Doc owner;
  CellRef tail;
  CellRef next;    // the expanded list; for a Union, the wide branch
  CellRef narrow;  // Union only
  // Union only: the decisions made here, by state; the first inline since
  // a cell is rarely reached in more than one state.
  std::uint32_t decisionCount = 0;
  Decision firstDecision{};
  std::unique_ptr<std::vector<Decision>> moreDecisions;
  Cell* nextDead = nullptr;  // links cells being freed
};

inline CellRef::CellRef(Cell* c) noexcept : p_(c) {
  if (p_) ++p_->refs;
}

// Frees a cell whose count reached zero, and every cell only it kept,
// with a list instead of recursion.
void destroyCells(Cell* c) noexcept;

inline CellRef::~CellRef() {
  if (p_ && --p_->refs == 0) destroyCells(p_);
}

// A cell for a document kept alive by `owner` (empty for the root's tree).
inline CellRef cons(std::int64_t indent, const Doc& d, const Doc& owner, std::uint32_t flat, CellRef tail) {
  return CellRef(new Cell(indent, &d, owner, flat, std::move(tail)));
}

// A cell for a document made during layout; the cell owns it.
inline CellRef consOwned(std::int64_t indent, Doc fresh, std::uint32_t flat, CellRef tail) {
  Cell* c = new Cell(indent, nullptr, std::move(fresh), flat, std::move(tail));
  c->doc = &c->owner;
  return CellRef(c);
}

}  // namespace quire::galley::detail
