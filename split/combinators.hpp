// Building splitters and the ready-made splitting functions.
//
// onSublist, oneOf and whenElt make a Splitter from a delimiter (with the
// default policies: delimiters kept, blanks kept); the modifiers change one
// policy of a splitter, and the last one applied wins; the ready-made
// functions fix a whole configuration and split their last argument. Inputs
// are taken as split takes them (see "split/engine.hpp"): contiguous input
// gives views into it, other ranges give owned fields, and a temporary
// std::string is refused.
//
// Example:
//   using namespace quire::split;
//   splitOn(",", "a,b,,c,");                       // "a", "b", "", "c", ""
//   splitOneOf(";.,", "foo,bar;baz.glurk");        // "foo", "bar", "baz", "glurk"
//   endBy(";", "foo;bar;baz;");                    // "foo", "bar", "baz"
//   wordsBy([](char c) { return c == ' '; }, "  a  b ");   // "a", "b"
//   split(startsWithOneOf("ABCDEFGHIJKLMNOPQRSTUVWXYZ"), "ACamelCaseString");
//   // "A", "Camel", "Case", "String"
//   split(condense(endsWithOneOf(".,?! ")), "Hi, there! How are you?");
//   // "Hi, ", "there! ", "How ", "are ", "you?"
#pragma once

#include <functional>
#include <utility>
#include <vector>

#include "split/engine.hpp"
#include "split/internal/input.hpp"
#include "split/splitter.hpp"

namespace quire::split {

// A splitter whose delimiter is the sequence xs, element by element (an
// empty xs gives the empty delimiter). A string literal is its characters.
template <class Xs>
Splitter<detail::ElementOf<const Xs&>> onSublist(const Xs& xs) {
  using E = detail::ElementOf<const Xs&>;
  Splitter<E> s = defaultSplitter<E>();
  s.delimiter = Delimiter<E>::sublist(detail::elementsOf(xs));
  return s;
}

// A splitter whose delimiter is any one element of elts.
template <class Xs>
Splitter<detail::ElementOf<const Xs&>> oneOf(const Xs& elts) {
  using E = detail::ElementOf<const Xs&>;
  Splitter<E> s = defaultSplitter<E>();
  s.delimiter = Delimiter<E>::anyOf(detail::elementsOf(elts));
  return s;
}

// A splitter whose delimiter is one element satisfying p.
template <class E, class P>
  requires std::predicate<const P&, const E&>
Splitter<E> whenElt(P p) {
  Splitter<E> s = defaultSplitter<E>();
  s.delimiter = Delimiter<E>({typename Delimiter<E>::Predicate(std::move(p))});
  return s;
}

namespace detail {
template <class E, class Field>
Splitter<E> with(Splitter<E> s, Field Splitter<E>::*field, Field value) {
  s.*field = value;
  return s;
}
}  // namespace detail

// Policy modifiers: a copy with exactly the named fields replaced.
template <class E>
Splitter<E> dropDelims(Splitter<E> s) {
  return detail::with(std::move(s), &Splitter<E>::delimPolicy, DelimPolicy::Drop);
}
template <class E>
Splitter<E> keepDelimsL(Splitter<E> s) {
  return detail::with(std::move(s), &Splitter<E>::delimPolicy, DelimPolicy::KeepLeft);
}
template <class E>
Splitter<E> keepDelimsR(Splitter<E> s) {
  return detail::with(std::move(s), &Splitter<E>::delimPolicy, DelimPolicy::KeepRight);
}
template <class E>
Splitter<E> condense(Splitter<E> s) {
  return detail::with(std::move(s), &Splitter<E>::condensePolicy, CondensePolicy::Condense);
}
template <class E>
Splitter<E> dropInnerBlanks(Splitter<E> s) {
  return detail::with(std::move(s), &Splitter<E>::condensePolicy, CondensePolicy::DropBlankFields);
}
template <class E>
Splitter<E> dropInitBlank(Splitter<E> s) {
  return detail::with(std::move(s), &Splitter<E>::initBlankPolicy, EndPolicy::DropBlank);
}
template <class E>
Splitter<E> dropFinalBlank(Splitter<E> s) {
  return detail::with(std::move(s), &Splitter<E>::finalBlankPolicy, EndPolicy::DropBlank);
}
// Condense, and drop the blanks at both ends; delimiter and delimPolicy stay.
template <class E>
Splitter<E> dropBlanks(Splitter<E> s) {
  return dropFinalBlank(dropInitBlank(condense(std::move(s))));
}

// Fields that start with a delimiter: each delimiter glued to the field
// after it, no empty first field.
template <class Xs>
auto startsWith(const Xs& xs) {
  return dropInitBlank(keepDelimsL(onSublist(xs)));
}
template <class Xs>
auto startsWithOneOf(const Xs& elts) {
  return dropInitBlank(keepDelimsL(oneOf(elts)));
}

// Fields that end with a delimiter: each delimiter glued to the field
// before it, no empty last field.
template <class Xs>
auto endsWith(const Xs& xs) {
  return dropFinalBlank(keepDelimsR(onSublist(xs)));
}
template <class Xs>
auto endsWithOneOf(const Xs& elts) {
  return dropFinalBlank(keepDelimsR(oneOf(elts)));
}

namespace detail {

inline constexpr Policies kSplitPolicies{DelimPolicy::Drop, CondensePolicy::KeepBlankFields,
                                         EndPolicy::KeepBlank, EndPolicy::KeepBlank};
inline constexpr Policies kEndByPolicies{DelimPolicy::Drop, CondensePolicy::KeepBlankFields,
                                         EndPolicy::KeepBlank, EndPolicy::DropBlank};
inline constexpr Policies kWordsPolicies{DelimPolicy::Drop, CondensePolicy::Condense,
                                         EndPolicy::DropBlank, EndPolicy::DropBlank};

// A ready-made function with a delimiter made from elements.
template <const Policies& P, bool AnyOne>
struct ByElementsFn : RejectsTemporaryStrings {
  using RejectsTemporaryStrings::operator();
  template <class Xs, class R>
    requires Splittable<R, ElementOf<const Xs&>>
  auto operator()(const Xs& xs, R&& input) const {
    using E = ElementOf<const Xs&>;
    auto delimiter = AnyOne ? Delimiter<E>::anyOf(elementsOf(xs))
                            : Delimiter<E>::sublist(elementsOf(xs));
    return runSplit<E>(std::move(delimiter), P, std::forward<R>(input));
  }
};

// A ready-made function with a one-element predicate, called inline.
template <const Policies& P>
struct ByPredicateFn : RejectsTemporaryStrings {
  using RejectsTemporaryStrings::operator();
  template <class Pred, class R>
    requires Splittable<R, ElementOf<R>> && std::predicate<const Pred&, const ElementOf<R>&>
  auto operator()(Pred p, R&& input) const {
    return runSplit<ElementOf<R>>(PredicateMatcher<Pred>{std::move(p)}, P, std::forward<R>(input));
  }
};

}  // namespace detail

// Split on the sequence xs, dropping it: "a,b,,c," on "," gives "a", "b",
// "", "c", ""; the empty input gives one empty field.
inline constexpr detail::ByElementsFn<detail::kSplitPolicies, false> splitOn{};
// Split on any one of the elements elts, dropping it.
inline constexpr detail::ByElementsFn<detail::kSplitPolicies, true> splitOneOf{};
// Split on elements satisfying p, dropping them.
inline constexpr detail::ByPredicateFn<detail::kSplitPolicies> splitWhen{};
// Fields each ended by xs: as splitOn without an empty last field.
inline constexpr detail::ByElementsFn<detail::kEndByPolicies, false> endBy{};
inline constexpr detail::ByElementsFn<detail::kEndByPolicies, true> endByOneOf{};
// Lines ended by elements satisfying p: no empty last line.
inline constexpr detail::ByPredicateFn<detail::kEndByPolicies> linesBy{};
// The non-empty stretches between elements satisfying p.
inline constexpr detail::ByPredicateFn<detail::kWordsPolicies> wordsBy{};

// Aliases.
inline constexpr auto& sepBy = splitOn;
inline constexpr auto& unintercalate = splitOn;
inline constexpr auto& sepByOneOf = splitOneOf;

}  // namespace quire::split
