#include "quill/chunked.hpp"

#include "quill/internal/chunked.hpp"

namespace quire::quill {

builder::Builder chunkedTransferEncoding(const builder::Builder& inner) {
  return detail::chunkedTransferEncodingUpTo(inner, detail::largestChunk);
}

builder::Builder chunkedTransferTerminator() {
  return builder::byteStringCopy(Bytes::fromStatic("0\r\n\r\n"));
}

}  // namespace quire::quill
