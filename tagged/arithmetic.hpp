// Arithmetic, bitwise and mathematical operations on Tagged values.
//
// Each is the operation of the wrapped type: two values of the same tag
// combine into a value of that tag (the result converted back to B, as B's
// own compound assignment would), mathematical functions apply to the wrapped
// value, and bit counts answer plain ints. Values of different tags, or a
// tagged and a plain value, do not mix; wrap a constant explicitly.
//
// Example:
//   using namespace quire::tagged;
//   struct Cents {};
//   Tagged<Cents, std::int64_t> a(250), b(100);
//   auto total = a + b;                          // Tagged<Cents, int64_t>(350)
//   auto half = total / Tagged<Cents, std::int64_t>(2);   // 175
//   ++total;                                     // 351
//   auto root = sqrt(Tagged<Cents, double>(2.25));       // Tagged<Cents, double>(1.5)
//   auto [whole, part] = properFraction(Tagged<Cents, double>(-2.5));   // -2.0, -0.5
//   int ones = popcount(Tagged<Cents, unsigned>(0b1011u));              // 3
#pragma once

#include <bit>
#include <cmath>
#include <cstdlib>
#include <utility>

#include "tagged/core.hpp"

namespace quire::tagged {

// Binary operators between two values of one tag, and their compound forms.
#define QUIRE_TAGGED_BINARY(op)                                                         \
  template <class S, class B>                                                           \
    requires requires(const B& x, const B& y) { static_cast<B>(x op y); }               \
  [[nodiscard]] constexpr Tagged<S, B> operator op(const Tagged<S, B>& a,              \
                                                   const Tagged<S, B>& b) {            \
    return Tagged<S, B>(static_cast<B>(a.unTagged op b.unTagged));                     \
  }                                                                                     \
  template <class S, class B>                                                           \
    requires requires(B& x, const B& y) { x op## = y; }                                 \
  constexpr Tagged<S, B>& operator op##=(Tagged<S, B>& a, const Tagged<S, B>& b) {     \
    a.unTagged op## = b.unTagged;                                                       \
    return a;                                                                           \
  }

QUIRE_TAGGED_BINARY(+)
QUIRE_TAGGED_BINARY(-)
QUIRE_TAGGED_BINARY(*)
QUIRE_TAGGED_BINARY(/)
QUIRE_TAGGED_BINARY(%)
QUIRE_TAGGED_BINARY(&)
QUIRE_TAGGED_BINARY(|)
QUIRE_TAGGED_BINARY(^)
#undef QUIRE_TAGGED_BINARY

#define QUIRE_TAGGED_UNARY_OPERATOR(op)                                       \
  template <class S, class B>                                                 \
    requires requires(const B& x) { static_cast<B>(op x); }                   \
  [[nodiscard]] constexpr Tagged<S, B> operator op(const Tagged<S, B>& a) {  \
    return Tagged<S, B>(static_cast<B>(op a.unTagged));                      \
  }

QUIRE_TAGGED_UNARY_OPERATOR(-)
QUIRE_TAGGED_UNARY_OPERATOR(+)
QUIRE_TAGGED_UNARY_OPERATOR(~)
#undef QUIRE_TAGGED_UNARY_OPERATOR

// Shifts take a plain count, as B's do.
#define QUIRE_TAGGED_SHIFT(op)                                                            \
  template <class S, class B>                                                             \
    requires requires(const B& x, int n) { static_cast<B>(x op n); }                      \
  [[nodiscard]] constexpr Tagged<S, B> operator op(const Tagged<S, B>& a, int n) {       \
    return Tagged<S, B>(static_cast<B>(a.unTagged op n));                                \
  }                                                                                       \
  template <class S, class B>                                                             \
    requires requires(B& x, int n) { x op## = n; }                                        \
  constexpr Tagged<S, B>& operator op##=(Tagged<S, B>& a, int n) {                       \
    a.unTagged op## = n;                                                                  \
    return a;                                                                             \
  }

QUIRE_TAGGED_SHIFT(<<)
QUIRE_TAGGED_SHIFT(>>)
#undef QUIRE_TAGGED_SHIFT

// Successor and predecessor, as B's ++ and --.
template <class S, class B>
  requires requires(B& x) { ++x; }
constexpr Tagged<S, B>& operator++(Tagged<S, B>& a) {
  ++a.unTagged;
  return a;
}
template <class S, class B>
  requires requires(B& x) { ++x; }
constexpr Tagged<S, B> operator++(Tagged<S, B>& a, int) {
  Tagged<S, B> old = a;
  ++a.unTagged;
  return old;
}
template <class S, class B>
  requires requires(B& x) { --x; }
constexpr Tagged<S, B>& operator--(Tagged<S, B>& a) {
  --a.unTagged;
  return a;
}
template <class S, class B>
  requires requires(B& x) { --x; }
constexpr Tagged<S, B> operator--(Tagged<S, B>& a, int) {
  Tagged<S, B> old = a;
  --a.unTagged;
  return old;
}

// Mathematical functions: fn(x) is fn of the wrapped value under the same
// tag, found as std::fn or by argument-dependent lookup for user types. The
// value type is what fn returns (sqrt of an int wrapped value is a double).
#define QUIRE_TAGGED_MATH1(fn)                                                          \
  namespace detail::math {                                                              \
  using std::fn;                                                                        \
  template <class B>                                                                    \
  constexpr auto fn##Of(const B& b) -> decltype(fn(b)) {                                \
    return fn(b);                                                                       \
  }                                                                                     \
  }                                                                                     \
  template <class S, class B>                                                           \
  [[nodiscard]] constexpr auto fn(const Tagged<S, B>& x)                                \
      -> Tagged<S, decltype(detail::math::fn##Of(x.unTagged))> {                        \
    return Tagged<S, decltype(detail::math::fn##Of(x.unTagged))>(                       \
        detail::math::fn##Of(x.unTagged));                                              \
  }

#define QUIRE_TAGGED_MATH2(fn)                                                          \
  namespace detail::math {                                                              \
  using std::fn;                                                                        \
  template <class B>                                                                    \
  constexpr auto fn##Of(const B& a, const B& b) -> decltype(fn(a, b)) {                 \
    return fn(a, b);                                                                    \
  }                                                                                     \
  }                                                                                     \
  template <class S, class B>                                                           \
  [[nodiscard]] constexpr auto fn(const Tagged<S, B>& x, const Tagged<S, B>& y)         \
      -> Tagged<S, decltype(detail::math::fn##Of(x.unTagged, y.unTagged))> {            \
    return Tagged<S, decltype(detail::math::fn##Of(x.unTagged, y.unTagged))>(           \
        detail::math::fn##Of(x.unTagged, y.unTagged));                                  \
  }

QUIRE_TAGGED_MATH1(abs)
QUIRE_TAGGED_MATH1(sqrt)
QUIRE_TAGGED_MATH1(cbrt)
QUIRE_TAGGED_MATH1(exp)
QUIRE_TAGGED_MATH1(exp2)
QUIRE_TAGGED_MATH1(expm1)
QUIRE_TAGGED_MATH1(log)
QUIRE_TAGGED_MATH1(log2)
QUIRE_TAGGED_MATH1(log10)
QUIRE_TAGGED_MATH1(log1p)
QUIRE_TAGGED_MATH1(sin)
QUIRE_TAGGED_MATH1(cos)
QUIRE_TAGGED_MATH1(tan)
QUIRE_TAGGED_MATH1(asin)
QUIRE_TAGGED_MATH1(acos)
QUIRE_TAGGED_MATH1(atan)
QUIRE_TAGGED_MATH1(sinh)
QUIRE_TAGGED_MATH1(cosh)
QUIRE_TAGGED_MATH1(tanh)
QUIRE_TAGGED_MATH1(asinh)
QUIRE_TAGGED_MATH1(acosh)
QUIRE_TAGGED_MATH1(atanh)
QUIRE_TAGGED_MATH1(floor)
QUIRE_TAGGED_MATH1(ceil)
QUIRE_TAGGED_MATH1(trunc)
QUIRE_TAGGED_MATH1(round)
QUIRE_TAGGED_MATH2(pow)
QUIRE_TAGGED_MATH2(atan2)
QUIRE_TAGGED_MATH2(fmod)
QUIRE_TAGGED_MATH2(hypot)
#undef QUIRE_TAGGED_MATH1
#undef QUIRE_TAGGED_MATH2

template <class S, std::floating_point B>
[[nodiscard]] bool isnan(const Tagged<S, B>& x) noexcept {
  return std::isnan(x.unTagged);
}
template <class S, std::floating_point B>
[[nodiscard]] bool isinf(const Tagged<S, B>& x) noexcept {
  return std::isinf(x.unTagged);
}
template <class S, std::floating_point B>
[[nodiscard]] bool isfinite(const Tagged<S, B>& x) noexcept {
  return std::isfinite(x.unTagged);
}

// The split of a real number into its whole part (rounded towards zero)
// and the fraction left over, both with the sign of x and under x's tag.
template <class S, std::floating_point B>
[[nodiscard]] std::pair<Tagged<S, B>, Tagged<S, B>> properFraction(const Tagged<S, B>& x) {
  B whole{};
  B fraction = std::modf(x.unTagged, &whole);
  return {Tagged<S, B>(whole), Tagged<S, B>(fraction)};
}

// Bit counts of an unsigned wrapped value.
template <class S, std::unsigned_integral B>
[[nodiscard]] constexpr int popcount(const Tagged<S, B>& x) noexcept {
  return std::popcount(x.unTagged);
}
template <class S, std::unsigned_integral B>
[[nodiscard]] constexpr int countl_zero(const Tagged<S, B>& x) noexcept {
  return std::countl_zero(x.unTagged);
}
template <class S, std::unsigned_integral B>
[[nodiscard]] constexpr int countr_zero(const Tagged<S, B>& x) noexcept {
  return std::countr_zero(x.unTagged);
}
template <class S, std::unsigned_integral B>
[[nodiscard]] constexpr int bit_width(const Tagged<S, B>& x) noexcept {
  return static_cast<int>(std::bit_width(x.unTagged));
}
template <class S, std::unsigned_integral B>
[[nodiscard]] constexpr Tagged<S, B> rotl(const Tagged<S, B>& x, int n) noexcept {
  return Tagged<S, B>(std::rotl(x.unTagged, n));
}
template <class S, std::unsigned_integral B>
[[nodiscard]] constexpr Tagged<S, B> rotr(const Tagged<S, B>& x, int n) noexcept {
  return Tagged<S, B>(std::rotr(x.unTagged, n));
}

}  // namespace quire::tagged
