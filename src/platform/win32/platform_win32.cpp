// The Win32 implementation of the platform layer (everything but the console). Windows is asked
// through its wide (UTF-16) functions; every text is converted to and from the program's WTF-8
// here, so any name Windows holds reaches the program and comes back exactly.
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
    DWORD needed = GetCurrentDirectoryW(0, nullptr);
    if (needed == 0) return {};
    std::wstring dir(needed, L'\0');
    DWORD length = GetCurrentDirectoryW(needed, dir.data());
    if (length == 0) return {};
    if (length < needed) return TextFromWide(dir.data(), length);
  }
}

bool ChangeDirectory(const std::string& dir) { return EnterDirectory(dir) == EnterFailure::kNone; }

EnterFailure EnterDirectory(const std::string& dir) {
  if (SetCurrentDirectoryW(WideFromText(dir).c_str()) != 0) return EnterFailure::kNone;
  switch (GetLastError()) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_BAD_NETPATH:
      return EnterFailure::kGone;
    case ERROR_DIRECTORY:  // "The directory name is invalid": a file
      return EnterFailure::kNotADirectory;
    case ERROR_ACCESS_DENIED:
      return EnterFailure::kAccessDenied;
    default:
      return EnterFailure::kOther;
  }
}

std::string DriveCurrentDirectory(char letter) {
  // Windows remembers one directory per drive, and "X:" makes that one current; there is no call
  // that reads it directly, so switch to it, read, and switch back.
  const std::string saved = CurrentDirectory();
  const wchar_t drive[3] = {static_cast<wchar_t>(static_cast<unsigned char>(letter)), L':', L'\0'};
  if (!SetCurrentDirectoryW(drive)) return saved;
  std::string dir = CurrentDirectory();
  SetCurrentDirectoryW(WideFromText(saved).c_str());
  return dir;
}

std::optional<std::string> GetEnv(const char* name) {
  const std::wstring wide_name = WideFromText(name);
  DWORD size = 256;
  for (;;) {
    std::wstring value(size, L'\0');
    // 0 means unset or empty; a result not below the buffer size is the size needed.
    DWORD length = GetEnvironmentVariableW(wide_name.c_str(), value.data(), size);
    if (length == 0) return std::nullopt;
    if (length < size) return TextFromWide(value.data(), length);
    size = length;
  }
}

std::optional<std::string> RawCommandLine() { return TextFromWide(GetCommandLineW()); }

std::string OwnFilePath() {
  // The call reports a cut name only by filling the whole buffer, so grow until it does not.
  for (DWORD size = MAX_PATH; size <= 65536; size *= 2) {
    std::wstring path(size, L'\0');
    DWORD length = GetModuleFileNameW(nullptr, path.data(), size);
    if (length == 0) return {};
    if (length < size) return TextFromWide(path.data(), length);
  }
  return {};
}

void KeepFreedMemory() {}

void OpenNullOntoClosedStandardStreams() {
  for (const DWORD which : {STD_INPUT_HANDLE, STD_OUTPUT_HANDLE, STD_ERROR_HANDLE}) {
    const HANDLE handle = GetStdHandle(which);
    if (handle != nullptr && handle != INVALID_HANDLE_VALUE) continue;
    SECURITY_ATTRIBUTES inherited{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    const HANDLE null_device =
        CreateFileW(L"NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    &inherited, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (null_device != INVALID_HANDLE_VALUE) SetStdHandle(which, null_device);
  }
}

bool WriteFileContents(const std::string& path, std::string_view bytes) {
  HANDLE file = CreateFileW(WideFromText(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  // Write errors are not reported (the contract of this call).
  WriteAll(file, bytes);
  CloseHandle(file);
  return true;
}

std::string FallbackHandoffPath() { return {}; }

bool IsRegularFile(const std::string& path) {
  const DWORD attributes = GetFileAttributesW(WideFromText(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES &&
         (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) == 0;
}

}  // namespace dirhop::platform
