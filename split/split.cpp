// The non-template parts of the library and the instantiations for char.
#include "split/split.hpp"

#include <string>
#include <string_view>

namespace quire::split {

std::string show(DelimPolicy policy) {
  switch (policy) {
    case DelimPolicy::Drop: return "Drop";
    case DelimPolicy::Keep: return "Keep";
    case DelimPolicy::KeepLeft: return "KeepLeft";
    case DelimPolicy::KeepRight: return "KeepRight";
  }
  return "DelimPolicy(" + std::to_string(static_cast<int>(policy)) + ")";
}

std::string show(CondensePolicy policy) {
  switch (policy) {
    case CondensePolicy::Condense: return "Condense";
    case CondensePolicy::DropBlankFields: return "DropBlankFields";
    case CondensePolicy::KeepBlankFields: return "KeepBlankFields";
  }
  return "CondensePolicy(" + std::to_string(static_cast<int>(policy)) + ")";
}

std::string show(EndPolicy policy) {
  switch (policy) {
    case EndPolicy::DropBlank: return "DropBlank";
    case EndPolicy::KeepBlank: return "KeepBlank";
  }
  return "EndPolicy(" + std::to_string(static_cast<int>(policy)) + ")";
}

template class Delimiter<char>;

namespace detail {
template class ViewSplit<std::string_view, Delimiter<char>>;
}  // namespace detail

}  // namespace quire::split
