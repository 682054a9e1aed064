#include <fmt/format.h>
#include <gtest/gtest.h>

#include "vtcontrol/fmt.hpp"

namespace quire::vtcontrol {
namespace {

TEST(VtcontrolFmt, StyleValuesFormatAsTheirTextForm) {
  SGR blue = SetColor{ConsoleLayer::Background, ColorIntensity::Dull, Color::Blue};
  EXPECT_EQ(fmt::format("{}", blue), "SetColor Background Dull Blue");
  EXPECT_EQ(fmt::format("{}", SGR(Reset{})), show(SGR(Reset{})));
  EXPECT_EQ(fmt::format("{}", ConsoleIntensity::BoldIntensity), "BoldIntensity");
  EXPECT_EQ(fmt::format("{} {} {}", ConsoleLayer::Foreground, Underlining::NoUnderline,
                        BlinkRate::BlinkFast),
            "Foreground NoUnderline BlinkFast");
  EXPECT_EQ(fmt::format("[{:>8}]", Color::Red), "[     Red]");
  EXPECT_EQ(fmt::format("[{:6}]", ColorIntensity::Vivid), "[Vivid ]");
  EXPECT_THROW((void)fmt::format(fmt::runtime("{:.2}"), Color::Red), fmt::format_error);
  EXPECT_THROW((void)fmt::format(fmt::runtime("{:d}"), blue), fmt::format_error);
}

}  // namespace
}  // namespace quire::vtcontrol
