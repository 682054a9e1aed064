// Display of rendered streams.
#include "galley/display.hpp"

#include <iostream>

#include "base/error.hpp"
#include "base/utf8.hpp"
#include "galley/internal/node.hpp"
#include "vtcontrol/codes.hpp"

namespace quire::galley {
namespace {

constexpr std::string_view kSFailMessage = "@SFail@ can not appear uncaught in a rendered @SimpleDoc@";

// Walks the stream once, handing `write` each piece of text; raises at
// SFail once everything before it has been written.
template <class Write>
void walk(SimpleDoc& stream, Write&& write) {
  static constexpr std::string_view kSpaces = "                                                                ";
  std::string scratch;
  while (const SimpleDocElement* e = stream.pull()) {
    switch (e->kind) {
      case SimpleDocKind::SFail: throwError(std::string(kSFailMessage));
      case SimpleDocKind::SEmpty: return;
      case SimpleDocKind::SChar:
        if (e->character < 0x80) {
          const char c = static_cast<char>(e->character);
          write(std::string_view(&c, 1));
        } else {
          scratch.clear();
          quire::appendUtf8(scratch, e->character);
          write(std::string_view(scratch));
        }
        break;
      case SimpleDocKind::SText: write(e->text); break;
      case SimpleDocKind::SLine:
        write(std::string_view("\n"));
        for (std::int64_t left = e->indentation; left > 0; left -= static_cast<std::int64_t>(kSpaces.size())) {
          write(kSpaces.substr(0, static_cast<std::size_t>(std::min<std::int64_t>(left, kSpaces.size()))));
        }
        break;
      case SimpleDocKind::SSGR: write(std::string_view(vtcontrol::setSGRCode(e->sgr))); break;
    }
  }
}

}  // namespace

void displayS(SimpleDoc stream, std::string& out) {
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
