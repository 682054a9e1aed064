#include "quill/integral.hpp"

#include <utility>

namespace quire::quill {

namespace {

template <class T>
IntList<T> share(std::vector<T> xs) {
  return std::make_shared<const std::vector<T>>(std::move(xs));
}

// Signed lists go through the unsigned primitive of their width: the
// conversion keeps the two's complement bits.
template <class U, class Store, class T>
builder::Builder listOf(const builder::FixedPrim<U, Store>& p, IntList<T> xs) {
  if (xs == nullptr) return builder::Builder();
  return builder::primMapListBounded(builder::liftFixedToBounded(p), std::move(xs));
}

}  // namespace

builder::Builder fromWord8(std::uint8_t x) {
  return builder::primFixed(builder::word8, static_cast<std::uint8_t>(x));
}
builder::Builder fromWord8s(std::vector<std::uint8_t> xs) {
  return fromWord8s(share(std::move(xs)));
}
builder::Builder fromWord8s(IntList<std::uint8_t> xs) {
  return listOf(builder::word8, std::move(xs));
}
builder::Builder fromWord16be(std::uint16_t x) {
  return builder::primFixed(builder::word16BE, static_cast<std::uint16_t>(x));
}
builder::Builder fromWord16sbe(std::vector<std::uint16_t> xs) {
  return fromWord16sbe(share(std::move(xs)));
}
builder::Builder fromWord16sbe(IntList<std::uint16_t> xs) {
  return listOf(builder::word16BE, std::move(xs));
}
builder::Builder fromWord16le(std::uint16_t x) {
  return builder::primFixed(builder::word16LE, static_cast<std::uint16_t>(x));
}
builder::Builder fromWord16sle(std::vector<std::uint16_t> xs) {
  return fromWord16sle(share(std::move(xs)));
}
builder::Builder fromWord16sle(IntList<std::uint16_t> xs) {
  return listOf(builder::word16LE, std::move(xs));
}
builder::Builder fromWord16host(std::uint16_t x) {
  return builder::primFixed(detail::hostPrim<std::uint16_t>, static_cast<std::uint16_t>(x));
}
builder::Builder fromWord16shost(std::vector<std::uint16_t> xs) {
  return fromWord16shost(share(std::move(xs)));
}
builder::Builder fromWord16shost(IntList<std::uint16_t> xs) {
  return listOf(detail::hostPrim<std::uint16_t>, std::move(xs));
}
builder::Builder fromWord32be(std::uint32_t x) {
  return builder::primFixed(builder::word32BE, static_cast<std::uint32_t>(x));
}
builder::Builder fromWord32sbe(std::vector<std::uint32_t> xs) {
  return fromWord32sbe(share(std::move(xs)));
}
builder::Builder fromWord32sbe(IntList<std::uint32_t> xs) {
  return listOf(builder::word32BE, std::move(xs));
}
builder::Builder fromWord32le(std::uint32_t x) {
  return builder::primFixed(builder::word32LE, static_cast<std::uint32_t>(x));
}
builder::Builder fromWord32sle(std::vector<std::uint32_t> xs) {
  return fromWord32sle(share(std::move(xs)));
}
builder::Builder fromWord32sle(IntList<std::uint32_t> xs) {
  return listOf(builder::word32LE, std::move(xs));
}
builder::Builder fromWord32host(std::uint32_t x) {
  return builder::primFixed(detail::hostPrim<std::uint32_t>, static_cast<std::uint32_t>(x));
}
builder::Builder fromWord32shost(std::vector<std::uint32_t> xs) {
  return fromWord32shost(share(std::move(xs)));
}
builder::Builder fromWord32shost(IntList<std::uint32_t> xs) {
  return listOf(detail::hostPrim<std::uint32_t>, std::move(xs));
}
builder::Builder fromWord64be(std::uint64_t x) {
  return builder::primFixed(builder::word64BE, static_cast<std::uint64_t>(x));
}
builder::Builder fromWord64sbe(std::vector<std::uint64_t> xs) {
  return fromWord64sbe(share(std::move(xs)));
}
builder::Builder fromWord64sbe(IntList<std::uint64_t> xs) {
  return listOf(builder::word64BE, std::move(xs));
}
builder::Builder fromWord64le(std::uint64_t x) {
  return builder::primFixed(builder::word64LE, static_cast<std::uint64_t>(x));
}
builder::Builder fromWord64sle(std::vector<std::uint64_t> xs) {
  return fromWord64sle(share(std::move(xs)));
}
builder::Builder fromWord64sle(IntList<std::uint64_t> xs) {
  return listOf(builder::word64LE, std::move(xs));
}
builder::Builder fromWord64host(std::uint64_t x) {
  return builder::primFixed(detail::hostPrim<std::uint64_t>, static_cast<std::uint64_t>(x));
}
builder::Builder fromWord64shost(std::vector<std::uint64_t> xs) {
  return fromWord64shost(share(std::move(xs)));
}
builder::Builder fromWord64shost(IntList<std::uint64_t> xs) {
  return listOf(detail::hostPrim<std::uint64_t>, std::move(xs));
}
builder::Builder fromWordhost(std::uint64_t x) {
  return builder::primFixed(detail::hostPrim<std::uint64_t>, static_cast<std::uint64_t>(x));
}
builder::Builder fromWordshost(std::vector<std::uint64_t> xs) {
  return fromWordshost(share(std::move(xs)));
}
builder::Builder fromWordshost(IntList<std::uint64_t> xs) {
  return listOf(detail::hostPrim<std::uint64_t>, std::move(xs));
}
builder::Builder fromInt8(std::int8_t x) {
  return builder::primFixed(builder::word8, static_cast<std::uint8_t>(x));
}
builder::Builder fromInt8s(std::vector<std::int8_t> xs) { return fromInt8s(share(std::move(xs))); }
builder::Builder fromInt8s(IntList<std::int8_t> xs) {
  return listOf(builder::word8, std::move(xs));
}
builder::Builder fromInt16be(std::int16_t x) {
  return builder::primFixed(builder::word16BE, static_cast<std::uint16_t>(x));
}
builder::Builder fromInt16sbe(std::vector<std::int16_t> xs) {
  return fromInt16sbe(share(std::move(xs)));
}
builder::Builder fromInt16sbe(IntList<std::int16_t> xs) {
  return listOf(builder::word16BE, std::move(xs));
}
builder::Builder fromInt16le(std::int16_t x) {
  return builder::primFixed(builder::word16LE, static_cast<std::uint16_t>(x));
}
builder::Builder fromInt16sle(std::vector<std::int16_t> xs) {
  return fromInt16sle(share(std::move(xs)));
}
builder::Builder fromInt16sle(IntList<std::int16_t> xs) {
  return listOf(builder::word16LE, std::move(xs));
}
builder::Builder fromInt16host(std::int16_t x) {
  return builder::primFixed(detail::hostPrim<std::uint16_t>, static_cast<std::uint16_t>(x));
}
builder::Builder fromInt16shost(std::vector<std::int16_t> xs) {
  return fromInt16shost(share(std::move(xs)));
}
builder::Builder fromInt16shost(IntList<std::int16_t> xs) {
  return listOf(detail::hostPrim<std::uint16_t>, std::move(xs));
}
builder::Builder fromInt32be(std::int32_t x) {
  return builder::primFixed(builder::word32BE, static_cast<std::uint32_t>(x));
}
builder::Builder fromInt32sbe(std::vector<std::int32_t> xs) {
  return fromInt32sbe(share(std::move(xs)));
}
builder::Builder fromInt32sbe(IntList<std::int32_t> xs) {
  return listOf(builder::word32BE, std::move(xs));
}
builder::Builder fromInt32le(std::int32_t x) {
  return builder::primFixed(builder::word32LE, static_cast<std::uint32_t>(x));
}
builder::Builder fromInt32sle(std::vector<std::int32_t> xs) {
  return fromInt32sle(share(std::move(xs)));
}
builder::Builder fromInt32sle(IntList<std::int32_t> xs) {
  return listOf(builder::word32LE, std::move(xs));
}
builder::Builder fromInt32host(std::int32_t x) {
  return builder::primFixed(detail::hostPrim<std::uint32_t>, static_cast<std::uint32_t>(x));
}
builder::Builder fromInt32shost(std::vector<std::int32_t> xs) {
  return fromInt32shost(share(std::move(xs)));
}
builder::Builder fromInt32shost(IntList<std::int32_t> xs) {
  return listOf(detail::hostPrim<std::uint32_t>, std::move(xs));
}
builder::Builder fromInt64be(std::int64_t x) {
  return builder::primFixed(builder::word64BE, static_cast<std::uint64_t>(x));
}
builder::Builder fromInt64sbe(std::vector<std::int64_t> xs) {
  return fromInt64sbe(share(std::move(xs)));
}
builder::Builder fromInt64sbe(IntList<std::int64_t> xs) {
  return listOf(builder::word64BE, std::move(xs));
}
builder::Builder fromInt64le(std::int64_t x) {
  return builder::primFixed(builder::word64LE, static_cast<std::uint64_t>(x));
}
builder::Builder fromInt64sle(std::vector<std::int64_t> xs) {
  return fromInt64sle(share(std::move(xs)));
}
builder::Builder fromInt64sle(IntList<std::int64_t> xs) {
  return listOf(builder::word64LE, std::move(xs));
}
builder::Builder fromInt64host(std::int64_t x) {
  return builder::primFixed(detail::hostPrim<std::uint64_t>, static_cast<std::uint64_t>(x));
}
builder::Builder fromInt64shost(std::vector<std::int64_t> xs) {
  return fromInt64shost(share(std::move(xs)));
}
builder::Builder fromInt64shost(IntList<std::int64_t> xs) {
  return listOf(detail::hostPrim<std::uint64_t>, std::move(xs));
}
builder::Builder fromInthost(std::int64_t x) {
  return builder::primFixed(detail::hostPrim<std::uint64_t>, static_cast<std::uint64_t>(x));
}
builder::Builder fromIntshost(std::vector<std::int64_t> xs) {
  return fromIntshost(share(std::move(xs)));
}
builder::Builder fromIntshost(IntList<std::int64_t> xs) {
  return listOf(detail::hostPrim<std::uint64_t>, std::move(xs));
}
}  // namespace quire::quill
