#include "apps/decimal/diagnostics.hpp"

namespace quire::decimal {

namespace {

constexpr std::size_t kMaxShown = 40;

void appendSafe(std::string& out, unsigned char c) {
  static constexpr char hex[] = "0123456789abcdef";
  if (c >= 0x20 && c < 0x7F && c != '\\' && c != '\'') {
    out += static_cast<char>(c);
    return;
  }
  out += "\\x";
  out += hex[c >> 4];
  out += hex[c & 15];
}

}  // namespace

std::string quotedToken(std::string_view token) {
  std::string out = "'";
  for (unsigned char c : token.substr(0, kMaxShown)) appendSafe(out, c);
  out += '\'';
  if (token.size() > kMaxShown) out += "... (" + std::to_string(token.size()) + " bytes)";
  return out;
}

std::string badTokenMessage(const Location& where, std::string_view token, std::string_view reason) {
  std::string out(where.source);
  out += ':' + std::to_string(where.line) + ':' + std::to_string(where.column) + ": bad token ";
  out += quotedToken(token);
  out += ": ";
  out += reason;
  return out;
}

}  // namespace quire::decimal
