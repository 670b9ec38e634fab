// Appending to a private file on Windows: a handle opened with append access alone writes at the
// end of the file, whatever other processes wrote meanwhile. The file lives in the user's own
// profile folder, whose permissions keep it private.

#include <windows.h>

#include <string>

#include "platform/private_file.h"
#include "platform/win32/win32_io.h"

namespace dirhop::platform {
namespace {

// The folder part of `path` (without its separator); empty when it has none.
std::string FolderOf(const std::string& path) {
  const std::size_t separator = path.find_last_of("\\/");
  if (separator == std::string::npos) return std::string();
  return path.substr(0, separator);
}

// Creates `dir` and its missing parents.
bool MakeFolders(const std::string& dir) {
  if (dir.empty()) return false;
  const DWORD attributes = GetFileAttributesW(WideFromText(dir).c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES) return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  const std::string parent = FolderOf(dir);
  // "C:" or a share's root is there or not; only folders below it are made.
  if (parent.empty() || parent.size() >= dir.size() || parent.back() == ':') {
    return CreateDirectoryW(WideFromText(dir).c_str(), nullptr) ||
           GetLastError() == ERROR_ALREADY_EXISTS;
  }
  if (!MakeFolders(parent)) return false;
  return CreateDirectoryW(WideFromText(dir).c_str(), nullptr) ||
         GetLastError() == ERROR_ALREADY_EXISTS;
}

HANDLE OpenForAppend(const std::string& path) {
  return CreateFileW(WideFromText(path).c_str(), FILE_APPEND_DATA | GENERIC_READ,
                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                     FILE_ATTRIBUTE_NORMAL, nullptr);
}

}  // namespace

AppendResult AppendToPrivateFile(const std::string& path, std::string_view bytes, std::size_t head,
                                 MissingFolders folders) {
  AppendResult result;
  HANDLE file = OpenForAppend(path);
  if (file == INVALID_HANDLE_VALUE && GetLastError() == ERROR_PATH_NOT_FOUND &&
      folders == MissingFolders::kMake && MakeFolders(FolderOf(path))) {
    file = OpenForAppend(path);
  }
  if (file == INVALID_HANDLE_VALUE) return result;
  LARGE_INTEGER size;
  if (GetFileType(file) == FILE_TYPE_DISK && (bytes.empty() || WriteAll(file, bytes)) &&
      GetFileSizeEx(file, &size)) {
    result.written = true;
    result.size = static_cast<std::uint64_t>(size.QuadPart);
    result.head.resize(head);
    OVERLAPPED at_start{};
    DWORD got = 0;
    if (head == 0 ||
        !ReadFile(file, result.head.data(), static_cast<DWORD>(head), &got, &at_start)) {
      got = 0;
    }
    result.head.resize(got);
  }
  CloseHandle(file);
  return result;
}

}  // namespace dirhop::platform
