#include "apps/decimal/tally.hpp"

#include "apps/decimal/analysis.hpp"

namespace quire::decimal {

namespace {

std::string counted(std::int64_t n, std::string_view one, std::string_view many) {
  std::string s = std::to_string(n);
  s += ' ';
  s += n == 1 ? one : many;
  return s;
}

}  // namespace

void Tally::add(const NumberFacts& facts) noexcept {
  ++numbers;
  switch (facts.asDouble.outcome) {
    case FloatOutcome::Exact: ++exact; break;
    case FloatOutcome::Rounded: ++rounded; break;
    case FloatOutcome::Overflow: ++overflowing; break;
    case FloatOutcome::Underflow: ++underflowing; break;
  }
  if (!facts.integer) ++nonInteger;
}

std::string Tally::line() const {
  return counted(numbers, "number", "numbers") + ": " + std::to_string(exact) + " exact, " +
         std::to_string(rounded) + " rounded, " + std::to_string(overflowing) + " overflowing, " +
         std::to_string(underflowing) + " underflowing as double; " + std::to_string(nonInteger) +
         " non-integer; " + counted(bad, "bad token", "bad tokens") +
         (problems > 0 ? "; " + counted(problems, "input problem", "input problems") : "");
}

}  // namespace quire::decimal
