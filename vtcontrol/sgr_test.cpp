#include "vtcontrol/sgr.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <sstream>
#include <unordered_set>

namespace quire::vtcontrol {
namespace {

// One value of every alternative, in declared order.
std::vector<SGR> oneOfEach() {
  return {Reset{},
          SetConsoleIntensity{ConsoleIntensity::DimIntensity},
          SetItalicized{true},
          SetUnderlining{Underlining::TwoLineUnderline},
          SetBlinkRate{BlinkRate::BlinkFast},
          SetVisibility{false},
          SetReverseVideo{true},
          SetColor{ConsoleLayer::Background, ColorIntensity::Dull, Color::Blue},
          SetTrueColor{ConsoleLayer::Foreground, {1.0f, 0.0f, -0.5f}},
          SetIndexedColor{ConsoleLayer::Foreground, 208},
          SetLayerDefault{ConsoleLayer::Background}};
}

TEST(VtcontrolSgr, HeaderExamples) {
  std::vector<SGR> style{SetColor{ConsoleLayer::Foreground, ColorIntensity::Vivid, Color::Red},
                         SetConsoleIntensity{ConsoleIntensity::BoldIntensity}};
  EXPECT_EQ(show(style[0]), "SetColor Foreground Vivid Red");
  EXPECT_EQ(SGR{}, SGR{Reset{}});
  EXPECT_LT(SGR{Reset{}}, SGR{SetItalicized{false}});
  ASSERT_NE(style[1].get_if<SetConsoleIntensity>(), nullptr);
  EXPECT_EQ(style[1].get_if<SetConsoleIntensity>()->intensity, ConsoleIntensity::BoldIntensity);
  EXPECT_EQ(style[1].get_if<SetColor>(), nullptr);
  EXPECT_TRUE(style[0].is<SetColor>());
}

TEST(VtcontrolSgr, OrderIsDeclaredOrderThenFields) {
  std::vector<SGR> all = oneOfEach();
  for (std::size_t i = 0; i < all.size(); ++i) {
    EXPECT_EQ(all[i].index(), i);
    EXPECT_EQ(all[i], all[i]);
    for (std::size_t j = i + 1; j < all.size(); ++j) {
      EXPECT_LT(all[i], all[j]) << show(all[i]) << " vs " << show(all[j]);
      EXPECT_NE(all[i], all[j]);
    }
  }
  EXPECT_LT(SGR(SetColor{ConsoleLayer::Foreground, ColorIntensity::Vivid, Color::White}),
            SGR(SetColor{ConsoleLayer::Background, ColorIntensity::Dull, Color::Black}));
  EXPECT_LT(SGR(SetItalicized{false}), SGR(SetItalicized{true}));
  EXPECT_LT(ConsoleIntensity::BoldIntensity, ConsoleIntensity::NormalIntensity);
  EXPECT_LT(Color::Black, Color::White);
}

TEST(VtcontrolSgr, HashAgreesWithEquality) {
  std::vector<SGR> all = oneOfEach();
  std::unordered_set<SGR> set(all.begin(), all.end());
  EXPECT_EQ(set.size(), all.size());
  for (const SGR& s : oneOfEach()) {
    EXPECT_TRUE(set.contains(s));
    EXPECT_EQ(hashWithSalt(7, s), hashWithSalt(7, SGR(s)));
  }
  EXPECT_NE(hashWithSalt(1, all[2]), hashWithSalt(2, all[2]));
  // Same fields in different variants hash differently.
  EXPECT_NE(hashWithSalt(0, SGR(SetItalicized{true})), hashWithSalt(0, SGR(SetVisibility{true})));
  EXPECT_NE(hashWithSalt(0, ConsoleLayer::Foreground), hashWithSalt(0, ConsoleLayer::Background));
}

TEST(VtcontrolSgr, TextForms) {
  std::vector<std::string> expected{"Reset",
                                    "SetConsoleIntensity DimIntensity",
                                    "SetItalicized true",
                                    "SetUnderlining TwoLineUnderline",
                                    "SetBlinkRate BlinkFast",
                                    "SetVisibility false",
                                    "SetReverseVideo true",
                                    "SetColor Background Dull Blue",
                                    "SetTrueColor Foreground (LinearRGB 1 0 (-0.5))",
                                    "SetIndexedColor Foreground 208",
                                    "SetLayerDefault Background"};
  std::vector<SGR> all = oneOfEach();
  for (std::size_t i = 0; i < all.size(); ++i) EXPECT_EQ(show(all[i]), expected[i]);
  EXPECT_EQ(showsPrec(11, all[0]), "Reset");
  EXPECT_EQ(showsPrec(11, all[2]), "(SetItalicized true)");
  std::ostringstream out;
  out << all[7] << ' ' << Underlining::NoUnderline << ' ' << BlinkRate::BlinkSlow;
  EXPECT_EQ(out.str(), "SetColor Background Dull Blue NoUnderline BlinkSlow");
  EXPECT_EQ(show(RGB16{0xFFFF, 0, 0x1A1A}), "RGB16 65535 0 6682");
  EXPECT_EQ(show(SRGB24{255, 188, 0}), "SRGB24 255 188 0");
}

TEST(VtcontrolSgr, LinearToSrgbBytes) {
  EXPECT_EQ(toSRGB24(LinearRGB{1.0f, 0.0f, 0.0f}), (SRGB24{255, 0, 0}));
  EXPECT_EQ(toSRGB24(LinearRGB{0.5f, 0.5f, 0.5f}), (SRGB24{188, 188, 188}));
  EXPECT_EQ(toSRGB24(LinearRGB{2.0f, -1.0f, 0.0f}), (SRGB24{255, 0, 0}));
  const float inf = std::numeric_limits<float>::infinity();
  const float nan = std::numeric_limits<float>::quiet_NaN();
  EXPECT_EQ(toSRGB24(LinearRGB{inf, -inf, nan}), (SRGB24{255, 0, 0}));
  // The linear segment near black, and the curve against an independent formula.
  EXPECT_EQ(toSRGBByte(0.001f), 3);  // 12.92 * 0.001 * 255 = 3.29
  for (int i = 0; i <= 1000; ++i) {
    double c = i / 1000.0;
    double srgb = c <= 0.0031308 ? 12.92 * c : 1.055 * std::pow(c, 1 / 2.4) - 0.055;
    EXPECT_NEAR(toSRGBByte(static_cast<float>(c)), srgb * 255.0, 0.5 + 1e-4) << c;
  }
  // Monotone.
  for (int i = 1; i <= 4096; ++i) EXPECT_LE(toSRGBByte((i - 1) / 4096.0f), toSRGBByte(i / 4096.0f));
}

TEST(VtcontrolSgr, LinearRgbIsRegularEvenForNan) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  LinearRGB a{nan, 0.0f, 1.0f};
  EXPECT_EQ(a, a);
  EXPECT_EQ(hashWithSalt(3, a), hashWithSalt(3, LinearRGB{nan, 0.0f, 1.0f}));
  EXPECT_NE((LinearRGB{0.0f, 0, 0}), (LinearRGB{-0.0f, 0, 0}));
  EXPECT_LT((LinearRGB{-0.0f, 0, 0}), (LinearRGB{0.0f, 0, 0}));
  EXPECT_EQ(SGR(SetTrueColor{ConsoleLayer::Foreground, a}),
            SGR(SetTrueColor{ConsoleLayer::Foreground, a}));
}

}  // namespace
}  // namespace quire::vtcontrol
