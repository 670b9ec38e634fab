// The store's lock on Windows: a lock file held open without sharing. A data file's lock file is
// "<file>.lock" beside the file itself, named after the file's final path (its folder's, while
// it is missing), so every spelling of one file (another drive letter for the same folder, a
// short name, a link, any case) opens one lock file. The settings key's lock file is
// "%LOCALAPPDATA%\Dirhop\settings.lock", which every logon session of the user shares. A lock
// file is created with a security descriptor that lets only the user open it, so no other user
// can hold it; the lock ends when its handle is closed, however the process ends.

#include <shlobj.h>
#include <windows.h>

#include <algorithm>
#include <vector>

#include "platform/store_lock.h"
#include "platform/store_system_calls.h"
#include "platform/win32/win32_io.h"

namespace dirhop::platform {
namespace {

class FileLock final : public StoreLock {
 public:
  explicit FileLock(HANDLE file) : file_(file) {}
  ~FileLock() override { CloseHandle(file_); }
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;

 private:
  HANDLE file_;
};

// The longest pause between two tries for a lock that is held.
constexpr DWORD kLongestPauseMs = 16;

// The final path of the open `file` ("\\?\C:\..." or "\\?\UNC\..."): links followed, short names
// made long, the names' case as on the disk. Empty when Windows does not tell it.
std::wstring FinalPathOf(HANDLE file) {
  std::wstring path(MAX_PATH, L'\0');
  for (int attempt = 0; attempt < 4; ++attempt) {
    const DWORD length = GetFinalPathNameByHandleW(
        file, path.data(), static_cast<DWORD>(path.size()), FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (length == 0) return {};
    if (length < path.size()) {
      path.resize(length);
      return path;
    }
    path.assign(length + 1, L'\0');
  }
  return {};
}

// The final path of what `path` names, opened only to be looked at; empty when it cannot be.
std::wstring FinalPathOfName(const std::wstring& path) {
  HANDLE probe =
      CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (probe == INVALID_HANDLE_VALUE) return {};
  std::wstring final_path = FinalPathOf(probe);
  CloseHandle(probe);
  return final_path;
}

// The lock file of the data file `store`: beside the file's final path, or beside its folder's
// final path and the name given while it does not exist. Empty for a path the store refuses (a
// folder, a device), and when neither can be found (a missing folder, where no save could create
// the file either).
std::wstring DataFileLockFile(const std::string& store) {
  const StoreFileStatus status = HostStoreSystemCalls().Resolve(store).status;
  if (status != StoreFileStatus::kOk && status != StoreFileStatus::kMissing) return {};
  const std::wstring path = WideFromText(store);
  std::wstring final_path = FinalPathOfName(path);
  if (final_path.empty()) {
    const std::size_t cut = path.find_last_of(L"\\/");
    if (cut == std::wstring::npos || cut + 1 == path.size()) return {};
    const std::wstring folder = FinalPathOfName(path.substr(0, cut + 1));
    if (folder.empty()) return {};
    final_path = folder + (folder.back() == L'\\' ? L"" : L"\\") + path.substr(cut + 1);
  }
  return final_path + L".lock";
}

// The settings key's lock file in the user's own local application data folder, made when
// missing; empty when that folder is unknown.
std::wstring SettingsKeyLockFile() {
  wchar_t folder[MAX_PATH] = {};
  if (SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA | CSIDL_FLAG_CREATE, nullptr, 0, folder) !=
      S_OK) {
    return {};
  }
  const std::wstring dirhop = std::wstring(folder) + L"\\Dirhop";
  if (!CreateDirectoryW(dirhop.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
    return {};
  }
  return dirhop + L"\\settings.lock";
}

// A security descriptor that gives the running user, and no one else, every right to the file
// it is set on.
class OwnOnlySecurity {
 public:
  OwnOnlySecurity() {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return;
    DWORD size = 0;
    GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    user_.resize(size);
    const bool known =
        size != 0 && GetTokenInformation(token, TokenUser, user_.data(), size, &size);
    CloseHandle(token);
    if (!known) return;
    PSID sid = reinterpret_cast<TOKEN_USER*>(user_.data())->User.Sid;
    acl_.resize(sizeof(ACL) + sizeof(ACCESS_ALLOWED_ACE) + GetLengthSid(sid));
    auto* acl = reinterpret_cast<PACL>(acl_.data());
    if (!InitializeAcl(acl, static_cast<DWORD>(acl_.size()), ACL_REVISION) ||
        !AddAccessAllowedAce(acl, ACL_REVISION, FILE_ALL_ACCESS, sid) ||
        !InitializeSecurityDescriptor(&descriptor_, SECURITY_DESCRIPTOR_REVISION) ||
        !SetSecurityDescriptorDacl(&descriptor_, TRUE, acl, FALSE) ||
        !SetSecurityDescriptorControl(&descriptor_, SE_DACL_PROTECTED, SE_DACL_PROTECTED)) {
      return;
    }
    attributes_.lpSecurityDescriptor = &descriptor_;
  }
  OwnOnlySecurity(const OwnOnlySecurity&) = delete;
  OwnOnlySecurity& operator=(const OwnOnlySecurity&) = delete;

  // The attributes to create a file with: the descriptor, or the folder's inherited one when
  // the user could not be found.
  SECURITY_ATTRIBUTES* Attributes() { return &attributes_; }

 private:
  std::vector<BYTE> user_;
  std::vector<BYTE> acl_;
  SECURITY_DESCRIPTOR descriptor_{};
  SECURITY_ATTRIBUTES attributes_{sizeof(SECURITY_ATTRIBUTES), nullptr, FALSE};
};

}  // namespace

StoreLockResult LockStore(const std::string& store, LockedStore kind,
                          std::chrono::milliseconds wait) {
  const std::wstring lock_file =
      kind == LockedStore::kDataFile ? DataFileLockFile(store) : SettingsKeyLockFile();
  if (lock_file.empty()) return {};
  OwnOnlySecurity security;
  // The clock is read only once the lock is found held.
  ULONGLONG deadline = 0;
  DWORD pause = 1;
  for (;;) {
    HANDLE file = CreateFileW(lock_file.c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                              security.Attributes(), OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
      return HeldStoreLock(std::make_unique<FileLock>(file));
    }
    const DWORD error = GetLastError();
    if (error == ERROR_ACCESS_DENIED) {
      // Someone else's file in its place (a folder the user may not write leaves no file there,
      // and no save could be made in it either).
      if (GetFileAttributesW(lock_file.c_str()) == INVALID_FILE_ATTRIBUTES) return {};
      StoreLockResult not_usable;
      not_usable.notice = StoreLockNotice::kLockFileNotUsable;
      not_usable.lock_file = TextFromWide(lock_file.c_str());
      return not_usable;
    }
    if (error != ERROR_SHARING_VIOLATION && error != ERROR_LOCK_VIOLATION) return {};
    const ULONGLONG now = GetTickCount64();
    if (deadline == 0) deadline = now + static_cast<ULONGLONG>(wait.count());
    if (now >= deadline) return BusyStoreLock();
    Sleep(static_cast<DWORD>(std::min<ULONGLONG>(pause, deadline - now)));
    pause = std::min<DWORD>(pause * 2, kLongestPauseMs);
  }
}

bool ReadsTakeTheLock(LockedStore kind) { return kind == LockedStore::kSettingsKey; }

}  // namespace dirhop::platform
