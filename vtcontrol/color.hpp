// Colour values of the terminal library.
//
// LinearRGB is a linear-light RGB colour with single-precision components
// (0 is black, 1 full intensity); it is what a 24-bit SGR colour command
// carries. toSRGB24 gamma-encodes it with the standard sRGB transfer function
// and scales it to bytes, clamping anything outside [0, 1] (NaN counts as 0).
// RGB16 is a colour as a terminal reports it: three 16-bit components where
// 0xFFFF is full intensity.
//
// Example:
//   toSRGB24(LinearRGB{1.0f, 0.0f, 0.0f})    // == SRGB24{255, 0, 0}
//   toSRGB24(LinearRGB{0.5f, 0.5f, 0.5f})    // == SRGB24{188, 188, 188}
//   toSRGB24(LinearRGB{2.0f, -1.0f, 0.0f})   // == SRGB24{255, 0, 0}
//   show(RGB16{0xFFFF, 0, 0x1A1A})           // == "RGB16 65535 0 6682"
#pragma once

#include <compare>
#include <cstdint>
#include <functional>
#include <ostream>
#include <string>

#include "base/hash.hpp"
#include "vtcontrol/export.hpp"

namespace quire::vtcontrol {

// Equality and ordering follow the IEEE total order of each component, so the
// type is regular even for NaN (a NaN equals itself) and -0 differs from 0.
struct LinearRGB {
  float red = 0.0f;
  float green = 0.0f;
  float blue = 0.0f;

  friend std::strong_ordering operator<=>(const LinearRGB& a, const LinearRGB& b) noexcept {
    if (auto c = std::strong_order(a.red, b.red); c != 0) return c;
    if (auto c = std::strong_order(a.green, b.green); c != 0) return c;
    return std::strong_order(a.blue, b.blue);
  }
  friend bool operator==(const LinearRGB& a, const LinearRGB& b) noexcept { return (a <=> b) == 0; }
};

// A gamma-encoded sRGB colour with one byte per component.
struct SRGB24 {
  std::uint8_t red = 0;
  std::uint8_t green = 0;
  std::uint8_t blue = 0;

  friend bool operator==(const SRGB24&, const SRGB24&) = default;
  friend auto operator<=>(const SRGB24&, const SRGB24&) = default;
};

// A colour as reported by a terminal, each component scaled to 16 bits.
struct RGB16 {
  std::uint16_t red = 0;
  std::uint16_t green = 0;
  std::uint16_t blue = 0;

  friend bool operator==(const RGB16&, const RGB16&) = default;
  friend auto operator<=>(const RGB16&, const RGB16&) = default;
};

// The standard sRGB encoding of one linear component, as a byte (rounded to nearest).
[[nodiscard]] QUIRE_VTCONTROL_EXPORT std::uint8_t toSRGBByte(float linear) noexcept;

[[nodiscard]] inline SRGB24 toSRGB24(const LinearRGB& c) noexcept {
  return SRGB24{toSRGBByte(c.red), toSRGBByte(c.green), toSRGBByte(c.blue)};
}

[[nodiscard]] QUIRE_VTCONTROL_EXPORT std::uint64_t hashWithSalt(std::uint64_t salt,
                                                                const LinearRGB& c) noexcept;
[[nodiscard]] QUIRE_VTCONTROL_EXPORT std::uint64_t hashWithSalt(std::uint64_t salt,
                                                                const SRGB24& c) noexcept;
[[nodiscard]] QUIRE_VTCONTROL_EXPORT std::uint64_t hashWithSalt(std::uint64_t salt,
                                                                const RGB16& c) noexcept;

// Text forms: "LinearRGB 1 0.5 0", "SRGB24 255 188 0", "RGB16 65535 0 6682";
// showsPrec above 10 puts parentheses around them, and a negative component
// is parenthesised itself ("LinearRGB (-1) 0 0").
[[nodiscard]] QUIRE_VTCONTROL_EXPORT std::string showsPrec(int prec, const LinearRGB& c);
[[nodiscard]] QUIRE_VTCONTROL_EXPORT std::string showsPrec(int prec, const SRGB24& c);
[[nodiscard]] QUIRE_VTCONTROL_EXPORT std::string showsPrec(int prec, const RGB16& c);
[[nodiscard]] inline std::string show(const LinearRGB& c) { return showsPrec(0, c); }
[[nodiscard]] inline std::string show(const SRGB24& c) { return showsPrec(0, c); }
[[nodiscard]] inline std::string show(const RGB16& c) { return showsPrec(0, c); }
inline std::ostream& operator<<(std::ostream& os, const LinearRGB& c) { return os << show(c); }
inline std::ostream& operator<<(std::ostream& os, const SRGB24& c) { return os << show(c); }
inline std::ostream& operator<<(std::ostream& os, const RGB16& c) { return os << show(c); }

}  // namespace quire::vtcontrol

template <>
struct std::hash<quire::vtcontrol::LinearRGB> : quire::hash::StdHash<quire::vtcontrol::LinearRGB> {
};
template <>
struct std::hash<quire::vtcontrol::SRGB24> : quire::hash::StdHash<quire::vtcontrol::SRGB24> {};
template <>
struct std::hash<quire::vtcontrol::RGB16> : quire::hash::StdHash<quire::vtcontrol::RGB16> {};
