// The store services on Windows: the settings key in the registry, and the system calls of the
// whole-file policy (store_policy.cpp) that reads and replaces the data file. Names and string
// values go to Windows as UTF-16, converted from and to the program's WTF-8 here.
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
    const std::wstring wide_name = WideFromText(name);
    // Ask for the size first, then read; a value that grows in between is asked for again.
    for (int attempt = 0; attempt < 4; ++attempt) {
      DWORD type = 0;
      DWORD size = 0;
      if (RegQueryValueExW(key_, wide_name.c_str(), nullptr, &type, nullptr, &size) !=
          ERROR_SUCCESS) {
        return std::nullopt;
      }
      std::vector<BYTE> data(size + 2, 0);
      DWORD got = size;
      LONG status = RegQueryValueExW(key_, wide_name.c_str(), nullptr, &type, data.data(), &got);
      if (status == ERROR_MORE_DATA) continue;
      if (status != ERROR_SUCCESS) return std::nullopt;
      StoreValue value;
      switch (type) {
        case REG_SZ:
        case REG_EXPAND_SZ: {
          value.type = type == REG_SZ ? StoreValueType::kString : StoreValueType::kExpandString;
          // The stored UTF-16 may or may not end in a NUL; the text ends at the first one. An odd
          // last byte is no whole unit and is left out.
          std::wstring units(got / sizeof(wchar_t), L'\0');
          CopyMemory(units.data(), data.data(), units.size() * sizeof(wchar_t));
          value.text = TextFromWide(units.c_str());
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
    const std::wstring wide_name = WideFromText(name);
    LONG status = ERROR_INVALID_PARAMETER;
    switch (value.type) {
      case StoreValueType::kString:
      case StoreValueType::kExpandString: {
        // The terminating NUL is part of a string value's data.
        const std::wstring text = WideFromText(value.text);
        status = RegSetValueExW(key_, wide_name.c_str(), 0,
                                value.type == StoreValueType::kString ? REG_SZ : REG_EXPAND_SZ,
                                reinterpret_cast<const BYTE*>(text.c_str()),
                                static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
        break;
      }
      case StoreValueType::kDword: {
        const DWORD number = value.number;
        status = RegSetValueExW(key_, wide_name.c_str(), 0, REG_DWORD,
                                reinterpret_cast<const BYTE*>(&number), sizeof number);
        break;
      }
      case StoreValueType::kOther:
        status = RegSetValueExW(key_, wide_name.c_str(), 0, REG_BINARY,
                                reinterpret_cast<const BYTE*>(value.text.data()),
                                static_cast<DWORD>(value.text.size()));
        break;
    }
    return status == ERROR_SUCCESS;
  }

  bool Delete(const std::string& name) override {
    if (key_ == nullptr) return false;
    const LONG status = RegDeleteValueW(key_, WideFromText(name).c_str());
    return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
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
std::wstring WithoutLongPathPrefix(const std::wstring& path) {
  if (path.rfind(L"\\\\?\\UNC\\", 0) == 0) return L"\\\\" + path.substr(8);
  if (path.rfind(L"\\\\?\\", 0) == 0) return path.substr(4);
  return path;
}

// The folder part of `path` with its separator ("" for a bare name, "C:" for "C:name").
std::string FolderPart(const std::string& path) {
  const std::size_t end = path.find_last_of("\\/:");
  return end == std::string::npos ? std::string() : path.substr(0, end + 1);
}

// The file the open handle `file` is, by its final path: links followed. When that names the
// same file as `path` itself, `path` is kept as written.
// Lengths are counted as Windows limits them: in UTF-16 units.
std::string FinalPath(HANDLE file, const std::string& path) {
  std::wstring final_path(MAX_PATH, L'\0');
  for (int attempt = 0; attempt < 4; ++attempt) {
    const DWORD length =
        GetFinalPathNameByHandleW(file, final_path.data(), static_cast<DWORD>(final_path.size()),
                                  FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (length == 0) return path;
    if (length < final_path.size()) {
      final_path.resize(length);
      break;
    }
    final_path.assign(length + 1, L'\0');
  }
  const std::wstring wide_path = WideFromText(path);
  std::wstring full(MAX_PATH, L'\0');
  const DWORD full_length =
      GetFullPathNameW(wide_path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
  if (full_length > 0 && full_length < full.size()) {
    full.resize(full_length);
    if (lstrcmpiW(full.c_str(), WithoutLongPathPrefix(final_path).c_str()) == 0) return path;
  }
  // The short form where it leaves room for a temporary name beside it.
  const std::wstring plain = WithoutLongPathPrefix(final_path);
  return TextFromWide(plain.size() + 32 < MAX_PATH ? plain.c_str() : final_path.c_str());
}

// Where a store path leads: kOk with the disk file it names (links followed), kMissing with the
// path itself, or why it may not be used.
StoreTarget ResolveStorePath(const std::string& path) {
  StoreTarget target{StoreFileStatus::kOk, path, false, {}};
  const std::wstring wide_path = WideFromText(path);
  const DWORD attributes = GetFileAttributesW(wide_path.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    target.status = StoreFileStatus::kNotRegular;
    return target;
  }
  // Opened without access rights, only to be looked at: a device or a pipe is not used.
  HANDLE probe = CreateFileW(wide_path.c_str(), 0, kShareAll, nullptr, OPEN_EXISTING,
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
  const std::wstring wide_target = WideFromText(target);
  if (wide_target.empty()) return false;
  std::vector<BYTE> buffer(sizeof(FILE_RENAME_INFO) + (wide_target.size() + 1) * sizeof(WCHAR), 0);
  auto* rename = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
  rename->ReplaceIfExists = TRUE;
  rename->RootDirectory = nullptr;
  rename->FileNameLength = static_cast<DWORD>(wide_target.size() * sizeof(WCHAR));
  CopyMemory(rename->FileName, wide_target.data(), wide_target.size() * sizeof(WCHAR));
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
    const std::wstring wide_path = WideFromText(target.path);
    HANDLE file = CreateFileW(wide_path.c_str(), rights, kShareAll, nullptr, OPEN_EXISTING,
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
    WIN32_FIND_DATAW found{};
    const std::wstring pattern = WideFromText(folder.path + name + ".~dirhop-*");
    HANDLE search = FindFirstFileW(pattern.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
      if (!(found.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT))) {
        visit(TextFromWide(found.cFileName));
      }
    } while (FindNextFileW(search, &found));
    FindClose(search);
  }

  // A save in progress holds its temporary file without sharing the right to delete it, so the
  // deletion fails for it.
  void RemoveStaleTemporary(const StoreFolder& folder, const std::string& temporary) override {
    DeleteFileW(WideFromText(folder.path + temporary).c_str());
  }

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
    const std::wstring wide_path = WideFromText(folder.path + name);
    HANDLE file =
        CreateFileW(wide_path.c_str(), GENERIC_WRITE | DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
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
  const std::wstring wide_location = WideFromText(location);
  if (opening == KeyOpening::kExistingOnly) {
    const LONG status =
        RegOpenKeyExW(HKEY_CURRENT_USER, wide_location.c_str(), 0, KEY_ALL_ACCESS, &key);
    if (status != ERROR_SUCCESS) {
      if (status == ERROR_FILE_NOT_FOUND) opened.status = StoreFileStatus::kMissing;
      return opened;
    }
    opened.status = StoreFileStatus::kOk;
    opened.key = std::make_unique<RegistrySettingsKey>(key);
    return opened;
  }
  if (RegCreateKeyExW(HKEY_CURRENT_USER, wide_location.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                      KEY_ALL_ACCESS, nullptr, &key, &disposition) != ERROR_SUCCESS) {
    return opened;
  }
  opened.status = StoreFileStatus::kOk;
  opened.key = std::make_unique<RegistrySettingsKey>(key);
  opened.created = disposition == REG_CREATED_NEW_KEY;
  return opened;
}

bool DeleteSettingsKey(const std::string& location) {
  // RegDeleteKeyW removes only a key without subkeys, which is all the settings key has.
  const LONG status = RegDeleteKeyW(HKEY_CURRENT_USER, WideFromText(location).c_str());
  return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
}

StoreSystemCalls& HostStoreSystemCalls() {
  static Win32StoreSystemCalls calls;
  return calls;
}

}  // namespace dirhop::platform
