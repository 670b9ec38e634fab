// Reading UTF-8 one character at a time. Every text the program holds is UTF-8 where it is
// valid; a byte that begins no valid sequence stands for itself (POSIX names need not be UTF-8,
// and a Windows name with an unpaired surrogate arrives in WTF-8, whose surrogate sequences are
// not UTF-8 either). Nothing here allocates.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace dirhop {

// One step through a text: the code point and the bytes it took.
struct Utf8Step {
  char32_t code_point;  // the character, or the byte's value when `valid` is false
  std::size_t length;   // bytes used: 1 to 4; 1 when not valid
  bool valid;           // false: the first byte begins no well-formed sequence
};

// The length of the well-formed UTF-8 sequence that non-empty `text` begins with (RFC 3629: no
// overlong form, no surrogate, nothing past U+10FFFF), or 0 when its first byte begins none.
// An ASCII byte is a sequence of length 1.
inline std::size_t Utf8SequenceLength(std::string_view text) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(0);
  if (lead < 0x80) return 1;
  std::size_t length = 0;
  unsigned char second_low = 0x80;
  unsigned char second_high = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) second_low = 0xA0;   // below: overlong
    if (lead == 0xED) second_high = 0x9F;  // above: UTF-16 surrogates
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) second_low = 0x90;   // below: overlong
    if (lead == 0xF4) second_high = 0x8F;  // above: past U+10FFFF
  } else {
    return 0;
  }
  if (text.size() < length) return 0;
  if (byte(1) < second_low || byte(1) > second_high) return 0;
  for (std::size_t i = 2; i < length; ++i) {
    if (byte(i) < 0x80 || byte(i) > 0xBF) return 0;
  }
  return length;
}

// The character that non-empty `text` begins with.
inline Utf8Step FirstUtf8Step(std::string_view text) {
  const auto lead = static_cast<unsigned char>(text[0]);
  if (lead < 0x80) return {lead, 1, true};
  const std::size_t length = Utf8SequenceLength(text);
  if (length == 0) return {lead, 1, false};
  char32_t code_point = lead & (0x7F >> length);
  for (std::size_t i = 1; i < length; ++i) {
    code_point = (code_point << 6) | (static_cast<unsigned char>(text[i]) & 0x3F);
  }
  return {code_point, length, true};
}

// Appends `code_point` (below 0x110000; a surrogate too, as WTF-8 writes it) in its UTF-8 form.
inline void AppendUtf8(std::string& out, char32_t code_point) {
  if (code_point < 0x80) {
    out += static_cast<char>(code_point);
  } else if (code_point < 0x800) {
    out += static_cast<char>(0xC0 | (code_point >> 6));
    out += static_cast<char>(0x80 | (code_point & 0x3F));
  } else if (code_point < 0x10000) {
    out += static_cast<char>(0xE0 | (code_point >> 12));
    out += static_cast<char>(0x80 | ((code_point >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code_point & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (code_point >> 18));
    out += static_cast<char>(0x80 | ((code_point >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((code_point >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code_point & 0x3F));
  }
}

// True when every byte of `text` is below 0x80: the fast path of every text operation. Eight
// bytes at a time, so that a whole listing of names can be asked at once.
inline bool IsAscii(std::string_view text) {
  std::uint64_t high_bits = 0;
  std::size_t i = 0;
  for (; i + sizeof(std::uint64_t) <= text.size(); i += sizeof(std::uint64_t)) {
    std::uint64_t word;
    std::memcpy(&word, text.data() + i, sizeof(word));
    high_bits |= word;
  }
  for (; i < text.size(); ++i) high_bits |= static_cast<unsigned char>(text[i]);
  return (high_bits & 0x8080808080808080U) == 0;
}

// The number of UTF-16 units `text` takes on Windows: two for a character past U+FFFF, one for
// any other character and for each byte that begins no sequence (a WTF-8 surrogate counts as
// three: a length never comes out short).
inline std::size_t Utf16Length(std::string_view text) {
  std::size_t units = 0;
  while (!text.empty()) {
    const Utf8Step step = FirstUtf8Step(text);
    units += step.code_point >= 0x10000 ? 2 : 1;
    text.remove_prefix(step.length);
  }
  return units;
}

// True when all of `text` is well-formed UTF-8 (Utf8SequenceLength finds a sequence at every
// step).
inline bool IsValidUtf8(std::string_view text) {
  while (!text.empty()) {
    const std::size_t length = Utf8SequenceLength(text);
    if (length == 0) return false;
    text.remove_prefix(length);
  }
  return true;
}

}  // namespace dirhop
