// The salted 64-bit hashing facility shared by every hashable quire type.
//
// Words are mixed FNV-style with the 64-bit prime 1099511628211, sixteen bits
// at a time from the most significant piece; byte runs are hashed FNV-1a style
// seeded by the incoming hash. All arithmetic wraps modulo 2^64. Hash values
// are for in-process tables only: they are never stored or exchanged.
//
// Example:
//   std::uint64_t h = quire::hash::defaultSalt;
//   h = quire::hash::mixWord(h, 42);
//   h = quire::hash::mixBytes(h, "abc");
//
//   // A type opts into std::hash by defining hashWithSalt and hash, then:
//   //   template <> struct std::hash<My> : quire::hash::StdHash<My> {};
#pragma once

#include <concepts>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace quire::hash {

inline constexpr std::uint64_t prime = 1099511628211ULL;
inline constexpr std::uint64_t defaultSalt = 14695981039346656037ULL;

// Mixes w into h: for each 16-bit piece of w, most significant first,
// h = (h * prime) XOR piece.
[[nodiscard]] constexpr std::uint64_t mixWord(std::uint64_t h, std::uint64_t w) noexcept {
  for (int shift = 48; shift >= 0; shift -= 16) {
    h = (h * prime) ^ ((w >> shift) & 0xFFFFu);
  }
  return h;
}

// FNV-style byte hash of [data, data + size) seeded with h.
[[nodiscard]] constexpr std::uint64_t mixBytes(std::uint64_t h, const unsigned char* data,
                                               std::size_t size) noexcept {
  for (std::size_t i = 0; i < size; ++i) {
    h = (h ^ data[i]) * prime;
  }
  return h;
}

[[nodiscard]] inline std::uint64_t mixBytes(std::uint64_t h, std::string_view bytes) noexcept {
  return mixBytes(h, reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
}

// A type is Hashable when hashWithSalt(salt, value) is found for it.
template <class T>
concept Hashable = requires(std::uint64_t salt, const T& value) {
  { hashWithSalt(salt, value) } -> std::convertible_to<std::uint64_t>;
};

// Base for std::hash specialisations of quire types: forwards to the type's
// hashWithSalt with the default salt.
template <Hashable T>
struct StdHash {
  std::size_t operator()(const T& value) const noexcept(noexcept(hashWithSalt(defaultSalt, value))) {
    return static_cast<std::size_t>(hashWithSalt(defaultSalt, value));
  }
};

}  // namespace quire::hash
