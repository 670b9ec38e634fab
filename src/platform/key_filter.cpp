#include "platform/key_filter.h"

namespace dirhop::platform {

std::optional<Key> FilterKeyRecord(const KeyRecord& record) {
  if (!record.is_key_event || !record.key_down) return std::nullopt;

  // Wine delivers Escape without its character (ch 0, virtual key 27); Windows gives ch 27. Give
  // it its character before filtering so that Escape behaves the same on both.
  std::uint8_t ch = record.ch;
  if (ch == 0 && record.virtual_key == kVirtualKeyEscape) ch = 27;

  const bool has_char = ch != 0;
  const bool lock_key =
      record.virtual_key == kVirtualKeyNumLock || record.virtual_key == kVirtualKeyScrollLock;
  const bool no_modifier = (record.control_state & kModifierMask) == 0;
  // Skips Shift, Ctrl and Alt on their own and combinations such as Ctrl+Home or Alt+F1.
  if (!has_char && !lock_key && !no_modifier) return std::nullopt;

  Key key;
  key.ch = ch;
  key.ext = has_char ? 0 : static_cast<std::uint8_t>(record.scan_code & 0xFF);
  return key;
}

std::optional<Key> ReadFilteredKey(const std::function<std::optional<KeyRecord>()>& read_record) {
  for (;;) {
    std::optional<KeyRecord> record = read_record();
    if (!record) return std::nullopt;
    if (std::optional<Key> key = FilterKeyRecord(*record)) return *key;
  }
}

}  // namespace dirhop::platform
