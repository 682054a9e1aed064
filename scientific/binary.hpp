// The binary encoding of Scientific: the coefficient, then the exponent,
// each as a signed integer in one of two forms:
//
//   -2^31 <= n < 2^31   0x00, then n as 4 bytes big-endian two's complement
//   otherwise           0x01, a sign byte (0x01 for n > 0, 0xFF for n < 0),
//                       the byte count k as 8 bytes big-endian, then the k
//                       bytes of |n|, least significant first
//
// Values are written as stored, not normalised, so get after put gives back
// the same representation. A list is its element count (8 bytes big-endian)
// followed by the elements.
//
// Reading never trusts its input: short input fails with quire::Error("not
// enough bytes") before anything of the announced size is allocated, and an
// exponent beyond the 64-bit range, a negative byte count or a negative
// list length fails with a quire::Error naming the problem.
//
// Example:
//   using namespace quire::scientific;
//   quire::binary::Output out;
//   put(out, Scientific(15, -1));
//   // out.bytes() == "\x00\x00\x00\x00\x0F\x00\xFF\xFF\xFF\xFF" (10 bytes)
//   quire::binary::Input in(out.bytes());
//   Scientific s = get(in);
//   // s.coefficient() == 15, s.base10Exponent() == -1, in.atEnd()
//   encodedSize(Scientific(15, -1))             // 10, without encoding
//   encodedSize(Scientific(1, 1LL << 40))       // 21: the exponent takes the long form
#pragma once

#include <span>
#include <vector>

#include "base/binary.hpp"
#include "scientific/export.hpp"
#include "scientific/scientific.hpp"

namespace quire::scientific {

QUIRE_SCIENTIFIC_EXPORT void put(binary::Output& out, const Scientific& s);
QUIRE_SCIENTIFIC_EXPORT void putList(binary::Output& out, std::span<const Scientific> values);

// The number of bytes put(out, s) writes, found from the sizes of the
// coefficient and the exponent alone (no bytes are produced).
QUIRE_SCIENTIFIC_EXPORT std::size_t encodedSize(const Scientific& s) noexcept;

// Throws quire::Error on malformed or short input (see above).
QUIRE_SCIENTIFIC_EXPORT Scientific get(binary::Input& in);
QUIRE_SCIENTIFIC_EXPORT std::vector<Scientific> getList(binary::Input& in);

}  // namespace quire::scientific
