// The status line on a POSIX terminal, and what Ctrl+C does while it is shown.
//
// Ctrl+C keeps its default action while a line is shown: the kernel then ends the process even
// inside a wait that only a fatal signal ends (a request queued for a FUSE or network file
// system), where a handler would run only once the wait is over. To erase the line first, SIGINT
// is blocked in the program's thread while a line is shown, and a watching thread takes it with
// sigwait: it erases the line, then raises SIGINT with its default action, which ends every
// thread of the process, the one waiting in the kernel included. The program's thread ends the
// watch with a signal of its own (kWakeSignal, blocked in the watcher alone), so a Ctrl+C that
// comes with it is never taken for it: it stays pending and ends the program when SIGINT is
// unblocked again.

#include <pthread.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <time.h>
#include <unistd.h>

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

// The signal that the program's thread sends the watcher alone to end the watch. Sent to one
// thread, which blocks it, it never takes its default action; one sent to the process from
// elsewhere reaches the program's thread as it always did.
constexpr int kWakeSignal = SIGUSR2;

// {SIGINT}, or {SIGINT, kWakeSignal}.
sigset_t SignalSet(bool with_wake) {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGINT);
  if (with_wake) sigaddset(&set, kWakeSignal);
  return set;
}

void* WatchForInterrupt(void*) {
  const sigset_t awaited = SignalSet(true);
  int sig = 0;
  while (sigwait(&awaited, &sig) != 0) {
  }
  if (sig == kWakeSignal) return nullptr;
  g_line_mutex.lock();  // held: the process ends below
  EraseLocked();
  struct sigaction default_action {};
  default_action.sa_handler = SIG_DFL;
  sigemptyset(&default_action.sa_mask);
  sigaction(SIGINT, &default_action, nullptr);
  const sigset_t interrupt = SignalSet(false);
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
    // The watcher inherits both signals blocked, which sigwait needs; the program's thread keeps
    // SIGINT blocked and takes kWakeSignal back.
    const sigset_t both = SignalSet(true);
    pthread_sigmask(SIG_BLOCK, &both, &previous_mask_);
    const bool started = pthread_create(&watcher_, nullptr, WatchForInterrupt, nullptr) == 0;
    sigset_t program_mask = previous_mask_;
    if (started) sigaddset(&program_mask, SIGINT);
    pthread_sigmask(SIG_SETMASK, &program_mask, nullptr);
    watching_ = started;
  }

  void EndWatch() {
    pthread_kill(watcher_, kWakeSignal);
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
