#include "foldkey/foldkey.hpp"

#include <cstring>

#include "base/bytes_buffer.hpp"
#include "base/internal/encode.hpp"
#include "base/show_bytes.hpp"
#include "base/utf8.hpp"

namespace quire::foldkey::detail {
namespace {

using builder::detail::storeUtf8;

std::string encodeUtf8(std::u32string_view chars) {
  std::string out(chars.size() * 4, '\0');
  auto* start = reinterpret_cast<std::uint8_t*>(out.data());
  auto* p = start;
  for (char32_t c : chars) p = storeUtf8(c, p);
  out.resize(static_cast<std::size_t>(p - start));
  return out;
}

// Decodes text already known to be well-formed UTF-8.
std::u32string decodeUtf8(std::string_view utf8) {
  std::u32string out;
  out.reserve(utf8.size());
  const auto* p = reinterpret_cast<const unsigned char*>(utf8.data());
  const auto* end = p + utf8.size();
  while (p < end) {
    char32_t c;
    const int length = decodeUtf8Sequence(p, end, c);
    if (length == 0) break;  // not reached: callers check validity first
    out.push_back(c);
    p += length;
  }
  return out;
}

template <class Piece>
Piece concatPieces(std::span<const Piece> parts) {
  if (parts.size() == 1) return parts.front();
  std::size_t total = 0;
  for (const Piece& p : parts) total += p.size();
  if (total == 0) return Piece();
  BytesBuffer buf(total);
  char* out = buf.data();
  for (const Piece& p : parts) {
    std::memcpy(out, p.data(), p.size());
    out += p.size();
  }
  if constexpr (std::same_as<Piece, Bytes>) {
    return buf.freeze(0, total);
  } else {
    return Text::fromUtf8Unchecked(buf.freeze(0, total));
  }
}

// The end of the one character inside a character literal that starts at
// text[1]: an escape or one UTF-8 sequence; npos when there is none.
std::size_t charLiteralBodyEnd(std::string_view text) {
  if (text.size() < 3) return std::string_view::npos;
  std::size_t i = 1;
  if (text[i] == '\\') {
    ++i;
    if (i < text.size() && text[i] >= '0' && text[i] <= '7') {
      for (int digits = 0; digits < 3 && i < text.size() && text[i] >= '0' && text[i] <= '7'; ++digits) ++i;
      return i;
    }
    return i + 1;
  }
  const auto lead = static_cast<unsigned char>(text[i]);
  const std::size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
  return i + length;
}

}  // namespace

std::uint64_t hashChars(std::uint64_t salt, std::u32string_view chars) noexcept {
  std::uint8_t utf8[4];
  for (char32_t c : chars) {
    const std::uint8_t* end = storeUtf8(c, utf8);
    salt = quire::hash::mixBytes(salt, utf8, static_cast<std::size_t>(end - utf8));
  }
  return salt;
}

Bytes concatAll(std::span<const Bytes> parts) { return concatPieces(parts); }
Text concatAll(std::span<const Text> parts) { return concatPieces(parts); }

std::string showBytes(std::string_view bytes) { return showBytesLiteral(bytes); }

std::string showChars(std::u32string_view chars) { return showLiteral(encodeUtf8(chars)); }

std::string showChar(char32_t c) {
  if (c == U'\'') return "'\\''";
  if (c == U'"') return "'\"'";
  std::string literal = showLiteral(encodeUtf8(std::u32string_view(&c, 1)));
  literal.front() = '\'';
  literal.back() = '\'';
  return literal;
}

std::optional<Reading<Bytes>> readBytes(std::string_view text) {
  auto r = readBytesLiteral(text);
  if (!r) return std::nullopt;
  return Reading<Bytes>{Bytes(std::move(r->value)), r->rest};
}

std::optional<Reading<Text>> readText(std::string_view text) {
  auto r = readLiteral(text);
  if (!r || !isValidUtf8(r->value)) return std::nullopt;
  return Reading<Text>{Text(std::move(r->value)), r->rest};
}

std::optional<Reading<std::u32string>> readChars(std::string_view text) {
  auto r = readLiteral(text);
  if (!r || !isValidUtf8(r->value)) return std::nullopt;
  return Reading<std::u32string>{decodeUtf8(r->value), r->rest};
}

std::optional<Reading<char32_t>> readChar(std::string_view text) {
  if (text.empty() || text.front() != '\'') return std::nullopt;
  const std::size_t end = charLiteralBodyEnd(text);
  if (end >= text.size() || text[end] != '\'') return std::nullopt;
  std::string_view body = text.substr(1, end - 1);
  const std::string_view rest = text.substr(end + 1);
  if (body == "\"") return Reading<char32_t>{U'"', rest};
  std::string quoted = "\"";
  quoted.append(body);
  quoted.push_back('"');
  auto r = readLiteral(quoted);
  if (!r || !r->rest.empty() || !isValidUtf8(r->value)) return std::nullopt;
  std::u32string chars = decodeUtf8(r->value);
  if (chars.size() != 1) return std::nullopt;
  return Reading<char32_t>{chars.front(), rest};
}

}  // namespace quire::foldkey::detail
