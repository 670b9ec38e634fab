#include "platform/key_filter.h"

#include <gtest/gtest.h>

#include <vector>

namespace dirhop::platform {
namespace {

constexpr std::uint32_t kShift = 0x10;
constexpr std::uint32_t kLeftCtrl = 0x08;
constexpr std::uint32_t kLeftAlt = 0x02;
constexpr std::uint32_t kNumLockOn = 0x20;  // a state bit outside the modifier mask

KeyRecord Down(std::uint16_t vk, std::uint16_t scan, std::uint8_t ch, std::uint32_t state = 0) {
  KeyRecord record;
  record.is_key_event = true;
  record.key_down = true;
  record.virtual_key = vk;
  record.scan_code = scan;
  record.ch = ch;
  record.control_state = state;
  return record;
}

KeyRecord Up(KeyRecord record) {
  record.key_down = false;
  return record;
}

// Plays `records` to ReadFilteredKey and collects keys until the records run out.
std::vector<Key> ReadAll(const std::vector<KeyRecord>& records) {
  std::size_t next = 0;
  auto source = [&]() -> std::optional<KeyRecord> {
    if (next == records.size()) return std::nullopt;
    return records[next++];
  };
  std::vector<Key> keys;
  for (;;) {
    std::optional<Key> key = ReadFilteredKey(source);
    if (!key) break;
    keys.push_back(*key);
  }
  return keys;
}

TEST(FilterKeyRecordTest, KeysWithoutCharacterAloneGiveScanCode) {
  EXPECT_EQ(FilterKeyRecord(Down(36, 71, 0)), (Key{0, 71}));  // Home
  EXPECT_EQ(FilterKeyRecord(Down(20, 58, 0)), (Key{0, 58}));  // Caps Lock
  EXPECT_EQ(FilterKeyRecord(Down(40, 80, 0)), (Key{0, 80}));  // Down
  // Lock-state bits are not modifiers.
  EXPECT_EQ(FilterKeyRecord(Down(34, 81, 0, kNumLockOn)), (Key{0, 81}));  // Page Down
  // Only the low 8 bits of the scan code are the extended code.
  EXPECT_EQ(FilterKeyRecord(Down(36, 0x147, 0)), (Key{0, 0x47}));
}

TEST(FilterKeyRecordTest, CharacterKeysGiveCharacterAndNoExtendedCode) {
  EXPECT_EQ(FilterKeyRecord(Down(65, 30, 'a')), (Key{'a', 0}));
  EXPECT_EQ(FilterKeyRecord(Down(13, 28, 13)), (Key{13, 0}));
  // A character typed with a modifier is returned: Shift+A is the capital, Ctrl+C is 3.
  EXPECT_EQ(FilterKeyRecord(Down(65, 30, 'A', kShift)), (Key{'A', 0}));
  EXPECT_EQ(FilterKeyRecord(Down(67, 46, 3, kLeftCtrl)), (Key{3, 0}));
  // A character above 127 stays one unsigned byte.
  EXPECT_EQ(FilterKeyRecord(Down(0xDE, 40, 0x84)), (Key{0x84, 0}));
}

TEST(FilterKeyRecordTest, ModifiersAloneAndWithCharacterlessKeysAreSkipped) {
  EXPECT_EQ(FilterKeyRecord(Down(16, 42, 0, kShift)), std::nullopt);     // Shift
  EXPECT_EQ(FilterKeyRecord(Down(17, 29, 0, kLeftCtrl)), std::nullopt);  // Ctrl
  EXPECT_EQ(FilterKeyRecord(Down(18, 56, 0, kLeftAlt)), std::nullopt);   // Alt
  EXPECT_EQ(FilterKeyRecord(Down(36, 71, 0, kLeftCtrl)), std::nullopt);  // Ctrl+Home
  EXPECT_EQ(FilterKeyRecord(Down(112, 59, 0, kLeftAlt)), std::nullopt);  // Alt+F1
  EXPECT_EQ(FilterKeyRecord(Down(36, 71, 0, 0x01)), std::nullopt);       // right Alt+Home
  EXPECT_EQ(FilterKeyRecord(Down(36, 71, 0, 0x04)), std::nullopt);       // right Ctrl+Home
}

TEST(FilterKeyRecordTest, LockKeysPassEvenWithModifiers) {
  EXPECT_EQ(FilterKeyRecord(Down(144, 69, 0, kShift)), (Key{0, 69}));     // Num Lock
  EXPECT_EQ(FilterKeyRecord(Down(145, 70, 0, kLeftCtrl)), (Key{0, 70}));  // Scroll Lock
}

TEST(FilterKeyRecordTest, ReleasesAndOtherEventsAreSkipped) {
  EXPECT_EQ(FilterKeyRecord(Up(Down(65, 30, 'a'))), std::nullopt);
  EXPECT_EQ(FilterKeyRecord(Up(Down(36, 71, 0))), std::nullopt);
  KeyRecord mouse = Down(65, 30, 'a');  // stale key fields must not matter
  mouse.is_key_event = false;
  EXPECT_EQ(FilterKeyRecord(mouse), std::nullopt);
}

TEST(FilterKeyRecordTest, EscapeIsCharacter27WhetherOrNotTheCharacterArrives) {
  EXPECT_EQ(FilterKeyRecord(Down(27, 1, 27)), (Key{27, 0}));  // as Windows sends it
  EXPECT_EQ(FilterKeyRecord(Down(27, 1, 0)), (Key{27, 0}));   // as Wine sends it
  EXPECT_EQ(FilterKeyRecord(Down(27, 1, 0, kShift)), (Key{27, 0}));
  EXPECT_EQ(FilterKeyRecord(Up(Down(27, 1, 0))), std::nullopt);
}

TEST(ReadFilteredKeyTest, SkipsUntilAKeyPressAndStopsOnReadFailure) {
  const KeyRecord shift = Down(16, 42, 0, kShift);
  const KeyRecord capital_a = Down(65, 30, 'A', kShift);
  std::vector<Key> keys =
      ReadAll({shift, capital_a, Up(capital_a), Up(shift), Down(17, 29, 0, kLeftCtrl),
               Down(36, 71, 0, kLeftCtrl), Down(36, 71, 0)});
  EXPECT_EQ(keys, (std::vector<Key>{{'A', 0}, {0, 71}}));

  int calls = 0;
  EXPECT_EQ(ReadFilteredKey([&]() -> std::optional<KeyRecord> {
              ++calls;
              return std::nullopt;
            }),
            std::nullopt);
  EXPECT_EQ(calls, 1);
}

TEST(ReadFilteredKeyTest, EachRepeatedKeyDownIsOneKey) {
  const KeyRecord down = Down(40, 80, 0);
  std::vector<Key> keys = ReadAll({down, down, down, Up(down)});
  EXPECT_EQ(keys, (std::vector<Key>(3, Key{0, 80})));
}

}  // namespace
}  // namespace dirhop::platform
