// ShortText against what a C++ user would pick instead. Pairs do the same
// work on the same inputs, and set-up checks once that they agree:
//  - validation of 1 MiB of pure ASCII and of mixed text (85% and 70% ASCII
//    characters, the rest of two, three and four bytes) against ICU's UTF-8
//    preflight (u_strFromUTF8 counting UTF-16 units without writing) and a
//    straightforward byte-at-a-time validator; memcpy of the same bytes is
//    the machine's ceiling;
//  - memory of one million values of 8, 16, 24 and 40 bytes against
//    std::string (allocator statistics from mallinfo2, handles included);
//  - ==, compare and hash of 16-byte keys against std::string (std::hash),
//    and indexMaybe at code point 20 of mixed text against indexing a
//    std::u32string, which holds one code point per element.
// Ratio rows at the end give our speed over the peer's (the memcpy row is
// the machine's ceiling, not a peer); the memory rows carry their ratio as
// a counter.
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <unicode/ustring.h>
#include <unicode/utypes.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "bench/ratio.hpp"
#include "brevity/brevity.hpp"
#include "brevity/operations.hpp"
#include "brevity/primitives.hpp"

namespace {

using quire::brevity::ShortText;

constexpr std::size_t kTextBytes = 1 << 20;

// About asciiPercent of the characters ASCII, the others é, €, 😀 in turn.
std::string mixedText(int asciiPercent) {
  std::mt19937_64 rng(42);
  static const std::string_view kWide[] = {"\xC3\xA9", "\xE2\x82\xAC", "\xF0\x9F\x98\x80"};
  const std::string_view letters = "abcdefghijklmnopqrstuvwxyz";
  std::string out;
  std::size_t wide = 0;
  for (;;) {
    const std::string_view piece = static_cast<int>(rng() % 100) < asciiPercent
                                       ? letters.substr(rng() % letters.size(), 1)
                                       : kWide[wide++ % 3];
    if (out.size() + piece.size() > kTextBytes) break;
    out += piece;
  }
  if (!quire::isValidUtf8(out)) std::abort();
  return out;
}

const std::string& textOfKind(std::int64_t kind) {
  static const std::string ascii(kTextBytes, 'x');
  static const std::string mixed85 = mixedText(85);
  static const std::string mixed70 = mixedText(70);
  return kind == 100 ? ascii : kind == 85 ? mixed85 : mixed70;
}

const std::uint8_t* bytesOf(const std::string& s) {
  return reinterpret_cast<const std::uint8_t*>(s.data());
}

bool icuValid(const std::string& s) {
  UErrorCode err = U_ZERO_ERROR;
  int32_t units = 0;
  u_strFromUTF8(nullptr, 0, &units, s.data(), static_cast<int32_t>(s.size()), &err);
  return err == U_BUFFER_OVERFLOW_ERROR || U_SUCCESS(err);
}

// A validator as one would write it first: one lead byte at a time, each
// continuation checked in its own step.
bool byteAtATimeValid(const std::uint8_t* p, std::size_t n) {
  std::size_t i = 0;
  while (i < n) {
    const unsigned b = p[i];
    std::size_t extra;
    unsigned low = 0x80, high = 0xBF;
    if (b < 0x80) {
      ++i;
      continue;
    } else if (b >= 0xC2 && b <= 0xDF) {
      extra = 1;
    } else if (b >= 0xE0 && b <= 0xEF) {
      extra = 2;
      if (b == 0xE0) low = 0xA0;
      if (b == 0xED) high = 0x9F;
    } else if (b >= 0xF0 && b <= 0xF4) {
      extra = 3;
      if (b == 0xF0) low = 0x90;
      if (b == 0xF4) high = 0x8F;
    } else {
      return false;
    }
    if (n - i <= extra || p[i + 1] < low || p[i + 1] > high) return false;
    for (std::size_t k = 2; k <= extra; ++k) {
      if ((p[i + k] & 0xC0) != 0x80) return false;
    }
    i += extra + 1;
  }
  return true;
}

// Set-up: every validator agrees on the inputs, valid and spoiled.
void checkValidatorsAgree(const std::string& text) {
  const std::string spoiled = [&] {
    std::string s = text;
    s[s.size() / 2] = '\xFF';
    return s;
  }();
  for (const std::string* s : {&text, &spoiled}) {
    const bool ours = hs_brevity_is_valid_utf8(bytesOf(*s), s->size()) == 0;
    if (ours != icuValid(*s) || ours != byteAtATimeValid(bytesOf(*s), s->size()) ||
        ours != (s == &text)) {
      std::fprintf(stderr, "validators disagree\n");
      std::abort();
    }
  }
}

void BM_Validate(benchmark::State& state) {
  const std::string& text = textOfKind(state.range(0));
  checkValidatorsAgree(text);
  for (auto _ : state)
    benchmark::DoNotOptimize(hs_brevity_is_valid_utf8(bytesOf(text), text.size()));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}

void BM_ValidateIcuPreflight(benchmark::State& state) {
  const std::string& text = textOfKind(state.range(0));
  checkValidatorsAgree(text);
  for (auto _ : state) benchmark::DoNotOptimize(icuValid(text));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}

void BM_ValidateByteAtATime(benchmark::State& state) {
  const std::string& text = textOfKind(state.range(0));
  checkValidatorsAgree(text);
  for (auto _ : state) benchmark::DoNotOptimize(byteAtATimeValid(bytesOf(text), text.size()));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}

void BM_CeilingMemcpy(benchmark::State& state) {
  const std::string& text = textOfKind(state.range(0));
  std::string copy(text.size(), '\0');
  for (auto _ : state) {
    std::memcpy(copy.data(), text.data(), text.size());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}

BENCHMARK(BM_Validate)->Arg(100)->Arg(85)->Arg(70);
BENCHMARK(BM_ValidateIcuPreflight)->Arg(100)->Arg(85)->Arg(70);
BENCHMARK(BM_ValidateByteAtATime)->Arg(100)->Arg(85)->Arg(70);
BENCHMARK(BM_CeilingMemcpy)->Arg(100);
QUIRE_BENCH_RATIO("BM_Validate/100", "BM_ValidateIcuPreflight/100");
QUIRE_BENCH_RATIO("BM_Validate/85", "BM_ValidateIcuPreflight/85");
QUIRE_BENCH_RATIO("BM_Validate/70", "BM_ValidateIcuPreflight/70");
QUIRE_BENCH_RATIO("BM_Validate/100", "BM_ValidateByteAtATime/100");
QUIRE_BENCH_RATIO("BM_Validate/85", "BM_ValidateByteAtATime/85");
QUIRE_BENCH_RATIO("BM_Validate/70", "BM_ValidateByteAtATime/70");
QUIRE_BENCH_RATIO("BM_Validate/100", "BM_CeilingMemcpy/100");

// ---------------------------------------------------------------------------
// Memory.

std::size_t heapInUse() {
  const struct mallinfo2 info = mallinfo2();
  return info.uordblks + info.hblkhd;
}

constexpr std::size_t kValues = 1'000'000;

// Distinct contents of `size` ASCII bytes.
std::string contentNumber(std::size_t k, std::size_t size) {
  std::string s(size, 'a');
  for (std::size_t i = 0; i < size && k > 0; ++i, k /= 26) s[i] = static_cast<char>('a' + k % 26);
  return s;
}

template <class Value>
double bytesPerValue(std::size_t size) {
  const std::size_t before = heapInUse();
  std::vector<Value> values;
  values.reserve(kValues);
  for (std::size_t k = 0; k < kValues; ++k) values.emplace_back(contentNumber(k, size));
  const std::size_t after = heapInUse();
  benchmark::DoNotOptimize(values.data());
  return static_cast<double>(after - before) / kValues;
}

void BM_Memory(benchmark::State& state) {
  const auto size = static_cast<std::size_t>(state.range(0));
  double ours = 0, peer = 0;
  for (auto _ : state) {
    ours = bytesPerValue<ShortText>(size);
    peer = bytesPerValue<std::string>(size);
  }
  state.counters["ShortText_B"] = ours;
  state.counters["std_string_B"] = peer;
  state.counters["ratio"] = ours / peer;
}
BENCHMARK(BM_Memory)->Arg(8)->Arg(16)->Arg(24)->Arg(40)->Iterations(1)->Unit(
    benchmark::kMillisecond);

// ---------------------------------------------------------------------------
// Equality, comparison, hashing and indexing.

constexpr std::size_t kKeys = 4096;

// Pairs of equal 16-byte keys in separate storage, and pairs that differ
// only in the last byte, so every comparison reads the whole key.
struct Keys {
  std::vector<std::string> a, b, c;
  std::vector<ShortText> sa, sb, sc;
  Keys() {
    for (std::size_t k = 0; k < kKeys; ++k) {
      std::string key = contentNumber(k * 7919, 16);
      a.push_back(key);
      b.push_back(key);
      key.back() = 'z';
      c.push_back(key);
    }
    for (std::size_t k = 0; k < kKeys; ++k) {
      sa.emplace_back(a[k]);
      sb.emplace_back(b[k]);
      sc.emplace_back(c[k]);
    }
  }
};
const Keys& keys() {
  static const Keys k;
  return k;
}

void BM_Equal(benchmark::State& state) {
  const Keys& k = keys();
  std::size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(k.sa[i] == k.sb[i]);
    i = (i + 1) % kKeys;
  }
}
void BM_EqualStdString(benchmark::State& state) {
  const Keys& k = keys();
  std::size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(k.a[i] == k.b[i]);
    i = (i + 1) % kKeys;
  }
}
void BM_Compare(benchmark::State& state) {
  const Keys& k = keys();
  if (quire::brevity::compare(k.sa[0], k.sc[0]) != std::strong_ordering::less ||
      k.a[0].compare(k.c[0]) >= 0)
    std::abort();
  std::size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(quire::brevity::compare(k.sa[i], k.sc[i]));
    i = (i + 1) % kKeys;
  }
}
void BM_CompareStdString(benchmark::State& state) {
  const Keys& k = keys();
  std::size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(k.a[i].compare(k.c[i]));
    i = (i + 1) % kKeys;
  }
}
void BM_Hash(benchmark::State& state) {
  const Keys& k = keys();
  std::size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(std::hash<ShortText>{}(k.sa[i]));
    i = (i + 1) % kKeys;
  }
}
void BM_HashStdString(benchmark::State& state) {
  const Keys& k = keys();
  std::size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(std::hash<std::string>{}(k.a[i]));
    i = (i + 1) % kKeys;
  }
}
BENCHMARK(BM_Equal);
BENCHMARK(BM_EqualStdString);
BENCHMARK(BM_Compare);
BENCHMARK(BM_CompareStdString);
BENCHMARK(BM_Hash);
BENCHMARK(BM_HashStdString);
QUIRE_BENCH_RATIO("BM_Equal", "BM_EqualStdString");
QUIRE_BENCH_RATIO("BM_Compare", "BM_CompareStdString");
QUIRE_BENCH_RATIO("BM_Hash", "BM_HashStdString");

// Forty code points of mixed widths; code point 20 is asked for.
struct Indexed {
  std::vector<ShortText> texts;
  std::vector<std::u32string> wide;
  Indexed() {
    const std::u32string pool = U"abcdefgh\u00E9\u20AC\U0001F600";
    std::mt19937_64 rng(9);
    for (std::size_t k = 0; k < kKeys; ++k) {
      std::u32string s;
      for (int n = 0; n < 40; ++n) s.push_back(pool[rng() % pool.size()]);
      wide.push_back(s);
      texts.push_back(quire::brevity::fromString(s));
    }
  }
};
const Indexed& indexed() {
  static const Indexed x;
  return x;
}
std::optional<char32_t> u32IndexMaybe(const std::u32string& s, std::int64_t i) {
  if (i < 0 || static_cast<std::size_t>(i) >= s.size()) return std::nullopt;
  return s[static_cast<std::size_t>(i)];
}

void BM_IndexMaybe(benchmark::State& state) {
  const Indexed& x = indexed();
  for (std::size_t k = 0; k < kKeys; ++k) {
    if (quire::brevity::indexMaybe(x.texts[k], 20) != u32IndexMaybe(x.wide[k], 20)) std::abort();
  }
  std::size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(quire::brevity::indexMaybe(x.texts[i], 20));
    i = (i + 1) % kKeys;
  }
}
void BM_IndexMaybeU32String(benchmark::State& state) {
  const Indexed& x = indexed();
  std::size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(u32IndexMaybe(x.wide[i], 20));
    i = (i + 1) % kKeys;
  }
}
BENCHMARK(BM_IndexMaybe);
BENCHMARK(BM_IndexMaybeU32String);
QUIRE_BENCH_RATIO("BM_IndexMaybe", "BM_IndexMaybeU32String");

}  // namespace

int main(int argc, char** argv) { return quire::bench::runWithRatios(argc, argv); }
