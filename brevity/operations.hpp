// The total operations on ShortText: construction, lookup, searching,
// slicing, transformation and folds. Indices and counts are in code points
// (signed, as std::int64_t); every operation works on the UTF-8 bytes
// directly, without converting the text to a character list.
//
// Results that equal the whole input are the input itself (sharing its
// block), empty results are the shared empty value, and every other result
// is a fresh block of exactly its bytes, so a slice never keeps a larger
// parent alive. Characters that UTF-8 cannot carry (surrogates, values above
// U+10FFFF) are written as U+FFFD. Operations that size a result from a
// count times a length throw quire::Error when that size would exceed
// ShortText::maxSize, never returning a short result.
//
// Example:
//   using namespace quire::brevity;
//   ShortText t("h\xC3\xA9llo, world");                 // "héllo, world"
//   auto [head, rest] = splitAt(2, t);                  // "hé", "llo, world"
//   // indexMaybe(t, 1) == U'\u00E9', indexMaybe(t, 99) == std::nullopt
//   // takeEnd(5, t) == ShortText("world")
//   // stripPrefix(ShortText("h\xC3\xA9"), t) == ShortText("llo, world")
//   auto isComma = [](char32_t c) { return c == U','; };
//   // split(isComma, ShortText(",a,,b,")) yields "", "a", "", "b", ""
//   // dropAround([](char32_t c) { return c == U' '; }, ShortText("  a b  "))
//   //   == ShortText("a b")
//   // replicate(3, ShortText("ab")) == ShortText("ababab")
//   // intersperse(U'-', ShortText("abc")) == ShortText("a-b-c")
//   // foldl([](int n, char32_t) { return n + 1; }, 0, t) == 12
#pragma once

#include <concepts>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <span>
#include <string>
#include <type_traits>
#include <utility>

#include "base/generator.hpp"
#include "brevity/brevity.hpp"
#include "brevity/export.hpp"
#include "brevity/internal/utf8.hpp"

namespace quire::brevity {

// A caller-supplied test of one code point.
template <class P>
concept CharPredicate = std::predicate<P&, char32_t>;

namespace detail {

// The bytes [offset, offset + count) of t: a negative offset throws
// quire::Error("invalid offset"), a negative count quire::Error("invalid
// length"); a count past the end is cut to the bytes there. The whole of t
// is t itself and an empty range the shared empty value.
QUIRE_BREVITY_EXPORT ShortText slice(const ShortText& t, std::int64_t offset, std::int64_t count);

// The bytes before and from a byte offset on a code-point boundary.
QUIRE_BREVITY_EXPORT ShortText bytesBefore(const ShortText& t, std::size_t offset);
QUIRE_BREVITY_EXPORT ShortText bytesFrom(const ShortText& t, std::size_t offset);

[[nodiscard]] inline std::pair<ShortText, ShortText> splitAtByte(const ShortText& t,
                                                                 std::size_t offset) {
  return {bytesBefore(t, offset), bytesFrom(t, offset)};
}

// The byte offset just past the longest prefix whose code points pass p.
template <class P>
std::size_t prefixEnd(const ShortText& t, P&& p) {
  const std::uint8_t* d = t.data();
  std::size_t ofs = 0;
  while (ofs < t.size()) {
    const char32_t c = decodeAt(d + ofs);
    if (!std::invoke(p, c)) break;
    ofs += charWidth(c);
  }
  return ofs;
}

// The byte offset where the longest suffix whose code points pass p begins.
template <class P>
std::size_t suffixStart(const ShortText& t, P&& p) {
  const std::uint8_t* d = t.data();
  std::size_t ofs = t.size();
  while (ofs > 0) {
    const char32_t c = decodeBefore(d + ofs);
    if (!std::invoke(p, c)) break;
    ofs -= charWidth(c);
  }
  return ofs;
}

// Copies the kept bytes out of a scratch buffer, or shares t when all were kept.
QUIRE_BREVITY_EXPORT ShortText keptBytes(const ShortText& t, const std::string& kept);

[[noreturn]] QUIRE_BREVITY_EXPORT void impossibleDropAround();

}  // namespace detail

// ---------------------------------------------------------------------------
// Construction.

// c followed by t.
QUIRE_BREVITY_EXPORT ShortText cons(char32_t c, const ShortText& t);
// t followed by c.
QUIRE_BREVITY_EXPORT ShortText snoc(const ShortText& t, char32_t c);
// a followed by b; an empty side gives the other one itself.
QUIRE_BREVITY_EXPORT ShortText append(const ShortText& a, const ShortText& b);
[[nodiscard]] inline ShortText operator+(const ShortText& a, const ShortText& b) {
  return append(a, b);
}
// All of ts in order; a single non-empty member is returned itself.
QUIRE_BREVITY_EXPORT ShortText concat(std::span<const ShortText> ts);
[[nodiscard]] inline ShortText concat(std::initializer_list<ShortText> ts) {
  return concat(std::span<const ShortText>(ts.begin(), ts.size()));
}
// t repeated n times; n <= 0 or an empty t gives empty.
QUIRE_BREVITY_EXPORT ShortText replicate(std::int64_t n, const ShortText& t);
// c between every two code points of t; a t of at most one code point is
// returned itself.
QUIRE_BREVITY_EXPORT ShortText intersperse(char32_t c, const ShortText& t);
// The members of ts with sep between neighbours; one member is returned itself.
QUIRE_BREVITY_EXPORT ShortText intercalate(const ShortText& sep, std::span<const ShortText> ts);
[[nodiscard]] inline ShortText intercalate(const ShortText& sep,
                                           std::initializer_list<ShortText> ts) {
  return intercalate(sep, std::span<const ShortText>(ts.begin(), ts.size()));
}
// The code points in reverse order, each keeping its own encoding.
QUIRE_BREVITY_EXPORT ShortText reverse(const ShortText& t);

// The code points of t that pass p, in order; t itself when all do.
template <CharPredicate P>
[[nodiscard]] ShortText filter(P p, const ShortText& t) {
  std::string kept;
  kept.reserve(t.size());
  const std::uint8_t* d = t.data();
  for (std::size_t ofs = 0; ofs < t.size();) {
    const char32_t c = detail::decodeAt(d + ofs);
    const std::size_t w = detail::charWidth(c);
    if (std::invoke(p, c)) kept.append(reinterpret_cast<const char*>(d + ofs), w);
    ofs += w;
  }
  return detail::keptBytes(t, kept);
}

// ---------------------------------------------------------------------------
// Deconstruction and lookup.

// The first code point and the rest, or nullopt for empty t.
QUIRE_BREVITY_EXPORT std::optional<std::pair<char32_t, ShortText>> uncons(const ShortText& t);
// All but the last code point and the last, or nullopt for empty t.
QUIRE_BREVITY_EXPORT std::optional<std::pair<ShortText, char32_t>> unsnoc(const ShortText& t);
// Code point i from the start (from 0); nullopt when i < 0 or i >= length.
QUIRE_BREVITY_EXPORT std::optional<char32_t> indexMaybe(const ShortText& t,
                                                        std::int64_t i) noexcept;
// Code point i from the end (0 is the last); nullopt when out of range.
QUIRE_BREVITY_EXPORT std::optional<char32_t> indexEndMaybe(const ShortText& t,
                                                           std::int64_t i) noexcept;

// The first code point passing p.
template <CharPredicate P>
[[nodiscard]] std::optional<char32_t> find(P p, const ShortText& t) {
  const std::size_t ofs = detail::prefixEnd(t, std::not_fn(std::ref(p)));
  if (ofs == t.size()) return std::nullopt;
  return detail::decodeAt(t.data() + ofs);
}

// The index of the first code point passing p.
template <CharPredicate P>
[[nodiscard]] std::optional<std::int64_t> findIndex(P p, const ShortText& t) {
  const std::uint8_t* d = t.data();
  std::int64_t index = 0;
  for (std::size_t ofs = 0; ofs < t.size(); ++index) {
    const char32_t c = detail::decodeAt(d + ofs);
    if (std::invoke(p, c)) return index;
    ofs += detail::charWidth(c);
  }
  return std::nullopt;
}

// Whether some code point passes p (false for empty t).
template <CharPredicate P>
[[nodiscard]] bool any(P p, const ShortText& t) {
  return find(std::ref(p), t).has_value();
}
// Whether every code point passes p (true for empty t).
template <CharPredicate P>
[[nodiscard]] bool all(P p, const ShortText& t) {
  return detail::prefixEnd(t, p) == t.size();
}

// Whether the bytes of a begin (end) those of b; empty a always does.
QUIRE_BREVITY_EXPORT bool isPrefixOf(const ShortText& a, const ShortText& b) noexcept;
QUIRE_BREVITY_EXPORT bool isSuffixOf(const ShortText& a, const ShortText& b) noexcept;
// b after the prefix a (b itself for empty a), or nullopt when a is not one.
QUIRE_BREVITY_EXPORT std::optional<ShortText> stripPrefix(const ShortText& a, const ShortText& b);
// b without the suffix a (b itself for empty a), or nullopt when a is not one.
QUIRE_BREVITY_EXPORT std::optional<ShortText> stripSuffix(const ShortText& a, const ShortText& b);

// ---------------------------------------------------------------------------
// Slicing. Counts are code points.

// (first n code points, rest): n <= 0 gives (empty, t), n >= length (t, empty).
QUIRE_BREVITY_EXPORT std::pair<ShortText, ShortText> splitAt(std::int64_t n, const ShortText& t);
// (all but the last n code points, last n): n <= 0 gives (t, empty),
// n >= length gives (empty, t).
QUIRE_BREVITY_EXPORT std::pair<ShortText, ShortText> splitAtEnd(std::int64_t n, const ShortText& t);
// Each copies only its own half.
QUIRE_BREVITY_EXPORT ShortText take(std::int64_t n, const ShortText& t);
QUIRE_BREVITY_EXPORT ShortText drop(std::int64_t n, const ShortText& t);
QUIRE_BREVITY_EXPORT ShortText takeEnd(std::int64_t n, const ShortText& t);
QUIRE_BREVITY_EXPORT ShortText dropEnd(std::int64_t n, const ShortText& t);

// (longest prefix passing p, rest).
template <CharPredicate P>
[[nodiscard]] std::pair<ShortText, ShortText> span(P p, const ShortText& t) {
  return detail::splitAtByte(t, detail::prefixEnd(t, p));
}
// span with p negated: (longest prefix failing p, rest).
template <CharPredicate P>
[[nodiscard]] std::pair<ShortText, ShortText> break_(P p, const ShortText& t) {
  return span(std::not_fn(std::move(p)), t);
}
// (rest, longest suffix passing p), scanning from the end.
template <CharPredicate P>
[[nodiscard]] std::pair<ShortText, ShortText> spanEnd(P p, const ShortText& t) {
  return detail::splitAtByte(t, detail::suffixStart(t, p));
}
// spanEnd with p negated.
template <CharPredicate P>
[[nodiscard]] std::pair<ShortText, ShortText> breakEnd(P p, const ShortText& t) {
  return spanEnd(std::not_fn(std::move(p)), t);
}
template <CharPredicate P>
[[nodiscard]] ShortText takeWhile(P p, const ShortText& t) {
  return detail::bytesBefore(t, detail::prefixEnd(t, p));
}
template <CharPredicate P>
[[nodiscard]] ShortText dropWhile(P p, const ShortText& t) {
  return detail::bytesFrom(t, detail::prefixEnd(t, p));
}
template <CharPredicate P>
[[nodiscard]] ShortText takeWhileEnd(P p, const ShortText& t) {
  return detail::bytesFrom(t, detail::suffixStart(t, p));
}
template <CharPredicate P>
[[nodiscard]] ShortText dropWhileEnd(P p, const ShortText& t) {
  return detail::bytesBefore(t, detail::suffixStart(t, p));
}

// t without its longest prefix and longest suffix passing p: empty when
// every code point passes (empty t included), t itself when neither end does.
template <CharPredicate P>
[[nodiscard]] ShortText dropAround(P p, const ShortText& t) {
  const std::size_t start = detail::prefixEnd(t, p);
  if (start == t.size()) return ShortText();
  const std::size_t end = detail::suffixStart(t, p);
  if (end <= start) detail::impossibleDropAround();
  return detail::slice(t, static_cast<std::int64_t>(start), static_cast<std::int64_t>(end - start));
}

// The pieces of t between the code points passing p (which are dropped),
// produced one at a time. There is always at least one piece: empty t gives
// one empty piece, a separator at either end or next to another gives an
// empty piece, and a t without separators gives t itself.
template <CharPredicate P>
[[nodiscard]] Generator<ShortText> split(P p, ShortText t) {
  const std::uint8_t* d = t.data();
  std::size_t start = 0;
  for (std::size_t ofs = 0; ofs < t.size();) {
    const char32_t c = detail::decodeAt(d + ofs);
    const std::size_t w = detail::charWidth(c);
    if (std::invoke(p, c)) {
      co_yield detail::slice(t, static_cast<std::int64_t>(start),
                             static_cast<std::int64_t>(ofs - start));
      start = ofs + w;
    }
    ofs += w;
  }
  co_yield detail::bytesFrom(t, start);
}

// ---------------------------------------------------------------------------
// Folds over the code points. Every fold is strict: each intermediate
// result is computed before the next step. foldl1 and foldr1, which need a
// non-empty text, are in partial.hpp.

// f(...f(f(z, c1), c2)..., cn); z for empty t.
template <class F, class A>
[[nodiscard]] A foldl(F f, A z, const ShortText& t) {
  for (char32_t c : unpack(t)) z = std::invoke(f, std::move(z), c);
  return z;
}
// The same as foldl.
template <class F, class A>
[[nodiscard]] A foldlStrict(F f, A z, const ShortText& t) {
  return foldl(std::move(f), std::move(z), t);
}
// f(c1, f(c2, ...f(cn, z)...)); z for empty t. Runs from the end in a loop,
// so a long text needs no deep stack.
template <class F, class A>
[[nodiscard]] A foldr(F f, A z, const ShortText& t) {
  const std::uint8_t* d = t.data();
  for (std::size_t ofs = t.size(); ofs > 0;) {
    const char32_t c = detail::decodeBefore(d + ofs);
    z = std::invoke(f, c, std::move(z));
    ofs -= detail::charWidth(c);
  }
  return z;
}

}  // namespace quire::brevity
