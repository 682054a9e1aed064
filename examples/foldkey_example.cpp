// Case-insensitive keys with quire::foldkey: a header table that finds
// "content-length" under "Content-Length", full Unicode folding, and the
// byte fold for protocols that are not UTF-8.
#include <cstdlib>
#include <iostream>
#include <string>
#include <unordered_map>

#include <foldkey/foldkey.hpp>

int main() {
  using namespace quire::foldkey;
  using quire::Bytes;
  using quire::Text;

  std::unordered_map<Folded<Text>, int> headers;
  headers[mk(Text("Content-Length"))] = 42;
  headers[mk(Text("Host"))] = 1;
  const bool found = headers.count(mk(Text("content-LENGTH"))) == 1;
  const std::string shown = show(headers.find(mk(Text("HOST")))->first);
  std::cout << "content-LENGTH found: " << std::boolalpha << found << ", HOST shows as " << shown << '\n';

  Folded<Text> street = mk(Text("Stra\xC3\x9F" "e"));
  const bool sameStreet = street == mk(Text("STRASSE"));
  std::cout << street << " == \"STRASSE\": " << sameStreet << ", folded " << street.foldedCase() << '\n';

  const bool oneChar = foldCase(U'\u00DF') == U'\u00DF';
  const bool wholeString = foldCase(std::u32string(U"\u00DF")) == U"ss";
  const Bytes latin1 = foldCaseBS(Bytes("HeLLo \xC0"));

  Folded<Text> joined = mk(Text("Foo")) + mk(Text("BAR"));
  auto back = read<Folded<Text>>(show(joined));

  const bool ok = found && shown == "\"Host\"" && sameStreet && street.foldedCase().view() == "strasse" &&
                  oneChar && wholeString && latin1.view() == "hello \xE0" &&
                  joined.foldedCase().view() == "foobar" && back && back->original().view() == "FooBAR" &&
                  min(mk(Text("a")), mk(Text("A"))).original().view() == "a" &&
                  max(mk(Text("a")), mk(Text("A"))).original().view() == "A";
  return ok ? EXIT_SUCCESS : EXIT_FAILURE;
}
