// foldkey: values that compare, order and hash without regard to letter
// case, and the per-type case folding behind them.
//
// The pieces:
//   foldkey/fold_case.hpp  the FoldCase trait, foldCase, foldCaseList,
//                          toLower8, foldCaseBS and the provided kinds
//   foldkey/folded.hpp     Folded<S>: mk, unsafeMk, map, traverse,
//                          comparison, min, max, hashing, combining
//   foldkey/show.hpp       text forms and reading
//
// Example:
//   using namespace quire::foldkey;
//   std::unordered_map<Folded<quire::Text>, int> headers;
//   headers[mk(quire::Text("Content-Length"))] = 42;
//   // headers.count(mk(quire::Text("content-length"))) == 1
//   // show(headers.begin()->first) == "\"Content-Length\""
#pragma once

#include "foldkey/fold_case.hpp"
#include "foldkey/folded.hpp"
#include "foldkey/show.hpp"
