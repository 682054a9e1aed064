// Machine-readable output: the whole report is one JSON document. Per number,
//
//   {"numbers":[
//   {"source":"<sample>","line":1,"column":1,"text":"0.1",...},
//   ...
//   ],
//   "summary":{"numbers":18,"exact":4,...,"bad":0}}
//
// with one number object per line, so that line-oriented tools can follow
// it while JSON parsers read it whole; per field, {"fields":[...],
// "summary":{...}} with one object per field holding the facts of its
// verdict. Output goes through the checked output buffer; a number costs no
// allocation once the buffer has grown.
#pragma once

#include <string>
#include <string_view>

#include "base/descriptor_output.hpp"
#include "apps/decimal/tally.hpp"

namespace quire::decimal {

class JsonReporter final : public Reporter {
 public:
  JsonReporter(DescriptorOutput& out, bool byField);

  void number(const Location& where, const NumberFacts& facts) override;
  void finish(const Tally& tally, const std::vector<FieldStats>* fields) override;
  void flush() override { out_.flush(); }

 private:
  const std::string& escapedSource(std::string_view source);

  DescriptorOutput& out_;
  bool byField_;
  bool first_ = true;
  std::string_view lastSource_;
  std::string sourceJson_;
};

}  // namespace quire::decimal
