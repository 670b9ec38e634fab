// The console layer: buffered text to standard output, text colours, single keys and the screen
// metrics that pages are laid out by. Every module that talks to the user goes through Console.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/host.h"
#include "platform/platform.h"

namespace dirhop {

using platform::Key;

// The four text colours (Windows console attributes on black).
inline constexpr std::uint16_t kColourNormal = 7;
inline constexpr std::uint16_t kColourLabel = 10;
inline constexpr std::uint16_t kColourError = 12;
inline constexpr std::uint16_t kColourNotice = 14;

// Key values that callers test.
inline constexpr std::uint8_t kKeyEscape = 27;
inline constexpr std::uint8_t kKeyCtrlC = 3;
inline constexpr std::uint8_t kKeyEnter = 13;
inline constexpr std::uint8_t kExtHome = platform::kScanHome;
inline constexpr std::uint8_t kExtUp = platform::kScanUp;
inline constexpr std::uint8_t kExtPageUp = platform::kScanPageUp;
inline constexpr std::uint8_t kExtEnd = platform::kScanEnd;
inline constexpr std::uint8_t kExtDown = platform::kScanDown;
inline constexpr std::uint8_t kExtPageDown = platform::kScanPageDown;

class Console {
 public:
  // Wraps an opened device and reads the screen metrics once (80/40/24 when unknown).
  explicit Console(std::unique_ptr<platform::ConsoleDevice> device);
  ~Console();
  Console(const Console&) = delete;
  Console& operator=(const Console&) = delete;

  // Appends text to the output buffer.
  void Write(std::string_view text);
  // Appends the decimal form of `number`.
  void WriteNumber(long long number);
  // Appends `text` and a line end.
  void WriteLine(std::string_view text = {});
  // Sends the buffered text to the console.
  void Flush();

  // Flushes what is buffered (so it keeps the colour it was written in), then sets `attr`.
  void SetTextColour(std::uint16_t attr);
  // The attribute most recently set; 7 before the first call.
  std::uint16_t CurrentTextColour() const { return colour_; }
  // Sets the normal colour, then ends the line.
  void EndColouredLine();
  // One whole message line in `attr`: colour, text, EndColouredLine.
  void ColouredLine(std::uint16_t attr, std::string_view text);

  // Waits for one key press (flushing output first); (0, 79) when no key can be read.
  Key ReadConsoleKey();
  // Like ReadConsoleKey, but nullopt when no key can be read, for callers that must not wait
  // for ever on a console that gives no keys.
  std::optional<Key> TryReadKey();
  // Drops the keys typed before now and not read yet, so that a question or menu about to appear
  // is answered only by keys pressed after it appeared.
  void DiscardTypedAhead() { device_->DiscardPendingInput(); }

  // Calls `hook` once, just before the first text, colour or key read that follows; an empty hook
  // clears it. The hook may write: it is cleared before it runs.
  void SetBeforeOutput(std::function<void()> hook) { before_output_ = std::move(hook); }

  // True when the output is a terminal or console, false when it goes to a file or a pipe
  // (read once, at construction).
  bool WritesToScreen() const { return writes_to_screen_; }
  int ScreenWidth() const { return width_; }
  int ScreenHalfWidth() const { return half_width_; }
  int ScreenLastRow() const { return last_row_; }

 private:
  // Runs and clears the before-output hook, if one is set.
  void BeforeOutput();

  std::unique_ptr<platform::ConsoleDevice> device_;
  std::function<void()> before_output_;
  std::string buffer_;
  std::uint16_t colour_ = kColourNormal;
  bool writes_to_screen_ = true;
  int width_ = 80;
  int half_width_ = 40;
  int last_row_ = 24;
};

// Opens the process's console through `host`. When a standard handle is missing, writes the
// matching "Cannot get console ... handle." line to standard output and returns null; the caller
// ends the run with an error exit code, since the run does nothing.
std::unique_ptr<Console> ConsoleInit(Host& host);

// `count` copies of `ch`.
std::string RepeatChar(std::uint8_t count, char ch);

// The visible form of `text` (raw or already visible) cut to `width` terminal columns as
// VisibleTextCut cuts it, then padded with spaces to exactly `width` columns.
std::string PadToWidth(std::string_view text, std::uint8_t width);

}  // namespace dirhop
