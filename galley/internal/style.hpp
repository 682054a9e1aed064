// Styles packed in 16 bits (cells.hpp's PackedStyle), and the SGR commands
// that put a style back, shared by the layout engine and the direct path
// into a string.
#pragma once

#include <optional>
#include <utility>
#include <vector>

#include "galley/doc.hpp"
#include "galley/internal/cells.hpp"
#include "vtcontrol/sgr.hpp"

namespace quire::galley::detail {

inline constexpr unsigned kBackgroundShift = 5;
inline constexpr unsigned kIntensityShift = 10;
inline constexpr unsigned kItalicShift = 12;
inline constexpr unsigned kUnderlineShift = 14;

inline PackedStyle withColor(PackedStyle s, ConsoleLayer layer, ColorIntensity t, Color c) {
  const unsigned shift = layer == ConsoleLayer::Foreground ? 0 : kBackgroundShift;
  const unsigned value = 0x10u | (static_cast<unsigned>(t) << 3) | static_cast<unsigned>(c);
  return static_cast<PackedStyle>((s & ~(0x1Fu << shift)) | (value << shift));
}

// A two-bit field holding an optional small value as value + 1.
inline PackedStyle withField(PackedStyle s, unsigned shift, unsigned value) {
  return static_cast<PackedStyle>((s & ~(0x3u << shift)) | ((value + 1) << shift));
}

inline std::optional<std::pair<ColorIntensity, Color>> colorAt(PackedStyle s, unsigned shift) {
  const unsigned v = (s >> shift) & 0x1Fu;
  if ((v & 0x10u) == 0) return std::nullopt;
  return std::pair{static_cast<ColorIntensity>((v >> 3) & 1u), static_cast<Color>(v & 7u)};
}

template <class T>
std::optional<T> fieldAt(PackedStyle s, unsigned shift) {
  const unsigned v = (s >> shift) & 0x3u;
  if (v == 0) return std::nullopt;
  return static_cast<T>(v - 1);
}

inline Style unpack(PackedStyle s) {
  return Style{colorAt(s, 0), colorAt(s, kBackgroundShift), fieldAt<ConsoleIntensity>(s, kIntensityShift),
               fieldAt<bool>(s, kItalicShift), fieldAt<Underlining>(s, kUnderlineShift)};
}

inline PackedStyle pack(const Style& style) {
  PackedStyle s = 0;
  if (style.foreground) s = withColor(s, ConsoleLayer::Foreground, style.foreground->first, style.foreground->second);
  if (style.background) s = withColor(s, ConsoleLayer::Background, style.background->first, style.background->second);
  if (style.intensity) s = withField(s, kIntensityShift, static_cast<unsigned>(*style.intensity));
  if (style.italic) s = withField(s, kItalicShift, *style.italic ? 1u : 0u);
  if (style.underlining) s = withField(s, kUnderlineShift, static_cast<unsigned>(*style.underlining));
  return s;
}

// The commands that set each attribute the style sets, after `out`.
inline std::vector<vtcontrol::SGR> styleCommands(const Style& s, std::vector<vtcontrol::SGR> out = {}) {
  if (s.foreground) out.emplace_back(vtcontrol::SetColor{ConsoleLayer::Foreground, s.foreground->first, s.foreground->second});
  if (s.background) out.emplace_back(vtcontrol::SetColor{ConsoleLayer::Background, s.background->first, s.background->second});
  if (s.intensity) out.emplace_back(vtcontrol::SetConsoleIntensity{*s.intensity});
  if (s.italic) out.emplace_back(vtcontrol::SetItalicized{*s.italic});
  if (s.underlining) out.emplace_back(vtcontrol::SetUnderlining{*s.underlining});
  return out;
}

// Reset, then every attribute that was set before the region.
inline std::vector<vtcontrol::SGR> restoreCommands(const Style& s) { return styleCommands(s, {vtcontrol::Reset{}}); }

}  // namespace quire::galley::detail
