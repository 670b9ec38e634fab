// The colours of the console attributes on an ANSI terminal (the POSIX console device).
#pragma once

#include <cstdint>
#include <string>

namespace dirhop::platform {

// The SGR sequence that makes later text appear as Windows attribute `attr` would, in colours
// that read well on both light and dark terminal themes: 7 (normal) is the terminal's own
// colours; 10 (labels) is bold in the terminal's own foreground; 12 (errors) is red; 14 (notices)
// is magenta. Any other attribute gets the nearest standard (not bright) foreground, and a
// background when its background bits are set. Each sequence starts from the terminal's own
// colours, so none depends on the one before it.
std::string AnsiColourSequence(std::uint16_t attr);

}  // namespace dirhop::platform
