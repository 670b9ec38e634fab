#include "platform/store_temp_name.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace dirhop::platform {
namespace {

TEST(StoreTempNameTest, NamesAreTheFileNameAMarkAndSixCharacters) {
  EXPECT_EQ(TemporaryFileName("dirhop.dat", 0), "dirhop.dat.~dirhop-000000");
  EXPECT_EQ(TemporaryFileName("dirhop.dat", 35), "dirhop.dat.~dirhop-z00000");
  EXPECT_EQ(TemporaryFileName("registry", 36 + 2), "registry.~dirhop-210000");
  std::set<std::string> names;
  for (std::uint64_t random = 0; random < 5000; ++random) {
    const std::string name = TemporaryFileName("registry", random * 0x9E3779B97F4A7C15ull);
    EXPECT_TRUE(IsTemporaryFileName(name, "registry", NameCase::kExact)) << name;
    names.insert(name);
  }
  EXPECT_EQ(names.size(), 5000u);
}

TEST(StoreTempNameTest, OnlyExactlyThatPatternIsTakenForATemporaryFile) {
  const NameCase exact = NameCase::kExact;
  EXPECT_TRUE(IsTemporaryFileName("d.dat.~dirhop-a1b2c3", "d.dat", exact));
  for (const char* other : {"d.dat", "d.dat.~dirhop-", "d.dat.~dirhop-a1b2c",
                            "d.dat.~dirhop-a1b2c34", "d.dat.~dirhop-a1b2c!", "d.dat.~dirhop-a1b.c3",
                            "d.dat.~dirhop-A1B2C3", "d.dat.~DIRHOP-a1b2c3", "d.dat.dirhop-a1b2c3x",
                            "d.da.~dirhop-a1b2c3", "e.dat.~dirhop-a1b2c3", "xd.dat.~dirhop-a1b2c3",
                            "d.dat.XXXXXX", "d.dat.~dirhop-a1b2c3.~dirhop-a1b2c3"}) {
    EXPECT_FALSE(IsTemporaryFileName(other, "d.dat", exact)) << other;
  }
  EXPECT_FALSE(IsTemporaryFileName(".~dirhop-a1b2c3", "", exact));
  // Where names are compared without regard to case, so are these.
  EXPECT_TRUE(IsTemporaryFileName("D.DAT.~DIRHOP-A1B2C3", "d.dat", NameCase::kIgnore));
  EXPECT_FALSE(IsTemporaryFileName("D.DAT.~DIRHOP-A1B2C!", "d.dat", NameCase::kIgnore));
}

}  // namespace
}  // namespace dirhop::platform
