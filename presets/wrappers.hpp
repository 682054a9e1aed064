// Small wrapper types whose defaults say how they combine, and a ratio.
//
//   First<T>, Last<T>   the first / last present value of a run of optionals;
//                       default absent
//   All, Any            conjunction / disjunction of booleans; default true /
//                       false
//   Sum<T>, Product<T>  a number under addition / multiplication; default 0 / 1
//   Dual<T>             T with its combination reversed; default def<T>()
//   Endo<T>             a function from T to T; default the identity
//   Ratio<I>            numerator / denominator (as given, not reduced);
//                       default 0 / 1
//
// Example:
//   using namespace quire::presets;
//   def<Product<int>>().value;           // 1
//   def<All>().value;                    // true
//   def<Endo<std::string>>().apply("x"); // "x"
//   def<Ratio<long>>();                  // Ratio<long>{0, 1}
//   def<First<int>>().value;             // nullopt
#pragma once

#include <functional>
#include <optional>
#include <utility>

#include "presets/export.hpp"
#include "presets/presets.hpp"

namespace quire::presets {

template <class T>
struct First {
  std::optional<T> value;
  friend bool operator==(const First&, const First&) = default;
};

template <class T>
struct Last {
  std::optional<T> value;
  friend bool operator==(const Last&, const Last&) = default;
};

struct All {
  bool value;
  friend bool operator==(const All&, const All&) = default;
};

struct Any {
  bool value;
  friend bool operator==(const Any&, const Any&) = default;
};

template <class T>
struct Sum {
  T value;
  friend bool operator==(const Sum&, const Sum&) = default;
};

template <class T>
struct Product {
  T value;
  friend bool operator==(const Product&, const Product&) = default;
};

template <class T>
struct Dual {
  T value;
  friend bool operator==(const Dual&, const Dual&) = default;
};

template <class T>
struct Endo {
  std::function<T(T)> function;
  T apply(T x) const { return function(std::move(x)); }
};

template <class I>
struct Ratio {
  I numerator;
  I denominator;
  friend bool operator==(const Ratio&, const Ratio&) = default;
};

template <class T>
struct Default<First<T>> {
  static constexpr First<T> def() noexcept { return {std::nullopt}; }
};

template <class T>
struct Default<Last<T>> {
  static constexpr Last<T> def() noexcept { return {std::nullopt}; }
};

template <>
struct Default<All> {
  QUIRE_PRESETS_EXPORT static All def() noexcept;
};

template <>
struct Default<Any> {
  QUIRE_PRESETS_EXPORT static Any def() noexcept;
};

template <class T>
  requires std::is_constructible_v<T, int>
struct Default<Sum<T>> {
  static constexpr Sum<T> def() { return {T(0)}; }
};

template <class T>
  requires std::is_constructible_v<T, int>
struct Default<Product<T>> {
  static constexpr Product<T> def() { return {T(1)}; }
};

template <HasDefault T>
struct Default<Dual<T>> {
  static constexpr Dual<T> def() { return {presets::def<T>()}; }
};

template <class T>
struct Default<Endo<T>> {
  static Endo<T> def() {
    return {[](T x) { return x; }};
  }
};

template <std::integral I>
struct Default<Ratio<I>> {
  static constexpr Ratio<I> def() noexcept { return {I(0), I(1)}; }
};

}  // namespace quire::presets
