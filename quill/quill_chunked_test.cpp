#include "quill/chunked.hpp"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "base/error.hpp"
#include "quill/drivers.hpp"
#include "quill/from_write.hpp"
#include "quill/internal/chunked.hpp"
#include "quill/quill_test_support.hpp"

namespace quire::quill {
namespace {

using testing::decodeChunked;
using ::testing::ElementsAre;
using testing::runGuarded;

builder::Builder copyOf(std::string_view s) { return copyByteString(Bytes(s)); }

// The framed output in one buffer of exactly bufSize bytes (or what it asks for).
testing::Recorded framedIn(const builder::Builder& inner, std::size_t bufSize) {
  return runGuarded(chunkedTransferEncoding(inner), bufSize);
}

TEST(Chunked, HeaderExampleAndSizeLines) {
  builder::Builder body = chunkedTransferEncoding(copyOf("hello")) + chunkedTransferTerminator();
  EXPECT_EQ(toLazyByteStringWith(4000, 0, 4000, body).toString(), "005\r\nhello\r\n0\r\n\r\n");
  // 4000 free bytes need three digits: 100 bytes are "064".
  std::string hundred(100, 'h');
  EXPECT_EQ(framedIn(copyOf(hundred), 4000).output, "064\r\n" + hundred + "\r\n");
  EXPECT_EQ(framedIn(copyOf("ab"), 23).output, "02\r\nab\r\n");  // 23 = 0x17: two digits
  EXPECT_EQ(framedIn(copyOf("ab"), 200).output, "02\r\nab\r\n");
  EXPECT_EQ(framedIn(copyOf("ab"), 20000).output, "0002\r\nab\r\n");
  EXPECT_EQ(framedIn(copyOf("ab"), 16).fullRequests, std::vector<std::size_t>{23});
  EXPECT_EQ(framedIn(copyOf("ab"), 16).output, "02\r\nab\r\n");
  // An inserted byte string is a chunk of its own with a minimal size line.
  std::string inserted(300, 'i');
  EXPECT_EQ(framedIn(insertByteString(Bytes(inserted)), 100).output, "12C\r\n" + inserted + "\r\n");
  EXPECT_EQ(toByteString(chunkedTransferTerminator()).view(), "0\r\n\r\n");
}

TEST(Chunked, NothingWrittenMeansNoChunk) {
  EXPECT_EQ(framedIn(builder::Builder(), 64).output, "");
  auto flushes = framedIn(builder::flush() + builder::flush(), 64);
  EXPECT_EQ(flushes.output, "");
  EXPECT_EQ(flushes.flushes, 2);  // passed on, but never as an empty chunk
  EXPECT_EQ(framedIn(insertByteString(Bytes()), 64).output, "");
}

TEST(Chunked, BufferFullAsksForTheInnerNeedPlusOverhead) {
  auto need = [](std::size_t n) {
    return fromWrite(exactWrite(n, [n](std::uint8_t* out) { std::memset(out, 'n', n); }));
  };
  auto rec = framedIn(copyOf("ab") + need(100), 64);
  EXPECT_THAT(rec.fullRequests, ElementsAre(122));
  EXPECT_EQ(rec.pieces[0], "02\r\nab\r\n");
  auto decoded = decodeChunked(rec.output + "0\r\n\r\n");
  ASSERT_TRUE(decoded);
  EXPECT_EQ(decoded->data, "ab" + std::string(100, 'n'));
}

TEST(Chunked, CrlfAfterAnInsertWaitsForRoom) {
  // Buffers of 23: the insert's size line fills the reserve, and the step
  // that ends the inserted chunk meets a range with no room. It must ask
  // for its two bytes, not write past the range.
  std::string inserted(0x1000, 'z');
  auto inner = copyOf("abcdefg") + insertByteString(Bytes(inserted)) + copyOf("x");
  std::vector<std::size_t> sizes;
  auto rec = runGuarded(chunkedTransferEncoding(inner).step(), [&sizes](std::size_t asked) {
    sizes.push_back(asked);
    return sizes.size() == 1 ? 23 : sizes.size() == 2 ? 1 : 40;
  });
  EXPECT_FALSE(rec.overran);
  EXPECT_THAT(rec.fullRequests, ElementsAre(2));
  EXPECT_THAT(rec.pieces,
              ElementsAre("07\r\nabcdefg\r\n1000\r\n", inserted, "", "\r\n01\r\nx\r\n"));
  // With no room at all after the insert, in a range that ends right there.
  builder::BuildStep step = chunkedTransferEncoding(insertByteString(Bytes("q"))).step();
  std::uint8_t buf[23];
  auto first = builder::run(step, builder::BufferRange{buf, buf + 23});
  auto& insert = std::get<builder::InsertChunk>(first.signal);
  auto second = builder::run(insert.next, builder::BufferRange{insert.cur, insert.cur});
  EXPECT_EQ(second.written, 0u);
  EXPECT_EQ(std::get<builder::BufferFull>(second.signal).minSize, 2u);
}

TEST(Chunked, LargeDataIsSplitBelowTheLargestChunk) {
  // A stand-in largest chunk of 0xFF bytes: the rule that keeps every chunk
  // within the size line's eight digits, with two.
  constexpr std::uint32_t kLimit = 0xFF;
  std::mt19937_64 rng(5);
  std::string copied = testing::randomBytes(rng, 1000);
  std::string inserted = testing::randomBytes(rng, 700);
  auto inner = copyOf(copied) + insertByteString(Bytes(inserted)) + copyOf("end");
  auto framed = detail::chunkedTransferEncodingUpTo(inner, kLimit) + chunkedTransferTerminator();
  auto rec = runGuarded(framed, 100000);  // one buffer far larger than a chunk
  EXPECT_FALSE(rec.overran);
  auto decoded = decodeChunked(rec.output);
  ASSERT_TRUE(decoded);
  EXPECT_EQ(decoded->data, copied + inserted + "end");
  for (std::size_t size : decoded->chunkSizes) EXPECT_LE(size, kLimit);
  for (std::size_t digits : decoded->sizeDigits) EXPECT_LE(digits, 2u);
  // 1000 copied bytes in one buffer: three full chunks and the rest; the
  // inserted 700 as slices of the caller's bytes: FF, FF, BE.
  EXPECT_THAT(decoded->chunkSizes, ElementsAre(255, 255, 255, 235, 255, 255, 190, 3));
  EXPECT_EQ(rec.inserts, 3);
  // A single step that needs more than a chunk can hold is refused.
  auto big = fromWrite(boundedWrite(300, emptyPoke()));
  EXPECT_THROW(runGuarded(detail::chunkedTransferEncodingUpTo(big, kLimit), 1000), Error);
  EXPECT_EQ(detail::hexDigitCount(detail::largestChunk), 8u);
}

TEST(Chunked, RandomBuildersDecodeToTheirBytes) {
  std::mt19937_64 rng(77);
  for (int round = 0; round < 60; ++round) {
    testing::Sample s = testing::randomSample(rng, 1 + rng() % 80000);
    std::size_t bufSize = std::vector<std::size_t>{1, 23, 24, 40, 300, 4096, 32752}[rng() % 7];
    auto rec =
        runGuarded(chunkedTransferEncoding(s.builder) + chunkedTransferTerminator(), bufSize);
    ASSERT_FALSE(rec.overran) << round;
    auto decoded = decodeChunked(rec.output);
    ASSERT_TRUE(decoded) << "round " << round << ": not a well-formed chunked body";
    EXPECT_EQ(decoded->data, s.expected) << round;
    // The stand-in limit too, through the drivers.
    auto framed =
        detail::chunkedTransferEncodingUpTo(s.builder, 0xFFF) + chunkedTransferTerminator();
    std::string io;
    toByteStringIOWith(
        static_cast<std::int64_t>(bufSize), [&io](Bytes b) { io += b.view(); }, framed);
    auto viaIO = decodeChunked(io);
    ASSERT_TRUE(viaIO) << round;
    EXPECT_EQ(viaIO->data, s.expected);
    for (std::size_t size : viaIO->chunkSizes) EXPECT_LE(size, 0xFFFu);
    EXPECT_EQ(decodeChunked(toLazyByteStringWith(bufSize, 0, bufSize, framed).toString())->data,
              s.expected);
  }
}

}  // namespace
}  // namespace quire::quill
