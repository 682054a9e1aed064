// stowage: data built into a program, and data stamped into it afterwards.
//
// The build embeds stowage/README.md and the listing of stowage/tools/, and
// reserves a 64-byte dummy space with the suffix "EX". The example stamps a
// copy of itself with injectFileWith, runs the copy, and checks that the
// copy reads the stamp back; it also shows the in-memory operations.
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <string>
#include <unistd.h>

#include "embedded/README.hpp"
#include "embedded/STAMP.hpp"
#include "embedded/TOOLS.hpp"
#include "stowage/stowage.hpp"

namespace st = quire::stowage;

namespace {

int failures = 0;

void check(bool ok, const char* what) {
  std::cout << (ok ? "ok   " : "FAIL ") << what << '\n';
  if (!ok) ++failures;
}

std::string run(const std::string& command) {
  std::string out;
  if (FILE* p = ::popen(command.c_str(), "r")) {
    char buf[256];
    while (std::fgets(buf, sizeof buf, p) != nullptr) out += buf;
    ::pclose(p);
  }
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1 && std::string(argv[1]) == "--stamp") {
    std::cout << embedded::STAMP();
    return 0;
  }

  // Embedded at build time: no file is read here.
  check(embedded::README().view().starts_with("# stowage"), "README.md is embedded");
  check(embedded::TOOLS() == std::vector<std::string>{"generator.cpp", "inject_main.cpp"},
        "the listing of tools/ is sorted");
  check(embedded::STAMP() == quire::Bytes(std::string(64, '0')), "a fresh dummy space holds '0' bytes");

  // The area layout, in memory.
  quire::Bytes area = st::dummySpaceWith("EX", 8);
  std::optional<quire::Bytes> stamped = st::injectWith("EX", "v1.2", area.view());
  check(stamped && st::getInner(stamped->slice(4, 100)) == quire::Bytes(std::string_view("v1.2")),
        "injectWith then getInner gives the payload back");
  check(!st::injectWith("EX", "too long for it", area.view()), "a payload over the capacity is refused");

  // Stamp a copy of this program and ask the copy for its stamp.
  namespace fs = std::filesystem;
  const fs::path copy = fs::temp_directory_path() / ("stowage-example-" + std::to_string(::getpid()));
  st::injectFileWith("EX", "build 7 for ACME", "/proc/self/exe", copy);
  check(run(copy.string() + " --stamp") == "build 7 for ACME", "the stamped copy reads its stamp");
  fs::remove(copy);

  check(st::stringToBs(U"caf\u00e9") == quire::Bytes(std::string_view("caf\xe9")), "stringToBs keeps low bytes");
  return failures == 0 ? 0 : 1;
}
