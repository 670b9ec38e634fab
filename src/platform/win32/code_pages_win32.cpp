#include <windows.h>

#include "base/utf8.h"
#include "platform/code_pages.h"
#include "platform/wide_text.h"

namespace dirhop::platform {

namespace {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows' wide characters are UTF-16 units");

// `bytes` of `code_page` as UTF-16; empty when they cannot be converted.
std::u16string WideFromCodePage(std::string_view bytes, unsigned code_page) {
  if (bytes.empty()) return {};
  const int size = static_cast<int>(bytes.size());
  const int needed = MultiByteToWideChar(code_page, 0, bytes.data(), size, nullptr, 0);
  if (needed <= 0) return {};
  std::u16string wide(static_cast<std::size_t>(needed), u'\0');
  MultiByteToWideChar(code_page, 0, bytes.data(), size, reinterpret_cast<wchar_t*>(wide.data()),
                      needed);
  return wide;
}

// `wide` as the bytes of `code_page`; nullopt when a unit has no exact form there. Best-fit
// look-alikes are refused, and the bytes must convert back to `wide` (a code page without a
// default character could otherwise pass a substitute unnoticed).
std::optional<std::string> CodePageFromWide(const std::u16string& wide, unsigned code_page) {
  if (wide.empty()) return std::string();
  const auto* units = reinterpret_cast<const wchar_t*>(wide.data());
  const int size = static_cast<int>(wide.size());
  BOOL used_default = FALSE;
  const int needed = WideCharToMultiByte(code_page, WC_NO_BEST_FIT_CHARS, units, size, nullptr, 0,
                                         nullptr, &used_default);
  if (needed <= 0 || used_default) return std::nullopt;
  std::string bytes(static_cast<std::size_t>(needed), '\0');
  WideCharToMultiByte(code_page, WC_NO_BEST_FIT_CHARS, units, size, bytes.data(), needed, nullptr,
                      &used_default);
  if (used_default || WideFromCodePage(bytes, code_page) != wide) return std::nullopt;
  return bytes;
}

}  // namespace

unsigned ConsoleCodePage() {
  const UINT page = GetConsoleOutputCP();
  return page != 0 ? page : GetOEMCP();
}

std::optional<std::string> TextInCodePage(std::string_view text, unsigned code_page) {
  if (!IsValidUtf8(text)) return std::nullopt;
  if (code_page == kUtf8CodePage) return std::string(text);
  return CodePageFromWide(Utf16FromText(text), code_page);
}

std::string TextFromOldStore(std::string_view text, OldStore where) {
  if (IsAscii(text)) return std::string(text);
  std::string oem_bytes(text);
  if (where == OldStore::kSettingsKey) {
    // The ANSI functions turned the OEM bytes into characters of the ANSI code page: taking
    // those characters back to ANSI gives the bytes again (a byte the ANSI page leaves undefined
    // may be lost; it stays as it reads).
    const std::optional<std::string> ansi = CodePageFromWide(Utf16FromText(text), CP_ACP);
    if (!ansi) return std::string(text);
    oem_bytes = *ansi;
  }
  const std::u16string wide = WideFromCodePage(oem_bytes, CP_OEMCP);
  return wide.empty() ? std::string(text) : TextFromUtf16(wide);
}

}  // namespace dirhop::platform
