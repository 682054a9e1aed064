// Fuzzes the binary decoder: any bytes must decode or fail with a
// quire::Error (never crash, hang or over-allocate), and whatever decodes
// must encode and decode again to the same stored form.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "base/error.hpp"
#include "scientific/binary.hpp"

namespace {

namespace sci = quire::scientific;

bool sameStoredForm(const sci::Scientific& a, const sci::Scientific& b) {
  return a.coefficient() == b.coefficient() && a.base10Exponent() == b.base10Exponent();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  try {
    quire::binary::Input in(bytes);
    const sci::Scientific s = sci::get(in);
    quire::binary::Output out;
    sci::put(out, s);
    quire::binary::Input again(out.bytes());
    if (!sameStoredForm(sci::get(again), s) || !again.atEnd()) __builtin_trap();
  } catch (const quire::Error&) {
  }
  try {
    quire::binary::Input in(bytes);
    const std::vector<sci::Scientific> list = sci::getList(in);
    quire::binary::Output out;
    sci::putList(out, list);
    quire::binary::Input again(out.bytes());
    const std::vector<sci::Scientific> back = sci::getList(again);
    if (back.size() != list.size()) __builtin_trap();
    for (std::size_t i = 0; i < list.size(); ++i) {
      if (!sameStoredForm(back[i], list[i])) __builtin_trap();
    }
  } catch (const quire::Error&) {
  }
  return 0;
}
