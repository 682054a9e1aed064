// Terminal replies and caller-supplied strings are outside data: the parsers
// must not crash, and the sanitised sequences must never carry a control
// character that could end them early.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "vtcontrol/codes.hpp"
#include "vtcontrol/terminal.hpp"

namespace {

// True when the bytes between the opening and closing framing hold no
// ESC, BEL, DEL or other C0 control.
bool noControlsWithin(std::string_view sequence, std::size_t prefix, std::size_t suffix) {
  std::string_view inner = sequence.substr(prefix, sequence.size() - prefix - suffix);
  for (unsigned char c : inner) {
    if (c < 0x20 || c == 0x7F) return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace quire::vtcontrol;
  std::string_view text(reinterpret_cast<const char*>(data), size);

  if (auto p = cursorPosition(text)) {
    if (p->row < 0 || p->column < 0) std::abort();
  }
  (void)layerColor(ConsoleLayer::Foreground, text);
  (void)layerColor(ConsoleLayer::Background, text);

  std::string title = setTitleCode(text);
  if (!noControlsWithin(title, 4, 2)) std::abort();  // ESC "]0;" ... ST
  std::string link = hyperlinkCode(text, "");
  if (!noControlsWithin(link, 5, 2 + 7)) std::abort();  // ESC "]8;;" uri ST, then ESC "]8;;" ST
  return 0;
}
