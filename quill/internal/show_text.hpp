// The standard text form of a value, for the fromShow encoders.
#pragma once

#include <sstream>
#include <string>
#include <type_traits>

namespace quire::quill::detail {

// show(v) when the value's namespace offers one (the suite's convention),
// otherwise what operator<< writes.
template <class T>
std::string showText(const T& v) {
  if constexpr (requires {
                  { show(v) } -> std::convertible_to<std::string>;
                }) {
    return show(v);
  } else {
    std::ostringstream out;
    out << v;
    return std::move(out).str();
  }
}

}  // namespace quire::quill::detail
