// The status line on a Windows console, and what Ctrl+C and Ctrl+Break do while it is shown: a
// console control handler erases the line, then passes the event on, so the program ends the way
// it does without a line (the system's default handler ends the process).

#include <windows.h>

#include <string>

#include "platform/status_line.h"
#include "platform/win32/win32_io.h"

namespace dirhop::platform {
namespace {

// The console of standard error and what the line shows there. Guarded by g_line_lock, which the
// control handler keeps held until the process has ended, so nothing is shown after it.
SRWLOCK g_line_lock = SRWLOCK_INIT;
HANDLE g_error_console = nullptr;
StatusLineBytes g_line{LineClearing::kBlanks};

// Erases what is shown; g_line_lock is held.
void EraseLocked() {
  const std::string bytes = g_line.Erase();
  if (!bytes.empty()) WriteConsoleText(g_error_console, bytes);
}

// Runs on a thread of its own that the system starts for the event.
BOOL WINAPI OnControlEvent(DWORD event) {
  if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) return FALSE;
  AcquireSRWLockExclusive(&g_line_lock);  // held: the next handler ends the process
  EraseLocked();
  return FALSE;
}

class Win32StatusLine final : public StatusLine {
 public:
  explicit Win32StatusLine(HANDLE error_console) { g_error_console = error_console; }
  ~Win32StatusLine() override { Erase(); }

  void Show(std::string_view text) override {
    if (!handling_) handling_ = SetConsoleCtrlHandler(OnControlEvent, TRUE) != 0;
    const std::size_t longest = LongestText();
    AcquireSRWLockExclusive(&g_line_lock);
    WriteConsoleText(g_error_console, g_line.Show(text, longest));
    ReleaseSRWLockExclusive(&g_line_lock);
  }

  void Erase() override {
    AcquireSRWLockExclusive(&g_line_lock);
    EraseLocked();
    ReleaseSRWLockExclusive(&g_line_lock);
    if (handling_) SetConsoleCtrlHandler(OnControlEvent, FALSE);
    handling_ = false;
  }

 private:
  // The longest text that fits the console's line without wrapping (a wrapped line could not be
  // erased from its start); no limit when the width is unknown.
  static std::size_t LongestText() {
    CONSOLE_SCREEN_BUFFER_INFO info{};
    if (!GetConsoleScreenBufferInfo(g_error_console, &info) || info.dwSize.X < 2) {
      return std::string::npos;
    }
    return static_cast<std::size_t>(info.dwSize.X) - 1;
  }

  bool handling_ = false;
};

}  // namespace

std::unique_ptr<StatusLine> OpenStatusLine() {
  const HANDLE error = GetStdHandle(STD_ERROR_HANDLE);
  if (!IsConsoleOutput(error)) return nullptr;
  return std::make_unique<Win32StatusLine>(error);
}

std::uint64_t MonotonicMilliseconds() { return GetTickCount64(); }

}  // namespace dirhop::platform
