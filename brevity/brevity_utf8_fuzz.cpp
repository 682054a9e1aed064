// Fuzzes the readers of outside bytes: the validator must agree with the
// independent check in base/bytes.hpp and never read past its input; valid
// bytes must survive every round trip (characters, text form, binary form);
// the binary reader and the text reader must answer any input with a value,
// nothing or quire::Error, and what they give must be valid UTF-8.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/bytes.hpp"
#include "base/error.hpp"
#include "brevity/binary.hpp"
#include "brevity/brevity.hpp"
#include "brevity/primitives.hpp"
#include "brevity/show.hpp"

namespace bv = quire::brevity;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // An exact-size copy, so reading one byte too far is a sanitizer report.
  const std::vector<std::uint8_t> bytes(data, data + size);
  const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  const std::int32_t verdict = hs_brevity_is_valid_utf8(bytes.data(), bytes.size());
  if ((verdict == 0) != quire::isValidUtf8(text)) __builtin_trap();
  if (verdict < -3 || verdict > 1) __builtin_trap();

  if (std::optional<bv::ShortText> t = bv::fromUtf8(text)) {
    if (bv::fromString(bv::toU32String(*t)) != *t) __builtin_trap();
    if (bv::read<bv::ShortText>(bv::show(*t)) != *t) __builtin_trap();
    if (bv::length(*t) != static_cast<std::int64_t>(bv::toU32String(*t).size())) __builtin_trap();
  }

  if (auto read = bv::read<bv::ShortText>(text)) {
    if (!bv::isValidUtf8(*read)) __builtin_trap();
  }
  try {
    quire::binary::Input in(text);
    const bv::ShortText got = bv::get(in);
    if (!bv::isValidUtf8(got)) __builtin_trap();
  } catch (const quire::Error&) {
  }
  return 0;
}
