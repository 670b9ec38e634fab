#include "match/paths.h"

#include <gtest/gtest.h>

#include "support/fake_file_system.h"

namespace dirhop {
namespace {

std::string Expanded(std::string spec, PathSyntax syntax = kWindowsPaths) {
  UseNativeSeparators(spec, syntax);
  ExpandDoubleSeparators(spec, syntax);
  ExpandDots(spec, syntax);
  return spec;
}

TEST(ExpansionTest, SlashesAndDoubleSeparators) {
  EXPECT_EQ(Expanded("/"), "\\");
  EXPECT_EQ(Expanded("a//b"), "a\\*\\b");
  EXPECT_EQ(Expanded("\\\\"), "\\*\\");
  EXPECT_EQ(Expanded("\\\\\\"), "\\*\\*\\");
  EXPECT_EQ(Expanded("a\\\\b"), "a\\*\\b");
  EXPECT_EQ(Expanded("\\\\server\\share"), "\\*\\server\\share");  // never a UNC path
  EXPECT_EQ(Expanded("\"a b\"?*"), "\"a b\"?*");                   // other characters pass
}

TEST(ExpansionTest, LoneDotsBecomeParentSteps) {
  EXPECT_EQ(Expanded("."), "..");
  EXPECT_EQ(Expanded("x\\."), "x\\..");
  EXPECT_EQ(Expanded("C:."), "C:..");
  EXPECT_EQ(Expanded(".\\x"), "..\\x");
  EXPECT_EQ(Expanded(".."), "..");
  EXPECT_EQ(Expanded(".x"), ".x");
  EXPECT_EQ(Expanded("x."), "x.");
  EXPECT_EQ(Expanded(".\\.\\."), "..\\..\\..");
}

TEST(ExpansionTest, DotRunsBecomeParentChains) {
  EXPECT_EQ(Expanded("..."), "..\\..");
  EXPECT_EQ(Expanded("...."), "..\\..\\..");
  EXPECT_EQ(Expanded("....."), "..\\..\\..\\..");
  EXPECT_EQ(Expanded("a\\...\\b"), "a\\..\\..\\b");
  EXPECT_EQ(Expanded("...x"), "..\\..x");
  EXPECT_EQ(Expanded("...\\x"), "..\\..\\x");
  EXPECT_EQ(Expanded("C:..."), "C:...");  // never opened after a drive colon
  EXPECT_EQ(Expanded("a...b"), "a...b");  // only at the start of a component
  EXPECT_EQ(Expanded("//..."), "\\*\\..\\..");
}

TEST(ExpansionTest, PosixFlavour) {
  EXPECT_EQ(Expanded("a\\b", kPosixPaths), "a\\b");  // a backslash is an ordinary character
  EXPECT_EQ(Expanded("a//b", kPosixPaths), "a/*/b");
  EXPECT_EQ(Expanded("//", kPosixPaths), "/*/");
  EXPECT_EQ(Expanded(".", kPosixPaths), "..");
  EXPECT_EQ(Expanded("x/.", kPosixPaths), "x/..");
  EXPECT_EQ(Expanded("C:.", kPosixPaths), "C:.");  // no drives: the colon is just a character
  EXPECT_EQ(Expanded(".../x", kPosixPaths), "../../x");
  EXPECT_EQ(Expanded("a/..../b", kPosixPaths), "a/../../../b");
}

TEST(ExpansionTest, VeryLongSpecsExpandWithoutLimit) {
  std::string spec;
  for (int i = 0; i < 300; ++i) spec += "...\\";
  std::string result = Expanded(spec);
  EXPECT_EQ(result.size(), 300u * 6);
  EXPECT_EQ(result.substr(0, 12), "..\\..\\..\\..\\");
}

TEST(ParentDirTest, WindowsPathsStopAtTheRoot) {
  EXPECT_EQ(ParentDir("C:\\A\\B", kWindowsPaths), "C:\\A");
  EXPECT_EQ(ParentDir("C:\\A\\B\\", kWindowsPaths), "C:\\A");
  EXPECT_EQ(ParentDir("C:\\A", kWindowsPaths), "C:\\");
  EXPECT_EQ(ParentDir("C:\\A\\", kWindowsPaths), "C:\\");
  EXPECT_EQ(ParentDir("C:\\", kWindowsPaths), "C:\\");
}

TEST(ParentDirTest, PosixPathsStopAtSlash) {
  EXPECT_EQ(ParentDir("/a/b", kPosixPaths), "/a");
  EXPECT_EQ(ParentDir("/a/b/", kPosixPaths), "/a");
  EXPECT_EQ(ParentDir("/a", kPosixPaths), "/");
  EXPECT_EQ(ParentDir("/", kPosixPaths), "/");
}

// Each form climbs by ParentDir and stops at the first text that is not a step; "..x" is where
// the two forms part.
TEST(TakeParentStepsTest, BothFormsOfAParentStep) {
  struct Row {
    const char* rest;
    ParentStep step;
    const char* rest_after;
    const char* base_after;
  };
  const Row rows[] = {
      {"..\\..\\x", ParentStep::kComponent, "x", "C:\\A"},
      {"..", ParentStep::kComponent, "", "C:\\A\\B"},
      {"..x", ParentStep::kComponent, "..x", "C:\\A\\B\\C"},
      {"...", ParentStep::kComponent, "...", "C:\\A\\B\\C"},
      {"x\\..", ParentStep::kComponent, "x\\..", "C:\\A\\B\\C"},
      {"..\\..\\x", ParentStep::kTwoDots, "x", "C:\\A"},
      {"..", ParentStep::kTwoDots, "", "C:\\A\\B"},
      {"..x", ParentStep::kTwoDots, "", "C:\\A\\B"},
      {"..abc", ParentStep::kTwoDots, "bc", "C:\\A\\B"},
      {"....", ParentStep::kTwoDots, ".", "C:\\A\\B"},
      {"..\\..\\..\\..\\..", ParentStep::kTwoDots, "", "C:\\"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.rest);
    std::string rest = row.rest;
    std::string base = "C:\\A\\B\\C";
    TakeParentSteps(rest, base, kWindowsPaths, row.step);
    EXPECT_EQ(rest, row.rest_after);
    EXPECT_EQ(base, row.base_after);
  }
  std::string rest = "../../x/..";
  std::string base = "/a/b/c";
  TakeParentSteps(rest, base, kPosixPaths, ParentStep::kComponent);
  EXPECT_EQ(rest, "x/..");
  EXPECT_EQ(base, "/a");
}

TEST(RelativePathTest, TheWayFromOneDirectoryToAnother) {
  EXPECT_EQ(RelativePath("/a/b", "/a/b/c/d", kPosixPaths), "./c/d");
  EXPECT_EQ(RelativePath("/a/b", "/a", kPosixPaths), "./..");
  EXPECT_EQ(RelativePath("/a/b/c", "/a/x/y", kPosixPaths), "./../../x/y");
  EXPECT_EQ(RelativePath("/a/b", "/a/b", kPosixPaths), ".");
  EXPECT_EQ(RelativePath("/", "/a", kPosixPaths), "./a");
  EXPECT_EQ(RelativePath("/a", "/", kPosixPaths), "./..");
  // A name that only begins like another is another name.
  EXPECT_EQ(RelativePath("/a/bc", "/a/b/c", kPosixPaths), "./../b/c");
  // Names are compared as bytes, spaces and quotes included.
  EXPECT_EQ(RelativePath("/x y/'q'", "/x y/'q'/z z", kPosixPaths), "./z z");
  EXPECT_EQ(RelativePath("C:\\Work", "C:\\Work\\src", kWindowsPaths), ".\\src");
  EXPECT_EQ(RelativePath("C:\\", "C:\\A", kWindowsPaths), ".\\A");
  EXPECT_EQ(RelativePath("C:\\Work\\a", "C:\\Temp", kWindowsPaths), ".\\..\\..\\Temp");
  // Another drive cannot be reached from here.
  EXPECT_EQ(RelativePath("C:\\Work", "D:\\Work", kWindowsPaths), "");
}

TEST(AddTrailingBackslashTest, AppendsOnlyWhenMissing) {
  EXPECT_EQ(AddTrailingSeparator("C:\\Temp", kWindowsPaths), "C:\\Temp\\");
  EXPECT_EQ(AddTrailingSeparator("C:\\Temp\\", kWindowsPaths), "C:\\Temp\\");
  EXPECT_EQ(AddTrailingSeparator("/tmp", kPosixPaths), "/tmp/");
  EXPECT_EQ(AddTrailingSeparator("/", kPosixPaths), "/");
}

class ExpandFullPathTest : public ::testing::Test {
 protected:
  void SetUp() override { windows_.SetDriveDirectory("D:\\"); }

  test::FakeFileSystem windows_{kWindowsPaths, "C:\\A\\B"};
  test::FakeFileSystem posix_{kPosixPaths, "/a/b"};
};

TEST_F(ExpandFullPathTest, WindowsPaths) {
  EXPECT_EQ(ExpandFullPath("x", kWindowsPaths, windows_), "C:\\A\\B\\x");
  EXPECT_EQ(ExpandFullPath("..\\x", kWindowsPaths, windows_), "C:\\A\\x");
  EXPECT_EQ(ExpandFullPath("..", kWindowsPaths, windows_), "C:\\A\\");
  EXPECT_EQ(ExpandFullPath("..\\..\\..\\..", kWindowsPaths, windows_), "C:\\");
  EXPECT_EQ(ExpandFullPath(".", kWindowsPaths, windows_), "C:\\A\\B\\");
  EXPECT_EQ(ExpandFullPath(".\\x", kWindowsPaths, windows_), "C:\\A\\B\\x");
  EXPECT_EQ(ExpandFullPath("\\z", kWindowsPaths, windows_), "C:\\z");
  EXPECT_EQ(ExpandFullPath("D:y", kWindowsPaths, windows_), "D:\\y");
  EXPECT_EQ(ExpandFullPath("d:y", kWindowsPaths, windows_), "D:\\y");  // drive letter any case
  EXPECT_EQ(ExpandFullPath("D:\\y", kWindowsPaths, windows_), "D:\\y");
  EXPECT_EQ(ExpandFullPath("C:\\p", kWindowsPaths, windows_), "C:\\p");
  EXPECT_EQ(ExpandFullPath("\\\\srv\\share", kWindowsPaths, windows_), "\\\\srv\\share");
}

TEST_F(ExpandFullPathTest, PosixPaths) {
  EXPECT_EQ(ExpandFullPath("x", kPosixPaths, posix_), "/a/b/x");
  EXPECT_EQ(ExpandFullPath("../x", kPosixPaths, posix_), "/a/x");
  EXPECT_EQ(ExpandFullPath(".", kPosixPaths, posix_), "/a/b/");
  EXPECT_EQ(ExpandFullPath("/abs", kPosixPaths, posix_), "/abs");
  EXPECT_EQ(ExpandFullPath("../../../x", kPosixPaths, posix_), "/x");
}

// Each level as the tree holds it, whatever case it was typed in; levels the tree lacks, the root
// and a share stay as written, and POSIX names are never changed.
TEST_F(ExpandFullPathTest, NamesAsStored) {
  windows_.AddDirectory(
      "C:\\lp\\Clients\\\xd0\xa8\xd0\xb0\xd0\xb1\xd0\xbb\xd0\xbe\xd0\xbd\xd1\x8b");
  EXPECT_EQ(
      WithNamesAsStored("c:\\LP\\clients\\\xd1\x88\xd0\xb0\xd0\xb1\xd0\xbb\xd0\xbe\xd0\xbd\xd1\x8b",
                        kWindowsPaths, windows_),
      "c:\\lp\\Clients\\\xd0\xa8\xd0\xb0\xd0\xb1\xd0\xbb\xd0\xbe\xd0\xbd\xd1\x8b");
  EXPECT_EQ(WithNamesAsStored("C:\\LP\\gone\\CLIENTS\\", kWindowsPaths, windows_),
            "C:\\lp\\gone\\CLIENTS\\");
  EXPECT_EQ(WithNamesAsStored("C:\\", kWindowsPaths, windows_), "C:\\");
  EXPECT_EQ(WithNamesAsStored("\\\\srv\\Share", kWindowsPaths, windows_), "\\\\srv\\Share");
  EXPECT_EQ(WithNamesAsStored("lp\\clients", kWindowsPaths, windows_), "lp\\clients");
  posix_.AddDirectory("/a/B");
  EXPECT_EQ(WithNamesAsStored("/a/b", kPosixPaths, posix_), "/a/b");
}

}  // namespace
}  // namespace dirhop
