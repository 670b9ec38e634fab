// Directories on Windows: listing, identifying and creating them, through the wide functions.

#include <windows.h>

#include <array>
#include <string>
#include <vector>

#include "base/case_folding.h"
#include "platform/platform.h"
#include "platform/win32/win32_io.h"

namespace dirhop::platform {

namespace {

// The identity of the directory `path` leads to, links followed: the 128-bit file id where the
// file system has one (ReFS needs all of it), else the volume serial number and the 64-bit file
// index. Every identity comes from here, so two taken on one volume are always of one kind.
std::optional<DirectoryIdentity> IdentifyPath(const std::string& path) {
  // Backup semantics open a directory; without FILE_FLAG_OPEN_REPARSE_POINT a junction or
  // symbolic link is followed to its target. No access rights are needed to read the identity.
  HANDLE handle = CreateFileW(WideFromText(path).c_str(), 0,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return std::nullopt;
  std::optional<DirectoryIdentity> identity;
  BY_HANDLE_FILE_INFORMATION info;
  if (GetFileInformationByHandle(handle, &info) &&
      (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
    identity.emplace();
    FILE_ID_INFO id;
    if (GetFileInformationByHandleEx(handle, FileIdInfo, &id, sizeof id)) {
      static_assert(sizeof id.FileId.Identifier == 2 * sizeof(std::uint64_t), "128-bit file id");
      identity->volume = id.VolumeSerialNumber;
      CopyMemory(&identity->file_low, id.FileId.Identifier, sizeof identity->file_low);
      CopyMemory(&identity->file_high, id.FileId.Identifier + sizeof identity->file_low,
                 sizeof identity->file_high);
    } else {
      identity->volume = info.dwVolumeSerialNumber;
      identity->file_low = (std::uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow;
    }
  }
  CloseHandle(handle);
  return identity;
}

}  // namespace

DirectoryListing ListSubdirectories(const std::string& dir) {
  DirectoryListing listing;
  std::string prefix = dir;
  if (!prefix.empty() && prefix.back() != '\\' && prefix.back() != '/') prefix += '\\';
  const std::wstring pattern = WideFromText(prefix + "*.*");
  WIN32_FIND_DATAW data;
  // Basic information (no short names) and large fetches keep big directories cheap; the
  // directory limit is only a hint, so the attribute is still checked below.
  HANDLE find =
      FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &data, FindExSearchLimitToDirectories,
                       nullptr, FIND_FIRST_EX_LARGE_FETCH);
  if (find == INVALID_HANDLE_VALUE) return listing;
  std::vector<std::size_t> reparse_points;
  NameList& names = listing.names;
  do {
    if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) continue;
    const std::string name = TextFromWide(data.cFileName);
    if (IsSelfOrParentEntry(name.c_str())) continue;
    // A junction or directory link may lead back up the tree; a plain directory cannot.
    if (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
      reparse_points.push_back(names.size());
    }
    names.Add(name);
  } while (FindNextFileW(find, &data));
  FindClose(find);
  // Identified once the listing is closed: one directory open at a time.
  for (std::size_t index : reparse_points) {
    const std::optional<DirectoryIdentity> identity =
        IdentifyPath(prefix + std::string(names[index]));
    if (identity) listing.links.emplace_back(index, *identity);
  }
  return listing;
}

std::optional<DirectoryIdentity> IdentifyDirectory(const std::string& dir) {
  return IdentifyPath(dir.empty() ? std::string(".") : dir);
}

std::optional<std::string> DirectoryItselfName(const std::string& path) {
  const std::size_t last = path.find_last_of("\\/");
  const std::size_t name_at = last == std::string::npos ? 0 : last + 1;
  // The system takes these as wildcards too; no name on disk holds them.
  if (path.find_first_of("*?<>\"", name_at) != std::string::npos) return std::nullopt;
  const std::wstring wide_path = WideFromText(path);
  // One look-up gives both the attributes and the name as stored, in its real case.
  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileExW(wide_path.c_str(), FindExInfoBasic, &data, FindExSearchNameMatch,
                                 nullptr, 0);
  if (find == INVALID_HANDLE_VALUE) {
    // A share (\\server\share) is no entry of a folder, so it is not found; it has no stored
    // name to give either, and is taken as typed.
    const bool share = path.size() > 2 && (path[0] == '\\' || path[0] == '/') &&
                       (path[1] == '\\' || path[1] == '/') && last != std::string::npos &&
                       path.find_first_of("\\/", 2) == last && last > 2;
    if (!share) return std::nullopt;
    const DWORD attributes = GetFileAttributesW(wide_path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY) ||
        (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
      return std::nullopt;
    }
    return path.substr(name_at);
  }
  FindClose(find);
  if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ||
      (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
    return std::nullopt;
  }
  return TextFromWide(data.cFileName);
}

MountPlace MountOf(const std::string& path) {
  if (path.size() > 2 && path[0] == '\\' && path[1] == '\\') {
    // \\server\share\...: the share is the mount, and a share is on the network.
    std::size_t end = path.find('\\', 2);
    if (end != std::string::npos) end = path.find('\\', end + 1);
    return MountPlace{end == std::string::npos ? path + "\\" : path.substr(0, end + 1), true};
  }
  const char letter = path.size() >= 2 && path[1] == ':' ? UpperChar(path[0]) : 0;
  if (letter < 'A' || letter > 'Z') return MountPlace{path, false};
  const std::string root = std::string(1, letter) + ":\\";
  // The drive type comes from the drive's entry, not from the share behind it; asked once per
  // drive, however many paths are on it.
  static std::array<signed char, 26> remote_drives = [] {
    std::array<signed char, 26> unknown{};
    unknown.fill(-1);
    return unknown;
  }();
  signed char& remote = remote_drives[static_cast<std::size_t>(letter - 'A')];
  if (remote < 0) remote = GetDriveTypeW(WideFromText(root).c_str()) == DRIVE_REMOTE ? 1 : 0;
  return MountPlace{root, remote == 1};
}

bool CurrentDirectoryRemoved() {
  // Windows keeps its current directory open, but a directory removed all the same (by a Unix
  // process under Wine) leaves a current directory whose path no longer leads anywhere.
  const std::string dir = CurrentDirectory();
  if (dir.empty()) return false;
  const std::wstring wide_dir = WideFromText(dir);
  if (GetFileAttributesW(wide_dir.c_str()) != INVALID_FILE_ATTRIBUTES) return false;
  const DWORD error = GetLastError();
  return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

// cmd and SetCurrentDirectory take MAX_PATH - 2 wide characters (a backslash and the null are
// added): a count of UTF-16 units, not of the bytes of the program's UTF-8.
std::size_t LongestWholePath() { return MAX_PATH - 2; }

int CreateOneDirectory(const std::string& path) {
  return CreateDirectoryW(WideFromText(path).c_str(), nullptr) ? 0
                                                               : static_cast<int>(GetLastError());
}

}  // namespace dirhop::platform
