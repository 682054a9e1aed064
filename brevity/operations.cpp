#include "brevity/operations.hpp"

#include <cstring>

#include "base/error.hpp"
#include "brevity/internal/fresh.hpp"
#include "brevity/partial.hpp"
#include "brevity/primitives.hpp"

namespace quire::brevity {

namespace detail {

ShortText slice(const ShortText& t, std::int64_t offset, std::int64_t count) {
  if (offset < 0) throwError("invalid offset");
  if (count < 0) throwError("invalid length");
  const auto size = static_cast<std::uint64_t>(t.size());
  const auto from = static_cast<std::uint64_t>(offset);
  if (from >= size || count == 0) return ShortText();
  const std::uint64_t n = std::min(static_cast<std::uint64_t>(count), size - from);
  if (n == size) return t;
  return copyValid(t.view().substr(from, n));
}

ShortText bytesBefore(const ShortText& t, std::size_t offset) {
  return slice(t, 0, static_cast<std::int64_t>(offset));
}

ShortText bytesFrom(const ShortText& t, std::size_t offset) {
  return slice(t, static_cast<std::int64_t>(offset),
               static_cast<std::int64_t>(t.size() - std::min(offset, t.size())));
}

ShortText keptBytes(const ShortText& t, const std::string& kept) {
  if (kept.size() == t.size()) return t;
  return copyValid(kept);
}

void impossibleDropAround() { throwError("dropAround: the impossible happened"); }

namespace {

// Two runs of bytes written one after the other into a fresh block.
ShortText joined(std::string_view a, std::string_view b, const char* what) {
  FreshBlock fresh(checkedSum(a.size(), b.size(), what));
  if (!a.empty()) std::memcpy(fresh.data(), a.data(), a.size());
  if (!b.empty()) std::memcpy(fresh.data() + a.size(), b.data(), b.size());
  return std::move(fresh).finish();
}

// The UTF-8 of c (U+FFFD for what UTF-8 cannot carry), in a small buffer.
struct Encoded {
  explicit Encoded(char32_t c) noexcept
      : size(static_cast<std::size_t>(encode(scalarOrReplacement(c), bytes) - bytes)) {}
  std::string_view view() const noexcept { return {reinterpret_cast<const char*>(bytes), size}; }
  std::uint8_t bytes[4];
  std::size_t size;
};

}  // namespace

}  // namespace detail

using detail::Encoded;

ShortText cons(char32_t c, const ShortText& t) {
  return detail::joined(Encoded(c).view(), t.view(), "cons: text too long");
}

ShortText snoc(const ShortText& t, char32_t c) {
  return detail::joined(t.view(), Encoded(c).view(), "snoc: text too long");
}

ShortText append(const ShortText& a, const ShortText& b) {
  if (a.empty()) return b;
  if (b.empty()) return a;
  return detail::joined(a.view(), b.view(), "append: text too long");
}

ShortText concat(std::span<const ShortText> ts) {
  std::size_t size = 0;
  const ShortText* only = nullptr;
  std::size_t nonEmpty = 0;
  for (const ShortText& t : ts) {
    size = detail::checkedSum(size, t.size(), "concat: text too long");
    if (!t.empty()) {
      only = &t;
      ++nonEmpty;
    }
  }
  if (nonEmpty == 0) return ShortText();
  if (nonEmpty == 1) return *only;
  detail::FreshBlock fresh(size);
  std::uint8_t* out = fresh.data();
  for (const ShortText& t : ts) {
    if (t.empty()) continue;
    std::memcpy(out, t.data(), t.size());
    out += t.size();
  }
  return std::move(fresh).finish();
}

ShortText replicate(std::int64_t n, const ShortText& t) {
  if (n <= 0 || t.empty()) return ShortText();
  if (n == 1) return t;
  const std::size_t copies = static_cast<std::uint64_t>(n) > detail::kMaxSize
                                 ? detail::kMaxSize + 1
                                 : static_cast<std::size_t>(n);
  detail::FreshBlock fresh(detail::checkedProduct(copies, t.size(), "replicate: text too long"));
  std::uint8_t* out = fresh.data();
  for (std::size_t k = 0; k < copies; ++k, out += t.size()) std::memcpy(out, t.data(), t.size());
  return std::move(fresh).finish();
}

ShortText intersperse(char32_t c, const ShortText& t) {
  const std::size_t count = hs_brevity_length(t.data(), t.size());
  if (count <= 1) return t;
  const Encoded sep(c);
  const std::size_t size = detail::checkedSum(
      t.size(), detail::checkedProduct(count - 1, sep.size, "intersperse: text too long"),
      "intersperse: text too long");
  detail::FreshBlock fresh(size);
  std::uint8_t* out = fresh.data();
  const std::uint8_t* d = t.data();
  for (std::size_t ofs = 0; ofs < t.size();) {
    const std::size_t w = detail::charWidth(detail::decodeAt(d + ofs));
    if (ofs > 0) {
      std::memcpy(out, sep.bytes, sep.size);
      out += sep.size;
    }
    std::memcpy(out, d + ofs, w);
    out += w;
    ofs += w;
  }
  return std::move(fresh).finish();
}

ShortText intercalate(const ShortText& sep, std::span<const ShortText> ts) {
  if (ts.empty()) return ShortText();
  if (ts.size() == 1) return ts.front();
  if (sep.empty()) return concat(ts);
  std::size_t size =
      detail::checkedProduct(ts.size() - 1, sep.size(), "intercalate: text too long");
  for (const ShortText& t : ts)
    size = detail::checkedSum(size, t.size(), "intercalate: text too long");
  detail::FreshBlock fresh(size);
  std::uint8_t* out = fresh.data();
  for (std::size_t k = 0; k < ts.size(); ++k) {
    if (k > 0) {
      std::memcpy(out, sep.data(), sep.size());
      out += sep.size();
    }
    if (!ts[k].empty()) std::memcpy(out, ts[k].data(), ts[k].size());
    out += ts[k].size();
  }
  return std::move(fresh).finish();
}

ShortText reverse(const ShortText& t) {
  const std::uint8_t* d = t.data();
  if (t.empty() || detail::charWidth(detail::decodeAt(d)) == t.size()) return t;
  detail::FreshBlock fresh(t.size());
  std::uint8_t* out = fresh.data() + t.size();
  for (std::size_t ofs = 0; ofs < t.size();) {
    const std::size_t w = detail::charWidth(detail::decodeAt(d + ofs));
    out -= w;
    std::memcpy(out, d + ofs, w);
    ofs += w;
  }
  return std::move(fresh).finish();
}

std::optional<std::pair<char32_t, ShortText>> uncons(const ShortText& t) {
  if (t.empty()) return std::nullopt;
  const char32_t c = detail::decodeAt(t.data());
  return std::pair{c, detail::bytesFrom(t, detail::charWidth(c))};
}

std::optional<std::pair<ShortText, char32_t>> unsnoc(const ShortText& t) {
  if (t.empty()) return std::nullopt;
  const char32_t c = detail::decodeBefore(t.data() + t.size());
  return std::pair{detail::bytesBefore(t, t.size() - detail::charWidth(c)), c};
}

std::optional<char32_t> indexMaybe(const ShortText& t, std::int64_t i) noexcept {
  if (i < 0) return std::nullopt;
  const std::uint32_t c = hs_brevity_index_cp(t.data(), t.size(), static_cast<std::uint64_t>(i));
  if (c == 0xFFFFFFFFu) return std::nullopt;
  return static_cast<char32_t>(c);
}

std::optional<char32_t> indexEndMaybe(const ShortText& t, std::int64_t i) noexcept {
  if (i < 0) return std::nullopt;
  const std::uint32_t c =
      hs_brevity_index_cp_rev(t.data(), t.size(), static_cast<std::uint64_t>(i));
  if (c == 0xFFFFFFFFu) return std::nullopt;
  return static_cast<char32_t>(c);
}

bool isPrefixOf(const ShortText& a, const ShortText& b) noexcept {
  return b.view().starts_with(a.view());
}

bool isSuffixOf(const ShortText& a, const ShortText& b) noexcept {
  return b.view().ends_with(a.view());
}

std::optional<ShortText> stripPrefix(const ShortText& a, const ShortText& b) {
  if (!isPrefixOf(a, b)) return std::nullopt;
  return detail::bytesFrom(b, a.size());
}

std::optional<ShortText> stripSuffix(const ShortText& a, const ShortText& b) {
  if (!isSuffixOf(a, b)) return std::nullopt;
  return detail::bytesBefore(b, b.size() - a.size());
}

namespace {

// The byte offset after the first n code points (the whole size when there
// are no more than n).
std::size_t offsetAfter(std::int64_t n, const ShortText& t) noexcept {
  if (n <= 0) return 0;
  return hs_brevity_index_ofs(t.data(), t.size(), static_cast<std::uint64_t>(n));
}

// The byte offset before the last n code points: 0 when there are no more
// than n. The primitive answers the byte length for "no such code point",
// which here means the whole text is taken.
std::size_t offsetBeforeLast(std::int64_t n, const ShortText& t) noexcept {
  if (n <= 0) return t.size();
  const std::size_t ofs =
      hs_brevity_index_ofs_rev(t.data(), t.size(), static_cast<std::uint64_t>(n - 1));
  return ofs >= t.size() ? 0 : ofs;
}

}  // namespace

std::pair<ShortText, ShortText> splitAt(std::int64_t n, const ShortText& t) {
  return detail::splitAtByte(t, offsetAfter(n, t));
}
std::pair<ShortText, ShortText> splitAtEnd(std::int64_t n, const ShortText& t) {
  return detail::splitAtByte(t, offsetBeforeLast(n, t));
}
ShortText take(std::int64_t n, const ShortText& t) {
  return detail::bytesBefore(t, offsetAfter(n, t));
}
ShortText drop(std::int64_t n, const ShortText& t) {
  return detail::bytesFrom(t, offsetAfter(n, t));
}
ShortText takeEnd(std::int64_t n, const ShortText& t) {
  return detail::bytesFrom(t, offsetBeforeLast(n, t));
}
ShortText dropEnd(std::int64_t n, const ShortText& t) {
  return detail::bytesBefore(t, offsetBeforeLast(n, t));
}

// ---------------------------------------------------------------------------
// Partial operations.

char32_t head(const ShortText& t) {
  if (t.empty()) throwError("head: empty ShortText");
  return detail::decodeAt(t.data());
}

ShortText tail(const ShortText& t) {
  if (t.empty()) throwError("tail: empty ShortText");
  return detail::bytesFrom(t, detail::charWidth(detail::decodeAt(t.data())));
}

ShortText init(const ShortText& t) {
  if (auto u = unsnoc(t)) return std::move(u->first);
  throwError("init: empty ShortText");
}

char32_t last(const ShortText& t) {
  if (t.empty()) throwError("last: empty ShortText");
  return detail::decodeBefore(t.data() + t.size());
}

char32_t index(const ShortText& t, std::int64_t i) {
  if (auto c = indexMaybe(t, i)) return *c;
  throwError("index: not within ShortText");
}

}  // namespace quire::brevity
