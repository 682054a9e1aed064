// Helpers shared by the text forms and the escape-sequence writers.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quire::vtcontrol::detail {

// "name a b c", parenthesised when prec is above 10 and there are arguments.
std::string showConstructor(int prec, std::string_view name,
                            const std::vector<std::string>& arguments);

// A float as an argument of a constructor: shortest round-trip digits,
// parenthesised when negative.
std::string showArgument(float value);

// Appends value in decimal.
void appendDecimal(std::string& out, std::int64_t value);

}  // namespace quire::vtcontrol::detail
