// Text forms of Folded values and reading them back.
//
// A Folded value shows exactly as its original value does; the folded field
// is not shown. The forms of the folding kinds: Bytes and ChunkedBytes as a
// literal with each byte as the character of that code, Text, ChunkedText
// and std::u32string as a literal of their characters, char32_t in single
// quotes, std::vector in list syntax. Reading takes the original's form and
// folds what it read.
//
// Example:
//   using namespace quire::foldkey;
//   show(mk(quire::Text("HeLLo")));                         // "\"HeLLo\""
//   show(mk(U'\u00C9'));                                    // "'\xC3\x89'"
//   std::vector<Folded<quire::Bytes>> keys = {mk(quire::Bytes("A")), mk(quire::Bytes("b"))};
//   show(std::span<const Folded<quire::Bytes>>(keys));      // "[\"A\",\"b\"]"
//   auto k = read<Folded<quire::Text>>(" (\"Key\") ");
//   // k->original().view() == "Key", k->foldedCase().view() == "key"
#pragma once

#include <concepts>
#include <optional>
#include <ostream>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/bytes.hpp"
#include "base/show.hpp"
#include "foldkey/export.hpp"
#include "foldkey/folded.hpp"

namespace quire::foldkey {

namespace detail {

QUIRE_FOLDKEY_EXPORT std::string showBytes(std::string_view bytes);
QUIRE_FOLDKEY_EXPORT std::string showChars(std::u32string_view chars);
QUIRE_FOLDKEY_EXPORT std::string showChar(char32_t c);

// One reading of each kind at the start of text (no white space skipped),
// or nullopt.
QUIRE_FOLDKEY_EXPORT std::optional<Reading<Bytes>> readBytes(std::string_view text);
QUIRE_FOLDKEY_EXPORT std::optional<Reading<Text>> readText(std::string_view text);
QUIRE_FOLDKEY_EXPORT std::optional<Reading<std::u32string>> readChars(std::string_view text);
QUIRE_FOLDKEY_EXPORT std::optional<Reading<char32_t>> readChar(std::string_view text);

template <class S>
concept HasShowsPrec = requires(int prec, const S& s) {
  { showsPrec(prec, s) } -> std::convertible_to<std::string>;
};

template <class S>
std::string showValue(int prec, const S& s) {
  if constexpr (std::same_as<S, Bytes>) {
    return showBytes(s.view());
  } else if constexpr (std::same_as<S, ChunkedBytes>) {
    return showBytes(s.toString());
  } else if constexpr (std::same_as<S, Text>) {
    return showLiteral(s.view());
  } else if constexpr (std::same_as<S, ChunkedText>) {
    return showLiteral(s.toString());
  } else if constexpr (std::same_as<S, std::u32string>) {
    return showChars(s);
  } else if constexpr (std::same_as<S, char32_t>) {
    return showChar(s);
  } else if constexpr (HasShowsPrec<S>) {
    return showsPrec(prec, s);
  } else {
    std::string out = "[";
    for (const auto& element : s) {
      if (out.size() > 1) out.push_back(',');
      out += showValue(0, element);
    }
    out.push_back(']');
    return out;
  }
}

// Readings of one value of S at the start of text, inside any number of
// parentheses; precedence does not restrict these atomic forms.
template <class S>
std::vector<Reading<S>> readValue(std::string_view text) {
  return readParen(false, text, [](std::string_view at) {
    std::vector<Reading<S>> out;
    auto push = [&](auto reading) {
      if (reading) out.push_back({S(std::move(reading->value)), reading->rest});
    };
    if constexpr (std::same_as<S, Bytes>) {
      push(readBytes(at));
    } else if constexpr (std::same_as<S, ChunkedBytes>) {
      if (auto r = readBytes(at)) out.push_back({ChunkedBytes({r->value}), r->rest});
    } else if constexpr (std::same_as<S, Text>) {
      push(readText(at));
    } else if constexpr (std::same_as<S, ChunkedText>) {
      if (auto r = readText(at)) out.push_back({ChunkedText({r->value}), r->rest});
    } else if constexpr (std::same_as<S, std::u32string>) {
      push(readChars(at));
    } else if constexpr (std::same_as<S, char32_t>) {
      push(readChar(at));
    } else {
      static_assert(sizeof(S) == 0, "no reader for this kind");
    }
    return out;
  });
}

}  // namespace detail

// The text form of original(x) at precedence prec.
template <class S>
[[nodiscard]] std::string showsPrec(int prec, const Folded<S>& x) {
  return detail::showValue(prec, x.original());
}

template <class S>
[[nodiscard]] std::string show(const Folded<S>& x) {
  return showsPrec(0, x);
}

// A list of values in list syntax: "[a,b]".
template <class S>
[[nodiscard]] std::string show(std::span<const Folded<S>> xs) {
  std::string out = "[";
  for (const Folded<S>& x : xs) {
    if (out.size() > 1) out.push_back(',');
    out += show(x);
  }
  out.push_back(']');
  return out;
}

template <class S>
std::ostream& operator<<(std::ostream& os, const Folded<S>& x) {
  return os << show(x);
}

// Every reading of a Folded<S> at the start of text: each reading of S in
// its own form, folded with mk. Provided for Bytes, ChunkedBytes, Text,
// ChunkedText, std::u32string and char32_t (and Folded of those).
template <class T>
  requires detail::IsFolded<T>
[[nodiscard]] std::vector<Reading<T>> readsPrec(int prec, std::string_view text) {
  using S = std::decay_t<decltype(std::declval<const T&>().original())>;
  std::vector<Reading<T>> out;
  if constexpr (detail::IsFolded<S>) {
    for (auto& r : readsPrec<S>(prec, text)) out.push_back({mk(std::move(r.value)), r.rest});
  } else {
    for (auto& r : detail::readValue<S>(text)) out.push_back({mk(std::move(r.value)), r.rest});
  }
  return out;
}

// The only reading of text that leaves nothing but white space, or nullopt.
template <class T>
  requires detail::IsFolded<T>
[[nodiscard]] std::optional<T> read(std::string_view text) {
  return onlyFullReading(readsPrec<T>(0, text));
}

}  // namespace quire::foldkey
