// The layout engine.
//
// The engine walks a persistent work list (internal/cells.hpp) in a loop.
// Each cell also says how many times its document is to be flattened, so
// the wide branch of a group is its own document walked with one
// flattening more: no flat tree is built, and groups nested in flat forms
// cost nothing beyond the nodes the engine actually reaches.
// At a Union it lays out the wide branch ahead into a buffer while a fits
// test reads it; a Union met inside that look-ahead opens a nested
// look-ahead on an explicit stack of frames, so no decision recurses on the
// native stack. When the wide branch wins, the buffered elements are the
// output (laid out once) and the engine continues where the look-ahead
// stopped. Every decision is remembered on the Union's cell together with
// the state it was made in (indentation, column, style; the cell itself
// stands for the rest of the work list), and a Union reached again in the
// same state reuses it: without that, renderSmart re-decides every later
// group inside each look-ahead and again on the narrow branch, which is
// exponential on a chain of groups followed by deeper-indented lines.
#include "galley/render.hpp"

#include <algorithm>
#include <cmath>
#include <new>
#include <utility>

#include "galley/internal/cells.hpp"
#include "galley/internal/direct.hpp"
#include "galley/internal/node.hpp"
#include "galley/internal/style.hpp"
#include "galley/internal/write.hpp"

namespace quire::galley {

namespace detail {

namespace {
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kPoolCells = false;  // let the sanitizer see every cell's lifetime
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kPoolCells = false;
#else
constexpr bool kPoolCells = true;
#endif
#else
constexpr bool kPoolCells = true;
#endif

// The pool is touched for every cell, so it is plain data in initial-exec
// TLS (no call to find it); a separate object frees what is left when the
// thread ends, set up the first time the pool receives a cell.
struct FreeCell {
  FreeCell* next;
};
constexpr std::size_t kPoolKeep = kPoolCells ? std::size_t{1} << 16 : 0;
thread_local FreeCell* poolHead __attribute__((tls_model("initial-exec"))) = nullptr;
thread_local std::size_t poolSize __attribute__((tls_model("initial-exec"))) = 0;
thread_local bool poolReaperArmed __attribute__((tls_model("initial-exec"))) = false;

struct PoolReaper {
  PoolReaper() = default;
  PoolReaper(const PoolReaper&) = delete;
  PoolReaper& operator=(const PoolReaper&) = delete;
  ~PoolReaper() {
    while (poolHead != nullptr) ::operator delete(std::exchange(poolHead, poolHead->next));
    poolSize = kPoolKeep;  // cells freed later in this thread's exit go straight back
  }
};

void armPoolReaper() {
  thread_local PoolReaper reaper;
  poolReaperArmed = true;
}
}  // namespace

void* Cell::operator new(std::size_t size) {
  if (poolHead == nullptr) return ::operator new(size);
  --poolSize;
  return std::exchange(poolHead, poolHead->next);
}

void Cell::operator delete(void* p) noexcept {
  if (poolSize >= kPoolKeep) {
    ::operator delete(p);
    return;
  }
  if (!poolReaperArmed) armPoolReaper();
  ++poolSize;
  poolHead = ::new (p) FreeCell{poolHead};
}

void destroyCells(Cell* c) noexcept {
  c->nextDead = nullptr;
  Cell* dead = c;
  while (dead != nullptr) {
    Cell* d = dead;
    dead = d->nextDead;
    for (CellRef* field : {&d->tail, &d->next, &d->narrow}) {
      Cell* child = field->release();
      if (child != nullptr && --child->refs == 0) {
        child->nextDead = dead;
        dead = child;
      }
    }
    delete d;
  }
}

namespace {

// ---- fits tests ---------------------------------------------------------

enum class Verdict : std::uint8_t { Pending, No, Yes };

// A fits test fed one element at a time. The negative-width test comes
// first at every step, so a verdict is reached as soon as the width runs
// out, without asking the engine for another element.
struct FitsState {
  std::int64_t p = 0;
  std::int64_t m = 0;
  std::int64_t a = 0;
  bool smart = false;
  Verdict verdict = Verdict::Pending;

  FitsState() = default;
  FitsState(std::int64_t page, std::int64_t minIndent, std::int64_t available, bool r)
      : p(page), m(minIndent), a(available), smart(r), verdict(available < 0 ? Verdict::No : Verdict::Pending) {}

  void feed(const SimpleDocElement& e) {
    switch (e.kind) {
      case SimpleDocKind::SFail: verdict = Verdict::No; return;
      case SimpleDocKind::SEmpty: verdict = Verdict::Yes; return;
      case SimpleDocKind::SChar: a = wrapSub(a, 1); break;
      case SimpleDocKind::SText: a = wrapSub(a, e.length); break;
      case SimpleDocKind::SSGR: break;
      case SimpleDocKind::SLine:
        if (!smart || m >= e.indentation) {
          verdict = Verdict::Yes;
          return;
        }
        a = wrapSub(p, e.indentation);
        break;
    }
    if (a < 0) verdict = Verdict::No;
  }
};

bool runFits(bool smart, std::int64_t p, std::int64_t m, std::int64_t a, SimpleDoc& stream) {
  FitsState f(p, m, a, smart);
  while (f.verdict == Verdict::Pending) {
    const SimpleDocElement* e = stream.pull();
    if (e == nullptr) return true;  // a stream without its SEmpty ends all the same
    f.feed(*e);
  }
  return f.verdict == Verdict::Yes;
}

// ---- the engine ---------------------------------------------------------

struct Constants {
  Doc root;  // keeps the caller's document alive for the cells that point into it
  std::int64_t w;
  std::int64_t r;
  FitsTest fits;
};

struct Cursor {
  CellRef cell;
  std::int64_t n = 0;
  std::int64_t k = 0;
  PackedStyle style = 0;
};

enum class Stop : std::uint8_t { Element, Union };

template <class Make>
const CellRef& expansion(Cell& c, Make&& make) {
  if (!c.next) c.next = make();
  return c.next;
}

template <class Make>
const CellRef& keyedExpansion(Cell& c, std::int64_t k, PackedStyle style, Make&& make) {
  if (!c.next || !c.keyed || c.keyK != k || c.keyStyle != style) {
    c.next = make();
    c.keyed = true;
    c.keyK = k;
    c.keyStyle = style;
  }
  return c.next;
}

// The list after a Union at flattening depth `flat`: inside a flat form
// (depth above 0) there is no choice to make, the wide form is taken.
CellRef flatUnionBranch(const Cell& u, std::uint32_t flat) {
  const auto& node = as<UnionNode>(*u.doc);
  if (node.eager) return cons(u.indent, *node.wide.load(std::memory_order_acquire), u.owner, flat, u.tail);
  return cons(u.indent, *node.flatTarget, u.owner, flat + node.flatExtra, u.tail);
}

const CellRef& wideCell(Cell& u) {
  return expansion(u, [&] { return flatUnionBranch(u, 0); });
}

const CellRef& narrowCell(Cell& u) {
  if (!u.narrow) u.narrow = cons(u.indent, as<UnionNode>(*u.doc).narrow, u.owner, 0, u.tail);
  return u.narrow;
}

void setSGR(SimpleDocElement& out, std::vector<vtcontrol::SGR> commands) {
  out.kind = SimpleDocKind::SSGR;
  out.sgr = std::move(commands);
}

// A styled region: its document, then a marker restoring the style in force
// now, then the rest.
void enterStyled(Cursor& c, Cell& cell, const Doc& inner, PackedStyle regionStyle) {
  c.cell = keyedExpansion(cell, 0, c.style, [&] {
    return cons(cell.indent, inner, cell.owner, cell.flat,
                consOwned(cell.indent, node::RestoreFormat(unpack(c.style)), 0, cell.tail));
  });
  c.style = regionStyle;
}

void emitChar(Cursor& c, const CharNode& ch, SimpleDocElement& out) {
  out.kind = SimpleDocKind::SChar;
  out.character = ch.value;
  c.k = wrapAdd(c.k, 1);
}

// A text of the caller's document lives as long as the rendering; one of a
// document made during layout is kept by the element, since the cell
// holding it may go away below. Elements handed out get the root as well.
void emitText(Cursor& c, const Doc& d, const Cell& cell, SimpleDocElement& out) {
  const auto& t = as<TextNode>(d);
  out.kind = SimpleDocKind::SText;
  out.length = t.length;
  out.text = t.value();
  if (cell.owner.node() != nullptr) {
    out.keepAlive = d;
  } else if (out.keepAlive.node() != nullptr) {
    out.keepAlive = Doc();
  }
  c.k = wrapAdd(c.k, t.length);
}

// SFail ends the stream.
Stop failHere(Cursor& c, SimpleDocElement& out) {
  out.kind = SimpleDocKind::SFail;
  c.cell = CellRef();
  return Stop::Element;
}

// Intensify, Italicize, Underline: one attribute, one SGR command.
template <class Node, class Command>
Stop enterAttribute(Cursor& c, Cell& cell, SimpleDocElement& out, unsigned shift) {
  const auto& n = as<Node>(*cell.doc);
  setSGR(out, {Command{n.attribute}});
  enterStyled(c, cell, n.inner, withField(c.style, shift, static_cast<unsigned>(n.attribute)));
  return Stop::Element;
}

// Runs the cursor until it yields an element or reaches a Union.
Stop step(const Constants& K, Cursor& c, SimpleDocElement& out) {
  for (;;) {
    Cell* cell = c.cell.get();
    if (cell == nullptr) {
      out.kind = SimpleDocKind::SEmpty;
      return Stop::Element;
    }
    const Doc& d = *cell->doc;
    const std::int64_t i = cell->indent;
    const std::uint32_t t = cell->flat;
    // a cell for a document of this one's, at indentation j and depth u
    auto push = [cell](std::int64_t j, const Doc& x, std::uint32_t u, CellRef rest) {
      return cons(j, x, cell->owner, u, std::move(rest));
    };
    switch (d.kind()) {
      case DocKind::Fail: return failHere(c, out);
      case DocKind::Empty: c.cell = cell->tail; continue;
      case DocKind::Char:
        emitChar(c, as<CharNode>(d), out);
        c.cell = cell->tail;
        return Stop::Element;
      case DocKind::Text:
        emitText(c, d, *cell, out);
        c.cell = cell->tail;
        return Stop::Element;
      case DocKind::Line:
        if (t > 0) return failHere(c, out);  // a flattened hard line
        out.kind = SimpleDocKind::SLine;
        out.indentation = i;
        c.n = c.k = i;
        c.cell = cell->tail;
        return Stop::Element;
      case DocKind::FlatAlt: {
        // flattened, the flat form is taken as it is: one flattening less
        const Doc& x = t > 0 ? d.right() : d.left();
        const std::uint32_t u = t > 0 ? t - 1 : 0;
        // The usual line break, or its character when flattened, is
        // written straight away instead of going through a cell of its own.
        const DocKind xk = x.kind();
        if (xk == DocKind::Char || xk == DocKind::Text || (xk == DocKind::Line && u == 0)) {
          if (xk == DocKind::Line) {
            out.kind = SimpleDocKind::SLine;
            out.indentation = i;
            c.n = c.k = i;
          } else {
            xk == DocKind::Char ? emitChar(c, as<CharNode>(x), out) : emitText(c, x, *cell, out);
          }
          c.cell = cell->tail;
          return Stop::Element;
        }
        c.cell = expansion(*cell, [&] { return push(i, x, u, cell->tail); });
        continue;
      }
      case DocKind::Cat: {
        // A character or text on the left is written straight away instead
        // of going through a cell of its own: most concatenations start so.
        const Doc& x = d.left();
        const DocKind xk = x.kind();
        if (xk == DocKind::Char || xk == DocKind::Text) {
          xk == DocKind::Char ? emitChar(c, as<CharNode>(x), out) : emitText(c, x, *cell, out);
          // a concatenation on the right that would only split is split now
          const Doc& y = d.right();
          const DocKind yl = y.kind() == DocKind::Cat ? y.left().kind() : DocKind::Char;
          if (yl != DocKind::Char && yl != DocKind::Text) {
            c.cell = expansion(*cell, [&] { return push(i, y.left(), t, push(i, y.right(), t, cell->tail)); });
          } else {
            c.cell = expansion(*cell, [&] { return push(i, y, t, cell->tail); });
          }
          return Stop::Element;
        }
        c.cell = expansion(*cell, [&] { return push(i, x, t, push(i, d.right(), t, cell->tail)); });
        continue;
      }
      case DocKind::Nest:
        c.cell = expansion(*cell, [&] { return push(wrapAdd(i, d.nestDelta()), d.inner(), t, cell->tail); });
        continue;
      case DocKind::Union:
        if (t == 0) return Stop::Union;
        c.cell = expansion(*cell, [&] { return flatUnionBranch(*cell, t); });
        continue;
      case DocKind::Column:
        c.cell = keyedExpansion(*cell, c.k, 0, [&] { return consOwned(i, applyFunction(d, c.k), t, cell->tail); });
        continue;
      case DocKind::Columns:
        c.cell = expansion(*cell, [&] { return consOwned(i, applyWidthFunction(d, K.w), t, cell->tail); });
        continue;
      case DocKind::Nesting:
        c.cell = expansion(*cell, [&] { return consOwned(i, applyFunction(d, i), t, cell->tail); });
        continue;
      case DocKind::Color: {
        const auto& n = as<ColorNode>(d);
        setSGR(out, {vtcontrol::SetColor{n.layer, n.intensity, n.color}});
        enterStyled(c, *cell, n.inner, withColor(c.style, n.layer, n.intensity, n.color));
        return Stop::Element;
      }
      case DocKind::Intensify:
        return enterAttribute<IntensifyNode, vtcontrol::SetConsoleIntensity>(c, *cell, out, kIntensityShift);
      case DocKind::Italicize:
        return enterAttribute<ItalicizeNode, vtcontrol::SetItalicized>(c, *cell, out, kItalicShift);
      case DocKind::Underline:
        return enterAttribute<UnderlineNode, vtcontrol::SetUnderlining>(c, *cell, out, kUnderlineShift);
      case DocKind::RestoreFormat: {
        const Style& s = as<RestoreNode>(d).style;
        setSGR(out, restoreCommands(s));
        c.style = pack(s);
        c.cell = cell->tail;
        return Stop::Element;
      }
    }
  }
}

// The state a decision depends on, besides the Union's cell.
bool sameState(const Decision& d, const Cursor& c) { return d.n == c.n && d.k == c.k && d.style == c.style; }

const Decision* knownDecision(const Cursor& c) {
  const Cell& u = *c.cell.get();
  if (u.decisionCount == 0) return nullptr;
  if (sameState(u.firstDecision, c)) return &u.firstDecision;
  if (u.moreDecisions) {
    for (const Decision& d : *u.moreDecisions) {
      if (sameState(d, c)) return &d;
    }
  }
  return nullptr;
}

void remember(Cell& u, std::int64_t n, std::int64_t k, PackedStyle style, bool wide) {
  const Decision d{n, k, style, wide};
  if (u.decisionCount++ == 0) {
    u.firstDecision = d;
    return;
  }
  if (!u.moreDecisions) u.moreDecisions = std::make_unique<std::vector<Decision>>();
  u.moreDecisions->push_back(d);
}

// Moves a cursor standing on a Union onto the chosen branch.
void take(Cursor& c, bool wide) {
  Cell& u = *c.cell.get();
  c.cell = wide ? wideCell(u) : narrowCell(u);
}

bool applyKnownDecision(Cursor& c) {
  const Decision* d = knownDecision(c);
  if (d == nullptr) return false;
  take(c, d->wide);
  return true;
}

FitsState fitsAt(const Constants& K, const Cursor& c) {
  return FitsState(K.w, std::min(c.n, c.k), std::min(wrapSub(K.w, c.k), wrapAdd(wrapSub(K.r, c.k), c.n)),
                   K.fits.builtin() == FitsTest::Builtin::FitsR);
}

class Engine final : public SimpleDoc::Source {
 public:
  Engine(std::shared_ptr<const Constants> constants, Cursor start)
      : K_(std::move(constants)), cur_(std::move(start)) {}

  // Nothing has been asked of the engine yet.
  [[nodiscard]] bool fresh() const noexcept { return !started_; }
  [[nodiscard]] const Constants& constants() const noexcept { return *K_; }

  bool next(SimpleDocElement& out) override {
    started_ = true;
    for (;;) {
      if (readyPos_ < ready_.size()) {
        out = std::move(ready_[readyPos_++]);
        if (readyPos_ == ready_.size()) {
          ready_.clear();
          readyPos_ = 0;
        }
        return deliver(out);
      }
      if (done_) return false;
      if (step(*K_, cur_, out) == Stop::Element) return deliver(out);
      decide();
    }
  }

  // What next() yields, handed to `write` as it is made, without moving
  // each element out; answers at the element that ends the stream.
  template <class Write>
  void drain(Write&& write) {
    started_ = true;
    SimpleDocElement e;
    for (;;) {
      for (; readyPos_ < ready_.size(); ++readyPos_) {
        const SimpleDocElement& r = ready_[readyPos_];
        if (r.ends()) done_ = true;
        write(r);
        if (done_) return;
      }
      ready_.clear();
      readyPos_ = 0;
      if (done_) return;
      if (step(*K_, cur_, e) == Stop::Element) {
        if (e.ends()) done_ = true;
        write(e);
        if (done_) return;
        continue;
      }
      decide();
    }
  }

 private:
  struct Frame {
    Cursor cand;     // the look-ahead, laid out into buffer_[start..]
    CellRef onion;   // the Union's cell
    std::int64_t n;  // the state the decision is made in
    std::int64_t k;
    PackedStyle style;
    FitsState fits;
    std::size_t start;
    std::size_t fed;  // buffer_[start..fed) went through fits
  };

  void decide() {
    if (!applyKnownDecision(cur_)) {
      K_->fits.builtin() == FitsTest::Builtin::None ? decideByCallable() : decideInLoop();
    }
  }

  bool deliver(SimpleDocElement& out) {
    if (out.kind == SimpleDocKind::SText && out.keepAlive.node() == nullptr) out.keepAlive = K_->root;
    if (out.ends()) done_ = true;
    if (recording_) recorded_.push_back(out);
    return true;
  }

  // Opens a look-ahead for the Union under `at`, or settles it at once when
  // there is no room at all.
  void open(Cursor& at) {
    FitsState fits = fitsAt(*K_, at);
    if (fits.verdict == Verdict::No) {
      remember(*at.cell.get(), at.n, at.k, at.style, false);
      take(at, false);
      return;
    }
    Cursor cand{wideCell(*at.cell.get()), at.n, at.k, at.style};
    frames_.push_back(Frame{std::move(cand), at.cell, at.n, at.k, at.style, fits, buffer_.size(), buffer_.size()});
  }

  void decideInLoop() {
    buffer_.clear();
    open(cur_);
    while (!frames_.empty()) {
      Frame& f = frames_.back();
      SimpleDocElement& slot = buffer_.emplace_back();
      if (step(*K_, f.cand, slot) == Stop::Union) {
        buffer_.pop_back();
        if (!applyKnownDecision(f.cand)) open(f.cand);
        continue;
      }
      f.fits.feed(slot);
      f.fed = buffer_.size();
      if (f.fits.verdict != Verdict::Pending) close();
    }
  }

  // Settles the innermost frame, hands its outcome to the frame (or the main
  // cursor) waiting on it, and goes on outwards while outcomes keep coming.
  void close() {
    for (;;) {
      Frame done = std::move(frames_.back());
      frames_.pop_back();
      const bool wide = done.fits.verdict == Verdict::Yes;
      remember(*done.onion.get(), done.n, done.k, done.style, wide);
      Cursor& waiting = frames_.empty() ? cur_ : frames_.back().cand;
      if (wide) {
        waiting = std::move(done.cand);
      } else {
        buffer_.resize(done.start);
        waiting.cell = narrowCell(*done.onion.get());
      }
      if (frames_.empty()) {
        if (wide) std::swap(ready_, buffer_);
        buffer_.clear();
        return;
      }
      Frame& parent = frames_.back();
      while (parent.fed < buffer_.size() && parent.fits.verdict == Verdict::Pending) {
        parent.fits.feed(buffer_[parent.fed++]);
      }
      if (parent.fits.verdict == Verdict::Pending) return;
    }
  }

  // A fits test given as a callable reads a stream of its own; the elements
  // it read are kept and become the output when it says yes.
  void decideByCallable() {
    Cell& u = *cur_.cell.get();
    auto look = std::make_shared<Engine>(K_, Cursor{wideCell(u), cur_.n, cur_.k, cur_.style});
    look->recording_ = true;
    const FitsState at = fitsAt(*K_, cur_);
    const bool wide = K_->fits.callable()(K_->w, at.m, at.a, SimpleDoc(look));
    remember(u, cur_.n, cur_.k, cur_.style, wide);
    if (!wide) {
      take(cur_, false);
      return;
    }
    ready_ = std::move(look->recorded_);
    for (std::size_t j = look->readyPos_; j < look->ready_.size(); ++j) ready_.push_back(std::move(look->ready_[j]));
    readyPos_ = 0;
    cur_ = std::move(look->cur_);
    if (look->done_ && ready_.empty()) done_ = true;
  }

  std::shared_ptr<const Constants> K_;
  Cursor cur_;
  bool done_ = false;
  bool started_ = false;
  bool recording_ = false;
  std::vector<SimpleDocElement> ready_;  // decided output, delivered first
  std::size_t readyPos_ = 0;
  std::vector<SimpleDocElement> recorded_;
  std::vector<SimpleDocElement> buffer_;  // look-ahead output of the open frames
  std::vector<Frame> frames_;
};

class CompactSource final : public SimpleDoc::Source {
 public:
  explicit CompactSource(const Doc& doc) { stack_.push_back(doc); }

  bool next(SimpleDocElement& out) override {
    if (done_) return false;
    for (;;) {
      if (stack_.empty()) {
        out.kind = SimpleDocKind::SEmpty;
        done_ = true;
        return true;
      }
      Doc d = std::move(stack_.back());
      stack_.pop_back();
      switch (d.kind()) {
        case DocKind::Fail:
          out.kind = SimpleDocKind::SFail;
          done_ = true;
          return true;
        case DocKind::Empty:
        case DocKind::RestoreFormat: continue;
        case DocKind::Char:
          out.kind = SimpleDocKind::SChar;
          out.character = d.character();
          k_ = wrapAdd(k_, 1);
          return true;
        case DocKind::Text:
          out.kind = SimpleDocKind::SText;
          out.length = d.textLength();
          out.text = d.textValue();
          k_ = wrapAdd(k_, out.length);
          out.keepAlive = std::move(d);
          return true;
        case DocKind::Line:
          out.kind = SimpleDocKind::SLine;
          out.indentation = 0;
          k_ = 0;
          return true;
        case DocKind::FlatAlt: stack_.push_back(d.left()); continue;
        case DocKind::Union: stack_.push_back(d.unionSecond()); continue;
        case DocKind::Cat:
          stack_.push_back(d.right());
          stack_.push_back(d.left());
          continue;
        case DocKind::Nest:
        case DocKind::Color:
        case DocKind::Intensify:
        case DocKind::Italicize:
        case DocKind::Underline: stack_.push_back(d.inner()); continue;
        case DocKind::Column: stack_.push_back(applyFunction(d, k_)); continue;
        case DocKind::Columns: stack_.push_back(applyWidthFunction(d, std::nullopt)); continue;
        case DocKind::Nesting: stack_.push_back(applyFunction(d, 0)); continue;
      }
    }
  }

 private:
  std::vector<Doc> stack_;
  std::int64_t k_ = 0;
  bool done_ = false;
};

class VectorSource final : public SimpleDoc::Source {
 public:
  explicit VectorSource(std::vector<SimpleDocElement> elements) : elements_(std::move(elements)) {}
  bool next(SimpleDocElement& out) override {
    if (pos_ == elements_.size()) return false;
    out = std::move(elements_[pos_++]);
    return true;
  }

 private:
  std::vector<SimpleDocElement> elements_;
  std::size_t pos_ = 0;
};

}  // namespace
}  // namespace detail

// ---- elements and streams ---------------------------------------------------

namespace {
SimpleDocElement element(SimpleDocKind kind) {
  SimpleDocElement e;
  e.kind = kind;
  return e;
}
}  // namespace

SimpleDocElement SFail() { return element(SimpleDocKind::SFail); }
SimpleDocElement SEmpty() { return element(SimpleDocKind::SEmpty); }
SimpleDocElement SChar(char32_t c) {
  SimpleDocElement e = element(SimpleDocKind::SChar);
  e.character = c;
  return e;
}
SimpleDocElement SText(std::int64_t length, std::string_view utf8) {
  SimpleDocElement e = element(SimpleDocKind::SText);
  e.length = length;
  e.keepAlive = node::Text(length, utf8);
  e.text = e.keepAlive.textValue();
  return e;
}
SimpleDocElement SLine(std::int64_t indentation) {
  SimpleDocElement e = element(SimpleDocKind::SLine);
  e.indentation = indentation;
  return e;
}
SimpleDocElement SSGR(std::vector<vtcontrol::SGR> commands) {
  SimpleDocElement e = element(SimpleDocKind::SSGR);
  e.sgr = std::move(commands);
  return e;
}

SimpleDoc::Source::~Source() = default;

SimpleDoc::SimpleDoc(std::shared_ptr<Source> source) noexcept : source_(std::move(source)) {}
SimpleDoc::SimpleDoc(std::vector<SimpleDocElement> elements)
    : source_(std::make_shared<detail::VectorSource>(std::move(elements))) {}
SimpleDoc::SimpleDoc(SimpleDoc&&) noexcept = default;
SimpleDoc& SimpleDoc::operator=(SimpleDoc&&) noexcept = default;
SimpleDoc::~SimpleDoc() = default;

const SimpleDocElement* SimpleDoc::pull() {
  if (done_ || !source_ || !source_->next(current_)) {
    done_ = true;
    return nullptr;
  }
  done_ = current_.ends();
  return &current_;
}

// ---- fits tests and renderers ----------------------------------------------

bool fits1(std::int64_t p, std::int64_t m, std::int64_t a, SimpleDoc stream) {
  return detail::runFits(false, p, m, a, stream);
}

bool fitsR(std::int64_t p, std::int64_t m, std::int64_t a, SimpleDoc stream) {
  return detail::runFits(true, p, m, a, stream);
}

FitsTest::FitsTest(FitsFunction f) : callable_(f) {
  if (f == &fits1) builtin_ = Builtin::Fits1;
  if (f == &fitsR) builtin_ = Builtin::FitsR;
}

FitsTest::FitsTest(Callable f, int) : callable_(std::move(f)) {}

std::int64_t ribbonWidth(float ribbon, std::int64_t width) noexcept {
  const float product = static_cast<float>(width) * ribbon;
  if (width <= 0 || !(product > 0.0f)) return 0;  // also NaN
  if (product >= static_cast<float>(width)) return width;
  // Below width, hence inside int64; rint rounds ties to even.
  return std::min(width, static_cast<std::int64_t>(std::rint(product)));
}

SimpleDoc renderFits(const FitsTest& fits, float ribbon, std::int64_t width, const Doc& doc) {
  auto constants =
      std::make_shared<const detail::Constants>(detail::Constants{doc, width, ribbonWidth(ribbon, width), fits});
  detail::Cursor start{detail::cons(0, constants->root, Doc(), 0, detail::CellRef())};
  return SimpleDoc(std::make_shared<detail::Engine>(std::move(constants), std::move(start)));
}

SimpleDoc renderPretty(float ribbon, std::int64_t width, const Doc& doc) {
  return renderFits(fits1, ribbon, width, doc);
}

SimpleDoc renderSmart(float ribbon, std::int64_t width, const Doc& doc) {
  return renderFits(fitsR, ribbon, width, doc);
}

namespace detail {
namespace {
template <class Drain>
void drainInto(Drain& engine, std::string& out) {
  std::string scratch;
  engine.drain([&](const SimpleDocElement& e) {
    writeElement(e, scratch, [&out](std::string_view piece) { out.append(piece); });
  });
}
}  // namespace

void appendFromCells(const Doc& root, std::int64_t w, std::int64_t r, CellRef work, std::int64_t n,
                     std::int64_t k, PackedStyle style, std::string& out) {
  auto constants = std::make_shared<const Constants>(Constants{root, w, r, fits1});
  Engine engine(std::move(constants), Cursor{std::move(work), n, k, style});
  drainInto(engine, out);
}

bool appendRendered(SimpleDoc& stream, std::string& out) {
  auto* engine = dynamic_cast<Engine*>(stream.source_.get());
  if (engine == nullptr || stream.done_) return false;
  stream.done_ = true;
  const Constants& K = engine->constants();
  if (engine->fresh() && K.fits.builtin() == FitsTest::Builtin::Fits1 && appendPretty(K.root, K.w, K.r, out)) {
    return true;
  }
  drainInto(*engine, out);
  return true;
}
}  // namespace detail

SimpleDoc renderCompact(const Doc& doc) { return SimpleDoc(std::make_shared<detail::CompactSource>(doc)); }

}  // namespace quire::galley
