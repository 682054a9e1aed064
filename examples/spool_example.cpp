// Accumulating output with quire::spool: build a report out of order with
// constant-time prepends, appends and joins, then turn it into a vector once.
#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include <spool/combine.hpp>
#include <spool/fold.hpp>
#include <spool/spool.hpp>
#include <spool/text.hpp>

namespace sp = quire::spool;

static bool check(bool ok, const char* what) {
  if (!ok) std::cerr << "spool_example: unexpected result: " << what << '\n';
  return ok;
}

int main() {
  using sp::Spool;
  // Lines arrive body first; the header is known only at the end.
  Spool<std::string> body;
  for (int i = 1; i <= 3; ++i) body = sp::snoc(std::move(body), "item " + std::to_string(i));
  Spool<std::string> report = sp::cons("header", sp::snoc(body, "footer"));
  Spool<std::string> twice = sp::intercalate(sp::singleton<std::string>("--"), {report, report});

  for (const std::string& line : sp::toList(report)) std::cout << line << '\n';
  std::cout << sp::show(sp::fromList({1, 2, 3})) << '\n';   // fromList [1,2,3]

  // A loop of snocs onto a spool nobody else holds is as cheap as push_back.
  Spool<int> numbers;
  for (int i = 0; i < 1000; ++i) numbers = sp::snoc(std::move(numbers), i);

  bool ok = true;
  ok &= check(sp::length(twice) == 11, "length of the joined report");
  ok &= check(sp::head(report) == "header", "head");
  ok &= check(sp::toList(body).size() == 3, "shared body unchanged");
  ok &= check(sp::sum(numbers) == 499500, "sum");
  ok &= check(sp::read<Spool<int>>("fromList [1,2,3]") == sp::fromList({1, 2, 3}), "read");
  try {
    (void)sp::head(Spool<int>());
    ok = false;
  } catch (const quire::Error& e) {
    ok &= check(std::string(e.what()) == "Data.Spool.head: empty Spool", "head message");
  }
  return ok ? EXIT_SUCCESS : EXIT_FAILURE;
}
