// Prints its embedded greeting and whatever has been injected into its
// dummy space.
#include <iostream>

#include "embedded/GREETING.hpp"
#include "embedded/STAMP.hpp"

int main() {
  std::cout << embedded::GREETING() << "stamp: " << embedded::STAMP() << '\n';
  return embedded::GREETING().empty() ? 1 : 0;
}
