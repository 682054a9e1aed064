// Fuzzes the inspector's readers of outside data: the token stream, JSON
// documents and JSON Lines. The first byte picks the reader and the buffer
// size (small buffers force tokens across refills);
// the rest is the input, handed over through a descriptor as the program
// does. Every reader must survive any input, report positions inside it,
// and on valid input give exactly what a plain reference reader written
// here gives: the same tokens and number texts at the same places.
#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "apps/decimal/input.hpp"
#include "apps/decimal/json_reader.hpp"
#include "apps/decimal/tokenizer.hpp"
#include "base/error.hpp"

namespace dec = quire::decimal;

namespace {

void require(bool ok) {
  if (!ok) __builtin_trap();
}

bool startsCharacter(char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }

// Where each byte of the input lies, line and column counting from 1, a
// line ending at '\n' and columns counting characters.
struct Place {
  std::int64_t line, column;
};
std::vector<Place> placesOf(std::string_view text) {
  std::vector<Place> places;
  places.reserve(text.size() + 1);
  Place at{1, 1};
  for (char c : text) {
    places.push_back(at);
    if (c == '\n') {
      at = {at.line + 1, 1};
    } else if (startsCharacter(c)) {
      ++at.column;
    }
  }
  places.push_back(at);
  return places;
}

// A position is inside the input when some byte (or the end) has it.
bool inside(const std::vector<Place>& places, std::int64_t line, std::int64_t column) {
  if (line < 1 || column < 1) return false;
  if (line > places.back().line) return false;
  std::int64_t widest = 0;
  for (const Place& p : places) {
    if (p.line == line && p.column > widest) widest = p.column;
  }
  return column <= widest;
}

// A descriptor holding the text, read from its start.
class MemoryFile {
 public:
  explicit MemoryFile(std::string_view text) : fd_(::memfd_create("fuzz-input", 0)) {
    require(fd_ >= 0);
    for (std::size_t done = 0; done < text.size();) {
      const ssize_t n = ::write(fd_, text.data() + done, text.size() - done);
      require(n > 0);
      done += static_cast<std::size_t>(n);
    }
    require(::lseek(fd_, 0, SEEK_SET) == 0);
  }
  MemoryFile(const MemoryFile&) = delete;
  MemoryFile& operator=(const MemoryFile&) = delete;
  ~MemoryFile() { ::close(fd_); }
  int fd() const { return fd_; }

 private:
  int fd_;
};

// ------------------------------------------------------------ tokens

bool isSeparator(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f' || c == ',' || c == ';';
}

struct RefToken {
  std::string text;
  Place place;
  bool tooLong;
};

std::vector<RefToken> referenceTokens(std::string_view text, std::size_t maxToken) {
  const std::vector<Place> places = placesOf(text);
  std::vector<RefToken> out;
  for (std::size_t i = 0; i < text.size();) {
    if (isSeparator(text[i])) {
      ++i;
      continue;
    }
    std::size_t end = i;
    while (end < text.size() && !isSeparator(text[end])) ++end;
    const std::size_t length = end - i;
    out.push_back({std::string(text.substr(i, std::min(length, maxToken))), places[i], length > maxToken});
    i = end;
  }
  return out;
}

void checkTokens(dec::TokenReader& reader, const std::vector<RefToken>& want) {
  std::size_t k = 0;
  while (std::optional<dec::Token> t = reader.next()) {
    require(k < want.size());
    require(t->text == want[k].text && t->tooLong == want[k].tooLong);
    require(t->line == want[k].place.line && t->column == want[k].place.column);
    ++k;
  }
  require(k == want.size());
}

void fuzzTokens(std::string_view text, std::size_t buffer, std::size_t maxToken) {
  const std::vector<RefToken> want = referenceTokens(text, maxToken);
  {
    dec::TokenReader reader(text, maxToken);
    checkTokens(reader, want);
  }
  MemoryFile file(text);
  dec::InputSource source(file.fd());
  (void)source.peek(buffer / 2);  // as the format guess does
  dec::TokenReader reader(source, maxToken, buffer);
  checkTokens(reader, want);
}

// -------------------------------------------------------------- JSON

struct RefNumber {
  std::string text;
  Place place;
};

// The number tokens of a JSON text: outside strings, a run of number
// characters that starts with '-' or a digit. On valid JSON these are
// exactly its numbers.
std::vector<RefNumber> referenceNumbers(std::string_view text) {
  const std::vector<Place> places = placesOf(text);
  std::vector<RefNumber> out;
  auto numberChar = [](char c) { return (c >= '0' && c <= '9') || c == '-' || c == '+' || c == '.' || c == 'e' || c == 'E'; };
  for (std::size_t i = 0; i < text.size();) {
    const char c = text[i];
    if (c == '"') {
      for (++i; i < text.size() && text[i] != '"'; ++i) {
        if (text[i] == '\\') ++i;
      }
      ++i;
    } else if (c == '-' || (c >= '0' && c <= '9')) {
      std::size_t end = i;
      while (end < text.size() && numberChar(text[end])) ++end;
      out.push_back({std::string(text.substr(i, end - i)), places[i]});
      i = end;
    } else {
      ++i;
    }
  }
  return out;
}

struct Collect : dec::JsonSink {
  std::vector<RefNumber> numbers;
  std::vector<Place> errors;
  bool pointers = true;
  void jsonNumber(std::string_view text, std::int64_t line, std::int64_t column, std::string_view pointer,
                  std::string_view field) override {
    numbers.push_back({std::string(text), {line, column}});
    if (pointers) require(pointer.empty() || pointer.front() == '/');
    require(field.empty() || field.front() == '/');
  }
  void jsonOther(std::string_view field, bool) override { require(field.empty() || field.front() == '/'); }
  void jsonError(std::int64_t line, std::int64_t column, std::string_view message) override {
    require(!message.empty());
    errors.push_back({line, column});
  }
  bool wantsPointers() const override { return pointers; }
};

// A pipe holding the text, for the readers' path that cannot map the input.
class PipeFile {
 public:
  explicit PipeFile(std::string_view text) {
    require(::pipe(fds_) == 0);
    for (std::size_t done = 0; done < text.size();) {
      const ssize_t n = ::write(fds_[1], text.data() + done, text.size() - done);
      require(n > 0);
      done += static_cast<std::size_t>(n);
    }
    ::close(fds_[1]);
  }
  PipeFile(const PipeFile&) = delete;
  PipeFile& operator=(const PipeFile&) = delete;
  ~PipeFile() { ::close(fds_[0]); }
  int fd() const { return fds_[0]; }

 private:
  int fds_[2] = {-1, -1};
};

// A pipe holds 64 KiB without a reader; larger inputs go through a file.
constexpr std::size_t kPipeBytes = 60000;

void fuzzJson(std::string_view text, bool lines, bool pointers, bool throughPipe) {
  std::optional<MemoryFile> file;
  std::optional<PipeFile> pipe;
  if (throughPipe && text.size() <= kPipeBytes) {
    pipe.emplace(text);
  } else {
    file.emplace(text);
  }
  dec::InputSource source(pipe ? pipe->fd() : file->fd());
  (void)source.peek(64);
  Collect sink;
  sink.pointers = pointers;
  if (lines) {
    dec::readJsonLines(source, sink);
  } else {
    dec::readJsonDocument(source, sink);
  }
  const std::vector<Place> places = placesOf(text);
  for (const RefNumber& n : sink.numbers) {
    require(inside(places, n.place.line, n.place.column));
    require(text.find(n.text) != std::string_view::npos && !n.text.empty());
  }
  for (const Place& e : sink.errors) require(inside(places, e.line, e.column));
  if (!sink.errors.empty()) return;
  const std::vector<RefNumber> want = referenceNumbers(text);
  require(sink.numbers.size() == want.size());
  for (std::size_t i = 0; i < want.size(); ++i) {
    require(sink.numbers[i].text == want[i].text);
    require(sink.numbers[i].place.line == want[i].place.line && sink.numbers[i].place.column == want[i].place.column);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const unsigned mode = data[0] % 5;
  const std::size_t buffer = std::size_t{1} + (data[0] >> 3) * 3;  // 1 to 94 bytes
  const std::string input(reinterpret_cast<const char*>(data + 1), size - 1);
  try {
    switch (mode) {
      case 0: fuzzTokens(input, buffer, dec::TokenReader::maxTokenBytes); break;
      case 1: fuzzTokens(input, buffer, 1 + (data[0] >> 3) % 7); break;
      case 2: fuzzJson(input, false, true, false); break;
      case 3: fuzzJson(input, true, true, false); break;
      default: fuzzJson(input, (data[0] & 8) != 0, false, (data[0] & 16) != 0); break;
    }
  } catch (const quire::Error&) {
  }
  return 0;
}
