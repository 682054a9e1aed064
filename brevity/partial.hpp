// The partial operations on ShortText: the ones that cannot answer for an
// empty text or an index out of range. Each throws quire::Error with its
// fixed message instead; the total forms (uncons, unsnoc, indexMaybe) answer
// nullopt.
//
// Example:
//   using namespace quire::brevity;
//   ShortText t("abc");
//   // head(t) == U'a', last(t) == U'c', tail(t) == ShortText("bc")
//   // index(t, 3) throws quire::Error("index: not within ShortText")
//   // foldl1([](char32_t a, char32_t b) { return std::max(a, b); }, t) == U'c'
//   // head(ShortText()) throws quire::Error("head: empty ShortText")
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <utility>

#include "base/error.hpp"
#include "brevity/brevity.hpp"
#include "brevity/export.hpp"
#include "brevity/internal/utf8.hpp"
#include "brevity/operations.hpp"

namespace quire::brevity {

// The first code point; "head: empty ShortText" for empty t.
QUIRE_BREVITY_EXPORT char32_t head(const ShortText& t);
// All but the first code point; "tail: empty ShortText" for empty t.
QUIRE_BREVITY_EXPORT ShortText tail(const ShortText& t);
// All but the last code point; "init: empty ShortText" for empty t.
QUIRE_BREVITY_EXPORT ShortText init(const ShortText& t);
// The last code point; "last: empty ShortText" for empty t.
QUIRE_BREVITY_EXPORT char32_t last(const ShortText& t);
// Code point i; "index: not within ShortText" when indexMaybe has none.
QUIRE_BREVITY_EXPORT char32_t index(const ShortText& t, std::int64_t i);

// A left fold seeded with the first code point: f(...f(c1, c2)..., cn).
// "foldl1: empty ShortText" for empty t.
template <class F>
[[nodiscard]] char32_t foldl1(F f, const ShortText& t) {
  if (t.empty()) throwError("foldl1: empty ShortText");
  const std::uint8_t* d = t.data();
  char32_t acc = detail::decodeAt(d);
  for (std::size_t ofs = detail::charWidth(acc); ofs < t.size();) {
    const char32_t c = detail::decodeAt(d + ofs);
    ofs += detail::charWidth(c);
    acc = std::invoke(f, acc, c);
  }
  return acc;
}
// The same as foldl1, with the same message.
template <class F>
[[nodiscard]] char32_t foldl1Strict(F f, const ShortText& t) {
  return foldl1(std::move(f), t);
}
// A right fold seeded with the last code point: f(c1, ...f(cn-1, cn)...).
// "foldr1: empty ShortText" for empty t.
template <class F>
[[nodiscard]] char32_t foldr1(F f, const ShortText& t) {
  if (t.empty()) throwError("foldr1: empty ShortText");
  const std::uint8_t* d = t.data();
  char32_t acc = detail::decodeBefore(d + t.size());
  for (std::size_t ofs = t.size() - detail::charWidth(acc); ofs > 0;) {
    const char32_t c = detail::decodeBefore(d + ofs);
    ofs -= detail::charWidth(c);
    acc = std::invoke(f, c, acc);
  }
  return acc;
}

}  // namespace quire::brevity
