#include "brevity/binary.hpp"

#include "base/error.hpp"

namespace quire::brevity {

void put(binary::Output& out, const ShortText& t) { out.putByteString(t.view()); }

ShortText get(binary::Input& in) {
  std::optional<ShortText> t = fromUtf8(in.getByteString());
  if (!t) throwError("Binary.get(ShortText): Invalid UTF-8 stream");
  return std::move(*t);
}

}  // namespace quire::brevity
