// displayS of renderPretty lays documents out straight into its string;
// these documents take the paths where it undoes many look-aheads, meets
// values outside its range, or is interrupted, and must still give what the
// element stream gives.
#include <gtest/gtest.h>

#include <limits>
#include <sstream>
#include <stdexcept>

#include "galley/galley.hpp"

namespace quire::galley {
namespace {

std::string streamed(float ribbon, std::int64_t w, const Doc& d) {
  std::ostringstream os;
  displayIO(os, renderPretty(ribbon, w, d));
  return os.str();
}

void expectAgreement(float ribbon, std::int64_t w, const Doc& d) {
  EXPECT_EQ(displayS(renderPretty(ribbon, w, d)), streamed(ribbon, w, d)) << "width " << w;
}

TEST(GalleyDirect, LineOfGroupsThatOverflows) {
  // every group's branches are as wide as each other, so a look-ahead that
  // fails tries each combination unless the engine takes over
  std::vector<Doc> items;
  for (int i = 0; i < 60; ++i) items.push_back(group(text("item" + std::to_string(i))));
  const Doc d = hsep(items) + hardline() + fillSep(items) + line() + group(vsep(items));
  for (std::int64_t w : {10, 40, 80, 400}) expectAgreement(1.0f, w, d);
  expectAgreement(0.4f, 80, group(d) + nest(3, line() + d));
}

TEST(GalleyDirect, ValuesOutsideTheUsualRange) {
  constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
  const Doc words = fillSep({text("a"), text("b"), text("c")});
  expectAgreement(0.4f, 80, group(words) + nest(kMax, text("x") + group(words)) + line() + group(words));
  expectAgreement(0.4f, 80, group(words + node::Text(std::int64_t{1} << 60, "huge")) + softline() + words);
  expectAgreement(1.0f, 10, group(words + node::Text(-7, "negative") + softline() + words));
  expectAgreement(1.0f, 10, nest(-3, words + hardline() + group(words + line() + words)));
  expectAgreement(1.0f, kMax, group(words + line() + words));
  expectAgreement(1.0f, std::numeric_limits<std::int64_t>::min(), group(words + line() + words));
}

TEST(GalleyDirect, UndoneLookAheadsLeaveNoTrace) {
  // styles, functions and failures inside candidates that are given up
  const Doc cell = column([](std::int64_t k) {
    std::string label = "@";
    label += std::to_string(k);
    return text(label);
  });
  const Doc d = group(red(text("abc") + cell) + line() + bold(align(vsep({text("x"), cell}))) +
                      flatAlt(hardline(), text("flat")) + group(hardline()) + underline(text("yyyyyyy")));
  for (std::int64_t w : {3, 8, 12, 20, 60}) expectAgreement(1.0f, w, d + softline() + d);
}

TEST(GalleyDirect, InterruptedLayoutKeepsOnlySettledText) {
  const Doc boom = column([](std::int64_t k) -> Doc {
    if (k > 3) throw std::runtime_error("boom");
    return text("ok");
  });
  std::string out = "prefix:";
  EXPECT_THROW(displayS(renderPretty(1.0f, 80, text("ab") + hardline() + group(text("abcd") + line() + boom)), out),
               std::runtime_error);
  EXPECT_EQ(out, "prefix:ab\n");
  std::string other = "p";
  EXPECT_THROW(displayS(renderPretty(1.0f, 80, text("ab") + line() + node::Fail()), other), Error);
  EXPECT_EQ(other, "pab\n");
}

}  // namespace
}  // namespace quire::galley
