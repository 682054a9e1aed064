// The tagged library: Tagged<S, B>, a value of B carrying a compile-time tag
// S with no run-time cost, and Proxy<T>, the empty value standing for T.
//
// This header brings in every group of operations:
//   tagged/core.hpp        the type, Proxy, wrapping and unwrapping, retag,
//                          map/ap/bind/foldr/bimap, comparison, hashing, bounds
//   tagged/arithmetic.hpp  arithmetic, bitwise, mathematical functions, bit counts
//   tagged/text.hpp        show, showsPrec, readsPrec, read, << and >>
//
// Example:
//   using namespace quire::tagged;
//   struct Metres {};
//   Tagged<Metres, std::int64_t> a(3), b(4);
//   auto c = a + b;              // Tagged<Metres, int64_t>(7)
//   bool less = a < b;           // true
//   std::string s = show(c);     // "Tagged 7"
//   std::int64_t raw = untag(c); // 7
#pragma once

#include "tagged/arithmetic.hpp"
#include "tagged/core.hpp"
#include "tagged/text.hpp"

namespace quire::tagged {

// A Tagged is laid out exactly as its value.
static_assert(sizeof(Tagged<struct LayoutTag, std::int64_t>) == sizeof(std::int64_t));
static_assert(alignof(Tagged<struct LayoutTag, std::int64_t>) == alignof(std::int64_t));
static_assert(std::is_trivially_copyable_v<Tagged<struct LayoutTag, double>>);
static_assert(std::is_standard_layout_v<Tagged<struct LayoutTag, double>>);

}  // namespace quire::tagged
