// Fuzz target: the three expansion passes of a typed path, ExpandFullPath and ParentDir, in both
// path syntaxes. Checks what each promises: bounded growth, no separators left doubled, text other
// than dots and separators kept in order, absolute results from absolute current directories, and
// parent steps that shorten a path down to its root and stay there.
//
// Input: byte 0 picks the syntax (odd: Windows, even: POSIX); the rest is "process\ndrive\nspec",
// the process's current directory, the current directory of every drive, and the typed path.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "base/drive_prefix.h"
#include "fuzz_check.h"
#include "match/path_syntax.h"
#include "match/paths.h"

namespace {

using dirhop::PathSyntax;

bool StartsWith(const std::string& text, const std::string& prefix) {
  return text.compare(0, prefix.size(), prefix) == 0;
}

// `text` without its dots and separators: what the dot pass must leave alone.
std::string Skeleton(const std::string& text, char separator) {
  std::string kept;
  for (char c : text) {
    if (c != '.' && c != separator) kept += c;
  }
  return kept;
}

// The root of an absolute path: "X:\" (Windows) or "/" (POSIX).
std::string RootOf(const std::string& absolute, PathSyntax syntax) {
  return syntax.drives ? absolute.substr(0, 3) : std::string(1, '/');
}

// True when `path` is absolute the way the current-directory calls return them.
bool IsAbsolute(const std::string& path, PathSyntax syntax) {
  if (syntax.drives) return dirhop::IsDriveAbsolute(path, '\\');
  return !path.empty() && path[0] == '/';
}

// `text` made into an absolute path, as a current-directory call would return it.
std::string AsCurrentDirectory(std::string text, PathSyntax syntax) {
  if (IsAbsolute(text, syntax)) return text;
  return (syntax.drives ? "C:\\" : "/") + text;
}

void CheckParentDir(const std::string& path, PathSyntax syntax) {
  const std::string parent = dirhop::ParentDir(path, syntax);
  FUZZ_CHECK(parent.size() <= path.size(), "a parent is never longer than its path");
  FUZZ_CHECK(StartsWith(path, parent), "a parent is a leading part of its path");
  if (!IsAbsolute(path, syntax)) return;
  // Climbing ends at the root within one step per character, and the root is its own parent.
  const std::string root = RootOf(path, syntax);
  std::string at = path;
  for (std::size_t steps = 0; at != root; ++steps) {
    FUZZ_CHECK(steps <= path.size(), "climbing reaches the root");
    const std::string up = dirhop::ParentDir(at, syntax);
    FUZZ_CHECK(up.size() < at.size(), "each step up below the root shortens the path");
    FUZZ_CHECK(IsAbsolute(up, syntax), "the parent of an absolute path is absolute");
    at = up;
  }
  FUZZ_CHECK(dirhop::ParentDir(root, syntax) == root, "a root is its own parent");
}

void CheckExpansions(std::string spec, PathSyntax syntax) {
  const char sep = syntax.separator;

  const std::string typed = spec;
  dirhop::UseNativeSeparators(spec, syntax);
  FUZZ_CHECK(spec.size() == typed.size(), "turning slashes keeps the length");
  if (syntax.separator == '\\') {
    FUZZ_CHECK(spec.find('/') == std::string::npos, "no slash is left on Windows");
  } else {
    FUZZ_CHECK(spec == typed, "POSIX paths are left alone");
  }

  const std::string before_stars = spec;
  std::size_t doubled = 0;
  for (std::size_t i = 0; i + 1 < spec.size(); ++i) {
    if (spec[i] == sep && spec[i + 1] == sep) ++doubled;
  }
  dirhop::ExpandDoubleSeparators(spec, syntax);
  FUZZ_CHECK(spec.size() == before_stars.size() + doubled, "one star per doubled separator");
  for (std::size_t i = 0; i + 1 < spec.size(); ++i) {
    FUZZ_CHECK(!(spec[i] == sep && spec[i + 1] == sep), "no doubled separator is left");
  }

  const std::string before_dots = spec;
  dirhop::ExpandDots(spec, syntax);
  // A lone dot doubles; a run of n >= 3 dots becomes n-1 steps of three characters less one.
  FUZZ_CHECK(spec.size() <= 3 * before_dots.size(), "the dot pass grows a path at most 3-fold");
  FUZZ_CHECK(Skeleton(spec, sep) == Skeleton(before_dots, sep),
             "the dot pass changes only dots and separators");
}

// Current directories from the fuzz input; ExpandFullPath asks nothing else of a file system.
class FuzzDirectories final : public dirhop::FileSystem {
 public:
  FuzzDirectories(const std::string& process, const std::string& drive)
      : process_(process), drive_(drive) {}
  std::string CurrentDirectory() override { return process_; }
  std::string DriveCurrentDirectory(char letter) override {
    FUZZ_CHECK(letter < 'a' || letter > 'z', "drive letters are asked for in upper case");
    std::string dir = drive_;
    dir[0] = letter;
    return dir;
  }
  bool ChangeDirectory(const std::string&) override { return Unasked(); }
  dirhop::platform::EnterFailure EnterDirectory(const std::string&) override {
    Unasked();
    return dirhop::platform::EnterFailure::kOther;
  }
  bool CurrentDirectoryRemoved() override { return Unasked(); }
  dirhop::platform::DirectoryListing ListSubdirectories(const std::string&) override {
    Unasked();
    return {};
  }
  std::optional<dirhop::platform::DirectoryIdentity> IdentifyDirectory(
      const std::string&) override {
    Unasked();
    return std::nullopt;
  }
  std::optional<std::string> DirectoryItselfName(const std::string&) override {
    Unasked();
    return std::nullopt;
  }
  dirhop::platform::MountPlace MountOf(const std::string&) override {
    Unasked();
    return {};
  }
  int CreateOneDirectory(const std::string&) override { return Unasked(); }
  std::size_t LongestWholePath() override { return Unasked(); }
  bool WriteFileContents(const std::string&, std::string_view) override { return Unasked(); }
  bool IsRegularFile(const std::string&) override { return Unasked(); }
  dirhop::platform::FileReadResult ReadFileForUpdate(const std::string&, std::size_t) override {
    Unasked();
    return {};
  }
  bool StoreFileUnchanged(const std::string&, const dirhop::platform::StoreFileStamp&) override {
    return Unasked();
  }
  dirhop::platform::StoreFileStatus ReplaceFileAtomically(const std::string&,
                                                          std::string_view) override {
    Unasked();
    return dirhop::platform::StoreFileStatus::kWriteFailed;
  }
  std::string SettingsKeyLocation() override {
    Unasked();
    return {};
  }
  dirhop::platform::OpenedSettingsKey OpenSettingsKey(const std::string&,
                                                      dirhop::platform::KeyOpening) override {
    Unasked();
    return {};
  }
  std::string TextFromOldStore(std::string_view, dirhop::platform::OldStore) override {
    Unasked();
    return {};
  }
  dirhop::platform::StoreLockResult LockStore(const std::string&, dirhop::platform::LockedStore,
                                              std::chrono::milliseconds) override {
    Unasked();
    return {};
  }
  bool ReadsTakeTheLock(dirhop::platform::LockedStore) override { return Unasked(); }
  dirhop::platform::AppendResult AppendToPrivateFile(const std::string&, std::string_view,
                                                     std::size_t,
                                                     dirhop::platform::MissingFolders) override {
    Unasked();
    return {};
  }

 private:
  static bool Unasked() {
    FUZZ_CHECK(false, "ExpandFullPath asks only for current directories");
    return false;
  }
  std::string process_;
  std::string drive_;
};

void CheckFullPath(const std::string& spec, const std::string& process, const std::string& drive,
                   PathSyntax syntax) {
  FuzzDirectories current(process, drive);
  const std::string full = dirhop::ExpandFullPath(spec, syntax, current);
  FUZZ_CHECK(full.size() <= spec.size() + process.size() + drive.size() + 3,
             "a full path is no longer than the typed path and its base");
  const bool unc = syntax.drives && StartsWith(spec, "\\\\");
  if (unc || IsAbsolute(spec, syntax)) {
    FUZZ_CHECK(full == spec, "an absolute or UNC path is returned as it is");
  } else if (syntax.drives) {
    FUZZ_CHECK(dirhop::IsDriveAbsolute(full, '\\'), "a full Windows path is drive-qualified");
  } else {
    FUZZ_CHECK(IsAbsolute(full, syntax), "a full POSIX path starts at the root");
  }
  CheckParentDir(full, syntax);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const PathSyntax syntax = (data[0] & 1) != 0 ? dirhop::kWindowsPaths : dirhop::kPosixPaths;
  const std::string_view rest(reinterpret_cast<const char*>(data) + 1, size - 1);
  const std::size_t first = rest.find('\n');
  const std::size_t second = first == std::string_view::npos ? first : rest.find('\n', first + 1);
  const std::string process(rest.substr(0, first));
  const std::string drive(
      first == std::string_view::npos
          ? std::string_view()
          : rest.substr(first + 1, second == std::string_view::npos ? second : second - first - 1));
  const std::string spec(second == std::string_view::npos ? std::string_view()
                                                          : rest.substr(second + 1));

  CheckExpansions(spec, syntax);
  CheckParentDir(spec, syntax);
  CheckParentDir(process, syntax);

  std::string expanded = spec;
  dirhop::UseNativeSeparators(expanded, syntax);
  dirhop::ExpandDoubleSeparators(expanded, syntax);
  dirhop::ExpandDots(expanded, syntax);
  // The drive directory is a drive-qualified one whose letter the fake puts in (Windows).
  const std::string process_dir = AsCurrentDirectory(process, syntax);
  const std::string drive_dir = AsCurrentDirectory(drive, syntax);
  CheckFullPath(spec, process_dir, drive_dir, syntax);
  CheckFullPath(expanded, process_dir, drive_dir, syntax);
  return 0;
}
