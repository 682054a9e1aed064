// Running counts for the one-line summary that ends every report.
//
// The conversion counts (exact, rounded, overflowing, underflowing) describe
// the conversion to double, the type most loaders pick.
//
// Example:
//   Tally t;  t.add(facts_of_0_1);  t.bad = 1;
//   t.line()  // "1 number: 0 exact, 1 rounded, 0 overflowing, 0 underflowing
//             //  as double; 1 non-integer; 1 bad token"
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace quire::decimal {

struct NumberFacts;

// Where a token was found: file name (or <stdin>, <sample>), line, column.
struct Location {
  std::string_view source;
  std::int64_t line = 1;
  std::int64_t column = 1;
};

struct Tally {
  std::int64_t numbers = 0;
  std::int64_t exact = 0;
  std::int64_t rounded = 0;
  std::int64_t overflowing = 0;
  std::int64_t underflowing = 0;
  std::int64_t nonInteger = 0;
  std::int64_t bad = 0;

  void add(const NumberFacts& facts) noexcept;
  std::string line() const;
};

// The interface both output formats implement: one call per number, then
// one call at the end.
class Reporter {
 public:
  virtual ~Reporter() = default;
  virtual void number(const Location& where, const NumberFacts& facts) = 0;
  virtual void finish(const Tally& tally) = 0;
  // Writes out what is buffered, so that a message on standard error
  // appears after the numbers before it.
  virtual void flush() = 0;
};

}  // namespace quire::decimal
