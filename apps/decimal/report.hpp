// The human-readable reports.
//
// Per number, one block laid out to the page width and coloured when asked:
//
//   0.1 sample:1:1
//     value    1e-1
//     forms    generic 0.1, fixed 0.1, exponent 1.0e-1
//     integer  no
//     double   0.1 (rounded, relative error 5.55e-17)
//     float    0.1 (rounded, relative error 1.49e-08)
//     binary   10 bytes
//
// A block is made of short words filled onto lines (continuations align
// under the value column) and is written straight into the output buffer,
// so a million numbers cost no document per number and memory does not grow
// with the input. Strings too long for the page (a coefficient of a million
// digits) are shown by their ends and their length. The doubles and floats
// are written in the same notation as the forms (9.007199e15, 1.0e39).
//
// Per field, a table laid out by the pretty printer: one row of counts per
// field and, under it, the recommended type and its reason.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/descriptor_output.hpp"
#include "apps/decimal/tally.hpp"
#include "galley/doc.hpp"

namespace quire::decimal {

// The block of one number, written at out (without the blank line that
// separates blocks), which has room for numberBlockBound(width) bytes;
// returns its end. Fits pages of 40 columns and more.
std::size_t numberBlockBound(std::int64_t width) noexcept;
char* writeNumberBlock(char* out, const Location& where, const NumberFacts& facts, std::int64_t width, bool color);

galley::Doc fieldTable(const std::vector<FieldStats>& fields, std::int64_t width, bool color);

class PrettyReporter final : public Reporter {
 public:
  PrettyReporter(DescriptorOutput& out, std::int64_t width, bool color) : out_(out), width_(width), color_(color) {}

  void number(const Location& where, const NumberFacts& facts) override;
  void finish(const Tally& tally, const std::vector<FieldStats>* fields) override;
  void flush() override { out_.flush(); }

 private:
  DescriptorOutput& out_;
  std::int64_t width_;
  bool color_;
  bool first_ = true;
};

}  // namespace quire::decimal
