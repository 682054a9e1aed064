// Reading numbers from untrusted text with quire::scientific and converting
// them safely: to a fixed-width integer (absent unless it fits exactly), to a
// double (with overflow and underflow reported), and through the binary
// encoding. Hostile exponents are answered at once.
#include <cstdint>
#include <cstdlib>
#include <iostream>
#include <optional>
#include <string>

#include <scientific/binary.hpp>
#include <scientific/convert.hpp>
#include <scientific/format.hpp>
#include <scientific/parse.hpp>
#include <scientific/rational.hpp>

int main() {
  using quire::scientific::Scientific;
  namespace sci = quire::scientific;
  bool ok = true;

  // A whole field from a configuration file: white space around it is fine,
  // anything else after the number is not.
  std::optional<Scientific> timeout = sci::read<Scientific>(" 2.5e3 ");
  ok = ok && timeout && !sci::read<Scientific>("2.5e3 ms");
  std::optional<std::int32_t> ms = sci::toBoundedInteger<std::int32_t>(*timeout);
  std::cout << "timeout  " << *timeout << " -> " << *ms << " ms\n";  // 2500.0 -> 2500 ms
  ok = ok && ms == 2500;

  // Not an integer, or too big for the type: absent, never wrapped.
  ok = ok && !sci::toBoundedInteger<std::int32_t>(*sci::read<Scientific>("2.5"));
  ok = ok && !sci::toBoundedInteger<std::uint8_t>(*sci::read<Scientific>("256"));
  ok = ok && sci::toBoundedInteger<std::uint8_t>(*sci::read<Scientific>("2.55e2")) == 255;

  // Doubles: correctly rounded, with out-of-range exponents reported.
  sci::Bounded<double> rate = sci::toBoundedRealFloat<double>(*sci::read<Scientific>("0.1"));
  sci::Bounded<double> huge = sci::toBoundedRealFloat<double>(*sci::read<Scientific>("1e400"));
  std::cout << "rate     " << rate.value << " in range " << std::boolalpha << rate.inRange << '\n';
  std::cout << "1e400    " << huge.value << " in range " << huge.inRange << '\n';  // inf, false
  ok = ok && rate.inRange && rate.value == 0.1 && !huge.inRange;

  // A hostile value costs nothing: no power of ten is built for it.
  Scientific hostile = *sci::read<Scientific>("1e-1000000000");
  ok = ok && !sci::toBoundedInteger<std::int64_t>(hostile) &&
       sci::toBoundedRealFloat<double>(hostile).value == 0.0;
  // An exponent beyond 64 bits is not read at all: the number stops before
  // the 'e', so reading the whole text fails.
  ok = ok && !sci::read<Scientific>("1e99999999999999999999");

  // Reading a number at the start of longer text, keeping the rest.
  auto weight = sci::scientificP("42.0kg");
  std::cout << "weight   " << weight->value << " unit " << weight->rest << '\n';  // 42.0 unit kg
  ok = ok && weight->value.base10Exponent() == -1 && weight->rest == "kg";

  // Exact division when the quotient terminates; an error when it repeats.
  Scientific share = *timeout / Scientific(8, 0);
  std::cout << "share    " << share << '\n';  // 312.5
  ok = ok && sci::show(share) == "312.5";

  // The binary encoding keeps the stored form.
  quire::binary::Output out;
  sci::put(out, *sci::read<Scientific>("1.50"));
  quire::binary::Input in(out.bytes());
  Scientific back = sci::get(in);
  ok = ok && back.coefficient() == 150 && back.base10Exponent() == -2;

  return ok ? EXIT_SUCCESS : EXIT_FAILURE;
}
