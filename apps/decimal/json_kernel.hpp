// The document walk behind json_reader.hpp, one per simdjson kernel (see
// json_walk.inc), and the pointer bookkeeping the kernels share.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "apps/decimal/json_reader.hpp"

namespace quire::decimal {

// The pointer and the field of the value being visited, grown and cut back
// as the walk goes down and up. Out of line, so that no kernel's target
// options reach code the others use.
struct Paths {
  std::string pointer;  // kept only when withPointer
  std::string field;
  bool withPointer = true;

  void appendKey(std::string_view key);     // "/" and the key, with ~0 and ~1
  void appendIndex(std::size_t index);      // "/3" to the pointer, "/*" to the field
  void cut(std::size_t pointerSize, std::size_t fieldSize);
};

class JsonKernel {
 public:
  virtual ~JsonKernel() = default;
  // Walks the document [data, data + size), which starts on line
  // firstLine and holds no line break when singleLine; capacity bytes from
  // data are readable (at least size plus simdjson's padding).
  virtual void walk(const char* data, std::size_t size, std::size_t capacity, std::int64_t firstLine,
                    bool singleLine, JsonSink& sink) = 0;
};

std::unique_ptr<JsonKernel> makeAvx2JsonKernel();
std::unique_ptr<JsonKernel> makePortableJsonKernel();

}  // namespace quire::decimal
