#include "core/error_text.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <string>

namespace dirhop {
namespace {

// Every numbered message as the user sees it: the drive placeholder already reads C.
const std::map<int, std::string>& ExpectedTexts() {
  static const std::map<int, std::string> texts = {
      {1, "Invalid function number"},
      {2, "File not found"},
      {3, "Path not found"},
      {4, "Too many open files"},
      {5, "File access denied"},
      {6, "Invalid file handle"},
      {12, "Invalid file access code"},
      {15, "Invalid drive number"},
      {16, "Cannot remove current folder "},
      {17, "Cannot rename across drives"},
      {18, "No more files"},
      {50, "Network request not supported"},
      {51, "Remote computer not listening"},
      {52, "Duplicate name on network"},
      {53, "Computer name in network path cannot be located"},
      {54, "Network busy"},
      {55, "Network device no longer exists"},
      {56, "Net BIOS command limit exceeded"},
      {57, "Network adapter hardware error"},
      {58, "Incorrect response from network"},
      {59, "Unexpected network error"},
      {60, "Incompatible remote adapter"},
      {65, "Access denied"},
      {66, "Network device type incorrect"},
      {67, "Shared network name was not found"},
      {70, "Temporarily paused"},
      {71, "Network request not accepted"},
      {86, "Invalid password"},
      {100, "File is wrong format (read past EOF)"},
      {101, "Disk full"},
      {102, "File not assigned"},
      {103, "File not open"},
      {104, "File not open for input"},
      {105, "File not open for output"},
      {106, "Invalid numeric format"},
      {150, "Disk is write-protected in drive C:"},
      {151, "Bad drive request struct length on drive C:"},
      {152, "Disk not ready in drive C: (Door open?)"},
      {154, "Data integrity error on drive C:"},
      {156, "Disk seek error on drive C:"},
      {157, "Unknown media type in drive C:"},
      {158, "Sector not found on drive C:"},
      {159, "Printer out of paper"},
      {160, "Device write fault"},
      {161, "Device read fault"},
      {162, "Hardware failure on drive C:"},
      {163, "Bad memory image of FAT on drive C:"},
      {164, "Device access error"},
      {165, "Replace diskette in drive C:"},
      {200, "Division by zero"},
      {201, "Range check error"},
      {202, "Stack overflow error"},
      {203, "Heap overflow error (out of memory)"},
      {204, "Invalid pointer operation"},
      {205, "Floating point overflow"},
      {206, "Floating point underflow"},
      {207, "Invalid floating point operation"},
      {208, "Overlay manager not installed"},
      {209, "Overlay file read error"},
      {210, "Object not initialized"},
      {211, "Call to abstract method"},
      {212, "Stream registration error"},
      {213, "Collection index out of range"},
      {214, "Collection overflow error"},
      {215, "Arithmetic overflow error"},
      {216, "General Protection fault"},
  };
  return texts;
}

TEST(ErrorTextTest, EveryNumberHasItsTextOrTheGenericOne) {
  for (int code = 0; code <= 255; ++code) {
    const auto found = ExpectedTexts().find(code);
    const std::string expected =
        found != ExpectedTexts().end() ? found->second : "Unexpected error " + std::to_string(code);
    EXPECT_EQ(ErrorText(static_cast<std::uint8_t>(code)), expected) << "number " << code;
  }
}

TEST(ErrorTextTest, GenericTextCarriesTheEightBitNumber) {
  EXPECT_EQ(ErrorText(0), "Unexpected error 0");
  EXPECT_EQ(ErrorText(255), "Unexpected error 255");
  EXPECT_EQ(ErrorText(7), "Unexpected error 7");
  // A wider code reaches the table as its low byte: 267 reads as 11.
  EXPECT_EQ(ErrorText(static_cast<std::uint8_t>(267)), "Unexpected error 11");
  EXPECT_EQ(ErrorText(static_cast<std::uint8_t>(256 + 3)), "Path not found");
}

TEST(ErrorTextTest, DriveTextsNameDriveCAndOnlyNumber16EndsInASpace) {
  EXPECT_EQ(ErrorText(152), "Disk not ready in drive C: (Door open?)");
  for (int code = 0; code <= 255; ++code) {
    const std::string text = ErrorText(static_cast<std::uint8_t>(code));
    ASSERT_FALSE(text.empty()) << "number " << code;
    EXPECT_EQ(text.find('%'), std::string::npos) << "number " << code;
    EXPECT_NE(text.back(), '.') << "number " << code;
    EXPECT_EQ(text.back() == ' ', code == 16) << "number " << code;
  }
}

}  // namespace
}  // namespace dirhop
