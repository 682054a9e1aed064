#include "quill/write.hpp"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <compare>
#include <cstdint>
#include <list>
#include <new>
#include <string>
#include <vector>

#include "base/error.hpp"
#include "quill/drivers.hpp"
#include "quill/from_write.hpp"
#include "quill/quill_test_support.hpp"

namespace quire::quill {
namespace {

using testing::runGuarded;

auto bytesWrite(std::string_view s) { return writeByteString(Bytes(s)); }

TEST(Write, HeaderExamples) {
  auto w = writeStorable<std::uint8_t>(1) + writeByteString(Bytes("ab"));
  EXPECT_EQ(getBound(w), 3);
  EXPECT_EQ(writeToByteString(w).view(),
            "\x01"
            "ab");
  auto sign = [](int x) {
    return writeOrd(
        0, [](int) { return bytesWrite("-"); }, [](int) { return bytesWrite("zero"); },
        [](int) { return bytesWrite("+"); }, x);
  };
  EXPECT_EQ(getBound(sign(-3)), 4);
  EXPECT_EQ(writeToByteString(sign(-3)).view(), "-");
  EXPECT_EQ(writeToByteString(sign(0)).view(), "zero");
  EXPECT_EQ(writeToByteString(sign(9)).view(), "+");
}

TEST(Write, PrimitivesAndBounds) {
  std::uint8_t buf[16] = {};
  // pokeN advances by exactly n whatever the action stored.
  auto p = pokeN(5, [](std::uint8_t* out) { out[0] = 'x'; });
  EXPECT_EQ(p.runPoke(buf), buf + 5);
  EXPECT_EQ(buf[0], 'x');
  auto exact = exactWrite(2, [](std::uint8_t* out) { out[0] = 'h', out[1] = 'i'; });
  EXPECT_EQ(getBound(exact), 2);
  EXPECT_EQ(writeToByteString(exact).view(), "hi");
  EXPECT_EQ(runWrite(exact, buf), buf + 2);

  // A bounded write may store less than its bound; the result is exactly
  // what it stored.
  auto loose = boundedWrite(10, bytesWrite("abc").poke());
  EXPECT_EQ(getBound(loose), 10);
  EXPECT_EQ(writeToByteString(loose).view(), "abc");

  EXPECT_EQ(getBound(writeStorable(std::uint64_t{7})), 8);
  std::uint32_t value = 0x01020304;
  EXPECT_EQ(writeToByteString(writeStorable(value)).view(),
            std::string_view(reinterpret_cast<const char*>(&value), 4));
  EXPECT_EQ(writeToByteString(writePrimFixed(builder::word16BE, 0x0102)).view(), "\x01\x02");
  auto dec = writePrimBounded(builder::int64Dec, -42);
  EXPECT_EQ(getBound(dec), 20);
  EXPECT_EQ(writeToByteString(dec).view(), "-42");
  EXPECT_EQ(getBound(writeByteString(Bytes())), 0);
  EXPECT_TRUE(writeToByteString(emptyWrite()).empty());
  EXPECT_THROW((void)writeToByteString(boundedWrite(-1, emptyPoke())), std::bad_alloc);
}

TEST(Write, CombiningAddsBoundsAndKeepsOrder) {
  auto w = bytesWrite("ab") + boundedWrite(5, bytesWrite("c").poke()) + bytesWrite("de");
  EXPECT_EQ(getBound(w), 9);
  EXPECT_EQ(writeToByteString(w).view(), "abcde");
  std::uint8_t buf[4];
  auto both = bytesWrite("x").poke() + bytesWrite("yz").poke();
  EXPECT_EQ(both.runPoke(buf), buf + 3);

  std::vector<Write<>> list{bytesWrite("1"), writeStorable('2'), bytesWrite("34")};
  auto all = concat(list);
  EXPECT_EQ(getBound(all), 4);
  EXPECT_EQ(writeToByteString(all).view(), "1234");
  EXPECT_EQ(getBound(concat(std::vector<Write<>>{})), 0);

  auto rep = repeated(3, bytesWrite("ab"));
  EXPECT_EQ(getBound(rep), 6);
  EXPECT_EQ(writeToByteString(rep).view(), "ababab");
  EXPECT_TRUE(writeToByteString(repeated(0, bytesWrite("ab"))).empty());

  // Bounds that leave the 64-bit range are refused, never wrapped.
  auto huge = boundedWrite(INT64_MAX / 2 + 1, emptyPoke());
  EXPECT_THROW((void)(huge + huge), Error);
  EXPECT_THROW((void)repeated(3, huge), Error);
  EXPECT_THROW((void)repeated(SIZE_MAX, bytesWrite("a")), Error);
}

TEST(Write, ChoicesReportTheLargestBoundAndRunOneBranch) {
  int ran = 0;
  auto counting = [&ran](std::string_view s) {
    return [&ran, s](int) {
      return exactWrite(s.size(), [&ran, s](std::uint8_t* out) {
        ++ran;
        std::memcpy(out, s.data(), s.size());
      });
    };
  };
  auto isEven = [](int x) { return x % 2 == 0; };
  auto even = writeIf(isEven, counting("even"), counting("odd!!"), 4);
  auto odd = writeIf(isEven, counting("even"), counting("odd!!"), 3);
  EXPECT_EQ(getBound(even), 5);
  EXPECT_EQ(getBound(odd), 5);
  EXPECT_EQ(writeToByteString(even).view(), "even");
  EXPECT_EQ(ran, 1);
  EXPECT_EQ(writeToByteString(odd).view(), "odd!!");
  EXPECT_EQ(ran, 2);

  auto eq = [&](int x) { return writeEq(7, counting("seven"), counting("other"), x); };
  EXPECT_EQ(writeToByteString(eq(7)).view(), "seven");
  EXPECT_EQ(writeToByteString(eq(8)).view(), "other");

  auto byOrder = [&](int x) {
    return writeOrdering([](int v) { return v <=> 10; }, counting("lt"), counting("eq"),
                         counting("greater"), x);
  };
  EXPECT_EQ(getBound(byOrder(0)), 7);
  EXPECT_EQ(writeToByteString(byOrder(0)).view(), "lt");
  EXPECT_EQ(writeToByteString(byOrder(10)).view(), "eq");
  EXPECT_EQ(writeToByteString(byOrder(11)).view(), "greater");
  // Alternatives of different types mix.
  auto mixed = writeIf([](int x) { return x > 0; }, [](int) { return bytesWrite("pos"); },
                       [](int x) { return writeStorable(static_cast<std::uint8_t>(x)); }, -1);
  EXPECT_EQ(getBound(mixed), 3);
  EXPECT_EQ(writeToByteString(mixed).view(), "\xFF");
}

TEST(Write, LiftIOAndDataIndependentBounds) {
  int calls = 0;
  auto w = writeLiftIO([](std::uint16_t x) { return writePrimFixed(builder::word16BE, x); },
                       [&calls] { return static_cast<std::uint16_t>(0x4142 + calls++); });
  EXPECT_EQ(getBound(w), 2);
  EXPECT_EQ(calls, 0);  // the action runs only when the poke does
  EXPECT_EQ(writeToByteString(w).view(), "AB");
  EXPECT_EQ(writeToByteString(w).view(), "AC");

  auto dependent = [](int x) -> Write<> {
    if (x < 0) return bytesWrite("-");
    return bytesWrite("+0");
  };
  const std::string message =
      "getBound' called from writeLiftIO: write bound is not data-independent.";
  try {
    (void)writeLiftIO(dependent, [] { return 5; });
    FAIL() << "a data-dependent bound was accepted";
  } catch (const Error& e) {
    EXPECT_EQ(e.what(), message);
  }
  try {
    (void)getBoundIndependent<int>("caller", dependent);
    FAIL();
  } catch (const Error& e) {
    EXPECT_STREQ(e.what(), "getBound' called from caller: write bound is not data-independent.");
  }
  EXPECT_EQ(getBoundIndependent<int>("x", [](int) { return bytesWrite("abc"); }), 3);

  // A dependence the probes miss is caught when the real value arrives,
  // before anything is stored.
  auto sneaky = [](int x) -> Write<> { return x == 42 ? bytesWrite("long!") : bytesWrite("s"); };
  auto lifted = writeLiftIO(sneaky, [] { return 42; });
  EXPECT_EQ(getBound(lifted), 1);
  try {
    (void)writeToByteString(lifted);
    FAIL();
  } catch (const Error& e) {
    EXPECT_EQ(e.what(), message);
  }
}

TEST(FromWrite, BoundDecidesBufferFull) {
  // Stores 1 byte but claims 10: a buffer with 9 free asks for 10 and the
  // write runs whole in the next buffer.
  auto w = boundedWrite(10, bytesWrite("x").poke());
  auto rec =
      runGuarded(fromByteString(Bytes("ab")) + fromWrite(w) + fromByteString(Bytes("c")), 11);
  EXPECT_EQ(rec.output, "abxc");
  EXPECT_THAT(rec.fullRequests, ::testing::ElementsAre(10));
  EXPECT_THAT(rec.pieces, ::testing::ElementsAre("ab", "xc"));
  EXPECT_FALSE(rec.overran);
  // A buffer smaller than the bound is replaced by one of at least the bound.
  auto small = runGuarded(fromWrite(w), 3);
  EXPECT_EQ(small.output, "x");
  EXPECT_EQ(toByteString(fromWrite(boundedWrite(100000, bytesWrite("y").poke()))).view(), "y");
  EXPECT_EQ(toByteString(fromWriteSingleton([](char c) { return writeStorable(c); }, 'q')).view(),
            "q");
  EXPECT_EQ(toByteString(fromWriteSingleton([](char c) { return writeStorable(c); })('r')).view(),
            "r");
  EXPECT_EQ(toByteString(fromStorable(std::uint8_t{0x7F})).view(), "\x7F");
}

TEST(FromWrite, ListsCheckEachElementAndResumeAtIt) {
  auto f = [](const std::string& s) { return boundedWrite(4, writeByteString(Bytes(s)).poke()); };
  std::vector<std::string> xs{"a", "bb", "ccc", "dddd", "e"};
  auto rec = runGuarded(fromWriteList(f, xs), 6);
  EXPECT_EQ(rec.output, "abbcccdddde");
  // Each element needs 4 free bytes: after "a" and "bb" 3 are left, after
  // "dddd" 2, so "ccc" and "e" wait for the next buffer.
  EXPECT_THAT(rec.pieces, ::testing::ElementsAre("abb", "ccc", "dddd", "e"));
  EXPECT_FALSE(rec.overran);
  EXPECT_TRUE(toByteString(fromWriteList(f, std::vector<std::string>{})).empty());
  EXPECT_TRUE(fromWriteList(f)(std::vector<std::string>{}).isEmpty());
  // Any forward range; the builder keeps its own copy.
  std::list<std::string> linked{"x", "y"};
  builder::Builder fromLinked = fromWriteList(f)(linked);
  linked.clear();
  EXPECT_EQ(toByteString(fromLinked).view(), "xy");
  auto shared = std::make_shared<const std::vector<std::string>>(xs);
  EXPECT_EQ(toByteString(fromWriteList(f, shared)).view(), "abbcccdddde");
  std::vector<std::uint16_t> words{1, 2};
  EXPECT_EQ(toByteString(fromStorables(words)).size(), 4);
}

TEST(ByteStrings, ThresholdsCopyOrInsert) {
  auto insertsOf = [](const builder::Builder& b) { return runGuarded(b, 100000).inserts; };
  std::string atLimit(8160, 'a'), over(8161, 'b');
  EXPECT_EQ(insertsOf(fromByteString(Bytes(atLimit))), 0);
  EXPECT_EQ(insertsOf(fromByteString(Bytes(over))), 1);
  EXPECT_EQ(insertsOf(fromByteStringWith(3, Bytes("abc"))), 0);
  EXPECT_EQ(insertsOf(fromByteStringWith(3, Bytes("abcd"))), 1);
  EXPECT_EQ(insertsOf(insertByteString(Bytes("a"))), 1);
  EXPECT_EQ(insertsOf(copyByteString(Bytes(over))), 0);
  // Inserted chunks are the caller's bytes, not copies.
  Bytes big(over);
  auto signal = builder::run(fromByteString(big).step(), builder::BufferRange{nullptr, nullptr});
  EXPECT_EQ(std::get<builder::InsertChunk>(signal.signal).chunk.data(), big.data());

  // A copy longer than every buffer goes through piecewise.
  std::mt19937_64 rng(1);
  std::string data = testing::randomBytes(rng, 1000);
  auto rec = runGuarded(copyByteString(Bytes(data)), 64);
  EXPECT_EQ(rec.output, data);
  EXPECT_EQ(rec.pieces.size(), 16u);

  ChunkedBytes chunks({Bytes("ab"), Bytes(over), Bytes("cd")});
  EXPECT_EQ(insertsOf(fromLazyByteString(chunks)), 1);
  EXPECT_EQ(insertsOf(fromLazyByteStringWith(1, chunks)), 3);
  EXPECT_EQ(insertsOf(copyLazyByteString(chunks)), 0);
  EXPECT_EQ(insertsOf(insertLazyByteString(chunks)), 3);
  for (const auto& b : {fromLazyByteString(chunks), copyLazyByteString(chunks),
                        insertLazyByteString(chunks), fromLazyByteStringWith(0, chunks)}) {
    EXPECT_EQ(runGuarded(b, 100).output, chunks.toString());
  }
}

}  // namespace
}  // namespace quire::quill
