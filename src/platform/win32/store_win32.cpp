// The store services on Windows: the settings key in the registry, whole-file reads and atomic
// replacement of the data file.
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/store_platform.h"

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

  bool Close() override {
    if (key_ == nullptr) return true;
    // Values are in the registry as soon as they are set; closing only gives the handle back.
    const bool ok = RegCloseKey(key_) == ERROR_SUCCESS;
    key_ = nullptr;
    return ok;
  }

 private:
  HKEY key_;
};

bool WriteAll(HANDLE file, std::string_view bytes) {
  while (!bytes.empty()) {
    const DWORD chunk = static_cast<DWORD>(bytes.size() < (1u << 30) ? bytes.size() : (1u << 30));
    DWORD written = 0;
    if (!WriteFile(file, bytes.data(), chunk, &written, nullptr) || written == 0) return false;
    bytes.remove_prefix(written);
  }
  return true;
}

}  // namespace

std::string DefaultSettingsKeyLocation() { return kDirhopKey; }

OpenedSettingsKey OpenSettingsKey(const std::string& location) {
  OpenedSettingsKey opened;
  if (location.empty()) return opened;
  HKEY key = nullptr;
  DWORD disposition = 0;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, location.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                      KEY_ALL_ACCESS, nullptr, &key, &disposition) != ERROR_SUCCESS) {
    return opened;
  }
  opened.key = std::make_unique<RegistrySettingsKey>(key);
  opened.created = disposition == REG_CREATED_NEW_KEY;
  return opened;
}

bool DeleteSettingsKey(const std::string& location) {
  // RegDeleteKeyA removes only a key without subkeys, which is all the settings key has.
  const LONG status = RegDeleteKeyA(HKEY_CURRENT_USER, location.c_str());
  return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
}

FileReadResult ReadFileForUpdate(const std::string& path, std::size_t limit) {
  FileReadResult result;
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    result.status = (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
                        ? FileReadStatus::kMissing
                        : FileReadStatus::kUnreadable;
    return result;
  }
  if (GetFileType(file) != FILE_TYPE_DISK) {
    CloseHandle(file);
    return result;
  }
  std::vector<char> buffer(65536);
  bool ok = true;
  while (result.bytes.size() < limit) {
    const DWORD want = static_cast<DWORD>(std::min(buffer.size(), limit - result.bytes.size()));
    DWORD got = 0;
    if (!ReadFile(file, buffer.data(), want, &got, nullptr)) {
      ok = false;
      break;
    }
    if (got == 0) break;
    result.bytes.append(buffer.data(), got);
  }
  CloseHandle(file);
  if (!ok) {
    result.bytes.clear();
    return result;
  }
  result.status = FileReadStatus::kRead;
  return result;
}

bool IsFileWritable(const std::string& path) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file != INVALID_HANDLE_VALUE) {
    CloseHandle(file);
    return true;
  }
  const DWORD error = GetLastError();
  return error == ERROR_FILE_NOT_FOUND;
}

bool ReplaceFileAtomically(const std::string& path, std::string_view bytes) {
  // The new content goes to a file of its own beside the target, named after this process so two
  // runs saving at once never share one; MoveFileEx then swaps it in as one step.
  const std::string temp_base = path + ".~" + std::to_string(GetCurrentProcessId());
  std::string temp;
  HANDLE file = INVALID_HANDLE_VALUE;
  for (int n = 0; n < 100 && file == INVALID_HANDLE_VALUE; ++n) {
    temp = temp_base + "." + std::to_string(n);
    file = CreateFileA(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                       nullptr);
    if (file == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS) break;
  }
  if (file == INVALID_HANDLE_VALUE) return false;
  bool ok = WriteAll(file, bytes) && FlushFileBuffers(file);
  ok = CloseHandle(file) && ok;
  if (ok) {
    // Another run may have the target open for a moment (reading it, or swapping in its own
    // copy); such a refusal passes quickly, so it is tried again a few times.
    for (int attempt = 0; attempt < 50; ++attempt) {
      if (MoveFileExA(temp.c_str(), path.c_str(),
                      MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        return true;
      }
      const DWORD error = GetLastError();
      if (error != ERROR_ACCESS_DENIED && error != ERROR_SHARING_VIOLATION) break;
      Sleep(10);
    }
  }
  DeleteFileA(temp.c_str());
  return false;
}

}  // namespace dirhop::platform
