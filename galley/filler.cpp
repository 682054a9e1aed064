// Style codes and elision for the line filler.
#include "galley/filler.hpp"

#include "base/error.hpp"
#include "galley/internal/style.hpp"
#include "vtcontrol/codes.hpp"

namespace quire::galley {
namespace {

// Copies a code into a StyleCode's room; every Style's code fits.
std::uint8_t copyCode(const std::vector<vtcontrol::SGR>& commands, char* out) {
  const std::string code = vtcontrol::setSGRCode(commands);
  if (code.size() > StyleCode::kMaxSize) throwError("StyleCode: escape sequence longer than kMaxSize");
  std::memcpy(out, code.data(), code.size());
  return static_cast<std::uint8_t>(code.size());
}

}  // namespace

StyleCode::StyleCode(const Style& style) {
  const std::vector<vtcontrol::SGR> commands = detail::styleCommands(style);
  if (commands.empty()) return;
  onSize_ = copyCode(commands, on_);
  offSize_ = copyCode(detail::restoreCommands(Style{}), off_);
}

std::string elide(std::string_view s, std::int64_t limit) {
  std::string out;
  writeElided(s, limit, [&out](std::string_view piece) { out.append(piece); });
  return out;
}

}  // namespace quire::galley
