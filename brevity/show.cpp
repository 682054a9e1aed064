#include "brevity/show.hpp"

#include <ostream>

#include "brevity/internal/fresh.hpp"
#include "brevity/primitives.hpp"

namespace quire::brevity {

std::string show(const ShortText& t) { return showLiteral(t.view()); }

std::string showList(std::span<const ShortText> ts) {
  std::string out = "[";
  for (std::size_t i = 0; i < ts.size(); ++i) {
    if (i > 0) out.push_back(',');
    appendLiteral(out, ts[i].view());
  }
  out.push_back(']');
  return out;
}

std::ostream& operator<<(std::ostream& os, const ShortText& t) {
  const auto width = static_cast<std::int64_t>(os.width());
  const std::int64_t count = length(t);
  os.width(0);
  const bool padLeft = (os.flags() & std::ios_base::adjustfield) != std::ios_base::left;
  auto pad = [&] {
    for (std::int64_t k = count; k < width; ++k) os.put(os.fill());
  };
  if (padLeft) pad();
  os.write(reinterpret_cast<const char*>(t.data()), static_cast<std::streamsize>(t.size()));
  if (!padLeft) pad();
  return os;
}

namespace {

// The characters of a literal's bytes as a ShortText: well-formed UTF-8 is
// taken as it is, surrogate forms (ED A0..BF xx) become U+FFFD, and any
// other malformed sequence gives nullopt.
std::optional<ShortText> fromLiteralBytes(std::string_view bytes) {
  const auto* p = reinterpret_cast<const std::uint8_t*>(bytes.data());
  const std::size_t n = bytes.size();
  if (hs_brevity_is_valid_utf8(p, n) == 0) return detail::copyValid(bytes);
  std::string out;
  out.reserve(n);
  for (std::size_t i = 0; i < n;) {
    const std::size_t width = detail::leadWidth(p[i]);
    if (width > n - i) return std::nullopt;
    if (hs_brevity_is_valid_utf8(p + i, width) == 0) {
      out.append(bytes.substr(i, width));
    } else if (width == 3 && p[i] == 0xED && (p[i + 1] & 0xE0) == 0xA0 &&
               detail::isContinuation(p[i + 2])) {
      out.append("\xEF\xBF\xBD");
    } else {
      return std::nullopt;
    }
    i += width;
  }
  return detail::copyValid(out);
}

std::vector<Reading<ShortText>> literalReadings(std::string_view text) {
  std::vector<Reading<ShortText>> out;
  if (auto lit = readLiteral(text)) {
    if (auto value = fromLiteralBytes(lit->value)) out.push_back({std::move(*value), lit->rest});
  }
  return out;
}

using ListReading = Reading<std::vector<ShortText>>;

// "[" literal ("," literal)* "]" or "[" "]"; a literal reads at most one
// way, so one pass suffices.
std::vector<ListReading> listReadings(std::string_view text) {
  std::vector<ListReading> out;
  std::optional<std::string_view> rest = readToken(text, "[");
  if (!rest) return out;
  std::vector<ShortText> values;
  if (auto close = readToken(*rest, "]")) {
    out.push_back({std::move(values), *close});
    return out;
  }
  for (;;) {
    auto element = readsPrec<ShortText>(0, *rest);
    if (element.size() != 1) return out;
    values.push_back(std::move(element.front().value));
    if (auto close = readToken(element.front().rest, "]")) {
      out.push_back({std::move(values), *close});
      return out;
    }
    rest = readToken(element.front().rest, ",");
    if (!rest) return out;
  }
}

}  // namespace

template <>
std::vector<Reading<ShortText>> readsPrec<ShortText>(int /*precedence*/, std::string_view text) {
  return readParen(false, text, literalReadings);
}

template <>
std::vector<Reading<std::vector<ShortText>>> readsPrec<std::vector<ShortText>>(
    int /*precedence*/, std::string_view text) {
  return readParen(false, text, listReadings);
}

}  // namespace quire::brevity
