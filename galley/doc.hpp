// Doc: a document that the layout engine lays out to a page width.
//
// A Doc is an immutable tree of shared nodes that says where a line may
// break, how far broken lines are indented and which parts may be flattened
// onto one line; render.hpp chooses the layout for a given width and
// display.hpp writes it out. Copying a Doc copies one pointer, and every
// combinator costs constant work, so subtrees are shared rather than copied:
// group(x) refers to x twice, a list's separator is one node.
//
// This header holds the Doc value, its seventeen node kinds and the
// primitives; combinators.hpp builds on them.
//
// Example:
//   using namespace quire::galley;
//   Doc d = group(text("let") + nest(2, line() + text("x = 1")));
//   show(d)                                       // == "let x = 1"
//   show(nest(2, text("let") + hardline() + text("x = 1")))
//                                                 // == "let\n  x = 1"
//   spaces(3)                                     // == "   "
//
// Note: documents are built and destroyed without recursion on the native
// stack, so a chain of a million concatenations or a hundred thousand nested
// groups is fine; the functions held by column/columns/nesting must be pure.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "galley/export.hpp"
#include "vtcontrol/sgr.hpp"

namespace quire::galley {

using vtcontrol::Color;
using vtcontrol::ColorIntensity;
using vtcontrol::ConsoleIntensity;
using vtcontrol::ConsoleLayer;
using vtcontrol::Underlining;

class Doc;

// The node kinds in their declared order (the enumerator value is the
// variant's number, 0 to 16).
enum class DocKind : std::uint8_t {
  Fail,
  Empty,
  Char,
  Text,
  Line,
  FlatAlt,
  Cat,
  Nest,
  Union,
  Column,
  Columns,
  Nesting,
  Color,
  Intensify,
  Italicize,
  Underline,
  RestoreFormat,
};

// The terminal style in force at a point of the layout: each attribute is
// absent when the document has not set it. RestoreFormat nodes carry one.
// Initialisers name the attributes they set:
// Style{.intensity = ConsoleIntensity::BoldIntensity}.
struct Style {
  std::optional<std::pair<ColorIntensity, Color>> foreground = std::nullopt;
  std::optional<std::pair<ColorIntensity, Color>> background = std::nullopt;
  std::optional<ConsoleIntensity> intensity = std::nullopt;
  std::optional<bool> italic = std::nullopt;
  std::optional<Underlining> underlining = std::nullopt;
  friend bool operator==(const Style&, const Style&) = default;
};

using ColumnFunction = std::function<Doc(std::int64_t)>;
using ColumnsFunction = std::function<Doc(std::optional<std::int64_t>)>;

namespace detail {
// Where a node's memory came from (internal/pool.hpp).
enum class NodeStorage : std::uint8_t { Chunk, Heap };
// The part of every node that the inline accessors read; the rest lives in
// internal/node.hpp. The count is the number of Doc values (and other
// owners) holding the node; atomic because documents may be shared between
// threads.
struct NodeHeader {
  NodeHeader(DocKind k, bool stable, bool noStyle) noexcept : kind(k), flatStable(stable), unstyled(noStyle) {}
  NodeHeader(const NodeHeader&) = delete;
  NodeHeader& operator=(const NodeHeader&) = delete;

  // kImmortal and above: a node built once for the whole program (line(),
  // softline(), the ASCII characters); its count is never touched again.
  mutable std::atomic<std::uint32_t> refs{1};
  DocKind kind;
  bool flatStable;  // flatten leaves this subtree as it is
  bool unstyled;    // plain leaves this subtree as it is
  NodeStorage storage = NodeStorage::Heap;  // where the node's memory came from
};
inline constexpr std::uint32_t kImmortal = std::uint32_t{1} << 31;
// Destroys a node whose count has reached zero, and every node only it kept.
QUIRE_GALLEY_EXPORT void releaseNode(const NodeHeader* node) noexcept;
// One more owner of `node` (null or not).
inline void retainNode(const NodeHeader* node) noexcept {
  if (node != nullptr && node->refs.load(std::memory_order_relaxed) < kImmortal) {
    node->refs.fetch_add(1, std::memory_order_relaxed);
  }
}
// One owner fewer: true when that was the last one and the node must go.
// The sole owner decides without an atomic read-modify-write, and an
// immortal node's count is left alone.
inline bool dropNode(const NodeHeader* node) noexcept {
  const std::uint32_t r = node->refs.load(std::memory_order_acquire);
  return r == 1 || (r < kImmortal && node->refs.fetch_sub(1, std::memory_order_acq_rel) == 1);
}
}  // namespace detail

// An immutable document. The default value is the empty document.
class QUIRE_GALLEY_EXPORT Doc {
 public:
  Doc() noexcept = default;
  // A string literal becomes text(s): no newline handling.
  Doc(const char* s);       // NOLINT: implicit on purpose
  Doc(std::string_view s);  // NOLINT: implicit on purpose
  Doc(const std::string& s);  // NOLINT: implicit on purpose
  Doc(const Doc& other) noexcept : node_(other.node_) { detail::retainNode(node_); }
  Doc(Doc&& other) noexcept : node_(std::exchange(other.node_, nullptr)) {}
  Doc& operator=(const Doc& other) noexcept {
    Doc copy(other);
    swap(copy);
    return *this;
  }
  Doc& operator=(Doc&& other) noexcept {
    Doc moved(std::move(other));
    swap(moved);
    return *this;
  }
  // Releasing the last reference to a deep tree frees it with a work list
  // instead of a chain of nested destructor calls.
  ~Doc() {
    if (node_ != nullptr && detail::dropNode(node_)) detail::releaseNode(node_);
  }
  void swap(Doc& other) noexcept { std::swap(node_, other.node_); }

  [[nodiscard]] DocKind kind() const noexcept { return node_ != nullptr ? node_->kind : DocKind::Empty; }

  // Field accessors; each requires the matching kind.
  [[nodiscard]] char32_t character() const;         // Char
  [[nodiscard]] std::int64_t textLength() const;    // Text: characters, counted once
  [[nodiscard]] std::string_view textValue() const;  // Text: UTF-8
  [[nodiscard]] const Doc& left() const;            // FlatAlt (the normal form), Cat
  [[nodiscard]] const Doc& right() const;           // FlatAlt (the flat form), Cat
  [[nodiscard]] std::int64_t nestDelta() const;     // Nest
  [[nodiscard]] const Doc& inner() const;           // Nest, Color, Intensify, Italicize, Underline
  // Union: the wide (flattened) alternative, computed on first use for group.
  [[nodiscard]] const Doc& unionFirst() const;
  [[nodiscard]] const Doc& unionSecond() const;  // Union: the narrow alternative
  [[nodiscard]] Doc applyColumn(std::int64_t column) const;                // Column
  [[nodiscard]] Doc applyColumns(std::optional<std::int64_t> width) const;  // Columns
  [[nodiscard]] Doc applyNesting(std::int64_t nesting) const;              // Nesting
  [[nodiscard]] ConsoleLayer colorLayer() const;                           // Color
  [[nodiscard]] ColorIntensity colorIntensity() const;                     // Color
  [[nodiscard]] Color colorValue() const;                                  // Color
  [[nodiscard]] ConsoleIntensity consoleIntensity() const;                 // Intensify
  [[nodiscard]] bool italicized() const;                                   // Italicize
  [[nodiscard]] Underlining underlining() const;                           // Underline
  [[nodiscard]] const Style& restoredStyle() const;                        // RestoreFormat

  // Concatenation (beside).
  friend QUIRE_GALLEY_EXPORT Doc operator+(const Doc& x, const Doc& y);
  Doc& operator+=(const Doc& y) { return *this = *this + y; }

  // For the library's own node code: adopts one reference to `node`.
  explicit Doc(const detail::NodeHeader* node) noexcept : node_(node) {}
  [[nodiscard]] const detail::NodeHeader* node() const noexcept { return node_; }
  // For the library's own node code: gives up the reference without
  // releasing it, leaving this Doc empty.
  [[nodiscard]] const detail::NodeHeader* disown() noexcept { return std::exchange(node_, nullptr); }
  [[nodiscard]] bool sharesNode() const noexcept {
    return node_ != nullptr && node_->refs.load(std::memory_order_relaxed) > 1;
  }
  [[nodiscard]] bool flatStable() const noexcept { return node_ == nullptr || node_->flatStable; }
  [[nodiscard]] bool unstyled() const noexcept { return node_ == nullptr || node_->unstyled; }

 private:
  const detail::NodeHeader* node_ = nullptr;
};

// Nodes built directly, one function per kind. The combinators below are
// the usual way; these exist for the variants that have none (Italicize,
// RestoreFormat, Fail) and for code that must state the exact tree. A Union
// built here keeps both alternatives as given.
namespace node {
QUIRE_GALLEY_EXPORT Doc Fail();
QUIRE_GALLEY_EXPORT Doc Empty();
QUIRE_GALLEY_EXPORT Doc Char(char32_t c);
QUIRE_GALLEY_EXPORT Doc Text(std::int64_t length, std::string_view utf8);
QUIRE_GALLEY_EXPORT Doc Line();
QUIRE_GALLEY_EXPORT Doc FlatAlt(Doc x, Doc flat);
QUIRE_GALLEY_EXPORT Doc Cat(Doc x, Doc y);
QUIRE_GALLEY_EXPORT Doc Nest(std::int64_t delta, Doc x);
QUIRE_GALLEY_EXPORT Doc Union(Doc wide, Doc narrow);
QUIRE_GALLEY_EXPORT Doc Column(ColumnFunction f);
QUIRE_GALLEY_EXPORT Doc Columns(ColumnsFunction f);
QUIRE_GALLEY_EXPORT Doc Nesting(ColumnFunction f);
QUIRE_GALLEY_EXPORT Doc Color(ConsoleLayer layer, ColorIntensity intensity, galley::Color color,
                              Doc x);
QUIRE_GALLEY_EXPORT Doc Intensify(ConsoleIntensity intensity, Doc x);
QUIRE_GALLEY_EXPORT Doc Italicize(bool italic, Doc x);
QUIRE_GALLEY_EXPORT Doc Underline(Underlining underlining, Doc x);
QUIRE_GALLEY_EXPORT Doc RestoreFormat(const Style& style);
}  // namespace node

// Primitive documents.
QUIRE_GALLEY_EXPORT Doc empty();
// line() for a newline, otherwise a Char.
QUIRE_GALLEY_EXPORT Doc char_(char32_t c);
// Empty for "", otherwise a Text; does not look for newlines (see string).
QUIRE_GALLEY_EXPORT Doc text(std::string_view utf8);
QUIRE_GALLEY_EXPORT Doc text(std::u32string_view s);
// Text with every newline turned into line(); always ends in an Empty.
QUIRE_GALLEY_EXPORT Doc string(std::string_view utf8);
QUIRE_GALLEY_EXPORT Doc string(std::u32string_view s);
QUIRE_GALLEY_EXPORT Doc line();       // a break that flattens to a space
QUIRE_GALLEY_EXPORT Doc linebreak();  // a break that flattens to nothing
QUIRE_GALLEY_EXPORT Doc hardline();   // a break that never flattens
QUIRE_GALLEY_EXPORT Doc softline();   // a space, or a break when the line is full
QUIRE_GALLEY_EXPORT Doc softbreak();  // nothing, or a break when the line is full
QUIRE_GALLEY_EXPORT Doc space();
// n spaces as a plain string; "" when n <= 0.
QUIRE_GALLEY_EXPORT std::string spaces(std::int64_t n);
inline std::string indentation(std::int64_t n) { return spaces(n); }

// Layout primitives.
QUIRE_GALLEY_EXPORT Doc nest(std::int64_t delta, Doc x);
QUIRE_GALLEY_EXPORT Doc column(ColumnFunction f);
QUIRE_GALLEY_EXPORT Doc columns(ColumnsFunction f);
QUIRE_GALLEY_EXPORT Doc nesting(ColumnFunction f);
QUIRE_GALLEY_EXPORT Doc flatAlt(Doc x, Doc flat);
// Union(flatten x, x), without flattening x now: the layout engine lays x
// out flattened as it walks it, and unionFirst() builds the flattened tree
// on first use, once, even when the document is shared between threads.
QUIRE_GALLEY_EXPORT Doc group(Doc x);
// Every line break replaced by its flat form; a hard line becomes Fail.
QUIRE_GALLEY_EXPORT Doc flatten(const Doc& x);
// Indents x's line breaks to the column where x starts.
QUIRE_GALLEY_EXPORT Doc align(Doc x);
QUIRE_GALLEY_EXPORT Doc hang(std::int64_t i, Doc x);
QUIRE_GALLEY_EXPORT Doc indent(std::int64_t i, Doc x);
// f receives the number of columns x took (column after x minus column before).
QUIRE_GALLEY_EXPORT Doc width(Doc x, std::function<Doc(std::int64_t)> f);
// Pads x with spaces to n columns.
QUIRE_GALLEY_EXPORT Doc fill(std::int64_t n, Doc x);
// Pads x to n columns, or breaks the line (indented by n more) when x is wider.
QUIRE_GALLEY_EXPORT Doc fillBreak(std::int64_t n, Doc x);

}  // namespace quire::galley
