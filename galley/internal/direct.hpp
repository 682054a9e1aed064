// The direct path from a document to its text under fits1 (renderPretty's
// test), used by displayS when it is given a fresh rendering.
#pragma once

#include <cstdint>
#include <string>

#include "galley/doc.hpp"
#include "galley/internal/cells.hpp"

namespace quire::galley::detail {

// Appends the layout of `root` at page width w and ribbon width r to `out`,
// exactly as the engine's element stream would be written out; false (and
// nothing appended) when the page is too wide for this path.
bool appendPretty(const Doc& root, std::int64_t w, std::int64_t r, std::string& out);

// Lays out the work list `work` in the state (n, k, style) with the
// engine (render.cpp) and appends the text: the direct path hands over to
// it when a document needs what only the engine does.
void appendFromCells(const Doc& root, std::int64_t w, std::int64_t r, CellRef work, std::int64_t n,
                     std::int64_t k, PackedStyle style, std::string& out);

}  // namespace quire::galley::detail
