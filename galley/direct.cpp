// The direct path into a string (internal/direct.hpp).
//
// The work list is a plain vector of (node, indentation, flattening depth)
// entries. They point into the caller's document, which outlives the
// layout, so they cost no reference counts; documents made during layout
// (function results) are kept in a list until the layout ends.
//
// Under fits1 a look-ahead ends at the first line break of its candidate,
// so a Union met inside a look-ahead is decided with the same remaining
// width as the look-ahead that met it, and a look-ahead answers yes exactly
// when some choice of branches for the Unions it meets lets the line fit.
// The layout is therefore one walk with choice points: at a Union it takes
// the wide branch and remembers how to undo; text goes straight into the
// output; when the width runs out (or a flattened hard line fails) it
// undoes back to the innermost choice point and takes the narrow branch
// there; at a line break or the end of the document every open choice
// stands, and what was written is the output. Undoing restores the output's
// size, the column, the style and the work list: an entry that the walk
// pops below the lowest point the list has reached since the innermost
// choice point is saved on a trail first.
//
// A look-ahead that has to undo many times (the engine remembers decisions
// and stays linear there), or an absurd indentation or text length (the
// engine wraps its arithmetic), hands the rest of the document to the
// engine in render.cpp, from the last settled state.
#include <algorithm>
#include <cstring>
#include <vector>

#include "base/error.hpp"
#include "base/utf8.hpp"
#include "galley/internal/direct.hpp"
#include "galley/internal/node.hpp"
#include "galley/internal/style.hpp"
#include "galley/internal/write.hpp"
#include "vtcontrol/codes.hpp"

namespace quire::galley::detail {
namespace {

// Columns, indentations and widths stay inside +-2^50 here, so that no sum
// the layout forms can wrap and every comparison matches the engine's.
constexpr std::int64_t kRange = std::int64_t{1} << 50;
// The limit column outside look-aheads: never reached.
constexpr std::int64_t kUnbounded = std::int64_t{1} << 62;
// Undos allowed in one look-ahead before the engine takes over.
constexpr std::size_t kMaxUndos = 256;

bool inRange(std::int64_t v) noexcept {
  return static_cast<std::uint64_t>(v) + static_cast<std::uint64_t>(kRange) < static_cast<std::uint64_t>(2 * kRange);
}

// The entry that puts a style back at the end of a styled region points
// here and carries the style itself.
const NodeHeader restoreMarker(DocKind::RestoreFormat, true, false);

struct Entry {
  const NodeHeader* node;  // nullptr for Empty
  std::int64_t indent;
  std::uint32_t flat;
  PackedStyle style;  // restore markers only
};

struct Choice {
  const UnionNode* onion;
  std::int64_t indent;
  std::size_t height;  // work list size, the Union taken off
  std::size_t low;     // the lowest size since, saved while an inner choice is open
  std::size_t trail;
  std::size_t out;
  std::size_t owned;
  std::int64_t k;
  PackedStyle style;
};

struct Saved {
  std::size_t index;
  Entry entry;
};

// The caller's string, grown ahead of the writing and cut to size at the end.
class Sink {
 public:
  explicit Sink(std::string& s) : s_(s), start_(s.size()), pos_(s.size()) { grow(0); }
  Sink(const Sink&) = delete;
  Sink& operator=(const Sink&) = delete;

  void put(const char* p, std::size_t n) {
    need(n);
    char* d = base_ + pos_;
    pos_ += n;
    if (n > 16) {
      std::memcpy(d, p, n);
    } else if (n >= 8) {  // two overlapping words
      std::uint64_t head, tail;
      std::memcpy(&head, p, 8);
      std::memcpy(&tail, p + n - 8, 8);
      std::memcpy(d, &head, 8);
      std::memcpy(d + n - 8, &tail, 8);
    } else if (n >= 4) {
      std::uint32_t head, tail;
      std::memcpy(&head, p, 4);
      std::memcpy(&tail, p + n - 4, 4);
      std::memcpy(d, &head, 4);
      std::memcpy(d + n - 4, &tail, 4);
    } else if (n > 0) {
      d[0] = p[0];
      d[n / 2] = p[n / 2];
      d[n - 1] = p[n - 1];
    }
  }
  void put(char c) {
    need(1);
    base_[pos_++] = c;
  }
  void newline(std::int64_t indent) {
    const std::size_t spaces = indent > 0 ? static_cast<std::size_t>(indent) : 0;
    need(spaces + 1);
    base_[pos_] = '\n';
    std::memset(base_ + pos_ + 1, ' ', spaces);
    pos_ += spaces + 1;
  }
  [[nodiscard]] std::size_t size() const noexcept { return pos_; }
  void cut(std::size_t n) noexcept { pos_ = n; }
  // Gives the string its final size; writing may go on afterwards.
  void finish() { s_.resize(pos_); }
  std::string& string() noexcept { return s_; }

 private:
  void need(std::size_t n) {
    if (cap_ - pos_ < n) grow(n);
  }
  // Grows by what this sink has written so far (at least a page), not by
  // what the string held before: appending many small layouts to one long
  // string must not fill the string's whole size again for each of them.
  void grow(std::size_t n) {
    s_.resize(pos_ + std::max({n, kMinimumGrowth, pos_ - start_}));
    base_ = s_.data();
    cap_ = s_.size();
  }

  static constexpr std::size_t kMinimumGrowth = std::size_t{1} << 12;

  std::string& s_;
  char* base_ = nullptr;
  std::size_t start_;
  std::size_t pos_;
  std::size_t cap_ = 0;
};

class Layout {
 public:
  Layout(const Doc& root, std::int64_t w, std::int64_t r, std::string& out) : root_(root), w_(w), r_(r), out_(out) {}

  void run() {
    Entry cur{root_.node(), 0, 0, 0};
    bool finished;
    try {
      finished = walk(cur);
    } catch (...) {
      if (!choices_.empty()) out_.cut(choices_.front().out);
      out_.finish();
      throw;
    }
    out_.finish();
    if (!finished) handOver(cur);
  }

 private:
  // Lays out from `cur`: true at the end of the document, false when the
  // engine is to go on from `cur` and the settled state.
  bool walk(Entry& cur) {
    for (;;) {
      const NodeHeader* d = cur.node;
      if (d != nullptr) {
        switch (d->kind) {
          case DocKind::Fail:
            if (!undo(cur)) return false;
            continue;
          case DocKind::Empty: break;
          case DocKind::Char: {
            const char32_t c = static_cast<const CharNode*>(d)->value;
            if (c < 0x80) {
              out_.put(static_cast<char>(c));
            } else {
              scratch_.clear();
              quire::appendUtf8(scratch_, c);
              out_.put(scratch_.data(), scratch_.size());
            }
            if (++k_ > limit_) {
              if (!undo(cur)) return false;
              continue;
            }
            break;
          }
          case DocKind::Text:
            if (!emitText(*static_cast<const TextNode*>(d))) return stop(cur);
            if (k_ > limit_) {
              if (!undo(cur)) return false;
              continue;
            }
            break;
          case DocKind::Line:
            if (cur.flat > 0) {  // a flattened hard line
              if (!undo(cur)) return false;
              continue;
            }
            out_.newline(cur.indent);
            n_ = k_ = cur.indent;
            if (!choices_.empty()) settle();
            break;
          case DocKind::FlatAlt: {
            // flattened, the flat form is taken as it is: one flattening less
            const auto* p = static_cast<const PairNode*>(d);
            if (cur.flat > 0) {
              cur.node = p->second.node();
              --cur.flat;
            } else {
              cur.node = p->first.node();
            }
            continue;
          }
          case DocKind::Cat: {
            const auto* p = static_cast<const PairNode*>(d);
            // most concatenations start with a text: it is written here
            const NodeHeader* x = p->first.node();
            if (x != nullptr && x->kind == DocKind::Text) {
              if (!emitText(*static_cast<const TextNode*>(x))) return stop(cur);
              cur.node = p->second.node();
              if (k_ > limit_ && !undo(cur)) return false;
              continue;
            }
            if (p->second.node() != nullptr) stack_.push_back(Entry{p->second.node(), cur.indent, cur.flat, 0});
            cur.node = p->first.node();
            continue;
          }
          case DocKind::Nest: {
            const auto* x = static_cast<const NestNode*>(d);
            if (!inRange(x->delta) || !inRange(cur.indent + x->delta)) return stop(cur);
            cur.indent += x->delta;
            cur.node = x->inner.node();
            continue;
          }
          case DocKind::Union: {
            const auto* u = static_cast<const UnionNode*>(d);
            if (cur.flat == 0) {
              if (choices_.empty()) {
                const std::int64_t a = std::min(w_ - k_, r_ - k_ + n_);
                if (a < 0) {
                  cur.node = u->narrow.node();
                  continue;
                }
                open(cur, *u);
                limit_ = k_ + a;
              } else {
                open(cur, *u);
              }
            }
            if (u->eager) {
              cur.node = u->wide.load(std::memory_order_acquire)->node();
            } else {
              cur.node = u->flatTarget->node();
              cur.flat += u->flatExtra;
            }
            continue;
          }
          case DocKind::Column:
            cur.node = keep(applyFunction(*static_cast<const FnNode*>(d), k_));
            continue;
          case DocKind::Columns:
            cur.node = keep(applyWidthFunction(*static_cast<const FnNode*>(d), w_));
            continue;
          case DocKind::Nesting:
            cur.node = keep(applyFunction(*static_cast<const FnNode*>(d), cur.indent));
            continue;
          case DocKind::Color: {
            const auto* c = static_cast<const ColorNode*>(d);
            enter(cur, {vtcontrol::SetColor{c->layer, c->intensity, c->color}}, c->inner,
                  withColor(style_, c->layer, c->intensity, c->color));
            continue;
          }
          case DocKind::Intensify: {
            const auto* x = static_cast<const IntensifyNode*>(d);
            enter(cur, {vtcontrol::SetConsoleIntensity{x->attribute}}, x->inner,
                  withField(style_, kIntensityShift, static_cast<unsigned>(x->attribute)));
            continue;
          }
          case DocKind::Italicize: {
            const auto* x = static_cast<const ItalicizeNode*>(d);
            enter(cur, {vtcontrol::SetItalicized{x->attribute}}, x->inner,
                  withField(style_, kItalicShift, x->attribute ? 1u : 0u));
            continue;
          }
          case DocKind::Underline: {
            const auto* x = static_cast<const UnderlineNode*>(d);
            enter(cur, {vtcontrol::SetUnderlining{x->attribute}}, x->inner,
                  withField(style_, kUnderlineShift, static_cast<unsigned>(x->attribute)));
            continue;
          }
          case DocKind::RestoreFormat: {
            const Style s = d == &restoreMarker ? unpack(cur.style) : static_cast<const RestoreNode*>(d)->style;
            writeCode(restoreCommands(s));
            style_ = pack(s);
            break;
          }
        }
      }
      if (stack_.empty()) {
        if (!choices_.empty()) settle();
        return true;
      }
      if (stack_.size() <= low_) save();
      cur = stack_.back();
      stack_.pop_back();
    }
  }

  // Writes a text and moves the column on; false (nothing done) for a
  // length or column beyond the range.
  bool emitText(const TextNode& t) {
    if ((static_cast<std::uint64_t>(t.length) | (static_cast<std::uint64_t>(k_) + kRange)) >=
        static_cast<std::uint64_t>(2 * kRange)) {
      return false;
    }
    k_ += t.length;
    out_.put(t.value().data(), t.size);
    return true;
  }

  void writeCode(const std::vector<vtcontrol::SGR>& commands) {
    const std::string code = vtcontrol::setSGRCode(commands);
    out_.put(code.data(), code.size());
  }

  // A styled region: its document, then a marker restoring the style in
  // force now, then the rest.
  void enter(Entry& cur, const std::vector<vtcontrol::SGR>& commands, const Doc& inner, PackedStyle regionStyle) {
    writeCode(commands);
    stack_.push_back(Entry{&restoreMarker, cur.indent, 0, style_});
    style_ = regionStyle;
    cur.node = inner.node();
  }

  const NodeHeader* keep(Doc d) {
    owned_.push_back(std::move(d));
    return owned_.back().node();
  }

  void open(const Entry& cur, const UnionNode& u) {
    if (!choices_.empty()) choices_.back().low = low_;
    choices_.push_back(
        Choice{&u, cur.indent, stack_.size(), stack_.size(), trail_.size(), out_.size(), owned_.size(), k_, style_});
    low_ = stack_.size();
  }

  void save() {
    trail_.push_back(Saved{stack_.size() - 1, stack_.back()});
    low_ = stack_.size() - 1;
  }

  // A line break or the end: every open choice stands.
  void settle() noexcept {
    choices_.clear();
    trail_.clear();
    low_ = 0;
    undos_ = 0;
    limit_ = kUnbounded;
  }

  // Puts the work list back as it was when choice `c` was made.
  void restoreList(const Choice& c) {
    stack_.resize(c.height);
    for (std::size_t j = trail_.size(); j > c.trail;) {
      --j;
      if (trail_[j].index < c.height) stack_[trail_[j].index] = trail_[j].entry;
    }
    trail_.resize(c.trail);
  }

  // The candidate failed: back to the innermost choice point, whose narrow
  // branch is taken. Outside a look-ahead only an SFail gets here.
  bool undo(Entry& cur) {
    if (choices_.empty()) {
      out_.finish();
      throwError(std::string(kSFailMessage));
    }
    const Choice c = choices_.back();
    restoreList(c);
    out_.cut(c.out);
    owned_.resize(c.owned);
    k_ = c.k;
    style_ = c.style;
    cur = Entry{c.onion->narrow.node(), c.indent, 0, 0};
    choices_.pop_back();
    if (choices_.empty()) {
      settle();
      return true;
    }
    low_ = choices_.back().low;
    return ++undos_ <= kMaxUndos || stop(cur);
  }

  // Goes back to the state before the open look-ahead, if any, with `cur`
  // the Union that opened it; false, for the engine to go on.
  bool stop(Entry& cur) {
    if (!choices_.empty()) {
      const Choice c = choices_.front();
      restoreList(c);
      out_.cut(c.out);
      k_ = c.k;
      style_ = c.style;
      cur = Entry{c.onion, c.indent, 0, 0};
      settle();
    }
    return false;
  }

  static CellRef cellFor(const Entry& e, CellRef tail) {
    if (e.node == &restoreMarker) return consOwned(e.indent, node::RestoreFormat(unpack(e.style)), 0, std::move(tail));
    detail::retainNode(e.node);
    return consOwned(e.indent, Doc(e.node), e.flat, std::move(tail));
  }

  void handOver(const Entry& cur) {
    CellRef work;
    for (const Entry& e : stack_) work = cellFor(e, std::move(work));
    work = cellFor(cur, std::move(work));
    stack_.clear();
    appendFromCells(root_, w_, r_, std::move(work), n_, k_, style_, out_.string());
  }

  const Doc& root_;
  const std::int64_t w_;
  const std::int64_t r_;
  Sink out_;
  std::int64_t n_ = 0;
  std::int64_t k_ = 0;
  // The column past which the open look-ahead fails: every choice in it
  // shares the remaining width.
  std::int64_t limit_ = kUnbounded;
  PackedStyle style_ = 0;
  std::size_t low_ = 0;
  std::size_t undos_ = 0;
  std::vector<Entry> stack_;
  std::vector<Choice> choices_;
  std::vector<Saved> trail_;
  std::vector<Doc> owned_;
  std::string scratch_;
};

}  // namespace

bool appendPretty(const Doc& root, std::int64_t w, std::int64_t r, std::string& out) {
  if (!inRange(w) || !inRange(r)) return false;
  Layout(root, w, r, out).run();
  return true;
}

}  // namespace quire::galley::detail
