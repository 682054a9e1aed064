// Running counts for the one-line summary that ends every report, and the
// interface the reports implement.
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
#include <vector>

namespace quire::decimal {

struct NumberFacts;
struct FieldStats;

// Where a value was found: file name (or <stdin>, <sample>), line, column,
// and for structured input its JSON Pointer or CSV column name.
struct Location {
  std::string_view source;
  std::int64_t line = 1;
  std::int64_t column = 1;
  std::string_view pointer;
};

struct Tally {
  std::int64_t numbers = 0;
  std::int64_t exact = 0;
  std::int64_t rounded = 0;
  std::int64_t overflowing = 0;
  std::int64_t underflowing = 0;
  std::int64_t nonInteger = 0;
  std::int64_t bad = 0;        // tokens that are not numbers (text input, JSON numbers)
  std::int64_t problems = 0;   // invalid JSON, ragged rows, open quotes

  void add(const NumberFacts& facts) noexcept;
  std::string line() const;
};

// One call per number (per-number reports only), then one at the end.
class Reporter {
 public:
  virtual ~Reporter() = default;
  virtual void number(const Location& where, const NumberFacts& facts) = 0;
  virtual void finish(const Tally& tally, const std::vector<FieldStats>* fields) = 0;
  // Writes out what is buffered, so that a message on standard error
  // appears after the numbers before it.
  virtual void flush() = 0;
};

}  // namespace quire::decimal
