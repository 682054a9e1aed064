// The built-in sample: values that show what the inspector is for, shown
// when no file is named and standard input is a terminal.
#pragma once

#include <string_view>

namespace quire::decimal {

// Numbers separated by white space, commas and semicolons, like real input.
std::string_view sampleText() noexcept;

}  // namespace quire::decimal
