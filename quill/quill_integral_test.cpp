#include "quill/integral.hpp"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "quill/drivers.hpp"
#include "quill/quill_test_support.hpp"

namespace quire::quill {
namespace {

using ::testing::Each;

std::string out(const builder::Builder& b) { return toByteString(b).toString(); }

// One encoder family member: its width, its byte order and its three forms,
// each fed the low bits of a random 64-bit word.
struct Encoder {
  const char* name;
  std::size_t width;
  std::endian order;
  std::function<std::string(std::uint64_t)> write, single;
  std::function<builder::Builder(const std::vector<std::uint64_t>&)> list;
};

template <class T>
std::vector<T> narrowed(const std::vector<std::uint64_t>& raw) {
  std::vector<T> xs;
  for (std::uint64_t r : raw) xs.push_back(static_cast<T>(r));
  return xs;
}

#define QUILL_ENCODER(T, ORDER, W, F, L)                                                 \
  Encoder {                                                                              \
#W, sizeof(T), std::endian::ORDER,                                                     \
        [](std::uint64_t r) { return writeToByteString(W(static_cast<T>(r))).toString(); }, \
        [](std::uint64_t r) { return out(F(static_cast<T>(r))); },                         \
        [](const std::vector<std::uint64_t>& raw) { return L(narrowed<T>(raw)); } \
  }

const std::vector<Encoder>& encoders() {
  using std::int16_t, std::int32_t, std::int64_t, std::int8_t;
  using std::uint16_t, std::uint32_t, std::uint64_t, std::uint8_t;
  static const std::vector<Encoder> all{
      QUILL_ENCODER(int8_t, big, writeInt8, fromInt8, fromInt8s),
      QUILL_ENCODER(int16_t, big, writeInt16be, fromInt16be, fromInt16sbe),
      QUILL_ENCODER(int16_t, little, writeInt16le, fromInt16le, fromInt16sle),
      QUILL_ENCODER(int16_t, native, writeInt16host, fromInt16host, fromInt16shost),
      QUILL_ENCODER(int32_t, big, writeInt32be, fromInt32be, fromInt32sbe),
      QUILL_ENCODER(int32_t, little, writeInt32le, fromInt32le, fromInt32sle),
      QUILL_ENCODER(int32_t, native, writeInt32host, fromInt32host, fromInt32shost),
      QUILL_ENCODER(int64_t, big, writeInt64be, fromInt64be, fromInt64sbe),
      QUILL_ENCODER(int64_t, little, writeInt64le, fromInt64le, fromInt64sle),
      QUILL_ENCODER(int64_t, native, writeInt64host, fromInt64host, fromInt64shost),
      QUILL_ENCODER(int64_t, native, writeInthost, fromInthost, fromIntshost),
      QUILL_ENCODER(uint8_t, big, writeWord8, fromWord8, fromWord8s),
      QUILL_ENCODER(uint16_t, big, writeWord16be, fromWord16be, fromWord16sbe),
      QUILL_ENCODER(uint16_t, little, writeWord16le, fromWord16le, fromWord16sle),
      QUILL_ENCODER(uint16_t, native, writeWord16host, fromWord16host, fromWord16shost),
      QUILL_ENCODER(uint32_t, big, writeWord32be, fromWord32be, fromWord32sbe),
      QUILL_ENCODER(uint32_t, little, writeWord32le, fromWord32le, fromWord32sle),
      QUILL_ENCODER(uint32_t, native, writeWord32host, fromWord32host, fromWord32shost),
      QUILL_ENCODER(uint64_t, big, writeWord64be, fromWord64be, fromWord64sbe),
      QUILL_ENCODER(uint64_t, little, writeWord64le, fromWord64le, fromWord64sle),
      QUILL_ENCODER(uint64_t, native, writeWord64host, fromWord64host, fromWord64shost),
      QUILL_ENCODER(uint64_t, native, writeWordhost, fromWordhost, fromWordshost),
  };
  return all;
}

// The low `width` bytes of r in the given order, by shifting.
std::string referenceBytes(std::uint64_t r, std::size_t width, std::endian order) {
  std::string s;
  for (std::size_t i = 0; i < width; ++i) {
    std::size_t k = order == std::endian::big ? width - 1 - i : i;
    s += static_cast<char>((r >> (8 * k)) & 0xFF);
  }
  return s;
}

TEST(Integral, HeaderExamples) {
  EXPECT_EQ(writeToByteString(writeInt16be(258)).view(), "\x01\x02");
  EXPECT_EQ(writeToByteString(writeInt16le(258)).view(), "\x02\x01");
  EXPECT_EQ(writeToByteString(writeInt32be(-1)).view(), "\xFF\xFF\xFF\xFF");
  EXPECT_EQ(toByteString(fromWord16sbe({1, 2})).view(), std::string_view("\0\1\0\2", 4));
  EXPECT_EQ(writeToByteString(writeInt64le(INT64_MIN)).view(),
            std::string_view("\0\0\0\0\0\0\0\x80", 8));
  EXPECT_EQ(getBound(writeInthost(0)), 8);
  EXPECT_TRUE(toByteString(fromInt64shost(std::vector<std::int64_t>{})).empty());
  EXPECT_TRUE(toByteString(fromInt64shost(IntList<std::int64_t>())).empty());
}

TEST(Integral, EveryEncoderMatchesAReferenceLoop) {
  std::mt19937_64 rng(99);
  for (const Encoder& e : encoders()) {
    SCOPED_TRACE(e.name);
    std::vector<std::uint64_t> raw(rng() % 200);
    for (auto& r : raw) r = rng();
    raw.insert(raw.end(), {0, ~std::uint64_t{0}, 1, std::uint64_t{1} << (8 * e.width - 1)});
    std::string expected;
    for (std::uint64_t r : raw) {
      std::string one = referenceBytes(r, e.width, e.order);
      EXPECT_EQ(e.write(r), one);
      EXPECT_EQ(e.single(r), one);
      expected += one;
    }
    // Lists through buffers that cut them anywhere: each value waits for
    // its whole width.
    for (std::size_t bufSize : {1, 3, 8, 9, 4096}) {
      auto rec = testing::runGuarded(e.list(raw), bufSize);
      EXPECT_EQ(rec.output, expected) << "buffers of " << bufSize;
      EXPECT_FALSE(rec.overran);
      EXPECT_THAT(rec.fullRequests, Each(e.width));
      for (const std::string& piece : rec.pieces) EXPECT_EQ(piece.size() % e.width, 0u);
    }
  }
}

TEST(Integral, SharedListsAreNotCopied) {
  auto xs = std::make_shared<const std::vector<std::int32_t>>(std::vector<std::int32_t>{1, -2});
  builder::Builder b = fromInt32sle(xs);
  EXPECT_EQ(xs.use_count(), 2);
  EXPECT_EQ(out(b), std::string_view("\1\0\0\0\xFE\xFF\xFF\xFF", 8));
}

}  // namespace
}  // namespace quire::quill
