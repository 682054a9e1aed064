// Tests of the inspector's pieces that need no library: tokens and their
// positions, input formats, options and diagnostics.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "apps/decimal/diagnostics.hpp"
#include "apps/decimal/input.hpp"
#include "apps/decimal/json_reader.hpp"
#include "apps/decimal/options.hpp"
#include "apps/decimal/tokenizer.hpp"

namespace quire::decimal {
namespace {

struct Seen {
  std::string text;
  std::int64_t line;
  std::int64_t column;
  bool tooLong;
  bool operator==(const Seen&) const = default;
};

std::vector<Seen> drain(TokenReader& reader) {
  std::vector<Seen> out;
  while (auto t = reader.next()) out.push_back({std::string(t->text), t->line, t->column, t->tooLong});
  return out;
}

// A pipe fed with text by a thread of its own: fds[0] reads it; join the
// thread before closing fds[0].
struct FedPipe {
  int fds[2] = {-1, -1};
  std::thread writer;
  explicit FedPipe(const std::string& text) {
    EXPECT_EQ(::pipe(fds), 0);
    writer = std::thread([this, &text] {
      std::size_t done = 0;
      while (done < text.size()) {
        ssize_t n = ::write(fds[1], text.data() + done, text.size() - done);
        if (n <= 0) break;
        done += static_cast<std::size_t>(n);
      }
      ::close(fds[1]);
    });
  }
  ~FedPipe() {
    writer.join();
    ::close(fds[0]);
  }
};

// Feeds text through a pipe so that the descriptor path, with a tiny buffer,
// sees tokens straddling refills.
std::vector<Seen> drainThroughPipe(const std::string& text, std::size_t buffer, std::size_t maxToken) {
  FedPipe pipe(text);
  TokenReader reader(pipe.fds[0], maxToken, buffer);
  return drain(reader);
}

// What a JSON reader hands over, as "line:column=text pointer" and
// "error line:column" strings.
struct JsonSeen final : JsonSink {
  std::vector<std::string> seen;
  void jsonNumber(std::string_view text, std::int64_t line, std::int64_t column, std::string_view pointer,
                  std::string_view) override {
    seen.push_back(std::to_string(line) + ":" + std::to_string(column) + "=" + std::string(text) + " " +
                   std::string(pointer));
  }
  void jsonOther(std::string_view, bool) override {}
  void jsonError(std::int64_t line, std::int64_t column, std::string_view) override {
    seen.push_back("error " + std::to_string(line) + ":" + std::to_string(column));
  }
};

std::vector<std::string> jsonThroughPipe(const std::string& text, bool lines) {
  FedPipe pipe(text);
  InputSource source(pipe.fds[0]);
  JsonSeen sink;
  lines ? readJsonLines(source, sink) : readJsonDocument(source, sink);
  return sink.seen;
}

std::vector<std::string> jsonFromFile(const std::string& text, std::size_t peeked) {
  const std::string path = ::testing::TempDir() + "quire-decimal-mapped.json";
  std::FILE* f = std::fopen(path.c_str(), "wb");
  std::fwrite(text.data(), 1, text.size(), f);
  std::fclose(f);
  const int fd = ::open(path.c_str(), O_RDONLY);
  InputSource source(fd);
  (void)source.peek(peeked);  // as the format guess does
  JsonSeen sink;
  readJsonDocument(source, sink);
  ::close(fd);
  return sink.seen;
}

// The parser reads a JSON Lines line in place, with the next lines behind
// it: an unfinished line must not read on into them, and a string glued to
// a number is invalid, not part of the number.
TEST(DecimalJson, UnfinishedAndGluedValuesStayInsideTheirLine) {
  EXPECT_EQ(jsonThroughPipe("\n[\n{\"s\":2\"x\"}\n[\"a\",\n7\n8 9\n", true),
            (std::vector<std::string>{"error 2:1", "error 3:6", "error 4:1", "5:1=7 ", "6:1=8 ", "error 6:1"}));
  EXPECT_EQ(jsonThroughPipe("[1, 2", false), (std::vector<std::string>{"1:2=1 /0", "1:5=2 /1", "error 1:6"}));
}

// A regular file is mapped when its last page has room for the parser's
// padding and copied otherwise; a pipe is read whole. All agree.
TEST(DecimalJson, MappedCopiedAndPipedDocumentsAgree) {
  const auto page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
  for (std::size_t size : {page - 100, page - 10, page, 3 * page + 7}) {
    std::string text = "{\"a\": [1.5, 2e3],\n \"b\": {\"c\": -0}, \"pad\": \"";
    text.append(size - text.size() - 2, 'x');
    text.append("\"}");
    ASSERT_EQ(text.size(), size);
    const std::vector<std::string> want = {"1:8=1.5 /a/0", "1:13=2e3 /a/1", "2:13=-0 /b/c"};
    EXPECT_EQ(jsonThroughPipe(text, false), want) << size;
    EXPECT_EQ(jsonFromFile(text, 0), want) << size;
    EXPECT_EQ(jsonFromFile(text, 100), want) << size;
  }
}

TEST(DecimalInput, FormatsByNameAndContent) {
  EXPECT_EQ(formatFromName("export.ndjson"), Format::JsonLines);
  EXPECT_EQ(formatFromName("a/b.JSON"), Format::Json);
  EXPECT_EQ(formatFromName("t.tab"), Format::Tsv);
  EXPECT_EQ(formatFromName("dir.csv/data"), std::nullopt);
  EXPECT_EQ(guessFormat("{\"a\":1}\n{\"a\":2}\n"), Format::JsonLines);
  EXPECT_EQ(guessFormat("{\"a\":\n 1}\n"), Format::Json);
  EXPECT_EQ(guessFormat("  [1, \"]\", 2]"), Format::Json);
  EXPECT_EQ(guessFormat("1.5 2.5"), Format::Text);
}

TEST(DecimalTokenizer, HeaderExample) {
  TokenReader reader(std::string_view("1.5, 2e3;\n  x"));
  EXPECT_EQ(drain(reader), (std::vector<Seen>{{"1.5", 1, 1, false}, {"2e3", 1, 6, false}, {"x", 2, 3, false}}));
}

TEST(DecimalTokenizer, SeparatorsLinesAndCharacterColumns) {
  TokenReader reader(std::string_view(",,;\t1\r\n\v\f2;;3\n\n\xC3\xA9\xC3\xA9 4"));
  EXPECT_EQ(drain(reader), (std::vector<Seen>{{"1", 1, 5, false},
                                              {"2", 2, 3, false},
                                              {"3", 2, 6, false},
                                              {"\xC3\xA9\xC3\xA9", 4, 1, false},
                                              {"4", 4, 4, false}}));
  TokenReader empty(std::string_view(" ,;\n"));
  EXPECT_FALSE(empty.next().has_value());
}

TEST(DecimalTokenizer, DescriptorInputWithTinyBufferMatchesMemoryInput) {
  std::string text = "12345 678.9e-3,\n  -0 1e400;abc\n" + std::string(50, '7') + "\n9";
  TokenReader memory{std::string_view(text)};
  auto expected = drain(memory);
  for (std::size_t buffer : {1u, 2u, 3u, 7u, 64u}) {
    EXPECT_EQ(drainThroughPipe(text, buffer, TokenReader::maxTokenBytes), expected) << "buffer " << buffer;
  }
}

TEST(DecimalTokenizer, OverlongTokensAreCutAndFlagged) {
  std::string text = "1 " + std::string(100, '5') + " 2";
  auto seen = drainThroughPipe(text, 8, 10);
  ASSERT_EQ(seen.size(), 3u);
  EXPECT_EQ(seen[1], (Seen{std::string(10, '5'), 1, 3, true}));
  EXPECT_EQ(seen[2], (Seen{"2", 1, 104, false}));
  TokenReader memory(std::string_view(text), 10);
  EXPECT_EQ(drain(memory), seen);
}

std::variant<Options, UsageError> parse(std::vector<const char*> args) {
  args.insert(args.begin(), "quire-decimal");
  return parseOptions(args);
}

TEST(DecimalOptions, AcceptsEveryDocumentedForm) {
  auto parsed = parse({"--json", "--width=60", "data.csv", "-", "--color", "never", "--", "--json"});
  ASSERT_TRUE(std::holds_alternative<Options>(parsed));
  const Options& o = std::get<Options>(parsed);
  EXPECT_TRUE(o.json);
  EXPECT_EQ(o.width, 60);
  EXPECT_EQ(o.color, ColorMode::Never);
  EXPECT_EQ(o.files, (std::vector<std::string>{"data.csv", "-", "--json"}));

  parsed = parse({"-w", "100", "--color=always", "--help"});
  ASSERT_TRUE(std::holds_alternative<Options>(parsed));
  EXPECT_EQ(std::get<Options>(parsed).width, 100);
  EXPECT_EQ(std::get<Options>(parsed).color, ColorMode::Always);
  EXPECT_TRUE(std::get<Options>(parsed).help);
}

TEST(DecimalOptions, ReportsUsageErrors) {
  for (auto args : std::vector<std::vector<const char*>>{{"--color=sometimes"},
                                                          {"--color"},
                                                          {"--width"},
                                                          {"--width=0"},
                                                          {"--width=-3"},
                                                          {"--width", "12x"},
                                                          {"--width=100001"},
                                                          {"--jsonx"},
                                                          {"--json=yes"},
                                                          {"-x"}}) {
    EXPECT_TRUE(std::holds_alternative<UsageError>(parse(args))) << args[0];
  }
  EXPECT_EQ(std::get<UsageError>(parse({"--color=sometimes"})).message,
            "--color takes auto, always or never, not 'sometimes'");
}

TEST(DecimalDiagnostics, NamesThePlaceAndQuotesTheTokenSafely) {
  EXPECT_EQ(badTokenMessage({"data.csv", 3, 7, {}}, "1.2.3", "not a number"),
            "data.csv:3:7: bad token '1.2.3': not a number");
  EXPECT_EQ(quotedToken("a\x1b[31m'\xff"), "'a\\x1b[31m\\x27\\xff'");
  EXPECT_EQ(quotedToken(std::string(50, 'x')), "'" + std::string(40, 'x') + "'... (50 bytes)");
}

}  // namespace
}  // namespace quire::decimal
