// Fuzz target: the POSIX key decoder fed terminal bytes and pauses. Checks that decoding ends,
// that every key has the shape the console reports (a character, or a known scan code), that waits
// are either unlimited or the escape-sequence gap, and that input without Escape bytes decodes
// byte for byte.
//
// Input: the bytes the terminal sends, where 0xFF stands for a pause longer than the gap (a timed
// wait comes back empty; an unlimited one waits it out) and 0xFE makes the next byte literal.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "fuzz_check.h"
#include "platform/key_decoder.h"
#include "platform/platform.h"

namespace {

using namespace dirhop::platform;

constexpr int kPause = -1;

// The script of input bytes and pauses described by the fuzz input.
std::vector<int> Script(const std::uint8_t* data, std::size_t size) {
  std::vector<int> script;
  for (std::size_t i = 0; i < size; ++i) {
    if (data[i] == 0xFF) {
      script.push_back(kPause);
    } else if (data[i] == 0xFE && i + 1 < size) {
      script.push_back(data[++i]);
    } else {
      script.push_back(data[i]);
    }
  }
  return script;
}

// Plays a script: bytes come at once, a pause empties one timed wait, the end empties all waits.
class ScriptSource final : public ByteSource {
 public:
  explicit ScriptSource(const std::vector<int>& script) : script_(script) {}

  std::optional<std::uint8_t> NextByte(int timeout_ms) override {
    FUZZ_CHECK(timeout_ms == kWaitForever || timeout_ms == kEscapeSequenceGapMs,
               "a wait is unlimited or the escape-sequence gap");
    if (timeout_ms == kWaitForever) {
      while (next_ < script_.size() && script_[next_] == kPause) ++next_;
    } else if (next_ < script_.size() && script_[next_] == kPause) {
      ++next_;
      return std::nullopt;
    }
    if (next_ >= script_.size()) {
      ++waits_at_end_;
      return std::nullopt;
    }
    return static_cast<std::uint8_t>(script_[next_++]);
  }

  // How many waits found the input at its end.
  std::size_t waits_at_end() const { return waits_at_end_; }

 private:
  const std::vector<int>& script_;
  std::size_t next_ = 0;
  std::size_t waits_at_end_ = 0;
};

bool IsKnownScanCode(std::uint8_t ext) {
  switch (ext) {
    case kScanUp:
    case kScanDown:
    case kScanLeft:
    case kScanRight:
    case kScanHome:
    case kScanEnd:
    case kScanPageUp:
    case kScanPageDown:
    case kScanInsert:
    case kScanDelete:
    case kScanF11:
    case kScanF12:
      return true;
    default:
      return ext >= kScanF1 && ext < kScanF1 + 10;  // F1..F10
  }
}

// Every key until the input ends.
std::vector<Key> DecodeAll(const std::vector<int>& script) {
  ScriptSource source(script);
  KeyDecoder decoder;
  std::vector<Key> keys;
  while (std::optional<Key> key = decoder.ReadKey(source)) {
    FUZZ_CHECK(keys.size() < script.size(), "each key takes at least one byte");
    const bool character = key->ch != 0 && key->ext == 0;
    const bool special = key->ch == 0 && IsKnownScanCode(key->ext);
    FUZZ_CHECK(character || special, "a key is a character or a known scan code");
    FUZZ_CHECK(key->ch != 10 && key->ch != 127, "LF reads as Enter, DEL as Backspace");
    keys.push_back(*key);
  }
  // At the end of input at most a cut-off sequence and then ReadKey itself wait.
  FUZZ_CHECK(source.waits_at_end() <= 2, "decoding stops once the input has ended");
  return keys;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::vector<int> script = Script(data, size);
  DecodeAll(script);

  // Without Escape bytes there are no sequences: each byte is its own key, NUL is skipped.
  std::vector<int> plain;
  std::vector<Key> expected;
  for (int item : script) {
    if (item == 27) continue;
    plain.push_back(item);
    if (item == kPause || item == 0) continue;
    if (item == 10 || item == 13) {
      expected.push_back(Key{13, 0});
    } else if (item == 127) {
      expected.push_back(Key{8, 0});
    } else {
      expected.push_back(Key{static_cast<std::uint8_t>(item), 0});
    }
  }
  FUZZ_CHECK(DecodeAll(plain) == expected, "input without Escape decodes byte for byte");
  return 0;
}
