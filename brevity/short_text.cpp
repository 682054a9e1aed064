#include <cstring>
#include <new>
#include <string>

#include "base/error.hpp"
#include "brevity/brevity.hpp"
#include "brevity/internal/fresh.hpp"
#include "brevity/primitives.hpp"

namespace quire::brevity {

namespace detail {

constinit EmptyStorage emptyStorage{{kPinnedMiddle, 0}, 0};

namespace {

// Bytes of storage for size bytes: whole words, at least one.
std::size_t paddedSize(std::size_t size) noexcept {
  std::size_t words = size == 0 ? 1 : (size + 7) / 8;
  return words * 8;
}

}  // namespace

Block* allocateBlock(std::size_t size) {
  if (size == 0) return emptyBlock();
  if (size > kMaxSize) throwError("ShortText: longer than 4294967288 bytes");
  const std::size_t padded = paddedSize(size);
  auto* block =
      ::new (::operator new(sizeof(Block) + padded)) Block{{1}, static_cast<std::uint32_t>(size)};
  // Zero the last word so the padding never holds stale bytes.
  std::memset(block->bytes() + padded - 8, 0, 8);
  return block;
}

void freeBlock(Block* b) noexcept {
  b->~Block();
  ::operator delete(b);
}

namespace {

// A Text's owner record when it shares a ShortText's block.
struct TextShare : quire::detail::SharedBlock {
  explicit TextShare(ShortText t) noexcept : SharedBlock(&free), owner(std::move(t)) {}
  static void free(quire::detail::SharedBlock* block) noexcept {
    delete static_cast<TextShare*>(block);
  }
  ShortText owner;
};

const std::uint8_t* bytesOf(std::string_view s) noexcept {
  return reinterpret_cast<const std::uint8_t*>(s.data());
}

}  // namespace

}  // namespace detail

ShortByteString::ShortByteString(std::string_view bytes) : ShortByteString(detail::emptyBlock()) {
  detail::FreshBlock fresh(bytes.size());
  if (!bytes.empty()) std::memcpy(fresh.data(), bytes.data(), bytes.size());
  *this = std::move(fresh).finishBytes();
}

ShortText::ShortText(std::string_view utf8) {
  if (hs_brevity_is_valid_utf8(detail::bytesOf(utf8), utf8.size()) != 0) {
    throwError("ShortText: invalid UTF-8");
  }
  *this = detail::copyValid(utf8);
}

ShortText::ShortText(std::u32string_view chars) : ShortText(fromString(chars)) {}

ShortText singleton(char32_t c) {
  c = detail::scalarOrReplacement(c);
  detail::FreshBlock fresh(detail::charWidth(c));
  detail::encode(c, fresh.data());
  return std::move(fresh).finish();
}

ShortText fromString(std::u32string_view chars) {
  if (chars.empty()) return ShortText();
  if (chars.size() == 1) return singleton(chars.front());
  std::size_t size = 0;
  for (char32_t c : chars) {
    size = detail::checkedSum(size, detail::charWidth(detail::scalarOrReplacement(c)),
                              "fromString: text too long");
  }
  detail::FreshBlock fresh(size);
  std::uint8_t* out = fresh.data();
  for (char32_t c : chars) out = detail::encode(detail::scalarOrReplacement(c), out);
  return std::move(fresh).finish();
}

std::u32string toU32String(const ShortText& t) {
  std::u32string out;
  out.reserve(static_cast<std::size_t>(length(t)));
  for (char32_t c : unpack(t)) out.push_back(c);
  return out;
}

std::optional<ShortText> fromUtf8(std::string_view utf8) {
  if (hs_brevity_is_valid_utf8(detail::bytesOf(utf8), utf8.size()) != 0) return std::nullopt;
  return detail::copyValid(utf8);
}

ShortText fromText(const Text& x) {
  const quire::detail::SharedBlock* owner = x.owner();
  if (owner != nullptr && owner->release == &detail::TextShare::free) {
    const ShortText& whole = static_cast<const detail::TextShare*>(owner)->owner;
    if (reinterpret_cast<const unsigned char*>(x.data()) == whole.data() &&
        x.size() == whole.size()) {
      return whole;
    }
  }
  return detail::copyValid(x.view());
}

Text toText(const ShortText& t) {
  if (t.empty()) return Text();
  auto* share = new detail::TextShare(t);
  return Text::adoptShared(share, reinterpret_cast<const char*>(t.data()), t.size());
}

std::optional<ShortText> fromShortByteString(const ShortByteString& b) {
  if (hs_brevity_is_valid_utf8(b.data(), b.size()) != 0) return std::nullopt;
  return fromShortByteStringUnsafe(b);
}

std::optional<ShortText> fromByteString(const Bytes& b) {
  if (hs_brevity_is_valid_utf8(detail::bytesOf(b.view()), b.size()) != 0) return std::nullopt;
  return detail::copyValid(b.view());
}

ShortText fromByteStringUnsafe(std::string_view utf8) { return detail::copyValid(utf8); }

namespace {

// Copies the bytes of text from offset on, continuing in further buffers
// when they do not fit.
builder::BuildSignal copyFrom(builder::BufferRange r, const ShortText& text, std::size_t offset) {
  const std::size_t n = std::min(text.size() - offset, r.free());
  if (n > 0) std::memcpy(r.cur, text.data() + offset, n);
  if (offset + n == text.size()) return builder::Done{r.cur + n};
  const std::size_t next = offset + n;
  return builder::BufferFull{1, r.cur + n,
                             builder::BuildStep([text, next](builder::BufferRange more) {
                               return copyFrom(more, text, next);
                             })};
}

}  // namespace

builder::Builder toBuilder(const ShortText& t) {
  if (t.empty()) return builder::Builder();
  return builder::Builder(
      builder::BuildStep([t](builder::BufferRange r) { return copyFrom(r, t, 0); }));
}

ShortText fromLitAsciiAddr(const char* literal) {
  return detail::copyValid(std::string_view(literal));
}

ShortText fromLitMUtf8Addr(const char* literal) {
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(literal);
  const std::ptrdiff_t n = hs_brevity_mutf8_strlen(bytes);
  if (n >= 0) return detail::copyValid(std::string_view(literal, static_cast<std::size_t>(n)));
  detail::FreshBlock fresh(static_cast<std::size_t>(-n));
  hs_brevity_mutf8_trans(bytes, fresh.data());
  return std::move(fresh).finish();
}

bool isValidUtf8(const ShortText& t) noexcept {
  return hs_brevity_is_valid_utf8(t.data(), t.size()) == 0;
}

std::int64_t length(const ShortText& t) noexcept {
  return static_cast<std::int64_t>(hs_brevity_length(t.data(), t.size()));
}

bool isAscii(const ShortText& t) noexcept { return hs_brevity_is_ascii(t.data(), t.size()) != 0; }

}  // namespace quire::brevity
