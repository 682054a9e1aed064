#include "apps/decimal/json_reader.hpp"

#include "apps/decimal/json_kernel.hpp"

#include <simdjson.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace quire::decimal {

void Paths::appendKey(std::string_view key) {
  if (key.find_first_of("~/") == std::string_view::npos) {  // the usual key needs no escape
    if (withPointer) {
      pointer += '/';
      pointer += key;
    }
    field += '/';
    field += key;
    return;
  }
  for (std::string* s : {&pointer, &field}) {
    if (s == &pointer && !withPointer) continue;
    *s += '/';
    for (char c : key) {
      if (c == '~') {
        *s += "~0";
      } else if (c == '/') {
        *s += "~1";
      } else {
        *s += c;
      }
    }
  }
}

void Paths::appendIndex(std::size_t index) {
  if (withPointer) {
    pointer += '/';
    pointer += std::to_string(index);
  }
  field += "/*";
}

void Paths::cut(std::size_t pointerSize, std::size_t fieldSize) {
  pointer.resize(pointerSize);
  field.resize(fieldSize);
}

namespace {

// The best kernel the processor runs. Every processor with AVX2 also has
// LZCNT, which not every compiler can ask about by name.
std::unique_ptr<JsonKernel> bestKernel() {
  __builtin_cpu_init();
  const bool avx2 = __builtin_cpu_supports("avx2") && __builtin_cpu_supports("bmi") &&
                    __builtin_cpu_supports("pclmul");
  return avx2 ? makeAvx2JsonKernel() : makePortableJsonKernel();
}

}  // namespace

void readJsonDocument(InputSource& source, JsonSink& sink) {
  std::string text;
  std::vector<char> chunk(std::size_t{1} << 16);
  while (std::size_t got = source.read(chunk.data(), chunk.size())) text.append(chunk.data(), got);
  const std::size_t size = text.size();
  text.resize(size + simdjson::SIMDJSON_PADDING, ' ');
  bestKernel()->walk(text.data(), size, text.size(), 1, false, sink);
}

void readJsonLines(InputSource& source, JsonSink& sink) {
  // [buffer, filled) holds unread input; a line that does not fit grows it.
  std::vector<char> buffer((std::size_t{1} << 20) + simdjson::SIMDJSON_PADDING);
  std::size_t start = 0;
  std::size_t filled = 0;
  bool atEnd = false;
  std::int64_t line = 1;
  const std::unique_ptr<JsonKernel> kernel = bestKernel();
  for (;;) {
    const char* base = buffer.data();
    const void* found = std::memchr(base + start, '\n', filled - start);
    std::size_t lineEnd;
    if (found != nullptr) {
      lineEnd = static_cast<std::size_t>(static_cast<const char*>(found) - base);
    } else if (atEnd) {
      if (start == filled) return;
      lineEnd = filled;
    } else {
      // Move the partial line to the front, grow if it fills the buffer, read more.
      std::memmove(buffer.data(), base + start, filled - start);
      filled -= start;
      start = 0;
      const std::size_t room = buffer.size() - simdjson::SIMDJSON_PADDING;
      if (filled == room) buffer.resize(buffer.size() * 2);
      const std::size_t got = source.read(buffer.data() + filled, buffer.size() - simdjson::SIMDJSON_PADDING - filled);
      if (got == 0) atEnd = true;
      filled += got;
      continue;
    }
    std::size_t size = lineEnd - start;
    const char* text = base + start;
    if (size > 0 && text[size - 1] == '\r') --size;
    if (std::string_view(text, size).find_first_not_of(" \t") != std::string_view::npos) {
      kernel->walk(text, size, buffer.size() - start, line, true, sink);
    }
    ++line;
    start = lineEnd + (lineEnd < filled ? 1 : 0);
  }
}

}  // namespace quire::decimal
