#include "vtcontrol/internal/text.hpp"

#include <charconv>
#include <cmath>

namespace quire::vtcontrol::detail {

std::string showConstructor(int prec, std::string_view name,
                            const std::vector<std::string>& arguments) {
  std::string out(name);
  for (const std::string& argument : arguments) {
    out += ' ';
    out += argument;
  }
  if (prec > 10 && !arguments.empty()) return "(" + out + ")";
  return out;
}

std::string showArgument(float value) {
  char buffer[32];
  auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  std::string text(buffer, result.ptr);
  if (std::signbit(value) && !std::isnan(value)) return "(" + text + ")";
  return text;
}

void appendDecimal(std::string& out, std::int64_t value) {
  char buffer[24];
  auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  out.append(buffer, result.ptr);
}

}  // namespace quire::vtcontrol::detail
