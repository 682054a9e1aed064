// Text forms and reading of spools and non-empty spools.
//
// A Spool shows as "fromList " followed by its element list ("fromList
// [1,2,3]", "fromList []"); a SpoolNonEmpty as "fromNonEmpty " followed by
// the non-empty list form "x :| [rest]" in parentheses. Both are wrapped in
// parentheses when the surrounding precedence is above 10. Reading accepts
// exactly these forms, optionally parenthesised, with white space between
// the parts. Elements use the text forms of base/text_form.hpp, so spools of
// numbers, strings, characters, pairs, tagged values or spools all work.
//
// Example:
//   using namespace quire::spool;
//   show(fromList({1, 2, 3}));                 // "fromList [1,2,3]"
//   showsPrec(11, Spool<int>());               // "(fromList [])"
//   show(fromString("hi"));                    // "fromList \"hi\""
//   show(SpoolNonEmpty<int>(1, fromList({2})));   // "fromNonEmpty (1 :| [2])"
//   read<Spool<int>>(" (fromList [4, -5]) ");  // the spool 4, -5
//   read<Spool<int>>("[4]");                   // nullopt
#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "base/show.hpp"
#include "base/text_form.hpp"
#include "spool/export.hpp"
#include "spool/nonempty.hpp"
#include "spool/spool.hpp"

namespace quire::spool::detail {

// word + " " + inner, parenthesised above precedence 10.
QUIRE_SPOOL_EXPORT std::string showApplied(int precedence, std::string_view word, std::string_view inner);

// The non-empty list form: head + " :| " + rest, parenthesised above 5.
QUIRE_SPOOL_EXPORT std::string showNonEmptyForm(int precedence, std::string_view head,
                                                std::string_view rest);

}  // namespace quire::spool::detail

template <class T>
  requires quire::Showable<T> || quire::Readable<T>
struct quire::TextForm<quire::spool::NonEmpty<T>> {
  using NE = quire::spool::NonEmpty<T>;
  static std::string showsPrec(int precedence, const NE& ne)
    requires quire::Showable<T>
  {
    return quire::spool::detail::showNonEmptyForm(precedence, quire::showsPrecOf(6, ne.head),
                                                  quire::showsPrecOf(6, ne.tail));
  }
  static std::vector<quire::Reading<NE>> readsPrec(int precedence, std::string_view text)
    requires quire::Readable<T>
  {
    return quire::readParenPrec<NE>(precedence > 5, precedence, text, [](int, std::string_view s) {
      std::vector<quire::Reading<NE>> out;
      for (auto& head : quire::readsPrecOf<T>(6, s)) {
        auto rest = quire::readToken(head.rest, ":|");
        if (!rest) continue;
        for (auto& tail : quire::readsPrecOf<std::vector<T>>(6, *rest)) {
          out.push_back({NE{head.value, std::move(tail.value)}, tail.rest});
        }
      }
      return out;
    });
  }
};

template <class T>
  requires quire::Showable<T> || quire::Readable<T>
struct quire::TextForm<quire::spool::Spool<T>> {
  using S = quire::spool::Spool<T>;
  static std::string showsPrec(int precedence, const S& s)
    requires quire::Showable<T>
  {
    return quire::spool::detail::showApplied(precedence, "fromList",
                                             quire::showsPrecOf(11, quire::spool::toList(s)));
  }
  static std::vector<quire::Reading<S>> readsPrec(int precedence, std::string_view text)
    requires quire::Readable<T>
  {
    return quire::readParenPrec<S>(precedence > 10, precedence, text, [](int, std::string_view s) {
      std::vector<quire::Reading<S>> out;
      auto rest = quire::readToken(s, "fromList");
      if (!rest) return out;
      for (auto& list : quire::readsPrecOf<std::vector<T>>(11, *rest)) {
        out.push_back({quire::spool::fromList(std::move(list.value)), list.rest});
      }
      return out;
    });
  }
};

template <class T>
  requires quire::Showable<T> || quire::Readable<T>
struct quire::TextForm<quire::spool::SpoolNonEmpty<T>> {
  using D = quire::spool::SpoolNonEmpty<T>;
  using NE = quire::spool::NonEmpty<T>;
  static std::string showsPrec(int precedence, const D& d)
    requires quire::Showable<T>
  {
    return quire::spool::detail::showApplied(precedence, "fromNonEmpty",
                                             quire::showsPrecOf(11, quire::spool::toNonEmpty(d)));
  }
  static std::vector<quire::Reading<D>> readsPrec(int precedence, std::string_view text)
    requires quire::Readable<T>
  {
    return quire::readParenPrec<D>(precedence > 10, precedence, text, [](int, std::string_view s) {
      std::vector<quire::Reading<D>> out;
      auto rest = quire::readToken(s, "fromNonEmpty");
      if (!rest) return out;
      for (auto& ne : quire::readsPrecOf<NE>(11, *rest)) {
        out.push_back({quire::spool::fromNonEmpty(std::move(ne.value)), ne.rest});
      }
      return out;
    });
  }
};

namespace quire::spool {

template <class T>
concept SpoolType = isSpool<T> || isSpoolNonEmpty<T>;

template <SpoolType S>
  requires quire::Showable<S>
[[nodiscard]] std::string showsPrec(int precedence, const S& s) {
  return quire::showsPrecOf(precedence, s);
}

template <SpoolType S>
  requires quire::Showable<S>
[[nodiscard]] std::string show(const S& s) {
  return quire::showsPrecOf(0, s);
}

template <SpoolType S>
  requires quire::Showable<S>
std::ostream& operator<<(std::ostream& os, const S& s) {
  return os << quire::showsPrecOf(0, s);
}

// readsPrec<S>(precedence, text): every reading of a spool at the start of text.
template <SpoolType S>
  requires quire::Readable<S>
[[nodiscard]] std::vector<Reading<S>> readsPrec(int precedence, std::string_view text) {
  return quire::readsPrecOf<S>(precedence, text);
}

// The only reading of the whole text (white space around allowed), or nullopt.
template <SpoolType S>
  requires quire::Readable<S>
[[nodiscard]] std::optional<S> read(std::string_view text) {
  return quire::readOf<S>(text);
}

}  // namespace quire::spool
