#include "platform/key_decoder.h"

#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

#include "support/keys.h"

namespace dirhop::platform {
namespace {

// Marks a gap in the scripted input longer than any escape-sequence timeout.
constexpr int kPause = -1;

// Input bytes as a terminal would deliver them. A pause makes a timed wait come back empty; a wait
// without limit passes over it, as a user who pauses and then types is just slow. At the end of the
// script every wait comes back empty (end of input).
class ScriptedSource final : public ByteSource {
 public:
  explicit ScriptedSource(std::vector<int> script) : script_(script.begin(), script.end()) {}

  std::optional<std::uint8_t> NextByte(int timeout_ms) override {
    if (timeout_ms == kWaitForever) {
      while (!script_.empty() && script_.front() == kPause) script_.pop_front();
    } else {
      timed_waits_.push_back(timeout_ms);
      if (!script_.empty() && script_.front() == kPause) {
        script_.pop_front();
        return std::nullopt;
      }
    }
    if (script_.empty()) return std::nullopt;
    int byte = script_.front();
    script_.pop_front();
    return static_cast<std::uint8_t>(byte);
  }

  const std::vector<int>& timed_waits() const { return timed_waits_; }

 private:
  std::deque<int> script_;
  std::vector<int> timed_waits_;
};

// The script of the bytes of `text`.
std::vector<int> Bytes(const std::string& text) {
  std::vector<int> bytes;
  for (unsigned char c : text) bytes.push_back(c);
  return bytes;
}

// Decodes the script into keys until the input ends.
std::vector<Key> DecodeAll(const std::vector<int>& script) {
  ScriptedSource source(script);
  KeyDecoder decoder;
  std::vector<Key> keys;
  while (std::optional<Key> key = decoder.ReadKey(source)) keys.push_back(*key);
  return keys;
}

std::vector<Key> DecodeAll(const std::string& text) { return DecodeAll(Bytes(text)); }

using test::Ch;
using test::Ext;

// Prints keys readably in failure messages.
std::string Describe(const std::vector<Key>& keys) {
  std::string text;
  for (Key key : keys) {
    text += "(" + std::to_string(key.ch) + "," + std::to_string(key.ext) + ")";
  }
  return text;
}

struct SequenceCase {
  const char* sequence;
  std::uint8_t ext;
};

TEST(KeyDecoderTest, EscapeSequencesGiveTheWindowsScanCodes) {
  const SequenceCase cases[] = {
      {"\x1b[H", 71},    {"\x1bOH", 71},   {"\x1b[1~", 71},  {"\x1b[7~", 71},   // Home
      {"\x1b[A", 72},    {"\x1bOA", 72},                                        // Up
      {"\x1b[5~", 73},                                                          // Page Up
      {"\x1b[D", 75},    {"\x1bOD", 75},                                        // Left
      {"\x1b[C", 77},    {"\x1bOC", 77},                                        // Right
      {"\x1b[F", 79},    {"\x1bOF", 79},   {"\x1b[4~", 79},  {"\x1b[8~", 79},   // End
      {"\x1b[B", 80},    {"\x1bOB", 80},                                        // Down
      {"\x1b[6~", 81},                                                          // Page Down
      {"\x1b[2~", 82},                                                          // Insert
      {"\x1b[3~", 83},                                                          // Delete
      {"\x1bOP", 59},    {"\x1bOQ", 60},   {"\x1bOR", 61},   {"\x1bOS", 62},    // F1-F4 (xterm)
      {"\x1b[11~", 59},  {"\x1b[12~", 60}, {"\x1b[13~", 61}, {"\x1b[14~", 62},  // F1-F4 (vt)
      {"\x1b[15~", 63},                                                         // F5
      {"\x1b[17~", 64},  {"\x1b[18~", 65}, {"\x1b[19~", 66}, {"\x1b[20~", 67},  // F6-F9
      {"\x1b[21~", 68},                                                         // F10
      {"\x1b[23~", 87},  {"\x1b[24~", 88},                                      // F11, F12
      {"\x1b[[A", 59},   {"\x1b[[B", 60},  {"\x1b[[E", 63},                     // Linux console
      {"\x1b[1;1A", 72},  // modifier 1 means none
  };
  for (const SequenceCase& c : cases) {
    std::vector<Key> keys = DecodeAll(c.sequence);
    ASSERT_EQ(keys.size(), 1u) << Describe(keys) << " for " << (c.sequence + 1);
    EXPECT_EQ(keys[0], Ext(c.ext)) << Describe(keys) << " for " << (c.sequence + 1);
  }
}

TEST(KeyDecoderTest, SequenceBytesArriveWithinTheEscapeTimeout) {
  ScriptedSource source(Bytes("\x1b[15~"));
  KeyDecoder decoder;
  EXPECT_EQ(decoder.ReadKey(source), Ext(63));
  ASSERT_FALSE(source.timed_waits().empty());
  for (int wait : source.timed_waits()) EXPECT_EQ(wait, kEscapeSequenceGapMs);
}

TEST(KeyDecoderTest, CharactersAndControlBytes) {
  EXPECT_EQ(Describe(DecodeAll("aZ5 ~")), Describe({Ch('a'), Ch('Z'), Ch('5'), Ch(' '), Ch('~')}));
  // Enter as CR or LF, Backspace as DEL, Ctrl+C and Tab as they come.
  EXPECT_EQ(Describe(DecodeAll(std::vector<int>{13, 10, 127, 3, 9, 8})),
            Describe({Ch(13), Ch(13), Ch(8), Ch(3), Ch(9), Ch(8)}));
  // UTF-8 and other high bytes pass one by one.
  EXPECT_EQ(Describe(DecodeAll("\xc3\xa4\xff")), Describe({Ch(0xc3), Ch(0xa4), Ch(0xff)}));
  // NUL (Ctrl+Space) has no character and a modifier: skipped like on Windows.
  EXPECT_EQ(Describe(DecodeAll(std::vector<int>{0, 'x'})), Describe({Ch('x')}));
}

TEST(KeyDecoderTest, LoneEscapeIsToldFromSequencesByTheTimeout) {
  // Escape and then nothing: the Escape key, whether the input pauses or ends.
  EXPECT_EQ(Describe(DecodeAll(std::vector<int>{27, kPause})), Describe({Ch(27)}));
  EXPECT_EQ(Describe(DecodeAll(std::vector<int>{27})), Describe({Ch(27)}));
  // A key typed after the timeout is a key of its own, even one that could continue a sequence.
  EXPECT_EQ(Describe(DecodeAll(std::vector<int>{27, kPause, 'a'})), Describe({Ch(27), Ch('a')}));
  EXPECT_EQ(Describe(DecodeAll(std::vector<int>{27, kPause, '[', 'A'})),
            Describe({Ch(27), Ch('['), Ch('A')}));
  // Escape twice: two Escape keys; Escape before a sequence: Escape, then the sequence's key.
  EXPECT_EQ(Describe(DecodeAll(std::vector<int>{27, 27, kPause})), Describe({Ch(27), Ch(27)}));
  EXPECT_EQ(Describe(DecodeAll(std::vector<int>{27, kPause, 27, '[', 'B'})),
            Describe({Ch(27), Ext(80)}));
}

TEST(KeyDecoderTest, AltWithACharacterGivesTheCharacter) {
  EXPECT_EQ(Describe(DecodeAll("\x1bx")), Describe({Ch('x')}));
  EXPECT_EQ(Describe(DecodeAll(std::vector<int>{27, 13})), Describe({Ch(13)}));
  // The sequence introducers alone, with nothing after them in time, are Alt+[ and Alt+O.
  EXPECT_EQ(Describe(DecodeAll(std::vector<int>{27, '[', kPause, 'q'})),
            Describe({Ch('['), Ch('q')}));
  EXPECT_EQ(Describe(DecodeAll(std::vector<int>{27, 'O', kPause, 'q'})),
            Describe({Ch('O'), Ch('q')}));
}

TEST(KeyDecoderTest, FirstByteOfAKeyIsAwaitedWithoutLimit) {
  EXPECT_EQ(Describe(DecodeAll(std::vector<int>{kPause, kPause, 'k'})), Describe({Ch('k')}));
}

TEST(KeyDecoderTest, ModifiedSpecialKeysAreSkipped) {
  // Ctrl+Home, Shift+Up, Alt+PgDn, Ctrl+F5, Ctrl+F1 in three dialects: each gives no key, and the
  // key after it comes through.
  const char* const modified[] = {"\x1b[1;5H", "\x1b[1;2A", "\x1b[6;3~", "\x1b[15;5~",
                                  "\x1b[1;5P", "\x1bO5P",   "\x1bO1;5P"};
  for (const char* sequence : modified) {
    EXPECT_EQ(Describe(DecodeAll(std::string(sequence) + "z")), Describe({Ch('z')}))
        << (sequence + 1);
  }
}

TEST(KeyDecoderTest, UnknownSequencesAreSkippedWhole) {
  const char* const unknown[] = {
      "\x1b[99~",                         // no such key
      "\x1b[~",                           // no key number
      "\x1b[Z",                           // Shift+Tab
      "\x1b[?1;2c",                       // a terminal's answer with a private marker
      "\x1b[1;2;3A",                      // too many fields
      "\x1b[ q",                          // intermediate byte
      "\x1bOM",                           // keypad Enter in application mode
      "\x1b[[Z",                          // not a Linux console function key
      "\x1b[1234567890123456789012345~",  // far too long
  };
  for (const char* sequence : unknown) {
    EXPECT_EQ(Describe(DecodeAll(std::string(sequence) + "\x1b[A")), Describe({Ext(72)}))
        << (sequence + 1);
  }
}

TEST(KeyDecoderTest, CutOffSequencesAreDroppedAndTheBreakingKeyKept) {
  // A pause in the middle: what came so far is dropped; the next key is read afresh.
  EXPECT_EQ(Describe(DecodeAll(std::vector<int>{27, '[', '1', kPause, 'x'})), Describe({Ch('x')}));
  EXPECT_EQ(Describe(DecodeAll(std::vector<int>{27, '[', '[', kPause, 'x'})), Describe({Ch('x')}));
  // A byte that cannot belong to a sequence starts the next key.
  EXPECT_EQ(Describe(DecodeAll(std::vector<int>{27, '[', '1', 13})), Describe({Ch(13)}));
  EXPECT_EQ(Describe(DecodeAll(std::vector<int>{27, 'O', 3})), Describe({Ch(3)}));
  EXPECT_EQ(Describe(DecodeAll(std::vector<int>{27, '[', '[', 127})), Describe({Ch(8)}));
  EXPECT_EQ(Describe(DecodeAll(std::vector<int>{27, '[', '5', 27, '[', 'D'})), Describe({Ext(75)}));
  // Input that ends inside a sequence gives no key and then the end.
  EXPECT_EQ(Describe(DecodeAll(std::vector<int>{27, '[', '5'})), "");
}

TEST(KeyDecoderTest, EndOfInputIsReportedOnlyWhenNoKeyIsPending) {
  ScriptedSource source(Bytes("\x1b\x1b"));
  KeyDecoder decoder;
  EXPECT_EQ(decoder.ReadKey(source), Ch(27));
  // The second Escape was read with the first; it still comes out before the end of input.
  EXPECT_EQ(decoder.ReadKey(source), Ch(27));
  EXPECT_EQ(decoder.ReadKey(source), std::nullopt);
}

}  // namespace
}  // namespace dirhop::platform
