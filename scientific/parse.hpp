// Reading a Scientific from decimal text.
//
// The grammar: an optional sign ('+' or '-'), one or more ASCII digits, an
// optional fraction ('.' and one or more digits) and an optional exponent
// ('e' or 'E', an optional sign, one or more digits). Every digit is kept
// exactly, with no rounding and no limit on their number, and nothing is
// normalised: "1.50" is (150, -2) and "12e3" is (12, 3). Not accepted: ".5",
// "5." as a fraction (the '.' is left unread), white space inside the
// number, non-ASCII digits, "Infinity" and "NaN".
//
// The exponent is read when the coefficient's final exponent (the written
// one less the fraction digits) lies in the 64-bit range; otherwise the
// number ends before the 'e'. Below the range, trailing zeros of the digits
// are moved into the exponent when that brings it in: "1.0e-9223372036854775808"
// is (1, INT64_MIN), so every text show writes reads back. Long
// coefficients are converted in one GMP call (subquadratic); one of up to 38
// digits costs no allocation.
//
// Example:
//   using namespace quire::scientific;
//   auto r = scientificP("-0.001 kg");
//   // r->value is (-1, -3), r->rest == " kg"
//   auto all = readsPrec<Scientific>(0, " ( 2.5 ) ");
//   // all.size() == 1, all[0].value is (25, -1), all[0].rest == " "
//   auto two = readsPrec<Scientific>(0, "1e5x");
//   // two[0]: (1, 5) with rest "x"; two[1]: (1, 0) with rest "e5x"
//   std::optional<Scientific> n = read<Scientific>("1.5e3");     // (15, 2)
//   std::optional<Scientific> none = read<Scientific>("1.5 2");  // nullopt
//   auto list = read<std::vector<Scientific>>("[1, 2.5]");      // two values
//   auto d = readBoundedRealFloat<double>(" 2.5e-3");   // {true, 0.0025}
//   auto far = readBoundedRealFloat<double>("1e400");   // {false, +infinity}
#pragma once

#include <optional>
#include <string_view>
#include <vector>

#include "base/show.hpp"
#include "scientific/convert.hpp"
#include "scientific/export.hpp"
#include "scientific/scientific.hpp"

namespace quire::scientific {

// The longest number at the very start of text (no white space skipped) and
// the text after it, or nullopt when text does not start with one.
QUIRE_SCIENTIFIC_EXPORT std::optional<Reading<Scientific>> scientificP(std::string_view text);

// Every way the grammar reads a number at the very start of text: the
// longest reading first and, when it ends in an exponent, then the reading
// that stops before the 'e' ("1e5x" gives (1, 5) + "x" and (1, 0) + "e5x").
QUIRE_SCIENTIFIC_EXPORT std::vector<Reading<Scientific>> scientificReadings(std::string_view text);

// readsPrec<T>(precedence, text): every reading of a T at the start of text,
// after white space and inside any number of parentheses (white space
// allowed around each). Provided for Scientific and for lists of them in the
// form "[1.5, 2]". The precedence does not restrict what is read.
template <class T>
std::vector<Reading<T>> readsPrec(int precedence, std::string_view text);

template <>
QUIRE_SCIENTIFIC_EXPORT std::vector<Reading<Scientific>> readsPrec<Scientific>(
    int precedence, std::string_view text);
template <>
QUIRE_SCIENTIFIC_EXPORT std::vector<Reading<std::vector<Scientific>>>
readsPrec<std::vector<Scientific>>(int precedence, std::string_view text);

// The value of the only reading of text that leaves nothing but white
// space, or nullopt when there is none or more than one.
template <class T>
std::optional<T> read(std::string_view text) {
  return onlyFullReading(readsPrec<T>(0, text));
}

// The same answer for one number, read in one pass without collecting
// readings (parenthesised text takes the general road).
template <>
QUIRE_SCIENTIFIC_EXPORT std::optional<Scientific> read<Scientific>(std::string_view text);

// toBoundedRealFloat<F>(*read<Scientific>(text)) in one call, or nullopt
// when text is not exactly one number: the same answers, without building
// the intermediate value for the common short forms. Provided for float,
// double and long double.
template <std::floating_point F>
std::optional<Bounded<F>> readBoundedRealFloat(std::string_view text);

template <>
QUIRE_SCIENTIFIC_EXPORT std::optional<Bounded<float>> readBoundedRealFloat<float>(std::string_view text);
template <>
QUIRE_SCIENTIFIC_EXPORT std::optional<Bounded<double>> readBoundedRealFloat<double>(std::string_view text);
template <>
QUIRE_SCIENTIFIC_EXPORT std::optional<Bounded<long double>> readBoundedRealFloat<long double>(
    std::string_view text);

}  // namespace quire::scientific
