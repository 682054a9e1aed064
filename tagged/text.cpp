#include "tagged/text.hpp"

namespace quire::tagged::detail {

std::string showTaggedForm(int precedence, std::string_view inner) {
  std::string out = "Tagged ";
  out += inner;
  return showParen(precedence > 10, std::move(out));
}

std::optional<std::string_view> readTaggedWord(std::string_view text) {
  return readToken(text, "Tagged");
}

}  // namespace quire::tagged::detail
