// The node structs behind Doc, shared by the library's sources.
//
// Every node starts with a NodeHeader (count, kind and two flags computed
// when the node is built); the kind says which struct follows. Nodes never
// change after construction except the lazily computed wide alternative of
// a group, which is published once through an atomic pointer. Their memory
// comes from per-thread chunks (internal/pool.hpp), and a
// text's bytes sit in the same slot as its node.
#pragma once

#include <atomic>
#include <bit>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <utility>

#include "galley/doc.hpp"
#include "galley/internal/pool.hpp"

namespace quire::galley::detail {


// Wrapping arithmetic for columns and indentation: an absurd nesting delta
// must not be undefined behaviour.
inline std::int64_t wrapAdd(std::int64_t a, std::int64_t b) noexcept {
  return static_cast<std::int64_t>(static_cast<std::uint64_t>(a) + static_cast<std::uint64_t>(b));
}
inline std::int64_t wrapSub(std::int64_t a, std::int64_t b) noexcept {
  return static_cast<std::int64_t>(static_cast<std::uint64_t>(a) - static_cast<std::uint64_t>(b));
}

struct CharNode : NodeHeader {
  explicit CharNode(char32_t c) : NodeHeader(DocKind::Char, true, true), value(c) {}
  char32_t value;
};

// The UTF-8 bytes follow the struct in the same allocation (makeText
// copies them in).
struct TextNode : NodeHeader {
  TextNode(std::int64_t n, std::size_t bytes) noexcept : NodeHeader(DocKind::Text, true, true), length(n), size(bytes) {}
  char* bytes() noexcept { return reinterpret_cast<char*>(this + 1); }
  std::string_view value() const noexcept { return {reinterpret_cast<const char*>(this + 1), size}; }
  std::int64_t length;
  std::size_t size;
};

// FlatAlt (first = normal form, second = flat form) and Cat.
struct PairNode : NodeHeader {
  PairNode(DocKind k, Doc a, Doc b)
      : NodeHeader(k, k == DocKind::Cat && a.flatStable() && b.flatStable(), a.unstyled() && b.unstyled()),
        first(std::move(a)),
        second(std::move(b)) {}
  // Adopts one reference to each of a and b (either may be null).
  PairNode(DocKind k, const NodeHeader* a, const NodeHeader* b) noexcept
      : NodeHeader(k, k == DocKind::Cat && (a == nullptr || a->flatStable) && (b == nullptr || b->flatStable),
                   (a == nullptr || a->unstyled) && (b == nullptr || b->unstyled)),
        first(a),
        second(b) {}
  Doc first;
  Doc second;
};

struct NestNode : NodeHeader {
  NestNode(std::int64_t d, Doc x)
      : NodeHeader(DocKind::Nest, x.flatStable(), x.unstyled()), delta(d), inner(std::move(x)) {}
  std::int64_t delta;
  Doc inner;
};

// A group's wide alternative is flatten(narrow), filled in on first use; a
// Union built directly carries its wide alternative from the start.
struct UnionNode : NodeHeader {
  explicit UnionNode(Doc narrowForm)
      : NodeHeader(DocKind::Union, false, narrowForm.unstyled()),
        narrow(std::move(narrowForm)),
        eager(false) {
    // flatten^t of a group is flatten^(t+1) of its argument; a group of a
    // group goes one level further, and so on: the end of such a chain is
    // found here, once, so that laying it out flat does not walk it.
    flatTarget = &narrow;
    if (narrow.kind() == DocKind::Union) {
      const auto& inner = static_cast<const UnionNode&>(*narrow.node());
      if (!inner.eager) {
        flatTarget = inner.flatTarget;
        flatExtra = inner.flatExtra + 1;
      }
    }
  }
  UnionNode(Doc wideForm, Doc narrowForm)
      : NodeHeader(DocKind::Union, false, wideForm.unstyled() && narrowForm.unstyled()),
        narrow(std::move(narrowForm)),
        wide(new Doc(std::move(wideForm))),
        eager(true) {}
  UnionNode(const UnionNode&) = delete;
  UnionNode& operator=(const UnionNode&) = delete;
  ~UnionNode() { delete wide.load(std::memory_order_acquire); }
  bool lazy() const noexcept { return !eager; }

  Doc narrow;
  mutable std::atomic<const Doc*> wide{nullptr};
  bool eager;
  // Groups only: flatten^t of this node is flatten^(t + flatExtra) of
  // *flatTarget, a document inside this node's chain of groups.
  const Doc* flatTarget = nullptr;
  std::uint32_t flatExtra = 1;
};

// Column, Columns and Nesting. flatten and plain do not call the function;
// they wrap it: a wrapper points at the node with the function (base) and
// says how often to flatten the result and whether to make it plain.
struct FnNode : NodeHeader {
  FnNode(DocKind k, ColumnFunction f)
      : NodeHeader(k, false, false), intFn(std::move(f)) {}
  explicit FnNode(ColumnsFunction f) : NodeHeader(DocKind::Columns, false, false), widthFn(std::move(f)) {}
  FnNode(DocKind k, Doc baseNode, std::uint32_t flattenCount, bool makePlain)
      : NodeHeader(k, false, makePlain),
        base(std::move(baseNode)),
        flattens(flattenCount),
        plain(makePlain) {}
  ColumnFunction intFn;
  ColumnsFunction widthFn;
  Doc base;
  std::uint32_t flattens = 0;
  bool plain = false;
};

struct ColorNode : NodeHeader {
  ColorNode(ConsoleLayer l, ColorIntensity i, Color c, Doc x)
      : NodeHeader(DocKind::Color, x.flatStable(), false),
        layer(l),
        intensity(i),
        color(c),
        inner(std::move(x)) {}
  ConsoleLayer layer;
  ColorIntensity intensity;
  Color color;
  Doc inner;
};

// Intensify, Italicize and Underline: one small attribute and a document.
template <DocKind K, class Attribute>
struct AttributeNode : NodeHeader {
  AttributeNode(Attribute a, Doc x)
      : NodeHeader(K, x.flatStable(), false), attribute(a), inner(std::move(x)) {}
  Attribute attribute;
  Doc inner;
};
using IntensifyNode = AttributeNode<DocKind::Intensify, ConsoleIntensity>;
using ItalicizeNode = AttributeNode<DocKind::Italicize, bool>;
using UnderlineNode = AttributeNode<DocKind::Underline, Underlining>;

struct RestoreNode : NodeHeader {
  explicit RestoreNode(const Style& s) : NodeHeader(DocKind::RestoreFormat, true, false), style(s) {}
  Style style;
};

template <class T>
const T& as(const Doc& d) noexcept {
  return static_cast<const T&>(*d.node());
}

template <class T, class... Args>
Doc makeNode(Args&&... args) {
  NodeStorage storage;
  void* memory = allocateNode(sizeof(T), storage);
  T* node;
  try {
    node = ::new (memory) T(std::forward<Args>(args)...);
  } catch (...) {
    freeNode(memory, storage);
    throw;
  }
  node->storage = storage;
  return Doc(node);
}

// Up to 8 bytes of text read as one word, the first byte lowest and zeros
// above the last: two overlapping loads instead of a loop.
inline std::uint64_t loadShort(const char* p, std::size_t n) noexcept {
  if (n >= 4) {
    std::uint32_t lo;
    std::uint32_t hi;
    std::memcpy(&lo, p, 4);
    std::memcpy(&hi, p + n - 4, 4);
    return lo | (std::uint64_t{hi} << (8 * (n - 4)));
  }
  const auto byte = [p](std::size_t i) { return std::uint64_t{static_cast<unsigned char>(p[i])} << (8 * i); };
  return byte(0) | byte(n >> 1) | byte(n - 1);
}

// How many of a word's bytes continue a UTF-8 sequence (10xxxxxx).
inline std::int64_t continuationBytes(std::uint64_t x) noexcept {
  const std::uint64_t m = (x & ~(x << 1) & 0x8080808080808080u) >> 7;  // one bit a byte
  return static_cast<std::int64_t>((m * 0x0101010101010101u) >> 56);   // their sum, at most 8
}

// Characters in UTF-8 text: the bytes that do not continue a sequence.
inline std::int64_t countCharacters(std::string_view utf8) noexcept {
  const char* p = utf8.data();
  const std::size_t n = utf8.size();
  if constexpr (std::endian::native == std::endian::little) {
    if (n <= 8) return n == 0 ? 0 : static_cast<std::int64_t>(n) - continuationBytes(loadShort(p, n));
    std::int64_t continuing = 0;
    std::size_t i = 0;
    for (; i + 8 <= n; i += 8) {
      std::uint64_t x;
      std::memcpy(&x, p + i, 8);
      continuing += continuationBytes(x);
    }
    if (i < n) {
      std::uint64_t x;  // the last 8 bytes, of which the first 8 - (n - i) are counted already
      std::memcpy(&x, p + n - 8, 8);
      continuing += continuationBytes(x >> (8 * (8 - (n - i))));
    }
    return static_cast<std::int64_t>(n) - continuing;
  } else {
    std::int64_t count = 0;
    for (unsigned char b : utf8) count += (b & 0xC0) != 0x80;
    return count;
  }
}

// A Text node holding a copy of utf8. The slot always has room for 8 text
// bytes, so a short text goes in with one store.
inline Doc makeText(std::int64_t length, std::string_view utf8) {
  const std::size_t n = utf8.size();
  NodeStorage storage;
  void* memory = allocateNode(sizeof(TextNode) + (n < 8 ? 8 : n), storage);
  auto* node = ::new (memory) TextNode(length, n);
  node->storage = storage;
  if (std::endian::native == std::endian::little && n <= 8) {
    const std::uint64_t x = n == 0 ? 0 : loadShort(utf8.data(), n);
    std::memcpy(node->bytes(), &x, 8);
  } else {
    std::memcpy(node->bytes(), utf8.data(), n);
  }
  return Doc(node);
}

// Kept apart so that the short path saves no registers for it.
[[gnu::noinline]] inline Doc makeLongText(std::string_view utf8) { return makeText(countCharacters(utf8), utf8); }

// text(utf8) for non-empty utf8: a short text is read once, for both its
// length and its copy.
inline Doc makeCountedText(std::string_view utf8) {
  const std::size_t n = utf8.size();
  if (std::endian::native != std::endian::little || n > 8) return makeLongText(utf8);
  const std::uint64_t x = loadShort(utf8.data(), n);
  NodeStorage storage;
  void* memory = allocateNode(sizeof(TextNode) + 8, storage);
  auto* node = ::new (memory) TextNode(static_cast<std::int64_t>(n) - continuationBytes(x), n);
  node->storage = storage;
  std::memcpy(node->bytes(), &x, 8);
  return Doc(node);
}

// element <> (separator <> rest), one step of the separator folds. Both
// slots are taken before any reference changes hands, so nothing needs
// undoing if there is no memory.
inline Doc makeSeparated(const Doc& element, const Doc& separator, Doc&& rest) {
  NodeStorage innerStorage;
  NodeStorage outerStorage;
  void* innerSlot = allocateNode(sizeof(PairNode), innerStorage);
  void* outerSlot;
  try {
    outerSlot = allocateNode(sizeof(PairNode), outerStorage);
  } catch (...) {
    freeNode(innerSlot, innerStorage);
    throw;
  }
  retainNode(separator.node());
  auto* inner = ::new (innerSlot) PairNode(DocKind::Cat, separator.node(), rest.disown());
  inner->storage = innerStorage;
  retainNode(element.node());
  auto* outer = ::new (outerSlot) PairNode(DocKind::Cat, element.node(), inner);
  outer->storage = outerStorage;
  return Doc(outer);
}

// x <> y, for the folds and operator+.
inline Doc makeCat(Doc x, Doc y) {
  NodeStorage storage;
  void* memory = allocateNode(sizeof(PairNode), storage);
  auto* node = ::new (memory) PairNode(DocKind::Cat, std::move(x), std::move(y));
  node->storage = storage;
  return Doc(node);
}

// The wide alternative of a Union, flattening a group's argument on first use.
const Doc& unionWide(const UnionNode& u);
// Calls a Column/Columns/Nesting function and applies the node's wrappers.
Doc applyFunction(const Doc& fnDoc, std::int64_t argument);
Doc applyWidthFunction(const Doc& fnDoc, std::optional<std::int64_t> width);
Doc applyFunction(const FnNode& f, std::int64_t argument);
Doc applyWidthFunction(const FnNode& f, std::optional<std::int64_t> width);
// plain x (declared publicly in combinators.hpp).
Doc plainDoc(const Doc& x);

}  // namespace quire::galley::detail
