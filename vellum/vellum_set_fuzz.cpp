// Fuzzes the character sets: a class or a list of characters decoded from
// the input is built into both set kinds, and every probe must agree with
// a plain model (a bool table for bytes, a std::set for characters) built
// here from the same characters; the class notation is expanded by a model
// of its own. The byte set's form and stored bytes follow from the input
// size, and the character table keeps its documented shape (mask, padding,
// homes) so that no probe can run past it.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "base/bytes.hpp"
#include "vellum/fast_set.hpp"
#include "fuzz/check.hpp"

namespace {

namespace vb = quire::vellum::bytes;
namespace vt = quire::vellum::text;

// Characters drawn so that collisions are common: mostly small code
// points, sometimes whole planes apart, sometimes beyond Unicode.
char32_t drawChar(FuzzedDataProvider& in) {
  switch (in.ConsumeIntegralInRange<int>(0, 3)) {
    case 0: return in.ConsumeIntegral<std::uint8_t>() & 0x3F;
    case 1: return in.ConsumeIntegral<std::uint8_t>();
    case 2: return in.ConsumeIntegralInRange<char32_t>(0, 0x10FFFF);
    default: return in.ConsumeIntegral<char32_t>();
  }
}

constexpr std::size_t kMaxExpanded = 1000;

// The class notation as it is described: x '-' y is the run x..y, anything
// else is itself. The run is capped at U+10FFFF. Nothing when the result
// would be longer than kMaxExpanded (only to keep each run quick).
std::optional<std::u32string> modelExpand(const std::u32string& s) {
  std::u32string out;
  for (std::size_t i = 0; i < s.size();) {
    if (i + 2 < s.size() && s[i + 1] == U'-') {
      const char32_t hi = std::min<char32_t>(s[i + 2], 0x10FFFF);
      if (s[i] <= hi && out.size() + (hi - s[i]) >= kMaxExpanded) return std::nullopt;
      for (char32_t c = s[i]; c <= hi; ++c) out.push_back(c);
      i += 3;
    } else {
      out.push_back(s[i++]);
    }
  }
  return out;
}

void checkByteSet(const vb::FastSet& f, const std::u32string& chars) {
  std::array<bool, 256> model{};
  for (char32_t c : chars) model[c & 0xFF] = true;
  for (unsigned w = 0; w < 256; ++w) {
    check(vb::memberWord8(static_cast<std::uint8_t>(w), f) == model[w]);
    check(vb::memberChar(static_cast<char32_t>(w) | 0x300, f) == model[w]);
  }
  if (chars.size() < 8) {
    check(f.kind() == vb::FastSet::Sorted);
    std::string sorted;
    for (char32_t c : chars) sorted.push_back(static_cast<char>(c & 0xFF));
    std::ranges::sort(sorted, {}, [](char c) { return static_cast<unsigned char>(c); });
    check(f.stored().view() == sorted);
  } else {
    check(f.kind() == vb::FastSet::Table);
    check(f.stored().size() == 32);
  }
}

// The table holds every member once, each at or after its home, with homes
// never decreasing along the table and an empty slot at the end.
void checkTableShape(const vt::FastSet& f, const std::set<char32_t>& model) {
  const auto table = f.table();
  check(table.size() % 2 == 0 && table.size() >= 4);
  const std::int64_t mask = f.mask();
  check(mask >= 0 && (mask & (mask + 1)) == 0);
  check(static_cast<std::size_t>(mask) + 1 >= model.size() || model.empty());
  std::size_t members = 0;
  std::int64_t lastHome = -1;
  for (std::size_t s = 0; s < table.size() / 2; ++s) {
    const std::int64_t key = table[2 * s], home = table[2 * s + 1];
    if (home == vt::kEmptyHome) {
      check(key == 0);
      continue;
    }
    ++members;
    check(model.contains(static_cast<char32_t>(key)));
    check(home == (key & mask));
    check(home <= static_cast<std::int64_t>(s));
    check(home >= lastHome);
    lastHome = home;
  }
  check(members == model.size());
  check(table[table.size() - 1] == vt::kEmptyHome);
}

void checkCharSet(const vt::FastSet& f, const std::u32string& chars, FuzzedDataProvider& in) {
  const std::set<char32_t> model(chars.begin(), chars.end());
  checkTableShape(f, model);
  const char32_t span = static_cast<char32_t>(f.mask()) + 1;
  for (char32_t c : model) {
    check(vt::member(c, f));
    // Neighbours and characters sharing a home slot.
    for (char32_t probe : {c - 1, c + 1, c + span, c - span, c ^ 0x10000}) {
      check(vt::member(probe, f) == model.contains(probe));
    }
  }
  for (int i = 0; i < 64 && in.remaining_bytes() > 0; ++i) {
    const char32_t probe = drawChar(in);
    check(vt::member(probe, f) == model.contains(probe));
  }
  check(vt::member(0, f) == model.contains(0));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  const bool asClass = in.ConsumeBool();
  std::u32string written;
  const std::size_t n = in.ConsumeIntegralInRange<std::size_t>(0, 200);
  for (std::size_t i = 0; i < n && in.remaining_bytes() > 0; ++i) {
    const char32_t c = drawChar(in);
    if (!asClass) {
      written.push_back(c);
      continue;
    }
    // Classes mix characters, lone dashes and runs of modest length, some
    // reversed and some reaching past the code space.
    switch (in.ConsumeIntegralInRange<int>(0, 3)) {
      case 0: written.push_back(U'-'); break;
      case 1: written.push_back(c & 0x1FFFFF); break;
      default: {
        const char32_t from = c & 0x1FFFFF;
        const int width = in.ConsumeIntegralInRange<int>(-4, 150);
        written += {from, U'-', static_cast<char32_t>(static_cast<std::int64_t>(from) + width)};
      }
    }
  }
  std::u32string chars = written;
  if (asClass) {
    std::optional<std::u32string> expanded = modelExpand(written);
    if (!expanded) return -1;
    chars = std::move(*expanded);
    check(quire::vellum::expandCharClass(written) == chars);
  }

  checkCharSet(asClass ? vt::charClass(written) : vt::fromList(chars), chars, in);
  if (asClass) {
    checkByteSet(vb::charClass(written), chars);
  } else {
    std::string bytes;
    for (char32_t c : chars) bytes.push_back(static_cast<char>(c & 0xFF));
    const vb::FastSet f = vb::set(quire::Bytes(bytes));
    checkByteSet(f, chars);
    const std::vector<std::uint8_t> list(bytes.begin(), bytes.end());
    check(vb::fromList(list) == f);
  }
  return 0;
}
