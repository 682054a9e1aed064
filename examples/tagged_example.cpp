// Keeping quantities apart with quire::tagged: the tag is a type, costs no
// space, and stops metres from being added to feet.
#include <cstdint>
#include <cstdlib>
#include <iostream>
#include <string>

#include <tagged/tagged.hpp>

namespace tg = quire::tagged;

struct Metres {};
struct Feet {};

using Length = tg::Tagged<Metres, double>;

// A per-type constant chosen by tag, without a value of the tag type.
template <class Unit>
constexpr tg::Tagged<Unit, double> perMetre();
template <>
constexpr tg::Tagged<Metres, double> perMetre<Metres>() { return tg::Tagged<Metres, double>(1.0); }
template <>
constexpr tg::Tagged<Feet, double> perMetre<Feet>() { return tg::Tagged<Feet, double>(3.28084); }

template <class Unit>
tg::Tagged<Unit, double> convert(Length m) {
  return tg::retag<Unit>(m) * perMetre<Unit>();
}

int main() {
  Length a(1.5), b(2.0);
  Length total = a + b;
  auto feet = convert<Feet>(total);
  std::cout << "total " << total << " m = " << feet << " ft\n";
  std::cout << tg::show(total) << ' ' << tg::show(tg::Tagged<Feet, int>(-3)) << '\n';

  static_assert(sizeof(tg::Tagged<Metres, std::int64_t>) == sizeof(std::int64_t));
  bool ok = tg::untag(total) == 3.5 && tg::untag(feet) > 11.48 && tg::untag(feet) < 11.49;
  ok &= tg::show(tg::Tagged<Feet, int>(-3)) == "Tagged (-3)";
  ok &= tg::read<tg::Tagged<Feet, int>>("Tagged (-3)") == tg::Tagged<Feet, int>(-3);
  if (!ok) std::cerr << "tagged_example: unexpected result\n";
  return ok ? EXIT_SUCCESS : EXIT_FAILURE;
}
