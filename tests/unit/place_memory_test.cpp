// The memory of places: its records, frecency, aging, compaction, forgetting and importing, on
// the in-memory file system; then the same file on the real one (both builds).
#include "state/place_memory.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "state/place_import.h"
#include "support/fake_file_system.h"
#include "support/test_files.h"

namespace dirhop {
namespace {

constexpr UnixSeconds kNow = 1'700'000'000;
constexpr UnixSeconds kHour = 3600;
constexpr UnixSeconds kDay = 24 * kHour;

const PlaceFile kFile{"/data/places", PathCase::kSensitive};

class PlaceMemoryTest : public ::testing::Test {
 protected:
  PlaceMemory Load() { return PlaceMemory::Load(fs_, kFile, kNow); }

  // The places as "path visits", most frecent first.
  std::vector<std::string> Listed() {
    std::vector<std::string> listed;
    const PlaceMemory memory = Load();
    for (const RememberedPlace& place : memory.places()) {
      listed.push_back(std::string(place.path) + " " + std::to_string(place.visits));
    }
    return listed;
  }

  void Visit(const std::string& dir, UnixSeconds when, int times = 1) {
    for (int n = 0; n < times; ++n) {
      ASSERT_EQ(RecordVisit(fs_, kFile, dir, when), PlaceSave::kSaved);
    }
  }

  test::FakeFileSystem fs_{kPosixPaths, "/"};
};

TEST(PlaceFrecencyTest, RecentVisitsWeighMoreInSteps) {
  EXPECT_EQ(RecencyWeight(kNow - 59 * 60, kNow), 4);
  EXPECT_EQ(RecencyWeight(kNow - kHour, kNow), 2);
  EXPECT_EQ(RecencyWeight(kNow - kDay + 1, kNow), 2);
  EXPECT_EQ(RecencyWeight(kNow - kDay, kNow), 0.5);
  EXPECT_EQ(RecencyWeight(kNow - 7 * kDay, kNow), 0.25);
  EXPECT_EQ(Frecency(10, kNow - 30 * kDay, kNow), 2.5);
}

TEST_F(PlaceMemoryTest, PlacesRankByFrecencyNotByCountAlone) {
  Visit("/old/many", kNow - 30 * kDay, 10);  // 10 x 1/4 = 2.5
  Visit("/new/once", kNow - 60);             // 1 x 4 = 4
  Visit("/day/twice", kNow - 2 * kHour, 2);  // 2 x 2 = 4, but visited earlier than /new/once
  const PlaceMemory memory = Load();
  ASSERT_EQ(memory.places().size(), 3u);
  EXPECT_EQ(memory.places()[0].path, "/new/once");
  EXPECT_EQ(memory.places()[1].path, "/day/twice");
  EXPECT_EQ(memory.places()[2].path, "/old/many");
  EXPECT_DOUBLE_EQ(memory.places()[2].score, 2.5);
  EXPECT_EQ(memory.places()[2].last, kNow - 30 * kDay);
  ASSERT_NE(memory.Find("/old/many"), nullptr);
  EXPECT_EQ(memory.Find("/old/many")->visits, 10);
  EXPECT_EQ(memory.Find("/OLD/MANY"), nullptr);  // POSIX paths keep their case
}

TEST_F(PlaceMemoryTest, AJumpAppendsOneRecordAndReadsNothingElse) {
  Visit("/a b/line\nfeed", kNow);
  EXPECT_EQ(fs_.files[kFile.path], "V 1700000000 14 /a b/line\nfeed\n");
  EXPECT_EQ(fs_.log,
            (std::vector<std::string>{"LockStore /data/places", "AppendToPrivateFile /data/places",
                                      "UnlockStore /data/places"}));
  EXPECT_EQ(Load().places().at(0).path, "/a b/line\nfeed");
}

TEST_F(PlaceMemoryTest, DamagedAndTornRecordsAreSkippedAndTheRestKept) {
  fs_.files[kFile.path] =
      "# dirhop places 1 0\n"
      "P 2.500 1699990000 5 /kept\n"
      "V 1699990000 9 /torn/pa"  // a run killed mid-write: the next record follows it
      "V 1699990001 6 /after\n"  // read again from the next line on
      "P x 1 5 /bad1\n"          // not a number
      "V 1699990000 99 /bad2\n"  // its length runs past its line
      "garbage\n"
      "\n"
      "V 1699990002 6 /after\n"
      "V 1699990003 5 /tail";  // torn at the end of the file
  const PlaceMemory memory = Load();
  EXPECT_EQ(memory.damaged(), 5u);
  ASSERT_EQ(memory.places().size(), 2u);
  ASSERT_NE(memory.Find("/kept"), nullptr);
  EXPECT_EQ(memory.Find("/kept")->visits, 2.5);
  ASSERT_NE(memory.Find("/after"), nullptr);
  EXPECT_EQ(memory.Find("/after")->visits, 1);
  EXPECT_EQ(memory.Find("/after")->last, 1699990002);
}

TEST_F(PlaceMemoryTest, TimesOfAnyLengthReadExactlyAndABadByteAnywhereDamagesTheRecord) {
  // Times of 1 to 19 digits (the first eight may be read in one step), then a byte just outside
  // '0' to '9' at each of the first nine places.
  const std::string digits = "1234567890123456789";
  std::string text = "# dirhop places 1 0\n";
  for (std::size_t n = 1; n <= digits.size(); ++n) {
    text += "V " + digits.substr(0, n) + " 3 /" + std::to_string(n % 10) + std::to_string(n / 10) +
            "\n";
  }
  for (std::size_t at = 0; at < 9; ++at) {
    for (const char bad : {'/', ':', 'a'}) {
      std::string time = "170000000000";
      time[at] = bad;
      text += "V " + time + " 4 /bad\n";
    }
  }
  text += "V 99999999999999999999 4 /big\n";  // past the largest time
  fs_.files[kFile.path] = text;
  const PlaceMemory memory = Load();
  EXPECT_EQ(memory.damaged(), 28u);
  ASSERT_EQ(memory.places().size(), 19u);
  for (std::size_t n = 1; n <= digits.size(); ++n) {
    const RememberedPlace* place =
        memory.Find("/" + std::to_string(n % 10) + std::to_string(n / 10));
    ASSERT_NE(place, nullptr) << n;
    EXPECT_EQ(place->last, std::stoll(digits.substr(0, n))) << n;
  }
}

TEST_F(PlaceMemoryTest, AppendsPastTheBoundAreCompactedUnderTheLockLosingNothing) {
  // Enough visits of three places to pass the bound once.
  const std::size_t record = VisitRecord("/p/0", kNow).size();
  const int visits = static_cast<int>(kAppendedBound / record) + 3;
  for (int n = 0; n < visits; ++n) Visit("/p/" + std::to_string(n % 3), kNow - n);
  const std::string& text = fs_.files[kFile.path];
  EXPECT_EQ(fs_.Calls("ReplaceFileAtomically").size(), 1u);
  EXPECT_EQ(text.rfind("# dirhop places 1 ", 0), 0u) << text.substr(0, 80);
  EXPECT_LT(text.size(), 1024u);  // three P records and the visits since
  double total = 0;
  const PlaceMemory memory = Load();
  for (const RememberedPlace& place : memory.places()) total += place.visits;
  EXPECT_EQ(total, visits);
  EXPECT_EQ(Load().Find("/p/0")->last, kNow);
  // The compaction happened while the lock was held.
  const std::vector<std::string>& log = fs_.log;
  const auto replaced = std::find(log.begin(), log.end(), "ReplaceFileAtomically /data/places");
  ASSERT_NE(replaced, log.end());
  EXPECT_EQ(
      *std::find_if(replaced, log.end(),
                    [](const std::string& call) { return call.rfind("UnlockStore", 0) == 0; }),
      "UnlockStore /data/places");
  EXPECT_EQ(std::count(log.begin(), replaced, "LockStore /data/places") -
                std::count(log.begin(), replaced, "UnlockStore /data/places"),
            1);
}

TEST_F(PlaceMemoryTest, ABusyLockRecordsNothingAndAFileThatCannotBeWrittenFails) {
  fs_.busy_stores.insert(kFile.path);
  EXPECT_EQ(RecordVisit(fs_, kFile, "/x", kNow), PlaceSave::kBusy);
  EXPECT_EQ(ImportPlaces(fs_, kFile, {{"/y", 3, kNow}}, kNow), PlaceSave::kBusy);
  EXPECT_EQ(fs_.files.count(kFile.path), 0u);
  fs_.busy_stores.clear();
  fs_.unwritable.insert(kFile.path);
  EXPECT_EQ(RecordVisit(fs_, kFile, "/x", kNow), PlaceSave::kFailed);
  // A memory too large to read is never rewritten (it would lose all it holds).
  fs_.unwritable.clear();
  fs_.files[kFile.path] = "V 1 2 /z\n";
  fs_.store_statuses[kFile.path] = platform::StoreFileStatus::kTooLarge;
  EXPECT_EQ(ForgetPlaces(fs_, kFile, {"/z"}, kNow).save, PlaceSave::kFailed);
  EXPECT_EQ(fs_.Calls("ReplaceFileAtomically").size(), 0u);
}

TEST_F(PlaceMemoryTest, AgingPassesTheBoundOnlyByForgettingTheRarest) {
  // 10,000.5 visits together: every count is multiplied by 0.9 once, and a place left under one
  // visit is forgotten.
  ASSERT_EQ(ImportPlaces(fs_, kFile, {{"/big", 9999, kNow}, {"/small", 1.05, kNow}}, kNow),
            PlaceSave::kSaved);
  EXPECT_EQ(Listed(), (std::vector<std::string>{"/big 8999.100000"}));
  // Below the bound nothing ages.
  ASSERT_EQ(ImportPlaces(fs_, kFile, {{"/small", 1.05, kNow}}, kNow), PlaceSave::kSaved);
  EXPECT_EQ(Load().Find("/small")->visits, 1.05);
  EXPECT_EQ(Load().Find("/big")->visits, 8999.1);
}

TEST_F(PlaceMemoryTest, ForgettingRewritesTheFileWithoutThePlace) {
  Visit("/keep", kNow);
  Visit("/secret/project", kNow, 3);
  const ForgetResult forgot = ForgetPlaces(fs_, kFile, {"/secret/project", "/never"}, kNow);
  EXPECT_EQ(forgot.save, PlaceSave::kSaved);
  EXPECT_EQ(forgot.forgotten, 1u);
  EXPECT_EQ(fs_.files[kFile.path].find("secret"), std::string::npos);
  EXPECT_EQ(Listed(), (std::vector<std::string>{"/keep 1.000000"}));
  // Nothing remembered: nothing written.
  const std::size_t replaced = fs_.Calls("ReplaceFileAtomically").size();
  EXPECT_EQ(ForgetPlaces(fs_, kFile, {"/never"}, kNow).forgotten, 0u);
  EXPECT_EQ(fs_.Calls("ReplaceFileAtomically").size(), replaced);
}

TEST_F(PlaceMemoryTest, ImportingTwiceKeepsTheLargerCountInsteadOfAdding) {
  Visit("/mine", kNow - kDay, 5);
  const std::vector<ImportedPlace> imported = {{"/mine", 3, kNow - 2 * kDay},
                                               {"/theirs", 7.25, kNow - 3 * kDay}};
  ASSERT_EQ(ImportPlaces(fs_, kFile, imported, kNow), PlaceSave::kSaved);
  ASSERT_EQ(ImportPlaces(fs_, kFile, imported, kNow), PlaceSave::kSaved);
  const PlaceMemory memory = Load();
  EXPECT_EQ(memory.Find("/mine")->visits, 5);
  EXPECT_EQ(memory.Find("/mine")->last, kNow - kDay);
  EXPECT_EQ(memory.Find("/theirs")->visits, 7.25);
  EXPECT_EQ(memory.Find("/theirs")->last, kNow - 3 * kDay);
}

TEST_F(PlaceMemoryTest, WindowsPathsInAnyCaseAreOnePlace) {
  const PlaceFile file{"C:\\Users\\u\\places", PathCase::kInsensitive};
  test::FakeFileSystem fs(kWindowsPaths, "C:\\");
  RecordVisit(fs, file, "C:\\Work\\Src", kNow - 10);
  RecordVisit(fs, file, "c:\\work\\src", kNow);
  const PlaceMemory memory = PlaceMemory::Load(fs, file, kNow);
  ASSERT_EQ(memory.places().size(), 1u);
  EXPECT_EQ(memory.places()[0].path, "C:\\Work\\Src");  // the spelling met first
  EXPECT_EQ(memory.places()[0].visits, 2);
  EXPECT_EQ(memory.Find("C:\\WORK\\SRC"), &memory.places()[0]);
  EXPECT_EQ(ForgetPlaces(fs, file, {"C:\\WORK\\src"}, kNow).forgotten, 1u);
}

TEST(PlaceGlobTest, StarsQuestionMarksAndCase) {
  EXPECT_TRUE(MatchesGlob("/home/u", "/home/u", PathCase::kSensitive));
  EXPECT_FALSE(MatchesGlob("/home/u", "/home/u/x", PathCase::kSensitive));
  EXPECT_TRUE(MatchesGlob("/home/u/*", "/home/u/x/y", PathCase::kSensitive));
  EXPECT_TRUE(MatchesGlob("*/node_modules*", "/p/node_modules/x", PathCase::kSensitive));
  EXPECT_TRUE(MatchesGlob("/tmp/?", "/tmp/a", PathCase::kSensitive));
  EXPECT_FALSE(MatchesGlob("/tmp/?", "/tmp/ab", PathCase::kSensitive));
  EXPECT_FALSE(MatchesGlob("/Home/U", "/home/u", PathCase::kSensitive));
  EXPECT_TRUE(MatchesGlob("C:\\Temp\\*", "c:\\temp\\x", PathCase::kInsensitive));
  EXPECT_TRUE(MatchesGlob("*a*b*c", "xxaxxbxxbxc", PathCase::kSensitive));
  EXPECT_FALSE(MatchesGlob("*a*b*c", "xxaxxcxxbx", PathCase::kSensitive));
}

TEST(PlaceImportTest, ZAndFasdLinesWithBadOnesNumbered) {
  const ParsedImport parsed = ParseImport(ImportFormat::kZ,
                                          "/home/u/a|12.5|1699990000\n"
                                          "/home/u/pipe|in|name|3|1699000000\r\n"
                                          "\n"
                                          "relative|1|1\n"
                                          "/x|nope|1\n"
                                          "/future/|1|1800000000\n"
                                          "/no/time|2\n",
                                          kPosixPaths, kNow);
  ASSERT_EQ(parsed.places.size(), 3u);
  EXPECT_EQ(parsed.places[0].path, "/home/u/a");
  EXPECT_EQ(parsed.places[0].visits, 12.5);
  EXPECT_EQ(parsed.places[0].last, 1699990000);
  EXPECT_EQ(parsed.places[1].path, "/home/u/pipe|in|name");
  EXPECT_EQ(parsed.places[2].path, "/future");
  EXPECT_EQ(parsed.places[2].last, kNow);
  EXPECT_EQ(parsed.bad_lines, (std::vector<std::size_t>{4, 5, 7}));
}

TEST(PlaceImportTest, AutojumpWeightsAndZoxideScores) {
  const ParsedImport autojump = ParseImport(ImportFormat::kAutojump,
                                            "10.0\t/one visit\n"
                                            "31.622776601683793\t/ten\n"
                                            "12 /no/tab\n"
                                            "-4\t/negative\n",
                                            kPosixPaths, kNow);
  ASSERT_EQ(autojump.places.size(), 2u);
  EXPECT_DOUBLE_EQ(autojump.places[0].visits, 1);
  EXPECT_NEAR(autojump.places[1].visits, 10, 1e-9);
  EXPECT_EQ(autojump.places[1].last, kNow);
  EXPECT_EQ(autojump.bad_lines, (std::vector<std::size_t>{3, 4}));

  const ParsedImport zoxide = ParseImport(ImportFormat::kZoxide,
                                          "  48.0 /home/u/with space\n"
                                          "   1.5 C:\\not\\posix\n"
                                          "/only/a/path\n"
                                          "0.25 /tiny\n",
                                          kPosixPaths, kNow);
  ASSERT_EQ(zoxide.places.size(), 2u);
  EXPECT_EQ(zoxide.places[0].path, "/home/u/with space");
  EXPECT_EQ(zoxide.places[0].visits, 48);
  EXPECT_EQ(zoxide.places[1].visits, 0.25);
  EXPECT_EQ(zoxide.bad_lines, (std::vector<std::size_t>{2, 3}));

  const ParsedImport windows = ParseImport(
      ImportFormat::kZoxide, "2 C:\\Work\\\n3 \\\\server\\share\n4 /x\n", kWindowsPaths, kNow);
  ASSERT_EQ(windows.places.size(), 2u);
  EXPECT_EQ(windows.places[0].path, "C:\\Work");
  EXPECT_EQ(windows.bad_lines, (std::vector<std::size_t>{3}));
}

// The real file system: the file and its folders are made private, appends accumulate, and a
// compaction keeps the file's permissions.
TEST(PlaceMemoryFilesTest, TheMemoryFileIsPrivateAndSurvivesCompaction) {
  namespace fs = std::filesystem;
  test::TempDir dir("places");
  SystemFileSystem files;
  const bool windows = platform::ThisHostKind() == platform::HostKind::kWindows;
  const PlaceFile file{(dir.path() / "made" / "here" / "places").string(),
                       windows ? PathCase::kInsensitive : PathCase::kSensitive};
  const std::string place = windows ? "C:\\Work" : "/work";
  ASSERT_EQ(RecordVisit(files, file, place, kNow), PlaceSave::kSaved);
  EXPECT_EQ(test::ReadFile(file.path), VisitRecord(place, kNow));
  if (!windows) {
    EXPECT_EQ(fs::status(file.path).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(fs::status(dir.path() / "made").permissions() & fs::perms::all, fs::perms::owner_all);
  }
  const platform::AppendResult appended =
      files.AppendToPrivateFile(file.path, "V 1 2 /x\n", 4, platform::MissingFolders::kMake);
  EXPECT_TRUE(appended.written);
  EXPECT_EQ(appended.size, VisitRecord(place, kNow).size() + 9);
  EXPECT_EQ(appended.head, "V 17");
  ASSERT_EQ(ImportPlaces(files, file, {{place, 40, kNow}}, kNow), PlaceSave::kSaved);
  const PlaceMemory memory = PlaceMemory::Load(files, file, kNow);
  ASSERT_EQ(memory.places().size(), 2u);
  EXPECT_EQ(memory.places()[0].path, place);
  EXPECT_EQ(memory.places()[0].visits, 40);
  if (!windows) {
    EXPECT_EQ(fs::status(file.path).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);
  }
  // A memory beside a data file never makes the data file's folder.
  const std::string nowhere = (dir.path() / "nowhere" / "places").string();
  EXPECT_FALSE(
      files.AppendToPrivateFile(nowhere, "V 1 2 /x\n", 0, platform::MissingFolders::kFail).written);
  EXPECT_FALSE(fs::exists(dir.path() / "nowhere"));
  // A folder in place of the file is refused, not replaced.
  const std::string folder = (dir.path() / "folder").string();
  fs::create_directory(folder);
  EXPECT_FALSE(
      files.AppendToPrivateFile(folder, "V 1 2 /x\n", 0, platform::MissingFolders::kMake).written);
}

}  // namespace
}  // namespace dirhop
