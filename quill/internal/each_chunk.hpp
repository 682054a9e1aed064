// One builder per chunk of a chunked byte string or text, in order.
#pragma once

#include <vector>

#include "base/builder.hpp"

namespace quire::quill::detail {

template <class Chunks, class PerChunk>
builder::Builder eachChunk(const Chunks& chunks, PerChunk perChunk) {
  std::vector<builder::Builder> parts;
  parts.reserve(chunks.chunks().size());
  for (const auto& chunk : chunks.chunks()) parts.push_back(perChunk(chunk));
  return builder::concat(parts);
}

}  // namespace quire::quill::detail
