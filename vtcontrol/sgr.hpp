// Graphic rendition (SGR) values: the style attributes a terminal applies to
// the text written after them.
//
// The attribute types are plain enumerations in their declared order; SGR is
// one style command, a variant of small named structs in this order: Reset,
// SetConsoleIntensity, SetItalicized, SetUnderlining, SetBlinkRate,
// SetVisibility, SetReverseVideo, SetColor, SetTrueColor, SetIndexedColor,
// SetLayerDefault. Every type here is regular: ==, <=> (SGR values order by
// variant first, then by fields), hashWithSalt, std::hash and a text form.
// codes.hpp turns lists of them into escape sequences (setSGRCode).
//
// Example:
//   using namespace quire::vtcontrol;
//   std::vector<SGR> style{SetColor{ConsoleLayer::Foreground, ColorIntensity::Vivid, Color::Red},
//                          SetConsoleIntensity{ConsoleIntensity::BoldIntensity}};
//   show(style[0])                         // == "SetColor Foreground Vivid Red"
//   SGR{} == SGR{Reset{}}                  // == true
//   SGR{Reset{}} < SGR{SetItalicized{false}}  // == true (declared order)
//   style[1].get_if<SetConsoleIntensity>()->intensity  // == ConsoleIntensity::BoldIntensity
#pragma once

#include <compare>
#include <concepts>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <ostream>
#include <string>
#include <type_traits>
#include <utility>
#include <variant>

#include "base/hash.hpp"
#include "vtcontrol/color.hpp"
#include "vtcontrol/export.hpp"

namespace quire::vtcontrol {

enum class ConsoleLayer : std::uint8_t { Foreground, Background };
enum class ColorIntensity : std::uint8_t { Dull, Vivid };
enum class Color : std::uint8_t { Black, Red, Green, Yellow, Blue, Magenta, Cyan, White };
enum class ConsoleIntensity : std::uint8_t { BoldIntensity, DimIntensity, NormalIntensity };
enum class Underlining : std::uint8_t { SingleUnderline, TwoLineUnderline, NoUnderline };
enum class BlinkRate : std::uint8_t { BlinkSlow, BlinkFast, BlinkNone };

// The alternatives of SGR. Each is an aggregate: SetColor{layer, intensity, color}.
struct Reset {
  friend bool operator==(const Reset&, const Reset&) = default;
  friend auto operator<=>(const Reset&, const Reset&) = default;
};
struct SetConsoleIntensity {
  ConsoleIntensity intensity;
  friend bool operator==(const SetConsoleIntensity&, const SetConsoleIntensity&) = default;
  friend auto operator<=>(const SetConsoleIntensity&, const SetConsoleIntensity&) = default;
};
struct SetItalicized {
  bool italicized;
  friend bool operator==(const SetItalicized&, const SetItalicized&) = default;
  friend auto operator<=>(const SetItalicized&, const SetItalicized&) = default;
};
struct SetUnderlining {
  Underlining underlining;
  friend bool operator==(const SetUnderlining&, const SetUnderlining&) = default;
  friend auto operator<=>(const SetUnderlining&, const SetUnderlining&) = default;
};
struct SetBlinkRate {
  BlinkRate rate;
  friend bool operator==(const SetBlinkRate&, const SetBlinkRate&) = default;
  friend auto operator<=>(const SetBlinkRate&, const SetBlinkRate&) = default;
};
struct SetVisibility {
  bool visible;  // false conceals the text
  friend bool operator==(const SetVisibility&, const SetVisibility&) = default;
  friend auto operator<=>(const SetVisibility&, const SetVisibility&) = default;
};
struct SetReverseVideo {
  bool reversed;  // true swaps foreground and background
  friend bool operator==(const SetReverseVideo&, const SetReverseVideo&) = default;
  friend auto operator<=>(const SetReverseVideo&, const SetReverseVideo&) = default;
};
struct SetColor {
  ConsoleLayer layer;
  ColorIntensity intensity;
  Color color;
  friend bool operator==(const SetColor&, const SetColor&) = default;
  friend auto operator<=>(const SetColor&, const SetColor&) = default;
};
struct SetTrueColor {
  ConsoleLayer layer;
  LinearRGB color;  // written as 24-bit sRGB
  friend bool operator==(const SetTrueColor&, const SetTrueColor&) = default;
  friend std::strong_ordering operator<=>(const SetTrueColor&, const SetTrueColor&) = default;
};
struct SetIndexedColor {
  ConsoleLayer layer;
  std::uint8_t index;  // palette entry 0 to 255
  friend bool operator==(const SetIndexedColor&, const SetIndexedColor&) = default;
  friend auto operator<=>(const SetIndexedColor&, const SetIndexedColor&) = default;
};
struct SetLayerDefault {
  ConsoleLayer layer;
  friend bool operator==(const SetLayerDefault&, const SetLayerDefault&) = default;
  friend auto operator<=>(const SetLayerDefault&, const SetLayerDefault&) = default;
};

// One graphic rendition command. Converts implicitly from each alternative,
// so lists read naturally: std::vector<SGR>{Reset{}, SetItalicized{true}}.
// The default value is Reset.
class SGR {
 public:
  using Variant = std::variant<Reset, SetConsoleIntensity, SetItalicized, SetUnderlining,
                               SetBlinkRate, SetVisibility, SetReverseVideo, SetColor, SetTrueColor,
                               SetIndexedColor, SetLayerDefault>;

  constexpr SGR() noexcept = default;
  template <class Alternative>
  requires std::constructible_from<Variant, Alternative> &&
      (!std::same_as<std::remove_cvref_t<Alternative>, SGR>)constexpr SGR(
          Alternative alternative) noexcept
      : value_(std::move(alternative)) {}  // NOLINT: implicit on purpose

  // The position of the alternative in the declared order (Reset is 0).
  [[nodiscard]] constexpr std::size_t index() const noexcept { return value_.index(); }
  [[nodiscard]] constexpr const Variant& variant() const noexcept { return value_; }

  template <class Alternative>
  [[nodiscard]] constexpr bool is() const noexcept {
    return std::holds_alternative<Alternative>(value_);
  }
  // The alternative, or nullptr when this command is another one.
  template <class Alternative>
  [[nodiscard]] constexpr const Alternative* get_if() const noexcept {
    return std::get_if<Alternative>(&value_);
  }
  // Calls f with the alternative held.
  template <class F>
  constexpr decltype(auto) visit(F&& f) const {
    return std::visit(std::forward<F>(f), value_);
  }

  friend bool operator==(const SGR&, const SGR&) = default;
  friend std::strong_ordering operator<=>(const SGR& a, const SGR& b) noexcept {
    return a.value_ <=> b.value_;
  }

 private:
  Variant value_{};
};

// The attribute enumerations above.
template <class T>
concept StyleAttribute =
    std::same_as<T, ConsoleLayer> || std::same_as<T, ColorIntensity> || std::same_as<T, Color> ||
    std::same_as<T, ConsoleIntensity> || std::same_as<T, Underlining> || std::same_as<T, BlinkRate>;

// Hashing: an attribute mixes its declared position; SGR mixes its variant
// index and then its fields.
template <StyleAttribute T>
[[nodiscard]] constexpr std::uint64_t hashWithSalt(std::uint64_t salt, T v) noexcept {
  return hash::mixWord(salt, static_cast<std::uint64_t>(v));
}
[[nodiscard]] QUIRE_VTCONTROL_EXPORT std::uint64_t hashWithSalt(std::uint64_t salt,
                                                                const SGR& sgr) noexcept;

// Text forms: the enumerator name ("Foreground", "BoldIntensity"), and for
// SGR the variant name followed by its fields ("Reset", "SetItalicized true",
// "SetColor Background Dull Blue", "SetTrueColor Foreground (LinearRGB 1 0 0)").
// showsPrec above 10 puts parentheses around an SGR that has fields.
[[nodiscard]] QUIRE_VTCONTROL_EXPORT std::string show(ConsoleLayer v);
[[nodiscard]] QUIRE_VTCONTROL_EXPORT std::string show(ColorIntensity v);
[[nodiscard]] QUIRE_VTCONTROL_EXPORT std::string show(Color v);
[[nodiscard]] QUIRE_VTCONTROL_EXPORT std::string show(ConsoleIntensity v);
[[nodiscard]] QUIRE_VTCONTROL_EXPORT std::string show(Underlining v);
[[nodiscard]] QUIRE_VTCONTROL_EXPORT std::string show(BlinkRate v);
[[nodiscard]] QUIRE_VTCONTROL_EXPORT std::string showsPrec(int prec, const SGR& sgr);
[[nodiscard]] inline std::string show(const SGR& sgr) { return showsPrec(0, sgr); }

template <StyleAttribute T>
std::ostream& operator<<(std::ostream& os, T v) {
  return os << show(v);
}
inline std::ostream& operator<<(std::ostream& os, const SGR& sgr) { return os << show(sgr); }

}  // namespace quire::vtcontrol

// The enumerations already have std::hash from the standard library.
template <>
struct std::hash<quire::vtcontrol::SGR> : quire::hash::StdHash<quire::vtcontrol::SGR> {};
