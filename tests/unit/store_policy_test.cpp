// The store's whole-file policy through a fake set of system calls: what it reads, what it
// refuses, how it names, writes and places a temporary file, and what it leaves when a call
// fails. The real calls are tested in store_platform_test.cpp.
#include "platform/store_policy.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/store_temp_name.h"

namespace dirhop::platform {
namespace {

// One folder, "/d", held in memory; every call that reaches the system is logged in order.
class FakeStoreSystemCalls final : public StoreSystemCalls {
 public:
  std::map<std::string, std::string> files;  // the folder's files by name, with their bytes
  std::optional<StoreTarget> resolved;       // what Resolve answers (default: the file or kMissing)
  StoreFileStatus open_status = StoreFileStatus::kOk;  // what opening an existing file answers
  bool tells_size = true;
  std::optional<std::size_t> told_size;      // a size told in place of the file's own
  std::optional<std::uint32_t> permissions;  // the old file's, as the system tells them
  bool read_fails = false;
  NameCase name_case = NameCase::kExact;
  std::set<std::string> held;  // names a save in progress holds: never removed as stale
  TemporaryOutcome unnamed = TemporaryOutcome::kUnsupported;  // what CreateUnnamedTemporary does
  bool unnamed_can_be_named = true;
  std::set<std::string> failing;  // the calls that fail, by name ("Write", "PutInPlace", ...)
  std::uint64_t next_random = 0;  // RandomNumber counts up from here
  // The stamp Resolve and OpenExisting give for the file (where the system gives stamps).
  std::optional<StoreFileStamp> stamp;
  std::vector<std::string> log;

  // The names in the log of the calls named `call`, each with its argument.
  std::vector<std::string> Calls(const std::string& call) const {
    std::vector<std::string> found;
    for (const std::string& entry : log) {
      if (entry == call || entry.rfind(call + " ", 0) == 0) found.push_back(entry);
    }
    return found;
  }
  bool AllClosed() const { return open_.empty(); }

  StoreTarget Resolve(const std::string& path) override {
    log.push_back("Resolve " + path);
    if (resolved) return *resolved;
    const bool exists = files.count(path.substr(3)) != 0;
    return {exists ? StoreFileStatus::kOk : StoreFileStatus::kMissing, path, false,
            exists ? stamp : std::nullopt};
  }
  OpenedStoreFile OpenExisting(const StoreTarget& target, OpenAccess access) override {
    log.push_back("OpenExisting " + target.path +
                  (access == OpenAccess::kReadWrite ? " read-write" : " write"));
    OpenedStoreFile opened;
    opened.status = open_status;
    if (open_status != StoreFileStatus::kOk) return opened;
    const std::string name = target.path.substr(3);
    opened.file = Open(name, files.at(name));
    if (tells_size) opened.size = told_size.value_or(files.at(name).size());
    opened.permissions = permissions;
    opened.stamp = stamp;
    return opened;
  }
  std::optional<std::size_t> Read(StoreHandle file, char* buffer, std::size_t size) override {
    log.push_back("Read " + std::to_string(size));
    if (read_fails) return std::nullopt;
    OpenFile& open = open_.at(file);
    const std::size_t got = open.bytes.copy(buffer, size, open.offset);
    open.offset += got;
    return got;
  }
  void Close(StoreHandle file) override {
    log.push_back("Close " + Label(file));
    open_.erase(file);
  }
  StorePathParts SplitPath(const std::string& path) override {
    const std::size_t slash = path.rfind('/');
    return {path.substr(0, slash), path.substr(slash + 1)};
  }
  std::optional<StoreHandle> OpenFolder(const std::string& folder) override {
    log.push_back("OpenFolder " + folder);
    if (failing.count("OpenFolder")) return std::nullopt;
    return Open("folder " + folder, "");
  }
  NameCase FileNameCase() override { return name_case; }
  void ListTemporaryCandidates(const StoreFolder& /*folder*/, const std::string& name,
                               const std::function<void(std::string_view)>& visit) override {
    log.push_back("ListTemporaryCandidates " + name);
    const std::map<std::string, std::string> listed = files;
    for (const auto& entry : listed) visit(entry.first);
  }
  void RemoveStaleTemporary(const StoreFolder& /*folder*/, const std::string& temporary) override {
    log.push_back("RemoveStaleTemporary " + temporary);
    if (!held.count(temporary)) files.erase(temporary);
  }
  void CloseFolder(const StoreFolder& folder) override { Close(folder.handle); }
  std::uint64_t RandomNumber() override { return next_random++; }
  CreatedTemporary CreateUnnamedTemporary(const StoreFolder& /*folder*/) override {
    log.push_back("CreateUnnamedTemporary");
    if (unnamed != TemporaryOutcome::kDone) return {unnamed, {}};
    return {TemporaryOutcome::kDone, Open("", "")};
  }
  TemporaryOutcome NameTemporary(const StoreFolder& /*folder*/, StoreHandle file,
                                 const std::string& name) override {
    log.push_back("NameTemporary " + name);
    if (!unnamed_can_be_named) return TemporaryOutcome::kUnsupported;
    if (files.count(name)) return TemporaryOutcome::kNameTaken;
    open_.at(file).name = name;
    files[name] = open_.at(file).bytes;
    return TemporaryOutcome::kDone;
  }
  CreatedTemporary CreateTemporary(const StoreFolder& /*folder*/,
                                   const std::string& name) override {
    log.push_back("CreateTemporary " + name);
    if (failing.count("CreateTemporary")) return {TemporaryOutcome::kFailed, {}};
    if (files.count(name)) return {TemporaryOutcome::kNameTaken, {}};
    files[name] = "";
    return {TemporaryOutcome::kDone, Open(name, "")};
  }
  bool SetPermissions(StoreHandle file, std::uint32_t mode) override {
    return Succeeds("SetPermissions", file, std::to_string(mode));
  }
  bool Write(StoreHandle file, std::string_view bytes) override {
    if (!Succeeds("Write", file, std::string(bytes))) return false;
    OpenFile& open = open_.at(file);
    open.bytes += bytes;
    if (!open.name.empty()) files[open.name] = open.bytes;
    return true;
  }
  bool FlushToDisk(StoreHandle file) override { return Succeeds("FlushToDisk", file, ""); }
  bool PutInPlace(const StoreFolder& /*folder*/, const StoreTemporary& temporary,
                  const std::string& name) override {
    if (!Succeeds("PutInPlace", temporary.file, name)) return false;
    files[name] = files.at(temporary.name);
    files.erase(temporary.name);
    return true;
  }
  void RemoveTemporary(const StoreFolder& /*folder*/, const StoreTemporary& temporary) override {
    log.push_back("RemoveTemporary " + temporary.name);
    files.erase(temporary.name);
  }

 private:
  struct OpenFile {
    std::string name;  // "" while a temporary file has no name
    std::string bytes;
    std::size_t offset = 0;
  };

  // The open file's name, or "(unnamed)".
  std::string Label(StoreHandle file) const {
    const std::string& name = open_.at(file).name;
    return name.empty() ? "(unnamed)" : name;
  }
  StoreHandle Open(const std::string& name, const std::string& bytes) {
    const StoreHandle handle = static_cast<StoreHandle>(++last_handle_);
    open_[handle] = {name, bytes, 0};
    return handle;
  }
  // Logs "<call> <file's name> <argument>"; false when `call` is one that fails.
  bool Succeeds(const std::string& call, StoreHandle file, const std::string& argument) {
    std::string entry = call + " " + Label(file);
    if (!argument.empty()) entry += " " + argument;
    log.push_back(entry);
    return !failing.count(call);
  }

  std::map<StoreHandle, OpenFile> open_;
  std::intptr_t last_handle_ = 2;
};

using Status = StoreFileStatus;

std::string Temporary(std::uint64_t random) { return TemporaryFileName("data", random); }

TEST(StorePolicyTest, AReadStopsOneBytePastTheLimit) {
  FakeStoreSystemCalls system;
  system.files["data"] = std::string(100, 'x');
  FileReadResult read = ReadFileForUpdate(system, "/d/data", 100);
  EXPECT_EQ(read.status, Status::kOk);
  EXPECT_EQ(read.bytes, std::string(100, 'x'));
  EXPECT_EQ(system.Calls("Read"), (std::vector<std::string>{"Read 101", "Read 1"}));
  EXPECT_EQ(system.log.front(), "Resolve /d/data");
  EXPECT_EQ(system.log[1], "OpenExisting /d/data read-write");
  EXPECT_EQ(system.log.back(), "Close data");

  // A told size under the limit is read in one piece and its end seen with one byte more, never
  // a whole chunk; a file that grew since it was told is still read whole.
  system.log.clear();
  read = ReadFileForUpdate(system, "/d/data", 1000);
  EXPECT_EQ(read.bytes, std::string(100, 'x'));
  EXPECT_EQ(system.Calls("Read"), (std::vector<std::string>{"Read 101", "Read 1"}));
  system.told_size = 40;
  system.log.clear();
  read = ReadFileForUpdate(system, "/d/data", 1000);
  EXPECT_EQ(read.status, Status::kOk);
  EXPECT_EQ(read.bytes, std::string(100, 'x'));
  system.told_size.reset();

  // A size the system tells that is over the limit spares the reading.
  system.files["data"] = std::string(101, 'x');
  system.log.clear();
  read = ReadFileForUpdate(system, "/d/data", 100);
  EXPECT_EQ(read.status, Status::kTooLarge);
  EXPECT_EQ(read.bytes, "");
  EXPECT_TRUE(system.Calls("Read").empty());

  // Without a size, the byte past the limit tells, and nothing past it is asked for.
  system.tells_size = false;
  system.log.clear();
  read = ReadFileForUpdate(system, "/d/data", 100);
  EXPECT_EQ(read.status, Status::kTooLarge);
  EXPECT_EQ(read.bytes, "");
  EXPECT_EQ(system.Calls("Read"), std::vector<std::string>{"Read 101"});

  // A large file comes in pieces no larger than one chunk.
  const std::string large(kStoreReadChunk + 10, 'y');
  system.files["data"] = large;
  system.log.clear();
  read = ReadFileForUpdate(system, "/d/data", large.size());
  EXPECT_EQ(read.status, Status::kOk);
  EXPECT_EQ(read.bytes, large);
  EXPECT_EQ(
      system.Calls("Read"),
      (std::vector<std::string>{"Read " + std::to_string(kStoreReadChunk), "Read 11", "Read 1"}));
  EXPECT_TRUE(system.AllClosed());
}

TEST(StorePolicyTest, AReadReportsWhyAFileIsNotRead) {
  for (Status refused : {Status::kMissing, Status::kUnreadable, Status::kNotRegular,
                         Status::kForeignLink, Status::kForeignTarget}) {
    FakeStoreSystemCalls system;
    system.files["data"] = "old";
    system.resolved = StoreTarget{refused, "/d/data", false, {}};
    EXPECT_EQ(ReadFileForUpdate(system, "/d/data", 100).status, refused);
    EXPECT_TRUE(system.Calls("OpenExisting").empty());  // nothing is opened for a refused path
  }
  for (Status refused :
       {Status::kMissing, Status::kUnreadable, Status::kNotRegular, Status::kForeignTarget}) {
    FakeStoreSystemCalls system;
    system.files["data"] = "old";
    system.open_status = refused;
    const FileReadResult read = ReadFileForUpdate(system, "/d/data", 100);
    EXPECT_EQ(read.status, refused);
    EXPECT_EQ(read.bytes, "");
    EXPECT_TRUE(system.Calls("Read").empty());
  }
  FakeStoreSystemCalls system;
  system.files["data"] = "old";
  system.read_fails = true;
  const FileReadResult read = ReadFileForUpdate(system, "/d/data", 100);
  EXPECT_EQ(read.status, Status::kUnreadable);
  EXPECT_EQ(read.bytes, "");
  EXPECT_TRUE(system.AllClosed());
}

TEST(StorePolicyTest, AStampedReadHoldsItsFileWhileTheStampIsKept) {
  FakeStoreSystemCalls system;
  system.files["data"] = "old";
  system.stamp = StoreFileStamp{1, 7, 3, 100, 200, nullptr};
  std::optional<FileReadResult> read = ReadFileForUpdate(system, "/d/data", 100);
  ASSERT_EQ(read->status, Status::kOk);
  ASSERT_TRUE(read->stamp);
  EXPECT_FALSE(system.AllClosed());
  EXPECT_TRUE(StoreFileUnchanged(system, "/d/data", *read->stamp));
  // Any field that differs tells another file, or the same one written since.
  for (std::uint64_t StoreFileStamp::*field :
       {&StoreFileStamp::device, &StoreFileStamp::file, &StoreFileStamp::size}) {
    system.stamp = StoreFileStamp{1, 7, 3, 100, 200, nullptr};
    ++((*system.stamp).*field);
    EXPECT_FALSE(StoreFileUnchanged(system, "/d/data", *read->stamp));
  }
  system.stamp = StoreFileStamp{1, 7, 3, 101, 200, nullptr};
  EXPECT_FALSE(StoreFileUnchanged(system, "/d/data", *read->stamp));
  system.stamp = StoreFileStamp{1, 7, 3, 100, 201, nullptr};
  EXPECT_FALSE(StoreFileUnchanged(system, "/d/data", *read->stamp));
  // A path that no longer leads to a file, or a system that tells no stamp, tells nothing.
  system.stamp.reset();
  EXPECT_FALSE(StoreFileUnchanged(system, "/d/data", *read->stamp));
  system.files.erase("data");
  system.stamp = StoreFileStamp{1, 7, 3, 100, 200, nullptr};
  EXPECT_FALSE(StoreFileUnchanged(system, "/d/data", *read->stamp));
  read.reset();
  EXPECT_TRUE(system.AllClosed());
}

TEST(StorePolicyTest, AReplacementWritesATemporaryFileAndPutsItInPlace) {
  FakeStoreSystemCalls system;
  system.files["data"] = "old";
  system.permissions = 0640;
  system.next_random = 7;
  ASSERT_EQ(ReplaceFileAtomically(system, "/d/data", "new"), Status::kOk);
  EXPECT_EQ(system.files, (std::map<std::string, std::string>{{"data", "new"}}));
  // The old file is opened for writing first, and the temporary file is held open until it has
  // taken the old one's place.
  const std::string temp = Temporary(7);
  EXPECT_EQ(system.log,
            (std::vector<std::string>{
                "Resolve /d/data", "OpenExisting /d/data write", "Close data", "OpenFolder /d",
                "ListTemporaryCandidates data", "CreateUnnamedTemporary", "CreateTemporary " + temp,
                "SetPermissions " + temp + " 416", "Write " + temp + " new", "FlushToDisk " + temp,
                "PutInPlace " + temp + " data", "Close " + temp, "Close folder /d"}));

  // A missing file is created, with the system's default permissions.
  system.files.clear();
  system.log.clear();
  ASSERT_EQ(ReplaceFileAtomically(system, "/d/data", "made"), Status::kOk);
  EXPECT_EQ(system.files, (std::map<std::string, std::string>{{"data", "made"}}));
  EXPECT_TRUE(system.Calls("OpenExisting").empty());
  EXPECT_TRUE(system.Calls("SetPermissions").empty());
  EXPECT_TRUE(system.AllClosed());
}

TEST(StorePolicyTest, AReplacementThatMayNotBeMadeWritesNothing) {
  struct Case {
    std::optional<StoreTarget> resolved;
    Status open_status;
    Status expected;
  };
  const std::vector<Case> cases = {
      {StoreTarget{Status::kNotRegular, "/d/data", false, {}}, Status::kOk, Status::kNotRegular},
      {StoreTarget{Status::kForeignLink, "/d/data", false, {}}, Status::kOk, Status::kForeignLink},
      {StoreTarget{Status::kForeignTarget, "/d/data", true, {}}, Status::kOk,
       Status::kForeignTarget},
      {StoreTarget{Status::kUnreadable, "/d/data", false, {}}, Status::kOk, Status::kWriteFailed},
      // The old file cannot be opened for writing, or turns out not to be one to replace.
      {std::nullopt, Status::kUnreadable, Status::kWriteFailed},
      {std::nullopt, Status::kMissing, Status::kWriteFailed},
      {std::nullopt, Status::kNotRegular, Status::kNotRegular},
      {std::nullopt, Status::kForeignTarget, Status::kForeignTarget},
      // Names no file can have.
      {StoreTarget{Status::kMissing, "/d/", false, {}}, Status::kOk, Status::kWriteFailed},
      {StoreTarget{Status::kMissing, "/d/.", false, {}}, Status::kOk, Status::kWriteFailed},
      {StoreTarget{Status::kMissing, "/d/..", false, {}}, Status::kOk, Status::kWriteFailed},
  };
  for (const Case& c : cases) {
    FakeStoreSystemCalls system;
    system.files["data"] = "old";
    system.resolved = c.resolved;
    system.open_status = c.open_status;
    SCOPED_TRACE(system.resolved ? system.resolved->path : "open");
    EXPECT_EQ(ReplaceFileAtomically(system, "/d/data", "new"), c.expected);
    EXPECT_EQ(system.files, (std::map<std::string, std::string>{{"data", "old"}}));
    EXPECT_TRUE(system.Calls("OpenFolder").empty());
  }
  FakeStoreSystemCalls system;
  system.files["data"] = "old";
  system.failing = {"OpenFolder"};
  EXPECT_EQ(ReplaceFileAtomically(system, "/d/data", "new"), Status::kWriteFailed);
  EXPECT_TRUE(system.Calls("CreateTemporary").empty());
  EXPECT_TRUE(system.AllClosed());
}

TEST(StorePolicyTest, ATakenTemporaryNameIsRetriedSixteenTimes) {
  FakeStoreSystemCalls system;
  system.files["data"] = "old";
  // Names of saves in progress, which the clean-up keeps.
  for (std::uint64_t random = 0; random < kTemporaryNameAttempts - 1; ++random) {
    system.files[Temporary(random)] = "theirs";
    system.held.insert(Temporary(random));
  }
  ASSERT_EQ(ReplaceFileAtomically(system, "/d/data", "new"), Status::kOk);
  EXPECT_EQ(system.files.at("data"), "new");
  EXPECT_EQ(system.Calls("CreateTemporary").size(), std::size_t{kTemporaryNameAttempts});
  EXPECT_EQ(
      system.Calls("PutInPlace"),
      std::vector<std::string>{"PutInPlace " + Temporary(kTemporaryNameAttempts - 1) + " data"});

  // One taken name more, and the save gives up with the old file as it was.
  system.files["data"] = "old";
  system.next_random = 0;
  system.files[Temporary(kTemporaryNameAttempts - 1)] = "theirs";
  system.held.insert(Temporary(kTemporaryNameAttempts - 1));
  system.log.clear();
  EXPECT_EQ(ReplaceFileAtomically(system, "/d/data", "new"), Status::kWriteFailed);
  EXPECT_EQ(system.files.at("data"), "old");
  EXPECT_EQ(system.Calls("CreateTemporary").size(), std::size_t{kTemporaryNameAttempts});
  EXPECT_EQ(system.files.size(), std::size_t{kTemporaryNameAttempts + 1});

  // Any other refusal ends the save at once.
  system.failing = {"CreateTemporary"};
  system.log.clear();
  EXPECT_EQ(ReplaceFileAtomically(system, "/d/data", "new"), Status::kWriteFailed);
  EXPECT_EQ(system.Calls("CreateTemporary").size(), 1u);
  EXPECT_TRUE(system.AllClosed());
}

TEST(StorePolicyTest, AFailedSaveRemovesItsTemporaryFileAndKeepsTheOldOne) {
  for (const char* failing : {"SetPermissions", "Write", "FlushToDisk", "PutInPlace"}) {
    SCOPED_TRACE(failing);
    FakeStoreSystemCalls system;
    system.files["data"] = "old";
    system.permissions = 0600;
    system.failing = {failing};
    EXPECT_EQ(ReplaceFileAtomically(system, "/d/data", "new"), Status::kWriteFailed);
    EXPECT_EQ(system.files, (std::map<std::string, std::string>{{"data", "old"}}));
    // Removed while still open, so no other run's clean-up can have taken the name meanwhile.
    const std::vector<std::string>& log = system.log;
    const auto removed = std::find(log.begin(), log.end(), "RemoveTemporary " + Temporary(0));
    ASSERT_NE(removed, log.end());
    EXPECT_LT(removed, std::find(log.begin(), log.end(), "Close " + Temporary(0)));
    EXPECT_TRUE(system.AllClosed());
  }
}

TEST(StorePolicyTest, AnUnnamedTemporaryFileIsNamedOnlyOnceItIsWhole) {
  FakeStoreSystemCalls system;
  system.files["data"] = "old";
  system.unnamed = TemporaryOutcome::kDone;
  ASSERT_EQ(ReplaceFileAtomically(system, "/d/data", "new"), Status::kOk);
  EXPECT_EQ(system.files, (std::map<std::string, std::string>{{"data", "new"}}));
  const auto created = std::find(system.log.begin(), system.log.end(), "CreateUnnamedTemporary");
  ASSERT_NE(created, system.log.end());
  EXPECT_EQ(
      std::vector<std::string>(created + 1, system.log.end()),
      (std::vector<std::string>{
          "Write (unnamed) new", "FlushToDisk (unnamed)", "NameTemporary " + Temporary(0),
          "PutInPlace " + Temporary(0) + " data", "Close " + Temporary(0), "Close folder /d"}));

  // Every name taken: the unnamed file is given back, and named files are tried.
  system.next_random = 0;
  for (std::uint64_t random = 0; random < kTemporaryNameAttempts; ++random) {
    system.files[Temporary(random)] = "theirs";
    system.held.insert(Temporary(random));
  }
  system.log.clear();
  ASSERT_EQ(ReplaceFileAtomically(system, "/d/data", "again"), Status::kOk);
  EXPECT_EQ(system.files.at("data"), "again");
  EXPECT_EQ(system.Calls("NameTemporary").size(), std::size_t{kTemporaryNameAttempts});
  EXPECT_EQ(system.Calls("CreateTemporary"),
            std::vector<std::string>{"CreateTemporary " + Temporary(kTemporaryNameAttempts)});
  // The unnamed file is given back before a named one is made.
  EXPECT_LT(std::find(system.log.begin(), system.log.end(), "Close (unnamed)"),
            std::find(system.log.begin(), system.log.end(), system.Calls("CreateTemporary")[0]));

  // A file that cannot be named at all is not tried under further names.
  system.unnamed_can_be_named = false;
  system.log.clear();
  ASSERT_EQ(ReplaceFileAtomically(system, "/d/data", "third"), Status::kOk);
  EXPECT_EQ(system.Calls("NameTemporary").size(), 1u);
  EXPECT_EQ(system.Calls("CreateTemporary").size(), 1u);

  // A failure to create or write it fails the save; a file without a name needs no removal.
  system.failing = {"Write"};
  system.log.clear();
  EXPECT_EQ(ReplaceFileAtomically(system, "/d/data", "new"), Status::kWriteFailed);
  EXPECT_TRUE(system.Calls("NameTemporary").empty());
  EXPECT_TRUE(system.Calls("RemoveTemporary").empty());
  EXPECT_TRUE(system.Calls("CreateTemporary").empty());
  system.failing.clear();
  system.unnamed = TemporaryOutcome::kFailed;
  system.log.clear();
  EXPECT_EQ(ReplaceFileAtomically(system, "/d/data", "new"), Status::kWriteFailed);
  EXPECT_TRUE(system.Calls("CreateTemporary").empty());
  EXPECT_EQ(system.files.at("data"), "third");
  EXPECT_TRUE(system.AllClosed());
}

TEST(StorePolicyTest, OnlyTemporaryFilesOfThisStoreAreRemovedAsStale) {
  for (NameCase name_case : {NameCase::kExact, NameCase::kIgnore}) {
    FakeStoreSystemCalls system;
    system.name_case = name_case;
    for (const char* name :
         {"data", "data.~dirhop-0a1b2c", "data.~dirhop-ABC123", "data.~dirhop-0a1b2",
          "data.~dirhop-0a1b2c!", "datb.~dirhop-0a1b2c", "other"}) {
      system.files[name] = "x";
    }
    ASSERT_EQ(ReplaceFileAtomically(system, "/d/data", "new"), Status::kOk);
    std::vector<std::string> removed = {"RemoveStaleTemporary data.~dirhop-0a1b2c"};
    if (name_case == NameCase::kIgnore) {
      removed.push_back("RemoveStaleTemporary data.~dirhop-ABC123");
    }
    EXPECT_EQ(system.Calls("RemoveStaleTemporary"), removed);
    // Before the new temporary file exists, which the clean-up must never meet.
    EXPECT_LT(std::find(system.log.begin(), system.log.end(), removed.back()),
              std::find(system.log.begin(), system.log.end(), "CreateUnnamedTemporary"));
  }
}

}  // namespace
}  // namespace dirhop::platform
