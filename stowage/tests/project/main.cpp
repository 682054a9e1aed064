// Checks each embedded value against the files read at run time, and prints
// a dummy area on request.
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "embedded/AREA_A.hpp"
#include "embedded/AREA_B.hpp"
#include "embedded/AREA_DEFAULT.hpp"
#include "embedded/BIG.hpp"
#include "embedded/EMPTY.hpp"
#include "embedded/LATER.hpp"
#include "embedded/LISTING.hpp"
#include "embedded/ONE.hpp"
#include "embedded/ONE_TEXT.hpp"
#include "embedded/PRESENT.hpp"
#include "embedded/SMALL.hpp"
#include "embedded/TEXT.hpp"
#include "embedded/TREE.hpp"
#include "stowage/embed.hpp"

int otherUnit();

namespace {

std::string slurp(const std::string& name) {
  std::ifstream in(std::string(DATA_DIR) + "/" + name, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

int failures = 0;

void expect(bool ok, const char* what) {
  if (!ok) {
    std::cerr << "probe: wrong " << what << '\n';
    ++failures;
  }
}

int check() {
  expect(embedded::SMALL().view() == slurp("small.bin"), "SMALL");
  expect(embedded::SMALL().data() == embedded::SMALL().data(), "SMALL storage (copied)");
  expect(embedded::BIG().view() == slurp("big.bin"), "BIG");
  expect(embedded::EMPTY().empty(), "EMPTY");
  expect(embedded::PRESENT() && embedded::PRESENT()->view() == slurp("small.bin"), "PRESENT");
  expect(embedded::ONE().view() == slurp("text.txt"), "ONE");
  expect(probe::texts::TEXT().view() == slurp("text.txt"), "TEXT");
  expect(embedded::ONE_TEXT() == probe::texts::TEXT(), "ONE_TEXT");
  expect(embedded::TREE() == quire::stowage::getDir(std::string(DATA_DIR) + "/tree"), "TREE");
  std::vector<std::string> names;
  for (const auto& [name, bytes] : embedded::TREE()) names.push_back(name);
  expect(names == embedded::LISTING(), "LISTING");
  for (const auto& n : names) std::cout << n << '\n';
  return failures == 0 && otherUnit() == 42 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string mode = argc > 1 ? argv[1] : "check";
  if (mode == "check") return check();
  if (mode == "later") {
    std::cout << (embedded::LATER() ? embedded::LATER()->toString() : "absent") << '\n';
    return 0;
  }
  if (mode == "areas") {
    std::cout << "A=" << embedded::AREA_A() << "\nB=" << embedded::AREA_B()
              << "\nD=" << embedded::AREA_DEFAULT() << '\n';
    return 0;
  }
  return 2;
}
