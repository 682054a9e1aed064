// The splitter engine: split runs a Splitter over an input sequence.
//
// split tokenises the input into Text and Delim chunks (splitInternal),
// post-processes the chunks (condensing, inserting blanks, dropping and
// merging delimiters, the two end policies: postProcess) and gives each
// remaining chunk's elements as a field. Every stage is also offered on its
// own, over any input range of chunks.
//
// Everything is lazy: the result is a single-pass input range that reads
// the input only as far as the fields taken need, so the first fields of an
// endless input (a stream, a generator) come out. A field is given as soon
// as the delimiter that ends it (or the end of the input) has been seen;
// stages look ahead at most one chunk (one run of delimiters under Condense).
//
// Contiguous input is split without copying: a std::string_view (or a
// string, a string literal) gives std::string_view fields and a std::span
// gives std::span<const E> fields, all pointing into the input, with the
// results of the generic engine. A temporary std::string is refused at
// compile time, since its fields would dangle. Other input ranges give
// owned fields: std::basic_string for character elements, else std::vector.
//
// Example:
//   using namespace quire::split;
//   Splitter<char> s = onSublist(",");   // delimiter ",", delimiters kept
//   for (std::string_view f : split(s, "a,b,,c,")) ...
//   // "a", ",", "b", ",", "", ",", "c", ",", ""
//   auto fields = split(dropDelims(s), std::vector<char>{'x', ',', 'y'});
//   // std::string fields "x", "y"
//
// Note: results are single-pass ranges; iterate them once. Predicates are
// called as the fields are pulled, on the consumer's thread.
#pragma once

#include <concepts>
#include <optional>
#include <ranges>
#include <type_traits>
#include <utility>

#include "split/internal/input.hpp"
#include "split/internal/pulled.hpp"
#include "split/internal/stages.hpp"
#include "split/internal/tokenize.hpp"
#include "split/internal/view_split.hpp"
#include "split/splitter.hpp"

namespace quire::split {

namespace detail {

template <class T>
struct IsChunk : std::false_type {};
template <class Seq>
struct IsChunk<Chunk<Seq>> : std::true_type {};

template <class R>
concept ChunkRange = std::ranges::input_range<R> && std::ranges::viewable_range<R> &&
                     IsChunk<std::ranges::range_value_t<R>>::value;

template <ChunkRange R>
using SeqOfChunks = decltype(std::ranges::range_value_t<R>{}.elems);

// A stage over a range of chunks with owned element sequences.
template <template <class, class> class Stage, ChunkRange R, class... Args>
auto overChunks(R&& chunks, Args&&... args) {
  using Src = RangeSource<std::views::all_t<R>>;
  using S = Stage<Src, OwnedSeqOps<SeqOfChunks<R>>>;
  return Pulled<S>(S(Src(std::views::all(std::forward<R>(chunks))), std::forward<Args>(args)...));
}

// The whole engine with matcher m (a Delimiter or an inline predicate).
template <class E, class M, class R>
  requires Splittable<R, E>
auto runSplit(M m, const Policies& p, R&& input) {
  if constexpr (ContiguousInput<R, E>) {
    using View = ViewOf<R, E>;
    return Pulled<ViewSplit<View, M>>(ViewSplit<View, M>(std::move(m), p, viewOf<E>(input)));
  } else {
    using Seq = FieldOf<E>;
    using Tokens = InputTokenizer<std::views::all_t<R>, M, Seq>;
    using Stages = FieldsStage<PostProcessStages<Tokens, OwnedSeqOps<Seq>>>;
    return Pulled<Stages>(Stages(postProcessStages<OwnedSeqOps<Seq>>(
        Tokens(std::move(m), std::views::all(std::forward<R>(input))), p)));
  }
}

template <class E, class M, class R>
  requires Splittable<R, E>
auto runTokenizer(M m, R&& input) {
  if constexpr (ContiguousInput<R, E>) {
    using Tokens = ViewTokenizer<ViewOf<R, E>, M>;
    return Pulled<Tokens>(Tokens(std::move(m), viewOf<E>(input)));
  } else {
    using Tokens = InputTokenizer<std::views::all_t<R>, M, FieldOf<E>>;
    return Pulled<Tokens>(Tokens(std::move(m), std::views::all(std::forward<R>(input))));
  }
}

struct SplitFn : RejectsTemporaryStrings {
  using RejectsTemporaryStrings::operator();
  template <class E, class R>
    requires Splittable<R, E>
  auto operator()(const Splitter<E>& s, R&& input) const {
    return runSplit<E>(s.delimiter, policiesOf(s), std::forward<R>(input));
  }
};

struct SplitInternalFn : RejectsTemporaryStrings {
  using RejectsTemporaryStrings::operator();
  template <class E, class R>
    requires Splittable<R, E>
  auto operator()(const Delimiter<E>& d, R&& input) const {
    return runTokenizer<E>(d, std::forward<R>(input));
  }
};

// A sequence whose pieces may be returned as sub-ranges of it.
template <class Xs>
auto borrowedSequence(Xs&& xs) {
  using E = ElementOf<Xs>;
  if constexpr (ViewsAsText<Xs, E>) {
    return std::basic_string_view<E>(xs);
  } else {
    return std::views::all(std::forward<Xs>(xs));
  }
}

template <class Xs>
concept BorrowableSequence =
    (ViewsAsText<Xs, ElementOf<Xs>> && !TemporaryString<Xs>) ||
    (std::ranges::forward_range<Xs> && std::ranges::borrowed_range<Xs>);

}  // namespace detail

// The fields of input cut as the splitter says (see the top of this file).
inline constexpr detail::SplitFn split{};

// Step 1 alone: the input as Text and Delim chunks. Texts are never empty;
// the empty delimiter gives an empty Delim before every element.
inline constexpr detail::SplitInternalFn splitInternal{};

// A delimiter match: the input's elements it consumed, and what follows.
template <class I, class S>
struct DelimMatch {
  std::ranges::subrange<I> matched;
  std::ranges::subrange<I, S> rest;
};

// The text before the leftmost delimiter match, and the match if there is one.
template <class I, class S>
struct DelimBreak {
  std::ranges::subrange<I> text;
  std::optional<DelimMatch<I, S>> match;
};

// Tries the delimiter at the very start of xs only (a forward sequence; the
// pieces point into it). The empty delimiter matches no elements, even on
// empty input.
template <class E, class Xs>
  requires detail::BorrowableSequence<Xs>
auto matchDelim(const Delimiter<E>& d, Xs&& xs) {
  auto seq = detail::borrowedSequence(std::forward<Xs>(xs));
  using I = std::ranges::iterator_t<decltype(seq)>;
  using S = std::ranges::sentinel_t<decltype(seq)>;
  std::optional<DelimMatch<I, S>> out;
  const I first = std::ranges::begin(seq);
  if (std::optional<I> past = detail::matchAt(d, first, std::ranges::end(seq))) {
    out.emplace(DelimMatch<I, S>{{first, *past}, {*past, std::ranges::end(seq)}});
  }
  return out;
}

// Scans xs for the leftmost match, trying the delimiter afresh at every
// position (no skipping after a partial match).
template <class E, class Xs>
  requires detail::BorrowableSequence<Xs>
auto breakDelim(const Delimiter<E>& d, Xs&& xs) {
  auto seq = detail::borrowedSequence(std::forward<Xs>(xs));
  using I = std::ranges::iterator_t<decltype(seq)>;
  using S = std::ranges::sentinel_t<decltype(seq)>;
  const I first = std::ranges::begin(seq);
  const S last = std::ranges::end(seq);
  for (I at = first;; ++at) {
    if (std::optional<I> past = detail::matchAt(d, at, last)) {
      return DelimBreak<I, S>{{first, at}, DelimMatch<I, S>{{at, *past}, {*past, last}}};
    }
    if (at == last) return DelimBreak<I, S>{{first, at}, std::nullopt};
  }
}

// Steps 2 to 7 over any input range of chunks; the chunks' element
// sequences must be owned (vectors, strings), since merging appends them.

// Under Condense, each run of Delim chunks becomes one Delim.
template <detail::ChunkRange R>
auto doCondense(CondensePolicy policy, R&& chunks) {
  return detail::overChunks<detail::CondenseStage>(std::forward<R>(chunks), policy);
}

// The empty sequence becomes one empty Text, a leading Delim gets an empty
// Text before it, then insertBlanks_ runs.
template <detail::ChunkRange R>
auto insertBlanks(CondensePolicy policy, R&& chunks) {
  return detail::overChunks<detail::InsertBlanksStage>(std::forward<R>(chunks), policy, true);
}

// The walk of insertBlanks alone: an empty Text between two adjacent Delims
// (not under DropBlankFields) and after a final Delim (always).
template <detail::ChunkRange R>
auto insertBlanks_(CondensePolicy policy, R&& chunks) {
  return detail::overChunks<detail::InsertBlanksStage>(std::forward<R>(chunks), policy, false);
}

// Under Drop, every Delim chunk is removed.
template <detail::ChunkRange R>
auto doDrop(DelimPolicy policy, R&& chunks) {
  return detail::overChunks<detail::DropStage>(std::forward<R>(chunks), policy);
}

// KeepLeft runs mergeLeft, KeepRight runs mergeRight, others change nothing.
template <detail::ChunkRange R>
auto doMerge(DelimPolicy policy, R&& chunks) {
  return detail::overChunks<detail::MergeStage>(std::forward<R>(chunks), policy);
}

// Each Delim immediately followed by a Text becomes one Text holding both.
template <detail::ChunkRange R>
auto mergeLeft(R&& chunks) {
  return doMerge(DelimPolicy::KeepLeft, std::forward<R>(chunks));
}

// Each Text immediately followed by a Delim becomes one Text holding both.
template <detail::ChunkRange R>
auto mergeRight(R&& chunks) {
  return doMerge(DelimPolicy::KeepRight, std::forward<R>(chunks));
}

// Under DropBlank, an empty Text that comes first is removed.
template <detail::ChunkRange R>
auto dropInitial(EndPolicy policy, R&& chunks) {
  return detail::overChunks<detail::DropInitialStage>(std::forward<R>(chunks), policy);
}

// Under DropBlank, an empty Text that comes last is removed (empty Texts
// elsewhere stay).
template <detail::ChunkRange R>
auto dropFinal(EndPolicy policy, R&& chunks) {
  return detail::overChunks<detail::DropFinalStage>(std::forward<R>(chunks), policy);
}

// doCondense, insertBlanks, doDrop, doMerge, dropInitial, dropFinal in order,
// with the splitter's policies.
template <class E, detail::ChunkRange R>
auto postProcess(const Splitter<E>& s, R&& chunks) {
  using Src = detail::RangeSource<std::views::all_t<R>>;
  using Ops = detail::OwnedSeqOps<detail::SeqOfChunks<R>>;
  using S = detail::PostProcessStages<Src, Ops>;
  return detail::Pulled<S>(detail::postProcessStages<Ops>(
      Src(std::views::all(std::forward<R>(chunks))), detail::policiesOf(s)));
}

}  // namespace quire::split
