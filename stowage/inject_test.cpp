#include "stowage/inject.hpp"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <string>
#include <sys/stat.h>

#include "base/error.hpp"
#include "stowage/tmpdir_test_support.hpp"

namespace quire::stowage {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;

// The area after its marker, read back the way a program reads it.
std::string readBack(const Bytes& file, std::string_view marker = "vqKZ") {
  const std::size_t at = file.view().find(marker);
  return getInner(file.slice(at + marker.size(), file.size())).toString();
}

std::string zeros(std::size_t n) { return std::string(n, '0'); }

TEST(StowageInject, FreshAreaAndInjectionLayout) {
  const Bytes fresh = dummySpace(5);
  EXPECT_EQ(fresh.view(), "vqKZ" + zeros(19) + "5" + "00000");
  EXPECT_EQ(readBack(fresh), "00000");

  const std::string file = "head" + fresh.toString() + "tail";
  auto stamped = inject("abc", file);
  ASSERT_TRUE(stamped);
  EXPECT_EQ(stamped->view(), "headvqKZ" + zeros(19) + "3" + "abc00" + "tail");
  EXPECT_EQ(stamped->size(), file.size());
  EXPECT_EQ(readBack(*stamped), "abc");

  auto full = inject("12345", file);
  ASSERT_TRUE(full);
  EXPECT_EQ(readBack(*full), "12345");
  EXPECT_EQ(full->view(), "headvqKZ" + zeros(19) + "5" + "12345tail");
  EXPECT_FALSE(inject("123456", file));

  auto empty = inject("", file);
  ASSERT_TRUE(empty);
  EXPECT_EQ(empty->view().substr(8, 20), zeros(20));
  EXPECT_EQ(readBack(*empty), "");
}

TEST(StowageInject, SecondInjectionSeesThePreviousLengthAsCapacity) {
  auto once = inject("abc", dummySpace(5).view());
  ASSERT_TRUE(once);
  EXPECT_FALSE(inject("abcd", once->view()));
  auto twice = inject("xy", once->view());
  ASSERT_TRUE(twice);
  EXPECT_EQ(readBack(*twice), "xy");
  // The old payload's last byte becomes fill; the old fill stays after it.
  EXPECT_EQ(twice->view().substr(24), "xy000");
}

TEST(StowageInject, OnlyTheFirstAreaWithTheSuffixIsRewritten) {
  const std::string two = dummySpace(3).toString() + "|" + dummySpace(3).toString();
  auto out = inject("ab", two);
  ASSERT_TRUE(out);
  EXPECT_EQ(out->view().substr(0, 27), "vqKZ" + zeros(19) + "2ab0");
  EXPECT_EQ(out->view().substr(28), dummySpace(3).view());

  // Areas with other suffixes stay apart, even with the same capacity.
  const std::string mixed = dummySpaceWith("AA", 4).toString() + dummySpaceWith("BB", 4).toString();
  auto b = injectWith("BB", "bb", mixed);
  ASSERT_TRUE(b);
  EXPECT_EQ(readBack(*b, "vqAA"), "0000");
  EXPECT_EQ(readBack(*b, "vqBB"), "bb");
  auto emptySuffix = injectWith("", "z", dummySpaceWith("", 2).view());
  ASSERT_TRUE(emptySuffix);
  EXPECT_EQ(readBack(*emptySuffix, "vq"), "z");
}

TEST(StowageInject, SizeFieldReading) {
  auto inner = [](std::string_view block) { return getInner(Bytes(block)).toString(); };
  EXPECT_EQ(inner(zeros(17) + "003abcdef"), "abc");
  EXPECT_EQ(inner("  \t7" + std::string(16, 'j') + "0123456789"), "0123456");  // text after 7 ignored
  EXPECT_EQ(inner("-" + zeros(18) + "5" + "abc"), "");
  EXPECT_EQ(inner(zeros(20) + "abc"), "");
  EXPECT_EQ(inner("99999999999999999999" "abc"), "abc");  // cut to what is there
  EXPECT_EQ(inner("12"), "");                           // a short block: no rest
  const Bytes block(zeros(19) + "2xyz");
  EXPECT_EQ(getInner(block).data(), block.data() + 20);  // shares, no copy
  for (std::string bad : {""s, "abc"s, "-"s, " - 3"s, "+3" + zeros(18)}) {
    try {
      (void)getInner(Bytes(bad));
      ADD_FAILURE() << "accepted " << bad;
    } catch (const Error& e) {
      EXPECT_STREQ(e.what(), "Data.Stowage (getInner): Your dummy space has been corrupted.");
    }
  }
}

TEST(StowageInject, CorruptedAreasAreReportedWithTheSizeText) {
  auto message = [](std::string_view contents) {
    try {
      (void)inject("x", contents);
    } catch (const Error& e) {
      return std::string(e.what());
    }
    return "no error"s;
  };
  const std::string prefix = "Data.Stowage (inject): Your dummy space has been corrupted. Size is: ";
  EXPECT_EQ(message("no marker here"), prefix + "\"\"");
  EXPECT_EQ(message("vqKZab\"\n\x01\xff"), prefix + "\"ab\\\"\\n\\001\\377\"");
  EXPECT_EQ(message("vqKZ" + zeros(20)), "no error");
  // A size field claiming more than the file holds would grow the file.
  EXPECT_EQ(message("vqKZ" + zeros(19) + "9" + "0000"), prefix + "\"" + zeros(19) + "9\"");
}

// A size field cut short by the end of the contents cannot be rewritten in
// place (the new field has all 20 bytes): reported, never a longer result.
TEST(StowageInject, TruncatedSizeFieldIsReportedNotGrown) {
  const std::string prefix = "Data.Stowage (inject): Your dummy space has been corrupted. Size is: ";
  for (const std::string& contents : {"vqKZ0"s, "ab vqKZ00000"s, "vqKZ" + zeros(19)}) {
    try {
      const std::optional<Bytes> got = inject("", contents);
      ADD_FAILURE() << "accepted " << contents << " giving " << (got ? got->size() : 0) << " bytes";
    } catch (const Error& e) {
      EXPECT_EQ(std::string(e.what()).substr(0, prefix.size()), prefix);
    }
  }
  // A payload too long for the claimed capacity is still just refused.
  EXPECT_EQ(inject("xy", "vqKZ1"), std::nullopt);
  // With the whole field present an empty area takes the empty payload.
  const std::optional<Bytes> exact = inject("", "vqKZ" + zeros(20));
  ASSERT_TRUE(exact.has_value());
  EXPECT_EQ(exact->view(), "vqKZ" + zeros(20));
}

class StowageInjectFile : public TempDirTest {
 protected:
  fs::path write(const std::string& name, const std::string& contents, fs::perms perms) {
    fs::path p = dir_ / name;
    std::ofstream(p, std::ios::binary) << contents;
    fs::permissions(p, perms);
    return p;
  }
  static std::string read(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }
  std::size_t entries() const { return static_cast<std::size_t>(std::distance(fs::directory_iterator(dir_), {})); }
};

TEST_F(StowageInjectFile, InPlaceKeepsLengthAndPermissions) {
  const std::string program = "\x7f" "ELF..." + dummySpaceWith("LIC", 8).toString() + "...end";
  const auto mode = fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec;
  fs::path p = write("app", program, mode);
  injectFileWith("LIC", "key=1", p, p);
  const std::string after = read(p);
  EXPECT_EQ(after.size(), program.size());
  EXPECT_EQ(readBack(Bytes(after), "vqLIC"), "key=1");
  EXPECT_EQ(fs::status(p).permissions(), mode);
  EXPECT_EQ(entries(), 1u);  // no temporary file left
}

TEST_F(StowageInjectFile, NewDestinationAndLinkedDestination) {
  fs::path src = write("src", dummySpace(4).toString(), fs::perms::owner_all);
  fs::path existing = write("existing", "old", fs::perms::owner_read | fs::perms::owner_write);
  injectFile("ab", src, existing);
  EXPECT_EQ(readBack(Bytes(read(existing))), "ab");
  EXPECT_EQ(fs::status(existing).permissions(), fs::perms::owner_read | fs::perms::owner_write);

  injectFile("cd", src, dir_ / "fresh");
  EXPECT_EQ(readBack(Bytes(read(dir_ / "fresh"))), "cd");
  EXPECT_TRUE((fs::status(dir_ / "fresh").permissions() & fs::perms::owner_exec) != fs::perms::none);
  EXPECT_EQ(readBack(Bytes(read(src))), "0000");  // the source is untouched

  // Writing through a link replaces its target and keeps the link.
  fs::create_symlink("existing", dir_ / "link");
  injectFile("ef", src, dir_ / "link");
  EXPECT_TRUE(fs::is_symlink(dir_ / "link"));
  EXPECT_EQ(readBack(Bytes(read(existing))), "ef");
}

TEST_F(StowageInjectFile, FailuresLeaveTheDestinationAlone) {
  fs::path src = write("src", dummySpace(2).toString(), fs::perms::owner_all);
  fs::path dst = write("dst", "previous", fs::perms::owner_all);
  try {
    injectFile("abc", src, dst);
    ADD_FAILURE() << "an oversized payload was accepted";
  } catch (const Error& e) {
    EXPECT_STREQ(e.what(), "Insufficient dummy space");
  }
  EXPECT_THROW(injectFileWith("XX", "a", src, dst), Error);
  EXPECT_EQ(read(dst), "previous");
  EXPECT_THROW(injectFile("a", dir_ / "missing", dst), fs::filesystem_error);
  EXPECT_THROW(injectFile("a", src, dir_ / "no-such-dir" / "dst"), fs::filesystem_error);
  EXPECT_EQ(read(dst), "previous");
  EXPECT_EQ(entries(), 2u);
}

}  // namespace
}  // namespace quire::stowage
