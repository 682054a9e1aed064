#include "quill/drivers.hpp"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <new>
#include <random>
#include <string>
#include <vector>

#include "base/error.hpp"
#include "quill/from_write.hpp"
#include "quill/quill_test_support.hpp"

namespace quire::quill {
namespace {

using ::testing::ElementsAre;

std::vector<std::size_t> chunkSizes(const ChunkedBytes& c) {
  std::vector<std::size_t> sizes;
  for (const Bytes& b : c.chunks()) sizes.push_back(b.size());
  return sizes;
}

// Writes n bytes of 'x' through a write of bound n.
builder::Builder needing(std::size_t n) {
  return fromWrite(exactWrite(n, [n](std::uint8_t* out) { std::memset(out, 'x', n); }));
}

TEST(Drivers, HeaderExample) {
  builder::Builder b = fromByteString(Bytes("hello ")) + insertByteString(Bytes("world"));
  EXPECT_EQ(toByteString(b).view(), "hello world");
  EXPECT_EQ(toLazyByteStringWith(64, 0, 64, b).chunks().size(), 2u);
  std::vector<std::string> seen;
  toByteStringIO([&](Bytes s) { seen.push_back(s.toString()); }, b);
  EXPECT_THAT(seen, ElementsAre("hello ", "world", ""));
}

TEST(Drivers, ToByteStringIsTheWholeOutput) {
  std::mt19937_64 rng(7);
  for (int i = 0; i < 20; ++i) {
    testing::Sample s = testing::randomSample(rng, 60000);
    Bytes out = toByteString(s.builder);
    EXPECT_EQ(out.view(), s.expected);
  }
  EXPECT_TRUE(toByteString(builder::Builder()).empty());
}

TEST(Drivers, LazyBufferSizes) {
  // The first buffer has max(8, firstBufSize) bytes, later ones
  // max(m, max(8, bufSize)); filled buffers become chunks as they are.
  auto b = copyByteString(Bytes(std::string(40, 'a')));
  EXPECT_THAT(chunkSizes(toLazyByteStringWith(16, 0, 4, b)), ElementsAre(8, 16, 16));
  EXPECT_THAT(chunkSizes(toLazyByteStringWith(2, 0, 2, b)), ElementsAre(8, 8, 8, 8, 8));
  EXPECT_THAT(chunkSizes(toLazyByteStringWith(10, 999, 30, b)), ElementsAre(30, 10));
  // A buffer full asking for more than bufSize gets what it asks for; the
  // bytes written so far stay a chunk of their own, untrimmed.
  auto needs = copyByteString(Bytes("abc")) + needing(50) + needing(1);
  auto out = toLazyByteStringWith(20, 0, 20, needs);
  EXPECT_THAT(chunkSizes(out), ElementsAre(3, 50, 1));
  // Inserted chunks stand between the buffers' bytes; writing goes on in
  // the same buffer after one, and flushes end the current chunk only.
  auto mixed = copyByteString(Bytes("ab")) + insertByteString(Bytes("XYZ")) +
               copyByteString(Bytes("cd")) + builder::flush() + copyByteString(Bytes("ef"));
  auto chunks = toLazyByteStringWith(100, 0, 100, mixed, ChunkedBytes({Bytes("tail")}));
  std::vector<std::string> texts;
  for (const Bytes& c : chunks.chunks()) texts.push_back(c.toString());
  EXPECT_THAT(texts, ElementsAre("ab", "XYZ", "cd", "ef", "tail"));
  EXPECT_EQ(chunks.chunks()[2].data(), chunks.chunks()[0].data() + 2);  // same buffer
  EXPECT_EQ(
      toLazyByteStringWith(8, 0, 8, builder::Builder(), ChunkedBytes({Bytes("t")})).toString(),
      "t");
}

struct IOTrace {
  std::vector<std::string> pieces;
  std::vector<Bytes> kept;
};

IOTrace runIO(std::int64_t bufSize, const builder::Builder& b) {
  IOTrace t;
  toByteStringIOWith(
      bufSize,
      [&t](Bytes s) {
        t.pieces.push_back(s.toString());
        t.kept.push_back(std::move(s));
      },
      b);
  return t;
}

TEST(Drivers, IOHandsOverEveryPieceAsDescribed) {
  // A builder that writes nothing still hands over one empty piece.
  EXPECT_THAT(runIO(16, builder::Builder()).pieces, ElementsAre(""));
  // A buffer full hands over what was written, even nothing, then goes on
  // in a buffer of max(bufSize, m).
  EXPECT_THAT(runIO(4, copyByteString(Bytes("abcdef"))).pieces, ElementsAre("abcd", "ef"));
  EXPECT_THAT(runIO(4, needing(6)).pieces, ElementsAre("", "xxxxxx"));
  EXPECT_THAT(runIO(0, copyByteString(Bytes("ab"))).pieces, ElementsAre("", "a", "b"));
  // Insert after written bytes: both handed over, then a fresh buffer;
  // insert at the start of a buffer: only the chunk, same buffer.
  auto b = copyByteString(Bytes("ab")) + insertByteString(Bytes("XY")) +
           insertByteString(Bytes("Z")) + builder::flush() + copyByteString(Bytes("c")) +
           builder::flush() + builder::flush() + copyByteString(Bytes("d"));
  EXPECT_THAT(runIO(16, b).pieces, ElementsAre("ab", "XY", "Z", "c", "d"));
  EXPECT_THROW(runIO(-1, b), std::bad_alloc);

  // Pieces handed over are never written again: keep them all and compare
  // at the end.
  std::mt19937_64 rng(11);
  for (int i = 0; i < 10; ++i) {
    testing::Sample s = testing::randomSample(rng, 50000);
    IOTrace t = runIO(static_cast<std::int64_t>(rng() % 500), s.builder);
    std::string joined;
    for (const Bytes& k : t.kept) joined += k.view();
    EXPECT_EQ(joined, s.expected);
    std::string again;
    for (const std::string& p : t.pieces) again += p;
    EXPECT_EQ(again, joined);
  }
}

TEST(Drivers, StuckStepsAreErrorsNotHangs) {
  builder::Builder stuck(builder::BuildStep(
      [](builder::BufferRange r, const builder::StepSelf& self) -> builder::BuildSignal {
        return builder::BufferFull{1, r.cur, self};
      }));
  EXPECT_THROW((void)toLazyByteStringWith(16, 0, 16, stuck), Error);
  EXPECT_THROW(toByteStringIOWith(
                   16, [](Bytes) {}, stuck),
               Error);
}

TEST(Drivers, WriteToByteStringHoldsExactlyTheStoredBytes) {
  auto w = boundedWrite(12, writeByteString(Bytes("abc")).poke());
  Bytes out = writeToByteString(w);
  EXPECT_EQ(out.view(), "abc");
  EXPECT_TRUE(writeToByteString(emptyWrite()).empty());
}

}  // namespace
}  // namespace quire::quill
