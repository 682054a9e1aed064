// Shared by the quill tests and the HTTP peer check: a recording driver
// with guarded buffers, random builders with a known output, and a strict
// decoder of chunked bodies.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "base/builder.hpp"
#include "base/bytes.hpp"
#include "quill/quill.hpp"

namespace quire::quill::testing {

// What a run in guarded buffers saw.
struct Recorded {
  std::string output;
  std::vector<std::string> pieces;  // each buffer's bytes and each inserted chunk, in order
  std::vector<std::size_t> fullRequests;
  int inserts = 0;
  int flushes = 0;
  bool overran = false;  // a step wrote past the end of its range
};

// Runs step in fresh buffers, the size of each chosen by nextSize(minimum
// asked for, 0 at the start and after an insert). Every buffer is followed
// by guard bytes that must stay untouched. A buffer is left after every
// signal, so each buffer full and insert is seen in the smallest setting.
inline Recorded runGuarded(builder::BuildStep step,
                           const std::function<std::size_t(std::size_t)>& nextSize) {
  constexpr std::size_t kGuard = 32;
  constexpr std::uint8_t kGuardByte = 0xA5;
  Recorded rec;
  std::size_t asked = 0;
  for (int rounds = 0; rounds < 10'000'000; ++rounds) {
    std::size_t size = std::max(nextSize(asked), asked);
    std::vector<std::uint8_t> buf(size + kGuard, kGuardByte);
    builder::RunResult r = builder::run(step, builder::BufferRange{buf.data(), buf.data() + size});
    for (std::size_t i = size; i < buf.size(); ++i) rec.overran |= buf[i] != kGuardByte;
    std::string written(reinterpret_cast<const char*>(buf.data()), std::min(r.written, size));
    rec.output += written;
    rec.pieces.push_back(written);
    asked = 0;
    if (std::holds_alternative<builder::Done>(r.signal)) return rec;
    if (auto* full = std::get_if<builder::BufferFull>(&r.signal)) {
      rec.fullRequests.push_back(full->minSize);
      asked = full->minSize;
      step = full->next;
    } else {
      auto& insert = std::get<builder::InsertChunk>(r.signal);
      if (insert.chunk.empty()) {
        ++rec.flushes;
      } else {
        ++rec.inserts;
        rec.output += insert.chunk.toString();
        rec.pieces.push_back(insert.chunk.toString());
      }
      step = insert.next;
    }
  }
  rec.overran = true;  // no end in sight
  return rec;
}

inline Recorded runGuarded(const builder::Builder& b, std::size_t bufSize) {
  return runGuarded(b.step(), [bufSize](std::size_t) { return bufSize; });
}

inline std::string randomBytes(std::mt19937_64& rng, std::size_t n) {
  std::string s(n, '\0');
  for (char& c : s) c = static_cast<char>(rng());
  return s;
}

// The escaping of markup, one character at a time, written out case by
// case: appends the escaped bytes to out.
inline void appendEscaped(std::string& out, std::string_view bytes) {
  for (char c : bytes) {
    switch (c) {
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '&':
        out += "&amp;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += "&#39;";
        break;
      case '\t':
      case '\n':
      case '\r':
        out += c;
        break;
      default:
        if (static_cast<unsigned char>(c) >= 32 && c != 127) out += c;
    }
  }
}

inline std::string referenceEscape(std::string_view bytes) {
  std::string out;
  appendEscaped(out, bytes);
  return out;
}

// The length of the well-formed UTF-8 sequence at the start of s by the
// table of well-formed byte sequences (lead byte, then the allowed range of
// the second byte, then plain continuation bytes), or 0.
inline std::size_t referenceUtf8Length(std::string_view s) {
  struct Row {
    unsigned lo, hi, secondLo, secondHi;
    std::size_t length;
  };
  static constexpr Row rows[] = {
      {0x00, 0x7F, 0, 0, 1},       {0xC2, 0xDF, 0x80, 0xBF, 2}, {0xE0, 0xE0, 0xA0, 0xBF, 3},
      {0xE1, 0xEC, 0x80, 0xBF, 3}, {0xED, 0xED, 0x80, 0x9F, 3}, {0xEE, 0xEF, 0x80, 0xBF, 3},
      {0xF0, 0xF0, 0x90, 0xBF, 4}, {0xF1, 0xF3, 0x80, 0xBF, 4}, {0xF4, 0xF4, 0x80, 0x8F, 4}};
  const auto at = [&s](std::size_t i) { return static_cast<unsigned char>(s[i]); };
  for (const Row& r : rows) {
    if (s.empty() || at(0) < r.lo || at(0) > r.hi) continue;
    if (s.size() < r.length) return 0;
    if (r.length > 1 && (at(1) < r.secondLo || at(1) > r.secondHi)) return 0;
    for (std::size_t i = 2; i < r.length; ++i) {
      if (at(i) < 0x80 || at(i) > 0xBF) return 0;
    }
    return r.length;
  }
  return 0;
}

// s with every byte that starts no well-formed sequence replaced by U+FFFD:
// what a JSON reader must get back from a JSON string of s.
inline std::string referenceSanitized(std::string_view s) {
  std::string out;
  for (std::size_t i = 0; i < s.size();) {
    std::size_t n = referenceUtf8Length(s.substr(i));
    out += n == 0 ? std::string_view("\xEF\xBF\xBD") : s.substr(i, n);
    i += n == 0 ? 1 : n;
  }
  return out;
}

// Appends the quoted JSON string of s, one unit at a time, case by case.
inline void appendReferenceJsonString(std::string& out, std::string_view s) {
  out += '"';
  for (std::size_t i = 0; i < s.size();) {
    const auto c = static_cast<unsigned char>(s[i]);
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\t': out += "\\t"; break;
      case '\r': out += "\\r"; break;
      case '\b': out += "\\b"; break;
      case '\f': out += "\\f"; break;
      default:
        if (c < 0x20) {
          char hex[8];
          std::snprintf(hex, sizeof hex, "\\u%04x", c);
          out += hex;
        } else if (std::size_t n = referenceUtf8Length(s.substr(i)); n > 1) {
          out += s.substr(i, n);
          i += n;
          continue;
        } else {
          out += c < 0x80 ? std::string_view(&s[i], 1) : std::string_view("\xEF\xBF\xBD");
        }
    }
    ++i;
  }
  out += '"';
}

inline std::string referenceJsonString(std::string_view s) {
  std::string out;
  appendReferenceJsonString(out, s);
  return out;
}

// A builder with the bytes it must produce.
struct Sample {
  builder::Builder builder;
  std::string expected;
  void add(builder::Builder b, std::string_view bytes) {
    builder += std::move(b);
    expected += bytes;
  }
};

// A random mix of copied and inserted byte strings, flush requests, writes
// of varied bounds, integer lists and escaped text, of about `budget` bytes.
inline Sample randomSample(std::mt19937_64& rng, std::size_t budget) {
  Sample s;
  auto pick = [&](std::size_t n) { return static_cast<std::size_t>(rng() % n); };
  while (s.expected.size() < budget) {
    switch (pick(7)) {
      case 0: {
        std::string bytes = randomBytes(rng, pick(3) == 0 ? pick(20000) : pick(64));
        s.add(copyByteString(Bytes(bytes)), bytes);
        break;
      }
      case 1: {
        std::string bytes = randomBytes(rng, pick(2) == 0 ? pick(9000) : pick(16));
        s.add(insertByteString(Bytes(bytes)), bytes);
        break;
      }
      case 2:
        s.add(builder::flush(), "");
        break;
      case 3: {
        std::string bytes = randomBytes(rng, pick(40));
        // A bound well above what is stored: buffer full comes early.
        auto w = boundedWrite(static_cast<std::int64_t>(bytes.size() + pick(60)),
                              writeByteString(Bytes(bytes)).poke());
        s.add(fromWrite(w), bytes);
        break;
      }
      case 4: {
        std::vector<std::uint32_t> xs(pick(50));
        std::string bytes;
        for (auto& x : xs) {
          x = static_cast<std::uint32_t>(rng());
          for (int k = 3; k >= 0; --k) bytes += static_cast<char>(x >> (8 * k));
        }
        s.add(fromWord32sbe(std::move(xs)), bytes);
        break;
      }
      case 5: {
        std::string text = "a<b>&\"'" + randomBytes(rng, pick(30));
        s.add(html_word::fromHtmlEscapedByteString(Bytes(text)), referenceEscape(text));
        break;
      }
      default: {
        std::string bytes = randomBytes(rng, pick(300));
        s.add(fromByteString(Bytes(bytes)), bytes);
      }
    }
  }
  return s;
}

// A strictly read chunked body.
struct DecodedBody {
  std::string data;
  std::vector<std::size_t> chunkSizes;  // every chunk before the last, empty one
  std::vector<std::size_t> sizeDigits;  // digits of each size field
};

// Reads size lines of uppercase hexadecimal digits, CRLF, the data and
// CRLF, up to the zero-size chunk and its empty line, which must end the
// text. Nothing else is accepted: no extensions, no trailers, no empty
// chunk before the last.
inline std::optional<DecodedBody> decodeChunked(std::string_view body) {
  DecodedBody out;
  std::size_t at = 0;
  for (;;) {
    std::size_t digits = 0;
    std::uint64_t size = 0;
    while (at + digits < body.size() && digits < 17) {
      char c = body[at + digits];
      int v = c >= '0' && c <= '9' ? c - '0' : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
      if (v < 0) break;
      size = size * 16 + static_cast<std::uint64_t>(v);
      ++digits;
    }
    if (digits == 0 || digits > 16 || body.substr(at + digits, 2) != "\r\n") return std::nullopt;
    at += digits + 2;
    if (size == 0) {
      if (digits != 1 || body.substr(at) != "\r\n") return std::nullopt;
      return out;
    }
    if (body.size() - at < size + 2 || body.substr(at + size, 2) != "\r\n") return std::nullopt;
    out.data += body.substr(at, size);
    out.chunkSizes.push_back(size);
    out.sizeDigits.push_back(digits);
    at += size + 2;
  }
}

}  // namespace quire::quill::testing
