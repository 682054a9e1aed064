#include "apps/decimal/inspect.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <cstring>
#include <exception>
#include <system_error>

#include "apps/decimal/diagnostics.hpp"
#include "apps/decimal/json_reader.hpp"
#include "vellum/csv.hpp"
#include "base/descriptor_output.hpp"
#include "apps/decimal/tokenizer.hpp"

namespace quire::decimal {

namespace sci = quire::scientific;

namespace {

constexpr std::size_t kPeekBytes = 4096;

std::string reasonFor(std::string_view token, const sci::TextError& e) {
  std::string reason = "not a number";
  if (e.problem != sci::TextProblem::UnexpectedCharacter && e.problem != sci::TextProblem::NoDigits) {
    reason += " (";
    reason += sci::describe(e.problem);
    reason += ')';
  } else if (e.position > 0 && e.position < token.size()) {
    reason += " (unexpected character at offset " + std::to_string(e.position) + ")";
  }
  return reason;
}

// "#3" for the third column of a file without a name for it.
std::string columnName(const std::vector<std::string>& names, std::size_t k) {
  if (k < names.size() && !names[k].empty()) return names[k];
  std::string name(1, '#');
  name += std::to_string(k + 1);
  return name;
}

std::string_view trimSpaces(std::string_view s) {
  while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  return s;
}

}  // namespace

class Inspector::JsonHandler final : public JsonSink {
 public:
  JsonHandler(Inspector& inspector, std::string_view source) : inspector_(inspector), source_(source) {}
  void jsonNumber(std::string_view text, std::int64_t line, std::int64_t column, std::string_view pointer,
                  std::string_view field) override {
    inspector_.token(Location{source_, line, column, pointer}, text, inspector_.fieldNamed(field));
  }
  void jsonOther(std::string_view field, bool isNull) override {
    inspector_.fields_[inspector_.fieldNamed(field)].addOther(isNull ? NonNumber::Empty : NonNumber::Text, "a string");
  }
  void jsonError(std::int64_t line, std::int64_t column, std::string_view message) override {
    inspector_.problem(source_, line, column, "invalid JSON: " + std::string(message));
  }
  bool wantsPointers() const override { return !inspector_.options_.byField; }

 private:
  Inspector& inspector_;
  std::string_view source_;
};

Inspector::Inspector(Reporter& reporter, const InspectOptions& options, std::FILE* errors)
    : reporter_(reporter), options_(options), errors_(errors),
      analyzer_(options.lenient ? sci::Leniency::Points : sci::Leniency::Strict) {}

Inspector::~Inspector() = default;

std::size_t Inspector::fieldNamed(std::string_view name) {
  const std::size_t mix =
      name.empty() ? 0 : name.size() * 31 + static_cast<unsigned char>(name.back()) * 7 +
                             static_cast<unsigned char>(name[name.size() / 2]);
  Recent& recent = recent_[mix % recent_.size()];
  if (recent.index != static_cast<std::size_t>(-1) && recent.name == name) return recent.index;
  std::size_t index;
  if (auto it = fieldIndex_.find(name); it != fieldIndex_.end()) {
    index = it->second;
  } else {
    fields_.emplace_back(std::string(name));
    index = fields_.size() - 1;
    fieldIndex_.emplace(std::string(name), index);
  }
  recent.name.assign(name);
  recent.index = index;
  return index;
}

void Inspector::bad(const Location& where, std::string_view token, const sci::TextError& error) {
  ++tally_.bad;
  if (options_.interleave) reporter_.flush();
  std::string message = badTokenMessage(where, token, reasonFor(token, error));
  message += '\n';
  std::fputs(message.c_str(), errors_);
}

void Inspector::problem(std::string_view source, std::int64_t line, std::int64_t column, std::string_view message) {
  ++tally_.problems;
  if (options_.interleave) reporter_.flush();
  std::string text(source);
  text += ':' + std::to_string(line);
  if (column > 0) text += ':' + std::to_string(column);
  text += ": ";
  text += message;
  text += '\n';
  std::fputs(text.c_str(), errors_);
}

void Inspector::trouble(const std::string& message) {
  unreadable_ = true;
  if (options_.interleave) reporter_.flush();
  std::string line = "quire-decimal: " + message + "\n";
  std::fputs(line.c_str(), errors_);
}

void Inspector::count(const NumberFacts& facts, const Location& where, std::size_t field) {
  tally_.add(facts);
  if (options_.byField) {
    fields_[field].addNumber(facts);
  } else {
    reporter_.number(where, facts);
  }
}

// Runs f, reporting a value the libraries refuse (an error other than
// memory or output) like a bad token rather than ending the run.
template <class F>
void Inspector::guarded(const Location& where, std::string_view text, F&& f) {
  try {
    f();
  } catch (const std::bad_alloc&) {
    throw;
  } catch (const OutputError&) {
    throw;
  } catch (const std::exception& e) {
    ++tally_.bad;
    std::fputs((badTokenMessage(where, text, e.what()) + "\n").c_str(), errors_);
  }
}

void Inspector::token(const Location& where, std::string_view text, std::size_t field) {
  guarded(where, text, [&] {
    auto result = analyzer_.analyze(text, !options_.byField);
    if (auto* error = std::get_if<sci::TextError>(&result)) {
      bad(where, text, *error);
      return;
    }
    count(*std::get<const NumberFacts*>(result), where, field);
  });
}

void Inspector::cell(const Location& where, std::string_view text, std::size_t field) {
  const std::string_view trimmed = trimSpaces(text);
  guarded(where, trimmed, [&] {
    auto result = analyzer_.analyze(trimmed, !options_.byField);
    if (auto* error = std::get_if<sci::TextError>(&result)) {
      fields_[field].addOther(classifyNonNumber(trimmed, error->problem), trimmed);
      return;
    }
    count(*std::get<const NumberFacts*>(result), where, field);
  });
}

void Inspector::inspectTokens(std::string_view source, InputSource& input) {
  TokenReader reader(input);
  const std::size_t field = fieldNamed("");
  while (auto t = reader.next()) {
    Location where{source, t->line, t->column, {}};
    if (t->tooLong) {
      ++tally_.bad;
      std::fputs((badTokenMessage(where, t->text, "longer than " + std::to_string(TokenReader::maxTokenBytes) +
                                                      " bytes") + "\n").c_str(),
                 errors_);
      continue;
    }
    token(where, t->text, field);
  }
}

void Inspector::inspectCsv(std::string_view source, InputSource& input, char separator) {
  vellum::CsvReader reader([&input](char* into, std::size_t bytes) { return input.read(into, bytes); }, separator);
  std::vector<vellum::CsvCell> row;
  std::vector<std::size_t> columns;  // field index per column
  std::vector<std::string> names;
  bool first = true;
  std::size_t expected = 0;
  while (reader.next(row)) {
    if (first) {
      first = false;
      expected = row.size();
      if (options_.header) {
        for (const vellum::CsvCell& c : row) names.emplace_back(c.text);
        continue;
      }
    }
    if (row.size() != expected) {
      problem(source, reader.rowLine(), 0,
              "row has " + std::to_string(row.size()) + (row.size() == 1 ? " field" : " fields") + ", expected " +
                  std::to_string(expected));
    }
    for (std::size_t i = 0; i < row.size(); ++i) {
      while (columns.size() <= i) {
        const std::size_t k = columns.size();
        columns.push_back(fieldNamed(columnName(names, k)));
      }
      Location where{source, row[i].line, row[i].column, fields_[columns[i]].name};
      cell(where, row[i].text, columns[i]);
    }
  }
  // A header with no rows still names its columns.
  for (std::size_t k = columns.size(); k < names.size(); ++k) fieldNamed(columnName(names, k));
  if (reader.unterminatedQuoteLine() != 0) {
    problem(source, reader.unterminatedQuoteLine(), 0, "quoted field not closed before the end of the input");
  }
}

void Inspector::inspect(std::string_view source, InputSource& input, Format format) {
  try {
    if (format == Format::Auto) format = guessFormat(input.peek(kPeekBytes));
    switch (format) {
      case Format::Auto:
      case Format::Text: inspectTokens(source, input); break;
      case Format::Json: {
        JsonHandler handler(*this, source);
        readJsonDocument(input, handler);
        break;
      }
      case Format::JsonLines: {
        JsonHandler handler(*this, source);
        readJsonLines(input, handler);
        break;
      }
      case Format::Csv: inspectCsv(source, input, ','); break;
      case Format::Tsv: inspectCsv(source, input, '\t'); break;
    }
  } catch (const std::system_error& e) {
    trouble("cannot read " + std::string(source) + ": " + e.code().message());
  }
}

void Inspector::inspectText(std::string_view source, std::string_view text) {
  TokenReader reader(text);
  const std::size_t field = fieldNamed("");
  while (auto t = reader.next()) token(Location{source, t->line, t->column, {}}, t->text, field);
}

void Inspector::inspectDescriptor(std::string_view source, int fd, Format format) {
  InputSource input(fd);
  inspect(source, input, format);
}

void Inspector::inspectFile(const std::string& path, Format format) {
  if (format == Format::Auto) format = formatFromName(path).value_or(Format::Auto);
  if (path == "-") {
    inspectDescriptor("<stdin>", STDIN_FILENO, format);
    return;
  }
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    trouble("cannot open " + path + ": " + std::strerror(errno));
    return;
  }
  inspectDescriptor(path, fd, format);
  ::close(fd);
}

int Inspector::finish() {
  reporter_.finish(tally_, options_.byField ? &fields_ : nullptr);
  if (unreadable_) return exitUsage;
  return tally_.bad + tally_.problems > 0 ? exitBadToken : exitOk;
}

}  // namespace quire::decimal
