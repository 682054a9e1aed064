#include "base/bytes.hpp"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <unordered_set>
#include <utility>

namespace {

using quire::Bytes;
using quire::ChunkedBytes;
using quire::ChunkedText;
using quire::Text;

TEST(Bytes, HeaderExample) {
  Bytes b(std::string_view("hello world"));
  Bytes w = b.slice(6, 5);
  EXPECT_EQ(w.view(), "world");
  EXPECT_EQ(w.data(), b.data() + 6);
  Bytes s = Bytes::fromStatic("abc");
  EXPECT_LT(s, w);
  Text t(std::string_view("größe"));
  EXPECT_EQ(t.size(), 7u);

  ChunkedBytes c;
  c.append(b.slice(0, 6));
  c.append(w);
  EXPECT_EQ(c.size(), 11u);
  EXPECT_EQ(c.toBytes(), b);
  EXPECT_EQ(c.chunks().size(), 2u);
}

TEST(Bytes, ConstructionCopiesAdoptsOrRefers) {
  std::string source(100, 'x');
  Bytes copied{std::string_view(source)};
  EXPECT_NE(copied.data(), source.data());
  source[0] = 'y';  // the copy does not see later changes
  EXPECT_EQ(copied.view(), std::string(100, 'x'));

  std::string adoptee(100, 'z');
  const char* buffer = adoptee.data();
  Bytes adopted(std::move(adoptee));
  EXPECT_EQ(adopted.data(), buffer);
  EXPECT_EQ(adopted.view(), std::string(100, 'z'));

  Bytes small(std::string("tiny"));  // lives inside the string object: copied
  EXPECT_EQ(small.view(), "tiny");

  static const char kStatic[] = "static bytes";
  Bytes s = Bytes::fromStatic(kStatic);
  EXPECT_EQ(s.data(), kStatic);
  Bytes sliced = s.slice(7, 100);
  EXPECT_EQ(sliced.data(), kStatic + 7);
  EXPECT_EQ(sliced.view(), "bytes");

  Bytes empty;
  EXPECT_TRUE(empty.empty());
  EXPECT_NE(empty.data(), nullptr);
  EXPECT_NE(Bytes::fromStatic(std::string_view()).data(), nullptr);
  EXPECT_EQ(Bytes(std::string_view()), empty);
  EXPECT_EQ(Bytes(std::string()), empty);
  EXPECT_EQ(Bytes("with\0nul"), Bytes::fromStatic("with"));  // const char* stops at NUL
  EXPECT_EQ(Bytes(std::string_view("a\0b", 3)).size(), 3u);
}

TEST(Bytes, SlicesShareStorageAndOutliveTheParent) {
  Bytes slice;
  const char* base = nullptr;
  {
    Bytes parent{std::string(64, 'p') + "tail"};
    base = parent.data();
    slice = parent.slice(64, 4);
    Bytes copy = parent;
    EXPECT_EQ(copy.data(), base);
  }
  // The parent is gone; the slice still holds the storage (ASan checks this).
  EXPECT_EQ(slice.data(), base + 64);
  EXPECT_EQ(slice.view(), "tail");

  Bytes nested = slice.slice(1, 2).slice(1, 1);
  EXPECT_EQ(nested.view(), "i");
  EXPECT_EQ(nested.data(), base + 66);

  // Clamping: past the end gives an empty value, long lengths are cut.
  EXPECT_TRUE(slice.slice(4, 1).empty());
  EXPECT_TRUE(slice.slice(1000, 1).empty());
  EXPECT_EQ(slice.slice(2, static_cast<std::size_t>(-1)).view(), "il");
}

TEST(Bytes, CopyMoveAndAssignKeepValues) {
  Bytes a{std::string(40, 'a')};
  Bytes b = a;
  Bytes c = std::move(a);
  EXPECT_TRUE(a.empty());  // NOLINT(bugprone-use-after-move): moved-from is empty
  EXPECT_EQ(b, c);
  const Bytes& alias = b;
  b = alias;  // self-assignment keeps the value
  EXPECT_EQ(b.view(), std::string(40, 'a'));
  c = Bytes::fromStatic("s");
  b = std::move(c);
  EXPECT_EQ(b.view(), "s");
}

TEST(Bytes, OrderingIsBytewiseUnsigned) {
  auto bytes = [](std::string_view s) { return Bytes(s); };
  EXPECT_LT(bytes(""), bytes("a"));
  EXPECT_LT(bytes("a"), bytes("ab"));
  EXPECT_LT(bytes("ab"), bytes("b"));
  EXPECT_LT(bytes("\x7f"), bytes("\x80"));  // high bytes sort after ASCII
  EXPECT_LT(bytes(std::string_view("\0", 1)), bytes("\x01"));
  EXPECT_EQ(bytes("same") <=> bytes("same"), std::strong_ordering::equal);
  EXPECT_EQ(Bytes::fromStatic("xyz").slice(1, 1), bytes("y"));
}

TEST(Bytes, EqualContentsHashEqually) {
  Bytes owned{std::string_view("key")};
  Bytes adopted{std::string("a key that is long enough to adopt").substr(2, 3)};
  Bytes sliced = Bytes::fromStatic("monkey").slice(3, 3);
  EXPECT_EQ(hashWithSalt(7, owned), hashWithSalt(7, sliced));
  EXPECT_EQ(hashWithSalt(7, owned), hashWithSalt(7, adopted));
  EXPECT_EQ(hashWithSalt(7, owned), quire::hash::mixBytes(7, "key"));
  EXPECT_NE(hashWithSalt(7, owned), hashWithSalt(8, owned));

  std::unordered_set<Bytes> set{owned, sliced, Bytes::fromStatic("other")};
  EXPECT_EQ(set.size(), 2u);
  EXPECT_TRUE(set.contains(adopted));
  EXPECT_EQ(std::hash<Text>{}(Text("key")), std::hash<Bytes>{}(owned));
}

TEST(Text, ConvertsToAndFromBytesWithoutCopying) {
  Bytes utf8{std::string("caf\xc3\xa9 and more text to force the heap")};
  Text t = Text::fromUtf8Unchecked(utf8);
  EXPECT_EQ(t.data(), utf8.data());
  EXPECT_EQ(t.utf8Bytes().data(), utf8.data());
  EXPECT_EQ(static_cast<std::string_view>(t), utf8.view());
  EXPECT_EQ(t.slice(3, 2).view(), "\xc3\xa9");

  auto checked = Text::fromUtf8Checked(utf8);
  ASSERT_TRUE(checked.has_value());
  EXPECT_EQ(checked->data(), utf8.data());
  EXPECT_FALSE(Text::fromUtf8Checked(Bytes::fromStatic("\xff")).has_value());
  EXPECT_EQ(Text::fromUtf8Checked(std::string_view("ok \xc3\xa9")), Text("ok \xc3\xa9"));
  EXPECT_FALSE(Text::fromUtf8Checked(std::string_view("\xc3")).has_value());
}

TEST(Bytes, StreamsWriteTheRawContents) {
  std::ostringstream out;
  out << Bytes(std::string_view("a\0b", 3)) << '|' << Text("t\xc3\xa9") << '|'
      << ChunkedBytes({Bytes("x"), Bytes("y")});
  EXPECT_EQ(out.str(), std::string("a\0b|t\xc3\xa9|xy", 10));
}

TEST(Text, Utf8ValidationRejectsMalformedSequences) {
  EXPECT_TRUE(quire::isValidUtf8(""));
  EXPECT_TRUE(quire::isValidUtf8("plain ascii"));
  EXPECT_TRUE(quire::isValidUtf8("\xc2\x80 \xdf\xbf \xe0\xa0\x80 \xef\xbf\xbf"));
  EXPECT_TRUE(quire::isValidUtf8("\xf0\x90\x80\x80 \xf4\x8f\xbf\xbf"));
  EXPECT_TRUE(quire::isValidUtf8(std::string_view("\0", 1)));
  EXPECT_FALSE(quire::isValidUtf8("\x80"));              // lone continuation
  EXPECT_FALSE(quire::isValidUtf8("\xc0\xaf"));          // overlong '/'
  EXPECT_FALSE(quire::isValidUtf8("\xe0\x9f\xbf"));      // overlong 3-byte
  EXPECT_FALSE(quire::isValidUtf8("\xf0\x8f\xbf\xbf"));  // overlong 4-byte
  EXPECT_FALSE(quire::isValidUtf8("\xed\xa0\x80"));      // surrogate
  EXPECT_FALSE(quire::isValidUtf8("\xf4\x90\x80\x80"));  // above U+10FFFF
  EXPECT_FALSE(quire::isValidUtf8("\xf5\x80\x80\x80"));
  EXPECT_FALSE(quire::isValidUtf8("\xe2\x82"));          // truncated
  EXPECT_FALSE(quire::isValidUtf8("\xe2\x28\xa1"));      // bad continuation
  EXPECT_FALSE(quire::isValidUtf8("ok\xf0\x9f\x98"));    // truncated at end
}

TEST(ChunkedBytes, ComparesAndHashesByContentsNotChunking) {
  ChunkedBytes ab_cd({Bytes("ab"), Bytes("cd")});
  ChunkedBytes a_bcd({Bytes("a"), Bytes(), Bytes("bcd")});
  ChunkedBytes whole({Bytes("abcd")});
  EXPECT_EQ(a_bcd.chunks().size(), 2u);  // the empty chunk was dropped
  EXPECT_EQ(ab_cd, a_bcd);
  EXPECT_EQ(ab_cd, whole);
  EXPECT_EQ(hashWithSalt(3, ab_cd), hashWithSalt(3, whole));
  EXPECT_EQ(hashWithSalt(3, ab_cd), hashWithSalt(3, Bytes("abcd")));
  EXPECT_EQ(std::hash<ChunkedBytes>{}(a_bcd), std::hash<Bytes>{}(Bytes("abcd")));

  EXPECT_LT(ChunkedBytes({Bytes("ab"), Bytes("c")}), ab_cd);  // prefix
  EXPECT_GT(ChunkedBytes({Bytes("ab"), Bytes("d")}), ab_cd);
  EXPECT_LT(ChunkedBytes(), ChunkedBytes({Bytes(std::string_view("\0", 1))}));
  EXPECT_EQ(ChunkedBytes(), ChunkedBytes({Bytes()}));
  EXPECT_NE(ChunkedBytes({Bytes("abc")}), ab_cd);
}

TEST(ChunkedBytes, ConcatenationSharesASingleChunk) {
  Bytes only{std::string(50, 'q')};
  ChunkedBytes one;
  one.append(only);
  one.append(Bytes());
  EXPECT_EQ(one.chunks().size(), 1u);
  EXPECT_EQ(one.toBytes().data(), only.data());

  ChunkedBytes none;
  EXPECT_TRUE(none.toBytes().empty());
  EXPECT_EQ(none.toString(), "");

  ChunkedText text({Text("größe"), Text(" und "), Text("maß")});
  EXPECT_EQ(text.size(), 7u + 5u + 4u);
  EXPECT_EQ(text.toText(), Text("größe und maß"));
  EXPECT_EQ(text.toString(), "größe und maß");
}

}  // namespace
