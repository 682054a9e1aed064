// The vocabulary of splitting: what a delimiter is, what happens to the
// delimiters found and to empty fields, and the chunks the engine works on.
//
// A Splitter<E> gathers five independent settings: the Delimiter (a
// sequence of element predicates that must hold for consecutive elements),
// the DelimPolicy (drop the delimiters, keep them as fields of their own, or
// glue them to the field after or before), the CondensePolicy (merge runs of
// delimiters, drop or keep the empty fields between adjacent ones) and one
// EndPolicy for each end (drop or keep an empty first and last field). The
// settings are plain fields; the combinators in "split/combinators.hpp"
// return changed copies.
//
// Example:
//   using namespace quire::split;
//   Splitter<char> s = defaultSplitter<char>();
//   s.delimiter = Delimiter<char>::sublist({','});
//   s.delimPolicy = DelimPolicy::Drop;
//   // split(s, "a,b,,c") gives "a", "b", "", "c"
//   show(DelimPolicy::KeepLeft);                          // "KeepLeft"
//   show(Chunk<std::string>::Delim(","));                 // "Delim \",\""
//   showsPrec(11, Chunk<std::string>::Text("ab"));        // "(Text \"ab\")"
#pragma once

#include <algorithm>
#include <concepts>
#include <cstddef>
#include <functional>
#include <iosfwd>
#include <memory>
#include <ostream>
#include <ranges>
#include <span>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "base/show.hpp"
#include "split/export.hpp"
#include "split/internal/show_seq.hpp"

namespace quire::split {

// What happens to each delimiter found (in this order).
enum class DelimPolicy {
  Drop,      // removed from the output
  Keep,      // a field of its own
  KeepLeft,  // glued to the front of the field that follows it
  KeepRight  // glued to the end of the field that precedes it
};

// What happens to adjacent delimiters (in this order).
enum class CondensePolicy {
  Condense,         // a run of delimiters counts as one, holding all their elements
  DropBlankFields,  // no empty field between two adjacent delimiters
  KeepBlankFields   // an empty field between two adjacent delimiters
};

// What happens to an empty field at one end of the output (in this order).
enum class EndPolicy { DropBlank, KeepBlank };

// Text forms: the alternative's name ("Drop", "KeepBlankFields", ...).
QUIRE_SPLIT_EXPORT std::string show(DelimPolicy policy);
QUIRE_SPLIT_EXPORT std::string show(CondensePolicy policy);
QUIRE_SPLIT_EXPORT std::string show(EndPolicy policy);

template <class P>
concept Policy =
    std::same_as<P, DelimPolicy> || std::same_as<P, CondensePolicy> || std::same_as<P, EndPolicy>;

// A nullary alternative never needs parentheses, whatever the precedence.
template <Policy P>
std::string showsPrec(int /*precedence*/, P policy) {
  return show(policy);
}

template <Policy P>
std::ostream& operator<<(std::ostream& out, P policy) {
  return out << show(policy);
}

// Delimiter<E>: a sequence of element predicates. A delimiter of length k
// matches exactly k consecutive elements, the i-th satisfying the i-th
// predicate; the empty delimiter matches an empty stretch everywhere.
//
// Delimiters built from elements (sublist, anyOf) remember those elements,
// so that contiguous input can be searched with memchr and friends; the
// results are those of the equivalent predicates.
// Note: values are immutable and share their storage; copies are cheap.
template <class E>
class Delimiter {
 public:
  using Predicate = std::function<bool(const E&)>;
  enum class Kind { Predicates, Sublist, AnyOf };

  // The empty delimiter.
  Delimiter() = default;

  // The given predicates, in order.
  explicit Delimiter(std::vector<Predicate> predicates)
      : rep_(predicates.empty() ? nullptr
                                : std::make_shared<const Rep>(
                                      Rep{Kind::Predicates, {}, std::move(predicates)})) {}

  // One predicate per element of xs, the i-th testing equality with xs[i];
  // an empty xs gives the empty delimiter.
  static Delimiter sublist(std::vector<E> xs)
    requires std::equality_comparable<E>
  {
    return xs.empty() ? Delimiter() : Delimiter(Kind::Sublist, std::move(xs));
  }

  // A single predicate: equal to some element of elts (none for an empty elts).
  static Delimiter anyOf(std::vector<E> elts)
    requires std::equality_comparable<E>
  {
    return Delimiter(Kind::AnyOf, std::move(elts));
  }

  // A single predicate that holds for no element: it never matches.
  static Delimiter never() { return Delimiter(Kind::AnyOf, {}); }

  // The number of predicates (the number of elements every match consumes).
  std::size_t size() const noexcept {
    if (!rep_) return 0;
    switch (rep_->kind) {
      case Kind::Sublist: return rep_->elems.size();
      case Kind::AnyOf: return 1;
      case Kind::Predicates: break;
    }
    return rep_->preds.size();
  }

  // Whether the i-th predicate (i < size()) holds for e.
  [[gnu::always_inline]] bool test(std::size_t i, const E& e) const {
    const Rep& rep = *rep_;
    if constexpr (std::equality_comparable<E>) {
      if (rep.kind == Kind::Sublist) return e == rep.elems[i];
      if (rep.kind == Kind::AnyOf) return std::ranges::find(rep.elems, e) != rep.elems.end();
    } else if (rep.kind == Kind::AnyOf) {
      return false;  // only never() builds one without element equality
    }
    return rep.preds[i](e);
  }

  // The i-th predicate (i < size()) as a function.
  Predicate predicate(std::size_t i) const {
    return [self = *this, i](const E& e) { return self.test(i, e); };
  }

  // How the delimiter was built, and the elements it was built from (empty
  // for predicates); used by the contiguous fast paths.
  Kind kind() const noexcept { return rep_ ? rep_->kind : Kind::Predicates; }
  std::span<const E> elements() const noexcept {
    return rep_ ? std::span<const E>(rep_->elems) : std::span<const E>();
  }

 private:
  struct Rep {
    Kind kind;
    std::vector<E> elems;
    std::vector<Predicate> preds;
  };
  Delimiter(Kind kind, std::vector<E> elems)
      : rep_(std::make_shared<const Rep>(Rep{kind, std::move(elems), {}})) {}

  std::shared_ptr<const Rep> rep_;  // null: the empty delimiter
};

// Splitter<E>: the whole configuration of a split, five fields in order.
template <class E>
struct Splitter {
  Delimiter<E> delimiter;
  DelimPolicy delimPolicy = DelimPolicy::Keep;
  CondensePolicy condensePolicy = CondensePolicy::KeepBlankFields;
  EndPolicy initBlankPolicy = EndPolicy::KeepBlank;
  EndPolicy finalBlankPolicy = EndPolicy::KeepBlank;
};

// A delimiter that never matches and policies that keep everything:
// splitting with it gives the whole input as one field.
template <class E>
Splitter<E> defaultSplitter() {
  return Splitter<E>{Delimiter<E>::never(), DelimPolicy::Keep, CondensePolicy::KeepBlankFields,
                     EndPolicy::KeepBlank, EndPolicy::KeepBlank};
}

enum class ChunkKind { Delim, Text };

// Chunk<Seq>: a piece of tokenised input, either the elements one delimiter
// match consumed (Delim; the input's own elements, which differ from the
// pattern when the predicates are not plain equality) or a stretch of
// non-delimiter input (Text). Seq is the element sequence: std::vector<E>,
// std::basic_string<E>, or a view (std::string_view, std::span) into the
// input on the contiguous path.
template <class Seq>
struct Chunk {
  ChunkKind kind = ChunkKind::Text;
  Seq elems{};

  static Chunk Delim(Seq elems) { return Chunk{ChunkKind::Delim, std::move(elems)}; }
  static Chunk Text(Seq elems) { return Chunk{ChunkKind::Text, std::move(elems)}; }

  bool isDelim() const noexcept { return kind == ChunkKind::Delim; }
  bool isText() const noexcept { return kind == ChunkKind::Text; }

  // Same alternative and equal element sequences.
  friend bool operator==(const Chunk& a, const Chunk& b) {
    return a.kind == b.kind && std::ranges::equal(a.elems, b.elems);
  }
};

template <class Seq>
bool isDelim(const Chunk<Seq>& c) noexcept {
  return c.isDelim();
}
template <class Seq>
bool isText(const Chunk<Seq>& c) noexcept {
  return c.isText();
}

// The chunk's element sequence, whichever alternative.
template <class Seq>
const Seq& fromElem(const Chunk<Seq>& c) noexcept {
  return c.elems;
}
template <class Seq>
Seq fromElem(Chunk<Seq>&& c) noexcept(std::is_nothrow_move_constructible_v<Seq>) {
  return std::move(c.elems);
}

// "Delim \",\"" or "Text [1,2]", in parentheses above precedence 10.
template <class Seq>
std::string showsPrec(int precedence, const Chunk<Seq>& c) {
  std::string body = c.isDelim() ? "Delim " : "Text ";
  body += detail::showSequence(c.elems);
  return quire::showParen(precedence > 10, std::move(body));
}

template <class Seq>
std::string show(const Chunk<Seq>& c) {
  return showsPrec(0, c);
}

template <class Seq>
std::ostream& operator<<(std::ostream& out, const Chunk<Seq>& c) {
  return out << show(c);
}

extern template class QUIRE_SPLIT_EXPORT Delimiter<char>;

}  // namespace quire::split
