#include "apps/decimal/input.hpp"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <system_error>

namespace quire::decimal {

std::size_t InputSource::readDescriptor(char* into, std::size_t bytes) {
  for (;;) {
    const ssize_t got = ::read(fd_, into, bytes);
    if (got >= 0) return static_cast<std::size_t>(got);
    if (errno != EINTR) throw std::system_error(errno, std::generic_category(), "read");
  }
}

std::string_view InputSource::peek(std::size_t bytes) {
  while (kept_.size() < bytes) {
    const std::size_t have = kept_.size();
    kept_.resize(bytes);
    const std::size_t got = readDescriptor(kept_.data() + have, bytes - have);
    kept_.resize(have + got);
    if (got == 0) break;
  }
  return kept_;
}

std::size_t InputSource::read(char* into, std::size_t bytes) {
  if (keptUsed_ < kept_.size()) {
    const std::size_t n = std::min(bytes, kept_.size() - keptUsed_);
    std::memcpy(into, kept_.data() + keptUsed_, n);
    keptUsed_ += n;
    if (keptUsed_ == kept_.size()) std::string().swap(kept_), keptUsed_ = 0;
    return n;
  }
  return readDescriptor(into, bytes);
}

std::optional<Format> formatFromName(std::string_view path) {
  const auto dot = path.rfind('.');
  if (dot == std::string_view::npos || path.find('/', dot) != std::string_view::npos) return std::nullopt;
  std::string ext(path.substr(dot + 1));
  std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  if (ext == "json") return Format::Json;
  if (ext == "jsonl" || ext == "ndjson") return Format::JsonLines;
  if (ext == "csv") return Format::Csv;
  if (ext == "tsv" || ext == "tab") return Format::Tsv;
  if (ext == "txt") return Format::Text;
  return std::nullopt;
}

Format guessFormat(std::string_view start) {
  const auto first = start.find_first_not_of(" \t\r\n");
  if (first == std::string_view::npos || (start[first] != '{' && start[first] != '[')) return Format::Text;
  // JSON Lines: the first value closes on its line and another line follows.
  const auto newline = start.find('\n', first);
  if (newline == std::string_view::npos) return Format::Json;
  const auto next = start.find_first_not_of(" \t\r\n", newline);
  if (next == std::string_view::npos || (start[next] != '{' && start[next] != '[')) return Format::Json;
  // Count the brackets of the first line outside strings.
  int depth = 0;
  bool inString = false;
  for (std::size_t i = first; i < newline; ++i) {
    const char c = start[i];
    if (inString) {
      if (c == '\\') ++i;
      else if (c == '"') inString = false;
    } else if (c == '"') {
      inString = true;
    } else if (c == '{' || c == '[') {
      ++depth;
    } else if (c == '}' || c == ']') {
      --depth;
    }
  }
  return depth == 0 ? Format::JsonLines : Format::Json;
}

}  // namespace quire::decimal
