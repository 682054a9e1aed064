// Doc nodes, their accessors and the primitive documents.
#include "galley/doc.hpp"

#include <array>
#include <type_traits>
#include <vector>

#include "base/error.hpp"
#include "base/utf8.hpp"
#include "galley/internal/node.hpp"

namespace quire::galley {
namespace detail {

namespace {

// Frees node slots, taking a run of slots from one chunk off its count in
// one step: the nodes of a document were made one after another, so most of
// a release's slots come in runs from the same chunk.
class FreedSlots {
 public:
  FreedSlots() = default;
  FreedSlots(const FreedSlots&) = delete;
  FreedSlots& operator=(const FreedSlots&) = delete;
  ~FreedSlots() { flush(); }

  void free(void* p, NodeStorage storage) noexcept {
    if (storage == NodeStorage::Heap) {
      ::operator delete(p);
      return;
    }
    ChunkHeader* chunk = chunkOf(p);
    if (chunk != chunk_) {
      flush();
      chunk_ = chunk;
    }
    ++count_;
  }

 private:
  void flush() noexcept {
    if (chunk_ != nullptr && chunk_->live.fetch_sub(count_, std::memory_order_acq_rel) == count_) {
      recycleChunk(chunk_);
    }
    chunk_ = nullptr;
    count_ = 0;
  }
  ChunkHeader* chunk_ = nullptr;
  std::int64_t count_ = 0;
};

template <class T>
void destroyAs(const NodeHeader* n, FreedSlots& slots) noexcept {
  const NodeStorage storage = n->storage;
  auto* node = const_cast<T*>(static_cast<const T*>(n));
  node->~T();
  slots.free(node, storage);
}

// Takes a child's reference out of its parent: the child, when that was
// its last owner, otherwise null.
const NodeHeader* takeChild(const Doc& child) noexcept {
  const NodeHeader* c = const_cast<Doc&>(child).disown();
  return c != nullptr && dropNode(c) ? c : nullptr;
}

// Destroys a node that wraps one document; returns that document's node
// when this was its last owner.
template <class T>
const NodeHeader* destroyWrapper(const NodeHeader* n, FreedSlots& slots) noexcept {
  const NodeHeader* inner = takeChild(static_cast<const T&>(*n).inner);
  destroyAs<T>(n, slots);
  return inner;
}

// The kinds that hold no documents; their nodes need no destructor.
constexpr std::uint32_t kLeafKinds = 1u << static_cast<unsigned>(DocKind::Text) |
                                     1u << static_cast<unsigned>(DocKind::Char) |
                                     1u << static_cast<unsigned>(DocKind::Line) |
                                     1u << static_cast<unsigned>(DocKind::Fail) |
                                     1u << static_cast<unsigned>(DocKind::Empty) |
                                     1u << static_cast<unsigned>(DocKind::RestoreFormat);
static_assert(std::is_trivially_destructible_v<TextNode> && std::is_trivially_destructible_v<CharNode> &&
              std::is_trivially_destructible_v<RestoreNode> && std::is_trivially_destructible_v<NodeHeader>);

bool isLeaf(DocKind k) noexcept { return ((kLeafKinds >> static_cast<unsigned>(k)) & 1u) != 0; }

void destroyLeaf(const NodeHeader* n, FreedSlots& slots) noexcept {
  slots.free(const_cast<NodeHeader*>(n), n->storage);
}

// Destroys n and frees its slot; returns the children it was the last owner
// of (at most two), which the caller destroys in turn.
std::pair<const NodeHeader*, const NodeHeader*> destroyNode(const NodeHeader* n, FreedSlots& slots) noexcept {
  const NodeHeader* a = nullptr;
  const NodeHeader* b = nullptr;
  switch (n->kind) {
    case DocKind::FlatAlt:
    case DocKind::Cat: {
      const auto& p = static_cast<const PairNode&>(*n);
      a = takeChild(p.first);
      b = takeChild(p.second);
      destroyAs<PairNode>(n, slots);
      break;
    }
    case DocKind::Nest: a = destroyWrapper<NestNode>(n, slots); break;
    case DocKind::Union: {
      const auto& u = static_cast<const UnionNode&>(*n);
      a = takeChild(u.narrow);
      if (const Doc* wide = u.wide.load(std::memory_order_acquire)) b = takeChild(*wide);
      destroyAs<UnionNode>(n, slots);
      break;
    }
    case DocKind::Column:
    case DocKind::Columns:
    case DocKind::Nesting:
      // the functions may hold documents too: those come back through releaseNode
      a = takeChild(static_cast<const FnNode&>(*n).base);
      destroyAs<FnNode>(n, slots);
      break;
    case DocKind::Color: a = destroyWrapper<ColorNode>(n, slots); break;
    case DocKind::Intensify: a = destroyWrapper<IntensifyNode>(n, slots); break;
    case DocKind::Italicize: a = destroyWrapper<ItalicizeNode>(n, slots); break;
    case DocKind::Underline: a = destroyWrapper<UnderlineNode>(n, slots); break;
    default: destroyLeaf(n, slots); break;
  }
  // a child without children of its own goes at once, so that a long chain
  // does not pile its elements up in the work list
  if (a != nullptr && isLeaf(a->kind)) a = (destroyLeaf(a, slots), nullptr);
  if (b != nullptr && isLeaf(b->kind)) b = (destroyLeaf(b, slots), nullptr);
  return {a, b};
}

// The nodes waiting to be destroyed while a release runs: a few inline,
// the rest in a vector.
class PendingNodes {
 public:
  void push(const NodeHeader* n) {
    if (count_ < kInline) {
      inline_[count_++] = n;
    } else {
      more_.push_back(n);
    }
  }
  const NodeHeader* pop() noexcept {
    if (!more_.empty()) {
      const NodeHeader* n = more_.back();
      more_.pop_back();
      return n;
    }
    return count_ == 0 ? nullptr : inline_[--count_];
  }

 private:
  static constexpr std::size_t kInline = 32;
  const NodeHeader* inline_[kInline];
  std::size_t count_ = 0;
  std::vector<const NodeHeader*> more_;
};

thread_local PendingNodes* parked __attribute__((tls_model("initial-exec"))) = nullptr;

// Frees the tree under n (n included) with a work list: the left child is
// followed at once and the right one waits in `pending`, so that the right
// spine of a fold is one entry at a time.
void destroyTree(const NodeHeader* n, PendingNodes& pending, FreedSlots& slots) noexcept {
  while (n != nullptr) {
    auto [a, b] = destroyNode(n, slots);
    if (a != nullptr && b != nullptr) {
      try {
        pending.push(b);
      } catch (...) {
        // no memory for the list: free this one here, nesting one level
        FreedSlots own;
        PendingNodes none;
        destroyTree(b, none, own);
      }
      b = nullptr;
    }
    n = a != nullptr ? a : b;
    if (n == nullptr) n = pending.pop();
  }
}

}  // namespace

void releaseNode(const NodeHeader* node) noexcept {
  // Only the owner of the last reference gets here, and it frees the tree
  // through a list instead of nested calls: while a release is running,
  // every further node whose count reaches zero (one held by a column
  // function, say) is parked.
  if (parked != nullptr) {
    try {
      parked->push(node);
    } catch (...) {
      // no memory for the list: free this one here, nesting one level
      FreedSlots slots;
      PendingNodes none;
      destroyTree(node, none, slots);
    }
    return;
  }
  PendingNodes pending;
  FreedSlots slots;
  parked = &pending;
  destroyTree(node, pending, slots);
  parked = nullptr;
}

}  // namespace detail

using detail::as;
using detail::makeNode;

namespace {

// Documents used everywhere are built once and never freed: returning one
// copies a pointer, without an allocation or a change to a shared count.
Doc immortal(Doc d) {
  if (d.node() != nullptr) d.node()->refs.store(detail::kImmortal, std::memory_order_relaxed);
  return d;
}
const Doc& lineNode() {
  static const Doc* d = new Doc(immortal(makeNode<detail::NodeHeader>(DocKind::Line, false, true)));
  return *d;
}
const Doc& failNode() {
  static const Doc* d = new Doc(immortal(makeNode<detail::NodeHeader>(DocKind::Fail, true, true)));
  return *d;
}
const Doc& asciiChar(char32_t c) {
  static const std::array<Doc, 128>* table = [] {
    auto* t = new std::array<Doc, 128>();
    for (char32_t i = 0; i < 128; ++i) (*t)[i] = immortal(makeNode<detail::CharNode>(i));
    return t;
  }();
  return (*table)[c];
}

[[noreturn]] void wrongKind(const char* accessor) {
  throwError(std::string("Doc::") + accessor + ": the document is not of that kind");
}

const detail::NodeHeader& expect(const Doc& d, DocKind k, const char* accessor) {
  if (d.kind() != k || d.node() == nullptr) wrongKind(accessor);
  return *d.node();
}

const Doc& styledInner(const Doc& d) {
  switch (d.kind()) {
    case DocKind::Nest: return as<detail::NestNode>(d).inner;
    case DocKind::Color: return as<detail::ColorNode>(d).inner;
    case DocKind::Intensify: return as<detail::IntensifyNode>(d).inner;
    case DocKind::Italicize: return as<detail::ItalicizeNode>(d).inner;
    case DocKind::Underline: return as<detail::UnderlineNode>(d).inner;
    default: wrongKind("inner");
  }
}

const detail::PairNode& pairOf(const Doc& d, const char* accessor) {
  if (d.kind() != DocKind::Cat && d.kind() != DocKind::FlatAlt) wrongKind(accessor);
  return as<detail::PairNode>(d);
}

}  // namespace

Doc::Doc(const char* s) : Doc(text(std::string_view(s))) {}
Doc::Doc(std::string_view s) : Doc(text(s)) {}
Doc::Doc(const std::string& s) : Doc(text(std::string_view(s))) {}

char32_t Doc::character() const {
  return static_cast<const detail::CharNode&>(expect(*this, DocKind::Char, "character")).value;
}
std::int64_t Doc::textLength() const {
  return static_cast<const detail::TextNode&>(expect(*this, DocKind::Text, "textLength")).length;
}
std::string_view Doc::textValue() const {
  return static_cast<const detail::TextNode&>(expect(*this, DocKind::Text, "textValue")).value();
}
const Doc& Doc::left() const { return pairOf(*this, "left").first; }
const Doc& Doc::right() const { return pairOf(*this, "right").second; }
std::int64_t Doc::nestDelta() const {
  return static_cast<const detail::NestNode&>(expect(*this, DocKind::Nest, "nestDelta")).delta;
}
const Doc& Doc::inner() const { return styledInner(*this); }
const Doc& Doc::unionFirst() const {
  return detail::unionWide(static_cast<const detail::UnionNode&>(expect(*this, DocKind::Union, "unionFirst")));
}
const Doc& Doc::unionSecond() const {
  return static_cast<const detail::UnionNode&>(expect(*this, DocKind::Union, "unionSecond")).narrow;
}
Doc Doc::applyColumn(std::int64_t column) const {
  expect(*this, DocKind::Column, "applyColumn");
  return detail::applyFunction(*this, column);
}
Doc Doc::applyColumns(std::optional<std::int64_t> width) const {
  expect(*this, DocKind::Columns, "applyColumns");
  return detail::applyWidthFunction(*this, width);
}
Doc Doc::applyNesting(std::int64_t nesting) const {
  expect(*this, DocKind::Nesting, "applyNesting");
  return detail::applyFunction(*this, nesting);
}
ConsoleLayer Doc::colorLayer() const {
  return static_cast<const detail::ColorNode&>(expect(*this, DocKind::Color, "colorLayer")).layer;
}
ColorIntensity Doc::colorIntensity() const {
  return static_cast<const detail::ColorNode&>(expect(*this, DocKind::Color, "colorIntensity")).intensity;
}
Color Doc::colorValue() const {
  return static_cast<const detail::ColorNode&>(expect(*this, DocKind::Color, "colorValue")).color;
}
ConsoleIntensity Doc::consoleIntensity() const {
  return static_cast<const detail::IntensifyNode&>(expect(*this, DocKind::Intensify, "consoleIntensity"))
      .attribute;
}
bool Doc::italicized() const {
  return static_cast<const detail::ItalicizeNode&>(expect(*this, DocKind::Italicize, "italicized")).attribute;
}
Underlining Doc::underlining() const {
  return static_cast<const detail::UnderlineNode&>(expect(*this, DocKind::Underline, "underlining")).attribute;
}
const Style& Doc::restoredStyle() const {
  return static_cast<const detail::RestoreNode&>(expect(*this, DocKind::RestoreFormat, "restoredStyle")).style;
}

Doc operator+(const Doc& x, const Doc& y) { return detail::makeCat(x, y); }

namespace node {
Doc Fail() { return failNode(); }
Doc Empty() { return Doc(); }
Doc Char(char32_t c) { return c < 128 ? asciiChar(c) : makeNode<detail::CharNode>(c); }
Doc Text(std::int64_t length, std::string_view utf8) {
  return detail::makeText(length, utf8);
}
Doc Line() { return lineNode(); }
Doc FlatAlt(Doc x, Doc flat) { return makeNode<detail::PairNode>(DocKind::FlatAlt, std::move(x), std::move(flat)); }
Doc Cat(Doc x, Doc y) { return detail::makeCat(std::move(x), std::move(y)); }
Doc Nest(std::int64_t delta, Doc x) { return makeNode<detail::NestNode>(delta, std::move(x)); }
Doc Union(Doc wide, Doc narrow) { return makeNode<detail::UnionNode>(std::move(wide), std::move(narrow)); }
Doc Column(ColumnFunction f) { return makeNode<detail::FnNode>(DocKind::Column, std::move(f)); }
Doc Columns(ColumnsFunction f) { return makeNode<detail::FnNode>(std::move(f)); }
Doc Nesting(ColumnFunction f) { return makeNode<detail::FnNode>(DocKind::Nesting, std::move(f)); }
Doc Color(ConsoleLayer layer, ColorIntensity intensity, galley::Color color, Doc x) {
  return makeNode<detail::ColorNode>(layer, intensity, color, std::move(x));
}
Doc Intensify(ConsoleIntensity intensity, Doc x) { return makeNode<detail::IntensifyNode>(intensity, std::move(x)); }
Doc Italicize(bool italic, Doc x) { return makeNode<detail::ItalicizeNode>(italic, std::move(x)); }
Doc Underline(Underlining underlining, Doc x) {
  return makeNode<detail::UnderlineNode>(underlining, std::move(x));
}
Doc RestoreFormat(const Style& style) { return makeNode<detail::RestoreNode>(style); }
}  // namespace node

Doc empty() { return Doc(); }

Doc char_(char32_t c) { return c == U'\n' ? line() : node::Char(c); }

Doc text(std::string_view utf8) {
  if (utf8.empty()) return Doc();
  return detail::makeCountedText(utf8);
}

Doc text(std::u32string_view s) {
  if (s.empty()) return Doc();
  std::string utf8;
  utf8.reserve(s.size());
  for (char32_t c : s) quire::appendUtf8(utf8, c);
  return detail::makeText(static_cast<std::int64_t>(s.size()), utf8);
}

namespace {
// string(): pieces between newlines, then a right-nested chain ending in
// Empty, built from the back so no recursion follows the number of lines.
template <class View>
Doc splitLines(View s) {
  std::vector<Doc> pieces;
  while (!s.empty()) {
    auto nl = s.find(typename View::value_type('\n'));
    if (nl == 0) {
      pieces.push_back(line());
      s.remove_prefix(1);
      continue;
    }
    if (nl == View::npos) nl = s.size();
    pieces.push_back(text(s.substr(0, nl)));
    s.remove_prefix(nl);
  }
  Doc acc;
  for (auto it = pieces.rbegin(); it != pieces.rend(); ++it) acc = node::Cat(std::move(*it), std::move(acc));
  return acc;
}
}  // namespace

Doc string(std::string_view utf8) { return splitLines(utf8); }
Doc string(std::u32string_view s) { return splitLines(s); }

Doc line() {
  static const Doc* d = new Doc(immortal(node::FlatAlt(node::Line(), node::Char(U' '))));
  return *d;
}
Doc linebreak() {
  static const Doc* d = new Doc(immortal(node::FlatAlt(node::Line(), Doc())));
  return *d;
}
Doc hardline() { return node::Line(); }
Doc softline() {
  static const Doc* d = new Doc(immortal(group(line())));
  return *d;
}
Doc softbreak() {
  static const Doc* d = new Doc(immortal(group(linebreak())));
  return *d;
}
Doc space() { return node::Char(U' '); }

std::string spaces(std::int64_t n) { return n <= 0 ? std::string() : std::string(static_cast<std::size_t>(n), ' '); }

Doc nest(std::int64_t delta, Doc x) { return node::Nest(delta, std::move(x)); }
Doc column(ColumnFunction f) { return node::Column(std::move(f)); }
Doc columns(ColumnsFunction f) { return node::Columns(std::move(f)); }
Doc nesting(ColumnFunction f) { return node::Nesting(std::move(f)); }
Doc flatAlt(Doc x, Doc flat) { return node::FlatAlt(std::move(x), std::move(flat)); }
Doc group(Doc x) { return makeNode<detail::UnionNode>(std::move(x)); }

Doc align(Doc x) {
  return column([x = std::move(x)](std::int64_t k) {
    return nesting([k, x](std::int64_t i) { return nest(detail::wrapSub(k, i), x); });
  });
}
Doc hang(std::int64_t i, Doc x) { return align(nest(i, std::move(x))); }
Doc indent(std::int64_t i, Doc x) { return hang(i, text(spaces(i)) + x); }

Doc width(Doc x, std::function<Doc(std::int64_t)> f) {
  return column([x = std::move(x), f = std::move(f)](std::int64_t k1) {
    return x + column([k1, f](std::int64_t k2) { return f(detail::wrapSub(k2, k1)); });
  });
}

Doc fill(std::int64_t n, Doc x) {
  return width(std::move(x), [n](std::int64_t w) { return w < n ? text(spaces(detail::wrapSub(n, w))) : Doc(); });
}

Doc fillBreak(std::int64_t n, Doc x) {
  return width(std::move(x), [n](std::int64_t w) {
    return w > n ? nest(n, linebreak()) : text(spaces(detail::wrapSub(n, w)));
  });
}

}  // namespace quire::galley
