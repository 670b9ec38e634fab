#include "console/pager.h"

#include <cstdint>
#include <string>

namespace dirhop {

namespace {

// The prompt is rubbed out in place: back over it, blank it, back again. 64 covers the
// 56-character prompt with room to spare.
constexpr std::uint8_t kEraseWidth = 64;
static_assert(kEraseWidth >= kPagerPrompt.size(), "the erase must cover the whole prompt");
constexpr char kBackspace = '\b';

}  // namespace

PageResult Pager::PageLine(std::string_view text) {
  // The caller's colour is for this line, not for the prompt; keep it across a pause.
  const std::uint16_t line_colour = console_.CurrentTextColour();
  ++line_count_;
  // Output to a file or a pipe is read by a program, not page by page: it never waits for a key.
  if (console_.WritesToScreen() && line_count_ > console_.ScreenLastRow() &&
      Pause() == PageResult::kLeft) {
    return PageResult::kLeft;
  }
  console_.SetTextColour(line_colour);
  console_.Write(text);
  console_.Flush();
  console_.EndColouredLine();
  return PageResult::kShown;
}

PageResult Pager::Pause() {
  console_.SetTextColour(kColourNotice);
  console_.Write(kPagerPrompt);
  console_.Flush();
  console_.SetTextColour(kColourNormal);
  const Key key = console_.ReadConsoleKey();

  const std::string back = RepeatChar(kEraseWidth, kBackspace);
  console_.Write(back);
  console_.Flush();
  console_.Write(RepeatChar(kEraseWidth, ' '));
  console_.Flush();
  console_.Write(back);
  console_.Flush();

  if (key.ch == kKeyEscape || key.ch == kKeyCtrlC) return PageResult::kLeft;
  // Anything else continues, a failed read included: a console that gives no keys must not
  // stop the text for good.
  line_count_ = 0;
  return PageResult::kShown;
}

}  // namespace dirhop
