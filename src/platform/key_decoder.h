// Turning the bytes a terminal sends into key presses with the values the Windows console reports
// (character, scan code). The POSIX key reader feeds it from standard input; the decoding itself
// needs no terminal, so it is built and tested on every host.
#pragma once

#include <cstdint>
#include <optional>

#include "platform/platform.h"

namespace dirhop::platform {

// A stream of terminal input bytes.
class ByteSource {
 public:
  virtual ~ByteSource() = default;
  // The next byte; waits without limit when `timeout_ms` is kWaitForever, else at most
  // `timeout_ms` milliseconds. nullopt when no byte came: time up, end of input or a read error.
  virtual std::optional<std::uint8_t> NextByte(int timeout_ms) = 0;
};

// The `timeout_ms` that makes ByteSource::NextByte wait until a byte arrives.
inline constexpr int kWaitForever = -1;

// How long a byte that continues an escape sequence may take; a terminal sends a whole sequence at
// once, so an Escape followed by nothing within this time is the Escape key itself.
inline constexpr int kEscapeSequenceGapMs = 50;

// Decodes terminal input into keys. Keeps at most one byte between calls: the start of the next
// key when it arrived inside what looked like an escape sequence.
class KeyDecoder {
 public:
  // Reads from `source` until the bytes make one key and returns it; nullopt when the input ends
  // or fails before a key is complete. Characters come as (ch, 0) with Enter (CR or LF) as 13 and
  // DEL as 8 (Backspace); special keys as (0, scan code); a lone Escape as (27, 0). Keys pressed
  // with Ctrl, Alt or Shift that have no character, NUL, and unknown sequences are skipped.
  std::optional<Key> ReadKey(ByteSource& source);

 private:
  // The outcome of decoding one key's bytes: a key, or nothing to report (skipped input).
  using Decoded = std::optional<Key>;

  // Decodes a key that starts with `byte`; escape sequences read their remaining bytes.
  Decoded DecodeFrom(std::uint8_t byte, ByteSource& source);
  // Decodes what follows an Escape byte.
  Decoded DecodeEscape(ByteSource& source);
  // Decodes what follows "ESC [".
  Decoded DecodeCsi(ByteSource& source);
  // Decodes what follows "ESC O".
  Decoded DecodeSs3(ByteSource& source);
  // Ends a sequence that `byte` broke off: the byte is kept as the start of the next key.
  Decoded AbandonSequence(std::uint8_t byte);

  std::optional<std::uint8_t> pending_;
};

}  // namespace dirhop::platform
