// Exact rationals to and from Scientific, and Scientific division.
//
// A rational converts to a Scientific only when its decimal expansion
// terminates (its reduced denominator is 2^a × 5^b). For a repeating decimal
// the repetend forms give the digits up to the end of the first period and
// the position where the period starts; the limited form stops after a digit
// limit and hands back the exact remainder. Division and recip fail on a
// repeating quotient.
//
// None of these operations walks the expansion digit by digit: whether and
// where the digits repeat follows from the denominator, so fromRational of
// 1/p for a huge prime p fails at once instead of searching for its period.
//
// Example:
//   using namespace quire::scientific;
//   RepetendExpansion x = fromRationalRepetendUnlimited(mpq_class(1, 6));
//   // x.value is (16, -2), *x.repetendIndex == 1: 0.1666...
//   auto limited = fromRationalRepetendLimited(2, mpq_class(1, 7));
//   // std::get<LimitReached>(limited).value is (10, -2),
//   // std::get<LimitReached>(limited).remainder == mpq_class(3, 70)
//   mpq_class third = toRationalRepetend(Scientific(3, -1), 0);   // 1/3
//   Scientific q = Scientific(1, 0) / Scientific(8, 0);            // (125, -3)
//   // Scientific(1, 0) / Scientific(3, 0) throws quire::Error (repeating decimal)
#pragma once

#include <gmpxx.h>

#include <cstdint>
#include <optional>
#include <variant>

#include "scientific/export.hpp"
#include "scientific/scientific.hpp"

namespace quire::scientific {

// The decimal expansion of a rational: the digits up to and including the
// first period of the repetend, and the index of the first fractional digit
// of that period (0 is the digit right after the point). No index means the
// expansion terminates and value is exact.
struct RepetendExpansion {
  Scientific value;
  std::optional<std::int64_t> repetendIndex;
};

// A limited expansion that reached its digit limit: value + remainder equals
// the input exactly (the remainder is reduced and has the input's sign).
struct LimitReached {
  Scientific value;
  mpq_class remainder;
};

using LimitedExpansion = std::variant<LimitReached, RepetendExpansion>;

// The expansion of x with repetend detection. Throws
// std::domain_error("divide by zero") for a zero denominator.
// Note: the result holds a whole period, which for a denominator with a large
// prime factor can be astronomically long; use the limited form on rationals
// from outside. A period longer than maxPowerOfTen digits is refused with a
// quire::Error (after a search of that many steps).
QUIRE_SCIENTIFIC_EXPORT RepetendExpansion fromRationalRepetendUnlimited(const mpq_class& x);

// The expansion of x, but stopping as soon as the limit-th fractional digit
// position is opened: a repetend that closes before then is still reported,
// a terminating expansion needing limit or more fractional digits is
// LimitReached, and limit <= 0 stops at once with (0, 0) and x as remainder
// (unless x is 0). Throws std::domain_error("divide by zero").
QUIRE_SCIENTIFIC_EXPORT LimitedExpansion fromRationalRepetendLimited(std::int64_t limit,
                                                                     const mpq_class& x);

// The limited form with a limit, the unlimited one (always the second
// alternative) without.
QUIRE_SCIENTIFIC_EXPORT LimitedExpansion fromRationalRepetend(std::optional<std::int64_t> limit,
                                                              const mpq_class& x);

// The rational of a value in repetend form: the fractional digits of the
// stored (not normalised) s from position repetendIndex on repeat forever.
// Throws quire::Error "toRationalRepetend: Negative repetend index!" or
// "toRationalRepetend: Repetend index >= than number of digits in the
// fractional part!".
QUIRE_SCIENTIFIC_EXPORT mpq_class toRationalRepetend(const Scientific& s,
                                                     std::int64_t repetendIndex);

// x, whose expansion the caller knows to terminate. Throws
// std::domain_error("divide by zero") for a zero denominator.
// Note: a repeating x is reported with fromRational's error rather than
// expanded forever.
QUIRE_SCIENTIFIC_EXPORT Scientific unsafeFromRational(const mpq_class& x);

// x as a Scientific: (n, 0) for an integer n, otherwise the fewest
// fractional digits. Throws quire::Error for a repeating decimal and
// std::domain_error("divide by zero") for a zero denominator.
QUIRE_SCIENTIFIC_EXPORT Scientific fromRational(const mpq_class& x);

// fromRational of a / b; the power of ten of the exponent difference is
// formed only when the quotient is an integer that needs it. Throws
// std::domain_error("Ratio has zero denominator") for b == 0 and
// quire::Error for a repeating quotient (1 / 3).
QUIRE_SCIENTIFIC_EXPORT Scientific operator/(const Scientific& a, const Scientific& b);
inline Scientific& operator/=(Scientific& a, const Scientific& b) { return a = a / b; }

// 1 / s, with the errors of operator/.
QUIRE_SCIENTIFIC_EXPORT Scientific recip(const Scientific& s);

}  // namespace quire::scientific
