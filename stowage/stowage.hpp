// quire::stowage: data carried inside a program.
//
// Two ways in: files, directory trees and strings embedded while the program
// is built (the CMake functions of QuireStowage.cmake, backed by the
// quire-stowage-gen program), and a dummy space reserved at build time that
// a later step (injectFile, or the quire-inject tool) fills with data in the
// built executable. This header gathers the run-time side:
//   stowage/area.hpp     the dummy-space layout, dummySpace, getInner
//   stowage/inject.hpp   inject, injectWith, injectFile, injectFileWith
//   stowage/embed.hpp    getDir, the directory walk, makeRelativeToProject
//   stowage/codegen.hpp  bsToExp, strToExp: C++ source for embedded values
//
// Example (CMake):
//   quire_embed_file(app LOGO assets/logo.png)
//   quire_dummy_space(app LICENCE 4096 SUFFIX LIC)
// and in the program:
//   #include "embedded/LOGO.hpp"
//   #include "embedded/LICENCE.hpp"
//   quire::Bytes logo = embedded::LOGO();        // the file's bytes, no copy
//   quire::Bytes licence = embedded::LICENCE();  // 4096 '0' until injected
// then, after building:  quire-inject --suffix LIC licence.txt app
//   // embedded::LICENCE() == the bytes of licence.txt
#pragma once

#include "stowage/codegen.hpp"
#include "stowage/area.hpp"
#include "stowage/embed.hpp"
#include "stowage/inject.hpp"
