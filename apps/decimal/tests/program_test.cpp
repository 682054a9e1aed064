// End-to-end tests of the quire-decimal executable: golden output, JSON
// checked against the libraries, bad tokens and exit statuses, hostile
// values, and a million numbers streamed in flat memory.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
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
ProgramRun run(std::vector<std::string> args, const std::string& stdinPath = "/dev/null",
        std::size_t outCap = std::string::npos) {
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
  posix_spawn_file_actions_adddup2(&actions, outPipe[1], 1);
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

}  // namespace
}  // namespace quire::decimal
