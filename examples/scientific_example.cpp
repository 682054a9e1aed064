// Exact decimal arithmetic with quire::scientific: build values, compute,
// compare, round and print them, and see a hostile exponent handled at once.
#include <cstdlib>
#include <iostream>
#include <string>

#include <scientific/format.hpp>
#include <scientific/rounding.hpp>
#include <scientific/scientific.hpp>

int main() {
  using quire::scientific::FPFormat;
  using quire::scientific::Scientific;
  namespace sci = quire::scientific;

  Scientific price(1999, -2);                  // 19.99, exactly
  Scientific quantity(3, 0);
  Scientific total = price * quantity;          // (5997, -2)
  Scientific withFee = total + Scientific(5, -1);  // 60.47

  std::cout << "total    " << total << '\n';                                              // 59.97
  std::cout << "with fee " << sci::formatScientific(FPFormat::Fixed, 1, withFee) << '\n';  // 60.5
  std::cout << "rounded  " << sci::round<int>(withFee) << '\n';                            // 60
  std::cout << "1e2 == 100: " << std::boolalpha << (Scientific(1, 2) == Scientific(100, 0)) << '\n';

  // A value read from outside with an absurd exponent costs nothing to
  // compare, round or print.
  Scientific tiny(1, -1000000000000000000);
  std::cout << "tiny     " << tiny << ", floor " << sci::floor(tiny) << ", ceiling "
            << sci::ceiling(tiny) << ", below total: " << (tiny < total) << '\n';

  bool ok = sci::show(total) == "59.97" && sci::show(withFee) == "60.47" &&
            sci::formatScientific(FPFormat::Fixed, 1, withFee) == "60.5" && sci::round<int>(withFee) == 60 &&
            sci::show(tiny) == "1.0e-1000000000000000000" && sci::ceiling(tiny) == 1;
  return ok ? EXIT_SUCCESS : EXIT_FAILURE;
}
