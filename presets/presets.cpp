#include "presets/wrappers.hpp"

namespace quire::presets {

All Default<All>::def() noexcept { return All{true}; }
Any Default<Any>::def() noexcept { return Any{false}; }

}  // namespace quire::presets
