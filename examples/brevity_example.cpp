// Compact UTF-8 text with quire::brevity: validate bytes from outside, slice
// and search by code point, split a line into fields, and store a value in
// binary form and read it back.
#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include <brevity/binary.hpp>
#include <brevity/brevity.hpp>
#include <brevity/operations.hpp>
#include <brevity/show.hpp>

int main() {
  namespace bv = quire::brevity;
  using bv::ShortText;

  // Bytes from outside are validated; characters are encoded.
  std::optional<ShortText> name = bv::fromUtf8("Z\xC3\xBCrich");  // "Zürich"
  std::optional<ShortText> broken = bv::fromUtf8("Z\xC3");        // cut short
  ShortText city = bv::fromString(U"Z\u00FCrich");

  std::cout << "valid: " << std::boolalpha << name.has_value() << ", broken: " << broken.has_value()
            << '\n';
  std::cout << "bytes " << city.size() << ", code points " << bv::length(city) << '\n';  // 7, 6
  std::cout << "second letter: U+" << std::hex << static_cast<unsigned>(*bv::indexMaybe(city, 1))
            << std::dec << '\n';                                // U+fc
  std::cout << "last three: " << bv::takeEnd(3, city) << '\n';  // ich

  // Split a line into trimmed fields.
  ShortText line("  id , label\xE2\x82\xAC ,, end ");
  std::vector<ShortText> fields;
  for (const ShortText& field : bv::split([](char32_t c) { return c == U','; }, line)) {
    fields.push_back(bv::dropAround([](char32_t c) { return c == U' '; }, field));
  }
  std::cout << "fields: " << bv::showList(fields) << '\n';  // ["id","label€","","end"]

  // The binary form is the byte length (8 bytes big-endian) and the bytes.
  quire::binary::Output out;
  bv::put(out, city);
  quire::binary::Input in(out.bytes());
  ShortText back = bv::get(in);

  bool ok = name == city && !broken && city.size() == 7 && bv::length(city) == 6 &&
            bv::indexMaybe(city, 1) == U'\u00FC' && bv::takeEnd(3, city) == ShortText("ich") &&
            fields == std::vector<ShortText>{ShortText("id"), ShortText("label\xE2\x82\xAC"),
                                             ShortText(), ShortText("end")} &&
            back == city && out.bytes().size() == 15 && bv::show(city) == "\"Z\xC3\xBCrich\"";
  return ok ? EXIT_SUCCESS : EXIT_FAILURE;
}
