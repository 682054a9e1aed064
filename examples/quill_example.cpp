// quill: an escaped HTML fragment and a chunked HTTP/1.1 body.
#include <cstdio>
#include <string>
#include <vector>

#include <quill/quill.hpp>

namespace quill = quire::quill;
using quire::Bytes;
using quire::builder::Builder;

namespace {

int failures = 0;

void check(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "quill_example: %s\n", what);
    ++failures;
  }
}

// <li>name: count</li>, with the name escaped and the count in decimal.
Builder item(std::u32string_view name, int count) {
  return quill::fromByteString(Bytes("<li>")) + quill::html_utf8::fromHtmlEscapedString(name) +
         quill::char_utf8::fromString(U": ") + quill::char_utf8::fromShow(count) +
         quill::fromByteString(Bytes("</li>"));
}

}  // namespace

int main() {
  // An HTML fragment: markup characters in the data are escaped.
  Builder list = quill::fromByteString(Bytes("<ul>")) + item(U"Fish & Chips", 2) +
                 item(U"\"Crème brûlée\"", 1) + quill::fromByteString(Bytes("</ul>"));
  Bytes html = quill::toByteString(list);
  std::printf("%s\n", html.toString().c_str());
  check(html.view() ==
            "<ul><li>Fish &amp; Chips: 2</li>"
            "<li>&quot;Cr\xC3\xA8me br\xC3\xBBl\xC3\xA9\x65&quot;: 1</li></ul>",
        "the fragment");

  // A chunked body: a header block of integers, the fragment as an inserted
  // chunk of its own, then the terminator. Buffers of 64 bytes make the
  // framing visible.
  Builder body = quill::chunkedTransferEncoding(quill::fromWord16sbe({0x4142, 0x4344}) +
                                                quill::insertByteString(html)) +
                 quill::chunkedTransferTerminator();
  std::vector<std::string> sent;
  quill::toByteStringIOWith(
      64, [&sent](Bytes piece) { sent.push_back(piece.toString()); }, body);
  std::string wire;
  for (const std::string& piece : sent) wire += piece;
  std::printf("%zu pieces, %zu bytes on the wire\n", sent.size(), wire.size());
  // 64 free bytes need two hex digits: the 4 integer bytes are chunk "04";
  // the inserted fragment is a chunk with a minimal size line.
  char size[16];
  std::snprintf(size, sizeof size, "%zX", html.size());
  check(wire == "04\r\nABCD\r\n" + std::string(size) + "\r\n" + html.toString() + "\r\n0\r\n\r\n",
        "the chunked body");
  check(sent.size() == 3 && sent[1] == html.toString(), "the fragment travels as it is");
  return failures == 0 ? 0 : 1;
}
