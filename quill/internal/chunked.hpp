// The framing step of the chunked transfer coding, with the largest chunk
// as a parameter so that the splitting of large data can be exercised with
// small sizes.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <variant>

#include "base/builder.hpp"
#include "base/bytes.hpp"
#include "base/error.hpp"

namespace quire::quill::detail {

// Room a chunk's size line takes before its data: eight hexadecimal digits
// and CRLF.
inline constexpr std::size_t chunkOverheadBefore = 10;
// Room kept after the data: its CRLF, and the size line of a byte string
// that may be inserted right after it.
inline constexpr std::size_t chunkOverheadAfter = 12;
inline constexpr std::size_t chunkOverhead = chunkOverheadBefore + chunkOverheadAfter;
// Room for the overhead and one byte of data.
inline constexpr std::size_t chunkMinimalBuffer = chunkOverhead + 1;
// The largest chunk whose size fits the eight-digit size line. Larger data
// is framed as several chunks.
inline constexpr std::uint32_t largestChunk = 0xFFFFFFFF;

inline constexpr char upperHexDigits[] = "0123456789ABCDEF";

// Hexadecimal digits of n, at least one.
constexpr std::size_t hexDigitCount(std::uint64_t n) noexcept {
  std::size_t d = 1;
  while (n >>= 4) ++d;
  return d;
}

// n in exactly `digits` uppercase hexadecimal digits, zero-padded on the left.
inline void storeHexPadded(std::uint64_t n, std::size_t digits, std::uint8_t* out) noexcept {
  for (std::size_t i = digits; i > 0; --i) {
    out[i - 1] = static_cast<std::uint8_t>(upperHexDigits[n & 0xF]);
    n >>= 4;
  }
}

inline std::uint8_t* storeCrlf(std::uint8_t* out) noexcept {
  out[0] = '\r';
  out[1] = '\n';
  return out + 2;
}

// A size line: n in the fewest hexadecimal digits, then CRLF.
inline std::uint8_t* storeSizeLine(std::uint64_t n, std::uint8_t* out) noexcept {
  std::size_t digits = hexDigitCount(n);
  storeHexPadded(n, digits, out);
  return storeCrlf(out + digits);
}

inline builder::BuildSignal frameChunks(const builder::BuildStep& inner, std::uint32_t limit,
                                        builder::BufferRange r, const builder::StepSelf* self);

// Frames the output of inner, resumed.
struct ChunkFraming {
  builder::BuildStep inner;
  std::uint32_t limit;
  builder::BuildSignal operator()(builder::BufferRange r, const builder::StepSelf& self) const {
    return frameChunks(inner, limit, r, &self);
  }
};

// Emits piece as an inserted chunk after its size line at cur; the step
// after it closes the chunk and goes on with the rest of the inserted bytes,
// then with the framing of inner.
inline builder::BuildSignal insertPiece(std::uint8_t* cur, const Bytes& bytes,
                                        const builder::BuildStep& inner, std::uint32_t limit);

// Ends an inserted chunk with CRLF. When fewer bytes are free than that (and
// the next piece's size line) need, it asks for them instead of writing.
struct AfterInsert {
  Bytes rest;  // inserted bytes not yet emitted
  builder::BuildStep inner;
  std::uint32_t limit;

  builder::BuildSignal operator()(builder::BufferRange r, const builder::StepSelf& self) const {
    std::size_t need = 2;
    if (!rest.empty()) need += hexDigitCount(std::min<std::size_t>(rest.size(), limit)) + 2;
    if (r.free() < need) return builder::BufferFull{need, r.cur, self};
    std::uint8_t* cur = storeCrlf(r.cur);
    if (!rest.empty()) return insertPiece(cur, rest, inner, limit);
    return frameChunks(inner, limit, builder::BufferRange{cur, r.end}, nullptr);
  }
};

inline builder::BuildSignal insertPiece(std::uint8_t* cur, const Bytes& bytes,
                                        const builder::BuildStep& inner, std::uint32_t limit) {
  Bytes piece = bytes.slice(0, limit);
  cur = storeSizeLine(piece.size(), cur);
  return builder::InsertChunk{
      cur, piece, builder::BuildStep(AfterInsert{bytes.slice(limit, bytes.size()), inner, limit})};
}

[[noreturn]] inline void throwStepTooLarge(std::size_t need) {
  throwError("chunkedTransferEncoding: a build step needs " + std::to_string(need) +
             " bytes, more than one chunk can hold");
}

// One round: the inner step runs in the buffer less the room for the size
// line before and the overhead after; what it wrote becomes one chunk (none
// if it wrote nothing), and its signal is passed on framed. self is the
// running framing step, or null when there is none to resume.
inline builder::BuildSignal frameChunks(const builder::BuildStep& inner, std::uint32_t limit,
                                        builder::BufferRange r, const builder::StepSelf* self) {
  using namespace builder;
  BuildStep step = inner;
  std::uint8_t* op = r.cur;
  for (;;) {
    std::size_t free = static_cast<std::size_t>(r.end - op);
    if (free < chunkMinimalBuffer) {
      if (self != nullptr && op == r.cur) return BufferFull{chunkMinimalBuffer, op, *self};
      return BufferFull{chunkMinimalBuffer, op, BuildStep(ChunkFraming{step, limit})};
    }
    std::size_t digits = hexDigitCount(std::min<std::uint64_t>(free, limit));
    std::uint8_t* start = op + digits + 2;
    std::size_t room = std::min<std::size_t>(free - digits - 2 - chunkOverheadAfter, limit);
    BuildSignal signal = step(BufferRange{start, start + room});
    std::uint8_t* end = signalCursor(signal);
    std::uint8_t* next = op;
    if (end != start) {
      storeHexPadded(static_cast<std::size_t>(end - start), digits, op);
      storeCrlf(start - 2);
      next = storeCrlf(end);
    }
    if (std::holds_alternative<Done>(signal)) return Done{next};
    if (auto* full = std::get_if<BufferFull>(&signal)) {
      if (full->minSize > limit) throwStepTooLarge(full->minSize);
      std::size_t need = full->minSize + chunkOverhead;
      // Only when the chunk was cut short by the largest chunk size can the
      // buffer still hold another: start it here.
      auto left = static_cast<std::size_t>(r.end - next);
      if (end != start && left >= std::max(need, chunkMinimalBuffer)) {
        step = std::move(full->next);
        op = next;
        continue;
      }
      return BufferFull{need, next, BuildStep(ChunkFraming{std::move(full->next), limit})};
    }
    auto& insert = std::get<InsertChunk>(signal);
    if (insert.chunk.empty()) {  // a flush request, passed on
      return InsertChunk{next, Bytes(), BuildStep(ChunkFraming{std::move(insert.next), limit})};
    }
    return insertPiece(next, insert.chunk, insert.next, limit);
  }
}

// chunkedTransferEncoding with chunks of at most limit bytes (1 to
// largestChunk).
inline builder::Builder chunkedTransferEncodingUpTo(const builder::Builder& inner,
                                                    std::uint32_t limit) {
  limit = std::max<std::uint32_t>(limit, 1);
  return builder::Builder(builder::BuildStep(ChunkFraming{inner.step(), limit}));
}

}  // namespace quire::quill::detail
