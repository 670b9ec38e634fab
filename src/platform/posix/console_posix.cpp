// The console device on a POSIX terminal: text and ANSI colours to standard output, single keys
// from standard input in raw mode, the size from TIOCGWINSZ.

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>

#include "platform/key_decoder.h"
#include "platform/platform.h"
#include "platform/posix/posix_io.h"

namespace dirhop::platform {
namespace {

// The terminal settings to put back if a signal ends the program in the middle of a key read.
// Written before g_read_in_progress is raised, read only by the signal handler.
termios g_saved_termios;
volatile sig_atomic_t g_read_in_progress = 0;

// Signals that end the program by default and can arrive while stdin is in raw mode. (With ISIG
// off the terminal sends none of them, but another process can.)
constexpr int kRestoringSignals[] = {SIGTERM, SIGHUP, SIGQUIT, SIGINT};

void RestoreTerminalAndReraise(int sig) {
  if (g_read_in_progress) tcsetattr(STDIN_FILENO, TCSANOW, &g_saved_termios);
  struct sigaction default_action {};
  default_action.sa_handler = SIG_DFL;
  sigemptyset(&default_action.sa_mask);
  sigaction(sig, &default_action, nullptr);
  // The signal is blocked while its handler runs; it is delivered with the default action, which
  // ends the process, as soon as the handler returns.
  raise(sig);
}

// Installs the restoring handlers once. A signal that the process inherited as ignored (nohup)
// stays ignored.
void InstallRestoringHandlers() {
  static bool installed = false;
  if (installed) return;
  installed = true;
  for (int sig : kRestoringSignals) {
    struct sigaction previous {};
    if (sigaction(sig, nullptr, &previous) != 0 || previous.sa_handler == SIG_IGN) continue;
    struct sigaction action {};
    action.sa_handler = RestoreTerminalAndReraise;
    sigemptyset(&action.sa_mask);
    for (int other : kRestoringSignals) sigaddset(&action.sa_mask, other);
    sigaction(sig, &action, nullptr);
  }
}

// Single bytes without line editing, echo or signal keys (Ctrl+C arrives as byte 3), 8 bits wide,
// no CR translation (Enter arrives as CR), no flow control (Ctrl+S and Ctrl+Q arrive as keys).
// Output processing is left alone: nothing is written while a key is read.
termios RawInputMode(termios mode) {
  mode.c_iflag &= ~static_cast<tcflag_t>(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL |
                                         IXON);
  mode.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
  mode.c_cc[VMIN] = 1;
  mode.c_cc[VTIME] = 0;
  return mode;
}

// Standard input as a ByteSource.
class StdinByteSource final : public ByteSource {
 public:
  std::optional<std::uint8_t> NextByte(int timeout_ms) override {
    if (timeout_ms != kWaitForever && !WaitForInput(timeout_ms)) return std::nullopt;
    for (;;) {
      unsigned char byte = 0;
      ssize_t count = read(STDIN_FILENO, &byte, 1);
      if (count == 1) return byte;
      if (count < 0 && errno == EINTR) continue;
      return std::nullopt;  // end of input or a read error
    }
  }

 private:
  // True when a byte (or end of input) can be read within `timeout_ms`.
  static bool WaitForInput(int timeout_ms) {
    pollfd fd{STDIN_FILENO, POLLIN, 0};
    for (;;) {
      int ready = poll(&fd, 1, timeout_ms);
      if (ready > 0) return true;
      if (ready < 0 && errno == EINTR) continue;
      return false;
    }
  }
};

// The ANSI colour number (0..7) of the Windows colour bits blue 1, green 2, red 4.
int AnsiColour(unsigned bits) { return ((bits & 4) ? 1 : 0) | ((bits & 2) ? 2 : 0) | ((bits & 1) ? 4 : 0); }

class PosixConsoleDevice final : public ConsoleDevice {
 public:
  PosixConsoleDevice() {
    const char* no_colour = std::getenv("NO_COLOR");
    colours_ = isatty(STDOUT_FILENO) && (no_colour == nullptr || *no_colour == '\0');
  }

  // Output errors are not reported, as on Windows.
  void Write(std::string_view bytes) override { WriteAll(STDOUT_FILENO, bytes); }

  void SetAttribute(std::uint16_t attr) override {
    // Like a colour set on redirected Windows output, colours outside a terminal do nothing.
    if (!colours_) return;
    std::string sequence = ColourSequence(attr);
    WriteAll(STDOUT_FILENO, sequence);
  }

  std::optional<Key> ReadKey() override {
    if (!isatty(STDIN_FILENO)) return std::nullopt;
    termios saved{};
    if (tcgetattr(STDIN_FILENO, &saved) != 0) return std::nullopt;
    InstallRestoringHandlers();
    g_saved_termios = saved;
    g_read_in_progress = 1;
    // TCSANOW keeps keys typed ahead; raw mode lasts only for this read, so the terminal is back
    // to normal whenever the program is not waiting for a key.
    termios raw = RawInputMode(saved);
    if (tcsetattr(STDIN_FILENO, TCSANOW, &raw) != 0) {
      g_read_in_progress = 0;
      return std::nullopt;
    }
    StdinByteSource source;
    std::optional<Key> key = decoder_.ReadKey(source);
    tcsetattr(STDIN_FILENO, TCSANOW, &saved);
    g_read_in_progress = 0;
    return key;
  }

  std::optional<ScreenSize> BufferSize() override {
    winsize size{};
    if (ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) != 0 || size.ws_row == 0 || size.ws_col == 0) {
      return std::nullopt;
    }
    return ScreenSize{size.ws_col, size.ws_row};
  }

 private:
  // The ANSI sequence for Windows attribute `attr`. 7, the normal colour, is the terminal's own
  // colours; intensity (bit 3) selects the bright foreground. A black background is the terminal's
  // background, so the four colours the program uses need nothing but a foreground code.
  std::string ColourSequence(std::uint16_t attr) {
    unsigned foreground = attr & 0x0F;
    unsigned background = (attr >> 4) & 0x0F;
    if (attr == 7) {
      background_set_ = false;
      return "\x1b[0m";
    }
    std::string codes;
    if (background != 0) {
      codes = ";" + std::to_string(((background & 8) ? 100 : 40) + AnsiColour(background));
    } else if (background_set_) {
      codes = ";49";  // back to the terminal's background
    }
    background_set_ = background != 0;
    int fg = ((foreground & 8) ? 90 : 30) + AnsiColour(foreground);
    return "\x1b[" + std::to_string(fg) + codes + "m";
  }

  KeyDecoder decoder_;
  bool colours_ = false;
  bool background_set_ = false;
};

}  // namespace

std::unique_ptr<ConsoleDevice> OpenConsoleDevice(ConsoleFailure& failure) {
  failure = ConsoleFailure::kNone;
  // Checked in the order output, error, input; the first closed descriptor is the one reported.
  if (fcntl(STDOUT_FILENO, F_GETFD) == -1) {
    failure = ConsoleFailure::kOutput;
  } else if (fcntl(STDERR_FILENO, F_GETFD) == -1) {
    failure = ConsoleFailure::kError;
  } else if (fcntl(STDIN_FILENO, F_GETFD) == -1) {
    failure = ConsoleFailure::kInput;
  }
  if (failure != ConsoleFailure::kNone) return nullptr;
  return std::make_unique<PosixConsoleDevice>();
}

}  // namespace dirhop::platform
