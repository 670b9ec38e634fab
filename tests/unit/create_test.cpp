#include "match/create.h"

#include <gtest/gtest.h>

#include <map>
#include <vector>

namespace dirhop {
namespace {

// Records every directory creation and answers with a scripted code (0 when not scripted).
struct FakeCreator {
  std::map<std::string, int> codes;
  std::vector<std::string> calls;
  CreateDirectoryFn Fn() {
    return [this](const std::string& path) {
      calls.push_back(path);
      auto found = codes.find(path);
      return found == codes.end() ? 0 : found->second;
    };
  }
};

TEST(CreatePathTest, WalksFromTheRootAndPassesExistingOrDeniedLevels) {
  FakeCreator creator;
  creator.codes = {{"C:\\Work", 183}, {"C:\\Work\\locked", 5}};
  EXPECT_EQ(CreatePath("C:\\Work\\locked\\new\\sub\\", kWindowsPaths, creator.Fn()), std::nullopt);
  EXPECT_EQ(creator.calls, (std::vector<std::string>{"C:\\Work", "C:\\Work\\locked",
                                                     "C:\\Work\\locked\\new",
                                                     "C:\\Work\\locked\\new\\sub"}));

  FakeCreator posix;
  EXPECT_EQ(CreatePath("/home/u/new", kPosixPaths, posix.Fn()), std::nullopt);
  EXPECT_EQ(posix.calls, (std::vector<std::string>{"/home", "/home/u", "/home/u/new"}));
}

TEST(CreatePathTest, StopsAtTheFirstFailureWithItsLevelAndLowByte) {
  FakeCreator creator;
  creator.codes = {{"C:\\a\\b", 3}};
  const std::optional<CreateFailure> failure = CreatePath("C:\\a\\b\\c", kWindowsPaths, creator.Fn());
  ASSERT_TRUE(failure.has_value());
  EXPECT_EQ(failure->level, "C:\\a\\b");
  EXPECT_EQ(failure->code, 3);
  EXPECT_EQ(creator.calls.size(), 2u);  // nothing is tried after the failing level

  // Codes are reduced to their low byte: 267 reads as 11, and 183 + 256 still means "exists".
  FakeCreator wide;
  wide.codes = {{"C:\\x", 267}, {"C:\\y", 183 + 256}};
  EXPECT_EQ(CreatePath("C:\\x", kWindowsPaths, wide.Fn())->code, 11);
  EXPECT_EQ(CreatePath("C:\\y", kWindowsPaths, wide.Fn()), std::nullopt);
}

}  // namespace
}  // namespace dirhop
