#include "vellum/csv.hpp"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <system_error>
#include <utility>

#include "base/utf8.hpp"

namespace quire::vellum {

namespace {

char checkedSeparator(char separator) {
  if (separator == '"' || separator == '\n' || separator == '\r') {
    throw std::invalid_argument("a CSV separator cannot be a quote or a line end");
  }
  return separator;
}

}  // namespace

CsvReader::CsvReader(Source source, char separator, std::size_t buffer, std::size_t maxRow)
    : source_(std::move(source)),
      separator_(checkedSeparator(separator)),
      buffer_(buffer == 0 ? 1 : buffer),
      text_(maxRow),
      maxRow_(maxRow) {
  cur_ = end_ = buffer_.data();
}

CsvReader::Source CsvReader::textSource(std::string_view text) {
  return [text](char* into, std::size_t bytes) mutable {
    const std::size_t n = std::min(bytes, text.size());
    if (n != 0) std::memcpy(into, text.data(), n);
    text.remove_prefix(n);
    return n;
  };
}

bool CsvReader::fill() {
  if (cur_ != end_) return true;
  if (atEnd_) return false;
  const std::size_t got = source_(buffer_.data(), buffer_.size());
  if (got == 0) {
    atEnd_ = true;
    return false;
  }
  cur_ = buffer_.data();
  end_ = cur_ + got;
  return true;
}

// Inside quotes as outside, LF, CRLF and a lone CR each end one line.
void CsvReader::advance(char c) noexcept {
  if (c == '\r' || (c == '\n' && !afterCarriageReturn_)) {
    ++line_;
    column_ = 1;
  } else if (c != '\n') {
    column_ += quire::startsUtf8Character(c);
  }
  afterCarriageReturn_ = c == '\r';
}

void CsvReader::appendText(const char* from, std::size_t bytes) {
  if (text_.size() + bytes > maxRow_) throw std::system_error(EFBIG, std::generic_category(), "a CSV row");
  text_.append(from, bytes);
}

void CsvReader::startCell() { spans_.push_back({text_.size(), 0, false, line_, column_}); }

void CsvReader::endCell() { spans_.back().size = text_.size() - spans_.back().offset; }

bool CsvReader::next(std::vector<CsvCell>& row) {
  row.clear();
  text_.clear();
  spans_.clear();
  enum class State { RowStart, CellStart, Unquoted, Quoted, QuoteInQuoted };
  State state = State::RowStart;
  bool ended = false;
  for (;;) {
    if (!fill()) break;
    if (skipLineFeed_) {
      skipLineFeed_ = false;
      if (*cur_ == '\n') {  // the CR already ended the line
        ++cur_;
        continue;
      }
    }
    const char c = *cur_;
    switch (state) {
      case State::RowStart:
        if (c == '\n' || c == '\r') {  // an empty line is no row
          ++cur_;
          if (c == '\r') skipLineFeed_ = true;
          ++line_;
          column_ = 1;
          continue;
        }
        rowLine_ = line_;
        [[fallthrough]];
      case State::CellStart:
        startCell();
        if (c == '"') {
          spans_.back().quoted = true;
          ++cur_;
          ++column_;
          afterCarriageReturn_ = false;
          state = State::Quoted;
          continue;
        }
        state = State::Unquoted;
        continue;
      case State::Unquoted: {
        const char* start = cur_;
        while (cur_ != end_ && *cur_ != separator_ && *cur_ != '\n' && *cur_ != '\r') ++cur_;
        appendText(start, static_cast<std::size_t>(cur_ - start));
        for (const char* p = start; p != cur_; ++p) column_ += quire::startsUtf8Character(*p);
        if (cur_ == end_) continue;
        break;  // at a separator or a line end
      }
      case State::Quoted: {
        const char* start = cur_;
        while (cur_ != end_ && *cur_ != '"') advance(*cur_++);
        appendText(start, static_cast<std::size_t>(cur_ - start));
        if (cur_ == end_) continue;
        ++cur_;
        ++column_;
        state = State::QuoteInQuoted;
        continue;
      }
      case State::QuoteInQuoted:
        if (c == '"') {  // a doubled quote is one quote
          appendText("\"", 1);
          ++cur_;
          ++column_;
          afterCarriageReturn_ = false;
          state = State::Quoted;
          continue;
        }
        state = State::Unquoted;  // text after the closing quote is kept
        continue;
    }
    // At a separator or a line end outside quotes.
    const char end = *cur_++;
    endCell();
    if (end == separator_) {
      ++column_;
      state = State::CellStart;
      continue;
    }
    if (end == '\r') skipLineFeed_ = true;
    ++line_;
    column_ = 1;
    ended = true;
    break;
  }
  if (spans_.empty()) return false;
  if (!ended) {  // the input ends inside the row
    if (state == State::Quoted) openQuoteLine_ = spans_.back().line;
    if (state == State::CellStart) startCell();  // "a," ends with an empty cell
    endCell();
  }
  for (const Span& s : spans_) {
    row.push_back({text_.view().substr(s.offset, s.size), s.quoted, s.line, s.column});
  }
  return true;
}

}  // namespace quire::vellum
