// Machine-readable output: the whole report is one JSON document,
//
//   {"numbers":[
//   {"source":"<sample>","line":1,"column":1,"text":"0.1",...},
//   ...
//   ],
//   "summary":{"numbers":18,"exact":4,...,"bad":0}}
//
// with one number object per line, so that line-oriented tools can follow
// it while JSON parsers read it whole. Output goes through one reused buffer
// written with fwrite in large pieces; a number costs no allocation once the
// buffer has grown.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

#include "apps/decimal/tally.hpp"

namespace quire::decimal {

class JsonReporter final : public Reporter {
 public:
  explicit JsonReporter(std::FILE* out);
  ~JsonReporter() override;

  void number(const Location& where, const NumberFacts& facts) override;
  void finish(const Tally& tally) override;
  void flush() override;

 private:
  const std::string& escapedSource(std::string_view source);
  char* reserve(std::size_t bytes);

  std::FILE* out_;
  std::string buffer_;  // written through raw pointers up to used_
  std::size_t used_ = 0;
  bool first_ = true;
  std::string_view lastSource_;
  std::string sourceJson_;
};

}  // namespace quire::decimal
