// quill: bounded write encoders and drivers for the byte builder.
//
// A Write is an encoding of one value whose length is known up to a bound,
// so a whole encoding is checked against the free buffer space once and
// then stored with no further checks (quill/write.hpp). Writes and byte
// strings become builders (quill/from_write.hpp), and drivers run builders
// into byte strings (quill/drivers.hpp). The concrete encoders live in their
// own headers: characters (char_utf8.hpp, char8.hpp), escaped markup
// (html_utf8.hpp, html_word.hpp), fixed-width integers (integral.hpp),
// JSON strings and numbers (json.hpp) and the chunked transfer coding of
// HTTP/1.1 (chunked.hpp); this header includes them all.
//
// Example:
//   using namespace quire::quill;
//   quire::builder::Builder page =
//       fromByteString(quire::Bytes("<p>")) +
//       html_utf8::fromHtmlEscapedString(U"Fish & Chips") +
//       fromByteString(quire::Bytes("</p>"));
//   // toByteString(page).view() == "<p>Fish &amp; Chips</p>"
//   // toByteString(fromInt32sbe({1, -1})).size() == 8
#pragma once

#include "quill/char8.hpp"
#include "quill/char_utf8.hpp"
#include "quill/chunked.hpp"
#include "quill/drivers.hpp"
#include "quill/from_write.hpp"
#include "quill/html_utf8.hpp"
#include "quill/html_word.hpp"
#include "quill/integral.hpp"
#include "quill/json.hpp"
#include "quill/write.hpp"
