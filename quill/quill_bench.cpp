// quill against the loops a C++ user would write by hand.
//
//   Int32sBE: 10M int32 values big-endian, fromInt32sbe against a byte-swap
//     loop; both fill 32752-byte buffers that become the chunks of a
//     ChunkedBytes.
//   HtmlEscape: 100 MB of text, fromHtmlEscapedText against a per-character
//     switch appending to a std::string.
//   Chunked: a 100 MB builder of 1 KB copied pieces, framed and unframed,
//     both run by toByteStringIO.
// Every pair is checked once to give the same bytes.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

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

}  // namespace

BENCHMARK(BM_Int32sBE_Quill_fromInt32sbe)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Int32sBE_Peer_ByteSwapHandLoop)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HtmlEscape_Quill_fromHtmlEscapedText)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HtmlEscape_Peer_NaiveCharLoop)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HtmlEscape_Ceiling_Memcpy)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Chunked_Unframed)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Chunked_Framed)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
