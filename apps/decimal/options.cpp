#include "apps/decimal/options.hpp"

#include <CLI/CLI.hpp>

#include <charconv>
#include <string_view>

namespace quire::decimal {

namespace {

std::optional<ColorMode> colorMode(std::string_view s) {
  if (s == "auto") return ColorMode::Auto;
  if (s == "always") return ColorMode::Always;
  if (s == "never") return ColorMode::Never;
  return std::nullopt;
}

std::optional<Format> formatNamed(std::string_view s) {
  if (s == "auto") return Format::Auto;
  if (s == "text") return Format::Text;
  if (s == "json") return Format::Json;
  if (s == "jsonl") return Format::JsonLines;
  if (s == "csv") return Format::Csv;
  if (s == "tsv") return Format::Tsv;
  return std::nullopt;
}

std::optional<int> widthValue(std::string_view s) {
  int v = 0;
  auto [end, error] = std::from_chars(s.data(), s.data() + s.size(), v);
  if (error != std::errc() || end != s.data() + s.size() || v < 1 || v > maxWidth) return std::nullopt;
  return v;
}

}  // namespace

std::variant<Options, UsageError> parseOptions(std::span<const char* const> args) {
  Options options;
  CLI::App app("quire-decimal");
  app.set_help_flag();  // --help is ours: it prints helpText()
  app.allow_extras(false);
  std::optional<std::string> color, width, format;
  bool byField = false, byNumber = false, noHeader = false;
  app.add_flag("-h,--help", options.help)->disable_flag_override();
  app.add_flag("--json", options.json)->disable_flag_override();
  app.add_flag("--sample", options.sample)->disable_flag_override();
  app.add_flag("--by-field", byField)->disable_flag_override();
  app.add_flag("--by-number", byNumber)->disable_flag_override();
  app.add_flag("--lenient", options.lenient)->disable_flag_override();
  app.add_flag("--no-header", noHeader)->disable_flag_override();
  app.add_option("--color,--colour", color);
  app.add_option("-w,--width", width);
  app.add_option("--format", format);
  app.add_option("files", options.files);
  try {
    std::vector<std::string> rest;
    for (std::size_t i = args.size(); i-- > 1;) rest.emplace_back(args[i]);  // CLI11 reads them in reverse
    app.parse(rest);
  } catch (const CLI::ParseError& e) {
    std::string message = e.what();
    if (message.starts_with("The following argument was not expected: ") ||
        message.starts_with("The following arguments were not expected: ")) {
      message = "unknown option '" + message.substr(message.find(": ") + 2) + "'";
    }
    return UsageError{message};
  }
  if (color) {
    auto mode = colorMode(*color);
    if (!mode) return UsageError{"--color takes auto, always or never, not '" + *color + "'"};
    options.color = *mode;
  }
  if (width) {
    auto w = widthValue(*width);
    if (!w) return UsageError{"--width takes a number from 1 to " + std::to_string(maxWidth) + ", not '" + *width + "'"};
    options.width = *w;
  }
  if (format) {
    auto f = formatNamed(*format);
    if (!f) return UsageError{"--format takes auto, text, json, jsonl, csv or tsv, not '" + *format + "'"};
    options.format = *f;
  }
  if (byField && byNumber) return UsageError{"--by-field and --by-number exclude each other"};
  if (byField || byNumber) options.byField = byField;
  options.header = !noHeader;
  return options;
}

std::string helpText() {
  return R"(Usage: quire-decimal [OPTIONS] [FILE...]

Reports what happens to the decimal numbers of the input when they are loaded
into the usual machine types: which values lose precision as a double or a
float, overflow to infinity or underflow to zero, which integer types can
hold them and, per field of a JSON, JSON Lines or CSV file, which type to
load the field into.

Input
  The named files, in order ("-" is standard input), or standard input when
  no file is named. With no file and standard input a terminal, a built-in
  sample of interesting values is shown instead.
  --format=auto|text|json|jsonl|csv|tsv
      auto (the default) decides by the file's extension (.json, .jsonl or
      .ndjson, .csv, .tsv), then by content ('{' or '[' first: JSON, or JSON
      Lines when each line holds one value), else text.
      text: numbers separated by white space, commas or semicolons.
      json, jsonl: every number token with its JSON Pointer and line:column;
      strings and booleans are text, null is empty. Invalid JSON is reported
      with its position; in JSON Lines the next line is read.
      csv, tsv: RFC 4180 (quoted fields with separators, line breaks and
      doubled quotes; CRLF). The first row names the columns unless
      --no-header. Cells that are not numbers are text for their column;
      rows with another cell count than the first are reported.
  A number is an optional sign, digits, an optional "." followed by digits,
  and an optional exponent: "e" or "E", an optional sign, digits (1.5e-3,
  -0, 12e400). Its exponent must fit 64 bits; tokens longer than 16 MiB are
  refused. --lenient also reads ".5" and "5." as numbers.

Per field (--by-field, the default for json, jsonl, csv and tsv)
  For each field (a JSON Pointer with array indices as "*", or a column):
  numbers and other values; exact/rounded/overflowing/underflowing counts
  as double and as float with the largest relative error; the narrowest
  signed and unsigned integer types holding every value; the smallest
  DECIMAL(p,s) holding every value; min and max; and a recommended type
  (int8 ... int64, uint64, double, decimal(p,s), text) with its reason.
  Values with leading zeros (00501) make a field text; so do text cells and
  forms outside the grammar (.5, 5., NaN, Infinity).

Per number (--by-number, the default for text)
  value     the normalised exact value, coefficient e exponent (15e-1 for 1.50)
  forms     its Generic, Fixed and Exponent renderings (a Fixed form that
            would need more than 4096 zeros is only measured)
  integer   whether it is an integer, and the narrowest signed and unsigned
            fixed-width types (8, 16, 32 or 64 bits) that hold it
  double    the nearest double, and whether the conversion is exact, rounded
            (with the relative error), overflows to infinity or underflows
            to zero
  float     the same for a 32-bit float
  binary    the size in bytes of the value's binary encoding
A summary line ends the report: the count of numbers, how many convert to
double exactly, rounded, overflowing or underflowing, how many are not
integers, how many tokens were bad and how many input problems were found.

Options
  --format=FORMAT            the input format (see above)
  --by-field, --by-number    one verdict per field, or one report per number
  --lenient                  read ".5" and "5." as the numbers they mean
  --no-header                CSV and TSV: the first row is data
  --color=auto|always|never  colour the report: auto (the default) colours
                             only when standard output is a terminal that
                             supports ANSI codes (TERM not "dumb")
  --width N                  lay the report out for N columns (default: the
                             terminal's width, or 80 when not a terminal)
  --json                     write one JSON document instead (see below)
  --sample                   inspect the built-in sample, then any named files
                             (standard input only when named as -)
  -h, --help                 show this text
  --                         the remaining arguments are files

JSON
  Per number: {"numbers":[...],"summary":{...}} with one object per number
  and line: source, line, column, pointer (JSON and CSV input), text,
  coefficient (a string) and exponent of the normalised value, generic,
  fixed (null when only measured), fixed_length, exponent_form, integer,
  signed and unsigned (type names or null), double and float ({value,
  conversion, relative_error}; an infinite value and the error of an
  overflow or underflow are null) and binary_size.
  Per field: {"fields":[...],"summary":{...}} with one object per field:
  field, numbers, text, empty, outside_grammar, leading_zeros, integers,
  double and float ({exact, rounded, overflowing, underflowing,
  max_relative_error}), signed, unsigned, decimal ({precision, scale}),
  min, max (as written), recommendation and reason.
  The summary counts numbers, exact, rounded, overflowing, underflowing,
  non_integer, bad and problems.

Exit status
  0  every value was read
  1  at least one token was not a number (text input and JSON number
     tokens; each is reported on standard error as file:line:column), or
     the input had problems (invalid JSON, ragged rows, an open quote);
     the rest of the input is still read
  2  a usage error, a file that could not be read, or a report that could
     not be written (standard output closed, full, or its reader gone)
)";
}

}  // namespace quire::decimal
