// The markup escape table and the store routines built on it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace quire::quill::detail {

// The most bytes one input unit becomes: "&quot;".
inline constexpr std::size_t maxEscapedLength = 6;

// What one byte becomes: length bytes of text (0 for a removed byte).
struct EscapeEntry {
  char text[maxEscapedLength];
  std::uint8_t length;
};

constexpr EscapeEntry escapeEntry(std::string_view text) {
  EscapeEntry e{};
  for (std::size_t i = 0; i < text.size(); ++i) e.text[i] = text[i];
  e.length = static_cast<std::uint8_t>(text.size());
  return e;
}

// The five markup characters become entities; tab, line feed and carriage
// return stay; the other control characters and DEL are removed; every
// other byte, 128 and above included, stays as it is.
constexpr std::array<EscapeEntry, 256> makeEscapeTable() {
  std::array<EscapeEntry, 256> table{};
  for (std::size_t b = 0; b < 256; ++b) {
    bool removed = (b < 32 && b != '\t' && b != '\n' && b != '\r') || b == 127;
    if (!removed) {
      table[b].text[0] = static_cast<char>(b);
      table[b].length = 1;
    }
  }
  table['<'] = escapeEntry("&lt;");
  table['>'] = escapeEntry("&gt;");
  table['&'] = escapeEntry("&amp;");
  table['"'] = escapeEntry("&quot;");
  table['\''] = escapeEntry("&#39;");
  return table;
}

inline constexpr std::array<EscapeEntry, 256> escapeTable = makeEscapeTable();

// Stores exactly the escaped form of b.
inline std::uint8_t* storeEscapedByte(std::uint8_t b, std::uint8_t* out) noexcept {
  const EscapeEntry& e = escapeTable[b];
  std::memcpy(out, e.text, e.length);
  return out + e.length;
}

// Escapes [in, in + n) one byte at a time into out, which must have 6 * n
// bytes free. Each unit stores all six bytes of its table entry and
// advances by its length, so the loop has no branch; the bytes past the
// returned pointer are scratch within the checked space.
inline std::uint8_t* escapeEachByte(const std::uint8_t* in, std::size_t n,
                                    std::uint8_t* out) noexcept {
  for (std::size_t i = 0; i < n; ++i) {
    const EscapeEntry& e = escapeTable[in[i]];
    std::memcpy(out, e.text, maxEscapedLength);
    out += e.length;
  }
  return out;
}

#if defined(__SSE2__)
// A bit per byte of the 16 at in that the table changes, or that it keeps
// only by a rule of its own (tab, line feed, carriage return).
inline unsigned bytesToEscape(const std::uint8_t* in) noexcept {
  __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in));
  __m128i control = _mm_cmpeq_epi8(_mm_min_epu8(v, _mm_set1_epi8(31)), v);  // v <= 31
  __m128i marked = _mm_or_si128(
      _mm_or_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8('<')), _mm_cmpeq_epi8(v, _mm_set1_epi8('>'))),
      _mm_or_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8('&')), _mm_cmpeq_epi8(v, _mm_set1_epi8('"'))));
  marked = _mm_or_si128(marked, _mm_or_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8('\'')),
                                             _mm_cmpeq_epi8(v, _mm_set1_epi8(127))));
  return static_cast<unsigned>(_mm_movemask_epi8(_mm_or_si128(control, marked)));
}
#endif

// escapeEachByte, sixteen bytes at a time where none of them changes:
// runs of plain text are copied with one load and one store. The same
// space rule holds (6 * n bytes free at out), so while 16 or more input
// bytes are left there are at least 96 bytes of room for a 16-byte store.
inline std::uint8_t* escapeRun(const std::uint8_t* in, std::size_t n, std::uint8_t* out) noexcept {
#if defined(__SSE2__)
  const std::uint8_t* end = in + n;
  while (end - in >= 16) {
    unsigned mask = bytesToEscape(in);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out),
                     _mm_loadu_si128(reinterpret_cast<const __m128i*>(in)));
    if (mask == 0) {
      in += 16;
      out += 16;
      continue;
    }
    auto plain = static_cast<std::size_t>(__builtin_ctz(mask));
    in += plain;
    out += plain;
    out = escapeEachByte(in, 1, out);
    ++in;
  }
  return escapeEachByte(in, static_cast<std::size_t>(end - in), out);
#else
  return escapeEachByte(in, n, out);
#endif
}

}  // namespace quire::quill::detail
