// Where the input comes from and what format it is in.
//
// InputSource reads a descriptor and can look at its first bytes (to guess
// the format) without losing them. resolveFormat decides --format=auto: by
// the file's extension first (.json, .jsonl/.ndjson, .csv, .tsv/.tab), then
// by content: a first character '{' or '[' means JSON, and JSON Lines when
// the first line is a complete value and more follow; everything else is
// the text token stream.
//
// Example:
//   formatFromName("export.ndjson")         // Format::JsonLines
//   guessFormat("{\"a\":1}\n{\"a\":2}\n")   // Format::JsonLines
//   guessFormat("1.5 2.5")                  // Format::Text
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace quire::decimal {

enum class Format { Auto, Text, Json, JsonLines, Csv, Tsv };

class InputSource {
 public:
  explicit InputSource(int fd) : fd_(fd) {}
  InputSource(const InputSource&) = delete;
  InputSource& operator=(const InputSource&) = delete;

  // Up to `bytes` bytes from the start, kept for read().
  std::string_view peek(std::size_t bytes);
  // Like read(2): 0 at the end. Throws std::system_error.
  std::size_t read(char* into, std::size_t bytes);
  int descriptor() const noexcept { return fd_; }
  // Bytes taken from the descriptor by peek() that read() has not handed out.
  std::size_t pending() const noexcept { return kept_.size() - keptUsed_; }

 private:
  std::size_t readDescriptor(char* into, std::size_t bytes);

  int fd_;
  std::string kept_;
  std::size_t keptUsed_ = 0;
};

std::optional<Format> formatFromName(std::string_view path);
Format guessFormat(std::string_view start);

}  // namespace quire::decimal
