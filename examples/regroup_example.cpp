// Rearranging nested results with quire::regroup instead of writing out the
// case analysis: pairs, two-way alternatives, tagged values and tuples.
#include <cstdlib>
#include <iostream>
#include <string>
#include <tuple>
#include <utility>
#include <variant>

#include <regroup/regroup.hpp>

namespace rg = quire::regroup;

int main() {
  // ((name, age), city) -> (name, (age, city)) and back.
  std::pair<std::pair<std::string, int>, std::string> nested{{"ada", 36}, "london"};
  auto right = rg::regroup(nested);
  std::cout << right.first << " / " << right.second.first << " / " << right.second.second << '\n';

  // A parse result: (error or warning) or value, regrouped to error or (warning or value).
  using Result = std::variant<std::variant<std::string, int>, double>;
  auto regrouped = rg::regroup(Result(std::in_place_index<1>, 2.5));
  std::cout << "value lands in alternative " << regrouped.index() << '.'
            << std::get<1>(regrouped).index() << '\n';   // 1.1

  auto swapped = rg::swap(std::tuple{1, std::string("b"), 'c'});   // (1, 'c', "b")

  bool ok = rg::unregroup(right) == nested && std::get<1>(std::get<1>(regrouped)) == 2.5 &&
            std::get<1>(swapped) == 'c' && rg::swap(rg::swap(std::pair{1, 2})) == std::pair{1, 2};
  if (!ok) std::cerr << "regroup_example: unexpected result\n";
  return ok ? EXIT_SUCCESS : EXIT_FAILURE;
}
