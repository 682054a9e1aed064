// Uses an installed quire: reads a decimal, converts it, lays it out.
#include <galley/galley.hpp>
#include <scientific/convert.hpp>
#include <scientific/format.hpp>
#include <scientific/parse.hpp>
#include <scientific/scientific.hpp>

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
  return EXIT_SUCCESS;
}
