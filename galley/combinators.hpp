// Combinators: punctuation, numbers, concatenation, separators, enclosing
// and styling, all built from the primitives of doc.hpp.
//
// Operators that C++ cannot spell are named functions:
//   x <+> y  besideSpace(x, y)      x </> y   softAbove(x, y)
//   x <$> y  above(x, y)            x <//> y  softAboveBreak(x, y)
//   x <$$> y aboveBreak(x, y)       x <> y    x + y, beside(x, y)
// The folds (hsep, vsep, ...) nest to the right: fold(f, {a, b, c}) is
// f(a, f(b, c)), and every fold of an empty list is the empty document.
//
// Example:
//   using namespace quire::galley;
//   show(list({int_(1), int_(20), int_(300)}))            // == "[1,20,300]"
//   show(besideSpace(text("x"), equals()) + text(" 1"))  // == "x = 1"
//   show(red(text("hot")))                                // == "\x1b[91mhot\x1b[0m"
//   show(plain(red(text("hot"))))                         // == "hot"
//   show(fill(6, text("ab")) + text("|"))                  // == "ab    |"
#pragma once

#include <charconv>
#include <concepts>
#include <cstdint>
#include <functional>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "galley/doc.hpp"

namespace quire::galley {

// Single-character documents.
QUIRE_GALLEY_EXPORT Doc lparen();
QUIRE_GALLEY_EXPORT Doc rparen();
QUIRE_GALLEY_EXPORT Doc langle();
QUIRE_GALLEY_EXPORT Doc rangle();
QUIRE_GALLEY_EXPORT Doc lbrace();
QUIRE_GALLEY_EXPORT Doc rbrace();
QUIRE_GALLEY_EXPORT Doc lbracket();
QUIRE_GALLEY_EXPORT Doc rbracket();
QUIRE_GALLEY_EXPORT Doc squote();
QUIRE_GALLEY_EXPORT Doc dquote();
QUIRE_GALLEY_EXPORT Doc semi();
QUIRE_GALLEY_EXPORT Doc colon();
QUIRE_GALLEY_EXPORT Doc comma();
QUIRE_GALLEY_EXPORT Doc dot();
QUIRE_GALLEY_EXPORT Doc backslash();
QUIRE_GALLEY_EXPORT Doc equals();

// Numbers and flags, as text of their usual decimal form.
QUIRE_GALLEY_EXPORT Doc int_(std::int64_t n);
// Shortest text that reads back to the same value (std::to_chars).
QUIRE_GALLEY_EXPORT Doc float_(float x);
QUIRE_GALLEY_EXPORT Doc double_(double x);
QUIRE_GALLEY_EXPORT Doc bool_(bool b);  // "True" or "False"

// A type whose operator<< writes its decimal form, such as mpz_class.
template <class T>
concept StreamsDecimal = requires(std::ostream& os, const T& x) {
  { os << x } -> std::convertible_to<std::ostream&>;
};

template <StreamsDecimal T>
std::string decimalText(const T& x) {
  std::ostringstream os;
  os << x;
  return std::move(os).str();
}

// An arbitrary-precision integer (any type that streams its decimal form).
template <StreamsDecimal T>
Doc integer(const T& n) {
  return text(decimalText(n));
}

// "numerator % denominator", a negative numerator in parentheses.
QUIRE_GALLEY_EXPORT Doc rationalText(std::string numerator, std::string denominator);
template <StreamsDecimal N, StreamsDecimal D>
Doc rational(const N& numerator, const D& denominator) {
  return rationalText(decimalText(numerator), decimalText(denominator));
}
// A ratio type with get_num()/get_den() (mpq_class).
template <class Q>
  requires requires(const Q& q) {
    q.get_num();
    q.get_den();
  }
Doc rational(const Q& q) {
  return rational(q.get_num(), q.get_den());
}

// Concatenation.
QUIRE_GALLEY_EXPORT Doc beside(const Doc& x, const Doc& y);          // x <> y
QUIRE_GALLEY_EXPORT Doc besideSpace(const Doc& x, const Doc& y);     // x <> space <> y
QUIRE_GALLEY_EXPORT Doc softAbove(const Doc& x, const Doc& y);       // x <> softline <> y
QUIRE_GALLEY_EXPORT Doc softAboveBreak(const Doc& x, const Doc& y);  // x <> softbreak <> y
QUIRE_GALLEY_EXPORT Doc above(const Doc& x, const Doc& y);           // x <> line <> y
QUIRE_GALLEY_EXPORT Doc aboveBreak(const Doc& x, const Doc& y);      // x <> linebreak <> y

// Right fold without a seed; empty for an empty list. Iterative, so a
// million elements are fine.
template <class F>
Doc fold(F&& f, const std::vector<Doc>& ds) {
  if (ds.empty()) return Doc();
  Doc acc = ds.back();
  for (auto it = ds.rbegin() + 1; it != ds.rend(); ++it) acc = std::invoke(f, *it, std::move(acc));
  return acc;
}

QUIRE_GALLEY_EXPORT Doc hsep(const std::vector<Doc>& ds);     // fold besideSpace
QUIRE_GALLEY_EXPORT Doc vsep(const std::vector<Doc>& ds);     // fold above
QUIRE_GALLEY_EXPORT Doc fillSep(const std::vector<Doc>& ds);  // fold softAbove
QUIRE_GALLEY_EXPORT Doc sep(const std::vector<Doc>& ds);      // group(vsep ds)
QUIRE_GALLEY_EXPORT Doc hcat(const std::vector<Doc>& ds);     // fold beside
QUIRE_GALLEY_EXPORT Doc vcat(const std::vector<Doc>& ds);     // fold aboveBreak
QUIRE_GALLEY_EXPORT Doc fillCat(const std::vector<Doc>& ds);  // fold softAboveBreak
QUIRE_GALLEY_EXPORT Doc cat(const std::vector<Doc>& ds);      // group(vcat ds)

// d concatenated n times (empty when n <= 0), built by doubling so that it
// takes O(log n) nodes; it lays out exactly like n copies side by side.
QUIRE_GALLEY_EXPORT Doc repeated(std::int64_t n, const Doc& d);

// Every element but the last followed by p.
QUIRE_GALLEY_EXPORT std::vector<Doc> punctuate(const Doc& p, std::vector<Doc> ds);
QUIRE_GALLEY_EXPORT Doc enclose(const Doc& l, const Doc& r, const Doc& x);  // l <> (x <> r)
// l d1, s d2, ..., s dn r: on one line, or aligned one per line with each
// separator leading its line. No elements: l <> r; one: l <> (d <> r).
QUIRE_GALLEY_EXPORT Doc encloseSep(const Doc& l, const Doc& r, const Doc& s, const std::vector<Doc>& ds);
QUIRE_GALLEY_EXPORT Doc list(const std::vector<Doc>& ds);        // [a,b,c]
QUIRE_GALLEY_EXPORT Doc tupled(const std::vector<Doc>& ds);      // (a,b,c)
QUIRE_GALLEY_EXPORT Doc semiBraces(const std::vector<Doc>& ds);  // {a;b;c}
QUIRE_GALLEY_EXPORT Doc squotes(const Doc& x);
QUIRE_GALLEY_EXPORT Doc dquotes(const Doc& x);
QUIRE_GALLEY_EXPORT Doc parens(const Doc& x);
QUIRE_GALLEY_EXPORT Doc angles(const Doc& x);
QUIRE_GALLEY_EXPORT Doc braces(const Doc& x);
QUIRE_GALLEY_EXPORT Doc brackets(const Doc& x);

// Colours: vivid foreground (red), dull foreground (dullred), vivid
// background (onred) and dull background (ondullred).
QUIRE_GALLEY_EXPORT Doc color(Color c, Doc x);
QUIRE_GALLEY_EXPORT Doc dullcolor(Color c, Doc x);
QUIRE_GALLEY_EXPORT Doc oncolor(Color c, Doc x);
QUIRE_GALLEY_EXPORT Doc ondullcolor(Color c, Doc x);
using DocFunction = std::function<Doc(Doc)>;
// (color c, dullcolor c) and (oncolor c, ondullcolor c).
QUIRE_GALLEY_EXPORT std::pair<DocFunction, DocFunction> colorFunctions(Color c);
QUIRE_GALLEY_EXPORT std::pair<DocFunction, DocFunction> oncolorFunctions(Color c);

#define QUIRE_GALLEY_COLOR(name, value)                                                    \
  inline Doc name(Doc x) { return color(Color::value, std::move(x)); }                     \
  inline Doc dull##name(Doc x) { return dullcolor(Color::value, std::move(x)); }           \
  inline Doc on##name(Doc x) { return oncolor(Color::value, std::move(x)); }               \
  inline Doc ondull##name(Doc x) { return ondullcolor(Color::value, std::move(x)); }
QUIRE_GALLEY_COLOR(black, Black)
QUIRE_GALLEY_COLOR(red, Red)
QUIRE_GALLEY_COLOR(green, Green)
QUIRE_GALLEY_COLOR(yellow, Yellow)
QUIRE_GALLEY_COLOR(blue, Blue)
QUIRE_GALLEY_COLOR(magenta, Magenta)
QUIRE_GALLEY_COLOR(cyan, Cyan)
QUIRE_GALLEY_COLOR(white, White)
#undef QUIRE_GALLEY_COLOR

QUIRE_GALLEY_EXPORT Doc bold(Doc x);
QUIRE_GALLEY_EXPORT Doc debold(Doc x);
QUIRE_GALLEY_EXPORT Doc underline(Doc x);
QUIRE_GALLEY_EXPORT Doc deunderline(Doc x);
// x without colours, intensities, italics and underlining.
QUIRE_GALLEY_EXPORT Doc plain(const Doc& x);

}  // namespace quire::galley
