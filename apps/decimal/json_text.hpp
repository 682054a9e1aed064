// JSON text pieces: strings, numbers and integers appended to a buffer.
//
// Strings are escaped for JSON; bytes that are not valid UTF-8 (possible in
// file names) become U+FFFD so that the document stays valid. Infinite
// doubles, which JSON cannot spell, are written as null.
//
// Example:
//   std::string out;
//   appendJsonString(out, "a\"b\n");   // out == "\"a\\\"b\\n\""
//   appendJsonNumber(out, 0.1);        // appends 0.1
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace quire::decimal {

void appendJsonString(std::string& out, std::string_view s);
// Shortest text that reads back as v; null when v is not finite.
void appendJsonNumber(std::string& out, double v);
void appendJsonNumber(std::string& out, float v);
void appendJsonInteger(std::string& out, std::int64_t v);

// The shortest text that reads back as v (as std::to_chars writes it:
// 0.1, 1e+39, -0, inf), at the cost of a few tens of nanoseconds; writes
// at most maxShortestLength characters at out and returns their end.
inline constexpr std::size_t maxShortestLength = 32;
char* writeShortest(char* out, double v) noexcept;
char* writeShortest(char* out, float v) noexcept;

// Three significant digits, as "%.3g" writes them (5.55e-17, 4e-08): enough
// to judge an error.
std::string threeDigits(double v);
// The same at out, at most maxThreeDigitsLength characters; returns their end.
inline constexpr std::size_t maxThreeDigitsLength = 32;
char* writeThreeDigits(char* out, double v) noexcept;

}  // namespace quire::decimal
