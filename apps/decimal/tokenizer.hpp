// Streaming tokenizer for the decimal inspector.
//
// Reads a descriptor (or a piece of memory) through one fixed buffer and
// yields the tokens between separators: white space, commas and semicolons.
// Each token carries the line and column of its first character, both
// counting from 1; columns count characters (UTF-8 sequences), not bytes.
// Memory stays constant whatever the input size: a token that lies inside the
// buffer is handed out as a view into it, and only a token that straddles a
// buffer refill is copied, up to maxTokenBytes.
//
// Example:
//   TokenReader reader(std::string_view("1.5, 2e3;\n  x"));
//   reader.next()   // Token{"1.5", line 1, column 1}
//   reader.next()   // Token{"2e3", line 1, column 6}
//   reader.next()   // Token{"x", line 2, column 3}
//   reader.next()   // std::nullopt
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "apps/decimal/input.hpp"
#include "base/growing_bytes.hpp"

namespace quire::decimal {

struct Token {
  // Valid until the next call of TokenReader::next().
  std::string_view text;
  std::int64_t line = 1;
  std::int64_t column = 1;
  // True when the token was longer than maxTokenBytes; text then holds only
  // its first maxTokenBytes bytes and the rest was skipped.
  bool tooLong = false;
};

// White space, ',' and ';'.
bool isSeparator(char c) noexcept;

class TokenReader {
 public:
  // Longest token kept in full: room for a coefficient of ten million digits.
  static constexpr std::size_t maxTokenBytes = std::size_t{16} << 20;
  static constexpr std::size_t bufferBytes = std::size_t{1} << 16;

  // Reads descriptor fd until end of file; does not close it.
  explicit TokenReader(int fd, std::size_t maxToken = maxTokenBytes, std::size_t buffer = bufferBytes);
  // Reads the source until its end.
  explicit TokenReader(InputSource& source, std::size_t maxToken = maxTokenBytes, std::size_t buffer = bufferBytes);
  // Reads the given text, which must outlive the reader.
  explicit TokenReader(std::string_view text, std::size_t maxToken = maxTokenBytes);

  TokenReader(const TokenReader&) = delete;
  TokenReader& operator=(const TokenReader&) = delete;

  // The next token, or nullopt at the end of the input. Throws
  // std::system_error when reading the descriptor fails.
  std::optional<Token> next();

 private:
  bool refill();
  bool skipSeparators();
  void advanceColumns(const char* from, const char* to) noexcept;
  void keep(const char* from, const char* to);

  std::unique_ptr<InputSource> owned_;
  InputSource* source_ = nullptr;
  std::size_t maxToken_;
  std::vector<char> buffer_;
  const char* cur_ = nullptr;
  const char* end_ = nullptr;
  GrowingBytes pending_{maxToken_};  // a token that straddles refills
  bool pendingTooLong_ = false;
  std::int64_t line_ = 1;
  std::int64_t column_ = 1;
};

}  // namespace quire::decimal
