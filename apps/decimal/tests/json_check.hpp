// A small strict JSON reader for the end-to-end tests: it accepts exactly
// the JSON grammar (RFC 8259) and throws std::runtime_error otherwise, so a
// document that parses here is valid JSON.
#pragma once

#include <cstdint>
#include <map>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace quire::decimal::testing {

struct Json {
  enum class Kind { Null, Bool, Number, String, Array, Object } kind = Kind::Null;
  bool boolean = false;
  std::string text;  // a string's value, or a number's literal text
  std::vector<Json> items;
  std::map<std::string, Json> fields;

  bool isNull() const { return kind == Kind::Null; }
  double number() const;
  std::int64_t integer() const;
  const Json& operator[](const std::string& key) const;
};

Json parseJson(std::string_view text);

}  // namespace quire::decimal::testing
