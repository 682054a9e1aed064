#include "regroup/regroup.hpp"

namespace quire::regroup::detail {

void valuelessVariant() { throw std::bad_variant_access(); }

}  // namespace quire::regroup::detail
