// Directory listing and creation on Windows.

#include <windows.h>

#include <string>
#include <vector>

#include "platform/platform.h"

namespace dirhop::platform {

std::vector<std::string> ListSubdirectories(const std::string& dir) {
  std::vector<std::string> names;
  std::string pattern = dir;
  if (!pattern.empty() && pattern.back() != '\\' && pattern.back() != '/') pattern += '\\';
  pattern += "*.*";
  WIN32_FIND_DATAA data;
  // Basic information (no short names) and large fetches keep big directories cheap; the
  // directory limit is only a hint, so the attribute is still checked below.
  HANDLE find = FindFirstFileExA(pattern.c_str(), FindExInfoBasic, &data,
                                 FindExSearchLimitToDirectories, nullptr,
                                 FIND_FIRST_EX_LARGE_FETCH);
  if (find == INVALID_HANDLE_VALUE) return names;
  do {
    if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) continue;
    const char* name = data.cFileName;
    if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'))) continue;
    names.emplace_back(name);
  } while (FindNextFileA(find, &data));
  FindClose(find);
  return names;
}

int CreateOneDirectory(const std::string& path) {
  return CreateDirectoryA(path.c_str(), nullptr) ? 0 : static_cast<int>(GetLastError());
}

}  // namespace dirhop::platform
