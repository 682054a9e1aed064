// The structural default of a record: each field's default, in field order.
//
// A record (an aggregate with public fields and no base classes, up to
// 16 fields) takes its default from its structure when its Default
// specialisation derives from Structural:
//
//   struct Config {
//     int retries;
//     std::vector<std::string> hosts;
//     std::optional<double> timeout;
//   };
//   template <>
//   struct quire::presets::Default<Config> : quire::presets::Structural<Config> {};
//
//   Config c = quire::presets::def<Config>();   // {0, {}, std::nullopt}
//
// structuralDef<T>() is the same value without declaring anything. A field
// whose type has no default makes both fail to compile. Nested records use
// their own Default, structural or not.
//
// Note: fields are counted by trying brace initialisers and their types are
// read from a structured binding; array fields are not supported.
#pragma once

#include <cstddef>
#include <tuple>
#include <type_traits>
#include <utility>

#include "presets/presets.hpp"

namespace quire::presets {

namespace detail {

// Converts to any type, only to count the initialisers a record accepts.
struct AnyField {
  template <class U>
  operator U&() const&&;  // never defined: used unevaluated only
};

template <class T, std::size_t... I>
constexpr bool bracesAccept(std::index_sequence<I...>) {
  return requires { T{(void(I), AnyField{})...}; };
}

template <class T, std::size_t N = 0>
constexpr std::size_t fieldCount() {
  if constexpr (N > 16) {
    return N;
  } else if constexpr (bracesAccept<T>(std::make_index_sequence<N + 1>{})) {
    return fieldCount<T, N + 1>();
  } else {
    return N;
  }
}

template <class F>
using Field = std::remove_cvref_t<F>;

// std::type_identity<std::tuple<field types...>>; only its type is used.
template <class T, std::size_t N>
constexpr auto fieldTypes([[maybe_unused]] T& t) {
  if constexpr (N == 0) {
    return std::type_identity<std::tuple<>>{};
  } else if constexpr (N == 1) {
    auto& [f0] = t;
    return std::type_identity<std::tuple<Field<decltype(f0)>>>{};
  } else if constexpr (N == 2) {
    auto& [f0, f1] = t;
    return std::type_identity<std::tuple<Field<decltype(f0)>, Field<decltype(f1)>>>{};
  } else if constexpr (N == 3) {
    auto& [f0, f1, f2] = t;
    return std::type_identity<std::tuple<Field<decltype(f0)>, Field<decltype(f1)>, Field<decltype(f2)>>>{};
  } else if constexpr (N == 4) {
    auto& [f0, f1, f2, f3] = t;
    return std::type_identity<std::tuple<Field<decltype(f0)>, Field<decltype(f1)>, Field<decltype(f2)>, Field<decltype(f3)>>>{};
  } else if constexpr (N == 5) {
    auto& [f0, f1, f2, f3, f4] = t;
    return std::type_identity<std::tuple<Field<decltype(f0)>, Field<decltype(f1)>, Field<decltype(f2)>, Field<decltype(f3)>, Field<decltype(f4)>>>{};
  } else if constexpr (N == 6) {
    auto& [f0, f1, f2, f3, f4, f5] = t;
    return std::type_identity<std::tuple<Field<decltype(f0)>, Field<decltype(f1)>, Field<decltype(f2)>, Field<decltype(f3)>, Field<decltype(f4)>, Field<decltype(f5)>>>{};
  } else if constexpr (N == 7) {
    auto& [f0, f1, f2, f3, f4, f5, f6] = t;
    return std::type_identity<std::tuple<Field<decltype(f0)>, Field<decltype(f1)>, Field<decltype(f2)>, Field<decltype(f3)>, Field<decltype(f4)>, Field<decltype(f5)>, Field<decltype(f6)>>>{};
  } else if constexpr (N == 8) {
    auto& [f0, f1, f2, f3, f4, f5, f6, f7] = t;
    return std::type_identity<std::tuple<Field<decltype(f0)>, Field<decltype(f1)>, Field<decltype(f2)>, Field<decltype(f3)>, Field<decltype(f4)>, Field<decltype(f5)>, Field<decltype(f6)>, Field<decltype(f7)>>>{};
  } else if constexpr (N == 9) {
    auto& [f0, f1, f2, f3, f4, f5, f6, f7, f8] = t;
    return std::type_identity<std::tuple<Field<decltype(f0)>, Field<decltype(f1)>, Field<decltype(f2)>, Field<decltype(f3)>, Field<decltype(f4)>, Field<decltype(f5)>, Field<decltype(f6)>, Field<decltype(f7)>, Field<decltype(f8)>>>{};
  } else if constexpr (N == 10) {
    auto& [f0, f1, f2, f3, f4, f5, f6, f7, f8, f9] = t;
    return std::type_identity<std::tuple<Field<decltype(f0)>, Field<decltype(f1)>, Field<decltype(f2)>, Field<decltype(f3)>, Field<decltype(f4)>, Field<decltype(f5)>, Field<decltype(f6)>, Field<decltype(f7)>, Field<decltype(f8)>, Field<decltype(f9)>>>{};
  } else if constexpr (N == 11) {
    auto& [f0, f1, f2, f3, f4, f5, f6, f7, f8, f9, f10] = t;
    return std::type_identity<std::tuple<Field<decltype(f0)>, Field<decltype(f1)>, Field<decltype(f2)>, Field<decltype(f3)>, Field<decltype(f4)>, Field<decltype(f5)>, Field<decltype(f6)>, Field<decltype(f7)>, Field<decltype(f8)>, Field<decltype(f9)>, Field<decltype(f10)>>>{};
  } else if constexpr (N == 12) {
    auto& [f0, f1, f2, f3, f4, f5, f6, f7, f8, f9, f10, f11] = t;
    return std::type_identity<std::tuple<Field<decltype(f0)>, Field<decltype(f1)>, Field<decltype(f2)>, Field<decltype(f3)>, Field<decltype(f4)>, Field<decltype(f5)>, Field<decltype(f6)>, Field<decltype(f7)>, Field<decltype(f8)>, Field<decltype(f9)>, Field<decltype(f10)>, Field<decltype(f11)>>>{};
  } else if constexpr (N == 13) {
    auto& [f0, f1, f2, f3, f4, f5, f6, f7, f8, f9, f10, f11, f12] = t;
    return std::type_identity<std::tuple<Field<decltype(f0)>, Field<decltype(f1)>, Field<decltype(f2)>, Field<decltype(f3)>, Field<decltype(f4)>, Field<decltype(f5)>, Field<decltype(f6)>, Field<decltype(f7)>, Field<decltype(f8)>, Field<decltype(f9)>, Field<decltype(f10)>, Field<decltype(f11)>, Field<decltype(f12)>>>{};
  } else if constexpr (N == 14) {
    auto& [f0, f1, f2, f3, f4, f5, f6, f7, f8, f9, f10, f11, f12, f13] = t;
    return std::type_identity<std::tuple<Field<decltype(f0)>, Field<decltype(f1)>, Field<decltype(f2)>, Field<decltype(f3)>, Field<decltype(f4)>, Field<decltype(f5)>, Field<decltype(f6)>, Field<decltype(f7)>, Field<decltype(f8)>, Field<decltype(f9)>, Field<decltype(f10)>, Field<decltype(f11)>, Field<decltype(f12)>, Field<decltype(f13)>>>{};
  } else if constexpr (N == 15) {
    auto& [f0, f1, f2, f3, f4, f5, f6, f7, f8, f9, f10, f11, f12, f13, f14] = t;
    return std::type_identity<std::tuple<Field<decltype(f0)>, Field<decltype(f1)>, Field<decltype(f2)>, Field<decltype(f3)>, Field<decltype(f4)>, Field<decltype(f5)>, Field<decltype(f6)>, Field<decltype(f7)>, Field<decltype(f8)>, Field<decltype(f9)>, Field<decltype(f10)>, Field<decltype(f11)>, Field<decltype(f12)>, Field<decltype(f13)>, Field<decltype(f14)>>>{};
  } else if constexpr (N == 16) {
    auto& [f0, f1, f2, f3, f4, f5, f6, f7, f8, f9, f10, f11, f12, f13, f14, f15] = t;
    return std::type_identity<std::tuple<Field<decltype(f0)>, Field<decltype(f1)>, Field<decltype(f2)>, Field<decltype(f3)>, Field<decltype(f4)>, Field<decltype(f5)>, Field<decltype(f6)>, Field<decltype(f7)>, Field<decltype(f8)>, Field<decltype(f9)>, Field<decltype(f10)>, Field<decltype(f11)>, Field<decltype(f12)>, Field<decltype(f13)>, Field<decltype(f14)>, Field<decltype(f15)>>>{};
  }
}

template <class T>
concept Record = std::is_aggregate_v<T> && !std::is_array_v<T>;

template <class T, class Fields>
struct StructuralOf;

template <class T, class... Fs>
struct StructuralOf<T, std::tuple<Fs...>> {
  static constexpr bool possible = (HasDefault<Fs> && ...);
  static constexpr T make() { return T{presets::def<Fs>()...}; }
};

template <Record T>
struct FieldsOf {
  static constexpr std::size_t count = fieldCount<T>();
  static_assert(count <= 16, "structural defaults support records of up to 16 fields");
  using type = typename decltype(fieldTypes<T, count>(std::declval<T&>()))::type;
};

}  // namespace detail

// A record built from def() of each field, in order; an empty record is
// itself.
template <detail::Record T>
  requires detail::StructuralOf<T, typename detail::FieldsOf<T>::type>::possible
[[nodiscard]] constexpr T structuralDef() {
  return detail::StructuralOf<T, typename detail::FieldsOf<T>::type>::make();
}

// Derive a Default specialisation from this to take the structural default.
template <detail::Record T>
struct Structural {
  static constexpr T def()
    requires requires { structuralDef<T>(); }
  {
    return structuralDef<T>();
  }
};

}  // namespace quire::presets
