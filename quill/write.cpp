#include "quill/write.hpp"

#include <string>

#include "base/error.hpp"
#include "quill/from_write.hpp"
#include "quill/internal/each_chunk.hpp"

namespace quire::quill {

namespace detail {

void throwBoundOverflow(const char* operation) {
  throwError(std::string(operation) + ": write bound overflows");
}

void throwNotDataIndependent(std::string_view caller) {
  throwError("getBound' called from " + std::string(caller) +
             ": write bound is not data-independent.");
}

}  // namespace detail

builder::Builder fromByteStringWith(std::size_t maxCopy, Bytes b) {
  return builder::byteStringThreshold(maxCopy, std::move(b));
}

builder::Builder fromByteString(Bytes b) {
  return fromByteStringWith(defaultCopyThreshold, std::move(b));
}

builder::Builder copyByteString(Bytes b) { return builder::byteStringCopy(std::move(b)); }

builder::Builder insertByteString(Bytes b) { return builder::byteStringInsert(std::move(b)); }

builder::Builder fromLazyByteStringWith(std::size_t maxCopy, const ChunkedBytes& b) {
  return builder::lazyByteStringThreshold(maxCopy, b);
}

builder::Builder fromLazyByteString(const ChunkedBytes& b) {
  return fromLazyByteStringWith(defaultCopyThreshold, b);
}

builder::Builder copyLazyByteString(const ChunkedBytes& b) {
  return detail::eachChunk(b, copyByteString);
}

builder::Builder insertLazyByteString(const ChunkedBytes& b) {
  return detail::eachChunk(b, insertByteString);
}

}  // namespace quire::quill
