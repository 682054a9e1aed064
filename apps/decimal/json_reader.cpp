#include "apps/decimal/json_reader.hpp"

#include <simdjson.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace quire::decimal {

namespace od = simdjson::ondemand;

namespace {

bool startsCharacter(char c) noexcept { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }

// Line and column of positions met in increasing order.
class Positions {
 public:
  Positions(const char* begin, std::int64_t firstLine) : at_(begin), lineStart_(begin), line_(firstLine) {}
  void move(const char* p) noexcept {
    for (; at_ < p; ++at_) {
      if (*at_ == '\n') {
        ++line_;
        column_ = 1;
        lineStart_ = at_ + 1;
      } else {
        column_ += startsCharacter(*at_);
      }
    }
  }
  std::int64_t line() const noexcept { return line_; }
  std::int64_t column() const noexcept { return column_; }

 private:
  const char* at_;
  const char* lineStart_;
  std::int64_t line_;
  std::int64_t column_ = 1;
};

std::string_view trimmed(std::string_view token) {
  while (!token.empty() && (token.back() == ' ' || token.back() == '\t' || token.back() == '\n' || token.back() == '\r')) {
    token.remove_suffix(1);
  }
  return token;
}

// The pointer and the field of the value being visited, grown and cut back
// as the walk goes down and up.
struct Paths {
  std::string pointer;
  std::string field;

  void appendKey(std::string_view key) {
    for (std::string* s : {&pointer, &field}) {
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
  void appendIndex(std::size_t index) {
    pointer += '/';
    pointer += std::to_string(index);
    field += "/*";
  }
};

class Walker {
 public:
  Walker(JsonSink& sink, const char* begin, const char* end, std::int64_t firstLine)
      : sink_(sink), end_(end), positions_(begin, firstLine) {}

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
      number(trimmed(raw));
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

  void number(std::string_view raw) {
    positions_.move(raw.data());
    sink_.jsonNumber(raw, positions_.line(), positions_.column(), paths_.pointer, paths_.field);
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
      case od::json_type::number: number(trimmed(value.raw_json_token())); return true;
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
      paths_.pointer.resize(f.pointerSize);
      paths_.field.resize(f.fieldSize);
      if (f.isObject ? f.object == f.objectEnd : f.array == f.arrayEnd) {
        stack_.pop_back();
        if (!stack_.empty()) advance(stack_.back());
        continue;
      }
      od::value child;
      if (f.isObject) {
        od::field field;
        if ((error_ = (*f.object).get(field))) return false;
        std::string_view key;
        if ((error_ = field.unescaped_key().get(key))) return false;
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
    if (doc.current_location().get(at) == simdjson::SUCCESS && at != nullptr) positions_.move(at);
    sink_.jsonError(positions_.line(), positions_.column(), simdjson::error_message(e));
  }

  JsonSink& sink_;
  const char* end_;
  Positions positions_;
  Paths paths_;
  std::vector<Frame> stack_;
  simdjson::error_code error_ = simdjson::SUCCESS;
};

void walkDocument(od::parser& parser, const char* data, std::size_t size, std::size_t capacity,
                  std::int64_t firstLine, JsonSink& sink) {
  od::document doc;
  if (auto e = parser.iterate(simdjson::padded_string_view(data, size, capacity)).get(doc)) {
    sink.jsonError(firstLine, 1, simdjson::error_message(e));
    return;
  }
  Walker(sink, data, data + size, firstLine).walk(doc);
}

}  // namespace

void readJsonDocument(InputSource& source, JsonSink& sink) {
  std::string text;
  std::vector<char> chunk(std::size_t{1} << 16);
  while (std::size_t got = source.read(chunk.data(), chunk.size())) text.append(chunk.data(), got);
  const std::size_t size = text.size();
  text.resize(size + simdjson::SIMDJSON_PADDING, ' ');
  od::parser parser;
  walkDocument(parser, text.data(), size, text.size(), 1, sink);
}

void readJsonLines(InputSource& source, JsonSink& sink) {
  // [buffer, filled) holds unread input; a line that does not fit grows it.
  std::vector<char> buffer((std::size_t{1} << 20) + simdjson::SIMDJSON_PADDING);
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
      walkDocument(parser, text, size, buffer.size() - start, line, sink);
    }
    ++line;
    start = lineEnd + (lineEnd < filled ? 1 : 0);
  }
}

}  // namespace quire::decimal
