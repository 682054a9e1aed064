// The checking reader and the size and conversion reports against the
// library's own fastest paths for the same answers, in one binary:
//  - checkDecimal + toScientific against scientificP on short decimals
//    (the same stored value, checked in set-up);
//  - formatDecimalText against formatScientific on a 1,000,000-digit
//    coefficient (the same characters);
//  - realFloatConversion against toRealFloat (the same double; the report
//    also compares it with the decimal exactly);
//  - encodedSize against the length of put's output.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "scientific/binary.hpp"
#include "scientific/convert.hpp"
#include "scientific/diagnose.hpp"
#include "scientific/format.hpp"
#include "scientific/parse.hpp"

namespace {

using quire::scientific::Scientific;
namespace sci = quire::scientific;

const std::vector<std::string>& corpus() {
  static const std::vector<std::string> texts = [] {
    std::mt19937_64 rng(3);
    std::vector<std::string> t;
    for (int i = 0; i < 100000; ++i) {
      std::string text = std::to_string(rng() % 100000);
      text += '.';
      text += std::to_string(rng() % 100);
      if (i % 4 == 0) {
        text += 'e';
        text += std::to_string(static_cast<int>(rng() % 40) - 20);
      }
      t.push_back(std::move(text));
    }
    return t;
  }();
  return texts;
}

Scientific checked(std::string_view text) { return sci::toScientific(std::get<sci::DecimalText>(sci::checkDecimal(text))); }

void check(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "peers disagree: %s\n", what);
    std::abort();
  }
}

void BM_CheckDecimal(benchmark::State& state) {
  for (const auto& t : corpus()) check(checked(t).coefficient() == sci::scientificP(t)->value.coefficient(), "values");
  for (auto _ : state) {
    for (const auto& t : corpus()) benchmark::DoNotOptimize(checked(t));
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(corpus().size()));
}
BENCHMARK(BM_CheckDecimal);

void BM_ScientificP(benchmark::State& state) {
  for (auto _ : state) {
    for (const auto& t : corpus()) benchmark::DoNotOptimize(sci::scientificP(t));
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(corpus().size()));
}
BENCHMARK(BM_ScientificP);

const std::string& longText() {
  static const std::string text = "0." + std::string(1000000, '7');
  return text;
}

void BM_FormatDecimalTextMillionDigits(benchmark::State& state) {
  const auto d = std::get<sci::DecimalText>(sci::checkDecimal(longText()));
  check(sci::formatDecimalText(sci::FPFormat::Fixed, d) ==
            sci::formatScientific(sci::FPFormat::Fixed, std::nullopt, sci::toScientific(d)),
        "long forms");
  for (auto _ : state) benchmark::DoNotOptimize(sci::formatDecimalText(sci::FPFormat::Fixed, d));
}
BENCHMARK(BM_FormatDecimalTextMillionDigits)->Unit(benchmark::kMillisecond);

void BM_FormatScientificMillionDigits(benchmark::State& state) {
  const Scientific s = checked(longText());
  for (auto _ : state) benchmark::DoNotOptimize(sci::formatScientific(sci::FPFormat::Fixed, std::nullopt, s));
}
BENCHMARK(BM_FormatScientificMillionDigits)->Unit(benchmark::kMillisecond);

std::vector<Scientific> values() {
  std::vector<Scientific> v;
  for (const auto& t : corpus()) v.push_back(checked(t));
  return v;
}

void BM_RealFloatConversion(benchmark::State& state) {
  const auto v = values();
  for (const auto& s : v) check(sci::realFloatConversion<double>(s).value == sci::toRealFloat<double>(s), "doubles");
  for (auto _ : state) {
    for (const auto& s : v) benchmark::DoNotOptimize(sci::realFloatConversion<double>(s));
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(v.size()));
}
BENCHMARK(BM_RealFloatConversion);

void BM_ToRealFloat(benchmark::State& state) {
  const auto v = values();
  for (auto _ : state) {
    for (const auto& s : v) benchmark::DoNotOptimize(sci::toRealFloat<double>(s));
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(v.size()));
}
BENCHMARK(BM_ToRealFloat);

void BM_RealFloatConversionMillionDigits(benchmark::State& state) {
  const Scientific s = checked(longText());
  for (auto _ : state) benchmark::DoNotOptimize(sci::realFloatConversion<double>(s));
}
BENCHMARK(BM_RealFloatConversionMillionDigits)->Unit(benchmark::kMillisecond);

void BM_EncodedSize(benchmark::State& state) {
  const auto v = values();
  for (auto _ : state) {
    for (const auto& s : v) benchmark::DoNotOptimize(sci::encodedSize(s));
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(v.size()));
}
BENCHMARK(BM_EncodedSize);

void BM_PutLength(benchmark::State& state) {
  const auto v = values();
  for (const auto& s : v) {
    quire::binary::Output out;
    sci::put(out, s);
    check(out.bytes().size() == sci::encodedSize(s), "sizes");
  }
  for (auto _ : state) {
    for (const auto& s : v) {
      quire::binary::Output out;
      sci::put(out, s);
      benchmark::DoNotOptimize(out.bytes().size());
    }
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(v.size()));
}
BENCHMARK(BM_PutLength);

}  // namespace

BENCHMARK_MAIN();
