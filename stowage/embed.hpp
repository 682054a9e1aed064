// Files and directory trees as data, and the project-root search.
//
// The CMake functions of QuireStowage.cmake embed files into a program at
// build time (see README.md); this header holds what they share with the
// running program: the directory walk behind quire_embed_dir, getDir (the
// same walk at run time), and the search for the project directory.
//
// The walk lists every regular file under a root (symbolic links followed),
// skipping every entry whose name begins with '.', and sorts the result by
// relative path, bytewise, with '/' between path parts. Each directory is
// walked at most once, so link loops end: directories reached without a
// link come first, then linked directories in order of their relative path,
// each only when its target has not been walked yet.
//
// Example:
//   // tree: root/b, root/a, root/c/z, root/.env, root/.git/config
//   quire::stowage::DirContents d = quire::stowage::getDir("root");
//   // d[0].first == "a", d[1].first == "b", d[2].first == "c/z"; d.size() == 3
//   // d[2].second == the bytes of root/c/z
//
//   // source file /p/q/src/main.cpp, and a file /p/q/x.projdesc:
//   quire::stowage::makeRelativeToProject("data/f");  // "/p/q/data/f"
//
//   quire::stowage::stringToBs(U"\u0141a");  // "Aa": U+0141 keeps its low byte 0x41
#pragma once

#include <filesystem>
#include <functional>
#include <source_location>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/bytes.hpp"
#include "stowage/export.hpp"

namespace quire::stowage {

// (relative path, contents) pairs, sorted by relative path.
using DirContents = std::vector<std::pair<std::string, Bytes>>;

// One file found by the walk: its path relative to the root ("d/name") and
// the path it was found under (root joined with the relative path).
struct TreeFile {
  std::string relative;
  std::filesystem::path real;
};

// What a walk saw: the files, sorted by relative path, and every directory
// it listed (the root first), for a build to watch for added files.
struct Tree {
  std::vector<TreeFile> files;
  std::vector<std::filesystem::path> directories;
};

// The walk described at the top of this file. Throws
// std::filesystem::filesystem_error when root or a directory under it
// cannot be listed.
[[nodiscard]] QUIRE_STOWAGE_EXPORT Tree walkTree(const std::filesystem::path& root);

// Every file of the tree under root with its bytes, read now.
[[nodiscard]] QUIRE_STOWAGE_EXPORT DirContents getDir(const std::filesystem::path& root);

// A byte string holding the low 8 bits of each character.
[[nodiscard]] QUIRE_STOWAGE_EXPORT Bytes stringToBs(std::u32string_view text);

// The nearest directory above sourceFile (canonicalised) that holds an entry
// whose name satisfies isMarker, joined with "/" and relative. Throws
// quire::Error "Could not find .projdesc file for path: " plus the canonical
// source path when no directory up to the root qualifies.
[[nodiscard]] QUIRE_STOWAGE_EXPORT std::string makeRelativeToLocationPredicateFrom(
    const std::filesystem::path& sourceFile, const std::function<bool(std::string_view)>& isMarker,
    std::string_view relative);

// The same with a marker file whose name ends in ".projdesc" (its last '.'
// on, so a file named just ".projdesc" counts too).
[[nodiscard]] QUIRE_STOWAGE_EXPORT std::string makeRelativeToProjectFrom(
    const std::filesystem::path& sourceFile, std::string_view relative);

// The searches from the source file of the caller, as the compiler names it
// (where the standard library has std::source_location).
#if defined(__cpp_lib_source_location)
[[nodiscard]] inline std::string makeRelativeToLocationPredicate(
    const std::function<bool(std::string_view)>& isMarker, std::string_view relative,
    std::source_location where = std::source_location::current()) {
  return makeRelativeToLocationPredicateFrom(where.file_name(), isMarker, relative);
}
[[nodiscard]] inline std::string makeRelativeToProject(
    std::string_view relative, std::source_location where = std::source_location::current()) {
  return makeRelativeToProjectFrom(where.file_name(), relative);
}
#endif

}  // namespace quire::stowage
