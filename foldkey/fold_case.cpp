#include "foldkey/fold_case.hpp"

#include <utf8proc.h>

#include <bit>
#include <cstring>
#include <type_traits>

#include "base/bytes_buffer.hpp"
#include "base/internal/encode.hpp"
#include "base/utf8.hpp"

namespace quire::foldkey {
namespace {

using builder::detail::isScalarValue;
using builder::detail::storeUtf8;

constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
constexpr std::uint64_t kHighBits = kOnes * 0x80;

// Lower-cases the ASCII capitals in a word of eight ASCII bytes. Every byte
// is below 0x80, so the additions below never carry into the next byte.
constexpr std::uint64_t lowerAsciiWord(std::uint64_t w) noexcept {
  const std::uint64_t atLeastA = w + kOnes * (0x80 - 'A');
  const std::uint64_t aboveZ = w + kOnes * (0x80 - 'Z' - 1);
  return w | (((atLeastA & ~aboveZ) & kHighBits) >> 2);
}

constexpr char lowerAscii(char c) noexcept {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 0x20) : c;
}

// The full case fold of a scalar value c >= 0x80, written to out; returns
// how many characters (1 to 3) it has.
int fullFoldChar(char32_t c, char32_t* out) noexcept {
  const utf8proc_property_t* property = utf8proc_get_property(static_cast<utf8proc_int32_t>(c));
  if (property->casefold_seqindex == UINT16_MAX) {
    out[0] = c;
    return 1;
  }
  utf8proc_int32_t folded[4];
  int boundclass = 0;
  const utf8proc_ssize_t n = utf8proc_decompose_char(static_cast<utf8proc_int32_t>(c), folded, 4,
                                                     UTF8PROC_CASEFOLD, &boundclass);
  if (n < 1 || n > 3) {  // not expected from the data; keep the character
    out[0] = c;
    return 1;
  }
  for (utf8proc_ssize_t i = 0; i < n; ++i) out[i] = static_cast<char32_t>(folded[i]);
  return static_cast<int>(n);
}

// Output storage that starts at the input's size plus a little and grows
// by doubling; written through raw pointers between room checks.
class FoldOutput {
 public:
  explicit FoldOutput(std::size_t expected) : buf_(expected + kSlack) {}

  [[nodiscard]] char* begin() noexcept { return buf_.data(); }
  [[nodiscard]] char* end() noexcept { return buf_.data() + buf_.capacity(); }

  // Storage with room for `need` bytes after the first `used`; returns the
  // new write position.
  char* grow(std::size_t used, std::size_t need) {
    BytesBuffer bigger(2 * buf_.capacity() + need);
    std::memcpy(bigger.data(), buf_.data(), used);
    buf_ = std::move(bigger);
    return buf_.data() + used;
  }

  // The first `used` bytes as a Text; storage with more than a quarter
  // unused is traded for an exact copy so that a long-lived key does not
  // pin it.
  Text finish(std::size_t used) {
    if (buf_.capacity() - used > used / 4 + kSlack) return Text(std::string_view(buf_.data(), used));
    return Text::fromUtf8Unchecked(buf_.freeze(0, used));
  }

 private:
  static constexpr std::size_t kSlack = 16;
  BytesBuffer buf_;
};

// The most one step of the loop below writes: up to seven ASCII bytes
// (kept from an eight-byte store) and then one character's fold, three
// characters of at most four bytes, stored as a fixed twelve bytes.
constexpr std::size_t kStepRoom = 7 + 12;

inline bool isContinuation(unsigned char b) noexcept { return (b & 0xC0) == 0x80; }

// The length (2 to 4) and code point of the sequence at p, whose lead byte
// is not ASCII; 0 when it is malformed. Two- and three-byte sequences with
// four bytes readable take the short way.
inline int decodeAt(const unsigned char* p, const unsigned char* end, char32_t& c) noexcept {
  if (end - p >= 4) {
    const unsigned lead = p[0];
    if (lead >= 0xC2 && lead <= 0xDF && isContinuation(p[1])) {
      c = ((lead & 0x1Fu) << 6) | (p[1] & 0x3Fu);
      return 2;
    }
    if ((lead & 0xF0) == 0xE0 && isContinuation(p[1]) && isContinuation(p[2])) {
      c = ((lead & 0x0Fu) << 12) | ((p[1] & 0x3Fu) << 6) | (p[2] & 0x3Fu);
      if (c >= 0x800 && (c < 0xD800 || c > 0xDFFF)) return 3;
      return 0;
    }
  }
  return decodeUtf8Sequence(p, end, c);
}

// The fold of a recently seen character as UTF-8, so that text in one
// alphabet asks the character data about each letter once. Direct-mapped
// by the low bits of the code point; key 0 is free (keys hold code points
// of at least 0x80).
class FoldMemo {
 public:
  struct Entry {
    std::uint32_t key;  // code point << 4 | length of bytes
    char bytes[12];
  };
  FoldMemo() noexcept { std::memset(entries_, 0, sizeof entries_); }
  Entry& at(char32_t c) noexcept { return entries_[(c ^ (c >> 8)) & (kSize - 1)]; }

 private:
  static constexpr std::size_t kSize = 256;
  Entry entries_[kSize];
};

// Inputs shorter than this skip the memo, whose set-up would cost more
// than it saves.
constexpr std::size_t kMemoFrom = 2048;

// Writes the fold of c, whose sequence of `length` bytes is at p, to o;
// returns the number of bytes written. o has room for twelve bytes.
inline int foldCharAt(char32_t c, const unsigned char* p, int length, bool fourReadable, char* o) noexcept {
  const utf8proc_property_t* property = utf8proc_get_property(static_cast<utf8proc_int32_t>(c));
  if (property->casefold_seqindex == UINT16_MAX) {
    if (fourReadable) {
      std::memcpy(o, p, 4);  // a fixed-size copy; only `length` bytes count
    } else {
      std::memcpy(o, p, static_cast<std::size_t>(length));
    }
    return length;
  }
  char32_t folded[3];
  const int n = fullFoldChar(c, folded);
  auto* u = reinterpret_cast<std::uint8_t*>(o);
  for (int i = 0; i < n; ++i) u = storeUtf8(folded[i], u);
  return static_cast<int>(u - reinterpret_cast<std::uint8_t*>(o));
}

// Full case folding of in; returns the number of bytes written to out.
template <bool kUseMemo>
std::size_t foldUtf8(std::string_view in, FoldOutput& out) {
  const auto* p = reinterpret_cast<const unsigned char*>(in.data());
  const auto* end = p + in.size();
  char* o = out.begin();
  char* limit = out.end() - kStepRoom;
  [[maybe_unused]] std::conditional_t<kUseMemo, FoldMemo, char> memo;
  while (p < end) {
    if (o > limit) {
      o = out.grow(static_cast<std::size_t>(o - out.begin()), kStepRoom);
      limit = out.end() - kStepRoom;
    }
    if (end - p >= 8) {
      // Lower eight bytes at once; when some are not ASCII, keep only the
      // ASCII ones before the first of them.
      std::uint64_t w;
      std::memcpy(&w, p, 8);
      const std::uint64_t high = w & kHighBits;
      const std::uint64_t lowered = lowerAsciiWord(w & ~kHighBits);
      std::memcpy(o, &lowered, 8);
      if (high == 0) {
        p += 8;
        o += 8;
        continue;
      }
      const int ascii = std::countr_zero(high) >> 3;
      p += ascii;
      o += ascii;
    } else if (*p < 0x80) {
      *o++ = lowerAscii(static_cast<char>(*p++));
      continue;
    }
    char32_t c;
    const int length = decodeAt(p, end, c);
    if (length == 0) {
      *o++ = static_cast<char>(*p++);  // malformed: copied as it is
      continue;
    }
    if constexpr (kUseMemo) {
      FoldMemo::Entry& e = memo.at(c);
      if ((e.key >> 4) != c) {
        const int n = foldCharAt(c, p, length, end - p >= 4, e.bytes);
        e.key = static_cast<std::uint32_t>(c << 4) | static_cast<std::uint32_t>(n);
      }
      std::memcpy(o, e.bytes, sizeof e.bytes);
      o += e.key & 15;
    } else {
      o += foldCharAt(c, p, length, end - p >= 4, o);
    }
    p += length;
  }
  return static_cast<std::size_t>(o - out.begin());
}

}  // namespace

void toLower8Bytes(const char* in, std::size_t n, char* out) noexcept {
  // Branch-free so that the compiler turns it into vector code.
  for (std::size_t i = 0; i < n; ++i) {
    out[i] = static_cast<char>(toLower8(static_cast<std::uint8_t>(in[i])));
  }
}

Bytes foldCaseBS(const Bytes& bs) {
  if (bs.empty()) return Bytes();
  BytesBuffer buf(bs.size());
  toLower8Bytes(bs.data(), bs.size(), buf.data());
  return buf.freeze(0, bs.size());
}

ChunkedBytes FoldCase<ChunkedBytes>::foldCase(const ChunkedBytes& c) {
  std::vector<Bytes> chunks;
  chunks.reserve(c.chunks().size());
  for (const Bytes& chunk : c) chunks.push_back(foldCaseBS(chunk));
  return ChunkedBytes(std::move(chunks));
}

char32_t simpleLower(char32_t c) noexcept {
  if (c < 0x80) return static_cast<char32_t>(lowerAscii(static_cast<char>(c)));
  if (!isScalarValue(c)) return c;
  return static_cast<char32_t>(utf8proc_tolower(static_cast<utf8proc_int32_t>(c)));
}

std::u32string fullFold(std::u32string_view chars) {
  std::u32string out;
  out.reserve(chars.size());
  for (char32_t c : chars) {
    if (c < 0x80) {
      out.push_back(static_cast<char32_t>(lowerAscii(static_cast<char>(c))));
    } else if (!isScalarValue(c)) {
      out.push_back(c);
    } else {
      char32_t folded[3];
      out.append(folded, static_cast<std::size_t>(fullFoldChar(c, folded)));
    }
  }
  return out;
}

Text foldText(const Text& t) {
  if (t.empty()) return Text();
  FoldOutput out(t.size());
  const std::size_t used = t.size() >= kMemoFrom ? foldUtf8<true>(t.view(), out) : foldUtf8<false>(t.view(), out);
  return out.finish(used);
}

ChunkedText FoldCase<ChunkedText>::foldCase(const ChunkedText& c) {
  std::vector<Text> chunks;
  chunks.reserve(c.chunks().size());
  for (const Text& chunk : c) chunks.push_back(foldText(chunk));
  return ChunkedText(std::move(chunks));
}

}  // namespace quire::foldkey
