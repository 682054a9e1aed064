// A streaming reader of comma- or tab-separated values.
//
// Rows follow RFC 4180: a field may be quoted, and then holds separators,
// line breaks and doubled quotes ("" for one "); rows end at LF, CRLF or a
// lone CR, and each of these counts as one line, inside quotes too; an
// empty line is no row. As most readers do, a quote inside an
// unquoted field and text after a closing quote are kept literally. Memory
// is one read buffer and the current row, which grows without copying.
//
// Example:
//   InputSource in(fd);          // holding: name,price\r\n"Widget, large",19.99\r\n
//   CsvReader reader(in, ',');
//   std::vector<CsvCell> row;
//   reader.next(row);   // row[0].text == "name", row[1].text == "price", line 1
//   reader.next(row);   // row[0].text == "Widget, large" (quoted), row[1].column == 17
//   reader.next(row)    // false
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "apps/decimal/input.hpp"
#include "base/growing_bytes.hpp"

namespace quire::decimal {

struct CsvCell {
  std::string_view text;  // unquoted; valid until the next call of next()
  bool quoted = false;
  std::int64_t line = 1;  // where the cell starts
  std::int64_t column = 1;
};

class CsvReader {
 public:
  static constexpr std::size_t bufferBytes = std::size_t{1} << 16;
  // The longest row; a longer one stops the reading with std::system_error.
  static constexpr std::size_t rowBytes = std::size_t{1} << 30;

  CsvReader(InputSource& source, char separator, std::size_t buffer = bufferBytes);

  // The next row; false at the end of the input. Throws std::system_error
  // when reading fails.
  bool next(std::vector<CsvCell>& row);
  // The line where the current row starts.
  std::int64_t rowLine() const noexcept { return rowLine_; }
  // After the end: the line of a quoted field the input left open, or 0.
  std::int64_t unterminatedQuoteLine() const noexcept { return openQuoteLine_; }

 private:
  bool fill();
  void startCell();
  void endCell();
  void advance(char c) noexcept;

  InputSource& source_;
  char separator_;
  std::vector<char> buffer_;
  const char* cur_ = nullptr;
  const char* end_ = nullptr;
  bool atEnd_ = false;

  // The cells of the current row, unquoted, one after another.
  GrowingBytes text_{rowBytes};
  struct Span {
    std::size_t offset, size;
    bool quoted;
    std::int64_t line, column;
  };
  std::vector<Span> spans_;
  std::int64_t line_ = 1;
  std::int64_t column_ = 1;
  std::int64_t rowLine_ = 1;
  std::int64_t openQuoteLine_ = 0;
  bool skipLineFeed_ = false;
  bool afterCarriageReturn_ = false;  // inside quotes: the last byte was CR
};

}  // namespace quire::decimal
