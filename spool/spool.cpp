#include "spool/spool.hpp"

#include <string>

#include "spool/nonempty.hpp"
#include "spool/text.hpp"

namespace quire::spool::detail {

void emptyHead() { throwError("Data.Spool.head: empty Spool"); }
void emptyTail() { throwError("Data.Spool.tail: empty Spool"); }
void negativeMultiplier() { throwError("Data.Spool.stimes: negative multiplier"); }
void emptyStructure(const char* operation) { throwError(std::string(operation) + ": empty structure"); }
void emptyNonEmptyList() { throwError("Data.Spool.SpoolNonEmpty.fromList: empty list"); }
void zeroNonEmptyMultiplier() { throwError("Data.Spool.SpoolNonEmpty.stimes: zero multiplier"); }

std::string showApplied(int precedence, std::string_view word, std::string_view inner) {
  std::string out(word);
  out.push_back(' ');
  out += inner;
  return showParen(precedence > 10, std::move(out));
}

std::string showNonEmptyForm(int precedence, std::string_view head, std::string_view rest) {
  std::string out(head);
  out += " :| ";
  out += rest;
  return showParen(precedence > 5, std::move(out));
}

template struct Engine<int>;
template struct Engine<std::int64_t>;
template struct Engine<double>;
template struct Engine<char>;
template struct Engine<char32_t>;
template struct Engine<std::string>;

}  // namespace quire::spool::detail
