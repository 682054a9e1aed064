// The text form of ShortText and reading it back.
//
// show writes a C++ string literal: a double quote, then \" \\ \n \t \r \a
// \b \f \v for those characters, every other control character (U+0000 to
// U+001F, U+007F, U+0080 to U+009F) as a three-digit octal escape \ooo, and
// everything else as its UTF-8, then a closing quote. Precedence is ignored.
// A list shows as "[" the literals separated by "," "]".
//
// Reading accepts such a literal (with the escapes \' \? and octal escapes
// of one to three digits too), after white space and inside any number of
// parentheses. The characters go through fromString, so a surrogate
// written out in its three-byte form reads as U+FFFD; any other malformed
// UTF-8 inside the quotes gives no reading.
//
// operator<< writes the text itself (not the literal), padded to the
// stream's width counted in code points, honouring std::left.
//
// Example:
//   using namespace quire::brevity;
//   show(ShortText("say \"hi\"\n"));            // "\"say \\\"hi\\\"\\n\""
//   read<ShortText>(" ( \"caf\xC3\xA9\" ) ");   // ShortText("café")
//   read<ShortText>("\"a\" x");                 // nullopt (text left over)
//   read<std::vector<ShortText>>("[\"a\", \"b\"]");  // {"a", "b"}
//   std::cout << std::setw(4) << ShortText("\xC3\xA9");  // "   é"
#pragma once

#include <iosfwd>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/show.hpp"
#include "base/text_form.hpp"
#include "brevity/brevity.hpp"
#include "brevity/export.hpp"

namespace quire::brevity {

QUIRE_BREVITY_EXPORT std::string show(const ShortText& t);
// show(t): a literal never needs parentheses.
[[nodiscard]] inline std::string showsPrec(int /*precedence*/, const ShortText& t) {
  return show(t);
}
QUIRE_BREVITY_EXPORT std::string showList(std::span<const ShortText> ts);
[[nodiscard]] inline std::string show(std::span<const ShortText> ts) { return showList(ts); }

// Writes the UTF-8 text, padded to os.width() code points with os.fill()
// (on the left unless std::left is set); the width is then reset.
QUIRE_BREVITY_EXPORT std::ostream& operator<<(std::ostream& os, const ShortText& t);

// readsPrec<T>(precedence, text): every reading of a T at the start of
// text. Provided for ShortText and std::vector<ShortText>. The precedence
// does not restrict what is read.
template <class T>
std::vector<Reading<T>> readsPrec(int precedence, std::string_view text);

template <>
QUIRE_BREVITY_EXPORT std::vector<Reading<ShortText>> readsPrec<ShortText>(int precedence,
                                                                          std::string_view text);
template <>
QUIRE_BREVITY_EXPORT std::vector<Reading<std::vector<ShortText>>> readsPrec<std::vector<ShortText>>(
    int precedence, std::string_view text);

// The value of the only reading that leaves nothing but white space.
template <class T>
[[nodiscard]] std::optional<T> read(std::string_view text) {
  return onlyFullReading(readsPrec<T>(0, text));
}

}  // namespace quire::brevity

// The text form for generic code and containers (std::vector<ShortText>
// shows as a list of literals).
template <>
struct quire::TextForm<quire::brevity::ShortText> {
  static std::string showsPrec(int precedence, const quire::brevity::ShortText& t) {
    return quire::brevity::showsPrec(precedence, t);
  }
  static std::vector<Reading<quire::brevity::ShortText>> readsPrec(int precedence,
                                                                   std::string_view text) {
    return quire::brevity::readsPrec<quire::brevity::ShortText>(precedence, text);
  }
};
