#include "apps/decimal/json_text.hpp"

#include <fmt/compile.h>
#include <fmt/format.h>

#include <charconv>
#include <cmath>

#include "base/utf8.hpp"

namespace quire::decimal {

namespace {

bool needsCare(unsigned char c) noexcept { return c < 0x20 || c == '"' || c == '\\' || c >= 0x80; }

// The length of the well-formed UTF-8 sequence at the start of s, or 0.
std::size_t validSequence(std::string_view s) noexcept {
  const auto* p = reinterpret_cast<const unsigned char*>(s.data());
  char32_t c;
  return static_cast<std::size_t>(decodeUtf8Sequence(p, p + s.size(), c));
}

void appendEscaped(std::string& out, unsigned char c) {
  switch (c) {
    case '"': out += "\\\""; return;
    case '\\': out += "\\\\"; return;
    case '\n': out += "\\n"; return;
    case '\t': out += "\\t"; return;
    case '\r': out += "\\r"; return;
    case '\b': out += "\\b"; return;
    case '\f': out += "\\f"; return;
    default: break;
  }
  static constexpr char hex[] = "0123456789abcdef";
  out += "\\u00";
  out += hex[c >> 4];
  out += hex[c & 15];
}

// The shortest form through {fmt}, whose algorithm is several times faster
// than the standard library's here; both give the shortest digits.
template <class F>
char* shortest(char* out, F v) noexcept {
  if (std::isinf(v)) {
    const std::string_view text = v < 0 ? "-inf" : "inf";
    return std::copy(text.begin(), text.end(), out);
  }
  return fmt::format_to(out, FMT_COMPILE("{}"), v);
}

template <class F>
void appendFloating(std::string& out, F v) {
  if (!std::isfinite(v)) {
    out += "null";
    return;
  }
  char text[maxShortestLength];
  out.append(text, shortest(text, v));
}

template <class T>
void appendChars(std::string& out, T v) {
  char text[64];
  auto result = std::to_chars(text, text + sizeof text, v);
  out.append(text, result.ptr);
}

}  // namespace

void appendJsonString(std::string& out, std::string_view s) {
  out += '"';
  std::size_t i = 0;
  while (i < s.size()) {
    std::size_t plain = i;
    while (plain < s.size() && !needsCare(static_cast<unsigned char>(s[plain]))) ++plain;
    out.append(s.data() + i, plain - i);
    i = plain;
    if (i == s.size()) break;
    auto c = static_cast<unsigned char>(s[i]);
    if (c < 0x80) {
      appendEscaped(out, c);
      ++i;
    } else if (std::size_t n = validSequence(s.substr(i)); n != 0) {
      out.append(s.data() + i, n);
      i += n;
    } else {
      out += "\xEF\xBF\xBD";  // U+FFFD for a byte that starts no valid sequence
      ++i;
    }
  }
  out += '"';
}

char* writeShortest(char* out, double v) noexcept { return shortest(out, v); }
char* writeShortest(char* out, float v) noexcept { return shortest(out, v); }

char* writeThreeDigits(char* out, double v) noexcept { return fmt::format_to(out, FMT_COMPILE("{:.3g}"), v); }

std::string threeDigits(double v) {
  char text[maxThreeDigitsLength];
  return std::string(text, writeThreeDigits(text, v));
}

void appendJsonNumber(std::string& out, double v) { appendFloating(out, v); }
void appendJsonNumber(std::string& out, float v) { appendFloating(out, v); }

void appendJsonInteger(std::string& out, std::int64_t v) { appendChars(out, v); }

}  // namespace quire::decimal
