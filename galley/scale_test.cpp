// Large and deep documents: nothing may recurse on the native stack in
// proportion to the input, in building, laying out or freeing a document.
// Run under AddressSanitizer with the default stack.
#include <gtest/gtest.h>

#include "galley/galley.hpp"

namespace quire::galley {
namespace {

constexpr int kMany = 1000000;
constexpr int kDeep = 100000;

std::vector<Doc> manyWords() {
  std::vector<Doc> ds;
  ds.reserve(kMany);
  const Doc word = text("w");
  for (int i = 0; i < kMany; ++i) ds.push_back(word);
  return ds;
}

// Counts the output without keeping it.
std::size_t renderedSize(const Doc& d) {
  std::size_t n = 0;
  for (const SimpleDocElement& e : renderPretty(0.4f, 80, d)) {
    if (e.kind == SimpleDocKind::SText) n += e.text.size();
    if (e.kind == SimpleDocKind::SChar || e.kind == SimpleDocKind::SLine) n += 1;
    if (e.kind == SimpleDocKind::SFail) ADD_FAILURE() << "SFail";
  }
  return n;
}

// Whether the stream reaches the text "core" and ends well.
bool reachesCore(SimpleDoc stream) {
  bool seen = false;
  for (const SimpleDocElement& e : stream) {
    if (e.kind == SimpleDocKind::SText && e.text == "core") seen = true;
    if (e.kind == SimpleDocKind::SFail) return false;
  }
  return seen;
}

TEST(GalleyScale, MillionElementFolds) {
  const std::vector<Doc> words = manyWords();
  EXPECT_EQ(displayS(renderPretty(0.4f, 80, hcat(words))).size(), static_cast<std::size_t>(kMany));
  EXPECT_EQ(renderedSize(vsep(words)), static_cast<std::size_t>(2 * kMany - 1));
  EXPECT_EQ(renderedSize(fillSep(words)), static_cast<std::size_t>(2 * kMany - 1));
  EXPECT_EQ(displayS(renderCompact(fillCat(words))).size(), static_cast<std::size_t>(2 * kMany - 1));
  // built the other way round, a left-nested chain makes a long work list
  Doc left;
  for (int i = 0; i < kMany; ++i) left = left + text("v");
  EXPECT_EQ(renderedSize(left), static_cast<std::size_t>(kMany));
  EXPECT_EQ(renderedSize(group(left)), static_cast<std::size_t>(kMany));
  EXPECT_EQ(renderedSize(plain(red(left))), static_cast<std::size_t>(kMany));
}

TEST(GalleyScale, DeeplyNestedDocuments) {
  Doc d = text("core");
  for (int i = 0; i < kDeep; ++i) {
    switch (i % 5) {
      case 0: d = nest(1, line() + d); break;
      case 1: d = group(d); break;
      case 2: d = align(d + text("a")); break;
      case 3: d = red(d); break;
      default: d = onblue(bold(text("b") + d)); break;
    }
  }
  // (the output is large: every fifth level indents its lines by one more)
  EXPECT_TRUE(reachesCore(renderPretty(0.4f, 80, d)));
  EXPECT_TRUE(reachesCore(renderSmart(0.4f, 80, d)));
  EXPECT_TRUE(reachesCore(renderCompact(d)));
  EXPECT_TRUE(reachesCore(renderPretty(0.4f, 80, plain(d))));
  EXPECT_EQ(flatten(d).kind(), DocKind::Color);

  // nested groups alone: each flat form comes from the next one's
  Doc groups = text("x") + line() + text("y");
  for (int i = 0; i < kDeep; ++i) groups = group(groups);
  EXPECT_EQ(displayS(renderPretty(0.4f, 80, groups)), "x y");
  EXPECT_EQ(displayS(renderPretty(0.4f, 2, groups)), "x\ny");

  // groups whose flat forms hold a function node and the next group: each
  // flat form would otherwise be rewritten again for every group around it
  Doc chain = text("end");
  for (int i = 0; i < kDeep; ++i) chain = group(align(text("a")) + line() + chain);
  EXPECT_EQ(displayS(renderPretty(0.4f, 80, chain)).size(), static_cast<std::size_t>(2 * kDeep + 3));
  EXPECT_EQ(displayS(renderSmart(0.4f, 80, chain)).size(), static_cast<std::size_t>(2 * kDeep + 3));
  EXPECT_EQ(flatten(chain).kind(), DocKind::Cat);
  EXPECT_EQ(chain.unionFirst().kind(), DocKind::Cat);
}

}  // namespace
}  // namespace quire::galley
