#include "stowage/inject.hpp"

#include <algorithm>
#include <limits>
#include <sys/stat.h>

#include "base/error.hpp"
#include "base/show.hpp"
#include "stowage/internal/files.hpp"

namespace quire::stowage {

namespace {

constexpr char fillByte = '0';

bool isSpace(char c) noexcept {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

// The integer at the start of text after white space: an optional '-' and
// at least one digit, anything after them ignored. Values beyond 64 bits
// saturate, which keeps every comparison with a real length correct.
std::optional<std::int64_t> readSize(std::string_view text) noexcept {
  std::size_t i = 0;
  while (i < text.size() && isSpace(text[i])) ++i;
  const bool negative = i < text.size() && text[i] == '-';
  if (negative) ++i;
  if (i == text.size() || text[i] < '0' || text[i] > '9') return std::nullopt;
  constexpr auto limit = std::numeric_limits<std::int64_t>::max();
  std::int64_t n = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    const int digit = text[i] - '0';
    n = n > (limit - digit) / 10 ? limit : n * 10 + digit;
  }
  return negative ? -n : n;
}

// The size text as a quoted literal; bytes outside ASCII are escaped in
// octal since they are bytes of a binary file, not characters.
std::string quoteBytes(std::string_view text) {
  std::string out = "\"";
  for (char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x80) {
      const char escape[] = {'\\', static_cast<char>('0' + (byte >> 6)),
                             static_cast<char>('0' + ((byte >> 3) & 7)),
                             static_cast<char>('0' + (byte & 7))};
      out.append(escape, sizeof escape);
    } else {
      std::string one = showLiteral(std::string_view(&c, 1));
      out.append(one, 1, one.size() - 2);
    }
  }
  out.push_back('"');
  return out;
}

[[noreturn]] void corruptedForInject(std::string_view sizeText) {
  throwError("Data.Stowage (inject): Your dummy space has been corrupted. Size is: " +
             quoteBytes(sizeText));
}

}  // namespace

std::string markerFor(std::string_view suffix) {
  std::string marker = "vq";
  marker.append(suffix);
  return marker;
}

std::string padSizeField(std::int64_t n) {
  std::string digits = std::to_string(n);
  if (digits.size() < sizeFieldLength) digits.insert(0, sizeFieldLength - digits.size(), fillByte);
  return digits;
}

Bytes dummySpaceWith(std::string_view suffix, std::size_t capacity) {
  std::string block = markerFor(suffix);
  block += padSizeField(static_cast<std::int64_t>(capacity));
  block.append(capacity, fillByte);
  return Bytes(std::move(block));
}

Bytes dummySpace(std::size_t capacity) { return dummySpaceWith(defaultSuffix, capacity); }

Bytes getInner(const Bytes& block) {
  const std::size_t textLength = std::min(block.size(), sizeFieldLength);
  const std::optional<std::int64_t> n = readSize(block.view().substr(0, textLength));
  if (!n) throwError("Data.Stowage (getInner): Your dummy space has been corrupted.");
  if (*n <= 0) return Bytes();
  return block.slice(textLength, static_cast<std::size_t>(*n));
}

std::optional<Bytes> injectWith(std::string_view suffix, std::string_view payload,
                                std::string_view contents) {
  const std::string marker = markerFor(suffix);
  const std::size_t at = contents.find(marker);
  const std::string_view before = contents.substr(0, at == std::string_view::npos ? 0 : at);
  std::string_view rest = at == std::string_view::npos ? std::string_view() : contents.substr(at);
  rest.remove_prefix(std::min(marker.size(), rest.size()));
  const std::string_view sizeText = rest.substr(0, sizeFieldLength);
  const std::string_view tail = rest.substr(sizeText.size());

  const std::optional<std::int64_t> capacity = readSize(sizeText);
  if (!capacity) corruptedForInject(sizeText);
  if (*capacity < 0 || payload.size() > static_cast<std::uint64_t>(*capacity)) return std::nullopt;
  const auto area = static_cast<std::size_t>(*capacity);
  // An area that claims more bytes than the file holds is damaged; writing
  // it out in full would grow the file instead of filling it. So is a size
  // field cut short by the end of the file, since the new one is written
  // in full.
  if (area > tail.size() || sizeText.size() < sizeFieldLength) corruptedForInject(sizeText);

  std::string out;
  out.reserve(contents.size());
  out.append(before);
  out.append(marker);
  out.append(padSizeField(static_cast<std::int64_t>(payload.size())));
  out.append(payload);
  out.append(area - payload.size(), fillByte);
  out.append(tail.substr(area));
  return Bytes(std::move(out));
}

std::optional<Bytes> inject(std::string_view payload, std::string_view contents) {
  return injectWith(defaultSuffix, payload, contents);
}

void injectFileWith(std::string_view suffix, std::string_view payload,
                    const std::filesystem::path& source, const std::filesystem::path& destination) {
  const std::string contents = detail::readWholeFile(source);
  const std::optional<Bytes> injected = injectWith(suffix, payload, contents);
  if (!injected) throwError("Insufficient dummy space");

  // A new destination is made like the source (an executable stays one).
  mode_t newMode = 0666;
  if (struct stat st {}; ::stat(source.c_str(), &st) == 0) newMode = st.st_mode & 0777;
  detail::replaceFile(destination, injected->view(), newMode & ~detail::currentUmask());
}

void injectFile(std::string_view payload, const std::filesystem::path& source,
                const std::filesystem::path& destination) {
  injectFileWith(defaultSuffix, payload, source, destination);
}

}  // namespace quire::stowage
