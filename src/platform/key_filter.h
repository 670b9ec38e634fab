// Turning console input records into key presses. The Win32 reader converts each INPUT_RECORD to a
// KeyRecord and lets this code decide; keeping the decision here makes it testable on every host.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>

#include "platform/platform.h"

namespace dirhop::platform {

// The fields of one console input record that the key reader looks at.
struct KeyRecord {
  bool is_key_event = false;
  bool key_down = false;
  std::uint16_t virtual_key = 0;
  std::uint16_t scan_code = 0;
  std::uint8_t ch = 0;
  std::uint32_t control_state = 0;
};

// Virtual-key codes and modifier bits that the filter tests.
inline constexpr std::uint16_t kVirtualKeyEscape = 27;
inline constexpr std::uint16_t kVirtualKeyNumLock = 144;
inline constexpr std::uint16_t kVirtualKeyScrollLock = 145;
inline constexpr std::uint32_t kModifierMask = 0x1F;  // right/left Alt, right/left Ctrl, Shift

// The key that `record` reports, or nullopt when the reader must skip it (not a key press, or a
// key without a character pressed together with Alt, Ctrl or Shift).
std::optional<Key> FilterKeyRecord(const KeyRecord& record);

// Calls `read_record` until a record passes FilterKeyRecord and returns its key; returns
// nullopt as soon as `read_record` returns nullopt (the read failed).
std::optional<Key> ReadFilteredKey(const std::function<std::optional<KeyRecord>()>& read_record);

}  // namespace dirhop::platform
