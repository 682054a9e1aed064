// C++ source text for embedded values, as the build-time generator writes it.
//
// bsToExp gives an expression of type quire::Bytes over a static literal
// holding exactly the given bytes (no terminator counted, no copy at run
// time); strToExp gives a std::string_view expression, which converts to
// whatever string type the use site wants (std::string, quire::Text, ...).
// Both escape everything that is not plain printable ASCII, so any bytes
// survive the compiler unchanged, and break long literals into lines.
//
// Example:
//   quire::stowage::bsToExp(std::string_view("a\0\"", 3));
//   // "quire::Bytes::fromStatic(std::string_view(\"a\\000\\042\", 3))"
//   quire::stowage::strToExp("hi?");
//   // "std::string_view(\"hi\\077\", 3)"
//   quire::stowage::cppStringLiteral("x\ny");  // "\"x\\012y\""
#pragma once

#include <string>
#include <string_view>

#include "stowage/export.hpp"

namespace quire::stowage {

// bytes as one C++ string literal (adjacent pieces of at most about 100
// characters, joined by newlines); every byte outside ' '..'~' and each of
// '"', '\\' and '?' is a three-digit octal escape.
[[nodiscard]] QUIRE_STOWAGE_EXPORT std::string cppStringLiteral(std::string_view bytes);

[[nodiscard]] QUIRE_STOWAGE_EXPORT std::string bsToExp(std::string_view bytes);
[[nodiscard]] QUIRE_STOWAGE_EXPORT std::string strToExp(std::string_view text);

}  // namespace quire::stowage
