// quire-decimal: what happens to each decimal number of the input when it is
// loaded into a double, a float or a fixed-width integer. See --help.
#include <unistd.h>

#include <cstdio>
#include <iostream>
#include <memory>
#include <span>

#include "apps/decimal/inspect.hpp"
#include "apps/decimal/json_writer.hpp"
#include "apps/decimal/options.hpp"
#include "apps/decimal/report.hpp"
#include "apps/decimal/sample.hpp"
#include "apps/decimal/terminal.hpp"

using namespace quire::decimal;

namespace {

std::unique_ptr<Reporter> makeReporter(const Options& options) {
  if (options.json) return std::make_unique<JsonReporter>(stdout);
  Presentation p = choosePresentation(options);
  return std::make_unique<PrettyReporter>(std::cout, p.width, p.color);
}

}  // namespace

int main(int argc, char** argv) {
  auto parsed = parseOptions(std::span<const char* const>(argv, static_cast<std::size_t>(argc)));
  if (auto* error = std::get_if<UsageError>(&parsed)) {
    std::fprintf(stderr, "quire-decimal: %s\nTry 'quire-decimal --help' for more information.\n",
                 error->message.c_str());
    return exitUsage;
  }
  const Options& options = std::get<Options>(parsed);
  if (options.help) {
    std::fputs(helpText().c_str(), stdout);
    return exitOk;
  }
  std::ios::sync_with_stdio(false);
  auto reporter = makeReporter(options);
  Inspector inspector(*reporter, stderr, ::isatty(STDERR_FILENO) == 1);
  bool stdinIsTerminal = ::isatty(STDIN_FILENO) == 1;
  if (options.sample || (options.files.empty() && stdinIsTerminal)) {
    inspector.inspectText("sample", sampleText());
  }
  for (const std::string& file : options.files) inspector.inspectFile(file);
  if (options.files.empty() && !stdinIsTerminal && !options.sample) {
    inspector.inspectDescriptor("<stdin>", STDIN_FILENO);
  }
  return inspector.finish();
}
