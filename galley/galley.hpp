// galley: a pretty printer with ANSI styling. One include for everything:
// documents (doc.hpp), combinators (combinators.hpp), the Pretty trait
// (pretty.hpp), layout (render.hpp), display (display.hpp) and the streaming
// line filler (filler.hpp).
//
// Example:
//   #include "galley/galley.hpp"
//   using namespace quire::galley;
//   putDoc(besideSpace(bold(text("total:")), green(int_(42))) + hardline());
//   // writes "\x1b[1mtotal:\x1b[0m \x1b[92m42\x1b[0m\n"
#pragma once

#include "galley/combinators.hpp"
#include "galley/display.hpp"
#include "galley/doc.hpp"
#include "galley/filler.hpp"
#include "galley/pretty.hpp"
#include "galley/render.hpp"
