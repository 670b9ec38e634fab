#include "support/test_files.h"

#include <gtest/gtest.h>

#include <cctype>
#include <fstream>
#include <iterator>
#include <random>
#include <system_error>

namespace dirhop::test {

namespace fs = std::filesystem;

namespace {

// The running test's name, reduced to characters every file system takes.
std::string CurrentTestName() {
  const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
  std::string name = info ? info->name() : "none";
  for (char& c : name) {
    if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
  }
  return name;
}

}  // namespace

TempDir::TempDir(const std::string& prefix) {
  const std::string name =
      prefix + "_" + CurrentTestName() + "_" + std::to_string(std::random_device{}());
  path_ = fs::temp_directory_path() / name;
  fs::create_directories(path_);
}

TempDir::~TempDir() {
  std::error_code error;
  for (const auto& entry : fs::recursive_directory_iterator(path_, error)) {
    if (entry.is_symlink(error)) continue;  // the permissions are the target's, maybe elsewhere
    fs::permissions(entry.path(), fs::perms::owner_all, fs::perm_options::add, error);
  }
  fs::remove_all(path_, error);
}

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFile(const fs::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

bool ReadOnlyIsEnforced(const fs::path& path) {
  std::ofstream probe(path, std::ios::binary | std::ios::app);
  return !probe.is_open();
}

}  // namespace dirhop::test
