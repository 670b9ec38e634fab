#include "match/create.h"

#include <gtest/gtest.h>

#include <vector>

#include "support/fake_file_system.h"

namespace dirhop {
namespace {

using test::FakeFileSystem;

// The directories `fs` was asked to create, in order.
std::vector<std::string> Created(const FakeFileSystem& fs) {
  std::vector<std::string> paths;
  for (const std::string& call : fs.Calls("CreateOneDirectory")) {
    paths.push_back(call.substr(call.find(' ') + 1));
  }
  return paths;
}

TEST(CreatePathTest, WalksFromTheRootAndPassesExistingOrDeniedLevels) {
  FakeFileSystem creator(kWindowsPaths, "C:\\Work\\locked");
  creator.create_codes = {{"C:\\Work", 183}, {"C:\\Work\\locked", 5}};
  EXPECT_EQ(CreatePath("C:\\Work\\locked\\new\\sub\\", kWindowsPaths, creator), std::nullopt);
  EXPECT_EQ(Created(creator),
            (std::vector<std::string>{"C:\\Work", "C:\\Work\\locked", "C:\\Work\\locked\\new",
                                      "C:\\Work\\locked\\new\\sub"}));

  FakeFileSystem posix(kPosixPaths, "/");
  EXPECT_EQ(CreatePath("/home/u/new", kPosixPaths, posix), std::nullopt);
  EXPECT_EQ(Created(posix), (std::vector<std::string>{"/home", "/home/u", "/home/u/new"}));
}

TEST(CreatePathTest, StopsAtTheFirstFailureWithItsLevelAndLowByte) {
  FakeFileSystem creator(kWindowsPaths, "C:\\");
  creator.create_codes = {{"C:\\a\\b", 3}};
  const std::optional<CreateFailure> failure = CreatePath("C:\\a\\b\\c", kWindowsPaths, creator);
  ASSERT_TRUE(failure.has_value());
  EXPECT_EQ(failure->level, "C:\\a\\b");
  EXPECT_EQ(failure->code, 3);
  EXPECT_EQ(Created(creator).size(), 2u);  // nothing is tried after the failing level

  // Codes are reduced to their low byte: 267 reads as 11, and 183 + 256 still means "exists".
  FakeFileSystem wide(kWindowsPaths, "C:\\");
  wide.create_codes = {{"C:\\x", 267}, {"C:\\y", 183 + 256}};
  EXPECT_EQ(CreatePath("C:\\x", kWindowsPaths, wide)->code, 11);
  EXPECT_EQ(CreatePath("C:\\y", kWindowsPaths, wide), std::nullopt);
}

}  // namespace
}  // namespace dirhop
