// The primitive routines under every ShortText operation, callable from C.
//
// Each works on raw UTF-8 bytes (a pointer and a byte count, index or
// offset), allocates nothing and returns an integer. All but the validator
// trust their input to be valid UTF-8 and classify a lead byte by its top
// bits only: below 0x80 one byte, high nibble 0xE three bytes, high nibble
// 0xF four bytes, anything else two bytes.
//
// Example:
//   const std::uint8_t euro[] = {'a', 0xE2, 0x82, 0xAC, 'b'};
//   hs_brevity_length(euro, 5);              // 3 code points
//   hs_brevity_index_ofs(euro, 5, 2);        // 4: 'b' starts at byte 4
//   hs_brevity_index_ofs_rev(euro, 5, 1);    // 1: the euro sign
//   hs_brevity_index_cp(euro, 5, 1);         // 0x20AC
//   hs_brevity_index_cp(euro, 5, 3);         // 0xFFFFFFFF (no such index)
//   hs_brevity_is_valid_utf8(euro, 3);       // -1: one byte short
//   hs_brevity_is_valid_utf8(euro, 5);       // 0: valid
#pragma once

#include <cstddef>
#include <cstdint>

#include "brevity/export.hpp"

extern "C" {

// The number of code points: the bytes whose top two bits are not 10.
QUIRE_BREVITY_EXPORT std::size_t hs_brevity_length(const std::uint8_t* bytes,
                                                   std::size_t n) noexcept;

// The byte offset where code point i (from 0) begins, or n when there is no
// code point i. Stops early once the code points still to skip are at least
// the bytes left.
QUIRE_BREVITY_EXPORT std::size_t hs_brevity_index_ofs(const std::uint8_t* bytes, std::size_t n,
                                                      std::size_t i) noexcept;

// The byte offset where code point i counted from the end (0 is the last)
// begins, or n when there is none. Stops early once the bytes before the
// position are no more than the code points still to skip.
QUIRE_BREVITY_EXPORT std::size_t hs_brevity_index_ofs_rev(const std::uint8_t* bytes, std::size_t n,
                                                          std::size_t i) noexcept;

// The code point whose encoding starts at offset.
QUIRE_BREVITY_EXPORT std::uint32_t hs_brevity_ofs_cp(const std::uint8_t* bytes,
                                                     std::size_t offset) noexcept;

// The code point whose encoding ends just before offset (offset > 0).
QUIRE_BREVITY_EXPORT std::uint32_t hs_brevity_ofs_cp_rev(const std::uint8_t* bytes,
                                                         std::size_t offset) noexcept;

// The code point at index i from the start, or 0xFFFFFFFF (all ones) when
// hs_brevity_index_ofs finds none.
QUIRE_BREVITY_EXPORT std::uint32_t hs_brevity_index_cp(const std::uint8_t* bytes, std::size_t n,
                                                       std::size_t i) noexcept;

// The same for index i from the end, through hs_brevity_index_ofs_rev.
QUIRE_BREVITY_EXPORT std::uint32_t hs_brevity_index_cp_rev(const std::uint8_t* bytes, std::size_t n,
                                                           std::size_t i) noexcept;

// 0 when the bytes are well-formed UTF-8 (shortest forms, no surrogates,
// nothing above U+10FFFF); -k when they are well-formed up to a final
// sequence that is k bytes short of complete; 1 when they are malformed.
// The first problem in the bytes decides. A three- or four-byte lead too
// near the end answers -k without looking at the bytes after it.
QUIRE_BREVITY_EXPORT std::int32_t hs_brevity_is_valid_utf8(const std::uint8_t* bytes,
                                                           std::size_t n) noexcept;

// 1 when every byte is below 0x80, else 0. Reads whole 8-byte words.
// Note: the memory must be readable up to the next multiple of 8 bytes past
// bytes (ShortText storage always is); the bytes past n are ignored.
QUIRE_BREVITY_EXPORT int hs_brevity_is_ascii(const std::uint8_t* bytes, std::size_t n) noexcept;

// For a NUL-terminated modified-UTF-8 literal (U+0000 written C0 80,
// surrogates possibly in their three-byte form): its byte length when it
// holds neither, else minus the length of its translation.
QUIRE_BREVITY_EXPORT std::ptrdiff_t hs_brevity_mutf8_strlen(const std::uint8_t* literal) noexcept;

// Writes the translation of a modified-UTF-8 literal to dest (without the
// NUL): C0 80 becomes 00, a surrogate form becomes EF BF BD (U+FFFD), all
// else is copied. dest must hold the length hs_brevity_mutf8_strlen gives.
QUIRE_BREVITY_EXPORT void hs_brevity_mutf8_trans(const std::uint8_t* literal,
                                                 std::uint8_t* dest) noexcept;

}  // extern "C"
