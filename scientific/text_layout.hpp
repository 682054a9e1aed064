// Laying out the forms of a checked decimal text without writing them.
//
// A form of a DecimalText (its Generic, Fixed or Exponent text, or its
// significant digits) is a handful of pieces: views of the digits as
// written, runs of zeros, and a few characters of its own (the sign, the
// point, "e" and the exponent). layoutDecimalText finds those pieces in
// constant time and copies nothing, so a caller can measure a form, write it
// straight to its output, or take a part of it (the first and last digits of
// a million-digit coefficient) without ever holding the whole text. The
// layout refers to the checked text: it is valid as long as that text is.
//
// The characters are exactly those of formatScientific(format, std::nullopt,
// toScientific(d)); formatDecimalText is layoutDecimalText(...).str().
//
// Example:
//   using namespace quire::scientific;
//   const auto d = std::get<DecimalText>(checkDecimal("-0.00120"));
//   const DecimalTextLayout e = layoutDecimalText(FPFormat::Exponent, d);
//   e.size()                     // 7
//   e.str()                      // "-1.2e-3"
//   e.substr(1, 3)               // "1.2"
//   std::string out;
//   e.write([&](std::string_view piece) { out += piece; });   // out == "-1.2e-3"
//   layoutDecimalText(FPFormat::Fixed, d).str()               // "-0.0012"
//   layoutCoefficient(d).str()                                // "-12"
//   // Fixed of 1e400: 403 characters, none of them written yet.
//   layoutDecimalText(FPFormat::Fixed, std::get<DecimalText>(checkDecimal("1e400"))).size()
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
#include <string_view>

#include "base/error.hpp"
#include "scientific/diagnose.hpp"
#include "scientific/export.hpp"
#include "scientific/format.hpp"

namespace quire::scientific {

namespace detail {
struct LayoutBuilder;
}

class DecimalTextLayout {
 public:
  // The characters of the form; saturates at INT64_MAX (the Fixed form of
  // 1e9223372036854775807 is longer than any string).
  std::int64_t size() const noexcept { return size_; }

  // Calls sink(std::string_view) with the pieces of characters [from,
  // from + count) in order; the views last only for the call. Runs of zeros
  // come in blocks of at most 64.
  template <class Sink>
  void write(Sink&& sink, std::int64_t from = 0,
             std::int64_t count = std::numeric_limits<std::int64_t>::max()) const {
    std::int64_t skip = std::max<std::int64_t>(from, 0);
    std::int64_t left = count;
    for (std::size_t i = 0; i < pieceCount_ && left > 0; ++i) {
      const Piece& p = pieces_[i];
      if (skip >= p.length) {
        skip -= p.length;
        continue;
      }
      const std::int64_t take = std::min(p.length - skip, left);
      writePiece(p, skip, take, sink);
      left -= take;
      skip = 0;
    }
  }

  // Copies the whole form to out, which has room for size() characters;
  // returns the end of what was written.
  char* copyTo(char* out) const noexcept {
    for (std::size_t i = 0; i < pieceCount_; ++i) {
      const Piece& p = pieces_[i];
      const auto n = static_cast<std::size_t>(p.length);
      switch (p.kind) {
        case Kind::Source: std::memcpy(out, p.source, n); break;
        case Kind::Own: std::memcpy(out, own_.data() + p.offset, n); break;
        case Kind::Zeros: std::memset(out, '0', n); break;
      }
      out += n;
    }
    return out;
  }

  // Appends characters [from, from + count) to out.
  void appendTo(std::string& out, std::int64_t from = 0,
                std::int64_t count = std::numeric_limits<std::int64_t>::max()) const {
    if (from <= 0 && count >= size_ && size_ <= maxFormattedLength) {
      const std::size_t start = out.size();
      out.resize(start + static_cast<std::size_t>(size_));
      copyTo(out.data() + start);
      return;
    }
    write([&out](std::string_view piece) { out.append(piece); }, from, count);
  }

  // The whole form. Throws quire::Error "formatDecimalText: the result would
  // be longer than 1000000000 characters" beyond maxFormattedLength.
  std::string str() const {
    if (size_ > maxFormattedLength) {
      throwError("formatDecimalText: the result would be longer than " + std::to_string(maxFormattedLength) +
                 " characters");
    }
    std::string out(static_cast<std::size_t>(size_), '\0');
    copyTo(out.data());
    return out;
  }

  // Characters [from, from + count), clipped to the form.
  std::string substr(std::int64_t from, std::int64_t count) const {
    std::string out;
    appendTo(out, from, count);
    return out;
  }

 private:
  friend struct detail::LayoutBuilder;

  enum class Kind : std::uint8_t { Source, Own, Zeros };
  // Source: length characters at source; Own: length characters of own_ from
  // offset; Zeros: length '0's.
  struct Piece {
    Kind kind;
    std::uint8_t offset;
    const char* source;
    std::int64_t length;
  };

  static constexpr std::string_view zeroBlock_ = "0000000000000000000000000000000000000000000000000000000000000000";

  template <class Sink>
  void writePiece(const Piece& p, std::int64_t skip, std::int64_t take, Sink& sink) const {
    switch (p.kind) {
      case Kind::Source:
        sink(std::string_view(p.source + skip, static_cast<std::size_t>(take)));
        return;
      case Kind::Own:
        sink(std::string_view(own_.data() + p.offset + skip, static_cast<std::size_t>(take)));
        return;
      case Kind::Zeros:
        for (; take > 0; take -= static_cast<std::int64_t>(zeroBlock_.size())) {
          sink(zeroBlock_.substr(0, static_cast<std::size_t>(std::min<std::int64_t>(take, zeroBlock_.size()))));
        }
        return;
    }
  }

  // At most: sign and "0.", two runs of digits split by the point, each
  // possibly across the integer and fraction digits as written, zeros, and
  // ".0" or "e" with the exponent.
  // Only the first pieceCount_ pieces and ownSize_ characters are set.
  std::array<Piece, 8> pieces_;
  std::size_t pieceCount_ = 0;
  std::array<char, 32> own_;
  std::uint8_t ownSize_ = 0;
  std::int64_t size_ = 0;
};

// The Generic, Fixed or Exponent form of d.
QUIRE_SCIENTIFIC_EXPORT DecimalTextLayout layoutDecimalText(FPFormat format, const DecimalText& d) noexcept;

// The significant digits with the sign: "-1234" for -0012.3400; "0" for zero.
QUIRE_SCIENTIFIC_EXPORT DecimalTextLayout layoutCoefficient(const DecimalText& d) noexcept;

}  // namespace quire::scientific
