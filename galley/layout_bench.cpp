// Layout and display throughput.
//
//   BM_RenderDisplayParagraphs/1 and /2: renderPretty + displayS at width 80
//     of paragraphs of fillSep words in groups and nests (about 10 MB of
//     output, and twice that); the time ratio of /2 to /1 shows whether
//     layout is linear. BM_RenderDisplay/1 and /2: the same for a tree of
//     records, lists and groups.
//   BM_Build*: building those documents, reported as MB/s of the output
//     they will eventually render to.
//   BM_Ceiling_AppendPieces / BM_Ceiling_PlainLoop: machine ceilings, not
//     peers: the rendered pieces (texts, newlines with their indentation)
//     appended to a fresh std::string, and the finished text pushed into
//     one a character at a time.
//   BM_FillSmall_LineFiller / BM_FillSmall_Document: 100,000 small
//     paragraphs (a report block each: 14 words, hanging indentation 11,
//     width 60) filled straight into a buffer by LineFiller, against the
//     same words laid out as nest(11, fillSep(...)) one document each,
//     rendered and displayed; the texts are checked equal once.
//   BM_NestedGroups/n: n nested groups whose flat forms never fit.
//   BM_SmartChain/n: renderSmart on n groups, each followed by a deeper line
//     and finally a line too long for the page.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench/ratio.hpp"
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

// Paragraphs: a heading, then words filled to the width in a nest, some
// words grouped in pairs.
Doc paragraph(int id) {
  static const char* const vocabulary[] = {"layout", "of", "a", "document", "fills", "each", "line",
                                           "with", "words", "until", "the", "width", "is", "reached",
                                           "and", "then", "breaks", "to", "next", "indentation"};
  std::vector<Doc> words;
  for (int w = 0; w < 60; ++w) {
    Doc word = text(vocabulary[(id * 7 + w * 3) % 20]);
    if (w % 9 == 4) word = group(word + line() + text(std::to_string(id + w)));
    words.push_back(word);
  }
  return group(text("Paragraph " + std::to_string(id) + ":") + nest(4, line() + fillSep(words)));
}

Doc paragraphs(int count) {
  std::vector<Doc> ps;
  ps.reserve(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) ps.push_back(nest(2, paragraph(i)));
  return vsep(ps);
}

// About 10 MB of output per unit.
constexpr int kRecordsPerUnit = 7200;
constexpr int kParagraphsPerUnit = 25000;

const Doc& documentOfSize(int units) {
  static Doc docs[3] = {Doc(), document(kRecordsPerUnit), document(2 * kRecordsPerUnit)};
  return docs[units];
}
const Doc& paragraphsOfSize(int units) {
  static Doc docs[3] = {Doc(), paragraphs(kParagraphsPerUnit), paragraphs(2 * kParagraphsPerUnit)};
  return docs[units];
}

std::string rendered(const Doc& d) { return displayS(renderPretty(0.4f, 80, d)); }

void renderDisplay(benchmark::State& state, const Doc& d) {
  const std::string expected = rendered(d);  // set-up: every iteration gives this text
  std::size_t bytes = 0;
  for (auto _ : state) {
    std::string out = displayS(renderPretty(0.4f, 80, d));
    bytes = out.size();
    benchmark::DoNotOptimize(out.data());
  }
  if (bytes != expected.size()) state.SkipWithError("renderings differ");
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
  state.counters["MB"] = static_cast<double>(bytes) / 1e6;
}

void BM_RenderDisplay(benchmark::State& state) {
  renderDisplay(state, documentOfSize(static_cast<int>(state.range(0))));
}
BENCHMARK(BM_RenderDisplay)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

void BM_RenderDisplayParagraphs(benchmark::State& state) {
  renderDisplay(state, paragraphsOfSize(static_cast<int>(state.range(0))));
}
BENCHMARK(BM_RenderDisplayParagraphs)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

// Building, reported against the size of the eventual output.
template <class Build>
void build(benchmark::State& state, Build make, std::size_t outputBytes) {
  for (auto _ : state) {
    Doc d = make();
    benchmark::DoNotOptimize(&d);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * outputBytes));
}

void BM_BuildParagraphs(benchmark::State& state) {
  build(state, [] { return paragraphs(kParagraphsPerUnit); }, rendered(paragraphsOfSize(1)).size());
}
BENCHMARK(BM_BuildParagraphs)->Unit(benchmark::kMillisecond);

void BM_BuildRecords(benchmark::State& state) {
  build(state, [] { return document(kRecordsPerUnit); }, rendered(documentOfSize(1)).size());
}
BENCHMARK(BM_BuildRecords)->Unit(benchmark::kMillisecond);

// The pieces of a rendering: texts and characters as they are, each line
// break as a newline and its indentation.
std::vector<std::string> piecesOf(const Doc& d) {
  std::vector<std::string> pieces;
  for (const SimpleDocElement& e : renderPretty(0.4f, 80, d)) {
    if (e.kind == SimpleDocKind::SText) pieces.emplace_back(e.text);
    if (e.kind == SimpleDocKind::SChar) pieces.emplace_back(1, static_cast<char>(e.character));
    if (e.kind == SimpleDocKind::SLine) {
      std::string lineBreak(static_cast<std::size_t>(e.indentation) + 1, ' ');
      lineBreak.front() = '\n';
      pieces.push_back(std::move(lineBreak));
    }
  }
  return pieces;
}

void BM_Ceiling_AppendPieces(benchmark::State& state) {
  const Doc& d = paragraphsOfSize(1);
  const std::vector<std::string> pieces = piecesOf(d);
  std::string check;
  for (const std::string& p : pieces) check += p;
  if (check != rendered(d)) state.SkipWithError("pieces do not give the rendering");
  for (auto _ : state) {
    std::string out;
    for (const std::string& p : pieces) out += p;
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * check.size()));
}
BENCHMARK(BM_Ceiling_AppendPieces)->Unit(benchmark::kMillisecond);

void BM_Ceiling_PlainLoop(benchmark::State& state) {
  const std::string expected = rendered(paragraphsOfSize(1));
  for (auto _ : state) {
    std::string out;
    for (char c : expected) out.push_back(c);
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * expected.size()));
}
BENCHMARK(BM_Ceiling_PlainLoop)->Unit(benchmark::kMillisecond);
QUIRE_BENCH_RATIO("BM_RenderDisplayParagraphs/1", "BM_Ceiling_AppendPieces");
QUIRE_BENCH_RATIO("BM_BuildParagraphs", "BM_Ceiling_AppendPieces");

// ---------------------------------------------------------------------------
// Many small paragraphs

constexpr int kSmallParagraphs = 100000;
constexpr std::int64_t kSmallWidth = 60;
constexpr std::int64_t kSmallHanging = 11;

const std::vector<std::vector<std::string>>& smallParagraphs() {
  static const std::vector<std::vector<std::string>> paragraphs = [] {
    std::vector<std::vector<std::string>> all(kSmallParagraphs);
    for (int i = 0; i < kSmallParagraphs; ++i) {
      for (int w = 0; w < 14; ++w) all[i].push_back(std::to_string(i * 37 + w * 101) + (w % 3 == 0 ? "," : ""));
    }
    return all;
  }();
  return paragraphs;
}

std::string fillSmall(std::string& out) {
  out.clear();
  for (const auto& words : smallParagraphs()) {
    std::size_t room = 2;
    for (const std::string& w : words) room += LineFiller::wordBound(w.size(), kSmallHanging);
    const std::size_t at = out.size();
    out.resize(at + room);
    LineFiller fill(out.data() + at, kSmallWidth);
    fill.startLine(kSmallHanging);
    for (const std::string& w : words) fill.word(std::string_view(w));
    fill.endLine();
    out.resize(static_cast<std::size_t>(fill.position() - out.data()));
  }
  return out;
}

std::string documentSmall(std::string& out) {
  out.clear();
  std::vector<Doc> docs;
  for (const auto& words : smallParagraphs()) {
    docs.clear();
    for (const std::string& w : words) docs.push_back(text(w));
    displayS(renderPretty(1.0f, kSmallWidth, nest(kSmallHanging, fillSep(docs))), out);
    out += '\n';
  }
  return out;
}

void BM_FillSmall_LineFiller(benchmark::State& state) {
  std::string out, check;
  if (fillSmall(out) != documentSmall(check)) {
    std::fprintf(stderr, "LineFiller and the document disagree\n");
    std::abort();
  }
  for (auto _ : state) benchmark::DoNotOptimize(fillSmall(out).data());
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * out.size()));
}
BENCHMARK(BM_FillSmall_LineFiller)->Unit(benchmark::kMillisecond);

void BM_FillSmall_Document(benchmark::State& state) {
  std::string out;
  for (auto _ : state) benchmark::DoNotOptimize(documentSmall(out).data());
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * out.size()));
}
BENCHMARK(BM_FillSmall_Document)->Unit(benchmark::kMillisecond);
QUIRE_BENCH_RATIO("BM_FillSmall_LineFiller", "BM_FillSmall_Document");

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

int main(int argc, char** argv) { return quire::bench::runWithRatios(argc, argv); }
