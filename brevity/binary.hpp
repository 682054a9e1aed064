// The binary form of ShortText: its UTF-8 bytes framed as the suite frames
// every byte string (quire::binary::Output::putByteString): the byte length
// as 8 bytes big-endian, then the bytes.
//
// get reads such a byte string and validates it; bytes that are not
// well-formed UTF-8 fail with quire::Error("Binary.get(ShortText): Invalid
// UTF-8 stream"), and short input with quire::Error("not enough bytes")
// before anything of the announced length is allocated.
//
// Example:
//   using namespace quire::brevity;
//   quire::binary::Output out;
//   put(out, ShortText("hi"));
//   // out.bytes() == std::string("\0\0\0\0\0\0\0\x02" "hi", 10)
//   quire::binary::Input in(out.bytes());
//   // get(in) == ShortText("hi"), in.atEnd()
#pragma once

#include "base/binary.hpp"
#include "brevity/brevity.hpp"
#include "brevity/export.hpp"

namespace quire::brevity {

QUIRE_BREVITY_EXPORT void put(binary::Output& out, const ShortText& t);
QUIRE_BREVITY_EXPORT ShortText get(binary::Input& in);

}  // namespace quire::brevity
