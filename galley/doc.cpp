// Doc nodes, their accessors and the primitive documents.
#include "galley/doc.hpp"

#include <array>
#include <vector>

#include "base/error.hpp"
#include "base/utf8.hpp"
#include "galley/internal/node.hpp"

namespace quire::galley {
namespace detail {

namespace {

template <class T>
void destroyAs(const NodeHeader* n) noexcept {
  const NodeStorage storage = n->storage;
  auto* node = const_cast<T*>(static_cast<const T*>(n));
  node->~T();
  freeNode(node, storage);
}

// Runs the node's destructor and frees its slot; the children it releases
// come back through releaseNode.
void destroyNode(const NodeHeader* n) noexcept {
  switch (n->kind) {
    case DocKind::Fail:
    case DocKind::Empty:
    case DocKind::Line: return destroyAs<NodeHeader>(n);
    case DocKind::Char: return destroyAs<CharNode>(n);
    case DocKind::Text: return destroyAs<TextNode>(n);
    case DocKind::FlatAlt:
    case DocKind::Cat: return destroyAs<PairNode>(n);
    case DocKind::Nest: return destroyAs<NestNode>(n);
    case DocKind::Union: return destroyAs<UnionNode>(n);
    case DocKind::Column:
    case DocKind::Columns:
    case DocKind::Nesting: return destroyAs<FnNode>(n);
    case DocKind::Color: return destroyAs<ColorNode>(n);
    case DocKind::Intensify: return destroyAs<IntensifyNode>(n);
    case DocKind::Italicize: return destroyAs<ItalicizeNode>(n);
    case DocKind::Underline: return destroyAs<UnderlineNode>(n);
    case DocKind::RestoreFormat: return destroyAs<RestoreNode>(n);
  }
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

}  // namespace

void releaseNode(const NodeHeader* node) noexcept {
  // Only the owner of the last reference gets here, and it frees the tree
  // through a list instead of nested calls: while a release is running,
  // every further node whose count reaches zero is parked.
  if (parked != nullptr) {
    try {
      parked->push(node);
    } catch (...) {
      // no memory for the list: free this one here, nesting one level
      destroyNode(node);
    }
    return;
  }
  PendingNodes pending;
  parked = &pending;
  for (const NodeHeader* n = node; n != nullptr; n = pending.pop()) destroyNode(n);
  parked = nullptr;
}

std::int64_t countCharacters(std::string_view utf8) noexcept {
  std::int64_t n = 0;
  for (unsigned char b : utf8) n += (b & 0xC0) != 0x80;
  return n;
}

}  // namespace detail

using detail::as;
using detail::makeNode;

namespace {

// Documents used everywhere are built once and never freed, so returning
// them costs a reference count instead of an allocation.
const Doc& lineNode() {
  static const Doc* d = new Doc(makeNode<detail::NodeHeader>(DocKind::Line, false, true));
  return *d;
}
const Doc& failNode() {
  static const Doc* d = new Doc(makeNode<detail::NodeHeader>(DocKind::Fail, true, true));
  return *d;
}
const Doc& asciiChar(char32_t c) {
  static const std::array<Doc, 128>* table = [] {
    auto* t = new std::array<Doc, 128>();
    for (char32_t i = 0; i < 128; ++i) (*t)[i] = makeNode<detail::CharNode>(i);
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

Doc operator+(const Doc& x, const Doc& y) { return node::Cat(x, y); }

namespace node {
Doc Fail() { return failNode(); }
Doc Empty() { return Doc(); }
Doc Char(char32_t c) { return c < 128 ? asciiChar(c) : makeNode<detail::CharNode>(c); }
Doc Text(std::int64_t length, std::string_view utf8) {
  return detail::makeText(length, utf8);
}
Doc Line() { return lineNode(); }
Doc FlatAlt(Doc x, Doc flat) { return makeNode<detail::PairNode>(DocKind::FlatAlt, std::move(x), std::move(flat)); }
Doc Cat(Doc x, Doc y) { return makeNode<detail::PairNode>(DocKind::Cat, std::move(x), std::move(y)); }
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
  return node::Text(detail::countCharacters(utf8), utf8);
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
  static const Doc* d = new Doc(node::FlatAlt(node::Line(), node::Char(U' ')));
  return *d;
}
Doc linebreak() {
  static const Doc* d = new Doc(node::FlatAlt(node::Line(), Doc()));
  return *d;
}
Doc hardline() { return node::Line(); }
Doc softline() {
  static const Doc* d = new Doc(group(line()));
  return *d;
}
Doc softbreak() {
  static const Doc* d = new Doc(group(linebreak()));
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
