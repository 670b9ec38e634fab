// The Win32 console device: standard output for text, console attributes for colour, raw console
// input records for keys. Text reaches a console as UTF-16, so every character shows whatever the
// console's code page; output redirected to a file or a pipe is the program's UTF-8 bytes.
#include <windows.h>

#include <cstdio>
#include <memory>
#include <string>

#include "platform/key_filter.h"
#include "platform/platform.h"
#include "platform/wide_text.h"
#include "platform/win32/win32_io.h"

namespace dirhop::platform {
namespace {

class Win32ConsoleDevice : public ConsoleDevice {
 public:
  Win32ConsoleDevice(HANDLE output, HANDLE input)
      : output_(output), input_(input), console_output_(IsConsoleOutput(output)) {}

  ~Win32ConsoleDevice() override { WriteHeldBytes(); }

  void Write(std::string_view bytes) override {
    if (!console_output_) {
      // Through the C runtime's text-mode stdout, so "\n" becomes CRLF as in a batch file;
      // the bytes are otherwise unchanged (a wrapper reads them as UTF-8). Flushed at once to
      // keep the order with anything written to the handle directly.
      std::fwrite(bytes.data(), 1, bytes.size(), stdout);
      std::fflush(stdout);
      return;
    }
    // A character may arrive in two writes: its first bytes wait for the rest, as converting
    // them alone would show replacement characters.
    held_.append(bytes);
    const std::size_t complete = held_.size() - IncompleteUtf8TailLength(held_);
    WriteConsoleText(output_, std::string_view(held_).substr(0, complete));
    held_.erase(0, complete);
  }

  void SetAttribute(std::uint16_t attr) override {
    // A colour applies to what comes after it: whatever is held goes out first.
    WriteHeldBytes();
    // Fails harmlessly when output is redirected.
    SetConsoleTextAttribute(output_, attr);
  }

  std::optional<Key> ReadKey() override {
    WriteHeldBytes();
    return ReadFilteredKey([this]() -> std::optional<KeyRecord> {
      INPUT_RECORD input;
      DWORD count = 0;
      // A successful read that returns no record is treated as a failure too: retrying it
      // could spin for ever.
      if (!ReadConsoleInputW(input_, &input, 1, &count) || count != 1) return std::nullopt;
      KeyRecord record;
      record.is_key_event = input.EventType == KEY_EVENT;
      if (record.is_key_event) {
        const KEY_EVENT_RECORD& key = input.Event.KeyEvent;
        record.key_down = key.bKeyDown != FALSE;
        record.virtual_key = key.wVirtualKeyCode;
        record.control_state = key.dwControlKeyState;
        // Every key the program answers is ASCII. Any other character is an unknown key, with
        // no scan code either, so that it never passes for a key without a character.
        if (key.uChar.UnicodeChar < 0x80) {
          record.ch = static_cast<std::uint8_t>(key.uChar.UnicodeChar);
          record.scan_code = key.wVirtualScanCode;
        }
      }
      return record;
    });
  }

  // Fails harmlessly when standard input is not a console.
  void DiscardPendingInput() override { FlushConsoleInputBuffer(input_); }

  bool WritesToScreen() override { return console_output_; }

  std::optional<ScreenSize> BufferSize() override {
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (!GetConsoleScreenBufferInfo(output_, &info)) return std::nullopt;
    return ScreenSize{info.dwSize.X, info.dwSize.Y};
  }

 private:
  // Writes the start of a character still waiting for its end; it shows as a replacement.
  void WriteHeldBytes() {
    if (held_.empty()) return;
    WriteConsoleText(output_, held_);
    held_.clear();
  }

  HANDLE output_;
  HANDLE input_;
  bool console_output_;
  std::string held_;  // the first bytes of a character whose end has not been written yet
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
