// The Win32 implementation of the platform layer (everything but the console).
#include <windows.h>

#include <string>

#include "platform/platform.h"
#include "platform/win32/win32_io.h"

namespace dirhop::platform {

HostKind ThisHostKind() { return HostKind::kWindows; }

std::string CurrentDirectory() {
  // Asking with an empty buffer gives the size needed (terminating null included), so a directory
  // of any length is read whole. The loop covers a directory that grows between the two calls.
  for (;;) {
    DWORD needed = GetCurrentDirectoryA(0, nullptr);
    if (needed == 0) return {};
    std::string dir(needed, '\0');
    DWORD length = GetCurrentDirectoryA(needed, dir.data());
    if (length == 0) return {};
    if (length < needed) {
      dir.resize(length);
      return dir;
    }
  }
}

bool ChangeDirectory(const std::string& dir) { return SetCurrentDirectoryA(dir.c_str()) != 0; }

std::string DriveCurrentDirectory(char letter) {
  // Windows remembers one directory per drive, and "X:" makes that one current; there is no call
  // that reads it directly, so switch to it, read, and switch back.
  const std::string saved = CurrentDirectory();
  const char drive[3] = {letter, ':', '\0'};
  if (!SetCurrentDirectoryA(drive)) return saved;
  std::string dir = CurrentDirectory();
  SetCurrentDirectoryA(saved.c_str());
  return dir;
}

std::optional<std::string> GetEnv(const char* name) {
  DWORD size = 256;
  for (;;) {
    std::string value(size, '\0');
    // 0 means unset or empty; a result not below the buffer size is the size needed.
    DWORD length = GetEnvironmentVariableA(name, value.data(), size);
    if (length == 0) return std::nullopt;
    if (length < size) {
      value.resize(length);
      return value;
    }
    size = length;
  }
}

std::optional<std::string> RawCommandLine() {
  const char* line = GetCommandLineA();
  return std::string(line != nullptr ? line : "");
}

std::string OwnFilePath() {
  // The call reports a cut name only by filling the whole buffer, so grow until it does not.
  for (DWORD size = MAX_PATH; size <= 65536; size *= 2) {
    std::string path(size, '\0');
    DWORD length = GetModuleFileNameA(nullptr, path.data(), size);
    if (length == 0) return {};
    if (length < size) {
      path.resize(length);
      return path;
    }
  }
  return {};
}

void UseOemFileApis() { SetFileApisToOEM(); }

void KeepFreedMemory() {}

bool WriteFileContents(const std::string& path, std::string_view bytes) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  // Write errors are not reported (the contract of this call).
  WriteAll(file, bytes);
  CloseHandle(file);
  return true;
}

std::string FallbackHandoffPath() { return {}; }

bool IsRegularFile(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES &&
         (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) == 0;
}

}  // namespace dirhop::platform
