// The pager: long screens are written one line at a time through PageLine, which stops with a
// prompt whenever a screenful has gone by. Escape (or Ctrl+C) at the prompt leaves the text: the
// caller then ends the run with exit code 0.
#pragma once

#include <string_view>

#include "console/console.h"

namespace dirhop {

// The prompt shown when the screen is full (56 characters, written in the notice colour).
inline constexpr std::string_view kPagerPrompt =
    " -- Press [Esc] to exit or any other key to continue -- ";

// Whether a paged text went on to its end or the user left it at the prompt.
enum class PageResult { kShown, kLeft };

// Counts the lines of one run and pauses between screenfuls. Create one per run and pass it to
// everything that pages, so that consecutive screens share one count.
class Pager {
 public:
  // Pages through `console`, with no lines counted yet.
  explicit Pager(Console& console) : console_(console) {}
  Pager(const Pager&) = delete;
  Pager& operator=(const Pager&) = delete;

  // Writes `text` as one whole line in the colour current at the call, pausing first if the
  // screen is full and the output is a screen (never into a file or a pipe); leaves the normal
  // colour set. Escape or Ctrl+C at the pause erases the prompt
  // and gives kLeft without writing the line (the caller writes nothing more and ends the run with
  // exit code 0); any other key, or a failed key read, goes on.
  PageResult PageLine(std::string_view text);

  // Lines written through PageLine since the start of the run or since the last pause.
  long long PagerLineCount() const { return line_count_; }

  // The console this pager writes to (for callers that colour the next line).
  Console& console() { return console_; }

 private:
  // Shows the prompt, waits for a key, erases the prompt; kLeft on Escape or Ctrl+C.
  PageResult Pause();

  Console& console_;
  // Wide, so that a screen buffer of 128 rows or more still pauses when it is full.
  long long line_count_ = 0;
};

}  // namespace dirhop
