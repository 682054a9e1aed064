// A streaming reader of comma-, tab- or otherwise separated values.
//
// Rows follow RFC 4180: a field may be quoted, and then holds separators,
// line breaks and doubled quotes ("" for one "); rows end at LF, CRLF or a
// lone CR, and each of these counts as one line, inside quotes too; an
// empty line is no row. As most readers do, a quote inside an unquoted
// field and text after a closing quote are kept literally, and the input
// may end inside a quoted field (the reader says where that field began).
//
// The input arrives through a source function, a buffer at a time, so a
// file of any size costs one read buffer plus the current row; a row grows
// in place, without copying, up to a limit that stops the reading with an
// error instead of exhausting memory. Cells carry the line and column
// (counted in UTF-8 characters) where they start.
//
// Example:
//   using quire::vellum::CsvReader;
//   CsvReader reader(CsvReader::textSource("name,price\r\n\"Widget, large\",19.99\r\n"));
//   std::vector<quire::vellum::CsvCell> row;
//   reader.next(row);   // row[0].text == "name", row[1].text == "price", line 1
//   reader.next(row);   // row[0].text == "Widget, large" (quoted), row[1].column == 17
//   reader.next(row);   // false: the input is over
//
//   // From a descriptor: CsvReader reader([fd](char* into, std::size_t n) { ... read(fd, into, n) ... }, '\t');
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string_view>
#include <vector>

#include "base/growing_bytes.hpp"
#include "vellum/export.hpp"

namespace quire::vellum {

struct CsvCell {
  std::string_view text;  // unquoted; valid until the next call of next()
  bool quoted = false;
  std::int64_t line = 1;  // where the cell starts
  std::int64_t column = 1;
};

class QUIRE_VELLUM_EXPORT CsvReader {
 public:
  // Fills up to `bytes` bytes at `into` and returns how many, 0 at the end
  // of the input; reports a failure by throwing.
  using Source = std::function<std::size_t(char* into, std::size_t bytes)>;

  static constexpr std::size_t bufferBytes = std::size_t{1} << 16;
  static constexpr std::size_t rowBytes = std::size_t{1} << 30;

  // Throws std::invalid_argument for a separator that cannot separate: a
  // quote or a line-end byte. A row longer than maxRow bytes stops the
  // reading with std::system_error.
  explicit CsvReader(Source source, char separator = ',', std::size_t buffer = bufferBytes,
                     std::size_t maxRow = rowBytes);

  // A source handing out text, which must outlive the reader.
  static Source textSource(std::string_view text);

  // The next row; false at the end of the input. Throws what the source
  // throws, and std::system_error for a row past the limit.
  bool next(std::vector<CsvCell>& row);
  // The line where the current row starts.
  std::int64_t rowLine() const noexcept { return rowLine_; }
  // After the end: the line of a quoted field the input left open, or 0.
  std::int64_t unterminatedQuoteLine() const noexcept { return openQuoteLine_; }

 private:
  bool fill();
  void appendText(const char* from, std::size_t bytes);
  void startCell();
  void endCell();
  void advance(char c) noexcept;

  Source source_;
  char separator_;
  std::vector<char> buffer_;
  const char* cur_ = nullptr;
  const char* end_ = nullptr;
  bool atEnd_ = false;

  // The cells of the current row, unquoted, one after another.
  GrowingBytes text_;
  std::size_t maxRow_;
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

}  // namespace quire::vellum
