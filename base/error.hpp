// quire::Error: the one exception type of the suite.
//
// Misuse and internal impossibilities raise a quire::Error whose what() is
// exactly the documented message, naming the failing operation first. The
// class has default visibility so that a program can catch an Error thrown
// inside any of the shared libraries.
//
// Example:
//   try {
//     quire::throwError("head: empty ShortText");
//   } catch (const quire::Error& e) {
//     // e.what() == std::string("head: empty ShortText")
//   }
#pragma once

#include <stdexcept>
#include <string>

namespace quire {

class __attribute__((visibility("default"))) Error : public std::runtime_error {
 public:
  explicit Error(const std::string& message) : std::runtime_error(message) {}
  explicit Error(const char* message) : std::runtime_error(message) {}
};

// Out of line in callers so that the throw site stays small in hot code.
[[noreturn, gnu::cold, gnu::noinline]] inline void throwError(const std::string& message) {
  throw Error(message);
}

}  // namespace quire
