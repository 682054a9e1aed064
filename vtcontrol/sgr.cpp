#include "vtcontrol/sgr.hpp"

#include <array>
#include <type_traits>

#include "vtcontrol/internal/text.hpp"

namespace quire::vtcontrol {
namespace {

template <class Enum, std::size_t N>
std::string nameOf(Enum v, const std::array<const char*, N>& names) {
  auto i = static_cast<std::size_t>(v);
  return i < N ? names[i] : "?";
}

std::string showBool(bool b) { return b ? "true" : "false"; }

// The fields of each alternative, as text arguments, in declaration order.
std::vector<std::string> fieldsOf(const Reset&) { return {}; }
std::vector<std::string> fieldsOf(const SetConsoleIntensity& s) { return {show(s.intensity)}; }
std::vector<std::string> fieldsOf(const SetItalicized& s) { return {showBool(s.italicized)}; }
std::vector<std::string> fieldsOf(const SetUnderlining& s) { return {show(s.underlining)}; }
std::vector<std::string> fieldsOf(const SetBlinkRate& s) { return {show(s.rate)}; }
std::vector<std::string> fieldsOf(const SetVisibility& s) { return {showBool(s.visible)}; }
std::vector<std::string> fieldsOf(const SetReverseVideo& s) { return {showBool(s.reversed)}; }
std::vector<std::string> fieldsOf(const SetColor& s) {
  return {show(s.layer), show(s.intensity), show(s.color)};
}
std::vector<std::string> fieldsOf(const SetTrueColor& s) {
  return {show(s.layer), showsPrec(11, s.color)};
}
std::vector<std::string> fieldsOf(const SetIndexedColor& s) {
  return {show(s.layer), std::to_string(s.index)};
}
std::vector<std::string> fieldsOf(const SetLayerDefault& s) { return {show(s.layer)}; }

constexpr std::array<const char*, std::variant_size_v<SGR::Variant>> variantNames{
    "Reset",        "SetConsoleIntensity", "SetItalicized",   "SetUnderlining",
    "SetBlinkRate", "SetVisibility",       "SetReverseVideo", "SetColor",
    "SetTrueColor", "SetIndexedColor",     "SetLayerDefault"};

std::uint64_t mixFields(std::uint64_t h, const Reset&) noexcept { return h; }
std::uint64_t mixFields(std::uint64_t h, const SetConsoleIntensity& s) noexcept {
  return hashWithSalt(h, s.intensity);
}
std::uint64_t mixFields(std::uint64_t h, const SetItalicized& s) noexcept {
  return hash::mixWord(h, s.italicized);
}
std::uint64_t mixFields(std::uint64_t h, const SetUnderlining& s) noexcept {
  return hashWithSalt(h, s.underlining);
}
std::uint64_t mixFields(std::uint64_t h, const SetBlinkRate& s) noexcept {
  return hashWithSalt(h, s.rate);
}
std::uint64_t mixFields(std::uint64_t h, const SetVisibility& s) noexcept {
  return hash::mixWord(h, s.visible);
}
std::uint64_t mixFields(std::uint64_t h, const SetReverseVideo& s) noexcept {
  return hash::mixWord(h, s.reversed);
}
std::uint64_t mixFields(std::uint64_t h, const SetColor& s) noexcept {
  return hashWithSalt(hashWithSalt(hashWithSalt(h, s.layer), s.intensity), s.color);
}
std::uint64_t mixFields(std::uint64_t h, const SetTrueColor& s) noexcept {
  return hashWithSalt(hashWithSalt(h, s.layer), s.color);
}
std::uint64_t mixFields(std::uint64_t h, const SetIndexedColor& s) noexcept {
  return hash::mixWord(hashWithSalt(h, s.layer), s.index);
}
std::uint64_t mixFields(std::uint64_t h, const SetLayerDefault& s) noexcept {
  return hashWithSalt(h, s.layer);
}

}  // namespace

std::string show(ConsoleLayer v) { return nameOf(v, std::array{"Foreground", "Background"}); }
std::string show(ColorIntensity v) { return nameOf(v, std::array{"Dull", "Vivid"}); }
std::string show(Color v) {
  return nameOf(v,
                std::array{"Black", "Red", "Green", "Yellow", "Blue", "Magenta", "Cyan", "White"});
}
std::string show(ConsoleIntensity v) {
  return nameOf(v, std::array{"BoldIntensity", "DimIntensity", "NormalIntensity"});
}
std::string show(Underlining v) {
  return nameOf(v, std::array{"SingleUnderline", "TwoLineUnderline", "NoUnderline"});
}
std::string show(BlinkRate v) {
  return nameOf(v, std::array{"BlinkSlow", "BlinkFast", "BlinkNone"});
}

std::string showsPrec(int prec, const SGR& sgr) {
  return detail::showConstructor(
      prec, variantNames[sgr.index()],
      sgr.visit([](const auto& alternative) { return fieldsOf(alternative); }));
}

std::uint64_t hashWithSalt(std::uint64_t salt, const SGR& sgr) noexcept {
  std::uint64_t h = hash::mixWord(salt, sgr.index());
  return sgr.visit([h](const auto& alternative) { return mixFields(h, alternative); });
}

}  // namespace quire::vtcontrol
