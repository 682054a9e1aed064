// The primitive routines: the validator against utf8proc and against a
// byte-at-a-time model of its rule, the word-wise ASCII test at every short
// length, and the index and decoding routines against a decoded model.
#include "brevity/primitives.hpp"

#include <gtest/gtest.h>
#include <utf8proc.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "brevity/brevity.hpp"

namespace {

using quire::brevity::ShortText;
using Bytes = std::vector<std::uint8_t>;

std::int32_t validate(const Bytes& b) { return hs_brevity_is_valid_utf8(b.data(), b.size()); }

// Whether utf8proc decodes every byte of b.
bool utf8procAccepts(const Bytes& b) {
  std::size_t i = 0;
  while (i < b.size()) {
    utf8proc_int32_t cp;
    const utf8proc_ssize_t used =
        utf8proc_iterate(b.data() + i, static_cast<utf8proc_ssize_t>(b.size() - i), &cp);
    if (used <= 0) return false;
    i += static_cast<std::size_t>(used);
  }
  return true;
}

// The validation rule one byte at a time, written from the table of lead
// bytes: the second byte's range depends on the lead, the others are plain
// continuations; a lead too near the end answers how many bytes are missing.
std::int32_t modelVerdict(const Bytes& b) {
  const std::size_t n = b.size();
  for (std::size_t i = 0; i < n;) {
    const unsigned lead = b[i];
    std::size_t width;
    unsigned low = 0x80, high = 0xBF;
    if (lead < 0x80) {
      ++i;
      continue;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
      width = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      width = 3;
      if (lead == 0xE0) low = 0xA0;
      if (lead == 0xED) high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      width = 4;
      if (lead == 0xF0) low = 0x90;
      if (lead == 0xF4) high = 0x8F;
    } else {
      return 1;
    }
    if (i + width > n) {
      // Two-byte forms have no second byte to check; longer ones are not
      // looked at once they are short.
      return -static_cast<std::int32_t>(i + width - n);
    }
    if (b[i + 1] < low || b[i + 1] > high) return 1;
    for (std::size_t k = 2; k < width; ++k) {
      if ((b[i + k] & 0xC0) != 0x80) return 1;
    }
    i += width;
  }
  return 0;
}

// Random text built from interesting pieces: ASCII runs long enough for the
// sixteen-byte path, every width of valid sequence, and the bytes at the
// edges of each rule.
Bytes randomPieces(std::mt19937_64& rng, std::size_t pieces) {
  static const std::vector<Bytes> kPieces = {
      {'a'},
      {'z', 'y', 'x', 'w', 'v', 'u', 't', 's', 'r', 'q', 'p', 'o', 'n', 'm', 'l', 'k', 'j'},
      {0xC2, 0x80},
      {0xDF, 0xBF},
      {0xE0, 0xA0, 0x80},
      {0xED, 0x9F, 0xBF},
      {0xEF, 0xBF, 0xBD},
      {0xF0, 0x90, 0x80, 0x80},
      {0xF4, 0x8F, 0xBF, 0xBF},
      {0xF3, 0xA0, 0x81, 0x82},
      {0x80},
      {0xBF},
      {0xC0},
      {0xC1},
      {0xC2},
      {0xE0},
      {0xED},
      {0xF0},
      {0xF4},
      {0xF5},
      {0xFF},
      {0x9F},
      {0xA0},
      {0x8F},
      {0x90},
      {0x00},
      {0x7F}};
  Bytes out;
  for (std::size_t k = 0; k < pieces; ++k) {
    const Bytes& p = kPieces[rng() % kPieces.size()];
    out.insert(out.end(), p.begin(), p.end());
  }
  return out;
}

// Checks the validator on b against both oracles.
void expectAgrees(const Bytes& b) {
  const std::int32_t got = validate(b);
  ASSERT_EQ(got, modelVerdict(b)) << ::testing::PrintToString(b);
  ASSERT_EQ(got == 0, utf8procAccepts(b)) << ::testing::PrintToString(b);
}

TEST(BrevityValidator, DocumentedVerdicts) {
  EXPECT_EQ(validate({}), 0);
  EXPECT_EQ(validate({0xE2, 0x82}), -1);
  EXPECT_EQ(validate({0xE2}), -2);
  EXPECT_EQ(validate({0xF0, 0x9F, 0x98}), -1);
  EXPECT_EQ(validate({0xF0}), -3);
  EXPECT_EQ(validate({0xC2}), -1);
  EXPECT_EQ(validate({0xC0}), 1);         // the overlong check comes first
  EXPECT_EQ(validate({0xE0, 0x80}), -1);  // short before the overlong is seen
  for (const Bytes& bad :
       {Bytes{0xC0, 0x80}, Bytes{0xED, 0xA0, 0x80}, Bytes{0xF4, 0x90, 0x80, 0x80},
        Bytes{0xE0, 0x80, 0x80}, Bytes{0x80}, Bytes{0xF0, 0x80, 0x80, 0x80},
        Bytes{0xF5, 0x80, 0x80, 0x80}, Bytes{0xC2, 0x41}}) {
    EXPECT_EQ(validate(bad), 1) << ::testing::PrintToString(bad);
  }
  EXPECT_EQ(validate({0xE2, 0x82, 0xAC}), 0);
  EXPECT_EQ(validate({0xF4, 0x8F, 0xBF, 0xBF}), 0);
  // The first problem decides, wherever the fast path stops.
  Bytes longRun(40, 'a');
  longRun.push_back(0xE2);
  EXPECT_EQ(validate(longRun), -2);
  longRun.back() = 0x80;
  longRun.push_back(0xE2);
  EXPECT_EQ(validate(longRun), 1);
}

TEST(BrevityValidator, AgreesOnRandomInput) {
  std::mt19937_64 rng(20261208);
  for (int round = 0; round < 20000; ++round) {
    expectAgrees(randomPieces(rng, 1 + rng() % 24));
    Bytes noise(rng() % 40);
    for (auto& byte : noise) byte = static_cast<std::uint8_t>(rng());
    expectAgrees(noise);
  }
}

TEST(BrevityValidator, AgreesOnEveryMutationOfValidText) {
  // Every byte in every position, then pairs of positions with the bytes
  // that sit at the edges of the rules.
  const Bytes text = {'a',  0xC3, 0xA9, 0xE2, 0x82, 0xAC, 0xF0,
                      0x9F, 0x98, 0x80, 'z',  0xED, 0x9F, 0xBF};
  ASSERT_EQ(validate(text), 0);
  for (std::size_t i = 0; i < text.size(); ++i) {
    for (int v = 0; v < 256; ++v) {
      Bytes m = text;
      m[i] = static_cast<std::uint8_t>(v);
      expectAgrees(m);
    }
  }
  const std::vector<std::uint8_t> edges = {0x00, 0x41, 0x7F, 0x80, 0x8F, 0x90, 0x9F, 0xA0,
                                           0xBF, 0xC0, 0xC1, 0xC2, 0xDF, 0xE0, 0xE1, 0xED,
                                           0xEE, 0xEF, 0xF0, 0xF1, 0xF3, 0xF4, 0xF5, 0xFF};
  for (std::size_t i = 0; i < text.size(); ++i) {
    for (std::size_t j = i + 1; j < text.size(); ++j) {
      for (std::uint8_t x : edges) {
        for (std::uint8_t y : edges) {
          Bytes m = text;
          m[i] = x;
          m[j] = y;
          expectAgrees(m);
        }
      }
    }
  }
  for (std::size_t n = 0; n <= text.size(); ++n)
    expectAgrees(Bytes(text.begin(), text.begin() + n));
}

// Characters of each width, for the decoding and index tests.
const std::u32string kMixed = U"a\u00E9\u20AC\U0001F600z\u07FF\uFFFD\U0010FFFF";

// Checks every index routine on the text of chars against offsets found by
// stepping from lead byte to lead byte.
void expectIndexRoutinesAgree(const std::u32string& chars) {
  const ShortText t(chars);
  const std::uint8_t* d = t.data();
  const std::size_t n = t.size();
  ASSERT_EQ(hs_brevity_length(d, n), chars.size());
  std::vector<std::size_t> starts;
  for (std::size_t ofs = 0; ofs < n; ofs += quire::brevity::detail::leadWidth(d[ofs]))
    starts.push_back(ofs);
  ASSERT_EQ(starts.size(), chars.size());
  for (std::size_t i = 0; i < chars.size(); ++i) {
    ASSERT_EQ(hs_brevity_index_ofs(d, n, i), starts[i]) << i;
    ASSERT_EQ(hs_brevity_index_ofs_rev(d, n, i), starts[chars.size() - 1 - i]) << i;
    ASSERT_EQ(hs_brevity_index_cp(d, n, i), chars[i]);
    ASSERT_EQ(hs_brevity_index_cp_rev(d, n, i), chars[chars.size() - 1 - i]);
    ASSERT_EQ(hs_brevity_ofs_cp(d, starts[i]), chars[i]);
    const std::size_t end = i + 1 < starts.size() ? starts[i + 1] : n;
    ASSERT_EQ(hs_brevity_ofs_cp_rev(d, end), chars[i]);
  }
  for (std::size_t i : {chars.size(), chars.size() + 1, n, n + 7, SIZE_MAX}) {
    ASSERT_EQ(hs_brevity_index_ofs(d, n, i), n);
    ASSERT_EQ(hs_brevity_index_ofs_rev(d, n, i), n);
    ASSERT_EQ(hs_brevity_index_cp(d, n, i), 0xFFFFFFFFu);
    ASSERT_EQ(hs_brevity_index_cp_rev(d, n, i), 0xFFFFFFFFu);
  }
}

TEST(BrevityPrimitives, LengthAndIndexOffsets) {
  expectIndexRoutinesAgree(kMixed);
  expectIndexRoutinesAgree(U"");
  // Runs long enough for the word-at-a-time counting, with code points
  // straddling word boundaries.
  std::mt19937_64 rng(17);
  for (int round = 0; round < 300; ++round) {
    std::u32string chars;
    for (std::size_t k = rng() % 80; k > 0; --k) chars.push_back(kMixed[rng() % kMixed.size()]);
    expectIndexRoutinesAgree(chars);
  }
  // An empty text has no code point 0; for i = 0 the offset is 0 = n.
  const std::uint8_t none[8] = {};
  EXPECT_EQ(hs_brevity_index_ofs(none, 0, 0), 0u);
  EXPECT_EQ(hs_brevity_index_ofs_rev(none, 0, 0), 0u);
  EXPECT_EQ(hs_brevity_index_cp(none, 0, 0), 0xFFFFFFFFu);
}

TEST(BrevityPrimitives, AsciiTestAtEveryShortLength) {
  // Values of each length live in blocks padded to whole words; under
  // AddressSanitizer this shows the word reads stay inside them.
  for (std::size_t n = 0; n <= 64; ++n) {
    const ShortText ascii(std::string(n, 'x'));
    EXPECT_EQ(hs_brevity_is_ascii(ascii.data(), ascii.size()), 1) << n;
    for (std::size_t at = 0; at + 2 <= n; ++at) {
      std::string s(n, 'x');
      s.replace(at, 2, "\xC3\xA9");
      const ShortText mixed(s);
      EXPECT_EQ(hs_brevity_is_ascii(mixed.data(), mixed.size()), 0) << n << " at " << at;
      // The bytes before the non-ASCII one are still ASCII.
      EXPECT_EQ(hs_brevity_is_ascii(mixed.data(), at), 1) << n << " at " << at;
    }
  }
}

TEST(BrevityPrimitives, ModifiedUtf8Literals) {
  auto bytes = [](const char* s) { return reinterpret_cast<const std::uint8_t*>(s); };
  EXPECT_EQ(hs_brevity_mutf8_strlen(bytes("")), 0);
  EXPECT_EQ(hs_brevity_mutf8_strlen(bytes("abc\xE2\x82\xAC")), 6);
  EXPECT_EQ(hs_brevity_mutf8_strlen(bytes("a\xC0\x80"
                                          "b")),
            -3);
  EXPECT_EQ(hs_brevity_mutf8_strlen(bytes("\xED\xA0\x80x")), -4);
  EXPECT_EQ(hs_brevity_mutf8_strlen(bytes("\xC0\x80\xC0\x80")), -2);
  std::uint8_t out[8] = {};
  hs_brevity_mutf8_trans(bytes("a\xC0\x80"
                               "b"),
                         out);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(out), 3), std::string("a\0b", 3));
  hs_brevity_mutf8_trans(bytes("\xED\xB0\x80\xC3\xA9"), out);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(out), 5), "\xEF\xBF\xBD\xC3\xA9");
  // A lead byte whose sequence runs into the terminator stops there.
  EXPECT_EQ(hs_brevity_mutf8_strlen(bytes("a\xE2")), 2);
}

}  // namespace
