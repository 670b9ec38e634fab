// A line of passing text on the terminal of standard error, such as the progress of a long
// search: shown over itself in place, erased before anything else is written, and erased too
// when Ctrl+C (or Ctrl+Break on Windows) ends the program while it is shown.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace dirhop::platform {

// One status line. A process has at most one at a time: the line that Ctrl+C erases is
// process-wide state.
class StatusLine {
 public:
  virtual ~StatusLine() = default;
  // Replaces the text shown with `text` (one line of ASCII; cut to the terminal's width), the
  // cursor left at its end. While a text is shown, Ctrl+C erases it before it ends the program
  // the way it does without one (POSIX: the default SIGINT, Windows: the next console control
  // handler); where SIGINT is ignored nothing changes about it.
  virtual void Show(std::string_view text) = 0;
  // Clears the line and puts the cursor back at its start; nothing when nothing is shown. Ctrl+C
  // acts as it did before the first Show again.
  virtual void Erase() = 0;
};

// How a status line clears what it leaves behind.
enum class LineClearing {
  kEraseToEnd,  // the terminal's erase-to-end-of-line sequence: also clears what the terminal
                // echoed after the text (the ^C of Ctrl+C, keys typed meanwhile)
  kBlanks,      // blanks over the characters written (a console that takes no sequences)
};

// The bytes that draw a status line in place, written once for both systems: a carriage return
// starts each text, and the clearing covers what a longer text before it left.
class StatusLineBytes {
 public:
  // Bytes that clear as `clearing` says.
  explicit StatusLineBytes(LineClearing clearing) : clearing_(clearing) {}

  // The bytes that put `text` (one line of ASCII) cut to `longest` characters in place of what
  // is shown, the cursor left at its end.
  std::string Show(std::string_view text, std::size_t longest);
  // The bytes that blank what is shown and leave the cursor at the start of the line; empty
  // when nothing is shown. Nothing is shown afterwards.
  std::string Erase();

 private:
  LineClearing clearing_;
  std::size_t shown_ = 0;  // the characters of the text on the line
};

// The status line on standard error when standard error is a terminal (a console on Windows);
// null when it is a file, a pipe or nothing. The returned line erases what it shows when it is
// destroyed.
std::unique_ptr<StatusLine> OpenStatusLine();

// Milliseconds on a clock that only moves forward (not the time of day); for measuring how long
// something has taken within one run.
std::uint64_t MonotonicMilliseconds();

}  // namespace dirhop::platform
