#include "platform/wide_text.h"

#include "base/utf8.h"

namespace dirhop::platform {

namespace {

bool IsHighSurrogate(char32_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLowSurrogate(char32_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

// The surrogate that `text` begins with as a three-byte WTF-8 sequence (ED A0..BF 80..BF), or 0.
char32_t LeadingEncodedSurrogate(std::string_view text) {
  if (text.size() < 3) return 0;
  const auto b0 = static_cast<unsigned char>(text[0]);
  const auto b1 = static_cast<unsigned char>(text[1]);
  const auto b2 = static_cast<unsigned char>(text[2]);
  if (b0 != 0xED || b1 < 0xA0 || b1 > 0xBF || (b2 & 0xC0) != 0x80) return 0;
  return 0xD000 | ((b1 & 0x3F) << 6) | (b2 & 0x3F);
}

}  // namespace

std::string TextFromUtf16(std::u16string_view wide) {
  std::string out;
  out.reserve(wide.size());
  for (std::size_t i = 0; i < wide.size(); ++i) {
    const char32_t unit = wide[i];
    if (IsHighSurrogate(unit) && i + 1 < wide.size() && IsLowSurrogate(wide[i + 1])) {
      AppendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (wide[i + 1] - 0xDC00));
      ++i;
    } else {
      AppendUtf8(out, unit);
    }
  }
  return out;
}

std::u16string Utf16FromText(std::string_view text) {
  std::u16string out;
  out.reserve(text.size());
  while (!text.empty()) {
    if (const char32_t surrogate = LeadingEncodedSurrogate(text)) {
      out += static_cast<char16_t>(surrogate);
      text.remove_prefix(3);
      continue;
    }
    const Utf8Step step = FirstUtf8Step(text);
    text.remove_prefix(step.length);
    if (!step.valid) {
      out += u'\uFFFD';
    } else if (step.code_point >= 0x10000) {
      out += static_cast<char16_t>(0xD800 + ((step.code_point - 0x10000) >> 10));
      out += static_cast<char16_t>(0xDC00 + ((step.code_point - 0x10000) & 0x3FF));
    } else {
      out += static_cast<char16_t>(step.code_point);
    }
  }
  return out;
}

std::size_t IncompleteUtf8TailLength(std::string_view text) {
  // Back over up to three continuation bytes to the byte that leads them.
  for (std::size_t tail = 1; tail <= 3 && tail <= text.size(); ++tail) {
    const auto byte = static_cast<unsigned char>(text[text.size() - tail]);
    if (byte >= 0x80 && byte <= 0xBF) continue;
    const std::size_t length = byte >= 0xC2 && byte <= 0xDF   ? 2
                               : byte >= 0xE0 && byte <= 0xEF ? 3
                               : byte >= 0xF0 && byte <= 0xF4 ? 4
                                                              : 0;
    return length > tail ? tail : 0;
  }
  return 0;
}

}  // namespace dirhop::platform
