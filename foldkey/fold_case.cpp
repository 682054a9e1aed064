#include "foldkey/fold_case.hpp"

#include <utf8proc.h>

#include <cstring>

#include "base/bytes_buffer.hpp"
#include "base/internal/encode.hpp"

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

// The length (2 to 4) of the well-formed multi-byte sequence at p, storing
// its code point in c, or 0 when the bytes there are not one.
int decodeSequence(const unsigned char* p, const unsigned char* end, char32_t& c) noexcept {
  const unsigned lead = p[0];
  int extra;
  unsigned low = 0x80, high = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF) {
    extra = 1;
    c = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    extra = 2;
    c = lead & 0x0F;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    extra = 3;
    c = lead & 0x07;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return 0;
  }
  if (end - p <= extra) return 0;
  if (p[1] < low || p[1] > high) return 0;
  for (int k = 1; k <= extra; ++k) {
    if ((p[k] & 0xC0) != 0x80) return 0;
    c = (c << 6) | (p[k] & 0x3F);
  }
  return extra + 1;
}

// Output storage that starts at the input's size plus a little and grows
// by doubling; written through raw pointers between room checks.
class FoldOutput {
 public:
  explicit FoldOutput(std::size_t expected) : buf_(expected + kSlack) {
    cur_ = buf_.data();
    end_ = cur_ + buf_.capacity();
  }

  // Room for at least `need` more bytes at cur().
  void reserve(std::size_t need) {
    if (static_cast<std::size_t>(end_ - cur_) >= need) return;
    const std::size_t used = written();
    BytesBuffer bigger(2 * buf_.capacity() + need);
    std::memcpy(bigger.data(), buf_.data(), used);
    buf_ = std::move(bigger);
    cur_ = buf_.data() + used;
    end_ = buf_.data() + buf_.capacity();
  }
  [[nodiscard]] std::size_t room() const noexcept { return static_cast<std::size_t>(end_ - cur_); }
  char*& cur() noexcept { return cur_; }

  // The written bytes as a Text; storage with more than a quarter unused is
  // traded for an exact copy so that a long-lived key does not pin it.
  Text finish() {
    const std::size_t used = written();
    if (buf_.capacity() - used > used / 4 + kSlack) return Text(std::string_view(buf_.data(), used));
    return Text::fromUtf8Unchecked(buf_.freeze(0, used));
  }

 private:
  static constexpr std::size_t kSlack = 16;
  [[nodiscard]] std::size_t written() noexcept { return static_cast<std::size_t>(cur_ - buf_.data()); }

  BytesBuffer buf_;
  char* cur_;
  char* end_;
};

// The longest full fold is three characters of at most four bytes each.
constexpr std::size_t kMaxFoldBytes = 12;

void foldUtf8(std::string_view in, FoldOutput& out) {
  const auto* p = reinterpret_cast<const unsigned char*>(in.data());
  const auto* end = p + in.size();
  while (p < end) {
    // Eight ASCII bytes at a time while they last.
    char*& o = out.cur();
    while (end - p >= 8 && out.room() >= 8) {
      std::uint64_t w;
      std::memcpy(&w, p, 8);
      if ((w & kHighBits) != 0) break;
      w = lowerAsciiWord(w);
      std::memcpy(o, &w, 8);
      p += 8;
      o += 8;
    }
    if (p == end) break;
    out.reserve(kMaxFoldBytes);
    char*& q = out.cur();
    if (*p < 0x80) {  // a short ASCII tail, or ASCII before other bytes
      *q++ = lowerAscii(static_cast<char>(*p++));
      continue;
    }
    char32_t c;
    const int length = decodeSequence(p, end, c);
    if (length == 0) {
      *q++ = static_cast<char>(*p++);  // malformed: copied as it is
      continue;
    }
    char32_t folded[3];
    const int n = fullFoldChar(c, folded);
    if (n == 1 && folded[0] == c) {
      std::memcpy(q, p, static_cast<std::size_t>(length));
      q += length;
    } else {
      auto* u = reinterpret_cast<std::uint8_t*>(q);
      for (int i = 0; i < n; ++i) u = storeUtf8(folded[i], u);
      q = reinterpret_cast<char*>(u);
    }
    p += length;
  }
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
  foldUtf8(t.view(), out);
  return out.finish();
}

ChunkedText FoldCase<ChunkedText>::foldCase(const ChunkedText& c) {
  std::vector<Text> chunks;
  chunks.reserve(c.chunks().size());
  for (const Text& chunk : c) chunks.push_back(foldText(chunk));
  return ChunkedText(std::move(chunks));
}

}  // namespace quire::foldkey
