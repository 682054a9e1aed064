#include "vtcontrol/codes.hpp"

#include <utf8proc.h>

#include "vtcontrol/internal/text.hpp"

namespace quire::vtcontrol {
namespace {

constexpr std::string_view esc = "\x1b";
constexpr std::string_view st = "\x1b\\";

// csi [n] final, or nothing for a count of 0.
std::string countedMove(std::int64_t n, std::string_view final) {
  return n == 0 ? std::string() : csi({n}, final);
}

// csi [n] final, or the start of the current line for a count of 0.
std::string lineMove(std::int64_t n, std::string_view final) {
  return n == 0 ? csi({1}, "G") : csi({n}, final);
}

// Copies the valid UTF-8 characters of text that keep returns true, dropping
// the rest and every byte that does not start a valid character.
template <class Keep>
std::string filterCharacters(std::string_view text, Keep keep) {
  std::string out;
  out.reserve(text.size());
  const auto* bytes = reinterpret_cast<const utf8proc_uint8_t*>(text.data());
  std::size_t i = 0;
  while (i < text.size()) {
    utf8proc_int32_t c = 0;
    utf8proc_ssize_t length =
        utf8proc_iterate(bytes + i, static_cast<utf8proc_ssize_t>(text.size() - i), &c);
    if (length <= 0) {
      ++i;
      continue;
    }
    if (keep(static_cast<char32_t>(c)))
      out.append(text.substr(i, static_cast<std::size_t>(length)));
    i += static_cast<std::size_t>(length);
  }
  return out;
}

bool isPrintable(char32_t c) {
  switch (utf8proc_category(static_cast<utf8proc_int32_t>(c))) {
    case UTF8PROC_CATEGORY_CN:  // unassigned
    case UTF8PROC_CATEGORY_ZL:
    case UTF8PROC_CATEGORY_ZP:
    case UTF8PROC_CATEGORY_CC:
    case UTF8PROC_CATEGORY_CF:
    case UTF8PROC_CATEGORY_CS:
    case UTF8PROC_CATEGORY_CO:
      return false;
    default:
      return true;
  }
}

// C0 controls, DEL and C1 controls: anything a terminal may act on.
bool isNotControl(char32_t c) { return !(c < 0x20 || (c >= 0x7F && c < 0xA0)); }

std::string withoutControls(std::string_view text) { return filterCharacters(text, isNotControl); }

}  // namespace

std::string csi(const std::vector<std::int64_t>& params, std::string_view final) {
  std::string out("\x1b[");
  for (std::size_t i = 0; i < params.size(); ++i) {
    if (i > 0) out += ';';
    detail::appendDecimal(out, params[i]);
  }
  out += final;
  return out;
}

std::string osc(std::string_view first, std::string_view second) {
  std::string out("\x1b]");
  out += first;
  out += ';';
  out += second;
  out += st;
  return out;
}

std::string cursorUpCode(std::int64_t n) { return countedMove(n, "A"); }
std::string cursorDownCode(std::int64_t n) { return countedMove(n, "B"); }
std::string cursorForwardCode(std::int64_t n) { return countedMove(n, "C"); }
std::string cursorBackwardCode(std::int64_t n) { return countedMove(n, "D"); }
std::string cursorDownLineCode(std::int64_t n) { return lineMove(n, "E"); }
std::string cursorUpLineCode(std::int64_t n) { return lineMove(n, "F"); }
// The additions wrap like the machine integers they are (no validation).
std::string setCursorColumnCode(std::int64_t column) {
  return csi({static_cast<std::int64_t>(static_cast<std::uint64_t>(column) + 1)}, "G");
}
std::string setCursorPositionCode(std::int64_t row, std::int64_t column) {
  return csi({static_cast<std::int64_t>(static_cast<std::uint64_t>(row) + 1),
              static_cast<std::int64_t>(static_cast<std::uint64_t>(column) + 1)},
             "H");
}
std::string saveCursorCode() { return std::string(esc) + "7"; }
std::string restoreCursorCode() { return std::string(esc) + "8"; }
std::string reportCursorPositionCode() { return csi({}, "6n"); }

std::string clearFromCursorToScreenEndCode() { return csi({0}, "J"); }
std::string clearFromCursorToScreenBeginningCode() { return csi({1}, "J"); }
std::string clearScreenCode() { return csi({2}, "J"); }
std::string clearFromCursorToLineEndCode() { return csi({0}, "K"); }
std::string clearFromCursorToLineBeginningCode() { return csi({1}, "K"); }
std::string clearLineCode() { return csi({2}, "K"); }

std::string scrollPageUpCode(std::int64_t n) { return countedMove(n, "S"); }
std::string scrollPageDownCode(std::int64_t n) { return countedMove(n, "T"); }

std::string useAlternateScreenBufferCode() { return csi({}, "?1049h"); }
std::string useNormalScreenBufferCode() { return csi({}, "?1049l"); }
std::string hideCursorCode() { return csi({}, "?25l"); }
std::string showCursorCode() { return csi({}, "?25h"); }

std::int64_t colorToCode(Color color) noexcept { return static_cast<std::int64_t>(color); }

namespace {

std::int64_t layerCode(ConsoleLayer layer) { return layer == ConsoleLayer::Foreground ? 38 : 48; }

std::vector<std::int64_t> parametersOf(const Reset&) { return {0}; }
std::vector<std::int64_t> parametersOf(const SetConsoleIntensity& s) {
  switch (s.intensity) {
    case ConsoleIntensity::BoldIntensity:
      return {1};
    case ConsoleIntensity::DimIntensity:
      return {2};
    case ConsoleIntensity::NormalIntensity:
      break;
  }
  return {22};
}
std::vector<std::int64_t> parametersOf(const SetItalicized& s) { return {s.italicized ? 3 : 23}; }
std::vector<std::int64_t> parametersOf(const SetUnderlining& s) {
  switch (s.underlining) {
    case Underlining::SingleUnderline:
      return {4};
    case Underlining::TwoLineUnderline:
      return {21};
    case Underlining::NoUnderline:
      break;
  }
  return {24};
}
std::vector<std::int64_t> parametersOf(const SetBlinkRate& s) {
  switch (s.rate) {
    case BlinkRate::BlinkSlow:
      return {5};
    case BlinkRate::BlinkFast:
      return {6};
    case BlinkRate::BlinkNone:
      break;
  }
  return {25};
}
std::vector<std::int64_t> parametersOf(const SetVisibility& s) { return {s.visible ? 28 : 8}; }
std::vector<std::int64_t> parametersOf(const SetReverseVideo& s) { return {s.reversed ? 7 : 27}; }
std::vector<std::int64_t> parametersOf(const SetColor& s) {
  std::int64_t base = s.layer == ConsoleLayer::Foreground ? 30 : 40;
  if (s.intensity == ColorIntensity::Vivid) base += 60;
  return {base + colorToCode(s.color)};
}
std::vector<std::int64_t> parametersOf(const SetTrueColor& s) {
  SRGB24 c = toSRGB24(s.color);
  return {layerCode(s.layer), 2, c.red, c.green, c.blue};
}
std::vector<std::int64_t> parametersOf(const SetIndexedColor& s) {
  return {layerCode(s.layer), 5, s.index};
}
std::vector<std::int64_t> parametersOf(const SetLayerDefault& s) {
  return {s.layer == ConsoleLayer::Foreground ? 39 : 49};
}

}  // namespace

std::vector<std::int64_t> sgrToCode(const SGR& command) {
  return command.visit([](const auto& alternative) { return parametersOf(alternative); });
}

std::string setSGRCode(const std::vector<SGR>& commands) {
  std::vector<std::int64_t> params;
  for (const SGR& command : commands) {
    std::vector<std::int64_t> more = sgrToCode(command);
    params.insert(params.end(), more.begin(), more.end());
  }
  return csi(params, "m");
}

std::string setTitleCode(std::string_view title) {
  return osc("0", filterCharacters(title, isPrintable));
}

std::string hyperlinkWithParamsCode(const std::vector<HyperlinkParam>& params, std::string_view uri,
                                    std::string_view text) {
  std::string joined;
  for (std::size_t i = 0; i < params.size(); ++i) {
    if (i > 0) joined += ':';
    joined += withoutControls(params[i].first);
    joined += '=';
    joined += withoutControls(params[i].second);
  }
  std::string out = osc("8", joined + ";" + withoutControls(uri));
  out += text;
  out += osc("8", ";");
  return out;
}

std::string hyperlinkCode(std::string_view uri, std::string_view text) {
  return hyperlinkWithParamsCode({}, uri, text);
}

std::string hyperlinkWithIdCode(std::string_view id, std::string_view uri, std::string_view text) {
  return hyperlinkWithParamsCode({HyperlinkParam{"id", std::string(id)}}, uri, text);
}

std::string reportLayerColorCode(ConsoleLayer layer) {
  return osc(layer == ConsoleLayer::Foreground ? "10" : "11", "?");
}

}  // namespace quire::vtcontrol
