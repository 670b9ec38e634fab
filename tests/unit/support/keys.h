// Key presses for scripted key input, written briefly.
#pragma once

#include <cstdint>

#include "platform/platform.h"

namespace dirhop::test {

// A key press with character code `ch`.
inline platform::Key Ch(std::uint8_t ch) { return platform::Key{ch, 0}; }
// An extended key press (no character) with code `ext`.
inline platform::Key Ext(std::uint8_t ext) { return platform::Key{0, ext}; }

}  // namespace dirhop::test
