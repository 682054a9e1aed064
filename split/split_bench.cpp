// Splitting 100 MB of comma-separated text, fields of 1 to 12 characters
// separated by ", " with a line break every few fields:
//  - splitOn "," and splitOn ", " over a std::string_view (fields are views),
//    against absl::StrSplit with a char and a string delimiter, and a
//    memchr loop (Ceiling: the least work that finds every delimiter);
//  - splitOn "," over a std::vector<char>, the element-by-element path
//    that builds owned std::string fields;
//  - wordsBy (blank or line break) and chunksOf 64 over the view.
// Every benchmark counts the fields and their total length; set-up checks
// once that each peer gives the same count and length as the library.
#include <benchmark/benchmark.h>

#include <absl/strings/str_split.h>
#include <absl/strings/string_view.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "split/split.hpp"

namespace {

namespace qs = quire::split;

constexpr std::size_t kBytes = 100u << 20;

// A fast generator is enough: the text only has to look like CSV.
std::uint64_t nextRandom(std::uint64_t& state) {
  state ^= state << 13;
  state ^= state >> 7;
  state ^= state << 17;
  return state;
}

const std::string& csvText() {
  static const std::string text = [] {
    std::string out;
    out.reserve(kBytes + 64);
    std::uint64_t state = 0x9E3779B97F4A7C15u;
    int column = 0;
    while (out.size() < kBytes) {
      std::uint64_t r = nextRandom(state);
      std::size_t length = 1 + r % 12;
      for (std::size_t i = 0; i < length; ++i) {
        out.push_back(static_cast<char>('a' + ((r >> (8 + 4 * i)) & 15)));
      }
      if (++column == 8) {
        out.push_back('\n');
        column = 0;
      } else {
        out += ", ";
      }
    }
    return out;
  }();
  return text;
}

const std::vector<char>& csvChars() {
  static const std::vector<char> chars(csvText().begin(), csvText().end());
  return chars;
}

struct Tally {
  std::size_t fields = 0;
  std::size_t bytes = 0;
  friend bool operator==(const Tally&, const Tally&) = default;
};

template <class R>
Tally tally(R&& fields) {
  Tally t;
  for (auto&& f : fields) {
    ++t.fields;
    t.bytes += f.size();
  }
  return t;
}

Tally splitOnView(std::string_view delimiter) { return tally(qs::splitOn(delimiter, std::string_view(csvText()))); }

Tally abseilChar() { return tally(absl::StrSplit(absl::string_view(csvText().data(), csvText().size()), ',')); }

Tally abseilString() {
  return tally(absl::StrSplit(absl::string_view(csvText().data(), csvText().size()), ", "));
}

// Finds every delimiter and nothing else: what any splitter must at least do.
Tally memchrLoop(std::string_view delimiter) {
  const std::string& text = csvText();
  const char* p = text.data();
  const char* end = p + text.size();
  const std::size_t k = delimiter.size();
  Tally t;
  for (;;) {
    const char* q = p;
    for (;;) {
      q = static_cast<const char*>(std::memchr(q, delimiter[0], static_cast<std::size_t>(end - q)));
      if (q == nullptr || (static_cast<std::size_t>(end - q) >= k && std::memcmp(q, delimiter.data(), k) == 0)) break;
      ++q;
    }
    ++t.fields;
    if (q == nullptr) {
      t.bytes += static_cast<std::size_t>(end - p);
      return t;
    }
    t.bytes += static_cast<std::size_t>(q - p);
    p = q + k;
  }
}

constexpr auto isBlank = [](char c) { return c == ' ' || c == '\n'; };

void check(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "split_bench: %s disagrees with the library\n", what);
    std::abort();
  }
}

void checkPeers() {
  static const bool checked = [] {
    check(abseilChar() == splitOnView(","), "absl::StrSplit(',')");
    check(memchrLoop(",") == splitOnView(","), "the memchr loop (',')");
    check(abseilString() == splitOnView(", "), "absl::StrSplit(\", \")");
    check(memchrLoop(", ") == splitOnView(", "), "the memchr loop (\", \")");
    check(tally(qs::splitOn(",", csvChars())) == splitOnView(","), "the element-by-element path");
    return true;
  }();
  (void)checked;
}

template <class F>
void run(benchmark::State& state, F work) {
  checkPeers();
  Tally t;
  for (auto _ : state) {
    t = work();
    benchmark::DoNotOptimize(t);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * csvText().size()));
  state.counters["fields"] = static_cast<double>(t.fields);
}

void BM_SplitOnChar_View(benchmark::State& s) { run(s, [] { return splitOnView(","); }); }
void BM_SplitOnChar_Abseil(benchmark::State& s) { run(s, abseilChar); }
void BM_SplitOnChar_MemchrCeiling(benchmark::State& s) { run(s, [] { return memchrLoop(","); }); }
void BM_SplitOnTwoChars_View(benchmark::State& s) { run(s, [] { return splitOnView(", "); }); }
void BM_SplitOnTwoChars_Abseil(benchmark::State& s) { run(s, abseilString); }
void BM_SplitOnTwoChars_MemchrCeiling(benchmark::State& s) { run(s, [] { return memchrLoop(", "); }); }
void BM_SplitOnChar_Generic(benchmark::State& s) { run(s, [] { return tally(qs::splitOn(",", csvChars())); }); }
void BM_WordsBy_View(benchmark::State& s) {
  run(s, [] { return tally(qs::wordsBy(isBlank, std::string_view(csvText()))); });
}
void BM_WordsBy_Generic(benchmark::State& s) { run(s, [] { return tally(qs::wordsBy(isBlank, csvChars())); }); }
void BM_ChunksOf64_View(benchmark::State& s) {
  run(s, [] { return tally(qs::chunksOf(64, std::string_view(csvText()))); });
}
void BM_ChunksOf64_Generic(benchmark::State& s) { run(s, [] { return tally(qs::chunksOf(64, csvChars())); }); }

BENCHMARK(BM_SplitOnChar_View)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SplitOnChar_Abseil)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SplitOnChar_MemchrCeiling)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SplitOnTwoChars_View)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SplitOnTwoChars_Abseil)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SplitOnTwoChars_MemchrCeiling)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SplitOnChar_Generic)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WordsBy_View)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WordsBy_Generic)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ChunksOf64_View)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ChunksOf64_Generic)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
