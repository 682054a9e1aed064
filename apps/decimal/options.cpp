#include "apps/decimal/options.hpp"

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

std::optional<int> widthValue(std::string_view s) {
  int v = 0;
  auto [end, error] = std::from_chars(s.data(), s.data() + s.size(), v);
  if (error != std::errc() || end != s.data() + s.size() || v < 1 || v > maxWidth) return std::nullopt;
  return v;
}

// Splits "--name=value" into name and value; value absent without "=".
struct OptionText {
  std::string_view name;
  std::optional<std::string_view> value;
};

OptionText splitOption(std::string_view arg) {
  auto eq = arg.find('=');
  if (eq == std::string_view::npos) return {arg, std::nullopt};
  return {arg.substr(0, eq), arg.substr(eq + 1)};
}

}  // namespace

std::variant<Options, UsageError> parseOptions(std::span<const char* const> args) {
  Options options;
  bool onlyFiles = false;
  for (std::size_t i = 1; i < args.size(); ++i) {
    std::string_view arg = args[i];
    if (onlyFiles || arg == "-" || !arg.starts_with("-")) {
      options.files.emplace_back(arg);
      continue;
    }
    if (arg == "--") {
      onlyFiles = true;
      continue;
    }
    auto [name, inlineValue] = splitOption(arg);
    // Options with a value take it after "=" or as the next argument.
    auto value = [&, inlineValue = inlineValue]() -> std::optional<std::string_view> {
      if (inlineValue) return inlineValue;
      if (i + 1 < args.size()) return std::string_view(args[++i]);
      return std::nullopt;
    };
    if ((name == "--help" || name == "-h") && !inlineValue) {
      options.help = true;
    } else if (name == "--json" && !inlineValue) {
      options.json = true;
    } else if (name == "--sample" && !inlineValue) {
      options.sample = true;
    } else if (name == "--color" || name == "--colour") {
      auto v = value();
      if (!v) return UsageError{"--color needs a value: auto, always or never"};
      auto mode = colorMode(*v);
      if (!mode) return UsageError{"--color takes auto, always or never, not '" + std::string(*v) + "'"};
      options.color = *mode;
    } else if (name == "--width" || name == "-w") {
      auto v = value();
      if (!v) return UsageError{"--width needs a number of columns"};
      auto width = widthValue(*v);
      if (!width) {
        return UsageError{"--width takes a number from 1 to " + std::to_string(maxWidth) + ", not '" +
                          std::string(*v) + "'"};
      }
      options.width = *width;
    } else {
      return UsageError{"unknown option '" + std::string(arg) + "'"};
    }
  }
  return options;
}

std::string helpText() {
  return R"(Usage: quire-decimal [OPTIONS] [FILE...]

Reports, for every decimal number in the input, what happens when it is
loaded into the usual machine types: which values lose precision as a double
or a float, overflow to infinity or underflow to zero, and which fixed-width
integer types can hold them.

Input
  The named files, in order ("-" is standard input), or standard input when
  no file is named. With no file and standard input a terminal, a built-in
  sample of interesting values is shown instead.
  Numbers are separated by white space, commas or semicolons. A number is an
  optional sign, digits, an optional "." followed by digits, and an optional
  exponent: "e" or "E", an optional sign, digits (1.5e-3, -0, 12e400). Its
  exponent must fit 64 bits; tokens longer than 16 MiB are refused.

For each number
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
integers, and how many tokens were bad.

Options
  --color=auto|always|never  colour the report: auto (the default) colours
                             only when standard output is a terminal that
                             supports ANSI codes (TERM not "dumb")
  --width N                  lay the report out for N columns (default: the
                             terminal's width, or 80 when not a terminal)
  --json                     write one JSON document instead: {"numbers":[...],
                             "summary":{...}}, one number object per line
  --sample                   inspect the built-in sample, then any named files
                             (standard input only when named as -)
  -h, --help                 show this text
  --                         the remaining arguments are files

JSON
  One document: {"numbers":[...],"summary":{...}} with one object per number
  and line: source, line, column, text, coefficient (a string) and exponent
  of the normalised value, generic, fixed (null when only measured),
  fixed_length, exponent_form, integer, signed and unsigned (type names or
  null), double and float ({value, conversion, relative_error}; an infinite
  value and the error of an overflow or underflow are null) and binary_size.
  The summary counts numbers, exact, rounded, overflowing, underflowing,
  non_integer and bad.

Exit status
  0  every token was a number
  1  at least one token was not; each is reported on standard error as
     file:line:column, and the rest of the input is still read
  2  a usage error, or a file that could not be read
)";
}

}  // namespace quire::decimal
