// vellum: what an incremental parser keeps of its input.
//
//   vellum/buffer.hpp    bytes::Buffer and text::Buffer, growable input
//                        buffers whose old slices stay valid
//   vellum/csv.hpp       CsvReader, a streaming reader of separated values
//   vellum/fast_set.hpp  bytes::FastSet and text::FastSet, membership sets
//                        built once, and the charClass notation
//
// Example:
//   using namespace quire::vellum;
//   text::Buffer input;
//   input = text::pappend(std::move(input), quire::Text("key = "));
//   input = text::pappend(std::move(input), quire::Text("va\xC3\xA9"));
//   text::FastSet word = text::charClass(U"a-z\u00E0-\u00FF");
//   std::int64_t i = 6, start = i;
//   while (i < text::length(input) && text::member(text::iter(input, i).character, word))
//     i += text::iter(input, i).length;
//   // text::substring(start, i - start, input).view() == "va\xC3\xA9"
#pragma once

#include "vellum/buffer.hpp"
#include "vellum/csv.hpp"
#include "vellum/fast_set.hpp"
