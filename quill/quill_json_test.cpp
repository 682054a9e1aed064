#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "base/error.hpp"
#include "quill/drivers.hpp"
#include "quill/from_write.hpp"
#include "quill/json.hpp"
#include "quill/quill_test_support.hpp"

#if defined(QUIRE_QUILL_TEST_SIMDJSON)
#include <simdjson.h>
#endif

namespace quire::quill {
namespace {

namespace json = quill::json;
using testing::referenceJsonString;
using testing::referenceSanitized;
using testing::runGuarded;

std::string stored(std::string_view s) {
  std::string buf(static_cast<std::size_t>(json::jsonStringBound(s.size())), '\0');
  return std::string(buf.data(), json::storeJsonString(buf.data(), s));
}

template <class F>
std::string shortest(F v) {
  char text[json::maxShortestLength];
  return std::string(text, json::storeShortest(text, v));
}

TEST(QuillJson, HeaderExamples) {
  std::string out;
  json::appendJsonString(out, "a\"b\n\xFF");
  EXPECT_EQ(out, "\"a\\\"b\\n\xEF\xBF\xBD\"");
  out.clear();
  json::appendJsonNumber(out, 0.1);
  EXPECT_EQ(out, "0.1");
  json::appendJsonNumber(out, 1e300 * 1e300);
  EXPECT_EQ(out, "0.1null");
  char text[json::maxShortestLength];
  EXPECT_EQ(json::storeShortest(text, 1e16), text + 5);
  EXPECT_EQ(std::string_view(text, 5), "1e+16");
  EXPECT_EQ(std::string(text, json::storeSignificant(text, 5.55111e-17, 3)), "5.55e-17");
  EXPECT_EQ(writeToByteString(json::writeJsonString(Bytes("\t"))).view(), "\"\\t\"");
  EXPECT_EQ(getBound(json::writeJsonString(Bytes("abc"))), 20);
}

// Every byte below 0x80 on its own, and each between plain text.
TEST(QuillJson, EscapesEveryAsciiByte) {
  const std::pair<char, std::string_view> named[] = {{'"', "\\\""}, {'\\', "\\\\"}, {'\n', "\\n"},
                                                     {'\t', "\\t"}, {'\r', "\\r"},  {'\b', "\\b"},
                                                     {'\f', "\\f"}};
  for (const auto& [c, text] : named) EXPECT_EQ(stored(std::string(1, c)), "\"" + std::string(text) + "\"");
  EXPECT_EQ(stored(std::string_view("\0", 1)), "\"\\u0000\"");
  EXPECT_EQ(stored("\x1F"), "\"\\u001f\"");
  EXPECT_EQ(stored("\x0B"), "\"\\u000b\"");
  EXPECT_EQ(stored("\x7F/'<"), "\"\x7F/'<\"");  // DEL, solidus and markup stay
  for (int b = 0; b < 0x80; ++b) {
    const std::string s = "abcdefghijklmnopq" + std::string(1, static_cast<char>(b)) + "rstuvwxyz0123456789";
    EXPECT_EQ(stored(s), referenceJsonString(s)) << "byte " << b;
  }
}

TEST(QuillJson, PassesWellFormedUtf8AndReplacesTheRest) {
  // Boundaries of each sequence length pass through.
  for (std::string s : {"\xC2\x80", "\xDF\xBF", "\xE0\xA0\x80", "\xEF\xBF\xBF", "\xED\x9F\xBF",
                        "\xF0\x90\x80\x80", "\xF4\x8F\xBF\xBF", "caf\xC3\xA9 \xF0\x9F\x98\x80"}) {
    EXPECT_EQ(stored(s), "\"" + s + "\"");
  }
  const std::string fffd = "\xEF\xBF\xBD";
  const std::pair<std::string, std::string> bad[] = {
      {"\x80", fffd},                                  // stray continuation bytes
      {"\xBF\xBF", fffd + fffd},
      {"\xC0\xAF", fffd + fffd},                       // overlong forms
      {"\xC1\xBF", fffd + fffd},
      {"\xE0\x80\xAF", fffd + fffd + fffd},
      {"\xF0\x80\x80\xAF", fffd + fffd + fffd + fffd},
      {"\xED\xA0\x80", fffd + fffd + fffd},            // a surrogate
      {"\xF4\x90\x80\x80", fffd + fffd + fffd + fffd}, // above U+10FFFF
      {"\xF5\xF8\xFE\xFF", fffd + fffd + fffd + fffd},
      {"\xC3", fffd},                                  // cut short at the end
      {"\xE2\x82", fffd + fffd},
      {"\xF0\x9F\x98", fffd + fffd + fffd},
      {"\xE2\x82" "a", fffd + fffd + "a"},             // cut short by ASCII
      {"\xC3\"", fffd + "\\\""},
  };
  for (const auto& [in, want] : bad) {
    EXPECT_EQ(stored(in), "\"" + want + "\"");
    EXPECT_EQ(stored("0123456789abcdef" + in + "0123456789abcdef"),
              "\"0123456789abcdef" + want + "0123456789abcdef\"");
  }
}

// Random strings rich in every kind of unit, at every offset from the
// 16-byte runs, through all four forms; the builder in buffers of many sizes
// and the store with guard bytes just past its bound.
TEST(QuillJson, AllFormsAgreeWithTheReference) {
  std::mt19937_64 rng(7);
  const std::string pieces[] = {"a", "bcdefgh", " ", "\"", "\\", "\n", "\x01", "\x7F", "\xC3\xA9",
                                "\xE2\x82\xAC", "\xF0\x9F\x98\x80", "\x80", "\xC3", "\xE2\x82", "\xF4\x90"};
  for (int round = 0; round < 400; ++round) {
    std::string s;
    const std::size_t n = rng() % 120;
    while (s.size() < n) {
      s += rng() % 4 == 0 ? pieces[rng() % std::size(pieces)] : std::string(rng() % 20, 'x');
      if (rng() % 8 == 0) s += static_cast<char>(rng());
    }
    const std::string want = referenceJsonString(s);

    const auto bound = static_cast<std::size_t>(json::jsonStringBound(s.size()));
    std::vector<char> buf(bound + 16, '#');
    const char* end = json::storeJsonString(buf.data(), s);
    ASSERT_EQ(std::string(static_cast<const char*>(buf.data()), end), want) << round;
    for (std::size_t i = bound; i < buf.size(); ++i) ASSERT_EQ(buf[i], '#') << "store overran its bound";

    std::string appended = "prefix";
    json::appendJsonString(appended, s);
    EXPECT_EQ(appended, "prefix" + want);
    EXPECT_EQ(writeToByteString(json::writeJsonString(Bytes(s))).view(), want);

    const auto b = json::fromJsonString(Bytes(s));
    for (std::size_t size : {1, 2, 7, 13, 64, 4096}) {
      testing::Recorded r = runGuarded(b, size);
      ASSERT_FALSE(r.overran) << size;
      ASSERT_EQ(r.output, want) << "buffers of " << size;
    }
  }
}

TEST(QuillJson, StringBounds) {
  EXPECT_EQ(json::jsonStringBound(0), 2);
  EXPECT_EQ(stored(""), "\"\"");
  EXPECT_EQ(toByteString(json::fromJsonString(Bytes())).view(), "\"\"");
  EXPECT_EQ(json::jsonStringBound(10), 62);
  EXPECT_THROW((void)json::jsonStringBound(std::numeric_limits<std::size_t>::max() / 4), Error);
  // The worst case fills its bound exactly.
  const std::string controls(50, '\x01');
  EXPECT_EQ(stored(controls).size(), static_cast<std::size_t>(json::jsonStringBound(50)));
}

#if defined(QUIRE_QUILL_TEST_SIMDJSON)
// A real JSON reader accepts every output and reads back the input with
// U+FFFD for each byte that starts no well-formed sequence.
TEST(QuillJson, ReadBackByAJsonReader) {
  simdjson::dom::parser parser;
  std::mt19937_64 rng(11);
  std::vector<std::string> inputs;
  std::string all;
  for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
  inputs.push_back(all);
  for (int i = 0; i < 300; ++i) inputs.push_back(testing::randomBytes(rng, rng() % 80));
  for (const std::string& s : inputs) {
    std::string doc = "[";
    doc += stored(s);
    doc += "]";
    simdjson::dom::element root;
    ASSERT_EQ(parser.parse(doc).get(root), simdjson::SUCCESS) << doc;
    std::string_view back;
    ASSERT_EQ(root.at(0).get(back), simdjson::SUCCESS);
    EXPECT_EQ(back, referenceSanitized(s));
  }
}
#endif

// The layout rule on top of the standard library's shortest digits: an
// independent statement of what storeShortest must write.
template <class F>
std::string referenceShortest(F v) {
  char sci[64];
  const std::string_view text(sci, static_cast<std::size_t>(
                                       std::to_chars(sci, sci + sizeof sci, v, std::chars_format::scientific).ptr - sci));
  const std::size_t e = text.find('e');
  const bool negative = text[0] == '-';
  std::string digits;
  for (char c : text.substr(negative, e - negative)) {
    if (c != '.') digits += c;
  }
  const int x = std::stoi(std::string(text.substr(e + 1)));
  if (x < -4 || x >= 16) return std::string(text);
  std::string out = negative ? "-" : "";
  const int n = static_cast<int>(digits.size());
  if (x < 0) return out + "0." + std::string(static_cast<std::size_t>(-x - 1), '0') + digits;
  if (x >= n - 1) return out + digits + std::string(static_cast<std::size_t>(x - n + 1), '0');
  return out + digits.substr(0, static_cast<std::size_t>(x + 1)) + "." + digits.substr(static_cast<std::size_t>(x + 1));
}

template <class F>
void expectRoundTrip(F v) {
  const std::string text = shortest(v);
  ASSERT_LE(text.size(), json::maxShortestLength);
  EXPECT_EQ(text, referenceShortest(v));
  F back{};
  auto r = std::from_chars(text.data(), text.data() + text.size(), back);
  ASSERT_EQ(r.ptr, text.data() + text.size()) << text;
  EXPECT_EQ(std::memcmp(&back, &v, sizeof v), 0) << text;
  char json[json::maxShortestLength];
  EXPECT_EQ(std::string(json, json::storeJsonNumber(json, v)), text);
  EXPECT_EQ(writeToByteString(json::writeJsonNumber(v)).view(), text);
}

TEST(QuillJson, ShortestTextOfDoubles) {
  using L = std::numeric_limits<double>;
  const std::pair<double, std::string_view> exact[] = {
      {0.1, "0.1"},         {1e16, "1e+16"},     {1e15, "1000000000000000"}, {1e-4, "0.0001"},
      {1e-5, "1e-05"},      {-0.0, "-0"},        {0.0, "0"},                 {555640, "555640"},
      {5e-324, "5e-324"},   {1.5e300, "1.5e+300"}, {123456789012345680.0, "1.2345678901234568e+17"},
      {L::max(), "1.7976931348623157e+308"},     {-L::min(), "-2.2250738585072014e-308"},
      {9007199254740993.0, "9007199254740992"}, {9007199254740991.0, "9007199254740991"}};
  for (const auto& [v, text] : exact) EXPECT_EQ(shortest(v), text);
  for (double v : {L::denorm_min(), -L::denorm_min(), L::min(), std::nextafter(L::min(), 0.0), L::max(),
                   -L::max(), L::epsilon(), 9007199254740992.0, 9007199254740991.0, 9007199254740994.0,
                   1e-4, std::nextafter(1e-4, 0.0), 1e16, std::nextafter(1e16, 0.0), 0.3, 2.0 / 3, -0.0}) {
    expectRoundTrip(v);
  }
  std::mt19937_64 rng(3);
  for (int i = 0; i < 200000; ++i) {
    const std::uint64_t bits = rng();
    double v;
    std::memcpy(&v, &bits, sizeof v);
    if (std::isfinite(v)) expectRoundTrip(v);
    expectRoundTrip(static_cast<double>(rng() % 1000000) * std::pow(10.0, static_cast<int>(rng() % 44) - 22));
  }
}

TEST(QuillJson, ShortestTextOfFloats) {
  using L = std::numeric_limits<float>;
  EXPECT_EQ(shortest(0.1f), "0.1");
  EXPECT_EQ(shortest(1e10f), "10000000000");
  EXPECT_EQ(shortest(L::max()), "3.4028235e+38");
  EXPECT_EQ(shortest(L::denorm_min()), "1e-45");
  EXPECT_EQ(shortest(16777217.0f), "16777216");
  for (float v : {L::denorm_min(), L::min(), L::max(), -L::max(), 16777215.0f, 16777216.0f, -0.0f, 1e-4f, 1e16f}) {
    expectRoundTrip(v);
  }
  std::mt19937_64 rng(4);
  for (int i = 0; i < 200000; ++i) {
    const auto bits = static_cast<std::uint32_t>(rng());
    float v;
    std::memcpy(&v, &bits, sizeof v);
    if (std::isfinite(v)) expectRoundTrip(v);
  }
}

TEST(QuillJson, NotFiniteNumbers) {
  const double inf = std::numeric_limits<double>::infinity();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  EXPECT_EQ(shortest(inf), "inf");
  EXPECT_EQ(shortest(-inf), "-inf");
  EXPECT_EQ(shortest(nan), "nan");
  EXPECT_EQ(shortest(static_cast<float>(-inf)), "-inf");
  std::string out;
  for (double v : {inf, -inf, nan}) json::appendJsonNumber(out, v);
  json::appendJsonNumber(out, static_cast<float>(nan));
  EXPECT_EQ(out, "nullnullnullnull");
  EXPECT_EQ(writeToByteString(json::writeJsonNumber(-inf)).view(), "null");
  EXPECT_EQ(writeToByteString(json::writeShortest(-inf)).view(), "-inf");
}

TEST(QuillJson, SignificantDigitsAsPrintfWritesThem) {
  std::mt19937_64 rng(5);
  std::vector<double> values = {0.0, -0.0, 999.9, 9.995, 1e-4, 9.99949e-5, 5.55111e-17, 4e-8, 1e21,
                                std::numeric_limits<double>::max(), std::numeric_limits<double>::denorm_min(),
                                -std::numeric_limits<double>::min(), std::numeric_limits<double>::infinity(),
                                -std::numeric_limits<double>::infinity()};
  for (int i = 0; i < 3000; ++i) {
    const std::uint64_t bits = rng();
    double v;
    std::memcpy(&v, &bits, sizeof v);
    values.push_back(std::isnan(v) ? 1.0 : v);
    values.push_back(static_cast<double>(rng() % 100000) * std::pow(10.0, static_cast<int>(rng() % 30) - 15));
  }
  for (int digits = 1; digits <= 17; ++digits) {
    const std::size_t bound = json::significantBound(digits);
    for (double v : values) {
      char want[64];
      std::snprintf(want, sizeof want, "%.*g", digits, v);
      char got[32];
      const std::string text(got, json::storeSignificant(got, v, digits));
      ASSERT_EQ(text, want) << digits;
      ASSERT_LE(text.size(), bound);
    }
  }
  EXPECT_EQ(writeToByteString(json::writeSignificant(999.9, 3)).view(), "1e+03");
  EXPECT_EQ(getBound(json::writeSignificant(1, 3)), 10);
  char text[32];
  for (int digits : {0, -1, 18}) {
    EXPECT_THROW((void)json::significantBound(digits), Error);
    EXPECT_THROW((void)json::storeSignificant(text, 1.0, digits), Error);
  }
}

TEST(QuillJson, Integers) {
  std::string out;
  for (std::int64_t v : {std::int64_t{0}, std::int64_t{-1}, std::int64_t{42}, std::numeric_limits<std::int64_t>::max(),
                         std::numeric_limits<std::int64_t>::min()}) {
    out.clear();
    json::appendJsonInteger(out, v);
    EXPECT_EQ(out, std::to_string(v));
    EXPECT_EQ(writeToByteString(json::writeJsonInteger(v)).view(), std::to_string(v));
  }
  EXPECT_EQ(out.size(), json::maxIntegerLength);
}

}  // namespace
}  // namespace quire::quill
