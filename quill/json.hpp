// JSON text: strings, numbers and integers, for programs that write JSON
// documents by hand.
//
// Strings are escaped for JSON: " and \ as \" and \\, line feed, tab,
// carriage return, backspace and form feed as \n \t \r \b \f, the other
// bytes below 0x20 as \u00XX (lowercase hex); DEL and well-formed UTF-8 pass
// through. A byte that starts no well-formed UTF-8 sequence (a stray
// continuation byte, an overlong form, a surrogate, a value above U+10FFFF,
// a sequence cut short) becomes U+FFFD, so the document stays valid whatever
// bytes come in (file names, for one). Each input byte needs at most 6
// output bytes, which gives every string form its bound.
//
// Numbers are written with the fewest digits that read back as the same
// value: plain notation while the decimal exponent is from -4 to 15
// (0.0001, 555640, 1000000000000000), otherwise exponent notation with a
// sign and at least two exponent digits (1e-05, 1e+16, 5e-324). JSON has no
// infinities or NaN: the JSON number forms write null for them, while
// writeShortest spells them inf, -inf and nan for text that is not JSON.
//
// Every encoding comes three ways: a Write (bounded, for builders), a store
// at a raw pointer with room for the documented bound, and an append to a
// std::string.
//
// Example:
//   namespace json = quire::quill::json;
//   std::string out;
//   json::appendJsonString(out, "a\"b\n\xFF");    // out == "\"a\\\"b\\n\xEF\xBF\xBD\""
//   out.clear();
//   json::appendJsonNumber(out, 0.1);             // out == "0.1"
//   json::appendJsonNumber(out, 1e300 * 1e300);   // out == "0.1null"
//   char text[json::maxShortestLength];
//   json::storeShortest(text, 1e16);              // "1e+16", returns text + 5
//   json::storeSignificant(text, 5.55111e-17, 3); // "5.55e-17"
//   // writeToByteString(json::writeJsonString(quire::Bytes("\t"))).view() == "\"\\t\""
//   // getBound(json::writeJsonString(quire::Bytes("abc"))) == 20
//   // toByteString(json::fromJsonString(bigBytes)) fits buffers of any size
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "base/builder.hpp"
#include "base/bytes.hpp"
#include "quill/export.hpp"
#include "quill/internal/json_escape.hpp"
#include "quill/write.hpp"

namespace quire::quill::detail {
[[noreturn]] QUIRE_QUILL_EXPORT void throwBadDigits(int digits);
}  // namespace quire::quill::detail

namespace quire::quill::json {

// ---------------------------------------------------------------------------
// Strings.

// The most bytes the quoted, escaped form of n input bytes can take:
// 2 + 6 * n. Throws quire::Error when that leaves the 64-bit range.
[[nodiscard]] QUIRE_QUILL_EXPORT std::int64_t jsonStringBound(std::size_t n);

// Stores the quoted, escaped form of s at out and returns its end. out must
// have jsonStringBound(s.size()) bytes free.
// Note: bytes between the returned end and that bound may be overwritten.
[[nodiscard]] inline char* storeJsonString(char* out, std::string_view s) noexcept {
  auto* p = reinterpret_cast<std::uint8_t*>(out);
  *p++ = '"';
  const auto* in = reinterpret_cast<const std::uint8_t*>(s.data());
  p = detail::escapeJson(in, in + s.size(), in + s.size(), p).out;
  *p++ = '"';
  return reinterpret_cast<char*>(p);
}

// Appends the quoted, escaped form of s.
QUIRE_QUILL_EXPORT void appendJsonString(std::string& out, std::string_view s);

// The quoted, escaped form of s as a write of bound jsonStringBound(s.size()).
// The write shares s's storage until it runs.
[[nodiscard]] inline auto writeJsonString(Bytes s) {
  const std::int64_t bound = jsonStringBound(s.size());
  return Write(bound, Poke([s = std::move(s)](std::uint8_t* out) {
                 return reinterpret_cast<std::uint8_t*>(
                     storeJsonString(reinterpret_cast<char*>(out), s.view()));
               }));
}

// The same as a builder that escapes in batches: with f bytes free, f / 6
// input bytes at once, so a string of any length fits buffers of any size.
QUIRE_QUILL_EXPORT builder::Builder fromJsonString(Bytes s);

// ---------------------------------------------------------------------------
// Numbers.

// The longest text of the number forms below: "-2.2250738585072014e-308".
inline constexpr std::size_t maxShortestLength = 24;

// The fewest digits that read back as v, laid out as described above; inf,
// -inf and nan when v is not finite. Stores at most maxShortestLength bytes.
QUIRE_QUILL_EXPORT char* storeShortest(char* out, double v) noexcept;
QUIRE_QUILL_EXPORT char* storeShortest(char* out, float v) noexcept;

// storeShortest for finite v, null otherwise: at most maxShortestLength bytes.
QUIRE_QUILL_EXPORT char* storeJsonNumber(char* out, double v) noexcept;
QUIRE_QUILL_EXPORT char* storeJsonNumber(char* out, float v) noexcept;
QUIRE_QUILL_EXPORT void appendJsonNumber(std::string& out, double v);
QUIRE_QUILL_EXPORT void appendJsonNumber(std::string& out, float v);

// v rounded to digits significant digits (1 to 17), as printf's "%.*g"
// writes it: trailing zeros dropped, exponent notation below 1e-4 and from
// 10^digits up (5.55e-17, 4e-08, 1e+03 for 999.9 at three digits); inf, -inf
// and nan when v is not finite. Stores at most significantBound(digits)
// bytes, digits + 7. Digits outside 1 to 17 throw quire::Error.
[[nodiscard]] constexpr std::size_t significantBound(int digits) {
  if (digits < 1 || digits > 17) detail::throwBadDigits(digits);
  return static_cast<std::size_t>(digits) + 7;
}
QUIRE_QUILL_EXPORT char* storeSignificant(char* out, double v, int digits);

// The same as writes.
template <class F>
requires std::same_as<F, double> || std::same_as<F, float>
[[nodiscard]] auto writeShortest(F v) {
  return boundedWrite(static_cast<std::int64_t>(maxShortestLength), Poke([v](std::uint8_t* out) {
                        return reinterpret_cast<std::uint8_t*>(
                            storeShortest(reinterpret_cast<char*>(out), v));
                      }));
}
template <class F>
requires std::same_as<F, double> || std::same_as<F, float>
[[nodiscard]] auto writeJsonNumber(F v) {
  return boundedWrite(static_cast<std::int64_t>(maxShortestLength), Poke([v](std::uint8_t* out) {
                        return reinterpret_cast<std::uint8_t*>(
                            storeJsonNumber(reinterpret_cast<char*>(out), v));
                      }));
}
[[nodiscard]] inline auto writeSignificant(double v, int digits) {
  const auto bound = static_cast<std::int64_t>(significantBound(digits));
  return boundedWrite(bound, Poke([v, digits](std::uint8_t* out) {
                        return reinterpret_cast<std::uint8_t*>(
                            storeSignificant(reinterpret_cast<char*>(out), v, digits));
                      }));
}

// ---------------------------------------------------------------------------
// Integers.

// The longest decimal text of a 64-bit integer: "-9223372036854775808".
inline constexpr std::size_t maxIntegerLength = 20;

// v in decimal: at most maxIntegerLength bytes.
[[nodiscard]] inline char* storeJsonInteger(char* out, std::int64_t v) noexcept {
  return detail::storeDecimal(out, v);
}
QUIRE_QUILL_EXPORT void appendJsonInteger(std::string& out, std::int64_t v);
[[nodiscard]] inline auto writeJsonInteger(std::int64_t v) {
  return boundedWrite(static_cast<std::int64_t>(maxIntegerLength), Poke([v](std::uint8_t* out) {
                        return reinterpret_cast<std::uint8_t*>(
                            storeJsonInteger(reinterpret_cast<char*>(out), v));
                      }));
}

}  // namespace quire::quill::json
