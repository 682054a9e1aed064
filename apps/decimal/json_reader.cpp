#include "apps/decimal/json_reader.hpp"

#include "base/growing_bytes.hpp"
#include "base/utf8.hpp"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <simdjson.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// The on-demand front end is compiled once, for every processor; simdjson
// picks the structural indexer (the SIMD part) for the processor at run
// time, so no code of this program is built for one instruction set.

namespace quire::decimal {

namespace {

namespace od = simdjson::ondemand;

// The longest JSON Lines line; a longer one stops the reading.
constexpr std::size_t kLongestLine = std::size_t{1} << 30;
// The longest JSON document read from a pipe (a file is mapped instead).
constexpr std::size_t kLongestDocument = std::size_t{1} << 34;

// The pointer and the field of the value being visited, grown and cut back
// as the walk goes down and up.
struct Paths {
  std::string pointer;  // kept only when withPointer
  std::string field;
  bool withPointer = true;

  void appendKey(std::string_view key);     // "/" and the key, with ~0 and ~1
  void appendIndex(std::size_t index);      // "/3" to the pointer, "/*" to the field
  void cut(std::size_t pointerSize, std::size_t fieldSize);
};

void Paths::appendKey(std::string_view key) {
  if (std::none_of(key.begin(), key.end(), [](char c) { return c == '~' || c == '/'; })) {  // the usual key
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


// Line and column of positions met in increasing order.
class Positions {
 public:
  // A single-line document (a JSON Lines line) has no line breaks to look for.
  Positions(const char* begin, std::int64_t firstLine, bool singleLine)
      : at_(begin), line_(firstLine), singleLine_(singleLine) {}
  void move(const char* p) noexcept {
    while (const void* newline = singleLine_ ? nullptr : std::memchr(at_, '\n', static_cast<std::size_t>(p - at_))) {
      ++line_;
      column_ = 1;
      at_ = static_cast<const char*>(newline) + 1;
    }
    // Characters, not bytes: UTF-8 continuation bytes start none.
    std::int64_t column = column_;
    for (const char* q = at_; q < p; ++q) column += quire::startsUtf8Character(*q);
    column_ = column;
    at_ = p;
  }
  std::int64_t line() const noexcept { return line_; }
  std::int64_t column() const noexcept { return column_; }

 private:
  const char* at_;
  std::int64_t line_;
  std::int64_t column_ = 1;
  bool singleLine_ = false;
};

std::string_view trimmed(std::string_view token) {
  while (!token.empty() && (token.back() == ' ' || token.back() == '\t' || token.back() == '\n' || token.back() == '\r')) {
    token.remove_suffix(1);
  }
  return token;
}


bool isNumberCharacter(char c) noexcept {
  return (c >= '0' && c <= '9') || c == '-' || c == '+' || c == '.' || c == 'e' || c == 'E';
}

// A key as written when it holds no escape (the usual case, and no copy);
// otherwise a null view, and the parser unescapes it.
std::string_view plainKey(const char* start, const char* end) noexcept {
  for (const char* p = start; p < end; ++p) {
    if (*p == '"') return {start, static_cast<std::size_t>(p - start)};
    if (*p == '\\') break;
  }
  return {};
}

class Walker {
 public:
  Walker(JsonSink& sink, const char* begin, const char* end, std::int64_t firstLine, bool singleLine)
      : sink_(sink), end_(end), positions_(begin, firstLine, singleLine) {
    paths_.withPointer = sink.wantsPointers();
  }

  // Visits every value of the document; reports the first error.
  void walk(od::document& doc) {
    od::json_type type;
    if (auto e = doc.type().get(type)) return fail(doc, e);
    if (type == od::json_type::object || type == od::json_type::array) {
      od::value root;
      if (auto e = doc.get_value().get(root)) return fail(doc, e);
      if (!descend(root, type)) return fail(doc, error_);
      if (!run()) return fail(doc, error_);
    } else if (type == od::json_type::number) {
      std::string_view raw;
      if (auto e = doc.raw_json_token().get(raw)) return fail(doc, e);
      if (!number(trimmed(raw))) return fail(doc, error_);
      // The raw token runs to the next structural character or the end; the
      // document, unconsumed, cannot say where it stands.
      if (raw.data() + raw.size() < end_) fail(doc, simdjson::TRAILING_CONTENT);
      return;
    } else {
      if (!scalarRoot(doc, type)) return fail(doc, error_);
    }
    // Anything but white space after the value.
    const char* at = nullptr;
    if (doc.current_location().get(at) == simdjson::SUCCESS && at != nullptr && at < end_) {
      fail(doc, simdjson::TRAILING_CONTENT);
    }
  }

 private:
  struct Frame {
    bool isObject;
    od::object_iterator object, objectEnd;
    od::array_iterator array, arrayEnd;
    std::size_t index = 0;
    std::size_t pointerSize, fieldSize;
  };

  // The parser's raw token runs to the next structural character, so a
  // string glued to a number ("2\"x\"") arrives inside it: only number
  // characters make a number token. A token of them that breaks the grammar
  // ("1.2.3") is handed over and judged as a decimal.
  bool number(std::string_view raw) {
    if (raw.empty() || !std::all_of(raw.begin(), raw.end(), isNumberCharacter)) {
      error_ = simdjson::NUMBER_ERROR;
      return false;
    }
    positions_.move(raw.data());
    sink_.jsonNumber(raw, positions_.line(), positions_.column(), paths_.pointer, paths_.field);
    return true;
  }

  bool scalarRoot(od::document& doc, od::json_type type) {
    if (type == od::json_type::string) {
      od::raw_json_string s;
      if ((error_ = doc.get_raw_json_string().get(s))) return false;
    } else if (type == od::json_type::boolean) {
      bool b;
      if ((error_ = doc.get_bool().get(b))) return false;
    } else {
      bool isNull;
      if ((error_ = doc.is_null().get(isNull))) return false;
      if (!isNull) {
        error_ = simdjson::N_ATOM_ERROR;
        return false;
      }
    }
    sink_.jsonOther(paths_.field, type == od::json_type::null);
    return true;
  }

  // Handles a value: scalars at once, containers by pushing a frame.
  bool visit(od::value value) {
    od::json_type type;
    if ((error_ = value.type().get(type))) return false;
    switch (type) {
      case od::json_type::object:
      case od::json_type::array: return descend(value, type);
      case od::json_type::number: return number(trimmed(value.raw_json_token()));
      case od::json_type::string: {
        od::raw_json_string s;
        if ((error_ = value.get_raw_json_string().get(s))) return false;
        sink_.jsonOther(paths_.field, false);
        return true;
      }
      case od::json_type::boolean: {
        bool b;
        if ((error_ = value.get_bool().get(b))) return false;
        sink_.jsonOther(paths_.field, false);
        return true;
      }
      case od::json_type::null: {
        bool isNull = false;
        if ((error_ = value.is_null().get(isNull))) return false;
        if (!isNull) {
          error_ = simdjson::N_ATOM_ERROR;
          return false;
        }
        sink_.jsonOther(paths_.field, true);
        return true;
      }
    }
    return true;
  }

  bool descend(od::value value, od::json_type type) {
    Frame f{};
    f.isObject = type == od::json_type::object;
    f.pointerSize = paths_.pointer.size();
    f.fieldSize = paths_.field.size();
    if (f.isObject) {
      od::object object;
      if ((error_ = value.get_object().get(object))) return false;
      if ((error_ = object.begin().get(f.object))) return false;
      if ((error_ = object.end().get(f.objectEnd))) return false;
    } else {
      od::array array;
      if ((error_ = value.get_array().get(array))) return false;
      if ((error_ = array.begin().get(f.array))) return false;
      if ((error_ = array.end().get(f.arrayEnd))) return false;
    }
    stack_.push_back(f);
    return true;
  }

  // Steps the innermost open container: its next member, or closes it.
  bool run() {
    while (!stack_.empty()) {
      Frame& f = stack_.back();
      paths_.cut(f.pointerSize, f.fieldSize);
      if (f.isObject ? f.object == f.objectEnd : f.array == f.arrayEnd) {
        stack_.pop_back();
        if (!stack_.empty()) advance(stack_.back());
        continue;
      }
      od::value child;
      if (f.isObject) {
        od::field field;
        if ((error_ = (*f.object).get(field))) return false;
        std::string_view key = plainKey(field.key().raw(), end_);
        if (key.data() == nullptr && (error_ = field.unescaped_key().get(key))) return false;
        paths_.appendKey(key);
        child = field.value();
      } else {
        if ((error_ = (*f.array).get(child))) return false;
        paths_.appendIndex(f.index);
      }
      const std::size_t depth = stack_.size();
      if (!visit(child)) return false;
      if (stack_.size() == depth) advance(stack_.back());  // a scalar: on to the next member
    }
    return true;
  }

  static void advance(Frame& f) {
    if (f.isObject) {
      ++f.object;
    } else {
      ++f.array;
      ++f.index;
    }
  }

  void fail(od::document& doc, simdjson::error_code e) {
    const char* at = nullptr;
    // The parser may stand past the end of an unfinished document (in the
    // padding, or in the next lines of a JSON Lines buffer): the error is
    // then at the end.
    if (doc.current_location().get(at) == simdjson::SUCCESS && at != nullptr) positions_.move(std::min(at, end_));
    sink_.jsonError(positions_.line(), positions_.column(), simdjson::error_message(e));
  }

  JsonSink& sink_;
  const char* end_;
  Positions positions_;
  Paths paths_;
  std::vector<Frame> stack_;
  simdjson::error_code error_ = simdjson::SUCCESS;
};

// One document [data, data + size) starting on line firstLine, holding no
// line break when singleLine; capacity bytes from data are readable (at
// least size plus simdjson's padding).
void walkDocument(od::parser& parser, const char* data, std::size_t size, std::size_t capacity,
                  std::int64_t firstLine, bool singleLine, JsonSink& sink) {
  od::document doc;
  if (auto e = parser.iterate(simdjson::padded_string_view(data, size, capacity)).get(doc)) {
    sink.jsonError(firstLine, 1, simdjson::error_message(e));
    return;
  }
  Walker(sink, data, data + size, firstLine, singleLine).walk(doc);
}

// A regular file mapped whole, when the page after its end leaves room for
// simdjson's padding; otherwise (or for pipes) nothing.
class MappedFile {
 public:
  // pending: bytes already read from fd but not yet consumed.
  MappedFile(int fd, std::size_t pending) {
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size <= 0) return;
    const off_t position = ::lseek(fd, 0, SEEK_CUR);
    if (position < 0 || static_cast<std::size_t>(position) < pending || position > st.st_size) return;
    const std::size_t start = static_cast<std::size_t>(position) - pending;
    const auto size = static_cast<std::size_t>(st.st_size);
    const auto page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
    const std::size_t mapped = (size + page - 1) / page * page;
    // The bytes after the end up to the page boundary read as zeros.
    if (mapped - size < simdjson::SIMDJSON_PADDING) return;
    void* p = ::mmap(nullptr, mapped, PROT_READ, MAP_PRIVATE, fd, 0);
    if (p == MAP_FAILED) return;
    base_ = static_cast<char*>(p);
    data_ = base_ + start;
    size_ = size - start;
    capacity_ = mapped - start;
    mapped_ = mapped;
  }
  MappedFile(const MappedFile&) = delete;
  MappedFile& operator=(const MappedFile&) = delete;
  ~MappedFile() {
    if (base_ != nullptr) ::munmap(base_, mapped_);
  }
  const char* data() const noexcept { return data_; }
  std::size_t size() const noexcept { return size_; }
  std::size_t capacity() const noexcept { return capacity_; }

 private:
  char* base_ = nullptr;
  const char* data_ = nullptr;
  std::size_t capacity_ = 0;
  std::size_t size_ = 0;
  std::size_t mapped_ = 0;
};

}  // namespace

void readJsonDocument(InputSource& source, JsonSink& sink) {
  od::parser parser;
  const MappedFile file(source.descriptor(), source.pending());
  if (file.data() != nullptr) {
    walkDocument(parser, file.data(), file.size(), file.capacity(), 1, false, sink);
    return;
  }
  // From a pipe: read whole into a buffer that grows in place.
  constexpr std::size_t kChunk = std::size_t{1} << 16;
  GrowingBytes text(kLongestDocument + kChunk + simdjson::SIMDJSON_PADDING);
  std::size_t size = 0;
  for (;;) {
    text.resize(size + kChunk);
    const std::size_t got = source.read(text.data() + size, kChunk);
    if (got == 0) break;
    size += got;
  }
  text.resize(size + simdjson::SIMDJSON_PADDING);
  std::memset(text.data() + size, 0, simdjson::SIMDJSON_PADDING);
  walkDocument(parser, text.data(), size, text.size(), 1, false, sink);
}

void readJsonLines(InputSource& source, JsonSink& sink) {
  // [buffer, filled) holds unread input, read through a window that a line
  // too long for it doubles; the buffer grows in place, without copying.
  GrowingBytes buffer(kLongestLine + simdjson::SIMDJSON_PADDING);
  buffer.resize((std::size_t{1} << 20) + simdjson::SIMDJSON_PADDING);
  std::size_t start = 0;
  std::size_t filled = 0;
  bool atEnd = false;
  std::int64_t line = 1;
  od::parser parser;
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
      if (filled == room) buffer.resize(std::min(buffer.size() * 2, buffer.limit()));
      if (filled == buffer.size() - simdjson::SIMDJSON_PADDING) buffer.resize(buffer.limit() + 1);  // too long
      const std::size_t got = source.read(buffer.data() + filled, buffer.size() - simdjson::SIMDJSON_PADDING - filled);
      if (got == 0) atEnd = true;
      filled += got;
      continue;
    }
    std::size_t size = lineEnd - start;
    const char* text = base + start;
    if (size > 0 && text[size - 1] == '\r') --size;
    if (std::string_view(text, size).find_first_not_of(" \t") != std::string_view::npos) {
      // The bytes after the line (the next lines) are the parser's padding:
      // zeros while it reads, as in a padded string, so that an unfinished
      // line never reads on into the next.
      char* after = buffer.data() + start + size;
      char saved[simdjson::SIMDJSON_PADDING];
      std::memcpy(saved, after, sizeof saved);
      std::memset(after, 0, sizeof saved);
      walkDocument(parser, text, size, buffer.size() - start, line, true, sink);
      std::memcpy(after, saved, sizeof saved);
    }
    ++line;
    start = lineEnd + (lineEnd < filled ? 1 : 0);
  }
}

}  // namespace quire::decimal
