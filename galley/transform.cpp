// flatten and plain: whole-tree rewrites done with an explicit work list.
//
// Both keep sharing intact (a node reached twice is rewritten once), stop at
// subtrees their flags say they would leave unchanged, and never call the
// functions of Column/Columns/Nesting: those nodes get a wrapper that
// rewrites whatever the function returns when the layout engine calls it.
//
// flatten works with a depth: flatten applied t times in one pass. That is
// what a group inside a group needs (the outer flat form holds flatten of
// the inner flat form, itself a flatten), and doing it in one pass keeps
// deeply nested groups linear instead of rewriting each inner form again
// for every group around it.
#include <unordered_map>
#include <vector>

#include "galley/internal/node.hpp"

namespace quire::galley {
namespace detail {
namespace {

enum class Mode { Flatten, Plain };

class Rewriter {
 public:
  explicit Rewriter(Mode mode) : mode_(mode) {}

  // flatten applied `depth` times (Flatten), or plain (depth ignored).
  Doc run(const Doc& root, std::uint32_t depth) {
    if (unchanged(root, depth)) return root;
    tasks_.push_back({Op::Visit, &root, depth});
    while (!tasks_.empty()) {
      Task t = tasks_.back();
      tasks_.pop_back();
      switch (t.op) {
        case Op::Visit: visit(*t.doc, t.depth); break;
        case Op::Build: build(*t.doc, t.depth); break;
        case Op::Remember: remember(*t.doc, t.depth); break;
      }
    }
    return std::move(results_.back());
  }

 private:
  enum class Op { Visit, Build, Remember };
  struct Task {
    Op op;
    const Doc* doc;  // owned by the tree being rewritten, which outlives the run
    std::uint32_t depth;
  };
  struct Key {
    const NodeHeader* node;
    std::uint32_t depth;
    friend bool operator==(const Key&, const Key&) = default;
  };
  struct KeyHash {
    std::size_t operator()(const Key& k) const noexcept {
      return std::hash<const void*>()(k.node) ^ (static_cast<std::size_t>(k.depth) * 0x9E3779B97F4A7C15u);
    }
  };

  bool unchanged(const Doc& d, std::uint32_t depth) const {
    return mode_ == Mode::Flatten ? depth == 0 || d.flatStable() : d.unstyled();
  }

  void push(Op op, const Doc& d, std::uint32_t depth) { tasks_.push_back({op, &d, depth}); }

  // The result of (d, depth) is the result of (replacement, replacementDepth).
  void becomes(const Doc& d, std::uint32_t depth, const Doc& replacement, std::uint32_t replacementDepth) {
    push(Op::Remember, d, depth);
    push(Op::Visit, replacement, replacementDepth);
  }

  void visit(const Doc& d, std::uint32_t depth) {
    if (unchanged(d, depth)) {
      results_.push_back(d);
      return;
    }
    if (d.sharesNode()) {
      auto it = memo_.find(Key{d.node(), depth});
      if (it != memo_.end()) {
        results_.push_back(it->second);
        return;
      }
    }
    mode_ == Mode::Flatten ? visitFlatten(d, depth) : visitPlain(d);
  }

  void visitFlatten(const Doc& d, std::uint32_t depth) {
    switch (d.kind()) {
      case DocKind::Line: results_.push_back(node::Fail()); return;
      // flatten takes the flat form as it is; the remaining passes apply to it
      case DocKind::FlatAlt: becomes(d, depth, d.right(), depth - 1); return;
      case DocKind::Union: {
        // flatten of a Union is flatten of its wide form, and a group's wide
        // form is itself flatten(narrow): one pass more over narrow.
        const auto& u = as<UnionNode>(d);
        if (u.eager) {
          becomes(d, depth, *u.wide.load(std::memory_order_acquire), depth);
        } else {
          becomes(d, depth, *u.flatTarget, depth + u.flatExtra);
        }
        return;
      }
      case DocKind::Column:
      case DocKind::Columns:
      case DocKind::Nesting: results_.push_back(wrapFunction(d, depth, false)); return;
      default: buildFromChildren(d, depth); return;
    }
  }

  void visitPlain(const Doc& d) {
    switch (d.kind()) {
      case DocKind::Color:
      case DocKind::Intensify:
      case DocKind::Italicize:
      case DocKind::Underline: becomes(d, 0, d.inner(), 0); return;
      case DocKind::RestoreFormat: results_.push_back(Doc()); return;
      case DocKind::Column:
      case DocKind::Columns:
      case DocKind::Nesting: results_.push_back(wrapFunction(d, 0, true)); return;
      default: buildFromChildren(d, 0); return;
    }
  }

  // Cat, FlatAlt, Nest, Union (plain) and the styles (flatten) keep their
  // own fields and rewrite their documents.
  void buildFromChildren(const Doc& d, std::uint32_t depth) {
    push(Op::Build, d, depth);
    switch (d.kind()) {
      case DocKind::Cat:
      case DocKind::FlatAlt:
        push(Op::Visit, d.right(), depth);
        push(Op::Visit, d.left(), depth);
        return;
      case DocKind::Union: {
        const auto& u = as<UnionNode>(d);
        push(Op::Visit, u.narrow, depth);
        if (u.eager) push(Op::Visit, *u.wide.load(std::memory_order_acquire), depth);
        return;
      }
      default: push(Op::Visit, d.inner(), depth); return;
    }
  }

  Doc pop() {
    Doc r = std::move(results_.back());
    results_.pop_back();
    return r;
  }

  void build(const Doc& d, std::uint32_t depth) {
    Doc result;
    switch (d.kind()) {
      case DocKind::Cat:
      case DocKind::FlatAlt: {
        Doc b = pop();
        Doc a = pop();
        result = a.node() == d.left().node() && b.node() == d.right().node()
                     ? d
                     : makeNode<PairNode>(d.kind(), std::move(a), std::move(b));
        break;
      }
      case DocKind::Union: {
        const auto& u = as<UnionNode>(d);
        Doc narrow = pop();
        // plain commutes with flatten, so plain of a group is a group again.
        result = u.eager ? makeNode<UnionNode>(pop(), std::move(narrow)) : makeNode<UnionNode>(std::move(narrow));
        break;
      }
      case DocKind::Nest: result = makeNode<NestNode>(d.nestDelta(), pop()); break;
      case DocKind::Color: {
        const auto& c = as<ColorNode>(d);
        result = makeNode<ColorNode>(c.layer, c.intensity, c.color, pop());
        break;
      }
      case DocKind::Intensify: result = makeNode<IntensifyNode>(d.consoleIntensity(), pop()); break;
      case DocKind::Italicize: result = makeNode<ItalicizeNode>(d.italicized(), pop()); break;
      case DocKind::Underline: result = makeNode<UnderlineNode>(d.underlining(), pop()); break;
      default: result = d; break;
    }
    results_.push_back(std::move(result));
    remember(d, depth);
  }

  void remember(const Doc& d, std::uint32_t depth) {
    if (d.sharesNode()) memo_.emplace(Key{d.node(), depth}, results_.back());
  }

  Doc wrapFunction(const Doc& d, std::uint32_t addFlattens, bool makePlain) const {
    const auto& f = as<FnNode>(d);
    const Doc& base = f.base.node() != nullptr ? f.base : d;
    return makeNode<FnNode>(d.kind(), base, f.flattens + addFlattens, f.plain || makePlain);
  }

  Mode mode_;
  std::vector<Task> tasks_;
  std::vector<Doc> results_;
  std::unordered_map<Key, Doc, KeyHash> memo_;
};

Doc finishFunctionResult(const FnNode& f, Doc r) {
  if (f.flattens > 0) r = Rewriter(Mode::Flatten).run(r, f.flattens);
  if (f.plain) r = plainDoc(r);
  return r;
}

const FnNode& functionBase(const FnNode& f) {
  return f.base.node() != nullptr ? as<FnNode>(f.base) : f;
}

}  // namespace

const Doc& unionWide(const UnionNode& u) {
  if (const Doc* wide = u.wide.load(std::memory_order_acquire)) return *wide;
  // Computed outside any lock; if another thread got there first, its value
  // (the same document) is kept and ours dropped.
  auto* fresh = new Doc(galley::flatten(u.narrow));
  const Doc* expected = nullptr;
  if (u.wide.compare_exchange_strong(expected, fresh, std::memory_order_acq_rel, std::memory_order_acquire)) {
    return *fresh;
  }
  delete fresh;
  return *expected;
}

Doc applyFunction(const FnNode& f, std::int64_t argument) {
  return finishFunctionResult(f, functionBase(f).intFn(argument));
}

Doc applyWidthFunction(const FnNode& f, std::optional<std::int64_t> width) {
  return finishFunctionResult(f, functionBase(f).widthFn(width));
}

Doc applyFunction(const Doc& fnDoc, std::int64_t argument) { return applyFunction(as<FnNode>(fnDoc), argument); }

Doc applyWidthFunction(const Doc& fnDoc, std::optional<std::int64_t> width) {
  return applyWidthFunction(as<FnNode>(fnDoc), width);
}

Doc plainDoc(const Doc& x) { return Rewriter(Mode::Plain).run(x, 0); }

}  // namespace detail

Doc flatten(const Doc& x) { return detail::Rewriter(detail::Mode::Flatten).run(x, 1); }

}  // namespace quire::galley
