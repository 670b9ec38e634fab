// Raw mode and the signals that must not leave it behind.
//
// While a key is read the terminal is raw: ISIG is off, so the terminal itself sends no signal,
// but other processes can (kill, a timer, a closed pipe, a hang-up), and the suspend key arrives
// as a byte. The handlers here only touch state that is complete before the raw flag is raised
// and call only async-signal-safe functions. The hardware faults are left to the crash report.

#include "platform/posix/raw_terminal_posix.h"

#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <utility>
#include <vector>

namespace dirhop::platform {
namespace {

// The terminal's own mode and the raw mode of the read in progress. Written only while the
// handled signals are blocked, before g_raw_in_effect is raised.
termios g_own_mode;
termios g_raw_mode;
volatile sig_atomic_t g_raw_in_effect = 0;
// Whether SIGTSTP is handled here (it is not when the process inherited it as ignored).
volatile sig_atomic_t g_stop_handled = 0;

// Signals whose default action ends the process, except the hardware faults (SIGSEGV, SIGBUS,
// SIGFPE, SIGILL: the crash report's) and SIGKILL, which cannot be caught.
std::vector<int> EndingSignals() {
  std::vector<int> signals = {SIGHUP,  SIGINT,    SIGQUIT, SIGTERM, SIGUSR1,
                              SIGUSR2, SIGALRM,   SIGPIPE, SIGABRT, SIGTRAP,
                              SIGSYS,  SIGVTALRM, SIGPROF, SIGXCPU, SIGXFSZ};
#ifdef __linux__
  signals.push_back(SIGPOLL);
  signals.push_back(SIGPWR);
#ifdef SIGSTKFLT
  signals.push_back(SIGSTKFLT);
#endif
#endif
#ifdef SIGEMT
  signals.push_back(SIGEMT);
#endif
#ifdef SIGRTMIN
  for (int sig = SIGRTMIN; sig <= SIGRTMAX; ++sig) signals.push_back(sig);
#endif
  return signals;
}

// Every signal handled here; blocked while a handler runs and while raw mode is switched.
sigset_t g_handled;

// True unless standard input is the controlling terminal and another process group has it. A
// terminal that is not the controlling one (tcgetpgrp fails) has no job control to respect.
bool InForeground() {
  const pid_t foreground = tcgetpgrp(STDIN_FILENO);
  return foreground == -1 || foreground == getpgrp();
}

// Puts the terminal's own mode back if raw mode is in effect. Only from the foreground: in the
// background the terminal belongs to someone else (the shell has set its own mode), and trying
// would stop the process with SIGTTOU.
void PutOwnModeBack() {
  if (g_raw_in_effect && InForeground()) tcsetattr(STDIN_FILENO, TCSANOW, &g_own_mode);
}

void SetRawModeAgain() {
  if (g_raw_in_effect && InForeground()) tcsetattr(STDIN_FILENO, TCSANOW, &g_raw_mode);
}

void SetDisposition(int sig, void (*handler)(int)) {
  struct sigaction action {};
  action.sa_handler = handler;
  action.sa_mask = g_handled;
  // Interrupted system calls elsewhere in the program go on after a stop and continue.
  action.sa_flags = SA_RESTART;
  sigaction(sig, &action, nullptr);
}

void Unblock(int sig) {
  sigset_t one;
  sigemptyset(&one);
  sigaddset(&one, sig);
  sigprocmask(SIG_UNBLOCK, &one, nullptr);
}

// The program ends: terminal first, then the signal again with its default action, so that the
// exit status (and a core dump where the signal makes one) is the signal's own.
void OnEndingSignal(int sig) {
  PutOwnModeBack();
  SetDisposition(sig, SIG_DFL);
  raise(sig);
  Unblock(sig);  // the pending signal is delivered here and ends the process
}

// Suspended (the suspend key, or SIGTSTP from elsewhere): terminal first, then the default stop.
// Execution goes on here once the process is continued.
void OnStopSignal(int sig) {
  const int saved_errno = errno;
  PutOwnModeBack();
  SetDisposition(sig, SIG_DFL);
  raise(sig);
  Unblock(sig);  // stops here
  SetDisposition(sig, OnStopSignal);
  SetRawModeAgain();
  errno = saved_errno;
}

// Continued (fg), whatever stopped the process: a job-control shell has given the terminal its
// own mode meanwhile, and the read in progress needs raw mode again.
void OnContinue(int) {
  const int saved_errno = errno;
  SetRawModeAgain();
  errno = saved_errno;
}

// The dispositions the handlers replaced, by signal, while the handlers are installed.
std::vector<std::pair<int, struct sigaction>> g_replaced;

// Installs the handlers for the time raw mode may be in effect. A signal that the process
// inherited as ignored (nohup, a shell without job control) stays ignored.
void InstallHandlers() {
  if (!g_replaced.empty()) return;
  const std::vector<int> ending = EndingSignals();
  sigemptyset(&g_handled);
  for (int sig : ending) sigaddset(&g_handled, sig);
  sigaddset(&g_handled, SIGTSTP);
  sigaddset(&g_handled, SIGCONT);

  auto install_unless_ignored = [](int sig, void (*handler)(int), bool even_ignored) {
    struct sigaction previous {};
    if (sigaction(sig, nullptr, &previous) != 0) return false;
    if (previous.sa_handler == SIG_IGN && !even_ignored) return false;
    SetDisposition(sig, handler);
    g_replaced.emplace_back(sig, previous);
    return true;
  };
  for (int sig : ending) install_unless_ignored(sig, OnEndingSignal, false);
  g_stop_handled = install_unless_ignored(SIGTSTP, OnStopSignal, false);
  install_unless_ignored(SIGCONT, OnContinue, true);
}

// Puts back what InstallHandlers replaced. Outside a key read the signals act as they did before
// the program changed anything: Ctrl+C ends a run that waits in the system (a change of directory
// on a share that is slow to answer) instead of waiting for a handler that can run only after the
// call returns.
void RemoveHandlers() {
  for (const auto& [sig, previous] : g_replaced) sigaction(sig, &previous, nullptr);
  g_replaced.clear();
  g_stop_handled = 0;
}

// Blocks the handled signals for the life of the object, so that a handler never sees the raw
// flag and the terminal mode disagree.
class HandledSignalsBlocked {
 public:
  HandledSignalsBlocked() { sigprocmask(SIG_BLOCK, &g_handled, &previous_); }
  ~HandledSignalsBlocked() { sigprocmask(SIG_SETMASK, &previous_, nullptr); }
  HandledSignalsBlocked(const HandledSignalsBlocked&) = delete;
  HandledSignalsBlocked& operator=(const HandledSignalsBlocked&) = delete;

 private:
  sigset_t previous_;
};

// Single bytes without line editing, echo or signal keys (Ctrl+C arrives as byte 3), 8 bits wide,
// no CR translation (Enter arrives as CR), no flow control (Ctrl+S and Ctrl+Q arrive as keys).
// Output processing is left alone: nothing is written while a key is read.
termios RawInputMode(termios mode) {
  mode.c_iflag &=
      ~static_cast<tcflag_t>(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON);
  mode.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
  mode.c_cc[VMIN] = 1;
  mode.c_cc[VTIME] = 0;
  return mode;
}

}  // namespace

RawInputSession::RawInputSession() {
  if (!isatty(STDIN_FILENO)) return;
  termios own{};
  if (tcgetattr(STDIN_FILENO, &own) != 0) return;
  InstallHandlers();
  HandledSignalsBlocked blocked;
  g_own_mode = own;
  g_raw_mode = RawInputMode(own);
  // TCSANOW keeps keys typed ahead.
  if (tcsetattr(STDIN_FILENO, TCSANOW, &g_raw_mode) != 0) {
    RemoveHandlers();
    return;
  }
  g_raw_in_effect = 1;
  active_ = true;
  // The suspend key suspends only where the terminal's own mode sends signals for keys.
  const cc_t suspend = own.c_cc[VSUSP];
  if ((own.c_lflag & ISIG) != 0 && suspend != static_cast<cc_t>(_POSIX_VDISABLE)) {
    suspend_byte_ = static_cast<std::uint8_t>(suspend);
  }
}

RawInputSession::~RawInputSession() {
  if (!active_) return;
  HandledSignalsBlocked blocked;
  tcsetattr(STDIN_FILENO, TCSANOW, &g_own_mode);
  g_raw_in_effect = 0;
  // A signal that came meanwhile is delivered as the block ends, with its own disposition.
  RemoveHandlers();
}

void SuspendLikeTheTerminal() {
  // The terminal sends SIGTSTP to the whole foreground process group, which is this process's
  // group while it reads a key. The signal reaches this process before kill returns.
  if (g_stop_handled) kill(0, SIGTSTP);
}

}  // namespace dirhop::platform
