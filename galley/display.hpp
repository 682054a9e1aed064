// Display: writing a rendered SimpleDoc as text, and one-call printing of a
// Doc with the default page (ribbon 0.4, width 80).
//
// Style commands become SGR escape sequences (vtcontrol's setSGRCode)
// whenever the stream holds them; nothing here asks whether the output is a
// terminal. For plain text render plain(doc), or decide per handle with
// vtcontrol::hSupportsANSI.
//
// Example:
//   using namespace quire::galley;
//   displayS(renderCompact(nest(4, above(text("a"), text("b")))))  // == "a\nb"
//   show(red(text("x")))                   // == "\x1b[91mx\x1b[0m"
//   std::ostringstream os;
//   os << group(above(text("a"), text("b")));  // os.str() == "a b"
//   putDoc(bold(text("done")) + hardline());   // writes to std::cout
//
// Note: an SFail element raises quire::Error("@SFail@ can not appear
// uncaught in a rendered @SimpleDoc@") after everything before it has been
// written (or appended).
#pragma once

#include <iosfwd>
#include <string>
#include <string_view>

#include "base/error.hpp"
#include "galley/doc.hpp"
#include "galley/export.hpp"
#include "galley/render.hpp"

namespace quire::galley {

// Appends the stream's characters to `out`: composing calls appends without
// copying what is already there.
QUIRE_GALLEY_EXPORT void displayS(SimpleDoc stream, std::string& out);
// The stream's characters followed by `continuation`.
QUIRE_GALLEY_EXPORT std::string displayS(SimpleDoc stream, std::string_view continuation = {});
// Writes element by element as the stream is produced; does not flush.
QUIRE_GALLEY_EXPORT void displayIO(std::ostream& handle, SimpleDoc stream);
// displayIO(handle, renderPretty(0.4f, 80, doc)).
QUIRE_GALLEY_EXPORT void hPutDoc(std::ostream& handle, const Doc& doc);
// hPutDoc on standard output.
QUIRE_GALLEY_EXPORT void putDoc(const Doc& doc);

// The text form of a document: displayS(renderPretty(0.4f, 80, doc)).
QUIRE_GALLEY_EXPORT std::string show(const Doc& doc);
// The same; the precedence is ignored.
QUIRE_GALLEY_EXPORT std::string showsPrec(int precedence, const Doc& doc);
QUIRE_GALLEY_EXPORT std::ostream& operator<<(std::ostream& os, const Doc& doc);

// The ribbon and width of hPutDoc, putDoc and show.
inline constexpr float kDefaultRibbon = 0.4f;
inline constexpr std::int64_t kDefaultWidth = 80;

}  // namespace quire::galley
