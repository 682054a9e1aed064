// The JSON string builder and the number texts of quill/json.hpp.
#include "quill/json.hpp"

#include <fmt/compile.h>
#include <fmt/format.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>
#include <utility>

#include "base/error.hpp"

namespace quire::quill::detail {
void throwBadDigits(int digits) {
  throw Error("significant digits must be from 1 to 17, not " + std::to_string(digits));
}
}  // namespace quire::quill::detail

namespace quire::quill::json {

namespace {

using builder::BufferFull;
using builder::BufferRange;
using builder::Builder;
using builder::BuildSignal;
using builder::BuildStep;
using builder::Done;

// {fmt}'s shortest round-trip digits, laid out by the rule of the header,
// take a few tens of nanoseconds; its own inf and nan are kept.
template <class F>
char* shortest(char* out, F v) noexcept {
  return fmt::format_to(out, FMT_COMPILE("{}"), v);
}

template <class F>
char* jsonNumber(char* out, F v) noexcept {
  if (!std::isfinite(v)) return std::copy_n("null", 4, out);
  return shortest(out, v);
}

template <class F>
void appendNumber(std::string& out, F v) {
  char text[maxShortestLength];
  out.append(text, jsonNumber(text, v));
}

// Escapes the string's bytes in batches of free / 6, between its quotes.
// Stages: 0 the opening quote, 1 the bytes from pos, 2 the closing quote.
struct JsonStringStep {
  Bytes bytes;
  std::size_t pos;
  int stage;

  BuildSignal operator()(BufferRange r) const {
    const auto* start = reinterpret_cast<const std::uint8_t*>(bytes.data());
    const std::uint8_t* end = start + bytes.size();
    const std::uint8_t* in = start + pos;
    std::uint8_t* cur = r.cur;
    int at = stage;
    const auto full = [&](int s) {
      return BufferFull{detail::maxEscapedLength, cur,
                        BuildStep(JsonStringStep{bytes, static_cast<std::size_t>(in - start), s})};
    };
    if (at == 0) {
      if (cur == r.end) return full(0);
      *cur++ = '"';
      at = 1;
    }
    while (at == 1 && in < end) {
      const std::size_t batch = static_cast<std::size_t>(r.end - cur) / detail::maxEscapedLength;
      if (batch == 0) return full(1);
      const std::uint8_t* limit = in + std::min(batch, static_cast<std::size_t>(end - in));
      detail::JsonEscaped e = detail::escapeJson(in, limit, end, cur);
      in = e.in;
      cur = e.out;
    }
    if (cur == r.end) return full(2);
    *cur++ = '"';
    return Done{cur};
  }
};

}  // namespace

std::int64_t jsonStringBound(std::size_t n) {
  constexpr auto most = static_cast<std::size_t>((std::numeric_limits<std::int64_t>::max() - 2) / 6);
  if (n > most) detail::throwBoundOverflow("jsonStringBound");
  return 2 + 6 * static_cast<std::int64_t>(n);
}

void appendJsonString(std::string& out, std::string_view s) {
  const std::size_t old = out.size();
  out.resize(old + static_cast<std::size_t>(jsonStringBound(s.size())));
  char* end = storeJsonString(out.data() + old, s);
  out.resize(static_cast<std::size_t>(end - out.data()));
}

Builder fromJsonString(Bytes s) { return Builder(BuildStep(JsonStringStep{std::move(s), 0, 0})); }

char* storeShortest(char* out, double v) noexcept { return shortest(out, v); }
char* storeShortest(char* out, float v) noexcept { return shortest(out, v); }
char* storeJsonNumber(char* out, double v) noexcept { return jsonNumber(out, v); }
char* storeJsonNumber(char* out, float v) noexcept { return jsonNumber(out, v); }
void appendJsonNumber(std::string& out, double v) { appendNumber(out, v); }
void appendJsonNumber(std::string& out, float v) { appendNumber(out, v); }

char* storeSignificant(char* out, double v, int digits) {
  (void)significantBound(digits);
  return fmt::format_to(out, FMT_COMPILE("{:.{}g}"), v, digits);
}

void appendJsonInteger(std::string& out, std::int64_t v) {
  char text[maxIntegerLength];
  out.append(text, storeJsonInteger(text, v));
}

}  // namespace quire::quill::json
