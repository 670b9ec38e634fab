#include "platform/win32/win32_io.h"

#include <algorithm>
#include <cstddef>
#include <cwchar>

#include "base/utf8.h"
#include "platform/wide_text.h"

namespace dirhop::platform {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows' wide characters are UTF-16 units");

bool WriteAll(HANDLE file, std::string_view bytes) {
  constexpr std::size_t kLargestPiece = std::size_t{1} << 30;
  while (!bytes.empty()) {
    const DWORD piece = static_cast<DWORD>(std::min(bytes.size(), kLargestPiece));
    DWORD written = 0;
    if (!WriteFile(file, bytes.data(), piece, &written, nullptr) || written == 0) return false;
    bytes.remove_prefix(written);
  }
  return true;
}

bool IsConsoleOutput(HANDLE output) {
  DWORD mode = 0;
  return output != nullptr && output != INVALID_HANDLE_VALUE && GetConsoleMode(output, &mode);
}

namespace {

// Writes the `count` units of `units` to the console; a console may take fewer than asked.
bool WriteConsoleUnits(HANDLE output, const wchar_t* units, DWORD count) {
  while (count > 0) {
    DWORD written = 0;
    if (!WriteConsoleW(output, units, count, &written, nullptr) || written == 0) return false;
    units += written;
    count -= written;
  }
  return true;
}

}  // namespace

bool WriteConsoleText(HANDLE output, std::string_view text) {
  // Converted a piece at a time into a buffer on the stack; a piece never ends between the two
  // units of a surrogate pair, as each character's units are added together.
  constexpr DWORD kPiece = 1024;
  wchar_t units[kPiece + 2];
  DWORD count = 0;
  while (!text.empty()) {
    const Utf8Step step = FirstUtf8Step(text);
    text.remove_prefix(step.length);
    if (!step.valid) {
      units[count++] = 0xFFFD;
    } else if (step.code_point == '\n') {
      units[count++] = L'\r';
      units[count++] = L'\n';
    } else if (step.code_point >= 0x10000) {
      units[count++] = static_cast<wchar_t>(0xD800 + ((step.code_point - 0x10000) >> 10));
      units[count++] = static_cast<wchar_t>(0xDC00 + ((step.code_point - 0x10000) & 0x3FF));
    } else {
      units[count++] = static_cast<wchar_t>(step.code_point);
    }
    if (count >= kPiece) {
      if (!WriteConsoleUnits(output, units, count)) return false;
      count = 0;
    }
  }
  return WriteConsoleUnits(output, units, count);
}

std::wstring WideFromText(std::string_view text) {
  const std::u16string wide = Utf16FromText(text);
  return std::wstring(wide.begin(), wide.end());
}

std::string TextFromWide(const wchar_t* wide, std::size_t length) {
  // Most names are ASCII: those are copied unit by unit, without the general conversion.
  std::string text(length, '\0');
  for (std::size_t i = 0; i < length; ++i) {
    if (wide[i] >= 0x80) return TextFromUtf16(std::u16string(wide, wide + length));
    text[i] = static_cast<char>(wide[i]);
  }
  return text;
}

std::string TextFromWide(const wchar_t* wide) {
  return wide == nullptr ? std::string() : TextFromWide(wide, std::wcslen(wide));
}

}  // namespace dirhop::platform
