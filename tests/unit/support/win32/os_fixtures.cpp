// The Windows side of the store tests' fixtures: there are no FIFOs, device nodes or owners to
// give files to; a file held open without the right to delete it shared is what a save holds.
#include "support/os_fixtures.h"

#include <windows.h>

#include <fstream>
#include <vector>

#include "platform/win32/win32_io.h"

namespace dirhop::test {

bool MakeFifo(const std::filesystem::path&) { return false; }

bool MakeNullDevice(const std::filesystem::path&) { return false; }

bool GiveToUser(const std::filesystem::path&, unsigned) { return false; }

HeldLikeASave::HeldLikeASave(const std::filesystem::path& path) {
  // The C library opens files sharing reading and writing, not deletion.
  auto file = std::make_shared<std::ofstream>(path, std::ios::binary | std::ios::app);
  if (file->is_open()) holder_ = file;
}

// The Win32 console device writes through the standard handles, not descriptors: nothing to do.
RedirectedStandardStreams::RedirectedStandardStreams(const std::filesystem::path&,
                                                     const std::filesystem::path&) {}

RedirectedStandardStreams::~RedirectedStandardStreams() = default;

bool RunsUnderWine() {
  // Wine's ntdll exports its version; Windows' does not.
  const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

std::vector<std::string> OtherWindowsNamesOf(const std::filesystem::path& file) {
  std::vector<std::string> names;
  const std::wstring path = file.wstring();
  // Wine's kernel32 tells the Linux name; Z: is the Linux root in every prefix.
  using UnixName = char*(CDECL*)(LPCWSTR);
  const auto unix_name = reinterpret_cast<UnixName>(reinterpret_cast<void (*)()>(
      GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
  if (char* name = unix_name != nullptr ? unix_name(path.c_str()) : nullptr) {
    std::string on_z = std::string("Z:") + name;
    HeapFree(GetProcessHeap(), 0, name);
    for (char& c : on_z) c = c == '/' ? '\\' : c;
    names.push_back(on_z);
  }
  std::wstring short_name(MAX_PATH, L'\0');
  const DWORD length = GetShortPathNameW(path.c_str(), short_name.data(), MAX_PATH);
  if (length > 0 && length < MAX_PATH) {
    short_name.resize(length);
    if (lstrcmpiW(short_name.c_str(), path.c_str()) != 0) {
      names.push_back(platform::TextFromWide(short_name.c_str()));
    }
  }
  return names;
}

bool SetEnvironmentText(const std::string& name, const std::optional<std::string>& value) {
  const std::wstring wide_name = platform::WideFromText(name);
  if (!value) return SetEnvironmentVariableW(wide_name.c_str(), nullptr) != 0;
  return SetEnvironmentVariableW(wide_name.c_str(), platform::WideFromText(*value).c_str()) != 0;
}

std::optional<std::u16string> RegistryStringUnits(const std::string& key, const std::string& name) {
  const std::wstring wide_key = platform::WideFromText(key);
  const std::wstring wide_name = platform::WideFromText(name);
  DWORD size = 0;
  if (RegGetValueW(HKEY_CURRENT_USER, wide_key.c_str(), wide_name.c_str(), RRF_RT_REG_SZ, nullptr,
                   nullptr, &size) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  std::vector<wchar_t> units(size / sizeof(wchar_t) + 1, L'\0');
  if (RegGetValueW(HKEY_CURRENT_USER, wide_key.c_str(), wide_name.c_str(), RRF_RT_REG_SZ, nullptr,
                   units.data(), &size) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  // The size counts the terminating NUL, which RegGetValueW always writes.
  const std::size_t count = size / sizeof(wchar_t);
  return std::u16string(units.begin(), units.begin() + (count > 0 ? count - 1 : 0));
}

}  // namespace dirhop::test
