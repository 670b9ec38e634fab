// The status line on a POSIX terminal, and what Ctrl+C does while it is shown.
//
// Ctrl+C keeps its default action while a line is shown: the kernel then ends the process even
// inside a wait that only a fatal signal ends (a request queued for a FUSE or network file
// system), where a handler would run only once the wait is over. To erase the line first, SIGINT
// is blocked in the program's thread while a line is shown, and a watching thread takes it with
// sigwait: it erases the line, then raises SIGINT with its default action, which ends every
// thread of the process, the one waiting in the kernel included.

#include <pthread.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <mutex>
#include <string>

#include "platform/posix/posix_io.h"
#include "platform/status_line.h"

namespace dirhop::platform {
namespace {

// What the line shows. Guarded by g_line_mutex, which Ctrl+C's erasing keeps held until the
// process has ended, so nothing is shown after it.
std::mutex g_line_mutex;
StatusLineBytes g_line{LineClearing::kEraseToEnd};

// Erases what is shown; g_line_mutex is held.
void EraseLocked() {
  const std::string bytes = g_line.Erase();
  if (!bytes.empty()) WriteAll(STDERR_FILENO, bytes);
}

// Set before the program's thread wakes the watcher to end it, so that the watcher tells its own
// wake-up from Ctrl+C.
std::atomic<bool> g_watch_ending{false};

void* WatchForInterrupt(void*) {
  sigset_t interrupt;
  sigemptyset(&interrupt);
  sigaddset(&interrupt, SIGINT);
  int sig = 0;
  while (sigwait(&interrupt, &sig) != 0) {
  }
  // A Ctrl+C that comes with the wake-up stays pending for the program's thread, which receives
  // it with the default action when it unblocks SIGINT.
  if (g_watch_ending.load()) return nullptr;
  g_line_mutex.lock();  // held: the process ends below
  EraseLocked();
  struct sigaction default_action {};
  default_action.sa_handler = SIG_DFL;
  sigemptyset(&default_action.sa_mask);
  sigaction(SIGINT, &default_action, nullptr);
  pthread_sigmask(SIG_UNBLOCK, &interrupt, nullptr);
  raise(SIGINT);
  return nullptr;
}

class PosixStatusLine final : public StatusLine {
 public:
  ~PosixStatusLine() override { Erase(); }

  void Show(std::string_view text) override {
    if (!watching_) StartWatch();
    const std::size_t longest = LongestText();
    std::lock_guard<std::mutex> lock(g_line_mutex);
    WriteAll(STDERR_FILENO, g_line.Show(text, longest));
  }

  void Erase() override {
    {
      std::lock_guard<std::mutex> lock(g_line_mutex);
      EraseLocked();
    }
    if (watching_) EndWatch();
  }

 private:
  // The longest text that fits the terminal's line without wrapping (a wrapped line could not be
  // erased from its start); no limit when the width is unknown.
  static std::size_t LongestText() {
    winsize size{};
    if (ioctl(STDERR_FILENO, TIOCGWINSZ, &size) != 0 || size.ws_col < 2) return std::string::npos;
    return static_cast<std::size_t>(size.ws_col) - 1;
  }

  // Starts the watcher for Ctrl+C, unless SIGINT does something else than its default action
  // (ignored in a background job started without job control, say).
  void StartWatch() {
    struct sigaction current {};
    if (sigaction(SIGINT, nullptr, &current) != 0 || current.sa_handler != SIG_DFL) return;
    sigset_t interrupt;
    sigemptyset(&interrupt);
    sigaddset(&interrupt, SIGINT);
    pthread_sigmask(SIG_BLOCK, &interrupt, &previous_mask_);
    g_watch_ending.store(false);
    // The watcher inherits the blocked SIGINT, which sigwait needs.
    if (pthread_create(&watcher_, nullptr, WatchForInterrupt, nullptr) != 0) {
      pthread_sigmask(SIG_SETMASK, &previous_mask_, nullptr);
      return;
    }
    watching_ = true;
  }

  void EndWatch() {
    g_watch_ending.store(true);
    pthread_kill(watcher_, SIGINT);
    pthread_join(watcher_, nullptr);
    watching_ = false;
    // A Ctrl+C pressed meanwhile is delivered here, with its default action.
    pthread_sigmask(SIG_SETMASK, &previous_mask_, nullptr);
  }

  bool watching_ = false;
  pthread_t watcher_{};
  sigset_t previous_mask_{};
};

}  // namespace

std::unique_ptr<StatusLine> OpenStatusLine() {
  if (!isatty(STDERR_FILENO)) return nullptr;
  return std::make_unique<PosixStatusLine>();
}

std::uint64_t MonotonicMilliseconds() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<std::uint64_t>(now.tv_sec) * 1000 +
         static_cast<std::uint64_t>(now.tv_nsec) / 1'000'000;
}

}  // namespace dirhop::platform
