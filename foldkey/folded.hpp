// Folded<S>: a value paired with its case-folded form, so that equality,
// ordering and hashing ignore letter case while the value keeps the spelling
// it was given.
//
// Both fields are computed once, when the value is built: original() is the
// value as given and foldedCase() is foldCase(original()). Every comparison
// and the hash look only at foldedCase(), so two values with different
// originals can be equal. unsafeMk skips the fold for callers who know the
// value is folded already; every other way of building keeps the invariant
// foldedCase() == foldCase(original()).
//
// Example:
//   using namespace quire::foldkey;
//   Folded<quire::Text> a = mk(quire::Text("Content-Type"));
//   Folded<quire::Text> b = "content-type";      // a literal goes through mk
//   // a == b, hash(a) == hash(b)
//   // a.original().view() == "Content-Type"
//   // a.foldedCase().view() == "content-type"
//   Folded<std::u32string> s = mk(std::u32string(U"Stra\u00DFe"));
//   // s.foldedCase() == U"strasse", s == mk(std::u32string(U"STRASSE"))
//   // unsafeMk(quire::Text("ABC")) != mk(quire::Text("ABC"))
//
// Combining (operator+) joins the fields pairwise without folding again;
// a default-constructed Folded is its identity.
#pragma once

#include <compare>
#include <concepts>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <tuple>
#include <type_traits>
#include <utility>
#include <vector>

#include "base/bytes.hpp"
#include "base/error.hpp"
#include "base/hash.hpp"
#include "foldkey/export.hpp"
#include "foldkey/fold_case.hpp"

namespace quire::foldkey {

template <class S>
class Folded;

namespace detail {

template <class T>
struct IsFoldedT : std::false_type {};
template <class S>
struct IsFoldedT<Folded<S>> : std::true_type {};
template <class T>
concept IsFolded = IsFoldedT<T>::value;

// The salted hash of a value of one of the folding kinds. Types with their
// own hashWithSalt use it; characters and lists of them hash their UTF-8
// bytes, so a std::u32string hashes like the Text that spells it.
QUIRE_FOLDKEY_EXPORT std::uint64_t hashChars(std::uint64_t salt, std::u32string_view chars) noexcept;

template <class S>
concept ValueHashable =
    quire::hash::Hashable<S> || std::same_as<S, char32_t> || std::same_as<S, std::u32string> ||
    requires(const S& s) {
      typename S::value_type;
      requires std::same_as<S, std::vector<typename S::value_type>>;
    };

template <class S>
std::uint64_t hashValue(std::uint64_t salt, const S& s) {
  if constexpr (quire::hash::Hashable<S>) {
    return hashWithSalt(salt, s);
  } else if constexpr (std::same_as<S, char32_t>) {
    return hashChars(salt, std::u32string_view(&s, 1));
  } else if constexpr (std::same_as<S, std::u32string>) {
    return hashChars(salt, s);
  } else {
    for (const auto& element : s) salt = hashValue(salt, element);
    return quire::hash::mixWord(salt, s.size());
  }
}

// Concatenation of the string kinds, for combining.
QUIRE_FOLDKEY_EXPORT Bytes concatAll(std::span<const Bytes> parts);
QUIRE_FOLDKEY_EXPORT Text concatAll(std::span<const Text> parts);

template <class S>
concept Joinable = std::same_as<S, Bytes> || std::same_as<S, Text> ||
                   std::same_as<S, ChunkedBytes> || std::same_as<S, ChunkedText> ||
                   requires(const S& a) {
                     { a + a } -> std::convertible_to<S>;
                   } || requires(S& a) { a.insert(a.end(), a.begin(), a.end()); };

// All parts joined in order, with one allocation where the kind allows it.
template <Joinable S>
S joinAll(std::span<const S> parts) {
  if constexpr (std::same_as<S, Bytes> || std::same_as<S, Text>) {
    return concatAll(parts);
  } else if constexpr (std::same_as<S, ChunkedBytes> || std::same_as<S, ChunkedText>) {
    S out;
    for (const S& part : parts)
      for (const auto& chunk : part) out.append(chunk);
    return out;
  } else if constexpr (requires(S& a) { a.insert(a.end(), a.begin(), a.end()); }) {
    S out;
    for (const S& part : parts) out.insert(out.end(), part.begin(), part.end());
    return out;
  } else {
    if (parts.empty()) return S{};
    S out = parts.front();
    for (const S& part : parts.subspan(1)) out = out + part;
    return out;
  }
}

}  // namespace detail

template <class S>
class Folded {
 public:
  // The identity of combining: S{} in both fields.
  Folded()
    requires std::default_initializable<S>
  = default;

  // A string literal, converted to S and folded: Folded<Text> k = "Key";
  template <class Char, std::size_t N>
    requires CaseFoldable<S> && std::constructible_from<S, std::basic_string_view<Char>>
  Folded(const Char (&literal)[N])  // NOLINT: implicit, as for any string literal
      : original_(std::basic_string_view<Char>(literal, N - (literal[N - 1] == Char{} ? 1 : 0))),
        folded_(foldCase(original_)) {}

  [[nodiscard]] const S& original() const noexcept { return original_; }
  [[nodiscard]] const S& foldedCase() const noexcept { return folded_; }

  // The two fields for generic code and structured bindings:
  // auto [original, folded] = x;
  template <std::size_t I>
    requires(I < 2)
  friend const S& get(const Folded& x) noexcept {
    if constexpr (I == 0) {
      return x.original_;
    } else {
      return x.folded_;
    }
  }

  template <CaseFoldable T>
  friend Folded<T> mk(T s);
  template <class T>
  friend Folded<T> unsafeMk(T s);
  template <class T>
  friend struct FoldCase;

  // Compare the folded fields only.
  friend bool operator==(const Folded& a, const Folded& b)
    requires std::equality_comparable<S>
  {
    return a.folded_ == b.folded_;
  }
  friend auto operator<=>(const Folded& a, const Folded& b)
    requires std::three_way_comparable<S>
  {
    return a.folded_ <=> b.folded_;
  }

  // The hash of the folded field, seeded by salt.
  friend std::uint64_t hashWithSalt(std::uint64_t salt, const Folded& x)
    requires detail::ValueHashable<S>
  {
    return detail::hashValue(salt, x.folded_);
  }

  // Field by field, without folding again.
  friend Folded operator+(const Folded& a, const Folded& b)
    requires detail::Joinable<S>
  {
    const S originals[] = {a.original_, b.original_};
    const S folds[] = {a.folded_, b.folded_};
    return Folded(detail::joinAll<S>(originals), detail::joinAll<S>(folds));
  }
  Folded& operator+=(const Folded& b)
    requires detail::Joinable<S>
  {
    return *this = *this + b;
  }

  // All values combined in order, each field joined in one step; the
  // identity for an empty list.
  friend Folded concat(std::span<const Folded> xs)
    requires detail::Joinable<S> && std::default_initializable<S>
  {
    std::vector<S> originals, folds;
    originals.reserve(xs.size());
    folds.reserve(xs.size());
    for (const Folded& x : xs) {
      originals.push_back(x.original_);
      folds.push_back(x.folded_);
    }
    return Folded(detail::joinAll<S>(originals), detail::joinAll<S>(folds));
  }

 private:
  Folded(S original, S folded) : original_(std::move(original)), folded_(std::move(folded)) {}

  S original_{};
  S folded_{};
};

// original = s, foldedCase = foldCase(s).
template <CaseFoldable S>
[[nodiscard]] Folded<S> mk(S s) {
  S folded = foldCase(s);
  return Folded<S>(std::move(s), std::move(folded));
}

// original = foldedCase = s, with no folding.
// Note: for values that are known to be folded already; an unfolded s
// breaks equality with the same value built by mk.
template <class S>
[[nodiscard]] Folded<S> unsafeMk(S s) {
  S copy = s;
  return Folded<S>(std::move(copy), std::move(s));
}

template <class S>
[[nodiscard]] const S& original(const Folded<S>& x) noexcept {
  return x.original();
}
template <class S>
[[nodiscard]] const S& foldedCase(const Folded<S>& x) noexcept {
  return x.foldedCase();
}

// mk(f(original(x))): the fold is recomputed from the mapped value.
template <class S, class F>
  requires std::invocable<F&, const S&> && CaseFoldable<std::decay_t<std::invoke_result_t<F&, const S&>>>
[[nodiscard]] auto map(F&& f, const Folded<S>& x) {
  return mk(std::invoke(f, x.original()));
}

// How traverse rebuilds a Folded inside the result of f. Provided for
// std::optional (absent stays absent) and std::vector (one Folded per
// element); specialise it for other wrappers.
template <class R>
struct TraverseEffect;

template <class T>
struct TraverseEffect<std::optional<T>> {
  static std::optional<Folded<T>> apply(std::optional<T>&& r) {
    if (!r) return std::nullopt;
    return mk(std::move(*r));
  }
};

template <class T>
struct TraverseEffect<std::vector<T>> {
  static std::vector<Folded<T>> apply(std::vector<T>&& r) {
    std::vector<Folded<T>> out;
    out.reserve(r.size());
    for (T& value : r) out.push_back(mk(std::move(value)));
    return out;
  }
};

// Runs f on original(x) and applies mk inside its result.
template <class S, class F>
  requires std::invocable<F&, const S&>
[[nodiscard]] auto traverse(F&& f, const Folded<S>& x) {
  using R = std::decay_t<std::invoke_result_t<F&, const S&>>;
  return TraverseEffect<R>::apply(R(std::invoke(f, x.original())));
}

// The ordering of the folded fields, as <=> gives it.
template <class S>
  requires std::three_way_comparable<S>
[[nodiscard]] auto compare(const Folded<S>& x, const Folded<S>& y) {
  return x <=> y;
}

// y when x's folded field is greater, else x: on equal folded fields the
// first argument.
template <class S>
  requires std::three_way_comparable<S>
[[nodiscard]] const Folded<S>& min(const Folded<S>& x, const Folded<S>& y) {
  return (x.foldedCase() > y.foldedCase()) ? y : x;
}

// x when x's folded field is greater, else y: on equal folded fields the
// second argument.
// Note: std::max gives the first argument on a tie; this one does not.
template <class S>
  requires std::three_way_comparable<S>
[[nodiscard]] const Folded<S>& max(const Folded<S>& x, const Folded<S>& y) {
  return (x.foldedCase() > y.foldedCase()) ? x : y;
}

template <class S>
  requires detail::ValueHashable<S>
[[nodiscard]] std::uint64_t hash(const Folded<S>& x) {
  return hashWithSalt(quire::hash::defaultSalt, x);
}

// x combined with itself n times, by repeated doubling; the identity for
// n == 0. A negative count is an error.
template <class S>
  requires detail::Joinable<S> && std::default_initializable<S>
[[nodiscard]] Folded<S> repeat(std::int64_t n, const Folded<S>& x) {
  if (n < 0) throwError("repeat: negative count");
  Folded<S> result;
  Folded<S> power = x;
  while (n > 0) {
    if (n & 1) result += power;
    n >>= 1;
    if (n > 0) power += power;
  }
  return result;
}

// Folding a Folded value folds nothing new: both fields become the
// argument's folded field.
template <class S>
struct FoldCase<Folded<S>> : FoldCaseDefaults<Folded<S>> {
  static Folded<S> foldCase(const Folded<S>& x) { return Folded<S>(x.folded_, x.folded_); }
};

}  // namespace quire::foldkey

template <class S>
struct std::tuple_size<quire::foldkey::Folded<S>> : std::integral_constant<std::size_t, 2> {};
template <std::size_t I, class S>
struct std::tuple_element<I, quire::foldkey::Folded<S>> {
  using type = const S;
};

template <class S>
  requires quire::foldkey::detail::ValueHashable<S>
struct std::hash<quire::foldkey::Folded<S>> : quire::hash::StdHash<quire::foldkey::Folded<S>> {};
