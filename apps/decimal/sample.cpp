#include "apps/decimal/sample.hpp"

namespace quire::decimal {

std::string_view sampleText() noexcept {
  // One line per theme: everyday decimals; integers at the edges of the
  // fixed-width types and of double precision; float-only trouble; the
  // extremes that must be answered without building huge powers of ten.
  static constexpr std::string_view text =
      "0.1, 2.5, 1.50, 1.5e-3, -0\n"
      "255; -129; 4294967296; 9007199254740993; 12345678901234567890\n"
      "123456789012345678901234567890123456789012345678901234567890\n"
      "0.15625, 16777217, 1e39, 1e-50\n"
      "1e400, 1e-400, 1e1000000000, 1e-1000000000\n";
  return text;
}

}  // namespace quire::decimal
