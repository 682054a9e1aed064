// Number texts of the report: the shortest digits of a double or float and
// three significant digits of an error, both from quill/json.hpp.
//
// Example:
//   char text[maxShortestLength];
//   writeShortest(text, 0.1);             // "0.1", returns text + 3
//   writeThreeDigits(text, 5.55111e-17);  // "5.55e-17"
#pragma once

#include <cstddef>

#include "quill/json.hpp"

namespace quire::decimal {

// The shortest text that reads back as v (0.1, 1e+16, -0, inf); at most
// maxShortestLength characters at out; returns their end.
inline constexpr std::size_t maxShortestLength = quill::json::maxShortestLength;
inline char* writeShortest(char* out, double v) noexcept { return quill::json::storeShortest(out, v); }
inline char* writeShortest(char* out, float v) noexcept { return quill::json::storeShortest(out, v); }

// Three significant digits, as "%.3g" writes them (5.55e-17, 4e-08): enough
// to judge an error. At most maxThreeDigitsLength characters at out.
inline constexpr std::size_t maxThreeDigitsLength = quill::json::significantBound(3);
inline char* writeThreeDigits(char* out, double v) { return quill::json::storeSignificant(out, v, 3); }

}  // namespace quire::decimal
