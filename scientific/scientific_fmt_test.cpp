#include <fmt/format.h>
#include <gtest/gtest.h>

#include <limits>

#include "base/error.hpp"
#include "scientific/fmt.hpp"

namespace quire::scientific {
namespace {

TEST(ScientificFmt, HeaderExamples) {
  EXPECT_EQ(fmt::format("{}", Scientific(15, -1)), "1.5");
  EXPECT_EQ(fmt::format("{:.2f}", Scientific(12346, -3)), "12.35");
  EXPECT_EQ(fmt::format("{:.2f}", Scientific(12345, -3)), "12.34");
  EXPECT_EQ(fmt::format("{:e}", Scientific(1500, 0)), "1.5e3");
  EXPECT_EQ(fmt::format("{:*>8.1f}", Scientific(25, -1)), "*****2.5");
}

TEST(ScientificFmt, TypesAndPrecisionAreTheLibraryLayouts) {
  const Scientific values[] = {Scientific(0, 0), Scientific(-15, -4), Scientific(12355, -3),
                               Scientific(1, 7), Scientific(999, -3), Scientific(-5, 300)};
  for (const Scientific& v : values) {
    EXPECT_EQ(fmt::format("{}", v), show(v));
    EXPECT_EQ(fmt::format("{:e}", v), formatScientific(FPFormat::Exponent, std::nullopt, v));
    EXPECT_EQ(fmt::format("{:f}", v), formatScientific(FPFormat::Fixed, std::nullopt, v));
    EXPECT_EQ(fmt::format("{:g}", v), formatScientific(FPFormat::Generic, std::nullopt, v));
    EXPECT_EQ(fmt::format("{:.3e}", v), formatScientific(FPFormat::Exponent, 3, v));
    EXPECT_EQ(fmt::format("{:.0f}", v), formatScientific(FPFormat::Fixed, 0, v));
    EXPECT_EQ(fmt::format("{:.2}", v), formatScientific(FPFormat::Generic, 2, v));
  }
  EXPECT_EQ(fmt::format("{:.2f}", Scientific(12355, -3)), "12.36");  // ties to even, upwards
  EXPECT_EQ(fmt::format("{:.0f}", Scientific(25, -1)), "2");
}

TEST(ScientificFmt, FillAlignAndWidthAsForNumbers) {
  EXPECT_EQ(fmt::format("{:10.2f}", Scientific(-15, -1)), "     -1.50");
  EXPECT_EQ(fmt::format("{:<10}", Scientific(-15, -1)), "-1.5      ");
  EXPECT_EQ(fmt::format("{:^9}", Scientific(15, -1)), "   1.5   ");
  EXPECT_EQ(fmt::format("{:→<6}", Scientific(15, -1)), "1.5→→→");  // width counts characters
  EXPECT_EQ(fmt::format("{:2}", Scientific(12345, -2)), "123.45");  // never truncated
}

TEST(ScientificFmt, HugeExponentsKeepTheLibrarysGuarantees) {
  const std::int64_t big = std::numeric_limits<std::int64_t>::max();
  EXPECT_EQ(fmt::format("{}", Scientific(1, -1000000000)), "1.0e-1000000000");
  EXPECT_EQ(fmt::format("{:.2f}", Scientific(1, -1000000000000000000)), "0.00");
  EXPECT_EQ(fmt::format("{:e}", Scientific(1, 1000000000000000000)), "1.0e1000000000000000000");
  EXPECT_THROW((void)fmt::format("{:f}", Scientific(1, -1000000000)), quire::Error);
  EXPECT_THROW((void)fmt::format("{:f}", Scientific(1, big)), quire::Error);
  EXPECT_EQ(fmt::format("{:.1e}", Scientific(3, big)), "3.0e9223372036854775807");
}

TEST(ScientificFmt, BadOptionsAreFormatErrors) {
  for (const char* options : {"{:x}", "{:.}", "{:.2q}", "{:10.2fe}", "{:{<5}"}) {
    EXPECT_THROW((void)fmt::format(fmt::runtime(options), Scientific(1, 0)), fmt::format_error)
        << options;
  }
}

}  // namespace
}  // namespace quire::scientific
