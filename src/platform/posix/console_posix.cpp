// The console device on a POSIX terminal: text and ANSI colours to standard output, single keys
// from standard input in raw mode (raw_terminal_posix.h), the size from TIOCGWINSZ.

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>

#include "platform/key_decoder.h"
#include "platform/platform.h"
#include "platform/posix/posix_io.h"
#include "platform/posix/raw_terminal_posix.h"

namespace dirhop::platform {
namespace {

// Standard input as a ByteSource. The suspend key's byte, which raw mode delivers as input,
// suspends the program and is not passed on.
class StdinByteSource final : public ByteSource {
 public:
  explicit StdinByteSource(std::optional<std::uint8_t> suspend_byte)
      : suspend_byte_(suspend_byte) {}

  std::optional<std::uint8_t> NextByte(int timeout_ms) override {
    for (;;) {
      if (timeout_ms != kWaitForever && !WaitForInput(timeout_ms)) return std::nullopt;
      std::optional<std::uint8_t> byte = ReadByte();
      if (byte && byte == suspend_byte_) {
        SuspendLikeTheTerminal();
        continue;
      }
      return byte;
    }
  }

 private:
  // One byte; nullopt at the end of input or on a read error.
  static std::optional<std::uint8_t> ReadByte() {
    for (;;) {
      unsigned char byte = 0;
      ssize_t count = read(STDIN_FILENO, &byte, 1);
      if (count == 1) return byte;
      if (count < 0 && errno == EINTR) continue;
      return std::nullopt;
    }
  }

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

  std::optional<std::uint8_t> suspend_byte_;
};

// The ANSI colour number (0..7) of the Windows colour bits blue 1, green 2, red 4.
int AnsiColour(unsigned bits) {
  return ((bits & 4) ? 1 : 0) | ((bits & 2) ? 2 : 0) | ((bits & 1) ? 4 : 0);
}

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
    // Raw mode lasts only for this read, so the terminal is in its own mode whenever the program
    // is not waiting for a key.
    RawInputSession raw;
    if (!raw.active()) return std::nullopt;
    StdinByteSource source(raw.suspend_byte());
    return decoder_.ReadKey(source);
  }

  void DiscardPendingInput() override {
    // Fails harmlessly (ENOTTY) when standard input is a pipe or a file: that input was not typed.
    tcflush(STDIN_FILENO, TCIFLUSH);
    // A byte the decoder kept from the last key belongs to what was typed before.
    decoder_ = KeyDecoder();
  }

  bool WritesToScreen() override { return isatty(STDOUT_FILENO) != 0; }

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
