// The store services on Windows: the settings key in the registry, and the system calls of the
// whole-file policy (store_policy.cpp) that reads and replaces the data file.
#include <windows.h>

#include <cstdint>
#include <functional>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "platform/store_platform.h"
#include "platform/store_system_calls.h"
#include "platform/win32/win32_io.h"

namespace dirhop::platform {
namespace {

constexpr char kDirhopKey[] = "SOFTWARE\\Brantel Software\\Dirhop";

class RegistrySettingsKey : public SettingsKey {
 public:
  explicit RegistrySettingsKey(HKEY key) : key_(key) {}
  ~RegistrySettingsKey() override { Close(); }

  std::optional<StoreValue> Query(const std::string& name) override {
    if (key_ == nullptr) return std::nullopt;
    // Ask for the size first, then read; a value that grows in between is asked for again.
    for (int attempt = 0; attempt < 4; ++attempt) {
      DWORD type = 0;
      DWORD size = 0;
      if (RegQueryValueExA(key_, name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS) {
        return std::nullopt;
      }
      std::vector<BYTE> data(size + 2, 0);
      DWORD got = size;
      LONG status = RegQueryValueExA(key_, name.c_str(), nullptr, &type, data.data(), &got);
      if (status == ERROR_MORE_DATA) continue;
      if (status != ERROR_SUCCESS) return std::nullopt;
      StoreValue value;
      switch (type) {
        case REG_SZ:
        case REG_EXPAND_SZ: {
          value.type = type == REG_SZ ? StoreValueType::kString : StoreValueType::kExpandString;
          // The stored bytes may or may not end in a NUL; the text ends at the first one.
          std::string text(reinterpret_cast<const char*>(data.data()), got);
          value.text = text.substr(0, text.find('\0'));
          break;
        }
        case REG_DWORD:
          if (got < 4) {
            value.type = StoreValueType::kOther;
            break;
          }
          value.type = StoreValueType::kDword;
          value.number =
              static_cast<std::uint32_t>(data[0]) | static_cast<std::uint32_t>(data[1]) << 8 |
              static_cast<std::uint32_t>(data[2]) << 16 | static_cast<std::uint32_t>(data[3]) << 24;
          break;
        default:
          value.type = StoreValueType::kOther;
          value.text.assign(reinterpret_cast<const char*>(data.data()), got);
      }
      return value;
    }
    return std::nullopt;
  }

  bool Set(const std::string& name, const StoreValue& value) override {
    if (key_ == nullptr) return false;
    LONG status = ERROR_INVALID_PARAMETER;
    switch (value.type) {
      case StoreValueType::kString:
      case StoreValueType::kExpandString:
        // The terminating NUL is part of a string value's data.
        status = RegSetValueExA(key_, name.c_str(), 0,
                                value.type == StoreValueType::kString ? REG_SZ : REG_EXPAND_SZ,
                                reinterpret_cast<const BYTE*>(value.text.c_str()),
                                static_cast<DWORD>(value.text.size() + 1));
        break;
      case StoreValueType::kDword: {
        const DWORD number = value.number;
        status = RegSetValueExA(key_, name.c_str(), 0, REG_DWORD,
                                reinterpret_cast<const BYTE*>(&number), sizeof number);
        break;
      }
      case StoreValueType::kOther:
        status = RegSetValueExA(key_, name.c_str(), 0, REG_BINARY,
                                reinterpret_cast<const BYTE*>(value.text.data()),
                                static_cast<DWORD>(value.text.size()));
        break;
    }
    return status == ERROR_SUCCESS;
  }

  StoreFileStatus Close() override {
    // Values are in the registry as soon as they are set; closing only gives the handle back.
    if (key_ != nullptr) RegCloseKey(key_);
    key_ = nullptr;
    return StoreFileStatus::kOk;
  }

 private:
  HKEY key_;
};

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

bool IsNotFound(DWORD error) {
  return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

// `path` without a leading "\\?\" (and "\\?\UNC\" as "\\"), as GetFullPathName writes it.
std::string WithoutLongPathPrefix(const std::string& path) {
  if (path.rfind("\\\\?\\UNC\\", 0) == 0) return "\\\\" + path.substr(8);
  if (path.rfind("\\\\?\\", 0) == 0) return path.substr(4);
  return path;
}

// The folder part of `path` with its separator ("" for a bare name, "C:" for "C:name").
std::string FolderPart(const std::string& path) {
  const std::size_t end = path.find_last_of("\\/:");
  return end == std::string::npos ? std::string() : path.substr(0, end + 1);
}

// The file the open handle `file` is, by its final path: links followed. When that names the
// same file as `path` itself, `path` is kept as written.
std::string FinalPath(HANDLE file, const std::string& path) {
  std::string final_path(MAX_PATH, '\0');
  for (int attempt = 0; attempt < 4; ++attempt) {
    const DWORD length =
        GetFinalPathNameByHandleA(file, final_path.data(), static_cast<DWORD>(final_path.size()),
                                  FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (length == 0) return path;
    if (length < final_path.size()) {
      final_path.resize(length);
      break;
    }
    final_path.assign(length + 1, '\0');
  }
  std::string full(MAX_PATH, '\0');
  const DWORD full_length =
      GetFullPathNameA(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
  if (full_length > 0 && full_length < full.size()) {
    full.resize(full_length);
    if (lstrcmpiA(full.c_str(), WithoutLongPathPrefix(final_path).c_str()) == 0) return path;
  }
  // The short form where it leaves room for a temporary name beside it.
  const std::string plain = WithoutLongPathPrefix(final_path);
  return plain.size() + 32 < MAX_PATH ? plain : final_path;
}

// Where a store path leads: kOk with the disk file it names (links followed), kMissing with the
// path itself, or why it may not be used.
StoreTarget ResolveStorePath(const std::string& path) {
  StoreTarget target{StoreFileStatus::kOk, path, false};
  const DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    target.status = StoreFileStatus::kNotRegular;
    return target;
  }
  // Opened without access rights, only to be looked at: a device or a pipe is not used.
  HANDLE probe = CreateFileA(path.c_str(), 0, kShareAll, nullptr, OPEN_EXISTING,
                             FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (probe == INVALID_HANDLE_VALUE) {
    target.status =
        IsNotFound(GetLastError()) ? StoreFileStatus::kMissing : StoreFileStatus::kUnreadable;
    return target;
  }
  BY_HANDLE_FILE_INFORMATION info{};
  if (GetFileType(probe) != FILE_TYPE_DISK || !GetFileInformationByHandle(probe, &info) ||
      (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
    target.status = StoreFileStatus::kNotRegular;
  } else {
    target.path = FinalPath(probe, path);
  }
  CloseHandle(probe);
  return target;
}

// Gives the open file `file` the name `target`, replacing what is there.
bool RenameOpenFile(HANDLE file, const std::string& target) {
  const UINT code_page = AreFileApisANSI() ? CP_ACP : CP_OEMCP;
  const int length =
      MultiByteToWideChar(code_page, 0, target.data(), static_cast<int>(target.size()), nullptr, 0);
  if (length <= 0) return false;
  std::vector<BYTE> buffer(sizeof(FILE_RENAME_INFO) + (length + 1) * sizeof(WCHAR), 0);
  auto* rename = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
  rename->ReplaceIfExists = TRUE;
  rename->RootDirectory = nullptr;
  rename->FileNameLength = static_cast<DWORD>(length * sizeof(WCHAR));
  MultiByteToWideChar(code_page, 0, target.data(), static_cast<int>(target.size()),
                      rename->FileName, length);
  // Another run may have the target open for a moment (swapping in its own copy); such a
  // refusal passes quickly, so it is tried again a few times.
  for (int attempt = 0; attempt < 50; ++attempt) {
    if (SetFileInformationByHandle(file, FileRenameInfo, rename,
                                   static_cast<DWORD>(buffer.size()))) {
      return true;
    }
    const DWORD error = GetLastError();
    if (error != ERROR_ACCESS_DENIED && error != ERROR_SHARING_VIOLATION) return false;
    Sleep(10);
  }
  return false;
}

HANDLE Win32Handle(StoreHandle handle) {
  return reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(handle));
}
StoreHandle Handle(HANDLE handle) {
  return static_cast<StoreHandle>(reinterpret_cast<std::intptr_t>(handle));
}

// The store policy's system calls on Windows: handles, and folders named by their paths. A
// temporary file is held open without sharing the right to delete it, so no other run's clean-up
// can take it away while readers may open the target as soon as it is there.
class Win32StoreSystemCalls final : public StoreSystemCalls {
 public:
  StoreTarget Resolve(const std::string& path) override { return ResolveStorePath(path); }

  // The type and size are looked at only for reading: a replacement needs neither (resolving has
  // seen a disk file, and the new file gets its own attributes).
  OpenedStoreFile OpenExisting(const StoreTarget& target, OpenAccess access) override {
    OpenedStoreFile opened;
    const DWORD rights =
        access == OpenAccess::kReadWrite ? GENERIC_READ | GENERIC_WRITE : GENERIC_WRITE;
    HANDLE file = CreateFileA(target.path.c_str(), rights, kShareAll, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
      opened.status =
          IsNotFound(GetLastError()) ? StoreFileStatus::kMissing : StoreFileStatus::kUnreadable;
      return opened;
    }
    if (access == OpenAccess::kReadWrite) {
      if (GetFileType(file) != FILE_TYPE_DISK) {
        CloseHandle(file);
        opened.status = StoreFileStatus::kNotRegular;
        return opened;
      }
      LARGE_INTEGER size{};
      if (GetFileSizeEx(file, &size)) opened.size = static_cast<std::uint64_t>(size.QuadPart);
    }
    opened.status = StoreFileStatus::kOk;
    opened.file = Handle(file);
    return opened;
  }

  std::optional<std::size_t> Read(StoreHandle file, char* buffer, std::size_t size) override {
    DWORD got = 0;
    if (!ReadFile(Win32Handle(file), buffer, static_cast<DWORD>(size), &got, nullptr)) {
      return std::nullopt;
    }
    return got;
  }

  void Close(StoreHandle file) override { CloseHandle(Win32Handle(file)); }

  StorePathParts SplitPath(const std::string& path) override {
    std::string folder = FolderPart(path);
    std::string name = path.substr(folder.size());
    return {std::move(folder), std::move(name)};
  }

  std::optional<StoreHandle> OpenFolder(const std::string& /*folder*/) override {
    return StoreHandle{};
  }

  NameCase FileNameCase() override { return NameCase::kIgnore; }

  void ListTemporaryCandidates(const StoreFolder& folder, const std::string& name,
                               const std::function<void(std::string_view)>& visit) override {
    WIN32_FIND_DATAA found{};
    HANDLE search = FindFirstFileA((folder.path + name + ".~dirhop-*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
      if (!(found.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT))) {
        visit(found.cFileName);
      }
    } while (FindNextFileA(search, &found));
    FindClose(search);
  }

  // A save in progress holds its temporary file without sharing the right to delete it, so the
  // deletion fails for it.
  void RemoveStaleTemporary(const StoreFolder& folder, const std::string& temporary) override {
    DeleteFileA((folder.path + temporary).c_str());
  }

  void SyncFolder(const StoreFolder& /*folder*/) override {}

  void CloseFolder(const StoreFolder& /*folder*/) override {}

  std::uint64_t RandomNumber() override {
    static std::mt19937_64 generator = [] {
      std::random_device device;
      std::seed_seq seed{device(), device(), static_cast<unsigned>(GetCurrentProcessId()),
                         static_cast<unsigned>(GetTickCount())};
      return std::mt19937_64(seed);
    }();
    return generator();
  }

  CreatedTemporary CreateUnnamedTemporary(const StoreFolder& /*folder*/) override {
    return {TemporaryOutcome::kUnsupported, {}};
  }

  TemporaryOutcome NameTemporary(const StoreFolder& /*folder*/, StoreHandle /*file*/,
                                 const std::string& /*name*/) override {
    return TemporaryOutcome::kUnsupported;
  }

  CreatedTemporary CreateTemporary(const StoreFolder& folder, const std::string& name) override {
    HANDLE file = CreateFileA((folder.path + name).c_str(), GENERIC_WRITE | DELETE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
      return {GetLastError() == ERROR_FILE_EXISTS ? TemporaryOutcome::kNameTaken
                                                  : TemporaryOutcome::kFailed,
              {}};
    }
    return {TemporaryOutcome::kDone, Handle(file)};
  }

  // Windows keeps no permission bits to carry over; a replacement never asks.
  bool SetPermissions(StoreHandle /*file*/, std::uint32_t /*permissions*/) override { return true; }

  bool Write(StoreHandle file, std::string_view bytes) override {
    return WriteAll(Win32Handle(file), bytes);
  }

  bool FlushToDisk(StoreHandle file) override { return FlushFileBuffers(Win32Handle(file)); }

  bool PutInPlace(const StoreFolder& folder, const StoreTemporary& temporary,
                  const std::string& name) override {
    return RenameOpenFile(Win32Handle(temporary.file), folder.path + name);
  }

  void RemoveTemporary(const StoreFolder& /*folder*/, const StoreTemporary& temporary) override {
    FILE_DISPOSITION_INFO remove{TRUE};
    SetFileInformationByHandle(Win32Handle(temporary.file), FileDispositionInfo, &remove,
                               sizeof remove);
  }
};

}  // namespace

std::string DefaultSettingsKeyLocation() { return kDirhopKey; }

OpenedSettingsKey OpenSettingsKey(const std::string& location, KeyOpening opening) {
  OpenedSettingsKey opened;
  opened.status = StoreFileStatus::kUnreadable;  // the registry gives no reason to tell
  if (location.empty()) return opened;
  HKEY key = nullptr;
  DWORD disposition = 0;
  if (opening == KeyOpening::kExistingOnly) {
    const LONG status = RegOpenKeyExA(HKEY_CURRENT_USER, location.c_str(), 0, KEY_ALL_ACCESS, &key);
    if (status != ERROR_SUCCESS) {
      if (status == ERROR_FILE_NOT_FOUND) opened.status = StoreFileStatus::kMissing;
      return opened;
    }
    opened.status = StoreFileStatus::kOk;
    opened.key = std::make_unique<RegistrySettingsKey>(key);
    return opened;
  }
  if (RegCreateKeyExA(HKEY_CURRENT_USER, location.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                      KEY_ALL_ACCESS, nullptr, &key, &disposition) != ERROR_SUCCESS) {
    return opened;
  }
  opened.status = StoreFileStatus::kOk;
  opened.key = std::make_unique<RegistrySettingsKey>(key);
  opened.created = disposition == REG_CREATED_NEW_KEY;
  return opened;
}

bool DeleteSettingsKey(const std::string& location) {
  // RegDeleteKeyA removes only a key without subkeys, which is all the settings key has.
  const LONG status = RegDeleteKeyA(HKEY_CURRENT_USER, location.c_str());
  return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
}

StoreSystemCalls& HostStoreSystemCalls() {
  static Win32StoreSystemCalls calls;
  return calls;
}

}  // namespace dirhop::platform
