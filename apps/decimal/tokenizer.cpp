#include "apps/decimal/tokenizer.hpp"

#include "base/utf8.hpp"

#include <unistd.h>

#include <array>
#include <cerrno>
#include <system_error>

namespace quire::decimal {

namespace {

constexpr std::array<bool, 256> separatorTable() {
  std::array<bool, 256> table{};
  for (unsigned char c : std::string_view(" \t\n\r\v\f,;")) table[c] = true;
  return table;
}
constexpr std::array<bool, 256> kSeparators = separatorTable();

}  // namespace

bool isSeparator(char c) noexcept { return kSeparators[static_cast<unsigned char>(c)]; }

TokenReader::TokenReader(int fd, std::size_t maxToken, std::size_t buffer)
    : owned_(std::make_unique<InputSource>(fd)), source_(owned_.get()), maxToken_(maxToken),
      buffer_(buffer == 0 ? 1 : buffer) {
  cur_ = end_ = buffer_.data();
}

TokenReader::TokenReader(InputSource& source, std::size_t maxToken, std::size_t buffer)
    : source_(&source), maxToken_(maxToken), buffer_(buffer == 0 ? 1 : buffer) {
  cur_ = end_ = buffer_.data();
}

TokenReader::TokenReader(std::string_view text, std::size_t maxToken)
    : maxToken_(maxToken), cur_(text.data()), end_(text.data() + text.size()) {}

bool TokenReader::refill() {
  if (source_ == nullptr) return false;
  const std::size_t got = source_->read(buffer_.data(), buffer_.size());
  if (got == 0) {
    source_ = nullptr;
    return false;
  }
  cur_ = buffer_.data();
  end_ = cur_ + got;
  return true;
}

void TokenReader::advanceColumns(const char* from, const char* to) noexcept {
  for (; from != to; ++from) column_ += quire::startsUtf8Character(*from);
}

// Keeps a piece of a token that straddles a refill, up to maxToken_ bytes.
void TokenReader::keep(const char* from, const char* to) {
  std::size_t room = maxToken_ - pending_.size();
  std::size_t length = static_cast<std::size_t>(to - from);
  if (length > room) {
    length = room;
    pendingTooLong_ = true;
  }
  pending_.append(from, length);
}

// Moves past separators; false at the end of the input.
bool TokenReader::skipSeparators() {
  for (;;) {
    while (cur_ != end_ && isSeparator(*cur_)) {
      if (*cur_ == '\n') {
        ++line_;
        column_ = 1;
      } else {
        ++column_;
      }
      ++cur_;
    }
    if (cur_ != end_) return true;
    if (!refill()) return false;
  }
}

std::optional<Token> TokenReader::next() {
  if (!skipSeparators()) return std::nullopt;
  Token token;
  token.line = line_;
  token.column = column_;
  pending_.clear();
  pendingTooLong_ = false;
  bool straddles = false;
  for (;;) {
    const char* start = cur_;
    while (cur_ != end_ && !isSeparator(*cur_)) ++cur_;
    advanceColumns(start, cur_);
    if (cur_ != end_ && !straddles) {
      std::size_t length = static_cast<std::size_t>(cur_ - start);
      token.tooLong = length > maxToken_;
      token.text = std::string_view(start, token.tooLong ? maxToken_ : length);
      return token;
    }
    keep(start, cur_);
    straddles = true;
    if (cur_ != end_ || !refill()) break;
  }
  token.text = pending_.view();
  token.tooLong = pendingTooLong_;
  return token;
}

}  // namespace quire::decimal
