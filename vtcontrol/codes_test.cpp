#include "vtcontrol/codes.hpp"

#include <gtest/gtest.h>

namespace quire::vtcontrol {
namespace {

using namespace std::string_literals;

const SGR vividRed = SetColor{ConsoleLayer::Foreground, ColorIntensity::Vivid, Color::Red};

TEST(VtcontrolCodes, HeaderExamples) {
  EXPECT_EQ(csi({2, 5}, "H"), "\x1b[2;5H");
  EXPECT_EQ(cursorUpCode(3), "\x1b[3A");
  EXPECT_EQ(cursorUpCode(0), "");
  EXPECT_EQ(setCursorPositionCode(0, 0), "\x1b[1;1H");
  EXPECT_EQ(setSGRCode({vividRed, SetConsoleIntensity{ConsoleIntensity::BoldIntensity}}),
            "\x1b[91;1m");
  EXPECT_EQ(setSGRCode({}), "\x1b[m");
  EXPECT_EQ(hyperlinkCode("https://example.org", "here"),
            "\x1b]8;;https://example.org\x1b\\here\x1b]8;;\x1b\\");
}

TEST(VtcontrolCodes, Framing) {
  EXPECT_EQ(csi({}, "6n"), "\x1b[6n");
  EXPECT_EQ(csi({-3, 0, INT64_MIN}, "x"), "\x1b[-3;0;-9223372036854775808x");
  EXPECT_EQ(osc("0", "title"), "\x1b]0;title\x1b\\");
  EXPECT_EQ(osc("", ""), "\x1b];\x1b\\");
}

TEST(VtcontrolCodes, CursorMovesAndZeroCounts) {
  EXPECT_EQ(cursorDownCode(2), "\x1b[2B");
  EXPECT_EQ(cursorForwardCode(10), "\x1b[10C");
  EXPECT_EQ(cursorBackwardCode(1), "\x1b[1D");
  EXPECT_EQ(cursorUpCode(-3), "\x1b[-3A");
  for (auto zero : {cursorUpCode(0), cursorDownCode(0), cursorForwardCode(0), cursorBackwardCode(0),
                    scrollPageUpCode(0), scrollPageDownCode(0)}) {
    EXPECT_EQ(zero, "");
  }
  EXPECT_EQ(cursorDownLineCode(4), "\x1b[4E");
  EXPECT_EQ(cursorUpLineCode(4), "\x1b[4F");
  EXPECT_EQ(cursorDownLineCode(0), "\x1b[1G");
  EXPECT_EQ(cursorUpLineCode(0), "\x1b[1G");
  EXPECT_EQ(setCursorColumnCode(0), "\x1b[1G");
  EXPECT_EQ(setCursorColumnCode(79), "\x1b[80G");
  EXPECT_EQ(setCursorPositionCode(11, 39), "\x1b[12;40H");
  EXPECT_EQ(setCursorPositionCode(INT64_MAX, -1),
            "\x1b[-9223372036854775808;0H");  // wraps, unvalidated
  EXPECT_EQ(scrollPageUpCode(3), "\x1b[3S");
  EXPECT_EQ(scrollPageDownCode(3), "\x1b[3T");
}

TEST(VtcontrolCodes, FixedSequences) {
  EXPECT_EQ(saveCursorCode(),
            "\x1b"
            "7");
  EXPECT_EQ(restoreCursorCode(),
            "\x1b"
            "8");
  EXPECT_EQ(reportCursorPositionCode(), "\x1b[6n");
  EXPECT_EQ(clearFromCursorToScreenEndCode(), "\x1b[0J");
  EXPECT_EQ(clearFromCursorToScreenBeginningCode(), "\x1b[1J");
  EXPECT_EQ(clearScreenCode(), "\x1b[2J");
  EXPECT_EQ(clearFromCursorToLineEndCode(), "\x1b[0K");
  EXPECT_EQ(clearFromCursorToLineBeginningCode(), "\x1b[1K");
  EXPECT_EQ(clearLineCode(), "\x1b[2K");
  EXPECT_EQ(useAlternateScreenBufferCode(), "\x1b[?1049h");
  EXPECT_EQ(useNormalScreenBufferCode(), "\x1b[?1049l");
  EXPECT_EQ(hideCursorCode(), "\x1b[?25l");
  EXPECT_EQ(showCursorCode(), "\x1b[?25h");
  EXPECT_EQ(reportLayerColorCode(ConsoleLayer::Foreground), "\x1b]10;?\x1b\\");
  EXPECT_EQ(reportLayerColorCode(ConsoleLayer::Background), "\x1b]11;?\x1b\\");
}

TEST(VtcontrolCodes, SgrParametersOfEveryVariant) {
  using P = std::vector<std::int64_t>;
  EXPECT_EQ(sgrToCode(Reset{}), P{0});
  EXPECT_EQ(sgrToCode(SetConsoleIntensity{ConsoleIntensity::BoldIntensity}), P{1});
  EXPECT_EQ(sgrToCode(SetConsoleIntensity{ConsoleIntensity::DimIntensity}), P{2});
  EXPECT_EQ(sgrToCode(SetConsoleIntensity{ConsoleIntensity::NormalIntensity}), P{22});
  EXPECT_EQ(sgrToCode(SetItalicized{true}), P{3});
  EXPECT_EQ(sgrToCode(SetItalicized{false}), P{23});
  EXPECT_EQ(sgrToCode(SetUnderlining{Underlining::SingleUnderline}), P{4});
  EXPECT_EQ(sgrToCode(SetUnderlining{Underlining::TwoLineUnderline}), P{21});
  EXPECT_EQ(sgrToCode(SetUnderlining{Underlining::NoUnderline}), P{24});
  EXPECT_EQ(sgrToCode(SetBlinkRate{BlinkRate::BlinkSlow}), P{5});
  EXPECT_EQ(sgrToCode(SetBlinkRate{BlinkRate::BlinkFast}), P{6});
  EXPECT_EQ(sgrToCode(SetBlinkRate{BlinkRate::BlinkNone}), P{25});
  EXPECT_EQ(sgrToCode(SetVisibility{true}), P{28});
  EXPECT_EQ(sgrToCode(SetVisibility{false}), P{8});
  EXPECT_EQ(sgrToCode(SetReverseVideo{true}), P{7});
  EXPECT_EQ(sgrToCode(SetReverseVideo{false}), P{27});
  EXPECT_EQ(sgrToCode(SetLayerDefault{ConsoleLayer::Foreground}), P{39});
  EXPECT_EQ(sgrToCode(SetLayerDefault{ConsoleLayer::Background}), P{49});
  EXPECT_EQ(sgrToCode(SetIndexedColor{ConsoleLayer::Background, 0}), (P{48, 5, 0}));
  EXPECT_EQ(sgrToCode(SetTrueColor{ConsoleLayer::Foreground, {0.0f, 1.0f, 0.5f}}),
            (P{38, 2, 0, 255, 188}));
}

TEST(VtcontrolCodes, ColorParameters) {
  const Color colors[] = {Color::Black, Color::Red,     Color::Green, Color::Yellow,
                          Color::Blue,  Color::Magenta, Color::Cyan,  Color::White};
  for (std::int64_t i = 0; i < 8; ++i) {
    Color c = colors[i];
    EXPECT_EQ(colorToCode(c), i);
    EXPECT_EQ(sgrToCode(SetColor{ConsoleLayer::Foreground, ColorIntensity::Dull, c}),
              std::vector{30 + i});
    EXPECT_EQ(sgrToCode(SetColor{ConsoleLayer::Foreground, ColorIntensity::Vivid, c}),
              std::vector{90 + i});
    EXPECT_EQ(sgrToCode(SetColor{ConsoleLayer::Background, ColorIntensity::Dull, c}),
              std::vector{40 + i});
    EXPECT_EQ(sgrToCode(SetColor{ConsoleLayer::Background, ColorIntensity::Vivid, c}),
              std::vector{100 + i});
  }
  EXPECT_EQ(setSGRCode({SetColor{ConsoleLayer::Background, ColorIntensity::Dull, Color::Blue}}),
            "\x1b[44m");
  EXPECT_EQ(setSGRCode({SetColor{ConsoleLayer::Background, ColorIntensity::Vivid, Color::White}}),
            "\x1b[107m");
}

TEST(VtcontrolCodes, SetSgrCodeJoinsInListOrder) {
  EXPECT_EQ(setSGRCode({Reset{}}), "\x1b[0m");
  EXPECT_EQ(setSGRCode({SetTrueColor{ConsoleLayer::Background, {1.0f, 0.0f, 0.0f}}}),
            "\x1b[48;2;255;0;0m");
  EXPECT_EQ(setSGRCode({SetIndexedColor{ConsoleLayer::Foreground, 208}}), "\x1b[38;5;208m");
  EXPECT_EQ(setSGRCode({Reset{}, vividRed, SetItalicized{true},
                        SetUnderlining{Underlining::SingleUnderline}}),
            "\x1b[0;91;3;4m");
  EXPECT_EQ(setSGRCode({SetItalicized{true}, Reset{}}), "\x1b[3;0m");
}

TEST(VtcontrolCodes, TitleDropsNonPrintableCharacters) {
  EXPECT_EQ(setTitleCode("build: ok"), "\x1b]0;build: ok\x1b\\");
  EXPECT_EQ(setTitleCode("a\x07"
                         "b\x1b"
                         "c\x1b\\d"),
            "\x1b]0;abc\\d\x1b\\");
  EXPECT_EQ(setTitleCode("tab\tnew\nline\x7f"), "\x1b]0;tabnewline\x1b\\");
  // C1 control (U+009C, string terminator), zero-width joiner (format),
  // private use, line separator: dropped. Letters, marks, symbols: kept.
  EXPECT_EQ(setTitleCode("x\u009Cy\u200Dz\uE000w\u2028v"), "\x1b]0;xyzwv\x1b\\");
  EXPECT_EQ(setTitleCode("caf\u00E9 e\u0301 \u00A9 \u4E2D \U0001F600"),
            "\x1b]0;caf\u00E9 e\u0301 \u00A9 \u4E2D \U0001F600\x1b\\");
  // Bytes that are not UTF-8 (a raw 0x9C would end the sequence on some terminals).
  EXPECT_EQ(setTitleCode("a\x9c"
                         "b\xff"
                         "c\xc3"),
            "\x1b]0;abc\x1b\\");
  EXPECT_EQ(setTitleCode(""), "\x1b]0;\x1b\\");
}

TEST(VtcontrolCodes, Hyperlinks) {
  EXPECT_EQ(hyperlinkWithIdCode("v", "http://a", "t"), "\x1b]8;id=v;http://a\x1b\\t\x1b]8;;\x1b\\");
  EXPECT_EQ(hyperlinkWithParamsCode({{"id", "1"}, {"k", "v"}}, "u", "t"),
            "\x1b]8;id=1:k=v;u\x1b\\t\x1b]8;;\x1b\\");
  EXPECT_EQ(hyperlinkWithParamsCode({}, "u", ""), hyperlinkCode("u", ""));
  // Characters that are not controls survive, including ";" and non-ASCII.
  EXPECT_EQ(hyperlinkCode("http://x/?a=1;b=\u00E9", "t"),
            "\x1b]8;;http://x/?a=1;b=\u00E9\x1b\\t\x1b]8;;\x1b\\");
}

TEST(VtcontrolCodes, HyperlinkTargetsCannotInjectCommands) {
  // An ESC or BEL in the uri would end the link and run the rest as commands.
  EXPECT_EQ(hyperlinkCode("http://a\x1b\\\x1b]0;pwned\x07x", "t"),
            "\x1b]8;;http://a\\]0;pwnedx\x1b\\t\x1b]8;;\x1b\\");
  EXPECT_EQ(hyperlinkCode("a\x9d"
                          "b\u009C"
                          "c\x7f"
                          "d\x01\r\n",
                          "t"),
            "\x1b]8;;abcd\x1b\\t\x1b]8;;\x1b\\");
  EXPECT_EQ(hyperlinkWithParamsCode({{"i\x1b"
                                      "d",
                                      "v\x07"}},
                                    "u", "t"),
            "\x1b]8;id=v;u\x1b\\t\x1b]8;;\x1b\\");
  EXPECT_EQ(hyperlinkWithIdCode("\x1b[31m", "u", "t"), "\x1b]8;id=[31m;u\x1b\\t\x1b]8;;\x1b\\");
  // The link text may carry styling and is written unchanged.
  std::string styled = setSGRCode({vividRed}) + "red\x07" + setSGRCode({Reset{}});
  EXPECT_EQ(hyperlinkCode("u", styled), "\x1b]8;;u\x1b\\" + styled + "\x1b]8;;\x1b\\");
}

}  // namespace
}  // namespace quire::vtcontrol
