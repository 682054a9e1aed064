#include "quill/drivers.hpp"

#include <algorithm>
#include <cstring>
#include <new>
#include <utility>
#include <variant>

#include "base/bytes_buffer.hpp"

namespace quire::quill {

namespace detail {

BytesBuffer driverBuffer(std::int64_t n) {
  if (n < 0) throw std::bad_array_new_length();
  return BytesBuffer(static_cast<std::size_t>(n));
}

}  // namespace detail

namespace {

using builder::BufferFull;
using builder::BufferRange;
using builder::BuildSignal;
using builder::BuildStep;
using builder::Done;
using builder::InsertChunk;

std::uint8_t* bufferStart(BytesBuffer& buffer) {
  return reinterpret_cast<std::uint8_t*>(buffer.data());
}

BufferRange wholeRange(BytesBuffer& buffer) {
  return BufferRange{bufferStart(buffer), bufferStart(buffer) + buffer.capacity()};
}

}  // namespace

Bytes toByteString(const builder::Builder& b) {
  ChunkedBytes pieces = builder::toLazyByteString(b);
  if (pieces.empty()) return Bytes();
  BytesBuffer exact(pieces.size());
  std::size_t at = 0;
  for (const Bytes& piece : pieces.chunks()) {
    std::memcpy(exact.data() + at, piece.data(), piece.size());
    at += piece.size();
  }
  return exact.freeze(0, at);
}

ChunkedBytes toLazyByteStringWith(std::size_t bufSize, std::size_t /*minBufSize*/,
                                  std::size_t firstBufSize, const builder::Builder& b,
                                  const ChunkedBytes& tail) {
  constexpr std::size_t kSmallest = 8;
  ChunkedBytes out;
  BytesBuffer buffer(std::max(kSmallest, firstBufSize));
  std::size_t chunkStart = 0;  // where the bytes not yet emitted begin
  std::size_t used = 0;
  auto emit = [&] {
    out.append(buffer.freeze(chunkStart, used - chunkStart));
    chunkStart = used;
  };
  BuildStep step = b.step();
  for (;;) {
    BufferRange range{bufferStart(buffer) + used, bufferStart(buffer) + buffer.capacity()};
    BuildSignal signal = step(range);
    used = static_cast<std::size_t>(builder::signalCursor(signal) - bufferStart(buffer));
    if (std::holds_alternative<Done>(signal)) break;
    emit();
    if (auto* full = std::get_if<BufferFull>(&signal)) {
      // A step that asks a fresh buffer for no more than it holds would be
      // handed the same size forever.
      if (range.cur == bufferStart(buffer)) {
        builder::detail::checkProgress("toLazyByteStringWith", range, *full);
      }
      buffer = BytesBuffer(std::max(full->minSize, std::max(kSmallest, bufSize)));
      chunkStart = used = 0;
      step = std::move(full->next);
    } else {
      auto& insert = std::get<InsertChunk>(signal);
      out.append(std::move(insert.chunk));
      step = std::move(insert.next);
    }
  }
  emit();
  for (const Bytes& chunk : tail.chunks()) out.append(chunk);
  return out;
}

void toByteStringIOWith(std::int64_t bufSize, const ByteStringConsumer& consumer,
                        const builder::Builder& b) {
  BytesBuffer buffer = detail::driverBuffer(bufSize);
  const auto size = static_cast<std::size_t>(bufSize);
  BuildStep step = b.step();
  for (;;) {
    BufferRange range = wholeRange(buffer);
    BuildSignal signal = step(range);
    auto n = static_cast<std::size_t>(builder::signalCursor(signal) - range.cur);
    if (std::holds_alternative<Done>(signal)) {
      consumer(buffer.freeze(0, n));
      return;
    }
    if (auto* full = std::get_if<BufferFull>(&signal)) {
      builder::detail::checkProgress("toByteStringIOWith", range, *full);
      consumer(buffer.freeze(0, n));
      buffer = BytesBuffer(std::max(size, full->minSize));
      step = std::move(full->next);
      continue;
    }
    auto& insert = std::get<InsertChunk>(signal);
    if (n > 0) {
      consumer(buffer.freeze(0, n));
      if (!insert.chunk.empty()) consumer(std::move(insert.chunk));
      buffer = BytesBuffer(size);
    } else if (!insert.chunk.empty()) {
      consumer(std::move(insert.chunk));
    }
    step = std::move(insert.next);
  }
}

void toByteStringIO(const ByteStringConsumer& consumer, const builder::Builder& b) {
  toByteStringIOWith(defaultIOBufferSize, consumer, b);
}

}  // namespace quire::quill
