// The chunked transfer coding of HTTP/1.1.
//
// chunkedTransferEncoding frames the output of any builder as chunks: what
// the builder writes into one buffer becomes one chunk, its size line in
// uppercase hexadecimal padded with zeros to the digits the free space
// needs, and a byte string the builder inserts becomes a chunk of its own,
// passed on without a copy. A flush request is passed on as one. No chunk
// is ever empty, so the framed output never ends the body by itself: append
// chunkedTransferTerminator ("0\r\n\r\n") when the body is complete.
//
// The framing needs 23 free bytes to start a chunk and asks for what the
// framed builder needs plus 22. A chunk never holds more than 0xFFFFFFFF
// bytes: longer stretches and longer inserted byte strings are framed as
// several chunks.
//
// Example:
//   using namespace quire::quill;
//   quire::builder::Builder body =
//       chunkedTransferEncoding(copyByteString(quire::Bytes("hello"))) +
//       chunkedTransferTerminator();
//   // toLazyByteStringWith(4000, 0, 4000, body).toString()
//   //   == "005\r\nhello\r\n0\r\n\r\n"   (4000 free bytes need three digits)
#pragma once

#include "base/builder.hpp"
#include "quill/export.hpp"

namespace quire::quill {

// inner's output framed as chunks.
QUIRE_QUILL_EXPORT builder::Builder chunkedTransferEncoding(const builder::Builder& inner);

// The last, empty chunk and the empty line that end a chunked body.
QUIRE_QUILL_EXPORT builder::Builder chunkedTransferTerminator();

}  // namespace quire::quill
