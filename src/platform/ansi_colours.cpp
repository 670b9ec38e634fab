#include "platform/ansi_colours.h"

namespace dirhop::platform {

namespace {

// The ANSI colour number (0..7) of the Windows colour bits blue 1, green 2, red 4.
int AnsiColour(unsigned bits) {
  return ((bits & 4) ? 1 : 0) | ((bits & 2) ? 2 : 0) | ((bits & 1) ? 4 : 0);
}

}  // namespace

std::string AnsiColourSequence(std::uint16_t attr) {
  // The bright foregrounds (90-97) and yellow, green and cyan (33, 32, 36) all but vanish on a
  // white background, and blue on a black one; bold and red and magenta read on both.
  switch (attr) {
    case 7:
      return "\x1b[0m";
    case 10:
      return "\x1b[0;1m";
    case 12:
      return "\x1b[0;31m";
    case 14:
      return "\x1b[0;35m";
    default:
      break;
  }
  const unsigned foreground = attr & 0x0F;
  const unsigned background = (attr >> 4) & 0x0F;
  std::string sequence = "\x1b[0;" + std::to_string(30 + AnsiColour(foreground));
  if (background != 0) {
    sequence += ";" + std::to_string(((background & 8) ? 100 : 40) + AnsiColour(background));
  }
  return sequence + "m";
}

}  // namespace dirhop::platform
