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
#include <vector>

#include "base/case_folding.h"
#include "platform/platform.h"
#include "platform/wide_text.h"
#include "support/os_fixtures.h"
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

TEST_F(PlatformWin32Test, AShareIsARemoteMountAndALocalDriveIsNot) {
  // A share is known by its name alone: nothing is sent to the server.
  const MountPlace share = MountOf("\\\\server\\share\\docs\\x");
  EXPECT_EQ(share.point, "\\\\server\\share\\");
  EXPECT_TRUE(share.remote);
  const MountPlace drive = MountOf("c:\\windows\\system32");
  EXPECT_EQ(drive.point, "C:\\");
  EXPECT_FALSE(drive.remote);
}

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

// Names in every script reach Windows as their characters and come back exactly: listed, created,
// identified, entered, named as the current directory, and written to as files. The unpaired
// surrogate is a name Windows allows and no UTF-8 can hold; WTF-8 carries it.
TEST_F(PlatformWin32Test, NamesInEveryScriptAndUnpairedSurrogatesRoundTrip) {
  std::vector<std::u16string> wide_names = {
      u"\u00dcbung caf\u00e9",                              // accents of code page 850 and 1252
      u"\u65e5\u672c\u8a9e",                                // CJK: in no Western code page
      u"\u0395\u03bb\u03bb\u03b7\u03bd\u03b9\u03ba\u03ac",  // Greek
      u"a\U0001F600b",                                      // an emoji: a surrogate pair
  };
  const std::string unpaired = TextFromUtf16(u"x" + std::u16string(1, char16_t(0xD800)) + u"y");
  ASSERT_TRUE(ChangeDirectory(root_.string()));
  if (test::RunsUnderWine()) {
    // Wine keeps names as UTF-8 on the Unix side and refuses one that UTF-8 cannot hold; no
    // look-alike name is made instead.
    EXPECT_NE(CreateOneDirectory((root_ / "").string() + unpaired), 0);
  } else {
    wide_names.push_back(u"x" + std::u16string(1, char16_t(0xD800)) + u"y");
  }
  std::vector<std::string> names;
  for (const std::u16string& wide : wide_names) {
    const std::string name = TextFromUtf16(wide);
    names.push_back(name);
    ASSERT_EQ(CreateOneDirectory((root_ / "").string() + name), 0) << name;
    EXPECT_EQ(CreateOneDirectory(name), 183) << name;  // relative: the same directory
  }
  // Windows itself holds the characters, not code-page bytes.
  std::vector<std::u16string> on_disk;
  for (const auto& entry : fs::directory_iterator(root_)) {
    const std::wstring native = entry.path().filename().wstring();
    on_disk.emplace_back(native.begin(), native.end());
  }
  std::sort(on_disk.begin(), on_disk.end());
  std::vector<std::u16string> expected = wide_names;
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(on_disk, expected);

  const DirectoryListing listing = ListSubdirectories(root_.string());
  std::vector<std::string> listed;
  for (std::size_t i = 0; i < listing.names.size(); ++i) listed.emplace_back(listing.names[i]);
  std::sort(listed.begin(), listed.end());
  std::vector<std::string> sorted_names = names;
  std::sort(sorted_names.begin(), sorted_names.end());
  EXPECT_EQ(listed, sorted_names);

  for (const std::string& name : names) {
    const std::string path = (root_ / "").string() + name;
    EXPECT_TRUE(IdentifyDirectory(path).has_value()) << name;
    EXPECT_NE(IdentifyDirectory(path), IdentifyDirectory(root_.string())) << name;
    ASSERT_TRUE(ChangeDirectory(path)) << name;
    EXPECT_EQ(CurrentDirectory(), path);
    EXPECT_EQ(IdentifyDirectory("."), IdentifyDirectory(path)) << name;
    EXPECT_FALSE(CurrentDirectoryRemoved()) << name;
    // A file inside, by its full name, as the hand-off and the store write theirs.
    const std::string file = path + "\\" + name + ".bat";
    ASSERT_TRUE(WriteFileContents(file, "rem\r\n")) << name;
    EXPECT_TRUE(IsRegularFile(file)) << name;
    EXPECT_FALSE(IsRegularFile(path)) << name;
    ASSERT_TRUE(ChangeDirectory(".."));
    EXPECT_EQ(CurrentDirectory(), root_.string());
  }
}

// The environment, the command line and the program's path arrive as UTF-8 whatever the code
// pages (each of these values is outside code page 1252 or 850).
TEST_F(PlatformWin32Test, EnvironmentValuesArriveAsUtf8) {
  const std::string name = "DIRHOP_TEST_\xc3\x9c";  // a name with an accent too
  const std::string value = "C:\\Users\\M\xc3\xbcller\\\xe6\x97\xa5\xe6\x9c\xac\\\xce\xb1";
  ASSERT_TRUE(test::SetEnvironmentText(name, value));
  EXPECT_EQ(GetEnv(name.c_str()), value);
  // Longer than the first buffer GetEnv tries.
  std::string long_value;
  while (long_value.size() < 1000) long_value += "\xe6\x97\xa5x";
  ASSERT_TRUE(test::SetEnvironmentText(name, long_value));
  EXPECT_EQ(GetEnv(name.c_str()), long_value);
  ASSERT_TRUE(test::SetEnvironmentText(name, std::nullopt));
  EXPECT_EQ(GetEnv(name.c_str()), std::nullopt);
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
  device->Write(device->WritesToScreen() ? "screen\n" : "file\n");
  // UTF-8, one character split between two writes.
  device->Write(
      "\xc3\x9c"
      "bung \xe6\x97");
  device->Write("\xa5\n");
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

  // No buffer size, not a screen (the pager never waits), UTF-8 unchanged (what a wrapper
  // reads), colours add no bytes, text mode writes CRLF, and a key read from something that is
  // not a console fails at once.
  const std::string text = ReadFile(out);
  EXPECT_NE(text.find("size:unknown\r\nfile\r\n\xc3\x9c"
                      "bung \xe6\x97\xa5\r\nred\r\nkey:0,79\r\n"),
            std::string::npos)
      << text;
}

}  // namespace
}  // namespace dirhop::platform
