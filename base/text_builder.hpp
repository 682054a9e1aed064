// The text builder: the byte builder's way of working, producing a
// quire::Text.
//
// A TextBuilder is a builder of UTF-8 bytes that only ever holds well-formed
// text: characters are encoded (code points that have no UTF-8 form become
// U+FFFD), and string pieces are taken as the UTF-8 the caller says they
// are. Pieces concatenate with `+` or `+=` in O(1); toText runs the whole
// builder once into a single Text.
//
// Example:
//   using quire::builder::TextBuilder;
//   TextBuilder t = TextBuilder::fromString("x = ");
//   t += TextBuilder::decimal(-7);
//   t += TextBuilder::singleton(U'€');
//   // quire::builder::toText(t).view() == "x = -7\xE2\x82\xAC"
//   // toText(TextBuilder()).empty()
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

#include "base/builder.hpp"
#include "base/bytes.hpp"

namespace quire::builder {

namespace detail {

// UTF-8 of a character, with U+FFFD for the values well-formed text cannot
// hold (surrogates and anything above U+10FFFF).
struct StoreTextChar {
  std::uint8_t* operator()(char32_t c, std::uint8_t* out) const noexcept {
    return storeUtf8(isScalarValue(c) ? c : U'\uFFFD', out);
  }
};

inline constexpr BoundedPrim<char32_t, StoreTextChar> textChar{4, {}};

}  // namespace detail

class TextBuilder {
 public:
  // The empty text.
  TextBuilder() noexcept = default;

  // The bytes of utf8, copied now.
  // Precondition: utf8 is well-formed UTF-8 (check bytes from outside with
  // quire::Text::fromUtf8Checked first).
  [[nodiscard]] static TextBuilder fromString(std::string_view utf8) {
    return TextBuilder(stringUtf8(utf8));
  }
  // Each character of chars, encoded.
  [[nodiscard]] static TextBuilder fromString(std::u32string_view chars) {
    return TextBuilder(primMapListBounded(detail::textChar, std::u32string(chars)));
  }
  // The text, shared rather than copied until the builder runs.
  [[nodiscard]] static TextBuilder fromText(Text text) {
    return TextBuilder(byteString(text.utf8Bytes()));
  }
  // One character.
  [[nodiscard]] static TextBuilder singleton(char32_t c) {
    return TextBuilder(primBounded(detail::textChar, c));
  }
  // x in decimal, with a leading "-" when negative.
  [[nodiscard]] static TextBuilder decimal(std::int64_t x) {
    return TextBuilder(primBounded(int64Dec, x));
  }
  // Wraps a byte builder.
  // Precondition: everything it writes is well-formed UTF-8.
  [[nodiscard]] static TextBuilder fromUtf8BuilderUnchecked(Builder utf8) {
    return TextBuilder(std::move(utf8));
  }

  // The UTF-8 bytes as a byte builder, for writing text into byte output.
  [[nodiscard]] const Builder& utf8Builder() const noexcept { return bytes_; }

  [[nodiscard]] bool isEmpty() const noexcept { return bytes_.isEmpty(); }

  TextBuilder& operator+=(TextBuilder other) {
    bytes_ += std::move(other.bytes_);
    return *this;
  }
  friend TextBuilder operator+(TextBuilder a, TextBuilder b) {
    return std::move(a += std::move(b));
  }

 private:
  explicit TextBuilder(Builder bytes) noexcept : bytes_(std::move(bytes)) {}
  Builder bytes_;
};

// Runs the builder into one Text.
[[nodiscard]] inline Text toText(const TextBuilder& builder) {
  return Text::fromUtf8Unchecked(detail::runContiguous(builder.utf8Builder(), "toText"));
}

}  // namespace quire::builder
