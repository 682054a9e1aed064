#include "apps/decimal/sample.hpp"

#include "embedded/SAMPLE.hpp"

namespace quire::decimal {

// sample.txt, embedded when the program is built: one line per theme
// (everyday decimals; integers at the edges of the fixed-width types and of
// double precision; float-only trouble; the extremes that must be answered
// without building huge powers of ten).
std::string_view sampleText() noexcept { return embedded::SAMPLE().view(); }

}  // namespace quire::decimal
