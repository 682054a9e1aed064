#include "vellum/buffer.hpp"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <sstream>
#include <random>
#include <string>
#include <vector>

#include "base/internal/encode.hpp"
#include "vellum/vellum.hpp"

namespace {

using namespace quire::vellum;
using quire::Bytes;
using quire::Text;

std::int64_t storedCounter(const Storage& s) {
  std::int64_t g;
  std::memcpy(&g, s.data(), 8);
  return g;
}

TEST(VellumBuffer, HeaderExamples) {
  bytes::Buffer b = bytes::pappend(bytes::Buffer(), Bytes("GET /"));
  EXPECT_EQ(b.gen(), 0);
  Bytes verb = bytes::substring(0, 3, b);
  EXPECT_EQ(verb.view(), "GET");
  b = bytes::pappend(std::move(b), Bytes("index"));
  EXPECT_EQ(b.len(), 10);
  EXPECT_EQ(b.cap(), 20);
  EXPECT_EQ(b.gen(), 1);
  b = bytes::pappend(std::move(b), Bytes(" HTTP"));
  EXPECT_EQ(b.gen(), 2);
  EXPECT_EQ(bytes::unbuffer(b).view(), "GET /index HTTP");
  EXPECT_EQ(verb.view(), "GET");

  text::Buffer t = text::pappend(text::Buffer(), Text("h\xC3\xA9!"));
  auto [c, n] = text::iter(t, 1);
  EXPECT_EQ(c, U'\u00E9');
  EXPECT_EQ(n, 2);
  EXPECT_EQ(text::iter_(t, 1), 2);
  EXPECT_EQ(text::dropCodeUnits(3, t).view(), "!");

  text::Buffer input;
  input = text::pappend(std::move(input), Text("key = "));
  input = text::pappend(std::move(input), Text("va\xC3\xA9"));
  text::FastSet word = text::charClass(U"a-z\u00E0-\u00FF");
  std::int64_t i = 6, start = i;
  while (i < text::length(input) && text::member(text::iter(input, i).character, word))
    i += text::iter(input, i).length;
  EXPECT_EQ(text::substring(start, i - start, input).view(), "va\xC3\xA9");
}

TEST(VellumBuffer, GenerationRulesOfTheDocumentedSequence) {
  Bytes first("abcde");
  bytes::Buffer borrowed = bytes::pappend(bytes::Buffer(), first);
  EXPECT_EQ(bytes::unbuffer(borrowed).data(), first.data());  // not copied
  EXPECT_EQ(borrowed.off(), 0);
  EXPECT_EQ(borrowed.len(), 5);
  EXPECT_EQ(borrowed.cap(), 5);
  EXPECT_EQ(borrowed.gen(), 0);

  bytes::Buffer g1 = bytes::pappend(borrowed, Bytes("fgh"));
  EXPECT_EQ(g1.len(), 8);
  EXPECT_EQ(g1.cap(), 16);
  EXPECT_EQ(g1.gen(), 1);
  EXPECT_EQ(g1.off(), 8);
  EXPECT_EQ(storedCounter(g1.storage()), 1);
  EXPECT_EQ(bytes::unbuffer(g1).data(), g1.storage().data() + 8);

  bytes::Buffer g2 = bytes::pappend(g1, Bytes("ijkl"));
  EXPECT_EQ(g2.storage().data(), g1.storage().data());  // in place
  EXPECT_EQ(g2.gen(), 2);
  EXPECT_EQ(g2.cap(), 16);
  EXPECT_EQ(storedCounter(g2.storage()), 2);
  EXPECT_EQ(bytes::unbuffer(g1).view(), "abcdefgh");  // the old value is intact
  EXPECT_EQ(bytes::unbuffer(g2).view(), "abcdefghijkl");

  // Through the stale generation-1 value: copied, though it would fit.
  bytes::Buffer fork = bytes::pappend(g1, Bytes("XYZ"));
  EXPECT_NE(fork.storage().data(), g1.storage().data());
  EXPECT_EQ(fork.gen(), 1);
  EXPECT_EQ(fork.cap(), 22);
  EXPECT_EQ(bytes::unbuffer(fork).view(), "abcdefghXYZ");
  EXPECT_EQ(bytes::unbuffer(g2).view(), "abcdefghijkl");
  EXPECT_EQ(storedCounter(g2.storage()), 2);

  // The latest value, but too long: copied into twice the new length.
  bytes::Buffer big = bytes::pappend(g2, Bytes("0123456789"));
  EXPECT_NE(big.storage().data(), g2.storage().data());
  EXPECT_EQ(big.len(), 22);
  EXPECT_EQ(big.cap(), 44);
  EXPECT_EQ(big.gen(), 1);

  // Appending nothing still moves the generation on.
  bytes::Buffer same = bytes::pappend(big, Bytes());
  EXPECT_EQ(same.gen(), 2);
  EXPECT_EQ(bytes::unbuffer(same).view(), bytes::unbuffer(big).view());

  EXPECT_THROW((void)bytes::append(big, big.storage(), 0, -1), quire::Error);
}

TEST(VellumBuffer, CombiningAndTheEmptyBuffer) {
  bytes::Buffer empty;
  EXPECT_EQ(empty.cap(), 0);
  EXPECT_EQ(bytes::length(empty), 0);
  EXPECT_TRUE(bytes::unbuffer(empty).empty());
  EXPECT_EQ(bytes::show(empty), "\"\"");

  bytes::Buffer a = bytes::buffer(Bytes("ab")), b = bytes::buffer(Bytes("cd"));
  EXPECT_EQ(bytes::unbuffer(empty + a).data(), bytes::unbuffer(a).data());
  EXPECT_EQ(bytes::unbuffer(a + empty).data(), bytes::unbuffer(a).data());
  bytes::Buffer ab = a + b;
  EXPECT_EQ(bytes::unbuffer(ab).view(), "abcd");
  EXPECT_EQ(ab.gen(), 1);
  bytes::Buffer twice = ab + ab;  // the source is the storage being written
  EXPECT_EQ(twice.storage().data(), ab.storage().data());
  EXPECT_EQ(bytes::unbuffer(twice).view(), "abcdabcd");

  std::vector<bytes::Buffer> parts = {empty, a, empty, b, a};
  EXPECT_EQ(bytes::unbuffer(bytes::concat(parts)).view(), "abcdab");
  EXPECT_EQ(bytes::concat({}).cap(), 0);

  // A buffer of an empty chunk is still the empty buffer.
  bytes::Buffer stillEmpty = bytes::pappend(bytes::Buffer(), Bytes());
  EXPECT_EQ(stillEmpty.cap(), 0);
  EXPECT_EQ(bytes::unbuffer(bytes::pappend(stillEmpty, Bytes("x"))).view(), "x");
}

TEST(VellumBuffer, ByteAccessAndTextForm) {
  bytes::Buffer b = bytes::pappend(bytes::buffer(Bytes("q\"\xE9")), Bytes("\n\x01z"));
  EXPECT_EQ(bytes::unsafeIndex(b, 2), 0xE9);
  EXPECT_EQ(bytes::unsafeIndex(b, 5), 'z');
  EXPECT_EQ(bytes::substring(1, 3, b).view(), "\"\xE9\n");
  EXPECT_EQ(bytes::unsafeDrop(4, b).view(), "\x01z");
  EXPECT_EQ(bytes::unsafeDrop(6, b).view(), "");
  EXPECT_EQ(bytes::show(b), "\"q\\\"\xC3\xA9\\n\\001z\"");
  std::ostringstream os;
  os << b;
  EXPECT_EQ(os.str(), bytes::show(b));

  Bytes src("hello");
  auto seen = bytes::withPS(src, [](const Storage& s, std::int64_t off, std::int64_t len) {
    return bytes::mkPS(s, off + 1, len - 2);
  });
  EXPECT_EQ(seen.view(), "ell");
  EXPECT_EQ(seen.data(), src.data() + 1);
  EXPECT_EQ(bytes::unbuffer(bytes::append(bytes::buffer(Bytes("x")), Storage::borrow(src), 2, 3)).view(), "xllo");
}

TEST(VellumBuffer, TextDecodingAndSlices) {
  EXPECT_EQ(text::iter_(text::buffer(Text("A")), 0), 1);
  EXPECT_EQ(text::iter_(text::buffer(Text("\xC3\xA9")), 0), 2);
  EXPECT_EQ(text::iter_(text::buffer(Text("\xE2\x82\xAC")), 0), 3);
  EXPECT_EQ(text::iter_(text::buffer(Text("\xF0\x9F\x98\x80")), 0), 4);

  // Every sequence length at every boundary, across a copy and in-place appends.
  std::u32string chars = U"a\u00E9\u20AC\U0001F600\u007F\u0080\u07FF\u0800\uFFFF\U00010000\U0010FFFF";
  std::string all;
  text::Buffer t;
  for (char32_t c : chars) {
    std::string one;
    std::uint8_t buf[4];
    auto* end = quire::builder::detail::storeUtf8(c, buf);
    one.assign(reinterpret_cast<char*>(buf), static_cast<std::size_t>(end - buf));
    all += one;
    t = text::pappend(std::move(t), Text(one));
  }
  EXPECT_EQ(text::unbuffer(t).view(), all);
  EXPECT_EQ(text::length(t), static_cast<std::int64_t>(all.size()));
  std::int64_t i = 0;
  for (char32_t c : chars) {
    const text::Iter it = text::iter(t, i);
    EXPECT_EQ(it.character, c);
    EXPECT_EQ(it.length, text::iter_(t, i));
    i += it.length;
  }
  EXPECT_EQ(i, text::length(t));

  EXPECT_EQ(text::unbufferAt(1, t).view(), all.substr(1));
  EXPECT_EQ(text::dropCodeUnits(3, t).view(), all.substr(3));
  EXPECT_EQ(text::substring(1, 5, t).view(), all.substr(1, 5));
  EXPECT_EQ(text::lengthCodeUnits(Text("\xC3\xA9")), 2);
  EXPECT_EQ(text::show(text::buffer(Text("a\xC3\xA9\t"))), "\"a\xC3\xA9\\t\"");

  // A borrowed text buffer starts at the text's own first code unit.
  Text whole("xxhello");
  Text part = whole.slice(2, 5);
  text::Buffer borrowed = text::buffer(part);
  EXPECT_EQ(text::unbuffer(borrowed).data(), part.data());
  EXPECT_EQ(text::unbuffer(text::Buffer() + borrowed).view(), "hello");
}

// The generation rules against a model, for both buffer kinds: a pool of
// buffer values, each appended to at random; the model predicts whether an
// append writes in place and what every earlier slice must still hold.
template <class Kind>
struct BufferKind;
template <>
struct BufferKind<bytes::Buffer> {
  using Piece = Bytes;
  static bytes::Buffer pappend(bytes::Buffer b, const std::string& s) { return bytes::pappend(std::move(b), Bytes(s)); }
  static bytes::Buffer appendVia(bytes::Buffer b, const std::string& s) {
    Bytes src(s);
    return bytes::append(std::move(b), Storage::borrow(src), 0, static_cast<std::int64_t>(src.size()));
  }
  static std::string contents(const bytes::Buffer& b) { return bytes::unbuffer(b).toString(); }
};
template <>
struct BufferKind<text::Buffer> {
  using Piece = Text;
  static text::Buffer pappend(text::Buffer b, const std::string& s) { return text::pappend(std::move(b), Text(s)); }
  static text::Buffer appendVia(text::Buffer b, const std::string& s) {
    Text src(s);
    return text::append(std::move(b), Storage::borrow(src.utf8Bytes()), 0, static_cast<std::int64_t>(src.size()));
  }
  static std::string contents(const text::Buffer& b) { return text::unbuffer(b).toString(); }
};

template <class B>
class VellumBufferModel : public ::testing::Test {};
using BufferKinds = ::testing::Types<bytes::Buffer, text::Buffer>;
TYPED_TEST_SUITE(VellumBufferModel, BufferKinds);

TYPED_TEST(VellumBufferModel, AppendsFollowTheGenerationRules) {
  using B = TypeParam;
  using K = BufferKind<B>;
  struct Value {
    B buffer;
    std::string expected;
    typename K::Piece slice;  // taken when the value was made
  };
  std::mt19937 rng(11);
  std::vector<Value> pool;
  pool.push_back({B(), "", {}});
  std::map<const char*, std::int64_t> counters;  // model of each owned storage's counter
  int inPlaceCount = 0, copyCount = 0;

  for (int step = 0; step < 3000; ++step) {
    // Mostly extend the newest value, sometimes an old one.
    const std::size_t pick = rng() % 4 != 0 ? pool.size() - 1 : rng() % pool.size();
    const Value& from = pool[pick];
    std::string chunk(rng() % 24, '\0');
    for (char& c : chunk) c = static_cast<char>('a' + rng() % 26);

    const B& b = from.buffer;
    const auto newlen = static_cast<std::int64_t>(from.expected.size() + chunk.size());
    const bool empty = b.cap() == 0;
    const bool inPlace = !empty && b.gen() != 0 && counters[b.storage().data()] == b.gen() && newlen <= b.cap();

    B next = rng() % 2 == 0 ? K::pappend(b, chunk) : (empty ? K::pappend(b, chunk) : K::appendVia(b, chunk));
    const std::string expected = from.expected + chunk;
    ASSERT_EQ(K::contents(next), expected);
    ASSERT_EQ(next.len(), newlen);
    if (empty) {
      ASSERT_EQ(next.gen(), 0);
      ASSERT_EQ(next.cap(), newlen);
    } else if (inPlace) {
      ++inPlaceCount;
      ASSERT_EQ(next.storage().data(), b.storage().data());
      ASSERT_EQ(next.gen(), b.gen() + 1);
      ASSERT_EQ(next.cap(), b.cap());
      ASSERT_EQ(next.off(), b.off());
    } else {
      ++copyCount;
      ASSERT_NE(next.storage().data(), b.storage().data());
      ASSERT_EQ(next.gen(), 1);
      ASSERT_EQ(next.cap(), 2 * newlen);
      ASSERT_EQ(next.off(), 8);
    }
    if (next.gen() != 0) {
      counters[next.storage().data()] = next.gen();
      ASSERT_EQ(storedCounter(next.storage()), next.gen());
    }
    pool.push_back({next, expected, {}});
    if constexpr (std::is_same_v<B, bytes::Buffer>) {
      pool.back().slice = bytes::unbuffer(next);  // shares the storage
    } else {
      pool.back().slice = text::unbuffer(next);
    }
    if (step % 100 == 0) {
      for (const Value& v : pool) ASSERT_EQ(v.slice.view(), v.expected);
    }
    if (pool.size() > 64) pool.erase(pool.begin());
  }
  EXPECT_GT(inPlaceCount, 1000);
  EXPECT_GT(copyCount, 300);
  // Every value and every slice handed out still holds what it held.
  for (const Value& v : pool) {
    EXPECT_EQ(K::contents(v.buffer), v.expected);
    EXPECT_EQ(v.slice.view(), v.expected);
  }
}

}  // namespace
