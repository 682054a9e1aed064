// Ratio rows for the benchmark binaries: after the usual table, each
// declared pair is printed as our speed divided by the peer's (above 1.0
// means ahead), both taken from the same run.
//
// Example:
//   QUIRE_BENCH_RATIO("BM_Add/15", "BM_MpzAdd/15");   // at namespace scope
//   int main(int argc, char** argv) { return quire::bench::runWithRatios(argc, argv); }
//   // ...
//   // ratio  BM_Add/15 vs BM_MpzAdd/15                      1.62x
//
// With --benchmark_repetitions the medians are compared. A pair one of whose
// benchmarks did not run (filtered out) is left out.
#pragma once

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace quire::bench {

struct RatioPair {
  std::string ours;
  std::string peer;
};

inline std::vector<RatioPair>& ratioPairs() {
  static std::vector<RatioPair> pairs;
  return pairs;
}

inline bool declareRatio(std::string ours, std::string peer) {
  ratioPairs().push_back({std::move(ours), std::move(peer)});
  return true;
}

// A console reporter that also remembers the CPU time of every run.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      if (run.error_occurred) continue;
      const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
      if (run.run_type == Run::RT_Aggregate && !median) continue;
      const double perIteration = run.GetAdjustedCPUTime();
      Entry& e = times_[run.run_name.str()];
      if (median) {
        e.median = perIteration;
      } else {
        e.sum += perIteration;
        ++e.count;
      }
    }
    ConsoleReporter::ReportRuns(runs);
  }

  void printRatios() const {
    bool header = false;
    for (const RatioPair& p : ratioPairs()) {
      auto ours = times_.find(p.ours);
      auto peer = times_.find(p.peer);
      if (ours == times_.end() || peer == times_.end()) continue;
      if (!header) {
        std::printf("\nratio rows (our speed / the peer's, same run; above 1.00 is ahead)\n");
        header = true;
      }
      std::printf("ratio  %-60s %6.2fx\n", (p.ours + " vs " + p.peer).c_str(),
                  peer->second.time() / ours->second.time());
    }
    std::fflush(stdout);
  }

 private:
  struct Entry {
    double sum = 0;
    int count = 0;
    double median = -1;
    double time() const { return median >= 0 ? median : sum / count; }
  };
  std::map<std::string, Entry> times_;
};

inline int runWithRatios(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.printRatios();
  benchmark::Shutdown();
  return 0;
}

}  // namespace quire::bench

#define QUIRE_BENCH_RATIO_CAT2(a, b) a##b
#define QUIRE_BENCH_RATIO_CAT(a, b) QUIRE_BENCH_RATIO_CAT2(a, b)
#define QUIRE_BENCH_RATIO(ours, peer)                                                   \
  [[maybe_unused]] static const bool QUIRE_BENCH_RATIO_CAT(quireRatio_, __COUNTER__) = \
      ::quire::bench::declareRatio(ours, peer)
