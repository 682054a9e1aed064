#include "vtcontrol/color.hpp"

#include <bit>
#include <cmath>

#include "vtcontrol/internal/text.hpp"

namespace quire::vtcontrol {

std::uint8_t toSRGBByte(float linear) noexcept {
  // Negated tests so that NaN lands on 0.
  if (!(linear > 0.0f)) return 0;
  if (!(linear < 1.0f)) return 255;
  double c = linear;
  double encoded = c <= 0.0031308 ? 12.92 * c : 1.055 * std::pow(c, 1.0 / 2.4) - 0.055;
  double scaled = std::round(encoded * 255.0);
  return static_cast<std::uint8_t>(scaled < 0.0 ? 0.0 : scaled > 255.0 ? 255.0 : scaled);
}

std::uint64_t hashWithSalt(std::uint64_t salt, const LinearRGB& c) noexcept {
  // The bit patterns, matching equality by total order.
  salt = hash::mixWord(salt, std::bit_cast<std::uint32_t>(c.red));
  salt = hash::mixWord(salt, std::bit_cast<std::uint32_t>(c.green));
  return hash::mixWord(salt, std::bit_cast<std::uint32_t>(c.blue));
}

std::uint64_t hashWithSalt(std::uint64_t salt, const SRGB24& c) noexcept {
  return hash::mixWord(hash::mixWord(hash::mixWord(salt, c.red), c.green), c.blue);
}

std::uint64_t hashWithSalt(std::uint64_t salt, const RGB16& c) noexcept {
  return hash::mixWord(hash::mixWord(hash::mixWord(salt, c.red), c.green), c.blue);
}

std::string showsPrec(int prec, const LinearRGB& c) {
  return detail::showConstructor(
      prec, "LinearRGB",
      {detail::showArgument(c.red), detail::showArgument(c.green), detail::showArgument(c.blue)});
}

std::string showsPrec(int prec, const SRGB24& c) {
  return detail::showConstructor(
      prec, "SRGB24", {std::to_string(c.red), std::to_string(c.green), std::to_string(c.blue)});
}

std::string showsPrec(int prec, const RGB16& c) {
  return detail::showConstructor(
      prec, "RGB16", {std::to_string(c.red), std::to_string(c.green), std::to_string(c.blue)});
}

}  // namespace quire::vtcontrol
