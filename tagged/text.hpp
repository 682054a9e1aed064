// Text forms, reading and stream input and output of Tagged values.
//
// A Tagged shows as "Tagged " followed by the wrapped value's text form at
// precedence 11, the whole in parentheses when the surrounding precedence is
// above 10. Reading accepts the same form (optionally parenthesised, white
// space between the parts). Streams write and read the wrapped value alone.
//
// Example:
//   using namespace quire::tagged;
//   struct Id {};
//   show(Tagged<Id, int>(5));                  // "Tagged 5"
//   show(Tagged<Id, int>(-5));                 // "Tagged (-5)"
//   showsPrec(11, Tagged<Id, int>(5));         // "(Tagged 5)"
//   read<Tagged<Id, int>>(" ( Tagged (-5) ) ");  // Tagged<Id, int>(-5)
//   read<Tagged<Id, int>>("Tagged -5");        // nullopt: -5 needs parentheses here
//   std::cout << Tagged<Id, int>(5);           // writes 5
#pragma once

#include <istream>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "base/show.hpp"
#include "base/text_form.hpp"
#include "tagged/core.hpp"
#include "tagged/export.hpp"

namespace quire::tagged::detail {

// "Tagged " + inner, parenthesised above precedence 10.
QUIRE_TAGGED_EXPORT std::string showTaggedForm(int precedence, std::string_view inner);

// The text after the word Tagged at the start of text (white space
// skipped), or nullopt.
QUIRE_TAGGED_EXPORT std::optional<std::string_view> readTaggedWord(std::string_view text);

}  // namespace quire::tagged::detail

template <class S, class B>
  requires quire::Showable<B> || quire::Readable<B>
struct quire::TextForm<quire::tagged::Tagged<S, B>> {
  using T = quire::tagged::Tagged<S, B>;
  static std::string showsPrec(int precedence, const T& x)
    requires quire::Showable<B>
  {
    return quire::tagged::detail::showTaggedForm(precedence, quire::showsPrecOf(11, x.unTagged));
  }
  static std::vector<quire::Reading<T>> readsPrec(int precedence, std::string_view text)
    requires quire::Readable<B>
  {
    return quire::readParenPrec<T>(precedence > 10, precedence, text, [](int, std::string_view s) {
      std::vector<quire::Reading<T>> out;
      auto rest = quire::tagged::detail::readTaggedWord(s);
      if (!rest) return out;
      for (auto& value : quire::readsPrecOf<B>(11, *rest)) {
        out.push_back({T(std::move(value.value)), value.rest});
      }
      return out;
    });
  }
};

namespace quire::tagged {

template <class S, quire::Showable B>
[[nodiscard]] std::string showsPrec(int precedence, const Tagged<S, B>& x) {
  return quire::showsPrecOf(precedence, x);
}

template <class S, quire::Showable B>
[[nodiscard]] std::string show(const Tagged<S, B>& x) {
  return quire::showsPrecOf(0, x);
}

// readsPrec<T>(precedence, text): every reading of a T at the start of text.
template <class T>
  requires quire::Readable<T>
[[nodiscard]] std::vector<Reading<T>> readsPrec(int precedence, std::string_view text) {
  return quire::readsPrecOf<T>(precedence, text);
}

// The only reading of the whole text (white space around allowed), or nullopt.
template <class T>
  requires quire::Readable<T>
[[nodiscard]] std::optional<T> read(std::string_view text) {
  return quire::readOf<T>(text);
}

template <class S, class B>
  requires requires(std::ostream& os, const B& b) { os << b; }
std::ostream& operator<<(std::ostream& os, const Tagged<S, B>& x) {
  return os << x.unTagged;
}

template <class S, class B>
  requires requires(std::istream& is, B& b) { is >> b; }
std::istream& operator>>(std::istream& is, Tagged<S, B>& x) {
  return is >> x.unTagged;
}

}  // namespace quire::tagged
