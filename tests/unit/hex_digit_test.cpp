#include "base/hex_digit.h"

#include <gtest/gtest.h>

#include <string>

namespace dirhop {
namespace {

TEST(HexDigitTest, ReadsBothCasesAndRefusesEveryOtherByte) {
  const std::string lower = "0123456789abcdef";
  const std::string upper = "0123456789ABCDEF";
  for (int byte = 0; byte < 256; ++byte) {
    const char c = static_cast<char>(byte);
    std::size_t expected = lower.find(c);
    if (expected == std::string::npos) expected = upper.find(c);
    const int want = expected == std::string::npos ? -1 : static_cast<int>(expected);
    EXPECT_EQ(HexDigit(c), want) << "byte " << byte;
  }
}

}  // namespace
}  // namespace dirhop
