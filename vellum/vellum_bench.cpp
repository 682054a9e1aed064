// Character sets and input buffers against what a C++ user would reach for:
//  - text::FastSet member for sets of 4, 26 and 200 characters, against
//    absl::flat_hash_set<char32_t>::contains and std::binary_search over a
//    sorted std::vector<char32_t>, on the same 65,536 random queries (half
//    of them members, too many for the branch predictor to learn); the
//    counter ns_per_query is the time of one query. The sets: {}[] (case
//    0), a-z (1), 200 letters in one range U+00C0..U+0187 (2), and 200
//    letters drawn from Latin, Greek and Cyrillic (3), whose blocks overlap
//    modulo the table size and so make long collision runs;
//  - appending 1 KB chunks to a bytes::Buffer until it holds 100 MB, against
//    std::string::append of the same chunks, both starting empty.
#include <benchmark/benchmark.h>

#include <absl/container/flat_hash_set.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "vellum/vellum.hpp"

namespace {

using namespace quire::vellum;

constexpr std::size_t kQueries = 1 << 16;

struct CharSetCase {
  std::u32string members;
  std::vector<char32_t> queries;
};

const char* const kCaseNames[] = {"4: {}[]", "26: a-z", "200: U+00C0..U+0187", "200: Latin, Greek, Cyrillic"};

const CharSetCase& charSetCase(std::int64_t which) {
  static std::vector<std::pair<std::int64_t, CharSetCase>> cases;
  for (auto& [id, c] : cases)
    if (id == which) return c;
  CharSetCase c;
  std::mt19937 rng(static_cast<unsigned>(which) + 1);
  if (which == 0) {
    c.members = U"{}[]";
  } else if (which == 1) {
    c.members = U"abcdefghijklmnopqrstuvwxyz";
  } else if (which == 2) {
    for (char32_t x = 0x00C0; x < 0x00C0 + 200; ++x) c.members.push_back(x);
  } else {
    std::u32string pool;
    for (char32_t x = 0x00C0; x < 0x0180; ++x) pool.push_back(x);
    for (char32_t x = 0x0391; x < 0x03CA; ++x) pool.push_back(x);
    for (char32_t x = 0x0410; x < 0x0450; ++x) pool.push_back(x);
    std::shuffle(pool.begin(), pool.end(), rng);
    c.members = pool.substr(0, 200);
  }
  // Half members, half characters from the same neighbourhood that are not.
  const char32_t lo = *std::min_element(c.members.begin(), c.members.end());
  const char32_t hi = *std::max_element(c.members.begin(), c.members.end());
  for (std::size_t i = 0; i < kQueries; ++i) {
    c.queries.push_back(i % 2 == 0 ? c.members[rng() % c.members.size()]
                                   : lo + static_cast<char32_t>(rng() % (hi - lo + 64)));
  }
  cases.emplace_back(which, std::move(c));
  return cases.back().second;
}

template <class Member>
void runQueries(benchmark::State& state, const std::vector<char32_t>& queries, Member member) {
  for (auto _ : state) {
    std::size_t found = 0;
    for (char32_t q : queries) found += member(q) ? 1 : 0;
    benchmark::DoNotOptimize(found);
  }
  state.counters["ns_per_query"] = benchmark::Counter(
      static_cast<double>(state.iterations() * queries.size()) / 1e9,
      benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

// FastSet's answers against a linear search of the members.
bool sameAnswers(const CharSetCase& c, const text::FastSet& f) {
  for (char32_t q : c.queries) {
    if (text::member(q, f) != (c.members.find(q) != std::u32string::npos)) return false;
  }
  return true;
}

void BM_Member_FastSet(benchmark::State& state) {
  const CharSetCase& c = charSetCase(state.range(0));
  state.SetLabel(kCaseNames[state.range(0)]);
  const text::FastSet f = text::fromList(c.members);
  if (!sameAnswers(c, f)) {
    state.SkipWithError("FastSet gives a wrong answer");
    return;
  }
  runQueries(state, c.queries, [&](char32_t q) { return text::member(q, f); });
}
BENCHMARK(BM_Member_FastSet)->DenseRange(0, 3);

void BM_Member_AbslFlatHashSet(benchmark::State& state) {
  const CharSetCase& c = charSetCase(state.range(0));
  state.SetLabel(kCaseNames[state.range(0)]);
  const absl::flat_hash_set<char32_t> set(c.members.begin(), c.members.end());
  const text::FastSet f = text::fromList(c.members);
  for (char32_t q : c.queries) {
    if (set.contains(q) != text::member(q, f)) {
      state.SkipWithError("flat_hash_set and FastSet disagree");
      return;
    }
  }
  runQueries(state, c.queries, [&](char32_t q) { return set.contains(q); });
}
BENCHMARK(BM_Member_AbslFlatHashSet)->DenseRange(0, 3);

void BM_Member_SortedVector(benchmark::State& state) {
  const CharSetCase& c = charSetCase(state.range(0));
  state.SetLabel(kCaseNames[state.range(0)]);
  std::vector<char32_t> sorted(c.members.begin(), c.members.end());
  std::sort(sorted.begin(), sorted.end());
  const text::FastSet f = text::fromList(c.members);
  for (char32_t q : c.queries) {
    if (std::binary_search(sorted.begin(), sorted.end(), q) != text::member(q, f)) {
      state.SkipWithError("sorted vector and FastSet disagree");
      return;
    }
  }
  runQueries(state, c.queries, [&](char32_t q) { return std::binary_search(sorted.begin(), sorted.end(), q); });
}
BENCHMARK(BM_Member_SortedVector)->DenseRange(0, 3);

constexpr std::size_t kChunk = 1024;
constexpr std::size_t kTotal = 100 * 1024 * 1024;

const quire::Bytes& chunk() {
  static const quire::Bytes c = [] {
    std::string s(kChunk, 'x');
    for (std::size_t i = 0; i < s.size(); ++i) s[i] = static_cast<char>('a' + i % 26);
    return quire::Bytes(s);
  }();
  return c;
}

void BM_Append_Buffer(benchmark::State& state) {
  const quire::Bytes& c = chunk();
  {
    bytes::Buffer b;
    std::string s;
    for (int i = 0; i < 100; ++i) {
      b = bytes::pappend(std::move(b), c);
      s.append(c.view());
    }
    if (bytes::unbuffer(b).view() != s) {
      state.SkipWithError("Buffer and std::string disagree");
      return;
    }
  }
  for (auto _ : state) {
    bytes::Buffer b;
    for (std::size_t n = 0; n < kTotal; n += kChunk) b = bytes::pappend(std::move(b), c);
    benchmark::DoNotOptimize(b.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kTotal));
}
BENCHMARK(BM_Append_Buffer)->Unit(benchmark::kMillisecond);

void BM_Append_StdString(benchmark::State& state) {
  const quire::Bytes& c = chunk();
  for (auto _ : state) {
    std::string s;
    for (std::size_t n = 0; n < kTotal; n += kChunk) s.append(c.data(), c.size());
    benchmark::DoNotOptimize(s.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kTotal));
}
BENCHMARK(BM_Append_StdString)->Unit(benchmark::kMillisecond);

// ---------------------------------------------------------------------------
// Separated values: 8 MB of rows mixing numbers, plain text and quoted
// fields with separators and doubled quotes. The ceiling scans the same
// bytes for line ends with memchr and reads nothing; it is not a peer.

const std::string& csvText() {
  static const std::string text = [] {
    std::mt19937_64 random(7);
    std::string t;
    while (t.size() < (std::size_t{8} << 20)) {
      t += std::to_string(random() % 100000) + "," + std::to_string(random() % 1000) + "." +
           std::to_string(random() % 100) + ",plain text," + "\"Widget, \"\"large\"\"\"," +
           std::to_string(random()) + "\r\n";
    }
    return t;
  }();
  return text;
}

void BM_Csv_Read(benchmark::State& state) {
  const std::string& text = csvText();
  std::vector<quire::vellum::CsvCell> row;
  for (auto _ : state) {
    quire::vellum::CsvReader reader(quire::vellum::CsvReader::textSource(text));
    std::size_t cells = 0;
    while (reader.next(row)) cells += row.size();
    benchmark::DoNotOptimize(cells);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_Csv_Read)->Unit(benchmark::kMillisecond);

void BM_Csv_CeilingLineScan(benchmark::State& state) {
  const std::string& text = csvText();
  for (auto _ : state) {
    std::size_t lines = 0;
    for (const char* p = text.data(); (p = static_cast<const char*>(
                                          std::memchr(p, '\n', static_cast<std::size_t>(text.data() + text.size() - p))));
         ++p) {
      ++lines;
    }
    benchmark::DoNotOptimize(lines);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_Csv_CeilingLineScan)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
