// The POSIX platform services, on real directories and files. The cases are built on every host
// and skipped where the program is built for Windows.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <future>
#include <optional>
#include <regex>
#include <string>

#include "platform/ansi_colours.h"
#include "platform/platform.h"
#include "support/os_fixtures.h"
#include "support/scoped_env.h"
#include "support/test_files.h"

namespace dirhop::platform {
namespace {

namespace fs = std::filesystem;

using test::ReadFile;
using test::ScopedEnv;
using test::WriteFile;

class PlatformPosixTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (ThisHostKind() != HostKind::kPosix) GTEST_SKIP() << "POSIX build only";
    temp_.emplace("dirhop_platform_test");
    // The system reports the resolved path (macOS: /private/tmp).
    root_ = fs::canonical(temp_->path());
    start_dir_ = fs::current_path();
  }

  // The folder is removed only after the process has left it.
  void TearDown() override {
    if (temp_) fs::current_path(start_dir_);
  }

  std::optional<test::TempDir> temp_;
  fs::path root_;
  fs::path start_dir_;
};

TEST_F(PlatformPosixTest, ErrorLinesGoToStandardErrorAndTheRestToStandardOutput) {
  const fs::path out = root_ / "out";
  const fs::path error = root_ / "error";
  {
    test::RedirectedStandardStreams streams(out, error);
    ASSERT_TRUE(streams.redirected());
    ConsoleFailure failure = ConsoleFailure::kInput;
    std::unique_ptr<ConsoleDevice> device = OpenConsoleDevice(failure);
    ASSERT_NE(device, nullptr);
    EXPECT_FALSE(device->WritesToScreen());
    EXPECT_EQ(device->BufferSize(), std::nullopt);
    // As Console writes them: an error line, its line end in the normal colour with the next
    // text, a notice, then an error of two lines, each line end already inside.
    device->Write("before\n");
    device->SetAttribute(12);
    device->Write("Dirhop: wrong");
    device->SetAttribute(7);
    device->Write("\nafter\n");
    device->SetAttribute(14);
    device->Write("notice");
    device->SetAttribute(7);
    device->Write("\n");
    device->SetAttribute(12);
    device->Write("Dirhop: one\n        two\n");
    device->SetAttribute(7);
    device->Write("\n");
    device->Write("last\n");
  }
  // Files are not terminals: no colour bytes on either stream.
  EXPECT_EQ(ReadFile(out), "before\nafter\nnotice\n\nlast\n");
  EXPECT_EQ(ReadFile(error), "Dirhop: wrong\nDirhop: one\n        two\n");
}

TEST(AnsiColoursTest, TheProgramsColoursReadOnLightAndDarkThemes) {
  // Normal is the terminal's own colours; the others start from them, so none depends on what
  // came before.
  EXPECT_EQ(AnsiColourSequence(7), "\x1b[0m");
  EXPECT_EQ(AnsiColourSequence(10), "\x1b[0;1m");
  EXPECT_EQ(AnsiColourSequence(12), "\x1b[0;31m");
  EXPECT_EQ(AnsiColourSequence(14), "\x1b[0;35m");
  // No bright foreground (90-97) and none of yellow, green, cyan or white, which vanish on a
  // white background, nor blue or black, which vanish on a black one; any attribute.
  const std::regex unreadable(R"(\x1b\[0;(9[0-7]|3[023467])(;|m))");
  for (int attr = 0; attr < 256; ++attr) {
    const std::string sequence = AnsiColourSequence(static_cast<std::uint16_t>(attr));
    SCOPED_TRACE(attr);
    EXPECT_EQ(sequence.compare(0, 2, "\x1b["), 0);
    EXPECT_EQ(sequence.back(), 'm');
    if (attr == 7 || attr == 10 || attr == 12 || attr == 14) {
      EXPECT_FALSE(std::regex_search(sequence, unreadable));
    }
  }
  // A background keeps its colour, bright or not.
  EXPECT_EQ(AnsiColourSequence(0x1F), "\x1b[0;37;44m");
  EXPECT_EQ(AnsiColourSequence(0xC0), "\x1b[0;30;101m");
}

TEST_F(PlatformPosixTest, MountsComeFromTheSystemsTable) {
  if (!fs::exists("/proc/self/mountinfo")) GTEST_SKIP() << "no /proc/self/mountinfo";
  const MountPlace proc = MountOf("/proc/self/fd");
  EXPECT_EQ(proc.point, "/proc");
  EXPECT_FALSE(proc.remote);
  EXPECT_EQ(MountOf("/").point, "/");
}

TEST_F(PlatformPosixTest, ChangeDirectoryRoundTrip) {
  fs::create_directories(root_ / "a" / "b c");
  ASSERT_TRUE(ChangeDirectory((root_ / "a" / "b c").string()));
  EXPECT_EQ(CurrentDirectory(), (root_ / "a" / "b c").string());
  EXPECT_EQ(fs::current_path(), root_ / "a" / "b c");
  // A relative directory is taken from the current one.
  ASSERT_TRUE(ChangeDirectory(".."));
  EXPECT_EQ(CurrentDirectory(), (root_ / "a").string());
  // There are no drives: the "current directory of a drive" is the process's.
  EXPECT_EQ(DriveCurrentDirectory('C'), (root_ / "a").string());
  EXPECT_EQ(RawCommandLine(), std::nullopt);
}

TEST_F(PlatformPosixTest, FailedChangeLeavesTheCurrentDirectory) {
  WriteFile(root_ / "file", "x");
  ASSERT_TRUE(ChangeDirectory(root_.string()));
  EXPECT_FALSE(ChangeDirectory((root_ / "missing").string()));
  EXPECT_FALSE(ChangeDirectory((root_ / "file").string()));
  EXPECT_FALSE(ChangeDirectory(""));
  EXPECT_EQ(CurrentDirectory(), root_.string());
}

TEST_F(PlatformPosixTest, CurrentDirectoryOfAnyLength) {
  fs::path deep = root_;
  for (int level = 0; level < 20; ++level) deep /= std::string(60, static_cast<char>('a' + level));
  fs::create_directories(deep);
  ASSERT_GT(deep.string().size(), 1200u);
  ASSERT_TRUE(ChangeDirectory(deep.string()));
  EXPECT_EQ(CurrentDirectory(), deep.string());
  EXPECT_EQ(DriveCurrentDirectory('D'), deep.string());
}

TEST_F(PlatformPosixTest, GetEnvTreatsEmptyAsUnset) {
  ScopedEnv env;
  env.Set("DIRHOP_PLATFORM_TEST_VALUE", "a=b c");
  env.Set("DIRHOP_PLATFORM_TEST_EMPTY", "");
  EXPECT_EQ(GetEnv("DIRHOP_PLATFORM_TEST_VALUE"), std::optional<std::string>("a=b c"));
  EXPECT_EQ(GetEnv("DIRHOP_PLATFORM_TEST_EMPTY"), std::nullopt);
  EXPECT_EQ(GetEnv("DIRHOP_PLATFORM_TEST_NEVER_SET"), std::nullopt);
}

TEST_F(PlatformPosixTest, OwnFilePathIsTheTestProgram) {
  std::string own = OwnFilePath();
  fs::path path(own);
  EXPECT_TRUE(path.is_absolute()) << own;
  EXPECT_EQ(path.filename(), "dirhop_unit_tests") << own;
  EXPECT_TRUE(fs::is_regular_file(path)) << own;
}

TEST_F(PlatformPosixTest, WriteFileContentsCreatesAndReplaces) {
  fs::path file = root_ / "handoff.sh";
  ASSERT_TRUE(WriteFileContents(file.string(), "# rem\n"));
  EXPECT_EQ(ReadFile(file), "# rem\n");
  // A new file is private to the user.
  EXPECT_EQ(fs::status(file).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write);

  // A longer old content is cut away, not left behind the new bytes.
  WriteFile(file, "cd -- '/a/much/longer/directory/than/the/next'\n");
  ASSERT_TRUE(WriteFileContents(file.string(), "cd -- '/b'\n"));
  EXPECT_EQ(ReadFile(file), "cd -- '/b'\n");

  ASSERT_TRUE(WriteFileContents(file.string(), ""));
  EXPECT_EQ(fs::file_size(file), 0u);

  // Every byte arrives, NULs and all, however large.
  std::string big(1 << 20, '\0');
  for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 7);
  ASSERT_TRUE(WriteFileContents(file.string(), big));
  EXPECT_TRUE(ReadFile(file) == big);
}

TEST_F(PlatformPosixTest, WriteFileContentsNeverWritesThroughALink) {
  fs::path victim = root_ / "victim";
  WriteFile(victim, "precious");
  fs::path link = root_ / "link.sh";
  fs::create_symlink(victim, link);
  EXPECT_FALSE(WriteFileContents(link.string(), "cd -- '/x'\n"));
  EXPECT_EQ(ReadFile(victim), "precious");
  EXPECT_TRUE(fs::is_symlink(link));

  // A link to a file that does not exist yet must not create it.
  fs::path planted = root_ / "planted";
  fs::path dangling = root_ / "dangling.sh";
  fs::create_symlink(planted, dangling);
  EXPECT_FALSE(WriteFileContents(dangling.string(), "cd -- '/x'\n"));
  EXPECT_FALSE(fs::exists(planted));

  // A hard link is a second name of another file of the user's: neither name may be written,
  // and nothing is truncated.
  fs::path hard = root_ / "hard.sh";
  fs::create_hard_link(victim, hard);
  EXPECT_FALSE(WriteFileContents(hard.string(), "cd -- '/x'\n"));
  EXPECT_FALSE(WriteFileContents(victim.string(), "cd -- '/x'\n"));
  EXPECT_EQ(ReadFile(victim), "precious");
  EXPECT_EQ(fs::hard_link_count(victim), 2u);
  // Once the other name is gone the file is the hand-off file alone again.
  fs::remove(victim);
  ASSERT_TRUE(WriteFileContents(hard.string(), "cd -- '/x'\n"));
  EXPECT_EQ(ReadFile(hard), "cd -- '/x'\n");
}

TEST_F(PlatformPosixTest, WriteFileContentsFailsWithoutARegularFile) {
  fs::create_directory(root_ / "dir.sh");
  EXPECT_FALSE(WriteFileContents((root_ / "dir.sh").string(), "x"));
  EXPECT_TRUE(fs::is_directory(root_ / "dir.sh"));
  EXPECT_FALSE(WriteFileContents((root_ / "missing" / "handoff.sh").string(), "x"));
  EXPECT_FALSE(fs::exists(root_ / "missing"));
  // A device opens for writing but is no file of the user's.
  EXPECT_FALSE(WriteFileContents("/dev/null", "x"));
}

TEST_F(PlatformPosixTest, WriteFileContentsDoesNotWaitOnAPlantedFifo) {
  fs::path fifo = root_ / "fifo.sh";
  if (std::system(("mkfifo '" + fifo.string() + "'").c_str()) != 0 || !fs::is_fifo(fifo)) {
    GTEST_SKIP() << "mkfifo not available";
  }
  // Nobody reads the FIFO: a blocking open would never return. Should it block, opening the
  // reading end here releases it, so the case fails instead of hanging.
  auto writing =
      std::async(std::launch::async, [&fifo] { return WriteFileContents(fifo.string(), "x"); });
  if (writing.wait_for(std::chrono::seconds(5)) != std::future_status::ready) {
    ADD_FAILURE() << "WriteFileContents waited for a reader of the FIFO";
    std::ifstream reader(fifo, std::ios::binary);
  }
  EXPECT_FALSE(writing.get());
  EXPECT_TRUE(fs::is_fifo(fifo));
}

TEST_F(PlatformPosixTest, FallbackHandoffPathFollowsTheEnvironment) {
  ScopedEnv env;
  env.Set("XDG_RUNTIME_DIR", "/run/user/4242/");
  EXPECT_EQ(FallbackHandoffPath(), "/run/user/4242/dirhop2.sh");

  // An empty XDG_RUNTIME_DIR counts as unset; TMPDIR is used without its trailing slash.
  env.Set("XDG_RUNTIME_DIR", "");
  env.Set("TMPDIR", "/var/tmp/");
  std::string in_tmpdir = FallbackHandoffPath();
  std::smatch tmpdir_match;
  ASSERT_TRUE(
      std::regex_match(in_tmpdir, tmpdir_match, std::regex("/var/tmp/dirhop2-([0-9]+)\\.sh")))
      << in_tmpdir;

  env.Set("TMPDIR", "");
  std::string in_tmp = FallbackHandoffPath();
  std::smatch tmp_match;
  ASSERT_TRUE(std::regex_match(in_tmp, tmp_match, std::regex("/tmp/dirhop2-([0-9]+)\\.sh")))
      << in_tmp;
  // The user's number tells users apart; it is the same in both places.
  EXPECT_EQ(tmpdir_match[1].str(), tmp_match[1].str());
}

}  // namespace
}  // namespace dirhop::platform
