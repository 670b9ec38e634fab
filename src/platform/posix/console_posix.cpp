// The console device on a POSIX terminal: text and ANSI colours to standard output, error lines to
// standard error, single keys from standard input in raw mode (raw_terminal_posix.h), the size
// from TIOCGWINSZ.

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>

#include "platform/ansi_colours.h"
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

// The attribute of error lines: text written in it goes to standard error.
constexpr std::uint16_t kErrorAttribute = 12;
constexpr std::uint16_t kNormalAttribute = 7;

// One output stream of the device and the colour its text is in now.
struct OutputStream {
  int fd;
  bool colours;  // a terminal, and NO_COLOR unset
  std::uint16_t attr = kNormalAttribute;
};

class PosixConsoleDevice final : public ConsoleDevice {
 public:
  PosixConsoleDevice() {
    const char* no_colour = std::getenv("NO_COLOR");
    const bool wanted = no_colour == nullptr || *no_colour == '\0';
    output_.colours = wanted && isatty(STDOUT_FILENO);
    error_.colours = wanted && isatty(STDERR_FILENO);
  }

  // Output errors are not reported, as on Windows.
  void Write(std::string_view bytes) override {
    if (bytes.empty()) return;
    if (in_error_) {
      WriteAll(STDERR_FILENO, bytes);
      error_line_open_ = bytes.back() != '\n';
      return;
    }
    // An error line is ended in the normal colour: its line end belongs on standard error too.
    if (error_line_open_ && bytes.front() == '\n') {
      WriteAll(STDERR_FILENO, "\n");
      bytes.remove_prefix(1);
    }
    error_line_open_ = false;
    WriteAll(STDOUT_FILENO, bytes);
  }

  void SetAttribute(std::uint16_t attr) override {
    in_error_ = attr == kErrorAttribute;
    // The stream left behind goes back to the terminal's colours; the other takes `attr`.
    SetStreamColour(in_error_ ? output_ : error_, kNormalAttribute);
    SetStreamColour(in_error_ ? error_ : output_, attr);
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
  // Like a colour set on redirected Windows output, colours outside a terminal add no bytes.
  static void SetStreamColour(OutputStream& stream, std::uint16_t attr) {
    if (stream.attr == attr) return;
    stream.attr = attr;
    if (stream.colours) WriteAll(stream.fd, AnsiColourSequence(attr));
  }

  KeyDecoder decoder_;
  OutputStream output_{STDOUT_FILENO, false};
  OutputStream error_{STDERR_FILENO, false};
  bool in_error_ = false;         // the error attribute is set: text goes to standard error
  bool error_line_open_ = false;  // the last text was error text without its line end
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
