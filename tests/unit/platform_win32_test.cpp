// Tests of the Windows platform layer. They are written against platform.h, not windows.h, so the
// file builds everywhere; on other hosts every test skips itself at run time.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>

#include "base/case_folding.h"
#include "platform/platform.h"
#include "support/test_files.h"

namespace dirhop::platform {
namespace {

namespace fs = std::filesystem;

bool EndsWithIgnoringCase(const std::string& text, const std::string& tail) {
  return text.size() >= tail.size() &&
         SameIgnoringCase(std::string_view(text).substr(text.size() - tail.size()), tail);
}

using test::ReadFile;

bool DriveExists(char letter) {
  std::error_code error;
  return fs::exists(std::string(1, letter) + ":\\", error);
}

// Each test gets a fresh folder under the temporary directory and finds the process's current
// directory as it was before.
class PlatformWin32Test : public ::testing::Test {
 protected:
  void SetUp() override {
    if (ThisHostKind() != HostKind::kWindows) GTEST_SKIP() << "Windows platform layer only";
    saved_ = CurrentDirectory();
    ASSERT_FALSE(saved_.empty());
    temp_.emplace("dirhop_platform");
    root_ = temp_->path();
  }

  // The folder is removed only after the process has left it.
  void TearDown() override {
    if (!saved_.empty()) ChangeDirectory(saved_);
  }

  std::string saved_;
  std::optional<test::TempDir> temp_;
  fs::path root_;
};

TEST_F(PlatformWin32Test, ChangeDirectoryMakesTheDirectoryCurrent) {
  const fs::path sub = root_ / "Sub Dir.x";
  fs::create_directories(sub / "inner");

  ASSERT_TRUE(ChangeDirectory(sub.string()));
  EXPECT_EQ(CurrentDirectory(), sub.string());
  EXPECT_TRUE(fs::equivalent(fs::current_path(), sub));

  ASSERT_TRUE(ChangeDirectory("inner"));
  EXPECT_EQ(CurrentDirectory(), (sub / "inner").string());
  ASSERT_TRUE(ChangeDirectory(".."));
  EXPECT_EQ(CurrentDirectory(), sub.string());
}

TEST_F(PlatformWin32Test, ChangeDirectoryToSomethingMissingFailsAndChangesNothing) {
  ASSERT_TRUE(ChangeDirectory(root_.string()));
  test::WriteFile(root_ / "file.txt", "x");

  EXPECT_FALSE(ChangeDirectory((root_ / "missing").string()));
  EXPECT_FALSE(ChangeDirectory((root_ / "file.txt").string()));
  EXPECT_FALSE(ChangeDirectory(""));
  EXPECT_EQ(CurrentDirectory(), root_.string());
}

TEST_F(PlatformWin32Test, DriveCurrentDirectoryOfTheCurrentDriveIsTheCurrentDirectory) {
  const fs::path sub = root_ / "deep";
  fs::create_directories(sub);
  ASSERT_TRUE(ChangeDirectory(sub.string()));
  const std::string cwd = CurrentDirectory();
  ASSERT_GE(cwd.size(), 3u);
  ASSERT_EQ(cwd[1], ':');

  const char letter = UpperChar(cwd[0]);
  EXPECT_EQ(DriveCurrentDirectory(letter), cwd);
  EXPECT_EQ(DriveCurrentDirectory(static_cast<char>(std::tolower(letter))), cwd);
  EXPECT_EQ(CurrentDirectory(), cwd);
}

TEST_F(PlatformWin32Test, DriveCurrentDirectoryOfAnotherDriveRestoresTheCurrentDirectory) {
  ASSERT_TRUE(ChangeDirectory(root_.string()));
  const std::string cwd = CurrentDirectory();
  const char current = UpperChar(cwd[0]);

  char unused = 0;
  char other = 0;
  for (char letter = 'Z'; letter >= 'C'; --letter) {
    if (letter == current) continue;
    if (DriveExists(letter)) {
      if (other == 0) other = letter;
    } else if (unused == 0) {
      unused = letter;
    }
  }

  // A drive that cannot be made current answers with the process's current directory.
  ASSERT_NE(unused, 0) << "every drive letter is in use";
  EXPECT_EQ(DriveCurrentDirectory(unused), cwd);
  EXPECT_EQ(CurrentDirectory(), cwd);

  if (other != 0) {
    const std::string dir = DriveCurrentDirectory(other);
    ASSERT_GE(dir.size(), 3u) << dir;
    EXPECT_EQ(UpperCase(dir.substr(0, 3)), std::string(1, other) + ":\\");
    EXPECT_EQ(CurrentDirectory(), cwd);
  }
}

TEST_F(PlatformWin32Test, WriteFileContentsCreatesAndTruncatesWithExactBytes) {
  const fs::path file = root_ / "handoff.bat";
  const std::string bytes("rem\r\nline\nnul\0high\xff", 19);

  ASSERT_TRUE(WriteFileContents(file.string(), bytes));
  EXPECT_EQ(ReadFile(file), bytes);  // no text-mode translation

  ASSERT_TRUE(WriteFileContents(file.string(), std::string(5000, 'L')));
  ASSERT_TRUE(WriteFileContents(file.string(), "short"));
  EXPECT_EQ(ReadFile(file), "short");

  ASSERT_TRUE(WriteFileContents(file.string(), ""));
  EXPECT_TRUE(fs::exists(file));
  EXPECT_EQ(fs::file_size(file), 0u);
}

TEST_F(PlatformWin32Test, WriteFileContentsFailsInAMissingFolder) {
  const fs::path missing = root_ / "missing";
  EXPECT_FALSE(WriteFileContents((missing / "dirhop2.bat").string(), "rem\r\n"));
  EXPECT_FALSE(fs::exists(missing));
  EXPECT_FALSE(WriteFileContents(root_.string(), "rem\r\n"));  // a folder is not a file
}

TEST_F(PlatformWin32Test, GetEnvReadsTheProcessEnvironment) {
  EXPECT_EQ(GetEnv("DIRHOP_TEST_VARIABLE_THAT_IS_NEVER_SET_3F9A"), std::nullopt);

  int compared = 0;
  for (const char* name : {"PATH", "windir", "SystemRoot", "ComSpec"}) {
    const char* expected = std::getenv(name);
    if (expected == nullptr || *expected == '\0') continue;
    ++compared;
    EXPECT_EQ(GetEnv(name), std::optional<std::string>(expected)) << name;
    // Names are not case-sensitive on Windows.
    EXPECT_EQ(GetEnv(UpperCase(name).c_str()), std::optional<std::string>(expected)) << name;
  }
  EXPECT_GT(compared, 0);
}

TEST_F(PlatformWin32Test, OwnFilePathAndCommandLineNameThisProgram) {
  const std::string own = OwnFilePath();
  EXPECT_TRUE(EndsWithIgnoringCase(own, "\\dirhop_unit_tests.exe")) << own;
  EXPECT_TRUE(fs::path(own).is_absolute()) << own;
  EXPECT_TRUE(fs::exists(own)) << own;

  const std::optional<std::string> line = RawCommandLine();
  ASSERT_TRUE(line.has_value());
  EXPECT_NE(UpperCase(*line).find("DIRHOP_UNIT_TESTS"), std::string::npos) << *line;
  EXPECT_EQ(FallbackHandoffPath(), "");
}

// Run only as a child of the next test, with output going to a file and input from NUL.
TEST(ConsoleDeviceProbe, DISABLED_ReportRedirectedConsole) {
  ConsoleFailure failure = ConsoleFailure::kInput;
  std::unique_ptr<ConsoleDevice> device = OpenConsoleDevice(failure);
  ASSERT_NE(device, nullptr);
  EXPECT_EQ(failure, ConsoleFailure::kNone);
  device->Write(device->BufferSize() ? "size:known\n" : "size:unknown\n");
  device->SetAttribute(12);
  device->Write("red\n");
  device->SetAttribute(7);
  const Key key = device->ReadKey().value_or(kKeyReadFailure);
  device->Write("key:" + std::to_string(key.ch) + "," + std::to_string(key.ext) + "\n");
}

TEST_F(PlatformWin32Test, ConsoleDeviceWithRedirectedOutputAndInput) {
  const fs::path out = root_ / "probe.txt";
  // cmd strips the outermost pair of quotes, which keeps the quoted program path intact.
  const std::string command = "\"\"" + OwnFilePath() +
                              "\" --gtest_also_run_disabled_tests"
                              " --gtest_filter=ConsoleDeviceProbe.DISABLED_ReportRedirectedConsole"
                              " <NUL >\"" +
                              out.string() + "\"\"";
  ASSERT_EQ(std::system(command.c_str()), 0) << command;

  // No buffer size, colours add no bytes, text mode writes CRLF, and a key read from something
  // that is not a console fails at once.
  const std::string text = ReadFile(out);
  EXPECT_NE(text.find("size:unknown\r\nred\r\nkey:0,79\r\n"), std::string::npos) << text;
}

}  // namespace
}  // namespace dirhop::platform
