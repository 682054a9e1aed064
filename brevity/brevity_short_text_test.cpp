// ShortText storage, construction, conversion and the generic behaviour:
// equality, ordering, hashing, text form, reading and the binary form.
#include "brevity/brevity.hpp"

#include <gtest/gtest.h>

#include <iomanip>
#include <random>
#include <ranges>
#include <sstream>
#include <string>
#include <vector>

#include "base/builder.hpp"
#include "base/error.hpp"
#include "brevity/binary.hpp"
#include "brevity/operations.hpp"
#include "brevity/show.hpp"

namespace {

using namespace quire::brevity;
using quire::Bytes;
using quire::Text;

// Characters of every UTF-8 width, controls and quotes among them.
std::u32string randomChars(std::mt19937_64& rng, std::size_t n) {
  static const std::u32string kPool =
      U"ab\"\\\n\t\x01\x7F\u0080\u009F\u00E9\u07FF\u0800\u20AC\uD7FF\uE000\uFFFD\U00010000"
      U"\U0001F600\U0010FFFF ";
  std::u32string s;
  for (std::size_t k = 0; k < n; ++k) s.push_back(kPool[rng() % kPool.size()]);
  return s;
}

// The header's example, replayed.
TEST(ShortText, HeaderExample) {
  ShortText t("gr\xC3\xBC\xC3\x9F");
  EXPECT_EQ(t.size(), 6u);
  EXPECT_EQ(length(t), 4);
  ShortText u = fromString(U"gr\u00FC\u00DF");
  EXPECT_EQ(u, t);
  EXPECT_EQ(hash(u), hash(t));
  EXPECT_FALSE(fromUtf8("\xC0\x80"));
  EXPECT_EQ(singleton(U'\xD800').view(), "\xEF\xBF\xBD");
  EXPECT_EQ(toU32String(t), U"gr\u00FC\u00DF");
}

TEST(ShortText, OneHandleSharedBlocks) {
  static_assert(sizeof(ShortText) == sizeof(void*));
  ShortText a, b;
  EXPECT_TRUE(a.sharesWith(b));  // one shared empty block
  EXPECT_TRUE(empty().sharesWith(fromString(U"")));
  EXPECT_TRUE(fromUtf8("")->sharesWith(a));
  ShortText c("copy me");
  ShortText d = c;
  EXPECT_TRUE(d.sharesWith(c));
  ShortText e = std::move(d);
  EXPECT_TRUE(e.sharesWith(c));
  EXPECT_TRUE(d.empty());  // NOLINT: a moved-from value is empty
  EXPECT_NE(a.data(), nullptr);
}

TEST(ShortText, ConstructionFromCharacters) {
  // Each width, and the values UTF-8 cannot carry.
  EXPECT_EQ(singleton(U'A').view(), "A");
  EXPECT_EQ(singleton(U'\u07FF').view(), "\xDF\xBF");
  EXPECT_EQ(singleton(U'\uFFFF').view(), "\xEF\xBF\xBF");
  EXPECT_EQ(singleton(U'\U00010000').view(), "\xF0\x90\x80\x80");
  EXPECT_EQ(singleton(U'\xDFFF').view(), "\xEF\xBF\xBD");
  EXPECT_EQ(singleton(char32_t{0x110000}).view(), "\xEF\xBF\xBD");
  EXPECT_EQ(fromString(std::u32string{U'a', 0xD800, U'b'}).view(),
            "a\xEF\xBF\xBD"
            "b");
  EXPECT_EQ(fromString(std::u32string{0xD800}).view(), "\xEF\xBF\xBD");
  EXPECT_EQ(pack(U"x\u20AC").view(), "x\xE2\x82\xAC");
  EXPECT_EQ(ShortText(U"\u00E9"), ShortText("\xC3\xA9"));
  EXPECT_EQ(fromStringLit(U"lit"), ShortText("lit"));
  // Decoding gives back what was encoded, for every width.
  std::mt19937_64 rng(7);
  for (int round = 0; round < 200; ++round) {
    const std::u32string s = randomChars(rng, rng() % 30);
    const ShortText t = fromString(s);
    ASSERT_TRUE(isValidUtf8(t));
    ASSERT_EQ(toU32String(t), s);
    ASSERT_EQ(length(t), static_cast<std::int64_t>(s.size()));
    std::u32string backwards(unpack(t).begin(), unpack(t).end());
    ASSERT_EQ(backwards, s);
    std::u32string reversed;
    const CodePoints cps = toString(t);
    for (auto it = cps.end(); it != cps.begin();) reversed.push_back(*--it);
    ASSERT_EQ(std::u32string(reversed.rbegin(), reversed.rend()), s);
  }
  // The lazy form composes with the standard views and stops early.
  const ShortText t = fromString(U"\U0001F600b\u00E9");
  std::u32string firstTwo;
  for (char32_t c : toString(t) | std::views::take(2)) firstTwo.push_back(c);
  EXPECT_EQ(firstTwo, U"\U0001F600b");
  std::u32string backwards;
  for (char32_t c : unpack(t) | std::views::reverse) backwards.push_back(c);
  EXPECT_EQ(backwards, U"\u00E9b\U0001F600");
  static_assert(std::ranges::bidirectional_range<CodePoints> && std::ranges::view<CodePoints>);
}

TEST(ShortText, ValidatingConstructors) {
  for (std::string_view bad :
       {std::string_view("\xC0\x80"), std::string_view("\xED\xA0\x80"),
        std::string_view("\xF4\x90\x80\x80"), std::string_view("\xE0\x80\x80"),
        std::string_view("\x80"), std::string_view("ok\xE2\x82")}) {
    const ShortByteString b(bad);
    EXPECT_FALSE(fromShortByteString(b)) << bad;
    EXPECT_FALSE(fromByteString(Bytes(bad))) << bad;
    EXPECT_FALSE(fromUtf8(bad)) << bad;
    try {
      ShortText t(bad);
      ADD_FAILURE() << "accepted " << bad;
    } catch (const quire::Error& e) {
      EXPECT_STREQ(e.what(), "ShortText: invalid UTF-8");
    }
  }
  const ShortByteString euro(std::string_view("\xE2\x82\xAC"));
  auto t = fromShortByteString(euro);
  ASSERT_TRUE(t);
  EXPECT_EQ(length(*t), 1);
  EXPECT_EQ(t->size(), 3u);
  EXPECT_TRUE(t->bytes().sharesWith(euro));  // no copy
  EXPECT_TRUE(toShortByteString(*t).sharesWith(euro));
  EXPECT_EQ(fromByteString(Bytes(std::string_view("\xE2\x82\xAC"))), t);
  EXPECT_EQ(toByteString(*t), Bytes(std::string_view("\xE2\x82\xAC")));
  EXPECT_EQ(fromByteStringUnsafe(Bytes(std::string_view("ab"))), ShortText("ab"));
  EXPECT_TRUE(fromShortByteStringUnsafe(euro).bytes().sharesWith(euro));
  // Embedded NUL bytes are ordinary characters.
  EXPECT_EQ(length(ShortText(std::string_view("a\0b", 3))), 3);
}

TEST(ShortText, TextConversionsShareStorage) {
  const ShortText t("shared text");
  const Text x = toText(t);
  EXPECT_EQ(x.view(), "shared text");
  EXPECT_EQ(reinterpret_cast<const unsigned char*>(x.data()), t.data());
  EXPECT_TRUE(fromText(x).sharesWith(t));
  // A slice, or a Text owning its own storage, is copied.
  const ShortText part = fromText(x.slice(7, 4));
  EXPECT_EQ(part, ShortText("text"));
  EXPECT_FALSE(part.sharesWith(t));
  const Text own(std::string_view("own"));
  EXPECT_EQ(fromText(own), ShortText("own"));
  EXPECT_TRUE(fromText(Text()).empty());
  EXPECT_TRUE(toText(ShortText()).empty());
  // The Text keeps the block alive on its own.
  Text survivor;
  {
    ShortText temporary("outlives its maker");
    survivor = toText(temporary);
  }
  EXPECT_EQ(survivor.view(), "outlives its maker");
}

TEST(ShortText, OrderingIsByteOrderAndCodePointOrder) {
  EXPECT_EQ(compare(ShortText("a"), ShortText("ab")), std::strong_ordering::less);
  EXPECT_EQ(compare(ShortText("b"), ShortText("ab")), std::strong_ordering::greater);
  EXPECT_EQ(compare(ShortText(), ShortText()), std::strong_ordering::equal);
  EXPECT_LT(ShortText("\x7F"), ShortText("\xC2\x80"));  // bytes compare unsigned
  std::mt19937_64 rng(11);
  for (int round = 0; round < 500; ++round) {
    const std::u32string a = randomChars(rng, rng() % 5), b = randomChars(rng, rng() % 5);
    const ShortText x = fromString(a), y = fromString(b);
    ASSERT_EQ(x <=> y, a <=> b);
    ASSERT_EQ(x == y, a == b);
  }
}

TEST(ShortText, HashIsTheByteHash) {
  const ShortText t("h\xC3\xA9");
  const Bytes b(t.view());
  EXPECT_EQ(hash(t), hashWithSalt(quire::hash::defaultSalt, b));
  EXPECT_EQ(hashWithSalt(99, t), hashWithSalt(99, t.bytes()));
  EXPECT_EQ(std::hash<ShortText>{}(t), std::hash<Bytes>{}(b));
  EXPECT_NE(hash(t), hash(ShortText("he")));
}

TEST(ShortText, BuilderCopiesAcrossBuffers) {
  const ShortText t("0123456789abcdef-tail");
  EXPECT_EQ(quire::builder::toBytes(toBuilder(t)).view(), t.view());
  EXPECT_EQ(quire::builder::toLazyByteString(toBuilder(t) + toBuilder(t)).toString(),
            t.toUtf8() + t.toUtf8());
  // Three bytes of room at a time.
  std::string out;
  quire::builder::BuildStep step = toBuilder(t).step();
  for (;;) {
    std::uint8_t buf[3];
    quire::builder::BuildSignal s = step(quire::builder::BufferRange{buf, buf + 3});
    out.append(reinterpret_cast<char*>(buf), quire::builder::signalCursor(s) - buf);
    auto* full = std::get_if<quire::builder::BufferFull>(&s);
    if (full == nullptr) break;
    step = full->next;
  }
  EXPECT_EQ(out, t.view());
  EXPECT_TRUE(toBuilder(ShortText()).isEmpty());
}

TEST(ShortText, LiteralConstructors) {
  EXPECT_EQ(fromLitMUtf8Addr("a\xC0\x80"
                             "b")
                .view(),
            std::string_view("a\0b", 3));
  EXPECT_EQ(fromLitMUtf8Addr("\xED\xA0\x80!").view(), "\xEF\xBF\xBD!");
  EXPECT_EQ(fromLitMUtf8Addr("plain \xC3\xA9").view(), "plain \xC3\xA9");
  EXPECT_TRUE(fromLitMUtf8Addr("").sharesWith(ShortText()));
  EXPECT_EQ(fromLitAsciiAddr("ascii").view(), "ascii");
  EXPECT_TRUE(fromLitAsciiAddr("").sharesWith(ShortText()));
  using namespace quire::brevity::literals;
  EXPECT_EQ("caf\xC3\xA9"_st, fromString(U"caf\u00E9"));
  EXPECT_THROW((void)"\xFF"_st, quire::Error);
}

TEST(ShortTextTextForm, ShowEscapesAsLiterals) {
  EXPECT_EQ(show(ShortText("say \"hi\"\n")), "\"say \\\"hi\\\"\\n\"");
  EXPECT_EQ(show(ShortText()), "\"\"");
  EXPECT_EQ(show(ShortText(std::string_view("\0"
                                            "1\x7F\xC2\x85\xC3\xA9",
                                            7))),
            "\"\\0001\\177\\205\xC3\xA9\"");
  EXPECT_EQ(showsPrec(11, ShortText("x")), "\"x\"");
  const std::vector<ShortText> list{ShortText("a"), ShortText(), ShortText("\\")};
  EXPECT_EQ(showList(list), "[\"a\",\"\",\"\\\\\"]");
  std::ostringstream os;
  os << std::setw(4) << ShortText("\xC3\xA9") << '|' << std::left << std::setw(3) << ShortText("ab")
     << '|' << ShortText("x");
  EXPECT_EQ(os.str(), "   \xC3\xA9|ab |x");
}

TEST(ShortTextTextForm, ReadingRoundTripsAndRejects) {
  std::mt19937_64 rng(5);
  for (int round = 0; round < 300; ++round) {
    const ShortText t = fromString(randomChars(rng, rng() % 12));
    ASSERT_EQ(read<ShortText>(show(t)), t) << show(t);
  }
  EXPECT_EQ(read<ShortText>(" ( (\"caf\xC3\xA9\") ) "), ShortText("caf\xC3\xA9"));
  EXPECT_EQ(read<ShortText>("\"\\101\\t\""), ShortText("A\t"));
  // A surrogate written out reads as U+FFFD; other malformed bytes do not read.
  EXPECT_EQ(read<ShortText>("\"a\xED\xA0\x80"
                            "b\""),
            ShortText("a\xEF\xBF\xBD"
                      "b"));
  EXPECT_FALSE(read<ShortText>("\"\xC0\x80\""));
  EXPECT_FALSE(read<ShortText>("\"\\377\xFF\""));
  EXPECT_FALSE(read<ShortText>("\"open"));
  EXPECT_FALSE(read<ShortText>("\"a\" x"));
  EXPECT_FALSE(read<ShortText>("(\"a\""));
  auto readings = readsPrec<ShortText>(0, "\"a\" rest");
  ASSERT_EQ(readings.size(), 1u);
  EXPECT_EQ(readings[0].rest, " rest");
  const std::vector<ShortText> list{ShortText("a"), ShortText(), ShortText("\xE2\x82\xAC,")};
  EXPECT_EQ(read<std::vector<ShortText>>(showList(list)), list);
  EXPECT_EQ(read<std::vector<ShortText>>(" [ \"a\" , \"\" ,(\"\xE2\x82\xAC,\") ] "), list);
  EXPECT_EQ(read<std::vector<ShortText>>("[]"), std::vector<ShortText>{});
  EXPECT_FALSE(read<std::vector<ShortText>>("[\"a\",]"));
  // Generic containers show and read through the same form.
  EXPECT_EQ(quire::showsPrecOf(0, list), showList(list));
  EXPECT_EQ(quire::readOf<std::vector<ShortText>>(showList(list)), list);
}

TEST(ShortTextBinary, PutGetFramesAsAByteString) {
  quire::binary::Output out;
  put(out, ShortText("hi"));
  put(out, ShortText());
  put(out, ShortText("\xF0\x9F\x98\x80"));
  EXPECT_EQ(out.bytes().substr(0, 10), std::string("\0\0\0\0\0\0\0\x02hi", 10));
  quire::binary::Input in(out.bytes());
  EXPECT_EQ(get(in), ShortText("hi"));
  EXPECT_TRUE(get(in).empty());
  EXPECT_EQ(get(in), ShortText("\xF0\x9F\x98\x80"));
  EXPECT_TRUE(in.atEnd());

  auto failure = [](std::string_view bytes) -> std::string {
    quire::binary::Input bad(bytes);
    try {
      (void)get(bad);
    } catch (const quire::Error& e) {
      return e.what();
    }
    return "no error";
  };
  EXPECT_EQ(failure(std::string_view("\0\0\0\0\0\0\0\x02\xC0\x80", 10)),
            "Binary.get(ShortText): Invalid UTF-8 stream");
  EXPECT_EQ(failure(std::string_view("\0\0\0\0\0\0\0\x01\xE2", 9)),
            "Binary.get(ShortText): Invalid UTF-8 stream");
  EXPECT_EQ(failure(std::string_view("\0\0\0\0\0\0\0\x03hi", 10)), "not enough bytes");
  EXPECT_EQ(failure(std::string_view("\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF", 8)), "not enough bytes");
  EXPECT_EQ(failure(std::string_view("\0\0\0", 3)), "not enough bytes");
}

}  // namespace
