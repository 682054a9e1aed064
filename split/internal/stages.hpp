// The post-processing stages of the splitter engine as pull stages (see
// pulled.hpp): condensing, inserting blanks, dropping, merging and the two
// end policies, each reading its upstream chunk by chunk with a bounded
// look-ahead of at most one chunk (one run of delimiters when condensing).
//
// A stage's sequence operations come from Ops: OwnedSeqOps appends element
// sequences; AdjacentViewOps joins views that lie side by side in one
// contiguous input, which every join of the contiguous path does (a merged
// run of delimiters, a delimiter and the field beside it, a blank placed at
// the boundary it stands for).
#pragma once

#include <cstddef>
#include <iterator>
#include <optional>
#include <ranges>
#include <utility>

#include "split/splitter.hpp"

namespace quire::split::detail {

struct Policies {
  DelimPolicy delim = DelimPolicy::Keep;
  CondensePolicy condense = CondensePolicy::KeepBlankFields;
  EndPolicy init = EndPolicy::KeepBlank;
  EndPolicy final = EndPolicy::KeepBlank;
};

template <class E>
Policies policiesOf(const Splitter<E>& s) noexcept {
  return {s.delimPolicy, s.condensePolicy, s.initBlankPolicy, s.finalBlankPolicy};
}

template <class Seq>
concept Appendable = std::default_initializable<Seq> && requires(Seq& a, Seq& b) {
  a.insert(a.end(), std::make_move_iterator(b.begin()), std::make_move_iterator(b.end()));
};

template <class Seq>
struct OwnedSeqOps {
  static void join(Seq& a, Seq&& b)
    requires Appendable<Seq>
  {
    if (a.empty()) {
      a = std::move(b);
    } else {
      a.insert(a.end(), std::make_move_iterator(b.begin()), std::make_move_iterator(b.end()));
    }
  }
  static Seq blankAfter(const Seq&) { return Seq{}; }
  static Seq blankBefore(const Seq&) { return Seq{}; }
};

template <class View>
struct AdjacentViewOps {
  static void join(View& a, View&& b) noexcept { a = View(a.data(), a.size() + b.size()); }
  static View blankAfter(const View& a) noexcept { return View(a.data() + a.size(), 0); }
  static View blankBefore(const View& b) noexcept { return View(b.data(), 0); }
};

// The upstream of a stage, with room to push one chunk back.
template <class Src>
class Lookahead {
 public:
  using value_type = typename Src::value_type;
  explicit Lookahead(Src src) : src_(std::move(src)) {}

 protected:
  bool pull(value_type& out) {
    if (held_) {
      out = std::move(*held_);
      held_.reset();
      return true;
    }
    return src_.next(out);
  }
  void pushBack(value_type&& c) { held_.emplace(std::move(c)); }

 private:
  Src src_;
  std::optional<value_type> held_;
};

// Under Condense, a maximal run of Delim chunks becomes one Delim holding
// all their elements in order.
template <class Src, class Ops>
class CondenseStage : Lookahead<Src> {
 public:
  using typename Lookahead<Src>::value_type;
  CondenseStage(Src src, CondensePolicy policy) : Lookahead<Src>(std::move(src)), policy_(policy) {}

  bool next(value_type& out) {
    if (!this->pull(out)) return false;
    if (policy_ != CondensePolicy::Condense || !out.isDelim()) return true;
    value_type more;
    while (this->pull(more)) {
      if (!more.isDelim()) {
        this->pushBack(std::move(more));
        break;
      }
      Ops::join(out.elems, std::move(more.elems));
    }
    return true;
  }

 private:
  CondensePolicy policy_;
};

// Puts an empty Text wherever a delimiter lacks a field beside it: before a
// leading Delim, after a final one and (except under DropBlankFields)
// between two adjacent ones; the empty chunk sequence becomes one empty
// Text. With handleStart false only the walk runs (no blank before a
// leading Delim, nothing for the empty sequence).
template <class Src, class Ops>
class InsertBlanksStage : Lookahead<Src> {
 public:
  using typename Lookahead<Src>::value_type;
  using Seq = decltype(value_type{}.elems);

  InsertBlanksStage(Src src, CondensePolicy policy, bool handleStart = true, Seq origin = Seq{})
      : Lookahead<Src>(std::move(src)),
        policy_(policy),
        started_(!handleStart),
        origin_(std::move(origin)) {}

  bool next(value_type& out) {
    if (this->pull(out)) {
      bool blankFirst = false;
      if (!started_) {
        started_ = true;
        blankFirst = out.isDelim();
      } else if (out.isDelim() && afterDelim_) {
        blankFirst = policy_ != CondensePolicy::DropBlankFields;
      }
      if (blankFirst) {
        Seq blank = Ops::blankBefore(out.elems);
        this->pushBack(std::move(out));
        out = value_type::Text(std::move(blank));
        afterDelim_ = false;
        return true;
      }
      afterDelim_ = out.isDelim();
      if (afterDelim_) lastEnd_ = Ops::blankAfter(out.elems);
      return true;
    }
    if (!started_) {
      started_ = true;
      out = value_type::Text(std::move(origin_));
      return true;
    }
    if (afterDelim_) {
      afterDelim_ = false;
      out = value_type::Text(std::move(lastEnd_));
      return true;
    }
    return false;
  }

 private:
  CondensePolicy policy_;
  bool started_;
  bool afterDelim_ = false;  // the last chunk given out was a Delim
  Seq origin_;               // the blank for an empty input
  Seq lastEnd_{};            // the blank after the last Delim given out
};

// Under Drop, every Delim chunk is removed.
template <class Src, class Ops>
class DropStage {
 public:
  using value_type = typename Src::value_type;
  DropStage(Src src, DelimPolicy policy) : src_(std::move(src)), policy_(policy) {}

  bool next(value_type& out) {
    while (src_.next(out)) {
      if (policy_ != DelimPolicy::Drop || out.isText()) return true;
    }
    return false;
  }

 private:
  Src src_;
  DelimPolicy policy_;
};

// KeepLeft glues each Delim to the Text right after it; KeepRight glues
// each Delim to the Text right before it. Unpaired chunks pass unchanged.
template <class Src, class Ops>
class MergeStage : Lookahead<Src> {
 public:
  using typename Lookahead<Src>::value_type;
  MergeStage(Src src, DelimPolicy policy) : Lookahead<Src>(std::move(src)), policy_(policy) {}

  bool next(value_type& out) {
    if (!this->pull(out)) return false;
    bool left = policy_ == DelimPolicy::KeepLeft && out.isDelim();
    bool right = policy_ == DelimPolicy::KeepRight && out.isText();
    if (!left && !right) return true;
    value_type after;
    if (!this->pull(after)) return true;
    if (after.isDelim() == right) {
      Ops::join(out.elems, std::move(after.elems));
      out.kind = ChunkKind::Text;
    } else {
      this->pushBack(std::move(after));
    }
    return true;
  }

 private:
  DelimPolicy policy_;
};

// Under DropBlank, an empty first chunk that is a Text is removed.
template <class Src, class Ops>
class DropInitialStage {
 public:
  using value_type = typename Src::value_type;
  DropInitialStage(Src src, EndPolicy policy) : src_(std::move(src)), policy_(policy) {}

  bool next(value_type& out) {
    if (!src_.next(out)) return false;
    if (first_) {
      first_ = false;
      if (policy_ == EndPolicy::DropBlank && out.isText() && std::ranges::empty(out.elems)) {
        return src_.next(out);
      }
    }
    return true;
  }

 private:
  Src src_;
  EndPolicy policy_;
  bool first_ = true;
};

// Under DropBlank, an empty Text is removed if it is the last chunk; only
// such a chunk waits for the next one.
template <class Src, class Ops>
class DropFinalStage : Lookahead<Src> {
 public:
  using typename Lookahead<Src>::value_type;
  DropFinalStage(Src src, EndPolicy policy) : Lookahead<Src>(std::move(src)), policy_(policy) {}

  bool next(value_type& out) {
    if (!this->pull(out)) return false;
    if (policy_ == EndPolicy::DropBlank && out.isText() && std::ranges::empty(out.elems)) {
      value_type after;
      if (!this->pull(after)) return false;
      this->pushBack(std::move(after));
    }
    return true;
  }

 private:
  EndPolicy policy_;
};

// Steps 2 to 7 of the engine, in order, over a chunk source.
template <class Src, class Ops>
using PostProcessStages = DropFinalStage<
    DropInitialStage<
        MergeStage<DropStage<InsertBlanksStage<CondenseStage<Src, Ops>, Ops>, Ops>, Ops>, Ops>,
    Ops>;

template <class Ops, class Src, class Seq = decltype(typename Src::value_type{}.elems)>
PostProcessStages<Src, Ops> postProcessStages(Src src, const Policies& p, Seq origin = Seq{}) {
  using Condensed = CondenseStage<Src, Ops>;
  using Blanked = InsertBlanksStage<Condensed, Ops>;
  using Dropped = DropStage<Blanked, Ops>;
  using Merged = MergeStage<Dropped, Ops>;
  using Initial = DropInitialStage<Merged, Ops>;
  return PostProcessStages<Src, Ops>(
      Initial(Merged(Dropped(Blanked(Condensed(std::move(src), p.condense), p.condense, true,
                                     std::move(origin)),
                             p.delim),
                     p.delim),
              p.init),
      p.final);
}

// The element sequences of a chunk source (fromElem on every chunk).
template <class Src>
class FieldsStage {
 public:
  using value_type = decltype(typename Src::value_type{}.elems);
  explicit FieldsStage(Src src) : src_(std::move(src)) {}

  bool next(value_type& out) {
    if (!src_.next(chunk_)) return false;
    out = std::move(chunk_.elems);
    return true;
  }

 private:
  Src src_;
  typename Src::value_type chunk_{};
};

// The values of any input range as a pull stage. Values of a single-pass
// range are moved out (nothing can read them again); those of a multi-pass
// range are copied. The range is begun on the first pull, once the stage
// has settled in its final place, and an iterator is advanced only when
// the next value is wanted, so a generator is never run ahead of its
// consumer.
template <std::ranges::input_range V, class T = std::ranges::range_value_t<V>>
class RangeSource {
 public:
  using value_type = T;
  explicit RangeSource(V base) : base_(std::move(base)) {}

  bool next(value_type& out) {
    if (!it_) {
      it_.emplace(std::ranges::begin(base_));
    } else if (taken_) {
      ++*it_;
    }
    taken_ = false;
    if (*it_ == std::ranges::end(base_)) return false;
    if constexpr (std::ranges::forward_range<V>) {
      out = value_type(**it_);
    } else {
      out = value_type(std::move(**it_));
    }
    taken_ = true;
    return true;
  }

 private:
  V base_;
  std::optional<std::ranges::iterator_t<V>> it_;
  bool taken_ = false;  // the value at *it_ has been given out
};

}  // namespace quire::split::detail
