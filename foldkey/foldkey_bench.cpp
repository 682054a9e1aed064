// Case folding against what a C++ user would reach for instead:
//  - full case folding of 10 MB of mixed-script UTF-8 text (Latin with
//    capitals and sharp s, Greek, Cyrillic, CJK, Arabic, emoji), against
//    ICU's ucasemap_utf8FoldCase into a buffer allocated per call, as
//    foldText allocates its result;
//  - the byte fold of 10 MB of mixed-case ASCII, against a plain std::tolower
//    loop into a fresh string (the same answer on ASCII), with memcpy of the
//    same bytes as the machine's ceiling.
#include <benchmark/benchmark.h>
#include <unicode/ucasemap.h>

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "foldkey/foldkey.hpp"

namespace {

using namespace quire::foldkey;

constexpr std::size_t kSize = 10 * 1000 * 1000;

const std::string& mixedText() {
  static const std::string text = [] {
    const std::vector<std::string> words = {
        "The", "QUICK", "brown", "Fox", "jumps", "over", "the", "lazy", "DOG", "and",
        "Stra\xC3\x9F" "e", "GR\xC3\x96SSE", "\xC3\x89l\xC3\xA9phant", "na\xC3\xAFve",
        "\xCE\x9A\xCE\x91\xCE\x9B\xCE\x97\xCE\x9C\xCE\x88\xCE\xA1\xCE\x91", "\xCE\xBA\xCF\x8C\xCF\x83\xCE\xBC\xCE\xB5",
        "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82", "\xD0\x9C\xD0\x98\xD0\xA0",
        "\xE4\xB8\xAD\xE6\x96\x87\xE5\xAD\x97\xE7\xAC\xA6", "\xE3\x81\xB2\xE3\x82\x89\xE3\x81\x8C\xE3\x81\xAA",
        "\xD9\x85\xD8\xB1\xD8\xAD\xD8\xA8\xD8\xA7", "\xF0\x9F\x98\x80", "HTTP/1.1", "Content-Length:",
        "12345,", "(Example)."};
    std::mt19937 rng(1);
    std::string out;
    out.reserve(kSize + 64);
    while (out.size() < kSize) {
      out += words[rng() % words.size()];
      out.push_back(rng() % 8 == 0 ? '\n' : ' ');
    }
    return out;
  }();
  return text;
}

const std::string& asciiText() {
  static const std::string text = [] {
    std::mt19937 rng(2);
    std::string out(kSize, ' ');
    const char alphabet[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789 ,.-:\n";
    for (char& c : out) c = alphabet[rng() % (sizeof alphabet - 1)];
    return out;
  }();
  return text;
}

// ICU's fold of s, or an empty string when ICU reports an error.
std::string icuFold(UCaseMap* map, const std::string& s, std::unique_ptr<char[]>& dest, std::size_t capacity) {
  UErrorCode status = U_ZERO_ERROR;
  const int32_t n = ucasemap_utf8FoldCase(map, dest.get(), static_cast<int32_t>(capacity), s.data(),
                                          static_cast<int32_t>(s.size()), &status);
  if (U_FAILURE(status)) return {};
  return std::string(dest.get(), static_cast<std::size_t>(n));
}

struct IcuMap {
  IcuMap() {
    UErrorCode status = U_ZERO_ERROR;
    map = ucasemap_open("", U_FOLD_CASE_DEFAULT, &status);
    if (U_FAILURE(status)) std::abort();
  }
  ~IcuMap() { ucasemap_close(map); }
  UCaseMap* map;
};

void BM_FullFold_foldText(benchmark::State& state) {
  const quire::Text text(mixedText());
  for (auto _ : state) {
    quire::Text folded = foldText(text);
    benchmark::DoNotOptimize(folded.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_FullFold_foldText)->Unit(benchmark::kMillisecond);

void BM_FullFold_IcuUtf8FoldCase(benchmark::State& state) {
  const std::string& text = mixedText();
  IcuMap icu;
  const std::size_t capacity = 3 * text.size();
  {
    auto dest = std::make_unique_for_overwrite<char[]>(capacity);
    if (icuFold(icu.map, text, dest, capacity) != foldText(quire::Text(text)).view()) {
      state.SkipWithError("ICU and foldText disagree");
      return;
    }
  }
  for (auto _ : state) {
    auto dest = std::make_unique_for_overwrite<char[]>(capacity);
    UErrorCode status = U_ZERO_ERROR;
    const int32_t n = ucasemap_utf8FoldCase(icu.map, dest.get(), static_cast<int32_t>(capacity), text.data(),
                                            static_cast<int32_t>(text.size()), &status);
    benchmark::DoNotOptimize(n);
    benchmark::DoNotOptimize(dest.get());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_FullFold_IcuUtf8FoldCase)->Unit(benchmark::kMillisecond);

void BM_ByteFold_foldCaseBS(benchmark::State& state) {
  const quire::Bytes bytes(asciiText());
  for (auto _ : state) {
    quire::Bytes folded = foldCaseBS(bytes);
    benchmark::DoNotOptimize(folded.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
}
BENCHMARK(BM_ByteFold_foldCaseBS)->Unit(benchmark::kMillisecond);

std::string tolowerLoop(const std::string& in) {
  std::string out;
  out.resize(in.size());
  for (std::size_t i = 0; i < in.size(); ++i) {
    out[i] = static_cast<char>(std::tolower(static_cast<unsigned char>(in[i])));
  }
  return out;
}

void BM_ByteFold_TolowerLoop(benchmark::State& state) {
  const std::string& text = asciiText();
  if (tolowerLoop(text) != foldCaseBS(quire::Bytes(text)).view()) {
    state.SkipWithError("tolower and foldCaseBS disagree");
    return;
  }
  for (auto _ : state) {
    std::string folded = tolowerLoop(text);
    benchmark::DoNotOptimize(folded.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_ByteFold_TolowerLoop)->Unit(benchmark::kMillisecond);

void BM_ByteFold_Ceiling_Memcpy(benchmark::State& state) {
  const std::string& text = asciiText();
  for (auto _ : state) {
    auto out = std::make_unique_for_overwrite<char[]>(text.size());
    std::memcpy(out.get(), text.data(), text.size());
    benchmark::DoNotOptimize(out.get());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_ByteFold_Ceiling_Memcpy)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
