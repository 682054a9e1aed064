#include "base/builder.hpp"

#include <gtest/gtest.h>

#include <charconv>
#include <cstdint>
#include <limits>
#include <random>
#include <string>
#include <vector>

namespace quire::builder {
namespace {

std::string bytesIn(const std::uint8_t* from, const std::uint8_t* to) {
  return std::string(reinterpret_cast<const char*>(from), static_cast<std::size_t>(to - from));
}

// A reference driver: runs step in fresh buffers of bufSize bytes (or the
// requested minimum), recording every signal, so tests can see exactly where
// chunks end.
struct Recorded {
  std::string output;
  std::vector<std::string> pieces;  // each buffer's bytes and each inserted chunk
  int bufferFulls = 0;
};
Recorded runInBuffers(BuildStep step, std::size_t bufSize) {
  Recorded rec;
  std::size_t size = bufSize;
  for (;;) {
    std::vector<std::uint8_t> buf(size);
    RunResult r = run(step, BufferRange{buf.data(), buf.data() + buf.size()});
    EXPECT_LE(r.written, size);
    std::string written = bytesIn(buf.data(), buf.data() + r.written);
    rec.output += written;
    rec.pieces.push_back(written);
    size = bufSize;
    if (std::holds_alternative<Done>(r.signal)) return rec;
    if (auto* full = std::get_if<BufferFull>(&r.signal)) {
      ++rec.bufferFulls;
      size = std::max(size, full->minSize);
      step = full->next;
    } else {
      auto& insert = std::get<InsertChunk>(r.signal);
      rec.output += insert.chunk.toString();
      rec.pieces.push_back(insert.chunk.toString());
      step = insert.next;
    }
  }
}

std::string utf8Of(char32_t c) { return toBytes(primBounded(encodeCharUtf8, c)).toString(); }

TEST(Builder, HeaderExample) {
  Builder b = stringUtf8("n=") + primBounded(int64Dec, -42) + primBounded(encodeCharUtf8, U'€');
  EXPECT_EQ(toLazyByteString(b).toString(), "n=-42\xE2\x82\xAC");
  std::vector<std::uint32_t> words{1, 0x01020304};
  EXPECT_EQ(toBytes(primMapListBounded(liftFixedToBounded(word32BE), words)).view(),
            std::string_view("\0\0\0\1\1\2\3\4", 8));

  std::uint8_t buf[3];
  RunResult r = run(b.step(), BufferRange{buf, buf + 3});
  EXPECT_EQ(r.written, 2u);
  ASSERT_TRUE(std::holds_alternative<BufferFull>(r.signal));
  EXPECT_EQ(std::get<BufferFull>(r.signal).minSize, 20u);
}

TEST(Builder, BoundAboveFreeSpaceAnswersBufferFullEvenWhenValueWouldFit) {
  std::uint8_t buf[32];
  // "5" needs one byte, but the decimal encoder's bound is 20.
  RunResult r = run(primBounded(int64Dec, 5).step(), BufferRange{buf, buf + 19});
  EXPECT_EQ(r.written, 0u);
  auto* full = std::get_if<BufferFull>(&r.signal);
  ASSERT_NE(full, nullptr);
  EXPECT_EQ(full->minSize, 20u);
  EXPECT_EQ(full->cur, buf);
  // The value is retried whole in a buffer that has room.
  RunResult again = run(full->next, BufferRange{buf, buf + 20});
  EXPECT_EQ(again.written, 1u);
  EXPECT_TRUE(std::holds_alternative<Done>(again.signal));
  EXPECT_EQ(buf[0], '5');

  // An ASCII character still needs the full UTF-8 bound of 4.
  r = run(primBounded(encodeCharUtf8, U'a').step(), BufferRange{buf, buf + 3});
  ASSERT_TRUE(std::holds_alternative<BufferFull>(r.signal));
  EXPECT_EQ(std::get<BufferFull>(r.signal).minSize, 4u);

  // A driver with buffers smaller than the bound makes one big enough.
  Recorded rec = runInBuffers(primBounded(int64Dec, -123).step(), 3);
  EXPECT_EQ(rec.output, "-123");
  EXPECT_EQ(toLazyByteStringWith({1, 1, false}, primBounded(int64Dec, -123)).toString(), "-123");
}

TEST(Builder, ListElementsAreCheckedOneByOneAndResumeAtTheFirstThatDidNotFit) {
  std::u32string chars = U"abcé€😀";
  Builder b = primMapListBounded(encodeCharUtf8, chars);
  std::uint8_t buf[16];
  // 5 bytes: 'a' (5 free), 'b' (4 free), then 'c' meets 3 free < 4.
  RunResult r = run(b.step(), BufferRange{buf, buf + 5});
  EXPECT_EQ(r.written, 2u);
  auto* full = std::get_if<BufferFull>(&r.signal);
  ASSERT_NE(full, nullptr);
  EXPECT_EQ(full->minSize, 4u);
  EXPECT_EQ(runInBuffers(full->next, 4).output, "c\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80");

  std::string expected = "abc\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80";
  for (std::size_t size = 1; size <= 12; ++size) {
    EXPECT_EQ(runInBuffers(b.step(), size).output, expected) << size;
  }
  EXPECT_TRUE(primMapListBounded(encodeCharUtf8, std::u32string()).isEmpty());

  // A non-random-access list takes the element-by-element path.
  std::vector<std::uint16_t> words{0x0102, 0x0304, 0x0506};
  auto asView = std::span<const std::uint16_t>(words);
  EXPECT_EQ(toBytes(primMapListFixed(word16BE, asView)).toString(), "\1\2\3\4\5\6");
}

TEST(Builder, ListsMatchElementwiseBuildersAtEveryBufferSize) {
  std::mt19937_64 rng(7);
  std::vector<std::int64_t> values(300);
  for (auto& v : values) v = static_cast<std::int64_t>(rng()) >> (rng() % 64);
  Builder one = primMapListBounded(int64Dec, values);
  Builder each;
  for (std::int64_t v : values) each += primBounded(int64Dec, v);
  std::string expected = toBytes(each).toString();
  for (std::size_t size : {1, 19, 20, 21, 39, 40, 41, 100, 4096}) {
    EXPECT_EQ(runInBuffers(one.step(), size).output, expected) << size;
    EXPECT_EQ(runInBuffers(each.step(), size).output, expected) << size;
  }
}

TEST(Builder, CopyLongerThanEveryBufferCompletesAcrossBuffers) {
  std::string text;
  for (int i = 0; i < 10000; ++i) text += static_cast<char>('a' + i % 26);
  Bytes bytes(text);

  Recorded rec = runInBuffers(byteStringCopyStep(bytes), 7);
  EXPECT_EQ(rec.output, text);
  EXPECT_EQ(rec.bufferFulls, 1428);  // 10000 bytes in 7-byte buffers: 1429 buffers
  for (std::size_t i = 0; i + 1 < rec.pieces.size(); ++i) EXPECT_EQ(rec.pieces[i].size(), 7u);

  auto raw = reinterpret_cast<const std::uint8_t*>(text.data());
  EXPECT_EQ(runInBuffers(wrappedBytesCopyStep(raw, text.size()), 64).output, text);
  EXPECT_EQ(runInBuffers(wrappedBytesCopyStep(nullptr, 0), 1).output, "");

  Builder b = stringUtf8("<") + byteStringCopy(bytes) + stringUtf8(">");
  ChunkedBytes chunks = toLazyByteStringWith({8, 8, false}, b);
  EXPECT_EQ(chunks.toString(), "<" + text + ">");
  for (const Bytes& c : chunks.chunks()) EXPECT_LE(c.size(), 8u);
  EXPECT_EQ(toLazyByteString(b).toString(), "<" + text + ">");
}

TEST(Builder, InsertedChunkStandsBetweenTheBytesAroundIt) {
  std::string big(5000, 'x');
  Bytes inserted(big);
  Builder b = stringUtf8("before") + byteStringInsert(inserted) + stringUtf8("after");

  ChunkedBytes out = toLazyByteString(b);
  ASSERT_EQ(out.chunks().size(), 3u);
  EXPECT_EQ(out.chunks()[0].view(), "before");
  EXPECT_EQ(out.chunks()[1].data(), inserted.data());  // emitted as it is, not copied
  EXPECT_EQ(out.chunks()[2].view(), "after");

  Recorded rec = runInBuffers(b.step(), 100);
  EXPECT_EQ(rec.pieces, (std::vector<std::string>{"before", big, "after"}));

  // Thresholds: at most n bytes are copied, longer strings inserted.
  Bytes four("abcd");
  EXPECT_EQ(toLazyByteString(byteStringThreshold(4, four)).chunks()[0].data() == four.data(),
            false);
  EXPECT_EQ(toLazyByteString(byteStringThreshold(3, four)).chunks()[0].data(), four.data());

  ChunkedBytes lazy(std::vector<Bytes>{Bytes("ab"), inserted, Bytes("cd")});
  ChunkedBytes viaLazy = toLazyByteString(stringUtf8("[") + lazyByteStringThreshold(10, lazy));
  ASSERT_EQ(viaLazy.chunks().size(), 3u);
  EXPECT_EQ(viaLazy.chunks()[0].view(), "[ab");
  EXPECT_EQ(viaLazy.chunks()[1].data(), inserted.data());
  EXPECT_EQ(viaLazy.chunks()[2].view(), "cd");

  // An empty insert only ends the chunk.
  ChunkedBytes flushed = toLazyByteString(stringUtf8("ab") + flush() + stringUtf8("cd"));
  EXPECT_EQ(flushed.chunks().size(), 2u);
  EXPECT_EQ(flushed.toString(), "abcd");
}

TEST(Builder, RunReportsBytesWrittenAndTheSignal) {
  std::uint8_t buf[64];
  RunResult done = run(stringUtf8("hello").step(), BufferRange{buf, buf + 64});
  EXPECT_EQ(done.written, 5u);
  EXPECT_EQ(std::get<Done>(done.signal).cur, buf + 5);

  Bytes chunk("chunk");
  Builder b = stringUtf8("ab") + byteStringInsert(chunk) + stringUtf8("cd");
  RunResult ins = run(b.step(), BufferRange{buf, buf + 64});
  EXPECT_EQ(ins.written, 2u);
  auto* insert = std::get_if<InsertChunk>(&ins.signal);
  ASSERT_NE(insert, nullptr);
  EXPECT_EQ(insert->chunk, chunk);
  EXPECT_EQ(insert->cur, buf + 2);
  RunResult rest = run(insert->next, BufferRange{buf, buf + 64});
  EXPECT_EQ(rest.written, 2u);
  EXPECT_TRUE(std::holds_alternative<Done>(rest.signal));

  // Resuming the same suspended step twice gives the same bytes.
  RunResult full = run(b.step(), BufferRange{buf, buf + 1});
  EXPECT_EQ(full.written, 1u);
  BuildStep next = std::get<BufferFull>(full.signal).next;
  EXPECT_EQ(runInBuffers(next, 3).output, "bchunkcd");
  EXPECT_EQ(runInBuffers(next, 3).output, "bchunkcd");

  EXPECT_EQ(run(BuildStep(), BufferRange{buf, buf}).written, 0u);
}

TEST(Builder, Int64Decimal) {
  auto dec = [](std::int64_t x) { return toBytes(primBounded(int64Dec, x)).toString(); };
  EXPECT_EQ(dec(0), "0");
  EXPECT_EQ(dec(-1), "-1");
  EXPECT_EQ(dec(std::numeric_limits<std::int64_t>::min()), "-9223372036854775808");
  EXPECT_EQ(dec(std::numeric_limits<std::int64_t>::max()), "9223372036854775807");
  EXPECT_EQ(toBytes(primBounded(word64Dec, std::numeric_limits<std::uint64_t>::max())).toString(),
            "18446744073709551615");

  // Every digit count and its neighbours, against std::to_chars.
  std::vector<std::int64_t> values;
  for (std::int64_t p = 1; p <= std::numeric_limits<std::int64_t>::max() / 10; p *= 10) {
    for (std::int64_t v : {p - 1, p, p + 1, 10 * p - 1}) {
      values.push_back(v);
      values.push_back(-v);
    }
  }
  std::mt19937_64 rng(1);
  for (int i = 0; i < 1000; ++i) values.push_back(static_cast<std::int64_t>(rng()) >> (rng() % 64));
  for (std::int64_t v : values) {
    char ref[24];
    auto [end, ec] = std::to_chars(ref, ref + sizeof ref, v);
    EXPECT_EQ(dec(v), std::string(ref, end)) << v;
  }
}

TEST(Builder, Utf8OfBoundaryCodePoints) {
  EXPECT_EQ(utf8Of(0), std::string(1, '\0'));
  EXPECT_EQ(utf8Of(0x7F), "\x7F");
  EXPECT_EQ(utf8Of(0x80), "\xC2\x80");
  EXPECT_EQ(utf8Of(0x7FF), "\xDF\xBF");
  EXPECT_EQ(utf8Of(0x800), "\xE0\xA0\x80");
  EXPECT_EQ(utf8Of(0xFFFF), "\xEF\xBF\xBF");
  EXPECT_EQ(utf8Of(0x10000), "\xF0\x90\x80\x80");
  EXPECT_EQ(utf8Of(0x10FFFF), "\xF4\x8F\xBF\xBF");
  // Surrogates take the three-byte form; values past U+10FFFF have none.
  EXPECT_EQ(utf8Of(0xD800), "\xED\xA0\x80");
  EXPECT_EQ(utf8Of(0x110000), "\xEF\xBF\xBD");
  EXPECT_EQ(utf8Of(0xFFFFFFFF), "\xEF\xBF\xBD");
}

TEST(Builder, FixedWidthWords) {
  EXPECT_EQ(toBytes(primFixed(word8, 0xAB)).toString(), "\xAB");
  EXPECT_EQ(toBytes(primFixed(word16BE, 258)).toString(), "\1\2");
  EXPECT_EQ(toBytes(primFixed(word16LE, 258)).toString(), "\2\1");
  EXPECT_EQ(toBytes(primFixed(word32LE, 0x01020304)).toString(), "\4\3\2\1");
  EXPECT_EQ(toBytes(primFixed(word64BE, 0x0102030405060708)).toString(), "\1\2\3\4\5\6\7\x08");
  EXPECT_EQ(toBytes(primFixed(word64LE, 0x0102030405060708)).toString(), "\x08\7\6\5\4\3\2\1");
  auto int32BE = contramap<std::int32_t>(
      [](std::int32_t x) { return static_cast<std::uint32_t>(x); }, word32BE);
  EXPECT_EQ(toBytes(primFixed(int32BE, -1)).toString(), "\xFF\xFF\xFF\xFF");
  // A primitive whose store is erased to a function pointer works the same.
  BoundedPrim<char32_t> erased{
      4, [](char32_t c, std::uint8_t* out) { return detail::storeUtf8(c, out); }};
  EXPECT_EQ(toBytes(primMapListBounded(erased, std::u32string(U"é!"))).toString(), "\xC3\xA9!");
}

TEST(Builder, ConcatenationIsOrderedAssociativeAndHasAnIdentity) {
  Builder a = stringUtf8("a"), b = stringUtf8("bb"), c = stringUtf8("ccc");
  EXPECT_EQ(toBytes((a + b) + c).toString(), "abbccc");
  EXPECT_EQ(toBytes(a + (b + c)).toString(), "abbccc");
  EXPECT_EQ(toBytes(Builder() + a + emptyBuilder()).toString(), "a");
  EXPECT_TRUE((Builder() + Builder()).isEmpty());
  EXPECT_EQ(toLazyByteString(Builder()).size(), 0u);
  EXPECT_EQ(toBytes(concat(std::vector<Builder>{a, b, c, a})).toString(), "abbccca");

  // Continuation style: the builder's first step, followed by another step.
  Builder ab = a + b;
  BuildStep then = ab(c.step());
  EXPECT_EQ(runInBuffers(then, 2).output, "abbccc");
  EXPECT_EQ(runInBuffers(Builder()(c.step()), 2).output, "ccc");

  // Copies are independent values and a builder runs as often as wanted.
  Builder copy = ab;
  copy += c;
  EXPECT_EQ(toBytes(ab).toString(), "abb");
  EXPECT_EQ(toBytes(copy).toString(), "abbccc");
  EXPECT_EQ(toBytes(copy).toString(), "abbccc");

  // The owning convenience builders.
  std::string moved = "a string long enough to live outside its object";
  EXPECT_EQ(toBytes(fromString(std::move(moved))).toString(),
            "a string long enough to live outside its object");
}

TEST(Builder, DeepBuildersRunAndDieWithoutDeepRecursion) {
  constexpr int n = 300'000;
  Builder left, right;
  Builder one = primFixed(word8, 'x');
  for (int i = 0; i < n; ++i) {
    left = left + one;    // ((x + x) + x) ...
    right = one + right;  // x + (x + (x ...))
  }
  ChunkedBytes l = toLazyByteString(left);
  EXPECT_EQ(l.size(), static_cast<std::size_t>(n));
  EXPECT_EQ(l.toString(), std::string(n, 'x'));
  EXPECT_EQ(toLazyByteString(right).size(), static_cast<std::size_t>(n));
  // Suspended in the middle, the pending work is a long frame list; it too
  // must be released without recursion.
  std::uint8_t buf[10];
  RunResult r = run(left.step(), BufferRange{buf, buf + 10});
  EXPECT_EQ(r.written, 10u);
  left = Builder();
  right = Builder();
}

TEST(Builder, DriversRejectAStepThatNeverProgresses) {
  Builder stuck(BuildStep([](BufferRange r, const StepSelf& self) -> BuildSignal {
    return BufferFull{1, r.cur, self};
  }));
  EXPECT_THROW((void)toLazyByteString(stuck), quire::Error);
  EXPECT_THROW((void)toBytes(stuck), quire::Error);
}

TEST(Builder, TrimmedChunksStayCompact) {
  ChunkedBytes small = toLazyByteString(stringUtf8("tiny"));
  ASSERT_EQ(small.chunks().size(), 1u);
  EXPECT_EQ(small.chunks()[0].view(), "tiny");

  std::vector<std::uint32_t> words(100000);
  for (std::uint32_t i = 0; i < words.size(); ++i) words[i] = i;
  ChunkedBytes big = toLazyByteString(primMapListFixed(word32BE, words));
  EXPECT_EQ(big.size(), 400000u);
  EXPECT_GT(big.chunks().size(), 10u);
  std::string all = big.toString();
  EXPECT_EQ(all.substr(4 * 70000, 4), std::string("\0\1\x11\x70", 4));
}

}  // namespace
}  // namespace quire::builder
