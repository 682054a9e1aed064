// Fuzzes the decimal reader: any text must give readings (or none) without
// crashing or throwing, every reading must leave a suffix of the text, the
// value read must round to the double and float that strtod and strtof give
// for the same characters, it must encode and decode unchanged, and show
// must write a text that reads back to an equal value. The one-pass readers
// (read, readBoundedRealFloat) must agree with the general readings.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "scientific/binary.hpp"
#include "scientific/convert.hpp"
#include "scientific/format.hpp"
#include "scientific/parse.hpp"
#include "scientific/sciconv_test_support.hpp"

namespace {

namespace sci = quire::scientific;

void checkSuffix(std::string_view text, std::string_view rest) {
  if (rest.data() + rest.size() != text.data() + text.size() || rest.size() > text.size()) {
    __builtin_trap();
  }
}

using sciconv_test::bitsOf;

// A zero coefficient has no sign, so "-0" is +0.0 here.
template <class F>
void checkRounding(F got, F want, const sci::Scientific& s) {
  if (bitsOf(got) != bitsOf(s.coefficientSign() == 0 ? F(0) : want)) __builtin_trap();
}

void checkValue(std::string_view number, const sci::Scientific& s) {
  const std::string text(number);
  checkRounding(sci::toRealFloat<double>(s), std::strtod(text.c_str(), nullptr), s);
  checkRounding(sci::toRealFloat<float>(s), std::strtof(text.c_str(), nullptr), s);
  (void)sci::toBoundedInteger<std::int64_t>(s);
  quire::binary::Output out;
  sci::put(out, s);
  quire::binary::Input in(out.bytes());
  const sci::Scientific back = sci::get(in);
  if (back.coefficient() != s.coefficient() || back.base10Exponent() != s.base10Exponent()) {
    __builtin_trap();
  }
  const auto shown = sci::read<sci::Scientific>(sci::show(s));
  if (!shown || !(*shown == s)) __builtin_trap();
}

void checkOnePassReaders(std::string_view text) {
  const auto fast = sci::read<sci::Scientific>(text);
  const auto general = quire::onlyFullReading(sci::readsPrec<sci::Scientific>(0, text));
  if (fast.has_value() != general.has_value()) __builtin_trap();
  if (!fast) return;
  if (fast->coefficient() != general->coefficient() || fast->base10Exponent() != general->base10Exponent()) {
    __builtin_trap();
  }
  const auto oneCall = sci::readBoundedRealFloat<double>(text);
  if (!oneCall || !(*oneCall == sci::toBoundedRealFloat<double>(*fast))) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  if (auto r = sci::scientificP(text)) {
    checkSuffix(text, r->rest);
    checkValue(text.substr(0, text.size() - r->rest.size()), r->value);
  }
  for (const auto& r : sci::readsPrec<sci::Scientific>(0, text)) checkSuffix(text, r.rest);
  checkOnePassReaders(text);
  (void)sci::read<std::vector<sci::Scientific>>(text);
  return 0;
}
