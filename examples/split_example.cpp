// Cutting text and other sequences into fields with quire::split: CSV-ish
// fields, words, camel case, kept delimiters, numbers, positions, and the
// first records of a stream read only as far as needed.
#include <cstdlib>
#include <iostream>
#include <ranges>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include <split/split.hpp>

namespace {

namespace qs = quire::split;

template <class R>
std::vector<std::string> fields(R&& range) {
  std::vector<std::string> out;
  for (auto&& f : range) out.emplace_back(f.begin(), f.end());
  return out;
}

void print(std::string_view title, const std::vector<std::string>& fs) {
  std::cout << title << ':';
  for (const std::string& f : fs) std::cout << " [" << f << ']';
  std::cout << '\n';
}

}  // namespace

int main() {
  bool ok = true;
  auto expect = [&](std::string_view title, const std::vector<std::string>& got,
                    const std::vector<std::string>& want) {
    print(title, got);
    ok = ok && got == want;
  };

  // CSV-ish: fields are views into the line, blank fields kept.
  const std::string line = "name,,42,";
  expect("csv", fields(qs::splitOn(",", line)), {"name", "", "42", ""});
  expect("records", fields(qs::endBy(";", "a;b;")), {"a", "b"});

  // Words: runs of blanks count as one, no blank ends.
  expect("words", fields(qs::wordsBy([](char c) { return c == ' '; }, "  to  be ")), {"to", "be"});
  expect("numbers", fields(qs::split(qs::dropBlanks(qs::dropDelims(qs::oneOf(" ,"))), "1, 2,,3")),
         {"1", "2", "3"});

  // Camel case: each capital letter starts a field.
  expect("camel", fields(qs::split(qs::startsWithOneOf("ABCDEFGHIJKLMNOPQRSTUVWXYZ"), "ACamelCaseString")),
         {"A", "Camel", "Case", "String"});

  // Delimiters kept, glued to the field before them.
  expect("sentences", fields(qs::split(qs::condense(qs::endsWithOneOf(".,?! ")), "Hi, there! How are you?")),
         {"Hi, ", "there! ", "How ", "are ", "you?"});

  // Any element type: owned vectors for a vector input.
  std::vector<std::vector<int>> runs;
  for (auto&& run : qs::splitWhen([](int x) { return x < 0; }, std::vector{1, 3, -4, 5, 7, -9, 0, 2})) {
    runs.push_back(run);
  }
  std::cout << "runs: " << runs.size() << '\n';
  ok = ok && runs == std::vector<std::vector<int>>{{1, 3}, {5, 7}, {0, 2}};

  // By position.
  expect("chunks", fields(qs::chunksOf(3, "abcdefgh")), {"abc", "def", "gh"});
  expect("places", fields(qs::splitPlaces({2, 0, 3}, "abcde")), {"ab", "", "cde"});
  expect("windows", fields(qs::divvy(3, 2, "abcdefg")), {"abc", "cde", "efg"});

  // A stream: the first three records, reading no further than they need.
  std::istringstream in("x;y;z;the rest is never read");
  expect("stream", fields(qs::splitOn(";", qs::streamChars(in)) | std::views::take(3)), {"x", "y", "z"});
  std::string rest(std::istreambuf_iterator<char>(in), {});
  std::cout << "left in the stream: " << rest << '\n';
  ok = ok && rest == "the rest is never read";

  // The chunks the engine works on, in their text form.
  std::cout << "chunks:";
  for (auto&& c : qs::splitInternal(qs::Delimiter<char>::sublist({','}), std::string_view("a,b"))) {
    std::cout << ' ' << qs::showsPrec(11, c);
  }
  std::cout << '\n';

  return ok ? EXIT_SUCCESS : EXIT_FAILURE;
}
