#include "vellum/fast_set.hpp"

#include <algorithm>

#include "base/show_bytes.hpp"
#include "base/utf8.hpp"

namespace quire::vellum {
namespace {

// Walks the class notation: onRange(a, b) for each x-y (b >= a), onChar(c)
// for each character that stands for itself.
template <class OnChar, class OnRange>
void walkCharClass(std::u32string_view s, OnChar onChar, OnRange onRange) {
  std::size_t i = 0;
  while (i < s.size()) {
    if (i + 2 < s.size() && s[i + 1] == U'-') {
      if (s[i + 2] >= s[i]) onRange(s[i], s[i + 2]);
      i += 3;
    } else {
      onChar(s[i]);
      i += 1;
    }
  }
}

constexpr char32_t kLastCodePoint = 0x10FFFF;

}  // namespace

std::u32string expandCharClass(std::u32string_view s) {
  std::u32string out;
  walkCharClass(
      s, [&](char32_t c) { out.push_back(c); },
      [&](char32_t a, char32_t b) {
        b = std::min(b, kLastCodePoint);
        for (char32_t c = a; c <= b; ++c) out.push_back(c);
      });
  return out;
}

// ---------------------------------------------------------------- bytes

namespace bytes {

FastSet set(const Bytes& bs) {
  if (bs.size() < 8) {
    std::string sorted = bs.toString();
    std::sort(sorted.begin(), sorted.end(),
              [](char x, char y) { return static_cast<unsigned char>(x) < static_cast<unsigned char>(y); });
    return FastSet(FastSet::Sorted, Bytes(std::move(sorted)));
  }
  std::uint8_t bitmap[32] = {};
  for (char c : bs.view()) {
    const I i = index(static_cast<std::uint8_t>(c));
    bitmap[i.byteIndex] |= i.bitMask;
  }
  return FastSet(FastSet::Table, Bytes(std::string_view(reinterpret_cast<const char*>(bitmap), sizeof bitmap)));
}

FastSet fromList(std::span<const std::uint8_t> ws) {
  return set(Bytes(std::string_view(reinterpret_cast<const char*>(ws.data()), ws.size())));
}

FastSet charClass(std::u32string_view s) {
  std::string bytes;
  walkCharClass(
      s, [&](char32_t c) { bytes.push_back(static_cast<char>(c & 0xFF)); },
      [&](char32_t a, char32_t b) {
        // A range ends at the last code point, as in expandCharClass.
        b = std::min(b, kLastCodePoint);
        if (b < a) return;
        // Past 256 characters the low bytes only repeat, and the set is a
        // Table either way, so a long range stops after one round.
        const std::uint64_t count = std::min<std::uint64_t>(std::uint64_t{b} - a + 1, 256);
        for (std::uint64_t k = 0; k < count; ++k) bytes.push_back(static_cast<char>((a + k) & 0xFF));
      });
  return set(Bytes(std::move(bytes)));
}

std::string show(const FastSet& f) {
  if (f.kind() == FastSet::Table) return "FastSet Table";
  return "FastSet Sorted " + showBytesLiteral(f.stored().view());
}

std::ostream& operator<<(std::ostream& os, const FastSet& f) { return os << show(f); }

}  // namespace bytes

// ----------------------------------------------------------------- text

namespace text {
namespace {

// Empty slots kept after the table for the probe's reads past its stop.
constexpr std::int64_t kSpareSlots = 3;

// The empty set's two slots and the spare ones.
const std::int64_t kEmptyTable[] = {0, kEmptyHome, 0, kEmptyHome, 0, kEmptyHome,
                                    0, kEmptyHome, 0, kEmptyHome};

}  // namespace

FastSet::FastSet() noexcept : data_(kEmptyTable), size_(4), mask_(0) {}

FastSet::FastSet(std::shared_ptr<const std::vector<std::int64_t>> table, std::size_t slots,
                 std::int64_t mask) noexcept
    : owner_(std::move(table)), data_(owner_->data()), size_(2 * slots), mask_(mask) {}

std::int64_t nextPowerOf2(std::int64_t x) noexcept {
  if (x == 0) return 1;
  std::int64_t y = x - 1;
  for (int k = 1; k <= 16; k *= 2) y |= y >> k;
  return y + 1;
}

std::vector<Entry> resolveCollisions(std::u32string_view sortedDistinct, std::int64_t mask) {
  std::vector<Entry> entries;
  entries.reserve(sortedDistinct.size());
  for (char32_t c : sortedDistinct) {
    const std::int64_t home = static_cast<std::int64_t>(c) & mask;
    entries.push_back({c, home, home});
  }
  std::stable_sort(entries.begin(), entries.end(),
                   [](const Entry& x, const Entry& y) { return x.initialIndex < y.initialIndex; });

  std::vector<Entry> resolved;
  resolved.reserve(entries.size());
  if (entries.empty()) return resolved;
  auto offset = [](const Entry& e) { return e.index - e.initialIndex; };
  Entry a = entries.front();
  for (std::size_t n = 1; n < entries.size(); ++n) {
    Entry b = entries[n];
    if (a.index < b.index) {
      resolved.push_back(a);
      a = b;
    } else if (offset(a) < offset(b)) {
      // The one already farther from home keeps the slot.
      Entry kept = b;
      kept.index = a.index;
      a.index += 1;
      resolved.push_back(kept);
    } else {
      b.index = a.index + 1;
      resolved.push_back(a);
      a = b;
    }
  }
  resolved.push_back(a);
  return resolved;
}

FastSet fromList(std::u32string_view s) {
  std::u32string chars(s);
  std::sort(chars.begin(), chars.end());
  chars.erase(std::unique(chars.begin(), chars.end()), chars.end());
  const auto l = static_cast<std::int64_t>(chars.size());
  const std::int64_t mask = nextPowerOf2((5 * l) / 4) - 1;
  const std::vector<Entry> resolved = resolveCollisions(chars, mask);

  // Empty slots fill the gaps between entries; the ones at the end let a
  // probe that starts near the end stop inside the table.
  auto table = std::make_shared<std::vector<std::int64_t>>();
  const std::int64_t lastSlot = resolved.empty() ? -1 : resolved.back().index;
  table->reserve(static_cast<std::size_t>(2 * (lastSlot + 1 + mask + 2 + kSpareSlots)));
  auto emitEmpty = [&](std::int64_t count) {
    for (std::int64_t j = 0; j < count; ++j) {
      table->push_back(0);
      table->push_back(kEmptyHome);
    }
  };
  std::int64_t k = 0, m = mask;
  for (const Entry& e : resolved) {
    emitEmpty(e.index - k);
    table->push_back(static_cast<std::int64_t>(e.key));
    table->push_back(e.initialIndex);
    m = m + (e.index - k) - 1;
    k = e.index + 1;
  }
  emitEmpty(std::max<std::int64_t>(1, m) + 1);
  const std::size_t slots = table->size() / 2;
  emitEmpty(kSpareSlots);
  return FastSet(std::move(table), slots, mask);
}

FastSet set(const Text& t) {
  std::u32string chars;
  chars.reserve(t.size());
  const auto* p = reinterpret_cast<const std::uint8_t*>(t.data());
  const auto* end = p + t.size();
  while (p < end) {
    char32_t c;
    const int n = decodeUtf8Sequence(p, end, c);
    if (n == 0) {  // a byte that starts no character adds none
      ++p;
      continue;
    }
    chars.push_back(c);
    p += n;
  }
  return fromList(chars);
}

FastSet charClass(std::u32string_view s) { return fromList(expandCharClass(s)); }

std::string show(const FastSet& f) {
  std::string out = "FastSet {table = [";
  bool first = true;
  for (std::int64_t v : f.table()) {
    if (!first) out.push_back(',');
    first = false;
    out += std::to_string(v);
  }
  out += "], mask = " + std::to_string(f.mask()) + "}";
  return out;
}

std::ostream& operator<<(std::ostream& os, const FastSet& f) { return os << show(f); }

}  // namespace text

}  // namespace quire::vellum
