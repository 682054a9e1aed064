// Command-line options of quire-decimal, parsed by CLI11.
//
// Example:
//   const char* argv[] = {"quire-decimal", "--json", "--width=60", "data.csv"};
//   auto parsed = parseOptions(argv);
//   // std::get<Options>(parsed).json == true, .width == 60, .files == {"data.csv"}
//   parseOptions({"quire-decimal", "--color=sometimes"})
//   // UsageError{"--color takes auto, always or never, not 'sometimes'"}
#pragma once

#include <optional>
#include <span>
#include <string>
#include <variant>
#include <vector>

#include "apps/decimal/input.hpp"

namespace quire::decimal {

enum class ColorMode { Auto, Always, Never };

struct Options {
  ColorMode color = ColorMode::Auto;
  std::optional<int> width;  // columns; absent: the terminal's, or 80
  bool json = false;
  bool help = false;
  bool sample = false;  // inspect the built-in sample (before any files)
  Format format = Format::Auto;
  std::optional<bool> byField;  // absent: per field for JSON, JSON Lines, CSV and TSV
  bool lenient = false;
  bool header = true;
  std::vector<std::string> files;  // "-" is standard input
};

struct UsageError {
  std::string message;
};

inline constexpr int maxWidth = 100000;

// args[0] is the program name.
std::variant<Options, UsageError> parseOptions(std::span<const char* const> args);

// The text printed by --help.
std::string helpText();

}  // namespace quire::decimal
