// Raw store routines behind the builder primitives: UTF-8, decimal digits
// and fixed-width words in a chosen byte order. Each writes through a raw
// pointer that the caller has already checked for room.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace quire::builder::detail {

// Writes c in UTF-8 (1 to 4 bytes) and returns the pointer past it.
// Surrogate code points take the three-byte form like any other value below
// 0x10000. Values above U+10FFFF have no UTF-8 form; they are written as
// U+FFFD so the output never holds a malformed lead byte.
inline std::uint8_t* storeUtf8(char32_t c, std::uint8_t* out) noexcept {
  if (c < 0x80) {
    out[0] = static_cast<std::uint8_t>(c);
    return out + 1;
  }
  if (c < 0x800) {
    out[0] = static_cast<std::uint8_t>(0xC0 | (c >> 6));
    out[1] = static_cast<std::uint8_t>(0x80 | (c & 0x3F));
    return out + 2;
  }
  if (c > 0x10FFFF) c = 0xFFFD;
  if (c < 0x10000) {
    out[0] = static_cast<std::uint8_t>(0xE0 | (c >> 12));
    out[1] = static_cast<std::uint8_t>(0x80 | ((c >> 6) & 0x3F));
    out[2] = static_cast<std::uint8_t>(0x80 | (c & 0x3F));
    return out + 3;
  }
  out[0] = static_cast<std::uint8_t>(0xF0 | (c >> 18));
  out[1] = static_cast<std::uint8_t>(0x80 | ((c >> 12) & 0x3F));
  out[2] = static_cast<std::uint8_t>(0x80 | ((c >> 6) & 0x3F));
  out[3] = static_cast<std::uint8_t>(0x80 | (c & 0x3F));
  return out + 4;
}

// True for the code points that well-formed UTF-8 can carry.
constexpr bool isScalarValue(char32_t c) noexcept {
  return c <= 0x10FFFF && (c < 0xD800 || c > 0xDFFF);
}

inline constexpr char digitPairs[] =
    "00010203040506070809"
    "10111213141516171819"
    "20212223242526272829"
    "30313233343536373839"
    "40414243444546474849"
    "50515253545556575859"
    "60616263646566676869"
    "70717273747576777879"
    "80818283848586878889"
    "90919293949596979899";

constexpr int decimalDigitCount(std::uint64_t u) noexcept {
  int n = 1;
  for (;;) {
    if (u < 10) return n;
    if (u < 100) return n + 1;
    if (u < 1000) return n + 2;
    if (u < 10000) return n + 3;
    u /= 10000;
    n += 4;
  }
}

// Writes u in decimal, two digits per step from the right.
inline std::uint8_t* storeDecimal(std::uint64_t u, std::uint8_t* out) noexcept {
  std::uint8_t* end = out + decimalDigitCount(u);
  std::uint8_t* p = end;
  while (u >= 100) {
    p -= 2;
    std::memcpy(p, digitPairs + 2 * (u % 100), 2);
    u /= 100;
  }
  if (u >= 10) {
    std::memcpy(p - 2, digitPairs + 2 * u, 2);
  } else {
    p[-1] = static_cast<std::uint8_t>('0' + u);
  }
  return end;
}

// The magnitude is taken in unsigned arithmetic so INT64_MIN needs no
// special case.
inline std::uint8_t* storeDecimal(std::int64_t x, std::uint8_t* out) noexcept {
  auto magnitude = static_cast<std::uint64_t>(x);
  if (x < 0) {
    *out++ = '-';
    magnitude = 0 - magnitude;
  }
  return storeDecimal(magnitude, out);
}

template <class Word>
constexpr Word byteSwap(Word w) noexcept {
  if constexpr (sizeof(Word) == 1) {
    return w;
  } else if constexpr (sizeof(Word) == 2) {
    return __builtin_bswap16(w);
  } else if constexpr (sizeof(Word) == 4) {
    return __builtin_bswap32(w);
  } else {
    static_assert(sizeof(Word) == 8);
    return __builtin_bswap64(w);
  }
}

// Stores an unsigned word in the given byte order.
template <class Word, std::endian Order>
struct StoreWord {
  static constexpr std::size_t width = sizeof(Word);
  void operator()(Word w, std::uint8_t* out) const noexcept {
    if constexpr (Order != std::endian::native) w = byteSwap(w);
    std::memcpy(out, &w, sizeof w);
  }
};

}  // namespace quire::builder::detail
