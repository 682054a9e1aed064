// quill against the loops a C++ user would write by hand.
//
//   Int32sBE: 10M int32 values big-endian, fromInt32sbe against a byte-swap
//     loop; both fill 32752-byte buffers that become the chunks of a
//     ChunkedBytes.
//   HtmlEscape: 100 MB of text, fromHtmlEscapedText against a per-character
//     switch appending to a std::string.
//   Chunked: a 100 MB builder of 1 KB copied pieces, framed and unframed,
//     both run by toByteStringIO.
//   JsonString: 100 MB of text with quotes, control bytes, UTF-8 and stray
//     bytes, fromJsonString against a per-unit hand loop appending to a
//     std::string (and a memcpy ceiling); JsonShort: 1M strings of 4 to 40
//     bytes (the keys and paths of a document), storeJsonString into one
//     buffer against the same loop.
//   Shortest: 1M doubles (decimal inputs and the errors of their
//     conversion), storeShortest against std::to_chars, on values whose two
//     texts agree.
// Every pair is checked once to give the same bytes.
#include <benchmark/benchmark.h>

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "bench/ratio.hpp"
#include "quill/quill.hpp"
#include "quill/quill_test_support.hpp"

namespace {

using quire::Bytes;
using quire::BytesBuffer;
using quire::ChunkedBytes;
using quire::Text;
namespace quill = quire::quill;

constexpr std::size_t kBufferSize = 32752;

void require(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "benchmark set-up: %s\n", what);
    std::abort();
  }
}

// --- 10M int32 big-endian ---------------------------------------------------

const quill::IntList<std::int32_t>& int32s() {
  static const auto values = [] {
    std::mt19937 rng(1);
    std::vector<std::int32_t> v(10'000'000);
    for (auto& x : v) x = static_cast<std::int32_t>(rng());
    return std::make_shared<const std::vector<std::int32_t>>(std::move(v));
  }();
  return values;
}

ChunkedBytes quillInt32s() {
  return quill::toLazyByteStringWith(kBufferSize, 0, kBufferSize, quill::fromInt32sbe(int32s()));
}

// The hand loop: swap each value's bytes and store it, buffer by buffer.
ChunkedBytes byteSwapLoop() {
  const std::vector<std::int32_t>& xs = *int32s();
  ChunkedBytes out;
  std::size_t i = 0;
  while (i < xs.size()) {
    BytesBuffer buffer(kBufferSize);
    std::size_t n = std::min(kBufferSize / 4, xs.size() - i);
    char* p = buffer.data();
    for (std::size_t k = 0; k < n; ++k) {
      std::uint32_t be = __builtin_bswap32(static_cast<std::uint32_t>(xs[i + k]));
      std::memcpy(p + 4 * k, &be, 4);
    }
    out.append(buffer.freeze(0, 4 * n));
    i += n;
  }
  return out;
}

void BM_Int32sBE_Quill_fromInt32sbe(benchmark::State& state) {
  require(quillInt32s() == byteSwapLoop(), "fromInt32sbe differs from the byte-swap loop");
  for (auto _ : state) benchmark::DoNotOptimize(quillInt32s());
  state.SetBytesProcessed(state.iterations() * 40'000'000);
}
void BM_Int32sBE_Peer_ByteSwapHandLoop(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(byteSwapLoop());
  state.SetBytesProcessed(state.iterations() * 40'000'000);
}

// --- 100 MB of HTML escaping ------------------------------------------------

// Prose-like text: words, spaces, a markup character about every 50 bytes,
// some line feeds and some two-byte UTF-8.
const Text& htmlInput() {
  static const Text text = [] {
    std::mt19937 rng(2);
    const char specials[] = "<>&\"'";
    std::string s;
    s.reserve(100'000'000);
    while (s.size() < 100'000'000) {
      unsigned r = rng() % 100;
      if (r < 2) {
        s += specials[rng() % 5];
      } else if (r < 3) {
        s += "\xC3\xA9";
      } else if (r < 4) {
        s += '\n';
      } else if (r < 18) {
        s += ' ';
      } else {
        s += static_cast<char>('a' + rng() % 26);
      }
    }
    return Text(std::move(s));
  }();
  return text;
}

// Both write into memory they reuse from one run to the next: quill's
// 32752-byte buffers are handed to a consumer that only counts them, and
// the loop appends to a string whose capacity stays.
std::size_t quillEscape() {
  std::size_t total = 0;
  quill::toByteStringIO([&total](Bytes piece) { total += piece.size(); },
                        quill::html_utf8::fromHtmlEscapedText(htmlInput()));
  return total;
}

void naiveEscape(std::string& out) {
  out.clear();
  quill::testing::appendEscaped(out, htmlInput().view());
}

void BM_HtmlEscape_Quill_fromHtmlEscapedText(benchmark::State& state) {
  std::string expected;
  naiveEscape(expected);
  require(
      quill::toByteString(quill::html_utf8::fromHtmlEscapedText(htmlInput())).view() == expected,
      "escaping differs from the naive loop");
  for (auto _ : state) benchmark::DoNotOptimize(quillEscape());
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(htmlInput().size()));
}
void BM_HtmlEscape_Peer_NaiveCharLoop(benchmark::State& state) {
  std::string out;
  out.reserve(htmlInput().size() * 2);
  for (auto _ : state) {
    naiveEscape(out);
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(htmlInput().size()));
}
void BM_HtmlEscape_Ceiling_Memcpy(benchmark::State& state) {
  std::string out(htmlInput().size(), '\0');
  for (auto _ : state) {
    std::memcpy(out.data(), htmlInput().data(), out.size());
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(htmlInput().size()));
}

// --- chunked framing of 100 MB ----------------------------------------------

const quire::builder::Builder& hundredMegabytes() {
  static const quire::builder::Builder b = [] {
    std::mt19937 rng(3);
    std::vector<quire::builder::Builder> parts;
    for (int i = 0; i < 100'000; ++i) {
      std::string piece(1000, '\0');
      for (char& c : piece) c = static_cast<char>(rng());
      parts.push_back(quill::copyByteString(Bytes(piece)));
    }
    return quire::builder::concat(parts);
  }();
  return b;
}

std::size_t streamed(const quire::builder::Builder& b) {
  std::size_t total = 0;
  quill::toByteStringIO([&total](Bytes piece) { total += piece.size(); }, b);
  return total;
}

void BM_Chunked_Unframed(benchmark::State& state) {
  require(streamed(hundredMegabytes()) == 100'000'000, "the builder lost bytes");
  for (auto _ : state) benchmark::DoNotOptimize(streamed(hundredMegabytes()));
  state.SetBytesProcessed(state.iterations() * 100'000'000);
}
void BM_Chunked_Framed(benchmark::State& state) {
  {
    Bytes framed = quill::toByteString(quill::chunkedTransferEncoding(hundredMegabytes()) +
                                       quill::chunkedTransferTerminator());
    auto decoded = quill::testing::decodeChunked(framed.view());
    require(decoded && decoded->data == quill::toByteString(hundredMegabytes()).view(),
            "the framed body does not decode to the unframed one");
  }
  auto b = quill::chunkedTransferEncoding(hundredMegabytes());
  for (auto _ : state) benchmark::DoNotOptimize(streamed(b));
  state.SetBytesProcessed(state.iterations() * 100'000'000);
}

// --- JSON strings -----------------------------------------------------------

namespace json = quill::json;

const std::string& jsonInput() {
  static const std::string text = [] {
    std::mt19937 rng(4);
    const char* specials[] = {"\"", "\\", "\n", "\t", "\x01", "\xC3\xA9", "\xE2\x82\xAC", "\xFF"};
    std::string s;
    s.reserve(100'000'000);
    while (s.size() < 100'000'000) {
      unsigned r = rng() % 100;
      if (r < 3) {
        s += specials[rng() % std::size(specials)];
      } else if (r < 17) {
        s += ' ';
      } else {
        s += static_cast<char>('a' + rng() % 26);
      }
    }
    return s;
  }();
  return text;
}

// The per-unit loop of the tests' reference, appending to a std::string.
void handJsonString(std::string& out, std::string_view s) { quill::testing::appendReferenceJsonString(out, s); }

void BM_JsonString_Quill_fromJsonString(benchmark::State& state) {
  std::string expected;
  handJsonString(expected, jsonInput());
  require(quill::toByteString(json::fromJsonString(Bytes(jsonInput()))).view() == expected,
          "fromJsonString differs from the hand loop");
  const Bytes input(jsonInput());
  for (auto _ : state) {
    std::size_t total = 0;
    quill::toByteStringIO([&total](Bytes piece) { total += piece.size(); }, json::fromJsonString(input));
    benchmark::DoNotOptimize(total);
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(jsonInput().size()));
}
void BM_JsonString_Peer_HandLoop(benchmark::State& state) {
  std::string out;
  out.reserve(jsonInput().size() * 2);
  for (auto _ : state) {
    out.clear();
    handJsonString(out, jsonInput());
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(jsonInput().size()));
}
void BM_JsonString_Ceiling_Memcpy(benchmark::State& state) {
  std::string out(jsonInput().size(), '\0');
  for (auto _ : state) {
    std::memcpy(out.data(), jsonInput().data(), out.size());
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(jsonInput().size()));
}

// Short strings: views into one text, so neither side allocates per string.
const std::vector<std::string_view>& shortStrings() {
  static const std::vector<std::string_view> views = [] {
    std::mt19937 rng(5);
    std::vector<std::string_view> v;
    std::size_t at = 0;
    for (int i = 0; i < 1'000'000; ++i) {
      const std::size_t n = 4 + rng() % 37;
      v.emplace_back(jsonInput().data() + at, n);
      at += n;
    }
    return v;
  }();
  return views;
}

std::size_t shortBound() {
  std::size_t n = 0;
  for (std::string_view s : shortStrings()) n += static_cast<std::size_t>(json::jsonStringBound(s.size()));
  return n;
}

char* quillShort(char* out) {
  for (std::string_view s : shortStrings()) out = json::storeJsonString(out, s);
  return out;
}

void BM_JsonShort_Quill_storeJsonString(benchmark::State& state) {
  std::string buffer(shortBound(), '\0');
  std::string expected;
  for (std::string_view s : shortStrings()) handJsonString(expected, s);
  require(std::string_view(buffer.data(), static_cast<std::size_t>(quillShort(buffer.data()) - buffer.data())) ==
              expected,
          "storeJsonString differs from the hand loop");
  for (auto _ : state) benchmark::DoNotOptimize(quillShort(buffer.data()));
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(shortStrings().size()));
}
void BM_JsonShort_Peer_HandLoop(benchmark::State& state) {
  std::string out;
  out.reserve(shortBound());
  for (auto _ : state) {
    out.clear();
    for (std::string_view s : shortStrings()) handJsonString(out, s);
    benchmark::DoNotOptimize(out.data());
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(shortStrings().size()));
}

// --- shortest text of doubles -----------------------------------------------

// Doubles of decimal inputs with up to 17 digits and the relative errors of
// their conversion to float, kept only where the standard library writes
// the same text.
const std::vector<double>& shortestInput() {
  static const std::vector<double> values = [] {
    std::mt19937_64 rng(6);
    std::vector<double> v;
    while (v.size() < 1'000'000) {
      const double d = static_cast<double>(rng() % 100'000'000'000) / std::pow(10.0, static_cast<int>(rng() % 12));
      const double error = std::fabs(d - static_cast<float>(d)) / d;
      for (double x : {d, error}) {
        char a[64];
        char b[64];
        const std::string_view ours(a, static_cast<std::size_t>(json::storeShortest(a, x) - a));
        const std::string_view peer(b, static_cast<std::size_t>(std::to_chars(b, b + sizeof b, x).ptr - b));
        if (ours == peer) v.push_back(x);
      }
    }
    return v;
  }();
  return values;
}

template <class Write>
std::size_t writeAll(char* buffer, Write write) {
  char* out = buffer;
  for (double x : shortestInput()) out = write(out, x);
  return static_cast<std::size_t>(out - buffer);
}

const auto quillShortest = [](char* out, double x) { return json::storeShortest(out, x); };
const auto peerShortest = [](char* out, double x) { return std::to_chars(out, out + json::maxShortestLength, x).ptr; };

void BM_Shortest_Quill_storeShortest(benchmark::State& state) {
  std::string a(shortestInput().size() * json::maxShortestLength, '\0');
  std::string b(a.size(), '\0');
  const std::size_t n = writeAll(a.data(), quillShortest);
  require(n == writeAll(b.data(), peerShortest) && a.compare(0, n, b, 0, n) == 0,
          "storeShortest differs from std::to_chars");
  for (auto _ : state) benchmark::DoNotOptimize(writeAll(a.data(), quillShortest));
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(shortestInput().size()));
}
void BM_Shortest_Peer_ToChars(benchmark::State& state) {
  std::string b(shortestInput().size() * json::maxShortestLength, '\0');
  for (auto _ : state) benchmark::DoNotOptimize(writeAll(b.data(), peerShortest));
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(shortestInput().size()));
}

}  // namespace

BENCHMARK(BM_Int32sBE_Quill_fromInt32sbe)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Int32sBE_Peer_ByteSwapHandLoop)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HtmlEscape_Quill_fromHtmlEscapedText)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HtmlEscape_Peer_NaiveCharLoop)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HtmlEscape_Ceiling_Memcpy)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Chunked_Unframed)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Chunked_Framed)->Unit(benchmark::kMillisecond);

BENCHMARK(BM_JsonString_Quill_fromJsonString)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_JsonString_Peer_HandLoop)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_JsonString_Ceiling_Memcpy)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_JsonShort_Quill_storeJsonString)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_JsonShort_Peer_HandLoop)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Shortest_Quill_storeShortest)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Shortest_Peer_ToChars)->Unit(benchmark::kMillisecond);

QUIRE_BENCH_RATIO("BM_Int32sBE_Quill_fromInt32sbe", "BM_Int32sBE_Peer_ByteSwapHandLoop");
QUIRE_BENCH_RATIO("BM_HtmlEscape_Quill_fromHtmlEscapedText", "BM_HtmlEscape_Peer_NaiveCharLoop");
QUIRE_BENCH_RATIO("BM_HtmlEscape_Quill_fromHtmlEscapedText", "BM_HtmlEscape_Ceiling_Memcpy");
QUIRE_BENCH_RATIO("BM_JsonString_Quill_fromJsonString", "BM_JsonString_Peer_HandLoop");
QUIRE_BENCH_RATIO("BM_JsonString_Quill_fromJsonString", "BM_JsonString_Ceiling_Memcpy");
QUIRE_BENCH_RATIO("BM_JsonShort_Quill_storeJsonString", "BM_JsonShort_Peer_HandLoop");
QUIRE_BENCH_RATIO("BM_Shortest_Quill_storeShortest", "BM_Shortest_Peer_ToChars");

int main(int argc, char** argv) { return quire::bench::runWithRatios(argc, argv); }
