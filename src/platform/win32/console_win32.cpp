// The Win32 console device: standard output for text, console attributes for colour, raw console
// input records for keys.
#include <windows.h>

#include <cstdio>
#include <memory>

#include "platform/key_filter.h"
#include "platform/platform.h"

namespace dirhop::platform {
namespace {

class Win32ConsoleDevice : public ConsoleDevice {
 public:
  Win32ConsoleDevice(HANDLE output, HANDLE input) : output_(output), input_(input) {}

  void Write(std::string_view bytes) override {
    // Through the C runtime's text-mode stdout, so "\n" becomes CRLF as in a batch file or a
    // console; flushed at once because a colour set next must not apply to this text.
    std::fwrite(bytes.data(), 1, bytes.size(), stdout);
    std::fflush(stdout);
  }

  void SetAttribute(std::uint16_t attr) override {
    // Fails harmlessly when output is redirected.
    SetConsoleTextAttribute(output_, attr);
  }

  std::optional<Key> ReadKey() override {
    return ReadFilteredKey([this]() -> std::optional<KeyRecord> {
      INPUT_RECORD input;
      DWORD count = 0;
      // A successful read that returns no record is treated as a failure too: retrying it
      // could spin for ever.
      if (!ReadConsoleInputA(input_, &input, 1, &count) || count != 1) return std::nullopt;
      KeyRecord record;
      record.is_key_event = input.EventType == KEY_EVENT;
      if (record.is_key_event) {
        const KEY_EVENT_RECORD& key = input.Event.KeyEvent;
        record.key_down = key.bKeyDown != FALSE;
        record.virtual_key = key.wVirtualKeyCode;
        record.scan_code = key.wVirtualScanCode;
        record.ch = static_cast<std::uint8_t>(key.uChar.AsciiChar);
        record.control_state = key.dwControlKeyState;
      }
      return record;
    });
  }

  std::optional<ScreenSize> BufferSize() override {
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (!GetConsoleScreenBufferInfo(output_, &info)) return std::nullopt;
    return ScreenSize{info.dwSize.X, info.dwSize.Y};
  }

 private:
  HANDLE output_;
  HANDLE input_;
};

}  // namespace

std::unique_ptr<ConsoleDevice> OpenConsoleDevice(ConsoleFailure& failure) {
  failure = ConsoleFailure::kNone;
  // Only INVALID_HANDLE_VALUE counts as failure: a null handle (no console attached) is accepted,
  // and the calls on it later fail quietly.
  HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
  if (output == INVALID_HANDLE_VALUE) {
    failure = ConsoleFailure::kOutput;
    return nullptr;
  }
  HANDLE error = GetStdHandle(STD_ERROR_HANDLE);
  if (error == INVALID_HANDLE_VALUE) {
    failure = ConsoleFailure::kError;
    return nullptr;
  }
  HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
  if (input == INVALID_HANDLE_VALUE) {
    failure = ConsoleFailure::kInput;
    return nullptr;
  }
  // Single keys, no echo, no line editing, no mouse or window events; Ctrl+C stays with the
  // console. Left unchecked: input that is not a console simply keeps its mode.
  SetConsoleMode(input, ENABLE_PROCESSED_INPUT);
  return std::make_unique<Win32ConsoleDevice>(output, input);
}

}  // namespace dirhop::platform
