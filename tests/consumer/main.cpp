// Uses quire from another project: reads a decimal, converts it, lays it
// out, and formats it with {fmt} where that is installed.
#include <galley/galley.hpp>
#include <scientific/convert.hpp>
#include <scientific/format.hpp>
#include <scientific/parse.hpp>
#include <scientific/scientific.hpp>

#ifdef CONSUMER_WITH_FMT
#include <galley/fmt.hpp>
#include <scientific/fmt.hpp>
#endif

#include <cstdio>
#include <cstdlib>
#include <string>

int main() {
  namespace sci = quire::scientific;
  namespace pp = quire::galley;
  auto value = sci::read<sci::Scientific>("2.50e3");
  if (!value || sci::show(*value) != "2500.0") return EXIT_FAILURE;
  auto asInt = sci::toBoundedInteger<int>(*value);
  if (!asInt || *asInt != 2500) return EXIT_FAILURE;
  std::string out = pp::displayS(pp::renderPretty(
      1.0f, 80, pp::text("value") + pp::text(" = ") + pp::text(sci::show(*value))));
  if (out != "value = 2500.0") return EXIT_FAILURE;
  std::puts(out.c_str());

#ifdef CONSUMER_WITH_FMT
  if (fmt::format("{:.2f}", sci::Scientific(12346, -3)) != "12.35") return EXIT_FAILURE;
  pp::Doc doc = pp::group(pp::above(pp::text("hello"), pp::text("world")));
  if (fmt::format("{} / {:8}", doc, doc) != "hello world / hello\nworld") return EXIT_FAILURE;
  std::puts(fmt::format("{:>10.1e}", *value).c_str());
#endif
  return EXIT_SUCCESS;
}
