#include "apps/decimal/tests/json_check.hpp"

#include <charconv>
#include <cstdlib>

namespace quire::decimal::testing {

namespace {

class Parser {
 public:
  explicit Parser(std::string_view s) : s_(s) {}

  Json document() {
    Json v = value();
    space();
    if (i_ != s_.size()) fail("trailing text");
    return v;
  }

 private:
  [[noreturn]] void fail(const std::string& why) {
    throw std::runtime_error("invalid JSON at offset " + std::to_string(i_) + ": " + why);
  }
  void space() {
    while (i_ < s_.size() && (s_[i_] == ' ' || s_[i_] == '\n' || s_[i_] == '\r' || s_[i_] == '\t')) ++i_;
  }
  bool take(char c) {
    if (i_ < s_.size() && s_[i_] == c) {
      ++i_;
      return true;
    }
    return false;
  }
  void expect(std::string_view word) {
    if (s_.substr(i_, word.size()) != word) fail("expected " + std::string(word));
    i_ += word.size();
  }
  bool digit() const { return i_ < s_.size() && s_[i_] >= '0' && s_[i_] <= '9'; }
  void digits() {
    if (!digit()) fail("expected a digit");
    while (digit()) ++i_;
  }

  Json value() {
    space();
    if (i_ >= s_.size()) fail("unexpected end");
    Json v;
    char c = s_[i_];
    if (c == '{') return object();
    if (c == '[') return array();
    if (c == '"') {
      v.kind = Json::Kind::String;
      v.text = string();
    } else if (c == 't') {
      expect("true");
      v.kind = Json::Kind::Bool;
      v.boolean = true;
    } else if (c == 'f') {
      expect("false");
      v.kind = Json::Kind::Bool;
    } else if (c == 'n') {
      expect("null");
    } else {
      v.kind = Json::Kind::Number;
      v.text = number();
    }
    return v;
  }

  std::string number() {
    std::size_t start = i_;
    take('-');
    if (!take('0')) digits();
    if (take('.')) digits();
    if (take('e') || take('E')) {
      if (!take('+')) take('-');
      digits();
    }
    return std::string(s_.substr(start, i_ - start));
  }

  static void appendUtf8(std::string& out, std::uint32_t cp) {
    if (cp < 0x80) {
      out += static_cast<char>(cp);
    } else if (cp < 0x800) {
      out += static_cast<char>(0xC0 | (cp >> 6));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
      out += static_cast<char>(0xE0 | (cp >> 12));
      out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (cp >> 18));
      out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    }
  }

  std::uint32_t hex4() {
    if (i_ + 4 > s_.size()) fail("short \\u escape");
    std::uint32_t v = 0;
    auto [end, error] = std::from_chars(s_.data() + i_, s_.data() + i_ + 4, v, 16);
    if (error != std::errc() || end != s_.data() + i_ + 4) fail("bad \\u escape");
    i_ += 4;
    return v;
  }

  std::string string() {
    expect("\"");
    std::string out;
    for (;;) {
      if (i_ >= s_.size()) fail("unterminated string");
      auto c = static_cast<unsigned char>(s_[i_++]);
      if (c == '"') return out;
      if (c < 0x20) fail("control character in string");
      if (c != '\\') {
        out += static_cast<char>(c);
        continue;
      }
      if (i_ >= s_.size()) fail("unterminated escape");
      char e = s_[i_++];
      switch (e) {
        case '"': case '\\': case '/': out += e; break;
        case 'b': out += '\b'; break;
        case 'f': out += '\f'; break;
        case 'n': out += '\n'; break;
        case 'r': out += '\r'; break;
        case 't': out += '\t'; break;
        case 'u': appendUtf8(out, hex4()); break;
        default: fail("bad escape");
      }
    }
  }

  Json array() {
    expect("[");
    Json v;
    v.kind = Json::Kind::Array;
    space();
    if (take(']')) return v;
    for (;;) {
      v.items.push_back(value());
      space();
      if (take(']')) return v;
      if (!take(',')) fail("expected , or ]");
    }
  }

  Json object() {
    expect("{");
    Json v;
    v.kind = Json::Kind::Object;
    space();
    if (take('}')) return v;
    for (;;) {
      space();
      std::string key = string();
      space();
      if (!take(':')) fail("expected :");
      if (!v.fields.emplace(key, value()).second) fail("duplicate key " + key);
      space();
      if (take('}')) return v;
      if (!take(',')) fail("expected , or }");
    }
  }

  std::string_view s_;
  std::size_t i_ = 0;
};

}  // namespace

double Json::number() const {
  if (kind != Kind::Number) throw std::runtime_error("not a number");
  return std::strtod(text.c_str(), nullptr);
}

std::int64_t Json::integer() const {
  if (kind != Kind::Number) throw std::runtime_error("not a number");
  std::int64_t v = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), v);
  if (error != std::errc() || end != text.data() + text.size()) throw std::runtime_error("not an integer: " + text);
  return v;
}

const Json& Json::operator[](const std::string& key) const {
  auto it = fields.find(key);
  if (it == fields.end()) throw std::runtime_error("missing key " + key);
  return it->second;
}

Json parseJson(std::string_view text) { return Parser(text).document(); }

}  // namespace quire::decimal::testing
