// quire-inject: writes a payload file into the dummy space of a built
// program.
//
//   quire-inject [--suffix S] [--output FILE] PAYLOAD PROGRAM
//
// Without --output the program is rewritten in place (through a temporary
// file renamed over it, so it is never left half written). The suffix picks
// the area reserved with the same SUFFIX in quire_dummy_space.
#include <cstring>
#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include "stowage/inject.hpp"
#include "stowage/internal/files.hpp"

namespace {

constexpr const char* usage =
    "usage: quire-inject [--suffix S] [--output FILE] PAYLOAD PROGRAM\n"
    "Writes the bytes of PAYLOAD into the dummy space of PROGRAM (marker \"vq\" + S,\n"
    "S defaults to KZ), in place or into FILE.\n";

int fail(const std::string& message) {
  std::cerr << "quire-inject: " << message << '\n';
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  std::string suffix(quire::stowage::defaultSuffix);
  std::string output;
  std::vector<std::string> files;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      std::cout << usage;
      return 0;
    }
    if (arg == "--suffix" || arg == "--output" || arg == "-o") {
      if (i + 1 == argc) return fail("missing value after " + arg);
      (arg == "--suffix" ? suffix : output) = argv[++i];
    } else if (arg == "--") {
      for (++i; i < argc; ++i) files.emplace_back(argv[i]);
    } else if (arg.size() > 1 && arg[0] == '-') {
      return fail("unknown option " + arg + "\n" + usage);
    } else {
      files.push_back(arg);
    }
  }
  if (files.size() != 2) {
    std::cerr << usage;
    return 2;
  }
  if (output.empty()) output = files[1];
  try {
    const std::string payload = quire::stowage::detail::readWholeFile(files[0]);
    quire::stowage::injectFileWith(suffix, payload, files[1], output);
    return 0;
  } catch (const std::exception& e) {
    return fail(e.what());
  }
}
