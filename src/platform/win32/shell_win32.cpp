// Opening documents through the Windows shell.
#include <windows.h>
// after windows.h, which it needs
#include <process.h>
#include <shellapi.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/shell_platform.h"

namespace dirhop::platform {

int OpenWithShell(const std::string& file, const std::string& parameters,
                  const std::string& directory, int show) {
  // No owner window and no verb: the shell's default action for the file's type. Empty texts
  // are passed as empty strings, as the launcher hands them over.
  HINSTANCE result =
      ShellExecuteA(nullptr, nullptr, file.c_str(), parameters.c_str(), directory.c_str(), show);
  // The result is a handle only for compatibility; its value is the status code.
  return static_cast<int>(reinterpret_cast<std::intptr_t>(result));
}

bool DesktopOpenerAvailable() { return true; }

int RunInTerminal(const std::vector<std::string>& words) {
  if (words.empty()) return -1;
  // _spawnvp joins the words with blanks unquoted: a word with a blank is quoted here.
  std::vector<std::string> quoted;
  for (const std::string& word : words) {
    quoted.push_back(word.find_first_of(" \t") == std::string::npos ? word : "\"" + word + "\"");
  }
  std::vector<const char*> argv;
  for (const std::string& word : quoted) argv.push_back(word.c_str());
  argv.push_back(nullptr);
  const intptr_t code = _spawnvp(_P_WAIT, words.front().c_str(), argv.data());
  return code < 0 ? -1 : static_cast<int>(code);
}

}  // namespace dirhop::platform
