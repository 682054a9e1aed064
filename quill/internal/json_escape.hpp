// The JSON escape table and the string escaping loop built on it.
#pragma once

#include <array>
#include <charconv>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "base/utf8.hpp"
#include "quill/internal/escape.hpp"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace quire::quill::detail {

// What each byte below 0x80 becomes inside a JSON string.
constexpr std::array<EscapeEntry, 128> makeJsonEscapeTable() {
  std::array<EscapeEntry, 128> table{};
  constexpr char hex[] = "0123456789abcdef";
  for (std::size_t b = 0; b < 128; ++b) {
    if (b < 0x20) {
      table[b] = escapeEntry("\\u00");
      table[b].text[4] = hex[b >> 4];
      table[b].text[5] = hex[b & 15];
      table[b].length = 6;
    } else {
      table[b].text[0] = static_cast<char>(b);
      table[b].length = 1;
    }
  }
  table['"'] = escapeEntry("\\\"");
  table['\\'] = escapeEntry("\\\\");
  table['\n'] = escapeEntry("\\n");
  table['\t'] = escapeEntry("\\t");
  table['\r'] = escapeEntry("\\r");
  table['\b'] = escapeEntry("\\b");
  table['\f'] = escapeEntry("\\f");
  return table;
}

inline constexpr std::array<EscapeEntry, 128> jsonEscapeTable = makeJsonEscapeTable();

// True for the bytes the plain copy must stop at.
constexpr bool jsonNeedsCare(std::uint8_t b) noexcept {
  return b < 0x20 || b == '"' || b == '\\' || b >= 0x80;
}

struct JsonEscaped {
  const std::uint8_t* in;
  std::uint8_t* out;
};

// Escapes one unit at in (in < end): an ASCII byte through the table, a
// well-formed UTF-8 sequence as it is, any other byte as U+FFFD. Stores at
// most 6 bytes (always 6 for an ASCII byte, of which the entry's length
// count).
inline JsonEscaped escapeJsonUnit(const std::uint8_t* in, const std::uint8_t* end,
                                  std::uint8_t* out) noexcept {
  if (*in < 0x80) {
    const EscapeEntry& e = jsonEscapeTable[*in];
    std::memcpy(out, e.text, maxEscapedLength);
    return {in + 1, out + e.length};
  }
  char32_t c;
  const int n = decodeUtf8Sequence(in, end, c);
  if (n == 0) {
    std::memcpy(out, "\xEF\xBF\xBD", 3);
    return {in + 1, out + 3};
  }
  std::memcpy(out, in, static_cast<std::size_t>(n));
  return {in + n, out + n};
}

// Escapes every unit that starts before limit; the last one may read on up
// to end to finish a UTF-8 sequence. out needs 6 * (limit - in) bytes free,
// since no unit stores more than 6 bytes per byte it starts at; bytes past
// the returned out within that room are scratch. Runs of 16 bytes that need
// no care are copied with one load and one store.
inline JsonEscaped escapeJson(const std::uint8_t* in, const std::uint8_t* limit,
                              const std::uint8_t* end, std::uint8_t* out) noexcept {
#if defined(__SSE2__)
  const __m128i quote = _mm_set1_epi8('"');
  const __m128i backslash = _mm_set1_epi8('\\');
  const __m128i space = _mm_set1_epi8(0x20);
  while (limit - in >= 16) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in));
    // Signed compare: bytes from 0x80 up are negative, so below 0x20 too.
    const __m128i care = _mm_or_si128(
        _mm_cmplt_epi8(v, space), _mm_or_si128(_mm_cmpeq_epi8(v, quote), _mm_cmpeq_epi8(v, backslash)));
    const auto mask = static_cast<unsigned>(_mm_movemask_epi8(care));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), v);
    if (mask == 0) {
      in += 16;
      out += 16;
      continue;
    }
    const auto plain = static_cast<std::size_t>(__builtin_ctz(mask));
    JsonEscaped r = escapeJsonUnit(in + plain, end, out + plain);
    in = r.in;
    out = r.out;
  }
#endif
  while (in < limit) {
    if (!jsonNeedsCare(*in)) {
      *out++ = *in++;
      continue;
    }
    JsonEscaped r = escapeJsonUnit(in, end, out);
    in = r.in;
    out = r.out;
  }
  return {in, out};
}

inline char* storeDecimal(char* out, std::int64_t v) noexcept {
  return std::to_chars(out, out + 20, v).ptr;
}

}  // namespace quire::quill::detail
