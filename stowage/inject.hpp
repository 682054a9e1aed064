// Dummy space: a marked area in a built program that is filled in later.
//
// A program reserves an area at build time (quire_dummy_space in CMake, see
// README.md). The area is the marker "vq" + suffix, a 20-byte ASCII decimal
// size field, then `capacity` data bytes, all '0' when fresh. A later step
// (injectFile, or the quire-inject tool) finds the first marker in the built
// file and rewrites the size field and the data in place, keeping the file's
// length; the running program reads its area back with getInner.
//
// Example:
//   using namespace quire::stowage;
//   quire::Bytes fresh = dummySpace(5);
//   // fresh.view() == "vqKZ" "00000000000000000005" "00000"
//   getInner(fresh.slice(4, fresh.size()));            // "00000"
//   std::optional<quire::Bytes> stamped = inject("abc", fresh.view());
//   // stamped->view() == "vqKZ" "00000000000000000003" "abc00"
//   getInner(stamped->slice(4, stamped->size()));      // "abc"
//   inject("abcdef", fresh.view());                    // nullopt: too long
//
//   injectFile("licence text", "app", "app");  // rewrites ./app in place
#pragma once

#include <filesystem>
#include <optional>
#include <string_view>

#include "base/bytes.hpp"
#include "stowage/area.hpp"
#include "stowage/export.hpp"

namespace quire::stowage {

// contents with the first area marked by "vq" + suffix rewritten to hold
// payload, or nullopt when payload is longer than the area's capacity (the
// number in its size field). The result has the length of contents.
// Throws quire::Error "Data.Stowage (inject): Your dummy space has been
// corrupted. Size is: " plus the size text as a quoted literal when there is
// no marker or its size field holds no number.
// Note: an area whose size field claims more bytes than follow it in
// contents, or whose size field is cut short by the end of contents, is
// reported as corrupted too, rather than growing the file.
[[nodiscard]] QUIRE_STOWAGE_EXPORT std::optional<Bytes> injectWith(std::string_view suffix,
                                                                  std::string_view payload,
                                                                  std::string_view contents);
[[nodiscard]] QUIRE_STOWAGE_EXPORT std::optional<Bytes> inject(std::string_view payload,
                                                              std::string_view contents);

// Reads source whole, injects payload, and writes the result to destination
// (which may be source). The new contents go to a temporary file in the
// destination's directory that is then renamed over it, so a failure never
// leaves a partly written destination; an existing destination keeps its
// permission bits, a new one gets the source's (less the umask). A symbolic
// link as destination is followed: its target is replaced.
// Throws quire::Error "Insufficient dummy space" (destination untouched) when
// the payload does not fit, the errors of injectWith, and
// std::filesystem::filesystem_error for file failures.
QUIRE_STOWAGE_EXPORT void injectFileWith(std::string_view suffix, std::string_view payload,
                                         const std::filesystem::path& source,
                                         const std::filesystem::path& destination);
QUIRE_STOWAGE_EXPORT void injectFile(std::string_view payload, const std::filesystem::path& source,
                                     const std::filesystem::path& destination);

}  // namespace quire::stowage
