// Drivers: run a builder into byte strings.
//
// toByteString gives one contiguous byte string; toLazyByteStringWith gives
// chunks of caller-chosen buffer sizes that are never trimmed or copied;
// toByteStringIOWith hands each filled buffer to a consumer as soon as it is
// full, so output can stream to a socket or file while it is produced.
// writeToByteString runs a single write.
//
// Example:
//   using namespace quire::quill;
//   quire::builder::Builder b = fromByteString(quire::Bytes("hello ")) +
//                               insertByteString(quire::Bytes("world"));
//   // toByteString(b).view() == "hello world"
//   // toLazyByteStringWith(64, 0, 64, b).chunks().size() == 2
//   std::vector<std::string> seen;
//   toByteStringIO([&](quire::Bytes s) { seen.push_back(s.toString()); }, b);
//   // seen == {"hello ", "world", ""}: the inserted chunk ends a buffer, and
//   // the (empty) last buffer is handed over too
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

#include "base/builder.hpp"
#include "base/bytes.hpp"
#include "quill/export.hpp"
#include "quill/write.hpp"

namespace quire::quill {

// The buffer size of toByteStringIO: 32 KiB less room for the allocator's
// bookkeeping.
inline constexpr std::int64_t defaultIOBufferSize = 32752;

// The whole output as one byte string of exactly its length.
QUIRE_QUILL_EXPORT Bytes toByteString(const builder::Builder& b);

// The output as chunks, then tail. The first buffer has max(8, firstBufSize)
// bytes; after a buffer full asking for m bytes the next has
// max(m, max(8, bufSize)). Each buffer's written bytes become one chunk as
// they are (never trimmed or copied); inserted byte strings stand between
// them as chunks of their own, and writing goes on in the rest of the buffer
// after one. minBufSize is not used.
QUIRE_QUILL_EXPORT ChunkedBytes toLazyByteStringWith(std::size_t bufSize, std::size_t minBufSize,
                                                     std::size_t firstBufSize,
                                                     const builder::Builder& b,
                                                     const ChunkedBytes& tail = {});

// Receives each finished piece of output. A piece is never written again,
// so the consumer may keep it.
using ByteStringConsumer = std::function<void(Bytes)>;

// Runs b in buffers of bufSize bytes (or what a step asks for, if more),
// handing the consumer what each buffer holds when the builder finishes,
// when the buffer is full (also when nothing was written) and before an
// inserted byte string, which follows as a piece of its own unless it is
// empty. A negative bufSize throws std::bad_array_new_length.
QUIRE_QUILL_EXPORT void toByteStringIOWith(std::int64_t bufSize, const ByteStringConsumer& consumer,
                                           const builder::Builder& b);
// toByteStringIOWith(32752, consumer, b).
QUIRE_QUILL_EXPORT void toByteStringIO(const ByteStringConsumer& consumer,
                                       const builder::Builder& b);

namespace detail {
// A buffer of n bytes for a driver; a negative n is the allocator's error.
QUIRE_QUILL_EXPORT BytesBuffer driverBuffer(std::int64_t n);
}  // namespace detail

// Exactly the bytes w stores, in a buffer of w's bound (a negative bound
// throws std::bad_array_new_length).
template <class F>
[[nodiscard]] Bytes writeToByteString(const Write<F>& w) {
  BytesBuffer buffer = detail::driverBuffer(w.bound());
  auto* start = reinterpret_cast<std::uint8_t*>(buffer.data());
  std::uint8_t* end = w.poke().runPoke(start);
  return buffer.freeze(0, static_cast<std::size_t>(end - start));
}

}  // namespace quire::quill
