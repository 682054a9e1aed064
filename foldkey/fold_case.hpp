// FoldCase: the per-type case folding behind Folded.
//
// FoldCase<S> is a trait with two static operations, foldCase (S to S) and
// foldCaseList (a list of S to a list of S). The free functions foldCase and
// foldCaseList dispatch to it. A type opts in by specialising the trait;
// deriving from FoldCaseDefaults<S> supplies the usual foldCaseList, which
// folds every element on its own. The list form exists so that a string of
// characters folds as a whole: one character folds alone by its simple
// lowercase mapping, while a std::u32string folds with full case folding,
// where one character may become up to three.
//
// Provided kinds:
//   quire::Bytes         every byte through toLower8 (ASCII and Latin-1
//                        capitals; the bytes are not read as UTF-8)
//   quire::ChunkedBytes  the same per chunk, chunk boundaries kept
//   char32_t             simple lowercase; its foldCaseList (std::u32string)
//                        is full case folding
//   std::u32string       full case folding (the list of char32_t)
//   std::vector<T>       foldCaseList of T
//   quire::Text          full case folding of the UTF-8 text
//   quire::ChunkedText   full case folding chunk by chunk, one output chunk
//                        per input chunk
//   Folded<S>            see foldkey/folded.hpp
//
// Example:
//   using namespace quire::foldkey;
//   foldCaseBS(quire::Bytes("HeLLo \xC0"));     // bytes "hello \xE0"
//   foldCase(U'\u00DF');                        // U'\u00DF' (no one-char fold)
//   foldCase(std::u32string(U"Stra\u00DFe"));   // U"strasse"
//   foldCase(quire::Text("\xCE\x90"));          // U+0390 becomes three
//                                               // characters: ι, ̈, ́
//
// Note: Text and ChunkedText are trusted to be UTF-8; a byte that does not
// start a well-formed sequence is copied unchanged rather than rejected.
// Characters outside the Unicode range (surrogates, above U+10FFFF) in a
// std::u32string are kept as they are.
#pragma once

#include <concepts>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/bytes.hpp"
#include "foldkey/export.hpp"

namespace quire::foldkey {

// The trait; specialise it to make a type foldable.
template <class S>
struct FoldCase;

// A type with a FoldCase specialisation.
template <class S>
concept CaseFoldable = requires(const S& s) {
  { FoldCase<S>::foldCase(s) } -> std::convertible_to<S>;
};

// The list type foldCaseList works on: std::vector<S>, or the trait's own
// List where it names one (std::u32string for char32_t).
template <class S>
struct FoldListOf {
  using type = std::vector<S>;
};
template <class S>
  requires requires { typename FoldCase<S>::List; }
struct FoldListOf<S> {
  using type = typename FoldCase<S>::List;
};
template <class S>
using FoldList = typename FoldListOf<S>::type;

// The default foldCaseList: fold each element on its own.
template <class S>
struct FoldCaseDefaults {
  static std::vector<S> foldCaseList(const std::vector<S>& xs) {
    std::vector<S> out;
    out.reserve(xs.size());
    for (const S& x : xs) out.push_back(FoldCase<S>::foldCase(x));
    return out;
  }
};

template <CaseFoldable S>
[[nodiscard]] S foldCase(const S& s) {
  return FoldCase<S>::foldCase(s);
}

template <CaseFoldable S>
[[nodiscard]] FoldList<S> foldCaseList(const FoldList<S>& xs) {
  return FoldCase<S>::foldCaseList(xs);
}

// The byte fold: 0x41..0x5A, 0xC0..0xD6 and 0xD8..0xDE gain 0x20; every
// other byte, 0xD7 (multiplication sign) and 0xDF (sharp s) included, stays.
[[nodiscard]] constexpr std::uint8_t toLower8(std::uint8_t w) noexcept {
  const bool ascii = static_cast<std::uint8_t>(w - 0x41) < 26;
  const bool latin1 = static_cast<std::uint8_t>(w - 0xC0) < 31 && w != 0xD7;
  return static_cast<std::uint8_t>(w + ((ascii || latin1) ? 0x20 : 0));
}

// A fresh byte string of the same length, every byte through toLower8.
QUIRE_FOLDKEY_EXPORT Bytes foldCaseBS(const Bytes& bs);

// Writes toLower8 of each of the n bytes at in to out (which may equal in).
QUIRE_FOLDKEY_EXPORT void toLower8Bytes(const char* in, std::size_t n, char* out) noexcept;

// Full case folding of a list of characters.
QUIRE_FOLDKEY_EXPORT std::u32string fullFold(std::u32string_view chars);

// The simple lowercase mapping of one character (c itself when it has none
// or is not a Unicode scalar value).
QUIRE_FOLDKEY_EXPORT char32_t simpleLower(char32_t c) noexcept;

// Full case folding of a Text into fresh storage.
QUIRE_FOLDKEY_EXPORT Text foldText(const Text& t);

template <>
struct FoldCase<Bytes> : FoldCaseDefaults<Bytes> {
  static Bytes foldCase(const Bytes& bs) { return foldCaseBS(bs); }
};

template <>
struct QUIRE_FOLDKEY_EXPORT FoldCase<ChunkedBytes> : FoldCaseDefaults<ChunkedBytes> {
  static ChunkedBytes foldCase(const ChunkedBytes& c);
};

template <>
struct FoldCase<char32_t> {
  using List = std::u32string;
  static char32_t foldCase(char32_t c) noexcept { return simpleLower(c); }
  static std::u32string foldCaseList(const std::u32string& s) { return fullFold(s); }
};

template <>
struct FoldCase<std::u32string> : FoldCaseDefaults<std::u32string> {
  static std::u32string foldCase(const std::u32string& s) { return fullFold(s); }
};

template <CaseFoldable T>
struct FoldCase<std::vector<T>> : FoldCaseDefaults<std::vector<T>> {
  static std::vector<T> foldCase(const std::vector<T>& xs) {
    if constexpr (std::same_as<FoldList<T>, std::vector<T>>) {
      return FoldCase<T>::foldCaseList(xs);
    } else {
      FoldList<T> folded = FoldCase<T>::foldCaseList(FoldList<T>(xs.begin(), xs.end()));
      return std::vector<T>(folded.begin(), folded.end());
    }
  }
};

template <>
struct FoldCase<Text> : FoldCaseDefaults<Text> {
  static Text foldCase(const Text& t) { return foldText(t); }
};

template <>
struct QUIRE_FOLDKEY_EXPORT FoldCase<ChunkedText> : FoldCaseDefaults<ChunkedText> {
  static ChunkedText foldCase(const ChunkedText& c);
};

}  // namespace quire::foldkey
