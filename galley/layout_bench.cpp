// Layout and display throughput.
//
//   BM_RenderDisplay/1 and /2: renderPretty + displayS of a tree of records,
//     lists and groups (about 10 MB of output, and twice that); the time
//     ratio of /2 to /1 shows whether layout is linear.
//   BM_PlainLoop/1: the same characters pushed into a std::string one by
//     one, the machine's limit for producing that output.
//   BM_NestedGroups/n: n nested groups whose flat forms never fit.
//   BM_SmartChain/n: renderSmart on n groups, each followed by a deeper line
//     and finally a line too long for the page.
#include <benchmark/benchmark.h>

#include <string>

#include "galley/galley.hpp"

namespace {

using namespace quire::galley;

// A record: a name and fields, some holding lists of numbers, some records.
Doc record(int id, int depth) {
  std::vector<Doc> fields;
  for (int f = 0; f < 4; ++f) {
    Doc key = text("field" + std::to_string(f));
    Doc value;
    if (depth > 0 && f == 3) {
      value = record(id * 7 + f, depth - 1);
    } else {
      std::vector<Doc> numbers;
      for (int n = 0; n < 3 + (id + f) % 9; ++n) numbers.push_back(int_((id * 31 + n * 17) % 100000));
      value = list(numbers);
    }
    fields.push_back(besideSpace(key + colon(), value));
  }
  return group(text("Record" + std::to_string(id)) + text(" {") +
               nest(2, line() + vsep(punctuate(comma(), fields))) + line() + text("}"));
}

Doc document(int records) {
  std::vector<Doc> rs;
  rs.reserve(static_cast<std::size_t>(records));
  for (int i = 0; i < records; ++i) rs.push_back(record(i, 2));
  return vsep(rs);
}

// About 10 MB of output per unit.
constexpr int kRecordsPerUnit = 7200;

const Doc& documentOfSize(int units) {
  static Doc docs[3] = {Doc(), document(kRecordsPerUnit), document(2 * kRecordsPerUnit)};
  return docs[units];
}

void BM_RenderDisplay(benchmark::State& state) {
  const Doc& d = documentOfSize(static_cast<int>(state.range(0)));
  std::size_t bytes = 0;
  for (auto _ : state) {
    std::string out = displayS(renderPretty(0.4f, 80, d));
    bytes = out.size();
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
  state.counters["MB"] = static_cast<double>(bytes) / 1e6;
}
BENCHMARK(BM_RenderDisplay)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

void BM_PlainLoop(benchmark::State& state) {
  const std::string expected = displayS(renderPretty(0.4f, 80, documentOfSize(static_cast<int>(state.range(0)))));
  for (auto _ : state) {
    std::string out;
    for (char c : expected) out.push_back(c);
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * expected.size()));
}
BENCHMARK(BM_PlainLoop)->Arg(1)->Unit(benchmark::kMillisecond);

// Each level: a line longer than the page, then the next group.
Doc nestedGroups(int levels) {
  Doc d = text("core");
  for (int i = 0; i < levels; ++i) d = group(text(std::string(100, 'a' + i % 26)) + nest(2, line() + d));
  return d;
}

void BM_NestedGroups(benchmark::State& state) {
  const int levels = static_cast<int>(state.range(0));
  for (auto _ : state) {
    // built inside the loop so that every lazily flattened form is new
    std::string out = displayS(renderPretty(0.4f, 80, nestedGroups(levels)));
    benchmark::DoNotOptimize(out.data());
  }
  state.counters["per_level"] = benchmark::Counter(static_cast<double>(levels),
                                                    benchmark::Counter::kIsIterationInvariantRate |
                                                        benchmark::Counter::kInvert);
}
BENCHMARK(BM_NestedGroups)->Arg(30)->Arg(60)->Arg(120)->Unit(benchmark::kMicrosecond);

Doc smartChain(int groups) {
  Doc d = text(std::string(100, 'z'));
  for (int j = 0; j < groups; ++j) d = group(above(text("a"), text("b"))) + nest(1, line() + d);
  return d;
}

void BM_SmartChain(benchmark::State& state) {
  const int groups = static_cast<int>(state.range(0));
  const Doc d = smartChain(groups);
  for (auto _ : state) {
    std::string out = displayS(renderSmart(1.0f, groups + 50, d));
    benchmark::DoNotOptimize(out.data());
  }
}
BENCHMARK(BM_SmartChain)->Arg(18)->Arg(1000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
