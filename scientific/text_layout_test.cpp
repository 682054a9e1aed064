#include "scientific/text_layout.hpp"

#include <gtest/gtest.h>

#include <limits>
#include <random>
#include <string>
#include <vector>

#include "base/error.hpp"
#include "scientific/diagnose.hpp"
#include "scientific/format.hpp"

namespace {

using quire::scientific::DecimalText;
using quire::scientific::FPFormat;
using quire::scientific::Scientific;
namespace sci = quire::scientific;

DecimalText checked(std::string_view text) { return std::get<DecimalText>(sci::checkDecimal(text)); }

std::string written(const sci::DecimalTextLayout& l, std::int64_t from, std::int64_t count) {
  std::string out;
  l.write([&](std::string_view piece) { out += piece; }, from, count);
  return out;
}

TEST(TextLayoutTest, HeaderExample) {
  const DecimalText d = checked("-0.00120");
  const auto e = sci::layoutDecimalText(FPFormat::Exponent, d);
  EXPECT_EQ(e.size(), 7);
  EXPECT_EQ(e.str(), "-1.2e-3");
  EXPECT_EQ(e.substr(1, 3), "1.2");
  EXPECT_EQ(sci::layoutDecimalText(FPFormat::Fixed, d).str(), "-0.0012");
  EXPECT_EQ(sci::layoutCoefficient(d).str(), "-12");
  EXPECT_EQ(sci::layoutDecimalText(FPFormat::Fixed, checked("1e400")).size(), 403);
}

// Every form, and every part of it, against the characters formatDecimalText
// writes, on random texts whose digits cross the point in every way.
TEST(TextLayoutTest, FormsAndTheirPartsMatchTheWrittenText) {
  std::mt19937_64 rng(7);
  const std::string digits = "000000123456789";
  for (int i = 0; i < 20000; ++i) {
    std::string text = rng() % 3 == 0 ? "-" : "";
    for (std::size_t k = 1 + rng() % 30; k > 0; --k) text += digits[rng() % digits.size()];
    if (rng() % 2 == 0) {
      text += '.';
      for (std::size_t k = 1 + rng() % 30; k > 0; --k) text += digits[rng() % digits.size()];
    }
    if (rng() % 2 == 0) {
      text += 'e';
      text += std::to_string(static_cast<int>(rng() % 120) - 60);
    }
    const DecimalText d = checked(text);
    for (FPFormat f : {FPFormat::Generic, FPFormat::Fixed, FPFormat::Exponent}) {
      const auto layout = sci::layoutDecimalText(f, d);
      const std::string whole = sci::formatDecimalText(f, d);
      ASSERT_EQ(layout.str(), whole) << text;
      ASSERT_EQ(layout.size(), static_cast<std::int64_t>(whole.size())) << text;
      const auto from = static_cast<std::int64_t>(rng() % (whole.size() + 2));
      const auto count = static_cast<std::int64_t>(rng() % (whole.size() + 2));
      const std::string part = from <= static_cast<std::int64_t>(whole.size()) ? whole.substr(from, count) : "";
      ASSERT_EQ(written(layout, from, count), part) << text << " [" << from << ", +" << count << ")";
      ASSERT_EQ(layout.substr(from, count), part) << text;
    }
    // The coefficient is the normal form's coefficient, signed.
    const Scientific normal = sci::normalize(sci::toScientific(d));
    ASSERT_EQ(sci::layoutCoefficient(d).str(), d.isZero() ? "0" : normal.coefficient().get_str()) << text;
  }
}

TEST(TextLayoutTest, LongFormsAreLaidOutWithoutCopiesAndWrittenInPieces) {
  // A million digits on each side of the point.
  const std::string text = std::string(1000000, '7') + "." + std::string(1000000, '3') + "e-5";
  const DecimalText d = checked(text);
  const auto fixed = sci::layoutDecimalText(FPFormat::Fixed, d);
  EXPECT_EQ(fixed.size(), 2000001);
  EXPECT_EQ(fixed.substr(999990, 12), "77777.777773");
  std::vector<std::string_view> pieces;
  fixed.write([&](std::string_view p) { pieces.push_back(p); });
  ASSERT_EQ(pieces.size(), 4u);  // digits, ".", the rest of the integer digits, the fraction digits
  EXPECT_EQ(pieces[0].data(), text.data());

  // Zeros come in blocks; the size saturates instead of overflowing.
  const auto zeros = sci::layoutDecimalText(FPFormat::Fixed, checked("5e300"));
  std::size_t blocks = 0;
  zeros.write([&](std::string_view p) { blocks += p.find_first_not_of('0') == std::string_view::npos; });
  EXPECT_EQ(blocks, 5u);  // 300 zeros
  const auto huge = sci::layoutDecimalText(FPFormat::Fixed, checked("1e9223372036854775807"));
  EXPECT_EQ(huge.size(), std::numeric_limits<std::int64_t>::max());
  EXPECT_EQ(huge.substr(0, 3), "100");
  EXPECT_THROW((void)huge.str(), quire::Error);
  EXPECT_EQ(sci::layoutDecimalText(FPFormat::Generic, checked("-1e-9223372036854775807")).str(),
            "-1.0e-9223372036854775807");
}

TEST(TextLayoutTest, Zero) {
  for (std::string_view z : {"0", "-0", "000.000e99"}) {
    const DecimalText d = checked(z);
    EXPECT_EQ(sci::layoutDecimalText(FPFormat::Generic, d).str(), "0.0");
    EXPECT_EQ(sci::layoutDecimalText(FPFormat::Exponent, d).str(), "0.0e0");
    EXPECT_EQ(sci::layoutCoefficient(d).str(), "0");
  }
}

}  // namespace
