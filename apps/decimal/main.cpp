// quire-decimal: what happens to each decimal number of the input when it is
// loaded into a double, a float or a fixed-width integer. See --help.
#include <unistd.h>

#include <cstdio>
#include <memory>
#include <span>

#include "apps/decimal/inspect.hpp"
#include "apps/decimal/json_writer.hpp"
#include "apps/decimal/options.hpp"
#include "base/descriptor_output.hpp"
#include "apps/decimal/report.hpp"
#include "apps/decimal/sample.hpp"
#include "apps/decimal/terminal.hpp"

using namespace quire::decimal;
using quire::DescriptorOutput;
using quire::OutputError;

namespace {

constexpr std::string_view kReport = "the report";

// Per field unless asked otherwise, when every input is structured.
bool perField(const Options& options) {
  if (options.byField) return *options.byField;
  if (options.sample || options.files.empty()) {
    return options.format != Format::Auto && options.format != Format::Text;
  }
  for (const std::string& file : options.files) {
    Format f = options.format != Format::Auto ? options.format : formatFromName(file).value_or(Format::Text);
    if (f == Format::Text) return false;
  }
  return true;
}

std::unique_ptr<Reporter> makeReporter(const Options& options, DescriptorOutput& out, bool byField) {
  if (options.json) return std::make_unique<JsonReporter>(out, byField);
  Presentation p = choosePresentation(options);
  return std::make_unique<PrettyReporter>(out, p.width, p.color);
}

int run(const Options& options) {
  DescriptorOutput::checkWritable(STDOUT_FILENO, kReport);
  DescriptorOutput out(STDOUT_FILENO, kReport);
  InspectOptions inspect;
  inspect.byField = perField(options);
  inspect.lenient = options.lenient;
  inspect.header = options.header;
  inspect.interleave = ::isatty(STDERR_FILENO) == 1;
  auto reporter = makeReporter(options, out, inspect.byField);
  Inspector inspector(*reporter, inspect, stderr);
  bool stdinIsTerminal = ::isatty(STDIN_FILENO) == 1;
  if (options.sample || (options.files.empty() && stdinIsTerminal)) {
    inspector.inspectText("sample", sampleText());
  }
  for (const std::string& file : options.files) inspector.inspectFile(file, options.format);
  if (options.files.empty() && !stdinIsTerminal && !options.sample) {
    inspector.inspectDescriptor("<stdin>", STDIN_FILENO, options.format);
  }
  return inspector.finish();
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
  try {
    if (options.help) {
      DescriptorOutput::checkWritable(STDOUT_FILENO, kReport);
      DescriptorOutput out(STDOUT_FILENO, kReport);
      out.append(helpText());
      out.flush();
      return exitOk;
    }
    return run(options);
  } catch (const OutputError& e) {
    std::fprintf(stderr, "quire-decimal: %s\n", e.what());
    return exitUsage;
  }
}
