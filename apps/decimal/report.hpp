// The human-readable report: one block per number, laid out by the pretty
// printer to the page width and coloured when asked.
//
//   0.1 sample:1:1
//     value    1e-1
//     forms    generic 0.1, fixed 0.1, exponent 1.0e-1
//     integer  no
//     double   0.1 (rounded, relative error 5.55e-17)
//     float    0.1 (rounded, relative error 1.49e-08)
//     binary   10 bytes
//
// Each block is its own document, rendered and written before the next
// number is read, so memory does not grow with the input. Strings too long
// for the page (a coefficient of a million digits) are shown by their ends
// and their length. Without colour the documents are built unstyled, which
// prints the same as plain() of the styled ones without rewriting them.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <string_view>

#include "apps/decimal/tally.hpp"
#include "galley/doc.hpp"

namespace quire::decimal {

// Keeps s when it has at most limit characters; otherwise its first and
// last characters around "...", limit characters in all (at least 5).
std::string elide(std::string_view s, std::int64_t limit);

// The block of one number (without the blank line that separates blocks),
// styled only when color is set. Fits pages of 40 columns and more.
galley::Doc numberBlock(const Location& where, const NumberFacts& facts, std::int64_t width, bool color);
galley::Doc summaryLine(const Tally& tally, bool color);

class PrettyReporter final : public Reporter {
 public:
  PrettyReporter(std::ostream& out, std::int64_t width, bool color);

  void number(const Location& where, const NumberFacts& facts) override;
  void finish(const Tally& tally) override;
  void flush() override;

 private:
  void display(const galley::Doc& doc);

  std::ostream& out_;
  std::int64_t width_;
  bool color_;
  bool first_ = true;
};

}  // namespace quire::decimal
