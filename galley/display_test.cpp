// Display of rendered streams.
#include <gtest/gtest.h>

#include <iostream>
#include <sstream>

#include "galley/galley.hpp"

namespace quire::galley {
namespace {

constexpr const char* kSFail = "@SFail@ can not appear uncaught in a rendered @SimpleDoc@";

// Captures what putDoc writes to std::cout.
std::string captureStdout(const Doc& d) {
  std::ostringstream capture;
  std::streambuf* old = std::cout.rdbuf(capture.rdbuf());
  putDoc(d);
  std::cout.rdbuf(old);
  return capture.str();
}

TEST(GalleyDisplay, Elements) {
  EXPECT_EQ(displayS(SimpleDoc({SEmpty()}), "cont"), "cont");
  EXPECT_EQ(displayS(SimpleDoc({SLine(0), SEmpty()})), "\n");
  EXPECT_EQ(displayS(SimpleDoc({SText(1, "x"), SLine(3), SEmpty()})), "x\n   ");
  EXPECT_EQ(displayS(SimpleDoc({SLine(-2), SEmpty()})), "\n");
  EXPECT_EQ(displayS(SimpleDoc({SLine(150), SEmpty()})), "\n" + std::string(150, ' '));
  EXPECT_EQ(displayS(SimpleDoc({SChar(U'\u00e9'), SChar(U'\U0001F600'), SChar(0xD800), SEmpty()})),
            "\xC3\xA9\xF0\x9F\x98\x80\xEF\xBF\xBD");
  // the length of a text is not consulted
  EXPECT_EQ(displayS(SimpleDoc({SText(99, "ab"), SEmpty(), SText(1, "after")})), "ab");
  EXPECT_EQ(displayS(SimpleDoc({SSGR({vtcontrol::SetColor{ConsoleLayer::Background, ColorIntensity::Dull,
                                                           Color::Blue}}),
                                SSGR({}), SEmpty()})),
            "\x1b[44m\x1b[m");
  // appending composes
  std::string out = "> ";
  displayS(renderPretty(0.4f, 80, text("a")), out);
  displayS(renderPretty(0.4f, 80, text("b")), out);
  EXPECT_EQ(out, "> ab");
}

TEST(GalleyDisplay, PutDocAndPlainOutput) {
  EXPECT_EQ(captureStdout(red(text("word"))), "\x1b[91mword\x1b[0m");
  Doc d = group(bold(text("k")) + nest(2, line() + ondullyellow(text("v"))));
  EXPECT_EQ(captureStdout(plain(red(d))), captureStdout(plain(d)));
  EXPECT_EQ(captureStdout(plain(d)), "k v");
  std::ostringstream os;
  hPutDoc(os, vsep({text("a"), nest(3, text("b") + line() + text("c"))}));
  EXPECT_EQ(os.str(), "a\nb\n   c");
  // compact output: no indentation and no escape codes
  EXPECT_EQ(displayS(renderCompact(nest(4, red(above(text("a"), text("b")))))), "a\nb");
}

TEST(GalleyDisplay, SFailRaisesAfterTheTextBeforeIt) {
  Doc d = text("before") + hardline() + flatten(hardline()) + text("after");
  std::ostringstream os;
  try {
    hPutDoc(os, d);
    ADD_FAILURE() << "no error";
  } catch (const Error& e) {
    EXPECT_STREQ(e.what(), kSFail);
  }
  EXPECT_EQ(os.str(), "before\n");
  std::string out;
  EXPECT_THROW(displayS(renderPretty(0.4f, 80, d), out), Error);
  EXPECT_EQ(out, "before\n");
  EXPECT_THROW(show(d), Error);
  EXPECT_THROW(displayS(SimpleDoc({SChar(U'a'), SFail()})), Error);
}

}  // namespace
}  // namespace quire::galley
