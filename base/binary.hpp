// Binary serialisation: big-endian integers and raw bytes, written to an
// append-only Output and read back from an Input over a byte view.
//
// Input never trusts the data: every read checks the bytes left first and
// throws quire::Error("not enough bytes") when they are short, so a length
// field from outside can never make it allocate or slice past the end.
//
// Example:
//   quire::binary::Output out;
//   out.putWord8(1);
//   out.putInt32be(-2);
//   out.putBytes("xy");
//   // out.bytes() == std::string("\x01\xff\xff\xff\xfe" "xy", 7)
//   // putByteString("xy") would add "\0\0\0\0\0\0\0\x02" "xy" (length, bytes)
//
//   quire::binary::Input in(out.bytes());
//   // in.getWord8() == 1, in.getInt32be() == -2, in.getBytes(2) == "xy"
//   // in.atEnd() == true; in.getWord8() throws quire::Error("not enough bytes")
#pragma once

#include <concepts>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

#include "base/error.hpp"

namespace quire::binary {

// Append-only output buffer.
class Output {
 public:
  void putWord8(std::uint8_t w) { out_.push_back(static_cast<char>(w)); }
  void putWord16be(std::uint16_t w) { putBigEndian(w); }
  void putWord32be(std::uint32_t w) { putBigEndian(w); }
  void putWord64be(std::uint64_t w) { putBigEndian(w); }
  // Two's complement, like the unsigned word of the same width.
  void putInt32be(std::int32_t i) { putBigEndian(static_cast<std::uint32_t>(i)); }
  void putInt64be(std::int64_t i) { putBigEndian(static_cast<std::uint64_t>(i)); }
  void putBytes(std::string_view bytes) { out_.append(bytes); }
  // A byte string framed as the suite frames every one: its length as 8
  // bytes big-endian, then the bytes.
  void putByteString(std::string_view bytes) {
    putWord64be(bytes.size());
    putBytes(bytes);
  }

  // Space for at least n more bytes, to avoid regrowing in a long run of puts.
  void reserve(std::size_t n) { out_.reserve(out_.size() + n); }

  [[nodiscard]] const std::string& bytes() const noexcept { return out_; }
  // The written bytes, leaving this output empty.
  [[nodiscard]] std::string take() && {
    std::string bytes = std::move(out_);
    out_.clear();
    return bytes;
  }

 private:
  template <std::unsigned_integral W>
  void putBigEndian(W w) {
    char buf[sizeof(W)];
    for (std::size_t i = 0; i < sizeof(W); ++i) {
      buf[i] = static_cast<char>(w >> (8 * (sizeof(W) - 1 - i)));
    }
    out_.append(buf, sizeof(W));
  }

  std::string out_;
};

// Reads from a byte view it does not own; the view must outlive the Input
// and every string_view returned by getBytes.
class Input {
 public:
  explicit Input(std::string_view bytes) noexcept : rest_(bytes) {}
  explicit Input(const char* bytes) noexcept : rest_(bytes) {}
  // A temporary string would be gone before the first read.
  explicit Input(std::string&&) = delete;

  std::uint8_t getWord8() { return getBigEndian<std::uint8_t>(); }
  std::uint16_t getWord16be() { return getBigEndian<std::uint16_t>(); }
  std::uint32_t getWord32be() { return getBigEndian<std::uint32_t>(); }
  std::uint64_t getWord64be() { return getBigEndian<std::uint64_t>(); }
  std::int32_t getInt32be() { return static_cast<std::int32_t>(getBigEndian<std::uint32_t>()); }
  std::int64_t getInt64be() { return static_cast<std::int64_t>(getBigEndian<std::uint64_t>()); }

  // The next n bytes, as a view into the input. n is checked against the
  // bytes left before anything else, so a hostile length costs nothing.
  std::string_view getBytes(std::size_t n) {
    require(n);
    std::string_view bytes = rest_.substr(0, n);
    rest_.remove_prefix(n);
    return bytes;
  }

  // A byte string framed as putByteString writes it. The length is checked
  // against the bytes left before anything is taken.
  std::string_view getByteString() {
    std::uint64_t n = getWord64be();
    if (n > rest_.size()) throwError("not enough bytes");
    return getBytes(static_cast<std::size_t>(n));
  }

  // Skips n bytes, failing like getBytes when they are not there.
  void skip(std::size_t n) { (void)getBytes(n); }

  [[nodiscard]] std::size_t remaining() const noexcept { return rest_.size(); }
  [[nodiscard]] bool atEnd() const noexcept { return rest_.empty(); }
  // The bytes not read yet.
  [[nodiscard]] std::string_view rest() const noexcept { return rest_; }

 private:
  void require(std::size_t n) const {
    if (n > rest_.size()) throwError("not enough bytes");
  }

  template <std::unsigned_integral W>
  W getBigEndian() {
    require(sizeof(W));
    W w = 0;
    for (std::size_t i = 0; i < sizeof(W); ++i) {
      w = static_cast<W>((w << 8) | static_cast<unsigned char>(rest_[i]));
    }
    rest_.remove_prefix(sizeof(W));
    return w;
  }

  std::string_view rest_;
};

}  // namespace quire::binary
