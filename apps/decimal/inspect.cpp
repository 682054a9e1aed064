#include "apps/decimal/inspect.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <cstring>
#include <exception>
#include <system_error>

#include "apps/decimal/diagnostics.hpp"

namespace quire::decimal {

namespace {

std::string_view reasonFor(ScanError e) {
  switch (e) {
    case ScanError::NotANumber: return "not a number";
    case ScanError::ExponentOutOfRange: return "exponent outside the 64-bit range";
  }
  return "not a number";
}

}  // namespace

void Inspector::bad(const Location& where, std::string_view token, std::string_view reason) {
  ++tally_.bad;
  if (interleave_) reporter_.flush();
  std::string message = badTokenMessage(where, token, reason);
  message += '\n';
  std::fputs(message.c_str(), errors_);
}

void Inspector::trouble(const std::string& message) {
  unreadable_ = true;
  if (interleave_) reporter_.flush();
  std::string line = "quire-decimal: " + message + "\n";
  std::fputs(line.c_str(), errors_);
}

void Inspector::inspect(std::string_view source, TokenReader& reader) {
  try {
    while (auto token = reader.next()) {
      Location where{source, token->line, token->column};
      if (token->tooLong) {
        bad(where, token->text, "longer than " + std::to_string(TokenReader::maxTokenBytes) + " bytes");
        continue;
      }
      try {
        auto result = analyzer_.analyze(token->text);
        if (auto* error = std::get_if<ScanError>(&result)) {
          bad(where, token->text, reasonFor(*error));
          continue;
        }
        const NumberFacts& facts = *std::get<const NumberFacts*>(result);
        tally_.add(facts);
        reporter_.number(where, facts);
      } catch (const std::bad_alloc&) {
        throw;
      } catch (const std::exception& e) {
        // A value the libraries refuse (for instance a power of ten beyond
        // their limit) is reported like a bad token rather than ending the run.
        bad(where, token->text, e.what());
      }
    }
  } catch (const std::system_error& e) {
    trouble("cannot read " + std::string(source) + ": " + e.code().message());
  }
}

void Inspector::inspectText(std::string_view source, std::string_view text) {
  TokenReader reader(text);
  inspect(source, reader);
}

void Inspector::inspectDescriptor(std::string_view source, int fd) {
  TokenReader reader(fd);
  inspect(source, reader);
}

void Inspector::inspectFile(const std::string& path) {
  if (path == "-") {
    inspectDescriptor("<stdin>", STDIN_FILENO);
    return;
  }
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    trouble("cannot open " + path + ": " + std::strerror(errno));
    return;
  }
  inspectDescriptor(path, fd);
  ::close(fd);
}

int Inspector::finish() {
  reporter_.finish(tally_);
  if (unreadable_) return exitUsage;
  return tally_.bad > 0 ? exitBadToken : exitOk;
}

}  // namespace quire::decimal
