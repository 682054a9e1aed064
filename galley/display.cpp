// Display of rendered streams.
#include "galley/display.hpp"

#include <iostream>

#include "galley/internal/write.hpp"

namespace quire::galley {
namespace {

// Walks the stream once, handing `write` each piece of text; raises at
// SFail once everything before it has been written.
template <class Write>
void walk(SimpleDoc& stream, Write&& write) {
  std::string scratch;
  while (const SimpleDocElement* e = stream.pull()) {
    detail::writeElement(*e, scratch, write);
    if (e->ends()) return;
  }
}

}  // namespace

void displayS(SimpleDoc stream, std::string& out) {
  if (detail::appendRendered(stream, out)) return;
  walk(stream, [&out](std::string_view piece) { out.append(piece); });
}

std::string displayS(SimpleDoc stream, std::string_view continuation) {
  std::string out;
  displayS(std::move(stream), out);
  out.append(continuation);
  return out;
}

void displayIO(std::ostream& handle, SimpleDoc stream) {
  walk(stream, [&handle](std::string_view piece) {
    handle.write(piece.data(), static_cast<std::streamsize>(piece.size()));
  });
}

void hPutDoc(std::ostream& handle, const Doc& doc) { displayIO(handle, renderPretty(kDefaultRibbon, kDefaultWidth, doc)); }

void putDoc(const Doc& doc) { hPutDoc(std::cout, doc); }

std::string show(const Doc& doc) { return displayS(renderPretty(kDefaultRibbon, kDefaultWidth, doc)); }

std::string showsPrec(int /*precedence*/, const Doc& doc) { return show(doc); }

std::ostream& operator<<(std::ostream& os, const Doc& doc) {
  hPutDoc(os, doc);
  return os;
}

}  // namespace quire::galley
