// The inspector's main loop: every source in its format, value by value,
// through the analysis into a per-number report or into the fields, with
// bad tokens and input problems reported on standard error.
//
// Text input reports each token that is not a number as a bad token. In
// JSON a number token that breaks the decimal grammar is a bad token too,
// while strings and booleans count as text for their field and null as
// empty. A CSV cell that is not a number counts as text (or as outside the
// grammar, for .5, 5., NaN and Infinity) for its column. Invalid JSON, rows
// whose cell count differs from the header and quotes left open are input
// problems: reported with their line, and the rest of the input is read.
//
// Example:
//   JsonReporter json(out, false);
//   Inspector inspector(json, {.byField = false}, stderr);
//   inspector.inspectText("sample", "0.1 x");   // reports 0.1; "sample:1:5: bad token 'x'..."
//   inspector.finish()                          // == exitBadToken (1)
#pragma once

#include <array>
#include <cstdio>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "apps/decimal/analysis.hpp"
#include "apps/decimal/fields.hpp"
#include "apps/decimal/input.hpp"
#include "apps/decimal/tally.hpp"

namespace quire::decimal {

inline constexpr int exitOk = 0;
inline constexpr int exitBadToken = 1;
inline constexpr int exitUsage = 2;

struct InspectOptions {
  bool byField = false;
  bool lenient = false;
  bool header = true;  // CSV and TSV: the first row names the columns
  // With interleave set, the report is flushed before each message on
  // standard error, so that both read in order on one terminal.
  bool interleave = false;
};

class Inspector {
 public:
  Inspector(Reporter& reporter, const InspectOptions& options, std::FILE* errors);
  ~Inspector();

  void inspectText(std::string_view source, std::string_view text);
  // Opens and reads a file ("-" is standard input) in the given format
  // (Auto decides from its name, then its content); a file that cannot be
  // read is reported and makes the exit status 2.
  void inspectFile(const std::string& path, Format format);
  void inspectDescriptor(std::string_view source, int fd, Format format);

  // Writes the report's end; the exit status.
  int finish();

 private:
  class JsonHandler;
  void inspect(std::string_view source, InputSource& input, Format format);
  void inspectTokens(std::string_view source, InputSource& input);
  void inspectCsv(std::string_view source, InputSource& input, char separator);

  // A number token (text or JSON): a number, or a bad token.
  void token(const Location& where, std::string_view text, std::size_t field);
  // A CSV cell: a number, text, empty or outside the grammar.
  void cell(const Location& where, std::string_view text, std::size_t field);
  void count(const NumberFacts& facts, const Location& where, std::size_t field);
  template <class F>
  void guarded(const Location& where, std::string_view text, F&& f);
  std::size_t fieldNamed(std::string_view name);

  void bad(const Location& where, std::string_view token, const scientific::TextError& error);
  void problem(std::string_view source, std::int64_t line, std::int64_t column, std::string_view message);
  void trouble(const std::string& message);

  Reporter& reporter_;
  InspectOptions options_;
  std::FILE* errors_;
  Analyzer analyzer_;
  Tally tally_;
  std::vector<FieldStats> fields_;
  struct NameHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view s) const noexcept { return std::hash<std::string_view>()(s); }
  };
  std::unordered_map<std::string, std::size_t, NameHash, std::equal_to<>> fieldIndex_;
  // Recent lookups, found by a cheap mix of the name: the fields of JSON
  // Lines and CSV repeat line after line.
  struct Recent {
    std::string name;
    std::size_t index = static_cast<std::size_t>(-1);
  };
  std::array<Recent, 64> recent_;
  bool unreadable_ = false;
};

}  // namespace quire::decimal
