#include "stowage/embed.hpp"

#include <algorithm>
#include <filesystem>
#include <iterator>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <unistd.h>
#include <vector>

#include "base/error.hpp"
#include "stowage/codegen.hpp"
#include "stowage/tmpdir_test_support.hpp"

namespace quire::stowage {
namespace {

namespace fs = std::filesystem;

class StowageTree : public TempDirTest {
 protected:
  void file(const std::string& rel, const std::string& contents = "") {
    fs::create_directories((root_ / rel).parent_path());
    std::ofstream(root_ / rel, std::ios::binary) << contents;
  }
  std::vector<std::string> names(const fs::path& root) const {
    std::vector<std::string> out;
    for (const auto& [name, bytes] : getDir(root)) out.push_back(name);
    return out;
  }

  const fs::path& root_ = dir_;
};

TEST_F(StowageTree, OrderHiddenEntriesAndContents) {
  file("b", "B");
  file("a", "A");
  file("c/z", std::string("z\0z", 3));
  file(".env", "secret");
  file(".git/config");
  file("c/.hidden");
  file("a-b");
  file("d/x");
  file("empty");
  DirContents d = getDir(root_);
  std::vector<std::string> expected = {"a", "a-b", "b", "c/z", "d/x", "empty"};
  EXPECT_EQ(names(root_), expected);
  EXPECT_EQ(d[0].second.view(), "A");
  EXPECT_EQ(d[3].second.view(), std::string_view("z\0z", 3));
  EXPECT_TRUE(d[5].second.empty());

  // '-' sorts below '/', so a file a-b comes before the directory a's files.
  fs::remove(root_ / "a");
  file("a/x");
  expected = {"a-b", "a/x", "b", "c/z", "d/x", "empty"};
  EXPECT_EQ(names(root_), expected);
  EXPECT_TRUE(getDir(root_ / "d" / "..").size() == expected.size());
}

TEST_F(StowageTree, LinksAreFollowedAndLoopsEnd) {
  file("real/f", "F");
  file(".outside/g", "G");  // hidden, so reached only through links
  fs::create_symlink("real/f", root_ / "flink");      // a file through a link
  fs::create_symlink(".", root_ / "real" / "self");   // a loop to its own directory
  fs::create_symlink("..", root_ / "real" / "up");    // a loop to the root
  fs::create_symlink("real", root_ / "again");        // a second name for real/
  fs::create_symlink("missing", root_ / "dangling");  // skipped
  fs::create_directories(root_ / "tree");
  fs::create_symlink("../.outside", root_ / "tree" / "o2");
  fs::create_symlink("../.outside", root_ / "tree" / "o1");
  // real/ is reached without a link, so its files appear under that name
  // only; .outside/ is reached only through links, under the first of them.
  const std::vector<std::string> expected = {"flink", "real/f", "tree/o1/g"};
  EXPECT_EQ(names(root_), expected);
  Tree t = walkTree(root_);
  ASSERT_EQ(t.directories.size(), 4u);  // root, real, tree, and .outside once
  EXPECT_EQ(t.directories.front(), root_);
  EXPECT_EQ(t.directories.back(), root_ / "tree" / "o1");
  EXPECT_EQ(getDir(root_)[2].second.view(), "G");
}

TEST_F(StowageTree, MissingRootIsAFileError) {
  EXPECT_THROW((void)getDir(root_ / "missing"), fs::filesystem_error);
  file("plain");
  EXPECT_THROW((void)getDir(root_ / "plain"), fs::filesystem_error);
}

TEST_F(StowageTree, ProjectRootSearch) {
  file("p/q/x.projdesc");
  file("p/q/src/M.hs");
  file("p/q/src/deep/N.cpp");
  file("p/r/.projdesc");
  file("p/r/s/T.cpp");
  const std::string q = fs::canonical(root_ / "p" / "q").string();
  EXPECT_EQ(makeRelativeToProjectFrom(root_ / "p/q/src/M.hs", "data/f"), q + "/data/f");
  EXPECT_EQ(makeRelativeToProjectFrom(root_ / "p/q/src/deep/../deep/N.cpp", "f"), q + "/f");
  // The file's own directory counts, and a name that is only an extension.
  EXPECT_EQ(makeRelativeToProjectFrom(root_ / "p/q/x.projdesc", "f"), q + "/f");
  EXPECT_EQ(makeRelativeToProjectFrom(root_ / "p/r/s/T.cpp", "f"),
            fs::canonical(root_ / "p" / "r").string() + "/f");

  auto isCargo = [](std::string_view name) { return name == "M.hs"; };
  EXPECT_EQ(makeRelativeToLocationPredicateFrom(root_ / "p/q/src/deep/N.cpp", isCargo, "g"),
            fs::canonical(root_ / "p/q/src").string() + "/g");
  auto never = [](std::string_view) { return false; };
  const std::string source = fs::canonical(root_ / "p/q/src/M.hs").string();
  try {
    (void)makeRelativeToLocationPredicateFrom(root_ / "p/q/src/M.hs", never, "g");
    ADD_FAILURE() << "found a root that is not there";
  } catch (const Error& e) {
    EXPECT_EQ(std::string(e.what()), "Could not find .projdesc file for path: " + source);
  }
  // The search reaches the file-system root.
  const std::string top = fs::canonical(root_).begin()->string() == "/"
                              ? std::next(fs::canonical(root_).begin())->string()
                              : std::string();
  auto atRoot = [&](std::string_view name) { return name == top; };
  EXPECT_EQ(makeRelativeToLocationPredicateFrom(root_ / "p/q/src/M.hs", atRoot, "x"), "/x");
  EXPECT_THROW((void)makeRelativeToProjectFrom(root_ / "missing.cpp", "x"), fs::filesystem_error);
}

TEST(StowageCodegen, LiteralsEscapeEverythingTheCompilerCouldChange) {
  EXPECT_EQ(stringToBs(U"A\u0141\U0001F600\u00ff").view(), std::string_view("AA\x00\xff", 4));
  EXPECT_EQ(cppStringLiteral(std::string_view("a\0\"\\?\n\x7f\x80~ ", 10)),
            "\"a\\000\\042\\134\\077\\012\\177\\200~ \"");
  EXPECT_EQ(bsToExp(""), "quire::Bytes()");
  EXPECT_EQ(bsToExp("ab"), "quire::Bytes::fromStatic(std::string_view(\"ab\", 2))");
  EXPECT_EQ(strToExp(std::string_view("\0", 1)), "std::string_view(\"\\000\", 1)");
  // Long literals are split into adjacent pieces.
  const std::string lit = cppStringLiteral(std::string(250, 'x'));
  EXPECT_EQ(std::count(lit.begin(), lit.end(), '\n'), 2);
  EXPECT_EQ(std::count(lit.begin(), lit.end(), 'x'), 250);
}

}  // namespace
}  // namespace quire::stowage
