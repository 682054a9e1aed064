#include "stowage/codegen.hpp"

namespace quire::stowage {

namespace {

constexpr std::size_t piece = 100;

bool needsEscape(unsigned char byte) noexcept {
  // '?' because of trigraph warnings, the others because of their meaning.
  return byte < 0x20 || byte > 0x7E || byte == '"' || byte == '\\' || byte == '?';
}

}  // namespace

std::string cppStringLiteral(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size() * 2 + 2);
  out.push_back('"');
  std::size_t width = 0;
  for (char c : bytes) {
    if (width >= piece) {
      out.append("\"\n\"");
      width = 0;
    }
    const auto byte = static_cast<unsigned char>(c);
    if (needsEscape(byte)) {
      const char escape[] = {'\\', static_cast<char>('0' + (byte >> 6)),
                             static_cast<char>('0' + ((byte >> 3) & 7)),
                             static_cast<char>('0' + (byte & 7))};
      out.append(escape, sizeof escape);
      width += sizeof escape;
    } else {
      out.push_back(c);
      ++width;
    }
  }
  out.push_back('"');
  return out;
}

std::string bsToExp(std::string_view bytes) {
  if (bytes.empty()) return "quire::Bytes()";
  return "quire::Bytes::fromStatic(" + strToExp(bytes) + ")";
}

std::string strToExp(std::string_view text) {
  return "std::string_view(" + cppStringLiteral(text) + ", " + std::to_string(text.size()) + ")";
}

}  // namespace quire::stowage
