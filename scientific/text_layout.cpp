#include "scientific/text_layout.hpp"

#include <charconv>

namespace quire::scientific {
namespace detail {

// Collects the pieces of one form; adjacent characters of the layout's own
// go into one piece.
struct LayoutBuilder {
  using Kind = DecimalTextLayout::Kind;

  DecimalTextLayout& layout;

  void push(Kind kind, std::uint8_t offset, const char* source, std::int64_t length) noexcept {
    if (length <= 0) return;
    auto& p = layout.pieces_[layout.pieceCount_++];
    p = {kind, offset, source, length};
    add(length);
  }

  void own(std::string_view s) noexcept {
    auto& l = layout;
    std::copy(s.begin(), s.end(), l.own_.begin() + l.ownSize_);
    if (l.pieceCount_ > 0 && l.pieces_[l.pieceCount_ - 1].kind == Kind::Own &&
        l.pieces_[l.pieceCount_ - 1].offset + l.pieces_[l.pieceCount_ - 1].length == l.ownSize_) {
      l.pieces_[l.pieceCount_ - 1].length += static_cast<std::int64_t>(s.size());
      add(static_cast<std::int64_t>(s.size()));
    } else {
      push(Kind::Own, l.ownSize_, nullptr, static_cast<std::int64_t>(s.size()));
    }
    l.ownSize_ = static_cast<std::uint8_t>(l.ownSize_ + s.size());
  }

  void own(std::int64_t v) noexcept {
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, v).ptr;
    own(std::string_view(digits, static_cast<std::size_t>(end - digits)));
  }

  void zeros(std::int64_t n) noexcept { push(Kind::Zeros, 0, nullptr, n); }

  // Significant digits [from, to) of integer ++ fraction, as written.
  void digits(const DecimalText& d, std::int64_t from, std::int64_t to) noexcept {
    from += d.leadingZeros;
    to += d.leadingZeros;
    const auto split = static_cast<std::int64_t>(d.integerDigits.size());
    if (from < split) push(Kind::Source, 0, d.integerDigits.data() + from, std::min(to, split) - from);
    if (to > split) {
      const std::int64_t start = std::max(from, split) - split;
      push(Kind::Source, 0, d.fractionDigits.data() + start, to - split - start);
    }
  }

 private:
  void add(std::int64_t n) noexcept {
    if (__builtin_add_overflow(layout.size_, n, &layout.size_)) layout.size_ = std::numeric_limits<std::int64_t>::max();
  }
};

}  // namespace detail

namespace {

// Generic is positional for 0.1 <= |value| < 10^7.
FPFormat resolve(FPFormat format, const DecimalText& d) noexcept {
  if (format != FPFormat::Generic) return format;
  if (d.isZero()) return FPFormat::Fixed;
  const std::int64_t p = d.leadingPosition();
  return p >= -1 && p <= 6 ? FPFormat::Fixed : FPFormat::Exponent;
}

}  // namespace

DecimalTextLayout layoutDecimalText(FPFormat format, const DecimalText& d) noexcept {
  DecimalTextLayout result;
  detail::LayoutBuilder b{result};
  const FPFormat layout = resolve(format, d);
  if (d.isZero()) {
    b.own(layout == FPFormat::Fixed ? "0.0" : "0.0e0");
    return result;
  }
  if (d.negative) b.own("-");
  const std::int64_t n = d.significantDigits();
  const std::int64_t p = d.leadingPosition();
  if (layout == FPFormat::Exponent) {
    b.digits(d, 0, 1);
    b.own(".");
    if (n > 1) {
      b.digits(d, 1, n);
    } else {
      b.own("0");
    }
    b.own("e");
    b.own(p);
  } else if (p < 0) {
    b.own("0.");
    b.zeros(-(p + 1));
    b.digits(d, 0, n);
  } else if (const std::int64_t places = d.integerPlaces(); n <= places) {
    b.digits(d, 0, n);
    b.zeros(places - n);
    b.own(".0");
  } else {
    b.digits(d, 0, places);
    b.own(".");
    b.digits(d, places, n);
  }
  return result;
}

DecimalTextLayout layoutCoefficient(const DecimalText& d) noexcept {
  DecimalTextLayout result;
  detail::LayoutBuilder b{result};
  if (d.isZero()) {
    b.own("0");
    return result;
  }
  if (d.negative) b.own("-");
  b.digits(d, 0, d.significantDigits());
  return result;
}

}  // namespace quire::scientific
