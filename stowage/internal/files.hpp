// Whole-file reading and replacing, with the platform's errors passed on as
// std::filesystem::filesystem_error.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <sys/types.h>

#include "stowage/export.hpp"

namespace quire::stowage::detail {

// Every byte of the file at path.
[[nodiscard]] QUIRE_STOWAGE_EXPORT std::string readWholeFile(const std::filesystem::path& path);

// Makes destination hold exactly bytes without ever exposing a partly written
// file: writes a temporary file beside it, flushes it to disk and renames it
// over destination. An existing destination keeps its permission bits; a new
// one gets newFileMode. A symbolic link is followed and its target replaced.
QUIRE_STOWAGE_EXPORT void replaceFile(const std::filesystem::path& destination, std::string_view bytes,
                                      mode_t newFileMode);

// The process's file-creation mask, read without changing it.
[[nodiscard]] mode_t currentUmask() noexcept;

// A filesystem_error for the current errno.
[[noreturn]] QUIRE_STOWAGE_EXPORT void throwFileError(const char* what, const std::filesystem::path& path);

}  // namespace quire::stowage::detail
