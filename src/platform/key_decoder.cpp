#include "platform/key_decoder.h"

#include <string>
#include <vector>

namespace dirhop::platform {
namespace {

constexpr std::uint8_t kEsc = 27;
constexpr std::uint8_t kEnter = 13;
constexpr std::uint8_t kBackspace = 8;

// A sequence longer than this is nothing we know; its parameters are not kept.
constexpr std::size_t kMaxParameterBytes = 16;

Key Char(std::uint8_t ch) { return Key{ch, 0}; }
Key Scan(std::uint8_t ext) { return Key{0, ext}; }

// A byte that cannot be part of an escape sequence: a control byte, DEL or a high byte. When one
// turns up inside a sequence the user has already pressed the next key.
bool BreaksSequence(std::uint8_t byte) { return byte < 0x20 || byte >= 0x7F; }

// The key of a byte outside an escape sequence.
std::optional<Key> PlainKey(std::uint8_t byte) {
  switch (byte) {
    case 0:
      // Ctrl+Space or Ctrl+@: no character, pressed with Ctrl; the Windows reader skips it too.
      return std::nullopt;
    case 10:
    case 13:
      // Enter arrives as CR in raw mode; LF (Ctrl+J, or input that was translated) means the same.
      return Char(kEnter);
    case 127:
      // Terminals send DEL for the Backspace key, which Windows reports as character 8.
      return Char(kBackspace);
    default:
      return Char(byte);
  }
}

// The numeric fields of a sequence's parameter bytes ("1;5" gives {1, 5}); an empty field is -1.
// nullopt when the parameters are not plain numbers (private markers, sub-parameters).
std::optional<std::vector<int>> ParseFields(const std::string& params) {
  std::vector<int> fields{-1};
  for (char c : params) {
    if (c == ';') {
      fields.push_back(-1);
    } else if (c >= '0' && c <= '9') {
      int& field = fields.back();
      field = field < 0 ? 0 : field;
      if (field > 999) return std::nullopt;
      field = field * 10 + (c - '0');
    } else {
      return std::nullopt;
    }
  }
  return fields;
}

// True when a field leaves its default: anything but empty or 1 (1 is "no modifier").
bool IsSet(int field) { return field != -1 && field != 1; }

// The scan code of a cursor or editing key named by a sequence's final letter; 0 for other letters.
std::uint8_t ScanForLetter(std::uint8_t final_byte) {
  switch (final_byte) {
    case 'A':
      return kScanUp;
    case 'B':
      return kScanDown;
    case 'C':
      return kScanRight;
    case 'D':
      return kScanLeft;
    case 'H':
      return kScanHome;
    case 'F':
      return kScanEnd;
    default:
      return 0;
  }
}

// The scan code of the key of "ESC [ <number> ~"; 0 for numbers that name no key we report.
std::uint8_t ScanForTildeNumber(int number) {
  switch (number) {
    case 1:
    case 7:
      return kScanHome;
    case 2:
      return kScanInsert;
    case 3:
      return kScanDelete;
    case 4:
    case 8:
      return kScanEnd;
    case 5:
      return kScanPageUp;
    case 6:
      return kScanPageDown;
    case 11:
    case 12:
    case 13:
    case 14:
    case 15:
      return static_cast<std::uint8_t>(kScanF1 + (number - 11));  // F1..F5
    case 17:
    case 18:
    case 19:
    case 20:
    case 21:
      return static_cast<std::uint8_t>(kScanF1 + 5 + (number - 17));  // F6..F10
    case 23:
      return kScanF11;
    case 24:
      return kScanF12;
    default:
      return 0;
  }
}

// A key for `ext`, or nothing when the sequence names no key we report.
std::optional<Key> ScanKey(std::uint8_t ext) {
  if (ext == 0) return std::nullopt;
  return Scan(ext);
}

// The parameter, intermediate and final bytes of a sequence, read after its introducer.
struct SequenceTail {
  std::string params;
  bool has_intermediate = false;
  bool too_long = false;
  std::uint8_t final_byte = 0;            // 0 when the sequence was cut off
  std::optional<std::uint8_t> broken_by;  // the byte that cut it off, if one did
};

// Reads the rest of a sequence after its introducer, starting with `byte`. A sequence is cut off
// when time runs out before its final byte or when a byte arrives that cannot belong to it.
SequenceTail ReadTail(std::uint8_t byte, ByteSource& source) {
  SequenceTail tail;
  for (;;) {
    if (byte >= 0x40 && byte <= 0x7E) {
      tail.final_byte = byte;
      return tail;
    }
    if (byte >= 0x30 && byte <= 0x3F) {
      if (tail.params.size() < kMaxParameterBytes) {
        tail.params += static_cast<char>(byte);
      } else {
        tail.too_long = true;
      }
    } else if (byte >= 0x20 && byte <= 0x2F) {
      tail.has_intermediate = true;
    } else {
      tail.broken_by = byte;
      return tail;
    }
    std::optional<std::uint8_t> next = source.NextByte(kEscapeSequenceGapMs);
    if (!next) return tail;
    byte = *next;
  }
}

// True when `tail` is a whole sequence of plain parameters that can name a key.
bool IsUsable(const SequenceTail& tail) {
  return tail.final_byte != 0 && !tail.has_intermediate && !tail.too_long;
}

}  // namespace

std::optional<Key> KeyDecoder::ReadKey(ByteSource& source) {
  for (;;) {
    std::optional<std::uint8_t> byte = pending_;
    pending_.reset();
    // The first byte of a key may take as long as the user likes.
    if (!byte) byte = source.NextByte(kWaitForever);
    if (!byte) return std::nullopt;
    if (Decoded key = DecodeFrom(*byte, source)) return key;
  }
}

KeyDecoder::Decoded KeyDecoder::DecodeFrom(std::uint8_t byte, ByteSource& source) {
  if (byte == kEsc) return DecodeEscape(source);
  return PlainKey(byte);
}

KeyDecoder::Decoded KeyDecoder::DecodeEscape(ByteSource& source) {
  std::optional<std::uint8_t> next = source.NextByte(kEscapeSequenceGapMs);
  if (!next) return Char(kEsc);  // nothing followed in time: the Escape key itself
  switch (*next) {
    case '[':
      return DecodeCsi(source);
    case 'O':
      return DecodeSs3(source);
    case kEsc:
      // Escape pressed twice: this one is a key, the second starts the next.
      pending_ = kEsc;
      return Char(kEsc);
    default:
      // Alt with a character key. Windows reports the character and ignores the Alt.
      return PlainKey(*next);
  }
}

KeyDecoder::Decoded KeyDecoder::DecodeCsi(ByteSource& source) {
  std::optional<std::uint8_t> next = source.NextByte(kEscapeSequenceGapMs);
  if (!next) return Char('[');  // Alt+[
  if (*next == '[') {
    // The Linux console sends F1..F5 as "ESC [ [ A" .. "ESC [ [ E".
    std::optional<std::uint8_t> letter = source.NextByte(kEscapeSequenceGapMs);
    if (!letter) return std::nullopt;
    if (*letter >= 'A' && *letter <= 'E') {
      return Scan(static_cast<std::uint8_t>(kScanF1 + (*letter - 'A')));
    }
    if (BreaksSequence(*letter)) return AbandonSequence(*letter);
    return std::nullopt;
  }
  SequenceTail tail = ReadTail(*next, source);
  if (tail.broken_by) return AbandonSequence(*tail.broken_by);
  if (!IsUsable(tail)) return std::nullopt;
  std::optional<std::vector<int>> fields = ParseFields(tail.params);
  if (!fields || fields->size() > 2) return std::nullopt;
  // A second field is the modifier state; Windows reports no key for a special key pressed with
  // Ctrl, Alt or Shift, so neither do we.
  if (fields->size() == 2 && IsSet((*fields)[1])) return std::nullopt;
  int first = (*fields)[0];
  if (tail.final_byte == '~') {
    if (first < 0) return std::nullopt;  // "ESC [ ~" names no key
    return ScanKey(ScanForTildeNumber(first));
  }
  // "ESC [ 1 ; 5 A": the 1 is only a placeholder in front of the modifier.
  if (IsSet(first)) return std::nullopt;
  return ScanKey(ScanForLetter(tail.final_byte));
}

KeyDecoder::Decoded KeyDecoder::DecodeSs3(ByteSource& source) {
  std::optional<std::uint8_t> next = source.NextByte(kEscapeSequenceGapMs);
  if (!next) return Char('O');  // Alt+Shift+O
  SequenceTail tail = ReadTail(*next, source);
  if (tail.broken_by) return AbandonSequence(*tail.broken_by);
  if (!IsUsable(tail)) return std::nullopt;
  std::optional<std::vector<int>> fields = ParseFields(tail.params);
  if (!fields) return std::nullopt;
  // Some terminals put a modifier here ("ESC O 5 P" for Ctrl+F1): such keys are skipped.
  for (int field : *fields) {
    if (IsSet(field)) return std::nullopt;
  }
  std::uint8_t final_byte = tail.final_byte;
  if (final_byte >= 'P' && final_byte <= 'S') {
    return Scan(static_cast<std::uint8_t>(kScanF1 + (final_byte - 'P')));
  }
  // Keypad keys in application mode (ESC O M, ESC O j..y) are never asked for and are skipped.
  return ScanKey(ScanForLetter(final_byte));
}

KeyDecoder::Decoded KeyDecoder::AbandonSequence(std::uint8_t byte) {
  pending_ = byte;
  return std::nullopt;
}

}  // namespace dirhop::platform
