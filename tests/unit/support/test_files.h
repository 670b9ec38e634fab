// Real files for the tests that work on the file system: a folder of their own that goes away
// afterwards, and whole-file reads and writes that keep every byte.
#pragma once

#include <filesystem>
#include <string>

namespace dirhop::test {

// A new, empty folder under the system's temporary directory, removed with all it holds (and
// whatever permissions a test took away) when the object goes.
class TempDir {
 public:
  // Creates "<prefix>_<current test's name>_<random number>" under the temporary directory.
  explicit TempDir(const std::string& prefix);
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  // Gives the owner every permission on everything inside again, then removes the folder.
  ~TempDir();

  // The folder, as created (not resolved through links).
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

// The whole file as bytes; empty when it cannot be read.
std::string ReadFile(const std::filesystem::path& path);

// Creates or truncates `path` and writes exactly `bytes` to it.
void WriteFile(const std::filesystem::path& path, const std::string& bytes);

// True when the existing file `path`, stripped of write permission, really cannot be opened for
// writing (root, for one, writes it all the same).
bool ReadOnlyIsEnforced(const std::filesystem::path& path);

}  // namespace dirhop::test
