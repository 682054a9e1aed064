// End-to-end tests of the quire-decimal executable: golden output, JSON
// checked against the libraries, bad tokens and exit statuses, hostile
// values, and a million numbers streamed in flat memory.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <functional>
#include <random>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "apps/decimal/tests/json_check.hpp"
#include "scientific/convert.hpp"
#include "scientific/format.hpp"
#include "scientific/parse.hpp"
#include "scientific/binary.hpp"

extern char** environ;

namespace quire::decimal {
namespace {

using testing::Json;
using testing::parseJson;

struct ProgramRun {
  std::string out;  // all of standard output, or its last bytes when capped
  std::string err;
  int status = -1;
  long maxRssKb = 0;
  std::size_t outBytes = 0;
};

// Runs the program with stdin from the given file (or /dev/null), capturing
// standard output (keeping at most outCap bytes, the last ones) and error.
// How standard output is set up: a pipe read by the test (the default), or
// an action of its own (closed, /dev/full, a pipe nobody reads).
using StdoutSetup = std::function<void(posix_spawn_file_actions_t&, int pipeWrite)>;

ProgramRun run(std::vector<std::string> args, const std::string& stdinPath = "/dev/null",
        std::size_t outCap = std::string::npos, const StdoutSetup& setup = {}) {
  args.insert(args.begin(), QUIRE_DECIMAL_EXE);
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  int outPipe[2], errPipe[2];
  EXPECT_EQ(::pipe(outPipe), 0);
  EXPECT_EQ(::pipe(errPipe), 0);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, stdinPath.c_str(), O_RDONLY, 0);
  if (setup) {
    setup(actions, outPipe[1]);
  } else {
    posix_spawn_file_actions_adddup2(&actions, outPipe[1], 1);
  }
  posix_spawn_file_actions_adddup2(&actions, errPipe[1], 2);
  posix_spawn_file_actions_addclose(&actions, outPipe[0]);
  posix_spawn_file_actions_addclose(&actions, errPipe[0]);
  pid_t pid = -1;
  EXPECT_EQ(posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ), 0);
  posix_spawn_file_actions_destroy(&actions);
  ::close(outPipe[1]);
  ::close(errPipe[1]);

  ProgramRun r;
  pollfd fds[2] = {{outPipe[0], POLLIN, 0}, {errPipe[0], POLLIN, 0}};
  std::vector<char> chunk(1 << 16);
  int open = 2;
  while (open > 0) {
    ::poll(fds, 2, -1);
    for (auto& fd : fds) {
      if (fd.fd < 0 || fd.revents == 0) continue;
      ssize_t n = ::read(fd.fd, chunk.data(), chunk.size());
      if (n <= 0) {
        ::close(fd.fd);
        fd.fd = -1;
        --open;
        continue;
      }
      std::string& into = fd.fd == outPipe[0] ? r.out : r.err;
      into.append(chunk.data(), static_cast<std::size_t>(n));
      if (fd.fd == outPipe[0]) {
        r.outBytes += static_cast<std::size_t>(n);
        if (into.size() > outCap) into.erase(0, into.size() - outCap);
      }
    }
  }
  int status = 0;
  rusage usage{};
  ::wait4(pid, &status, 0, &usage);
  r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  r.maxRssKb = usage.ru_maxrss;
  return r;
}

std::string tempFile(const std::string& name, const std::string& content) {
  std::string path = ::testing::TempDir() + "quire-decimal-" + name;
  std::ofstream(path, std::ios::binary) << content;
  return path;
}

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

TEST(DecimalProgram, SampleMatchesTheGoldenOutput) {
  ProgramRun r = run({"--sample", "--color=never", "--width", "100"});
  ASSERT_EQ(r.status, 0) << r.err;
  std::string golden = std::string(QUIRE_DECIMAL_GOLDEN) + "/sample-width-100.txt";
  if (std::getenv("QUIRE_UPDATE_GOLDEN") != nullptr) std::ofstream(golden, std::ios::binary) << r.out;
  EXPECT_EQ(r.out, readFile(golden));
  EXPECT_EQ(r.out.find('\x1b'), std::string::npos);
  EXPECT_EQ(r.err, "");
}

TEST(DecimalProgram, ReportFitsTheWidthAndColoursOnlyWhenAsked) {
  for (int width : {40, 60, 100}) {
    ProgramRun r = run({"--sample", "--color=never", "--width=" + std::to_string(width)});
    std::istringstream lines(r.out);
    for (std::string line; std::getline(lines, line);) {
      EXPECT_LE(static_cast<int>(line.size()), width) << line;
    }
  }
  ProgramRun colored = run({"--sample", "--color=always"});
  EXPECT_NE(colored.out.find("\x1b["), std::string::npos);
  ProgramRun piped = run({"--sample"});  // auto: standard output is a pipe
  EXPECT_EQ(piped.out.find('\x1b'), std::string::npos);
}

scientific::Scientific libraryRead(const std::string& text) {
  auto value = scientific::read<scientific::Scientific>(text);
  EXPECT_TRUE(value.has_value()) << text;
  return value.value_or(scientific::Scientific());
}

template <class Int>
bool fits(const scientific::Scientific& s) {
  return scientific::toBoundedInteger<Int>(s).has_value();
}

// Bits of the narrowest of the four types that holds s, or 0.
template <class I8, class I16, class I32, class I64>
int narrowest(const scientific::Scientific& s) {
  if (fits<I8>(s)) return 8;
  if (fits<I16>(s)) return 16;
  if (fits<I32>(s)) return 32;
  if (fits<I64>(s)) return 64;
  return 0;
}

// "int16" -> 16, "uint8" -> 8 (checking the prefix), null -> 0.
int bitsOf(const Json& type, std::string_view prefix) {
  if (type.isNull()) return 0;
  EXPECT_EQ(type.text.substr(0, prefix.size()), prefix);
  return std::stoi(type.text.substr(prefix.size()));
}

// Every field of every number object against the libraries' own answers.
void checkAgainstLibrary(const Json& number) {
  const std::string text = number["text"].text;
  SCOPED_TRACE(text);
  scientific::Scientific s = libraryRead(text);
  scientific::Scientific n = scientific::normalize(s);
  EXPECT_EQ(number["coefficient"].text, n.coefficient().get_str());
  EXPECT_EQ(number["exponent"].integer(), n.base10Exponent());
  EXPECT_EQ(number["generic"].text, scientific::formatScientific(scientific::FPFormat::Generic, std::nullopt, s));
  EXPECT_EQ(number["exponent_form"].text,
            scientific::formatScientific(scientific::FPFormat::Exponent, std::nullopt, s));
  if (!number["fixed"].isNull()) {
    EXPECT_EQ(number["fixed"].text, scientific::formatScientific(scientific::FPFormat::Fixed, std::nullopt, s));
    EXPECT_EQ(number["fixed_length"].integer(), static_cast<std::int64_t>(number["fixed"].text.size()));
  }
  bool integer = scientific::isInteger(s);
  EXPECT_EQ(number["integer"].boolean, integer);
  // Only sane integers are asked of the library: it must not be handed 1e1000000000.
  if (integer && n.base10Exponent() < 40) {
    EXPECT_EQ(bitsOf(number["signed"], "int"), (narrowest<std::int8_t, std::int16_t, std::int32_t, std::int64_t>(s)));
    EXPECT_EQ(bitsOf(number["unsigned"], "uint"),
              (narrowest<std::uint8_t, std::uint16_t, std::uint32_t, std::uint64_t>(s)));
  } else {
    EXPECT_TRUE(number["signed"].isNull());
    EXPECT_TRUE(number["unsigned"].isNull());
  }
  if (std::llabs(n.base10Exponent()) < 2000) {
    double d = scientific::toRealFloat<double>(s);
    float f = scientific::toRealFloat<float>(s);
    if (std::isfinite(d)) {
      EXPECT_EQ(number["double"]["value"].number(), d);
    } else {
      EXPECT_EQ(number["double"]["conversion"].text, "overflow");
    }
    if (std::isfinite(f)) {
      EXPECT_EQ(static_cast<float>(number["float"]["value"].number()), f);
    } else {
      EXPECT_EQ(number["float"]["conversion"].text, "overflow");
    }
    if (d == 0 && sgn(n.coefficient()) != 0) {
      EXPECT_EQ(number["double"]["conversion"].text, "underflow");
    }
  }
  binary::Output out;
  scientific::put(out, s);
  EXPECT_EQ(number["binary_size"].integer(), static_cast<std::int64_t>(out.bytes().size()));
}

TEST(DecimalProgram, JsonIsValidAndAgreesWithTheLibraries) {
  std::string input = "0.1 -2.5e-3 1.50 -0 255 -129 9007199254740993 1e39 1e-50 0.15625 16777217\n"
                      "123456789012345678901234567890123456789012345678901234567890\n"
                      "1e400 -1e-400 4.9e-324 1.7976931348623157e308 18446744073709551616 7e22\n";
  ProgramRun r = run({"--json"}, tempFile("json.txt", input));
  ASSERT_EQ(r.status, 0) << r.err;
  Json doc = parseJson(r.out);
  const auto& numbers = doc["numbers"].items;
  ASSERT_EQ(numbers.size(), 18u);
  for (const Json& number : numbers) checkAgainstLibrary(number);
  EXPECT_EQ(numbers[1]["line"].integer(), 1);
  EXPECT_EQ(numbers[1]["column"].integer(), 5);
  EXPECT_EQ(numbers[11]["line"].integer(), 2);
  EXPECT_EQ(numbers[0]["double"]["conversion"].text, "rounded");
  EXPECT_EQ(numbers[3]["double"]["conversion"].text, "exact");

  const Json& summary = doc["summary"];
  std::int64_t exact = 0, rounded = 0, over = 0, under = 0, nonInteger = 0;
  for (const Json& number : numbers) {
    const std::string& c = number["double"]["conversion"].text;
    exact += c == "exact";
    rounded += c == "rounded";
    over += c == "overflow";
    under += c == "underflow";
    nonInteger += !number["integer"].boolean;
  }
  EXPECT_EQ(summary["numbers"].integer(), 18);
  EXPECT_EQ(summary["exact"].integer(), exact);
  EXPECT_EQ(summary["rounded"].integer(), rounded);
  EXPECT_EQ(summary["overflowing"].integer(), over);
  EXPECT_EQ(summary["underflowing"].integer(), under);
  EXPECT_EQ(summary["non_integer"].integer(), nonInteger);
  EXPECT_EQ(summary["bad"].integer(), 0);

  ProgramRun sample = run({"--sample", "--json"});
  ASSERT_EQ(sample.status, 0);
  Json sampleDoc = parseJson(sample.out);
  EXPECT_EQ(sampleDoc["numbers"].items.size(), 19u);
  for (const Json& number : sampleDoc["numbers"].items) checkAgainstLibrary(number);
}

TEST(DecimalProgram, BadTokensAreReportedWithTheirPlaceAndTheRestGoesOn) {
  std::string input = "1 x2 3\n  4e; 5\n\t1.e5,+\n";
  ProgramRun r = run({"--json"}, tempFile("bad.txt", input));
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err,
            "<stdin>:1:3: bad token 'x2': not a number\n"
            "<stdin>:2:3: bad token '4e': not a number (no digit in the exponent)\n"
            "<stdin>:3:2: bad token '1.e5': not a number (no digit after the decimal point)\n"
            "<stdin>:3:7: bad token '+': not a number\n");
  Json doc = parseJson(r.out);
  EXPECT_EQ(doc["numbers"].items.size(), 3u);
  EXPECT_EQ(doc["summary"]["bad"].integer(), 4);

  std::string file = tempFile("named.txt", "7\n\n 1e99999999999999999999 8");
  ProgramRun named = run({"--color=never", file});
  EXPECT_EQ(named.status, 1);
  EXPECT_EQ(named.err, file + ":3:2: bad token '1e99999999999999999999': not a number (exponent outside the 64-bit range)\n");
  EXPECT_NE(named.out.find("2 numbers"), std::string::npos);
  EXPECT_NE(named.out.find("1 bad token"), std::string::npos);
}

TEST(DecimalProgram, UsageErrorsExitWithTwo) {
  for (auto args : std::vector<std::vector<std::string>>{
           {"--width=0"}, {"--color=rainbow"}, {"--bogus"}, {"--width"}}) {
    ProgramRun r = run(args);
    EXPECT_EQ(r.status, 2) << args[0];
    EXPECT_NE(r.err.find("--help"), std::string::npos);
    EXPECT_EQ(r.out, "");
  }
  ProgramRun missing = run({"--json", "/nonexistent/numbers.txt"});
  EXPECT_EQ(missing.status, 2);
  EXPECT_NE(missing.err.find("cannot open /nonexistent/numbers.txt"), std::string::npos);
  EXPECT_NO_THROW(parseJson(missing.out));  // still a whole document

  ProgramRun help = run({"--help"});
  EXPECT_EQ(help.status, 0);
  for (std::string_view word : {"--color=auto|always|never", "--width", "--json", "Exit status", "file:line:column"}) {
    EXPECT_NE(help.out.find(word), std::string::npos) << word;
  }
}

TEST(DecimalProgram, HostileValuesAreAnsweredAtOnce) {
  std::string digits(1000000, '3');
  std::string input = "1e-1000000000 1e1000000000 -1e9223372036854775807 " + digits + " 0." + digits + "\n";
  ProgramRun r = run({"--json"}, tempFile("hostile.txt", input));
  ASSERT_EQ(r.status, 0) << r.err;
  Json doc = parseJson(r.out);
  const auto& n = doc["numbers"].items;
  ASSERT_EQ(n.size(), 5u);
  EXPECT_EQ(n[0]["double"]["conversion"].text, "underflow");
  EXPECT_EQ(n[1]["double"]["conversion"].text, "overflow");
  EXPECT_TRUE(n[1]["fixed"].isNull());
  EXPECT_EQ(n[1]["fixed_length"].integer(), 1000000003);
  EXPECT_EQ(n[2]["float"]["conversion"].text, "overflow");
  EXPECT_EQ(n[3]["coefficient"].text, digits);
  EXPECT_EQ(n[3]["double"]["conversion"].text, "overflow");
  EXPECT_EQ(n[4]["double"]["value"].number(), 1.0 / 3.0);
  EXPECT_EQ(n[4]["double"]["conversion"].text, "rounded");
}

// A million numbers: the output is consumed as it comes, and the peak memory
// must not grow with the input (compared with a run a tenth the size).
TEST(DecimalProgram, AMillionNumbersStreamInFlatMemory) {
  auto numbers = [](int count) {
    std::string s;
    for (int i = 0; i < count; ++i) s += std::to_string(i % 9973) + "." + std::to_string(i % 97) + (i % 10 ? " " : "\n");
    return s;
  };
  std::string small = tempFile("small.txt", numbers(100000));
  std::string large = tempFile("large.txt", numbers(1000000));
  ProgramRun a = run({"--json", small}, "/dev/null", 4096);
  ProgramRun b = run({"--json", large}, "/dev/null", 4096);
  ASSERT_EQ(a.status, 0) << a.err;
  ASSERT_EQ(b.status, 0) << b.err;
  EXPECT_NE(b.out.find("\"summary\":{\"numbers\":1000000,"), std::string::npos) << b.out;
  EXPECT_GT(b.outBytes, 9 * a.outBytes);
  ProgramRun pretty = run({"--color=never", small}, "/dev/null", 4096);
  ASSERT_EQ(pretty.status, 0);
  EXPECT_NE(pretty.out.find("100000 numbers"), std::string::npos);
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "AddressSanitizer holds freed memory in quarantine; peak memory says nothing here";
#endif
  EXPECT_LT(b.maxRssKb, a.maxRssKb + 4096) << "small " << a.maxRssKb << " KiB, large " << b.maxRssKb << " KiB";
  EXPECT_LT(pretty.maxRssKb, a.maxRssKb + 4096);
}


// One token of ten megabytes costs about its own size once, in every
// format: the readers grow their buffers in place instead of doubling and
// copying (which passes through more than twice the token). The token is
// letters, so that no number is built and only the readers count.
TEST(DecimalProgram, ALongTokenCostsItsSizeOnce) {
  constexpr std::size_t kToken = 10'000'000;
  const std::string letters(kToken, 'x');
  struct Case {
    std::string name, small, large;
  };
  const std::vector<Case> cases = {
      {"text.txt", "xyz 1\n", letters + "\n"},
      {"cell.csv", "a\nxyz\n", "a\n" + letters + "\n"},
      {"line.jsonl", "{\"a\": \"xyz\"}\n", "{\"a\": \"" + letters + "\"}\n"},
  };
  for (const Case& c : cases) {
    ProgramRun small = run({tempFile("small-" + c.name, c.small)});
    ProgramRun large = run({tempFile("long-" + c.name, c.large)});
    EXPECT_EQ(small.status, large.status) << c.name << large.err;
#if !defined(__SANITIZE_ADDRESS__)
    EXPECT_LT(large.maxRssKb, small.maxRssKb + static_cast<long>(kToken * 13 / 10 / 1024))
        << c.name << ": small " << small.maxRssKb << " KiB, long " << large.maxRssKb << " KiB";
#endif
  }
}

// Output that cannot be written stops the program with status 2 and a
// message, whether standard output is closed, full or a pipe whose reader
// has gone while SIGPIPE is ignored.
TEST(DecimalProgram, UnwritableOutputIsAnError) {
  ProgramRun closed = run({"--sample"}, "/dev/null", std::string::npos,
                          [](posix_spawn_file_actions_t& a, int) { posix_spawn_file_actions_addclose(&a, 1); });
  EXPECT_EQ(closed.status, 2);
  EXPECT_NE(closed.err.find("cannot write the report"), std::string::npos) << closed.err;
  ProgramRun full = run({"--sample"}, "/dev/null", std::string::npos, [](posix_spawn_file_actions_t& a, int) {
    posix_spawn_file_actions_addopen(&a, 1, "/dev/full", O_WRONLY, 0);
  });
  EXPECT_EQ(full.status, 2);
  EXPECT_NE(full.err.find("No space left on device"), std::string::npos) << full.err;

  // A reader that is gone at once, with SIGPIPE ignored (inherited through exec).
  std::string numbers;
  for (int i = 0; i < 200000; ++i) numbers += std::to_string(i) + ".5\n";
  const std::string input = tempFile("pipe.txt", numbers);
  int gone[2];
  ASSERT_EQ(::pipe(gone), 0);
  ::close(gone[0]);
  auto previous = ::signal(SIGPIPE, SIG_IGN);
  ProgramRun broken = run({"--json", input}, "/dev/null", std::string::npos,
                          [&](posix_spawn_file_actions_t& a, int) { posix_spawn_file_actions_adddup2(&a, gone[1], 1); });
  ::signal(SIGPIPE, previous);
  ::close(gone[1]);
  EXPECT_EQ(broken.status, 2);
  EXPECT_NE(broken.err.find("Broken pipe"), std::string::npos) << broken.err;
}

// Numbers of a JSON document: each with its pointer, line and column, as
// the exact token, also as the last token before } and ].
TEST(DecimalProgram, JsonNumbersKeepTheirTextPointerAndPlace) {
  const std::string doc =
      "{\"id\": 12345678901234567890123,\n"
      " \"a/b~c\": [1e-400, {\"x\": [2.5e400,-0]}],\n"
      " \"tiny\": 4.9e-324, \"s\": \"7\", \"t\": true, \"n\": null, \"last\": 1.50}\n";
  ProgramRun r = run({"--by-number", "--json", tempFile("doc.json", doc)});
  ASSERT_EQ(r.status, 0) << r.err;
  const Json parsed = parseJson(r.out);
  const auto& n = parsed["numbers"].items;
  ASSERT_EQ(n.size(), 6u);
  const std::vector<std::tuple<std::string, std::string, int, int>> expected = {
      {"12345678901234567890123", "/id", 1, 8}, {"1e-400", "/a~1b~0c/0", 2, 12},
      {"2.5e400", "/a~1b~0c/1/x/0", 2, 27},      {"-0", "/a~1b~0c/1/x/1", 2, 35},
      {"4.9e-324", "/tiny", 3, 10},              {"1.50", "/last", 3, 60}};
  for (std::size_t i = 0; i < n.size(); ++i) {
    const auto& [text, pointer, line, column] = expected[i];
    EXPECT_EQ(n[i]["text"].text, text);
    EXPECT_EQ(n[i]["pointer"].text, pointer);
    EXPECT_EQ(n[i]["line"].integer(), line) << text;
    EXPECT_EQ(n[i]["column"].integer(), column) << text;
    checkAgainstLibrary(n[i]);
  }
  EXPECT_EQ(n[1]["double"]["conversion"].text, "underflow");
  EXPECT_EQ(n[2]["double"]["conversion"].text, "overflow");
  EXPECT_EQ(n[0]["unsigned"].isNull(), true);

  // Per field (the default for .json): indices fold to "*", strings are text.
  ProgramRun f = run({"--json", tempFile("doc2.json", doc)});
  ASSERT_EQ(f.status, 0) << f.err;
  std::map<std::string, Json> fields;
  const Json fDoc1 = parseJson(f.out);
  for (const Json& field : fDoc1["fields"].items) fields[field["field"].text] = field;
  EXPECT_EQ(fields["/a~1b~0c/*/x/*"]["numbers"].integer(), 2);
  EXPECT_EQ(fields["/s"]["text"].integer(), 1);
  EXPECT_EQ(fields["/s"]["recommendation"].text, "text");
  EXPECT_EQ(fields["/n"]["empty"].integer(), 1);
  EXPECT_EQ(fields["/id"]["recommendation"].text, "decimal(23,0)");
  EXPECT_EQ(fields["/last"]["recommendation"].text, "double");
  EXPECT_EQ(fields["/tiny"]["double"]["exact"].integer(), 0);
}

TEST(DecimalProgram, InvalidJsonIsReportedWithItsPlace) {
  ProgramRun r = run({"--json", "--format=jsonl", tempFile("bad.jsonl",
                                                            "{\"a\": 1}\n{\"a\": [2,, 3]}\n\n{\"a\": 4.5}\r\n{\"a\": 5} x\n")});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("bad.jsonl:2:"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("bad.jsonl:5:"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("invalid JSON"), std::string::npos) << r.err;
  Json doc = parseJson(r.out);
  EXPECT_EQ(doc["summary"]["problems"].integer(), 2);
  EXPECT_GE(doc["fields"].items[0]["numbers"].integer(), 2);  // lines 1 and 4 at least

  ProgramRun whole = run({"--json", tempFile("bad.json", "{\"a\": [1,\n 2 3]}")});
  EXPECT_EQ(whole.status, 1);
  EXPECT_NE(whole.err.find("bad.json:2:"), std::string::npos) << whole.err;
  ProgramRun number = run({"--json", "--by-number", tempFile("num.json", "[1.]")});
  EXPECT_EQ(number.status, 1);
  EXPECT_NE(number.err.find("num.json:1:2: bad token '1.'"), std::string::npos) << number.err;
}

TEST(DecimalProgram, CsvFollowsTheQuotingRules) {
  const std::string csv =
      "name,price,qty,zip\r\n"
      "\"Widget, large\",19.99,3,00501\r\n"
      "\"say \"\"hi\"\"\n twice\",.5,,02134\r\n"
      "plain,5.,7\r\n"
      "extra,1,2,3,4\r\n";
  ProgramRun r = run({"--json", tempFile("shop.csv", csv)});
  EXPECT_EQ(r.status, 1);  // the ragged rows
  EXPECT_NE(r.err.find("shop.csv:5: row has 3 fields, expected 4"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("shop.csv:6: row has 5 fields, expected 4"), std::string::npos) << r.err;
  std::map<std::string, Json> fields;
  const Json rDoc2 = parseJson(r.out);
  for (const Json& field : rDoc2["fields"].items) fields[field["field"].text] = field;
  EXPECT_EQ(fields["name"]["text"].integer(), 4);
  EXPECT_EQ(fields["price"]["numbers"].integer(), 2);
  EXPECT_EQ(fields["price"]["outside_grammar"].integer(), 2);
  EXPECT_EQ(fields["qty"]["empty"].integer(), 1);
  EXPECT_EQ(fields["zip"]["leading_zeros"].integer(), 2);
  EXPECT_EQ(fields["zip"]["recommendation"].text, "text");
  EXPECT_EQ(fields["#5"]["numbers"].integer(), 1);

  ProgramRun lenient = run({"--json", "--lenient", tempFile("shop2.csv", csv)});
  const Json lenientDoc3 = parseJson(lenient.out);
  for (const Json& field : lenientDoc3["fields"].items) {
    if (field["field"].text == "price") {
      EXPECT_EQ(field["numbers"].integer(), 4);
    }
  }
  ProgramRun headerOnly = run({"--json", tempFile("empty.csv", "a,b\r\n")});
  EXPECT_EQ(headerOnly.status, 0) << headerOnly.err;
  const Json emptyDoc = parseJson(headerOnly.out);
  const auto& empty = emptyDoc["fields"].items;
  ASSERT_EQ(empty.size(), 2u);
  EXPECT_EQ(empty[1]["field"].text, "b");
  EXPECT_EQ(empty[1]["recommendation"].text, "text");
  ProgramRun noHeader = run({"--json", "--no-header", "--format=tsv", tempFile("t.tab", "1\t2\n3\t4.5\n")});
  const Json colsDoc = parseJson(noHeader.out);
  const auto& cols = colsDoc["fields"].items;
  ASSERT_EQ(cols.size(), 2u);
  EXPECT_EQ(cols[0]["field"].text, "#1");
  EXPECT_EQ(cols[0]["recommendation"].text, "int8");
  ProgramRun open = run({"--json", tempFile("open.csv", "a\n\"never closed\n")});
  EXPECT_EQ(open.status, 1);
  EXPECT_NE(open.err.find("open.csv:2: quoted field not closed"), std::string::npos) << open.err;
}

// Random files of each format: the per-field facts agree with the standard
// json and csv modules reading the same files with Decimal.
TEST(DecimalProgram, FieldVerdictsAgreeWithAnIndependentReader) {
  if (std::system("python3 -c 'import decimal, json, csv' >/dev/null 2>&1") != 0) GTEST_SKIP() << "no python3";
  std::mt19937_64 rng(7);
  auto number = [&](int kind) {
    std::string s = rng() % 5 == 0 ? "-" : "";
    s += std::to_string(rng() % (kind == 0 ? 200 : 100000));
    if (kind == 1) s += "." + std::to_string(rng() % 100);
    if (kind == 2) s += "e" + std::to_string(static_cast<int>(rng() % 800) - 400);
    if (kind == 3) s = std::to_string(rng()) + std::to_string(rng() % 1000);
    return s;
  };
  std::string jsonl, csv = "small,money,wild,big,label\n", json = "{\"rows\":[";
  for (int i = 0; i < 3000; ++i) {
    std::string row[4] = {number(0), number(1), number(2), number(3)};
    jsonl += "{\"small\":" + row[0] + ",\"money\":" + row[1] + ",\"wild\":[" + row[2] + "," + row[0] +
             "],\"big\":" + row[3] + ",\"label\":" + (i % 7 ? "\"x\"" : "null") + "}\n";
    json += std::string(i ? "," : "") + "{\"v\":" + row[1 + i % 3] + "}";
    csv += row[0] + "," + row[1] + "," + row[2] + "," + (i % 11 ? row[3] : "0" + row[0]) + "," +
           (i % 5 ? "\"a,b\"" : "") + "\n";
  }
  json += "]}";
  for (const auto& [kind, content] : std::vector<std::pair<std::string, std::string>>{
           {"jsonl", jsonl}, {"json", json}, {"csv", csv}}) {
    SCOPED_TRACE(kind);
    const std::string path = tempFile("oracle." + kind, content);
    ProgramRun mine = run({"--json", "--by-field", path});
    ASSERT_LE(mine.status, 1) << mine.err;
    const std::string oracleOut = ::testing::TempDir() + "quire-decimal-facts.json";
    ASSERT_EQ(std::system(("python3 " QUIRE_DECIMAL_TESTS "/field_oracle.py " + kind + " " + path + " > " + oracleOut).c_str()), 0);
    const Json oracle = parseJson(readFile(oracleOut));
    const Json mineDoc = parseJson(mine.out);
    const auto& fields = mineDoc["fields"].items;
    ASSERT_EQ(fields.size(), oracle.fields.size());
    for (const Json& f : fields) {
      const std::string& name = f["field"].text;
      SCOPED_TRACE(name);
      const Json& o = oracle[name];
      for (const char* key : {"numbers", "text", "empty", "integers", "leading_zeros"}) {
        EXPECT_EQ(f[key].integer(), o[key].integer()) << key;
      }
      for (const char* key : {"exact", "rounded", "overflowing", "underflowing"}) {
        EXPECT_EQ(f["double"][key].integer(), o[key].integer()) << key;
      }
      if (f["numbers"].integer() == 0) continue;
      EXPECT_EQ(f["decimal"]["scale"].integer(), o["scale"].integer());
      EXPECT_EQ(f["decimal"]["precision"].integer(), std::max<std::int64_t>(1, o["places"].integer() + o["scale"].integer()));
      EXPECT_TRUE(libraryRead(f["min"].text) == libraryRead(o["min"].text)) << f["min"].text << " " << o["min"].text;
      EXPECT_TRUE(libraryRead(f["max"].text) == libraryRead(o["max"].text)) << f["max"].text << " " << o["max"].text;
      const bool allIntegers = o["integers"].integer() == o["numbers"].integer();
      EXPECT_EQ(bitsOf(f["signed"], "int"), allIntegers && !o["signed_none"].boolean ? o["signed"].integer() : 0);
      EXPECT_EQ(bitsOf(f["unsigned"], "uint"), allIntegers && !o["unsigned_none"].boolean ? o["unsigned"].integer() : 0);
    }
  }
}

}  // namespace
}  // namespace quire::decimal
