// The inspector's main loop: every source, token by token, through the
// analysis into a reporter, with bad tokens reported on standard error.
//
// Example:
//   JsonReporter json(stdout);
//   Inspector inspector(json, stderr);
//   inspector.inspectText("sample", "0.1 x");   // reports 0.1; "sample:1:5: bad token 'x'..."
//   inspector.finish()                          // == exitBadToken (1)
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

#include "apps/decimal/analysis.hpp"
#include "apps/decimal/tally.hpp"
#include "apps/decimal/tokenizer.hpp"

namespace quire::decimal {

inline constexpr int exitOk = 0;
inline constexpr int exitBadToken = 1;
inline constexpr int exitUsage = 2;

class Inspector {
 public:
  // With interleave set, the report is flushed before each message on
  // errors, so that both read in order on one terminal.
  Inspector(Reporter& reporter, std::FILE* errors, bool interleave = false)
      : reporter_(reporter), errors_(errors), interleave_(interleave) {}

  void inspectText(std::string_view source, std::string_view text);
  void inspectDescriptor(std::string_view source, int fd);
  // Opens and reads a file; a file that cannot be read is reported and
  // makes the exit status 2.
  void inspectFile(const std::string& path);

  // Writes the summary; the exit status.
  int finish();

 private:
  void inspect(std::string_view source, TokenReader& reader);
  void bad(const Location& where, std::string_view token, std::string_view reason);
  void trouble(const std::string& message);

  Reporter& reporter_;
  std::FILE* errors_;
  bool interleave_;
  Analyzer analyzer_;
  Tally tally_;
  bool unreadable_ = false;
};

}  // namespace quire::decimal
