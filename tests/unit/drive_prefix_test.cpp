#include "base/drive_prefix.h"

#include <gtest/gtest.h>

namespace dirhop {
namespace {

TEST(DrivePrefixTest, TheSecondCharacterIsTheColon) {
  EXPECT_TRUE(HasDrivePrefix("C:"));
  EXPECT_TRUE(HasDrivePrefix("d:sub"));
  EXPECT_TRUE(HasDrivePrefix("1:x"));  // any byte before the colon; IsDriveLetter judges it
  EXPECT_FALSE(HasDrivePrefix("C"));
  EXPECT_FALSE(HasDrivePrefix(":x"));
  EXPECT_FALSE(HasDrivePrefix("ab:c"));
  EXPECT_FALSE(HasDrivePrefix(""));
}

TEST(DrivePrefixTest, AbsoluteWhenTheGivenSeparatorFollows) {
  EXPECT_TRUE(IsDriveAbsolute("C:\\", '\\'));
  EXPECT_TRUE(IsDriveAbsolute("c:\\Work", '\\'));
  EXPECT_TRUE(IsDriveAbsolute("C:/Work", '/'));
  EXPECT_FALSE(IsDriveAbsolute("C:/Work", '\\'));
  EXPECT_FALSE(IsDriveAbsolute("C:", '\\'));
  EXPECT_FALSE(IsDriveAbsolute("C:Work", '\\'));
  EXPECT_FALSE(IsDriveAbsolute("\\\\srv\\share", '\\'));
}

TEST(DrivePrefixTest, DriveLettersAreTheUpperCaseLetters) {
  EXPECT_TRUE(IsDriveLetter('A'));
  EXPECT_TRUE(IsDriveLetter('Z'));
  EXPECT_FALSE(IsDriveLetter('@'));  // the bytes just outside A-Z
  EXPECT_FALSE(IsDriveLetter('['));
  EXPECT_FALSE(IsDriveLetter('c'));  // callers upper-case the letter first
  EXPECT_FALSE(IsDriveLetter('\0'));
}

}  // namespace
}  // namespace dirhop
