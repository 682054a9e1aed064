// Fixed-width integers in big-endian, little-endian and host byte order.
//
// be writes the most significant byte first, le the least significant
// first, host the machine's own order (a plain store). Signed values are
// written in two's complement. Every encoder is exact: its length is the
// width. The "machine integer" forms (Inthost, Wordhost) are 64 bits wide.
// List builders check each value against the free space by its width and
// write runs that surely fit without further checks; the list is kept by
// the builder (moved in, or shared through an IntList).
//
// Example:
//   using namespace quire::quill;
//   // writeToByteString(writeInt16be(258)).view() == "\x01\x02"
//   // writeToByteString(writeInt16le(258)).view() == "\x02\x01"
//   // writeToByteString(writeInt32be(-1)).view() == "\xFF\xFF\xFF\xFF"
//   // toByteString(fromWord16sbe({1, 2})).view() == std::string_view("\0\1\0\2", 4)
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "base/builder.hpp"
#include "quill/export.hpp"
#include "quill/write.hpp"

namespace quire::quill {

// A list of values shared with a builder, so building does not copy it.
template <class T>
using IntList = std::shared_ptr<const std::vector<T>>;

namespace detail {

template <class U>
struct StoreHost {
  static constexpr std::size_t width = sizeof(U);
  void operator()(U x, std::uint8_t* out) const noexcept { std::memcpy(out, &x, sizeof x); }
};

template <class U>
inline constexpr builder::FixedPrim<U, StoreHost<U>> hostPrim{sizeof(U), {}};

}  // namespace detail

// Unsigned values.
[[nodiscard]] inline auto writeWord8(std::uint8_t x) { return writePrimFixed(builder::word8, x); }
[[nodiscard]] inline auto writeWord16be(std::uint16_t x) {
  return writePrimFixed(builder::word16BE, x);
}
[[nodiscard]] inline auto writeWord16le(std::uint16_t x) {
  return writePrimFixed(builder::word16LE, x);
}
[[nodiscard]] inline auto writeWord16host(std::uint16_t x) {
  return writePrimFixed(detail::hostPrim<std::uint16_t>, x);
}
[[nodiscard]] inline auto writeWord32be(std::uint32_t x) {
  return writePrimFixed(builder::word32BE, x);
}
[[nodiscard]] inline auto writeWord32le(std::uint32_t x) {
  return writePrimFixed(builder::word32LE, x);
}
[[nodiscard]] inline auto writeWord32host(std::uint32_t x) {
  return writePrimFixed(detail::hostPrim<std::uint32_t>, x);
}
[[nodiscard]] inline auto writeWord64be(std::uint64_t x) {
  return writePrimFixed(builder::word64BE, x);
}
[[nodiscard]] inline auto writeWord64le(std::uint64_t x) {
  return writePrimFixed(builder::word64LE, x);
}
[[nodiscard]] inline auto writeWord64host(std::uint64_t x) {
  return writePrimFixed(detail::hostPrim<std::uint64_t>, x);
}
[[nodiscard]] inline auto writeWordhost(std::uint64_t x) {
  return writePrimFixed(detail::hostPrim<std::uint64_t>, x);
}

// Signed (two's complement) values.
[[nodiscard]] inline auto writeInt8(std::int8_t x) {
  return writeWord8(static_cast<std::uint8_t>(x));
}
[[nodiscard]] inline auto writeInt16be(std::int16_t x) {
  return writeWord16be(static_cast<std::uint16_t>(x));
}
[[nodiscard]] inline auto writeInt16le(std::int16_t x) {
  return writeWord16le(static_cast<std::uint16_t>(x));
}
[[nodiscard]] inline auto writeInt16host(std::int16_t x) {
  return writeWord16host(static_cast<std::uint16_t>(x));
}
[[nodiscard]] inline auto writeInt32be(std::int32_t x) {
  return writeWord32be(static_cast<std::uint32_t>(x));
}
[[nodiscard]] inline auto writeInt32le(std::int32_t x) {
  return writeWord32le(static_cast<std::uint32_t>(x));
}
[[nodiscard]] inline auto writeInt32host(std::int32_t x) {
  return writeWord32host(static_cast<std::uint32_t>(x));
}
[[nodiscard]] inline auto writeInt64be(std::int64_t x) {
  return writeWord64be(static_cast<std::uint64_t>(x));
}
[[nodiscard]] inline auto writeInt64le(std::int64_t x) {
  return writeWord64le(static_cast<std::uint64_t>(x));
}
[[nodiscard]] inline auto writeInt64host(std::int64_t x) {
  return writeWord64host(static_cast<std::uint64_t>(x));
}
[[nodiscard]] inline auto writeInthost(std::int64_t x) {
  return writeWordhost(static_cast<std::uint64_t>(x));
}

// Builders of one value and of every value of a list, in order.
QUIRE_QUILL_EXPORT builder::Builder fromWord8(std::uint8_t x);
QUIRE_QUILL_EXPORT builder::Builder fromWord8s(std::vector<std::uint8_t> xs);
QUIRE_QUILL_EXPORT builder::Builder fromWord8s(IntList<std::uint8_t> xs);
QUIRE_QUILL_EXPORT builder::Builder fromWord16be(std::uint16_t x);
QUIRE_QUILL_EXPORT builder::Builder fromWord16sbe(std::vector<std::uint16_t> xs);
QUIRE_QUILL_EXPORT builder::Builder fromWord16sbe(IntList<std::uint16_t> xs);
QUIRE_QUILL_EXPORT builder::Builder fromWord16le(std::uint16_t x);
QUIRE_QUILL_EXPORT builder::Builder fromWord16sle(std::vector<std::uint16_t> xs);
QUIRE_QUILL_EXPORT builder::Builder fromWord16sle(IntList<std::uint16_t> xs);
QUIRE_QUILL_EXPORT builder::Builder fromWord16host(std::uint16_t x);
QUIRE_QUILL_EXPORT builder::Builder fromWord16shost(std::vector<std::uint16_t> xs);
QUIRE_QUILL_EXPORT builder::Builder fromWord16shost(IntList<std::uint16_t> xs);
QUIRE_QUILL_EXPORT builder::Builder fromWord32be(std::uint32_t x);
QUIRE_QUILL_EXPORT builder::Builder fromWord32sbe(std::vector<std::uint32_t> xs);
QUIRE_QUILL_EXPORT builder::Builder fromWord32sbe(IntList<std::uint32_t> xs);
QUIRE_QUILL_EXPORT builder::Builder fromWord32le(std::uint32_t x);
QUIRE_QUILL_EXPORT builder::Builder fromWord32sle(std::vector<std::uint32_t> xs);
QUIRE_QUILL_EXPORT builder::Builder fromWord32sle(IntList<std::uint32_t> xs);
QUIRE_QUILL_EXPORT builder::Builder fromWord32host(std::uint32_t x);
QUIRE_QUILL_EXPORT builder::Builder fromWord32shost(std::vector<std::uint32_t> xs);
QUIRE_QUILL_EXPORT builder::Builder fromWord32shost(IntList<std::uint32_t> xs);
QUIRE_QUILL_EXPORT builder::Builder fromWord64be(std::uint64_t x);
QUIRE_QUILL_EXPORT builder::Builder fromWord64sbe(std::vector<std::uint64_t> xs);
QUIRE_QUILL_EXPORT builder::Builder fromWord64sbe(IntList<std::uint64_t> xs);
QUIRE_QUILL_EXPORT builder::Builder fromWord64le(std::uint64_t x);
QUIRE_QUILL_EXPORT builder::Builder fromWord64sle(std::vector<std::uint64_t> xs);
QUIRE_QUILL_EXPORT builder::Builder fromWord64sle(IntList<std::uint64_t> xs);
QUIRE_QUILL_EXPORT builder::Builder fromWord64host(std::uint64_t x);
QUIRE_QUILL_EXPORT builder::Builder fromWord64shost(std::vector<std::uint64_t> xs);
QUIRE_QUILL_EXPORT builder::Builder fromWord64shost(IntList<std::uint64_t> xs);
QUIRE_QUILL_EXPORT builder::Builder fromWordhost(std::uint64_t x);
QUIRE_QUILL_EXPORT builder::Builder fromWordshost(std::vector<std::uint64_t> xs);
QUIRE_QUILL_EXPORT builder::Builder fromWordshost(IntList<std::uint64_t> xs);
QUIRE_QUILL_EXPORT builder::Builder fromInt8(std::int8_t x);
QUIRE_QUILL_EXPORT builder::Builder fromInt8s(std::vector<std::int8_t> xs);
QUIRE_QUILL_EXPORT builder::Builder fromInt8s(IntList<std::int8_t> xs);
QUIRE_QUILL_EXPORT builder::Builder fromInt16be(std::int16_t x);
QUIRE_QUILL_EXPORT builder::Builder fromInt16sbe(std::vector<std::int16_t> xs);
QUIRE_QUILL_EXPORT builder::Builder fromInt16sbe(IntList<std::int16_t> xs);
QUIRE_QUILL_EXPORT builder::Builder fromInt16le(std::int16_t x);
QUIRE_QUILL_EXPORT builder::Builder fromInt16sle(std::vector<std::int16_t> xs);
QUIRE_QUILL_EXPORT builder::Builder fromInt16sle(IntList<std::int16_t> xs);
QUIRE_QUILL_EXPORT builder::Builder fromInt16host(std::int16_t x);
QUIRE_QUILL_EXPORT builder::Builder fromInt16shost(std::vector<std::int16_t> xs);
QUIRE_QUILL_EXPORT builder::Builder fromInt16shost(IntList<std::int16_t> xs);
QUIRE_QUILL_EXPORT builder::Builder fromInt32be(std::int32_t x);
QUIRE_QUILL_EXPORT builder::Builder fromInt32sbe(std::vector<std::int32_t> xs);
QUIRE_QUILL_EXPORT builder::Builder fromInt32sbe(IntList<std::int32_t> xs);
QUIRE_QUILL_EXPORT builder::Builder fromInt32le(std::int32_t x);
QUIRE_QUILL_EXPORT builder::Builder fromInt32sle(std::vector<std::int32_t> xs);
QUIRE_QUILL_EXPORT builder::Builder fromInt32sle(IntList<std::int32_t> xs);
QUIRE_QUILL_EXPORT builder::Builder fromInt32host(std::int32_t x);
QUIRE_QUILL_EXPORT builder::Builder fromInt32shost(std::vector<std::int32_t> xs);
QUIRE_QUILL_EXPORT builder::Builder fromInt32shost(IntList<std::int32_t> xs);
QUIRE_QUILL_EXPORT builder::Builder fromInt64be(std::int64_t x);
QUIRE_QUILL_EXPORT builder::Builder fromInt64sbe(std::vector<std::int64_t> xs);
QUIRE_QUILL_EXPORT builder::Builder fromInt64sbe(IntList<std::int64_t> xs);
QUIRE_QUILL_EXPORT builder::Builder fromInt64le(std::int64_t x);
QUIRE_QUILL_EXPORT builder::Builder fromInt64sle(std::vector<std::int64_t> xs);
QUIRE_QUILL_EXPORT builder::Builder fromInt64sle(IntList<std::int64_t> xs);
QUIRE_QUILL_EXPORT builder::Builder fromInt64host(std::int64_t x);
QUIRE_QUILL_EXPORT builder::Builder fromInt64shost(std::vector<std::int64_t> xs);
QUIRE_QUILL_EXPORT builder::Builder fromInt64shost(IntList<std::int64_t> xs);
QUIRE_QUILL_EXPORT builder::Builder fromInthost(std::int64_t x);
QUIRE_QUILL_EXPORT builder::Builder fromIntshost(std::vector<std::int64_t> xs);
QUIRE_QUILL_EXPORT builder::Builder fromIntshost(IntList<std::int64_t> xs);
}  // namespace quire::quill
