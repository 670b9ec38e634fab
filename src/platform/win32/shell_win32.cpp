// Opening documents through the Windows shell, and running a program, with wide strings.
#include <windows.h>
// after windows.h, which it needs
#include <process.h>
#include <shellapi.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/shell_platform.h"
#include "platform/win32/win32_io.h"

namespace dirhop::platform {

int OpenWithShell(const std::string& file, const std::string& parameters,
                  const std::string& directory, int show) {
  // No owner window and no verb: the shell's default action for the file's type. Empty texts
  // are passed as empty strings, as the launcher hands them over.
  HINSTANCE result =
      ShellExecuteW(nullptr, nullptr, WideFromText(file).c_str(), WideFromText(parameters).c_str(),
                    WideFromText(directory).c_str(), show);
  // The result is a handle only for compatibility; its value is the status code.
  return static_cast<int>(reinterpret_cast<std::intptr_t>(result));
}

bool DesktopOpenerAvailable() { return true; }

int RunInTerminal(const std::vector<std::string>& words) {
  if (words.empty()) return -1;
  // _wspawnvp joins the words with blanks unquoted: a word with a blank is quoted here.
  std::vector<std::wstring> quoted;
  for (const std::string& word : words) {
    const std::wstring wide = WideFromText(word);
    quoted.push_back(word.find_first_of(" \t") == std::string::npos ? wide : L"\"" + wide + L"\"");
  }
  std::vector<const wchar_t*> argv;
  for (const std::wstring& word : quoted) argv.push_back(word.c_str());
  argv.push_back(nullptr);
  const intptr_t code = _wspawnvp(_P_WAIT, WideFromText(words.front()).c_str(), argv.data());
  return code < 0 ? -1 : static_cast<int>(code);
}

}  // namespace dirhop::platform
