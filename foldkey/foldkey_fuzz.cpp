// Fuzzes folding and reading of outside text: any bytes fold without
// crashing, in one piece or in chunks; on valid UTF-8 the fold is valid
// UTF-8, folding again changes nothing, and the whole-text fold equals the
// fold of its characters; the byte fold keeps the length; every reading of
// a Folded value leaves a suffix of the input and shows as a text that
// reads back to an equal value.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/utf8.hpp"
#include "foldkey/foldkey.hpp"

namespace {

using namespace quire::foldkey;

void check(bool ok) {
  if (!ok) __builtin_trap();
}

std::u32string decode(std::string_view s) {
  std::u32string out;
  const auto* p = reinterpret_cast<const unsigned char*>(s.data());
  const auto* end = p + s.size();
  while (p < end) {
    char32_t c;
    const int n = quire::decodeUtf8Sequence(p, end, c);
    out.push_back(c);
    p += n;
  }
  return out;
}

template <class T>
void checkReadings(std::string_view text) {
  for (const auto& r : readsPrec<T>(0, text)) {
    check(r.rest.data() + r.rest.size() == text.data() + text.size() && r.rest.size() <= text.size());
    const std::string shown = show(r.value);
    auto back = read<T>(shown);
    check(back && *back == r.value && show(*back) == shown);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const quire::Text text(input);
  const quire::Text folded = foldText(text);
  check(foldCaseBS(quire::Bytes(input)).size() == size);

  std::vector<quire::Text> pieces;
  for (std::size_t i = 0; i < size; i += 7) pieces.push_back(quire::Text(input.substr(i, 7)));
  const quire::ChunkedText chunks(pieces);
  check(foldCase(chunks).chunks().size() == chunks.chunks().size());

  if (quire::isValidUtf8(input)) {
    check(quire::isValidUtf8(folded.view()));
    check(foldText(folded) == folded);
    const std::u32string chars = decode(input);
    check(fullFold(chars) == decode(folded.view()));
  }

  checkReadings<Folded<quire::Text>>(input);
  checkReadings<Folded<quire::Bytes>>(input);
  checkReadings<Folded<char32_t>>(input);
  return 0;
}
