// Messages about bad tokens, written to standard error as
//   file:line:column: bad token 'x1': not a number
// The token is quoted safely for a terminal: control characters and bytes
// outside printable ASCII are written as \xNN, and a long token is cut.
//
// Example:
//   badTokenMessage({"data.csv", 3, 7}, "1.2.3", "not a number")
//   // "data.csv:3:7: bad token '1.2.3': not a number"
#pragma once

#include <string>
#include <string_view>

#include "apps/decimal/tally.hpp"

namespace quire::decimal {

// At most maxShown characters of the token, escaped, with a note of the
// full length when it was cut.
std::string quotedToken(std::string_view token);

std::string badTokenMessage(const Location& where, std::string_view token, std::string_view reason);

}  // namespace quire::decimal
