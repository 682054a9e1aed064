// Incremental input with quire::vellum: chunks arrive one by one, tokens
// already handed out stay valid, and character classes pick words out of
// the text.
#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include <vellum/vellum.hpp>

int main() {
  using namespace quire::vellum;

  // A request line that arrives in three chunks.
  bytes::Buffer in = bytes::pappend(bytes::Buffer(), quire::Bytes("GET /"));
  const quire::Bytes verb = bytes::substring(0, 3, in);
  in = bytes::pappend(std::move(in), quire::Bytes("index"));
  const std::int64_t afterCopy = in.gen();
  in = bytes::pappend(std::move(in), quire::Bytes(" HTTP"));
  std::cout << "buffer " << bytes::show(in) << ", generation " << in.gen() << ", capacity " << in.cap()
            << ", verb still " << verb << '\n';

  // Split UTF-8 text into words with a character class.
  text::Buffer t;
  for (const char* chunk : {"caf\xC3\xA9 ", "na\xC3\xAFve, r\xC3", "\xA9sum\xC3\xA9"}) {
    t = text::pappend(std::move(t), quire::Text(chunk));
  }
  const text::FastSet letter = text::charClass(U"a-zA-Z\u00C0-\u00FF");
  std::vector<std::string> words;
  for (std::int64_t i = 0; i < text::length(t);) {
    const std::int64_t start = i;
    while (i < text::length(t) && text::member(text::iter(t, i).character, letter)) i += text::iter_(t, i);
    if (i > start) words.push_back(text::substring(start, i - start, t).toString());
    if (i < text::length(t)) i += text::iter_(t, i);
  }
  for (const std::string& w : words) std::cout << "word " << w << '\n';

  const bytes::FastSet digits = bytes::charClass(U"0-9");
  const bool ok = bytes::unbuffer(in).view() == "GET /index HTTP" && verb.view() == "GET" && afterCopy == 1 &&
                  in.gen() == 2 && in.cap() == 20 && words.size() == 3 && words[0] == "caf\xC3\xA9" &&
                  words[2] == "r\xC3\xA9sum\xC3\xA9" && bytes::memberWord8('7', digits) &&
                  !bytes::memberWord8('x', digits) && bytes::show(bytes::set(quire::Bytes("+-*/"))) == "FastSet Sorted \"*+-/\"";
  return ok ? EXIT_SUCCESS : EXIT_FAILURE;
}
