// Fuzzes the input buffers: a script decoded from the input appends chunks
// to buffers (through the latest value of a storage or an older one),
// combines buffers and takes slices, for both kinds side by side. Every
// buffer and every slice taken must keep reading as its std::string model
// says, however the storage was later extended in place; lengths,
// capacities and generations follow the documented rules, and the text
// buffer decodes each character of valid UTF-8 as a plain decoder does.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/bytes.hpp"
#include "vellum/buffer.hpp"
#include "fuzz/check.hpp"

namespace {

namespace vb = quire::vellum::bytes;
namespace vt = quire::vellum::text;

// Combining doubles lengths; a cap keeps each run small and quick.
constexpr std::size_t kMaxLength = 4096;

template <class Buffer>
struct Modelled {
  Buffer buffer;
  std::string model;
};

// A slice handed out earlier, with what it read when it was taken.
template <class Value>
struct Slice {
  Value value;
  std::string model;
};

// Valid UTF-8 for the text buffer: each drawn value becomes one character
// of one to four bytes (surrogates moved out of the way).
std::string drawText(FuzzedDataProvider& in, std::size_t chars) {
  std::string out;
  for (std::size_t i = 0; i < chars && in.remaining_bytes() > 0; ++i) {
    char32_t c = in.ConsumeIntegralInRange<char32_t>(0, 0x10FFFF);
    if (in.ConsumeBool()) c &= 0x7F;
    if (c >= 0xD800 && c <= 0xDFFF) c -= 0x800;
    if (c < 0x80) {
      out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
      out += {static_cast<char>(0xC0 | (c >> 6)), static_cast<char>(0x80 | (c & 0x3F))};
    } else if (c < 0x10000) {
      out += {static_cast<char>(0xE0 | (c >> 12)), static_cast<char>(0x80 | ((c >> 6) & 0x3F)),
              static_cast<char>(0x80 | (c & 0x3F))};
    } else {
      out += {static_cast<char>(0xF0 | (c >> 18)), static_cast<char>(0x80 | ((c >> 12) & 0x3F)),
              static_cast<char>(0x80 | ((c >> 6) & 0x3F)), static_cast<char>(0x80 | (c & 0x3F))};
    }
  }
  return out;
}

// The character at the start of s and its length, decoded independently.
std::pair<char32_t, std::int64_t> decodeFirst(std::string_view s) {
  const auto lead = static_cast<unsigned char>(s[0]);
  const std::int64_t n = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
  char32_t c = n == 1 ? lead : lead & (0xFF >> (n + 1));
  for (std::int64_t k = 1; k < n; ++k) c = (c << 6) | (static_cast<unsigned char>(s[k]) & 0x3F);
  return {c, n};
}

template <class Buffer>
void checkShape(const Buffer& b, const std::string& model) {
  check(b.len() == static_cast<std::int64_t>(model.size()));
  check(b.len() <= b.cap());
  if (b.gen() == 0) {
    check(b.cap() == b.len());
  } else {
    check(b.off() == 8 && b.storage().owned());
    check(b.storage().counter() >= b.gen());
  }
}

void checkBytes(const vb::Buffer& b, const std::string& model) {
  checkShape(b, model);
  check(vb::unbuffer(b).view() == model);
  check(vb::length(b) == static_cast<std::int64_t>(model.size()));
  for (std::size_t i = 0; i < model.size(); i += 1 + model.size() / 8) {
    check(vb::unsafeIndex(b, static_cast<std::int64_t>(i)) == static_cast<unsigned char>(model[i]));
  }
}

void checkText(const vt::Buffer& b, const std::string& model) {
  checkShape(b, model);
  check(vt::unbuffer(b).view() == model);
  for (std::size_t i = 0; i < model.size();) {
    const auto [c, n] = decodeFirst(std::string_view(model).substr(i));
    const auto at = static_cast<std::int64_t>(i);
    check(vt::iter_(b, at) == n);
    check((vt::iter(b, at) == vt::Iter{c, n}));
    if (i % 16 == 0) check(vt::unbufferAt(at, b).view() == std::string_view(model).substr(i));
    i += static_cast<std::size_t>(n);
  }
}

// The expected fields of an append of `added` bytes to b: in place when b
// is the latest owner of its storage and the bytes fit, else a copy.
template <class Buffer>
void checkAppended(const Buffer& before, std::int64_t counterBefore, std::size_t added, const Buffer& after) {
  const std::int64_t newlen = before.len() + static_cast<std::int64_t>(added);
  if (before.gen() != 0 && counterBefore == before.gen() && newlen <= before.cap()) {
    check(after.storage().data() == before.storage().data());
    check(after.gen() == before.gen() + 1 && after.cap() == before.cap());
    check(after.storage().counter() == after.gen());
  } else {
    check(after.gen() == 1 && after.cap() == 2 * newlen && after.storage().counter() == 1);
  }
}

template <class Buffer>
std::int64_t counterOf(const Buffer& b) {
  return b.gen() == 0 ? 0 : b.storage().counter();
}

// One script over buffers of one kind. Chunk(in) draws a chunk's text;
// Kind supplies the kind's operations.
template <class Buffer, class Value, class Kind>
void runScript(FuzzedDataProvider& in, Kind kind) {
  std::vector<Modelled<Buffer>> buffers(1);  // starts with the empty buffer
  std::vector<Slice<Value>> slices;
  while (in.remaining_bytes() > 0 && buffers.size() < 64) {
    const Modelled<Buffer>& from = buffers[in.ConsumeIntegralInRange<std::size_t>(0, buffers.size() - 1)];
    switch (in.ConsumeIntegralInRange<int>(0, 4)) {
      case 0:
      case 1: {  // append a chunk (pappend)
        const std::string chunk = kind.draw(in);
        const std::int64_t counter = counterOf(from.buffer);
        Buffer next = kind.pappend(from.buffer, chunk);
        if (from.buffer.cap() == 0) {
          check(next.gen() == 0 && next.len() == static_cast<std::int64_t>(chunk.size()));
        } else {
          checkAppended(from.buffer, counter, chunk.size(), next);
        }
        buffers.push_back({std::move(next), from.model + chunk});
        break;
      }
      case 2: {  // combine two buffers, maybe a buffer with itself
        const Modelled<Buffer>& other = buffers[in.ConsumeIntegralInRange<std::size_t>(0, buffers.size() - 1)];
        if (from.model.size() + other.model.size() > kMaxLength) break;
        Buffer next = from.buffer + other.buffer;
        buffers.push_back({std::move(next), from.model + other.model});
        break;
      }
      case 3: {  // a slice from a whole-character position
        const std::size_t s = kind.boundary(from.model, in.ConsumeIntegralInRange<std::size_t>(0, from.model.size()));
        const std::size_t e = kind.boundary(from.model, in.ConsumeIntegralInRange<std::size_t>(s, from.model.size()));
        slices.push_back({kind.substring(static_cast<std::int64_t>(s), static_cast<std::int64_t>(e - s), from.buffer),
                          from.model.substr(s, e - s)});
        slices.push_back({kind.drop(static_cast<std::int64_t>(s), from.buffer), from.model.substr(s)});
        break;
      }
      default: {  // the concatenation of several buffers
        std::vector<Buffer> parts;
        std::string model;
        for (int k = in.ConsumeIntegralInRange<int>(0, 4); k > 0; --k) {
          const Modelled<Buffer>& part = buffers[in.ConsumeIntegralInRange<std::size_t>(0, buffers.size() - 1)];
          if (model.size() + part.model.size() > kMaxLength) break;
          parts.push_back(part.buffer);
          model += part.model;
        }
        buffers.push_back({kind.concat(parts), std::move(model)});
      }
    }
    kind.verify(buffers.back().buffer, buffers.back().model);
  }
  // In-place appends must not have disturbed anything handed out before.
  for (const Modelled<Buffer>& b : buffers) kind.verify(b.buffer, b.model);
  for (const Slice<Value>& s : slices) check(s.value.view() == s.model);
}

struct ByteKind {
  std::string draw(FuzzedDataProvider& in) const {
    return in.ConsumeBytesAsString(in.ConsumeIntegralInRange<std::size_t>(0, 40));
  }
  vb::Buffer pappend(const vb::Buffer& b, const std::string& chunk) const {
    return vb::pappend(b, quire::Bytes(chunk));
  }
  std::size_t boundary(const std::string&, std::size_t at) const { return at; }
  quire::Bytes substring(std::int64_t s, std::int64_t l, const vb::Buffer& b) const { return vb::substring(s, l, b); }
  quire::Bytes drop(std::int64_t s, const vb::Buffer& b) const { return vb::unsafeDrop(s, b); }
  vb::Buffer concat(const std::vector<vb::Buffer>& parts) const { return vb::concat(parts); }
  void verify(const vb::Buffer& b, const std::string& model) const { checkBytes(b, model); }
};

struct TextKind {
  std::string draw(FuzzedDataProvider& in) const {
    return drawText(in, in.ConsumeIntegralInRange<std::size_t>(0, 12));
  }
  vt::Buffer pappend(const vt::Buffer& b, const std::string& chunk) const {
    return vt::pappend(b, quire::Text(chunk));
  }
  // Back to the start of the character holding byte `at`.
  std::size_t boundary(const std::string& s, std::size_t at) const {
    while (at > 0 && at < s.size() && (static_cast<unsigned char>(s[at]) & 0xC0) == 0x80) --at;
    return at;
  }
  quire::Text substring(std::int64_t s, std::int64_t l, const vt::Buffer& b) const { return vt::substring(s, l, b); }
  quire::Text drop(std::int64_t s, const vt::Buffer& b) const { return vt::dropCodeUnits(s, b); }
  vt::Buffer concat(const std::vector<vt::Buffer>& parts) const { return vt::concat(parts); }
  void verify(const vt::Buffer& b, const std::string& model) const { checkText(b, model); }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  if (in.ConsumeBool()) {
    runScript<vb::Buffer, quire::Bytes>(in, ByteKind{});
  } else {
    runScript<vt::Buffer, quire::Text>(in, TextKind{});
  }
  return 0;
}
