// JSON and JSON Lines input: every number handed over as its exact source
// text, with its JSON Pointer (RFC 6901) and its line and column.
//
// The documents are parsed by simdjson's on-demand parser, which gives the
// raw token of a number without converting it, so that no number passes
// through a double before the decimal library reads it. The walk keeps its
// own stack of open arrays and objects (the parser bounds the depth), and
// every value also names its field: the pointer with array indices folded
// to "*" ("/items/*/price"). JSON Lines are read line by line through one
// buffer, so memory follows the longest line, not the file; an invalid line
// is reported and the next line is read. A JSON document in a regular file
// is memory-mapped when the file's last page has room for the parser's
// padding, and otherwise (or from a pipe) read whole.
//
// Example:
//   struct Print : JsonSink { ... };
//   readJsonLines(source, "<stdin>", sink);
//   // for {"a": [1, {"b": 2.5}]}: number("1", line 1, column 8, "/a/0", "/a/*"),
//   //                             number("2.5", 1, 17, "/a/1/b", "/a/*/b")
#pragma once

#include <cstdint>
#include <string_view>

#include "apps/decimal/input.hpp"

namespace quire::decimal {

class JsonSink {
 public:
  virtual ~JsonSink() = default;
  virtual void jsonNumber(std::string_view text, std::int64_t line, std::int64_t column, std::string_view pointer,
                          std::string_view field) = 0;
  // A string, true or false (text), or null (no value).
  virtual void jsonOther(std::string_view field, bool isNull) = 0;
  // Invalid JSON: where the parser stopped and why.
  virtual void jsonError(std::int64_t line, std::int64_t column, std::string_view message) = 0;
  // False when only fields are wanted: the pointers are then not built.
  virtual bool wantsPointers() const { return true; }
};

// Throws std::system_error when reading fails.
void readJsonDocument(InputSource& source, JsonSink& sink);
void readJsonLines(InputSource& source, JsonSink& sink);

}  // namespace quire::decimal
