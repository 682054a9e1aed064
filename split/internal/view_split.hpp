// ViewSplit: the whole engine over contiguous input, giving fields as views
// into it.
//
// Two configurations that the ready-made functions use most have a direct
// path that skips the chunk pipeline, with the same results:
//  - Plain (delimiters dropped, blank fields kept everywhere, non-empty
//    delimiter): the fields are exactly the stretches between matches.
//  - Words (delimiters dropped, no inner blanks, both end blanks dropped,
//    non-empty delimiter): the fields are exactly the non-empty stretches.
// Every other configuration runs the stages of stages.hpp over views.
#pragma once

#include <cstddef>
#include <optional>
#include <string_view>
#include <utility>

#include "split/export.hpp"
#include "split/internal/stages.hpp"
#include "split/internal/tokenize.hpp"

namespace quire::split::detail {

template <class View, class M>
class ViewSplit {
  using T = ViewElement<View>;
  using Ops = AdjacentViewOps<View>;
  using General = FieldsStage<PostProcessStages<ViewTokenizer<View, M>, Ops>>;

 public:
  using value_type = View;

  ViewSplit(M m, const Policies& p, View input);

  bool next(View& out) {
    switch (way_) {
      case Way::Plain: return nextPlain(out);
      case Way::Words: return nextWord(out);
      case Way::General: break;
    }
    return general_->next(out);
  }

 private:
  enum class Way { Plain, Words, General };

  bool nextPlain(View& out) {
    if (done_) return false;
    const T* q = finder_.find(p_, end_);
    out = View(p_, static_cast<std::size_t>(q - p_));
    if (q == end_) {
      done_ = true;
    } else {
      p_ = q + finder_.size();
    }
    return true;
  }

  bool nextWord(View& out) {
    while (p_ != end_) {
      const T* q = finder_.find(p_, end_);
      if (q != p_) {
        out = View(p_, static_cast<std::size_t>(q - p_));
        p_ = q == end_ ? end_ : q + finder_.size();
        return true;
      }
      p_ = q + finder_.size();
    }
    return false;
  }

  Finder<T, M> finder_;
  const T* p_;
  const T* end_;
  bool done_ = false;
  Way way_ = Way::General;
  std::optional<General> general_;
};

template <class View, class M>
ViewSplit<View, M>::ViewSplit(M m, const Policies& p, View input)
    : finder_(m), p_(input.data()), end_(input.data() + input.size()) {
  const bool dropped = p.delim == DelimPolicy::Drop && finder_.size() > 0;
  if (dropped && p.condense == CondensePolicy::KeepBlankFields && p.init == EndPolicy::KeepBlank &&
      p.final == EndPolicy::KeepBlank) {
    way_ = Way::Plain;
  } else if (dropped && p.condense != CondensePolicy::KeepBlankFields &&
             p.init == EndPolicy::DropBlank && p.final == EndPolicy::DropBlank) {
    way_ = Way::Words;
  } else {
    general_.emplace(postProcessStages<Ops>(ViewTokenizer<View, M>(std::move(m), input), p,
                                            View(input.data(), 0)));
  }
}

extern template class QUIRE_SPLIT_EXPORT ViewSplit<std::string_view, Delimiter<char>>;

}  // namespace quire::split::detail
