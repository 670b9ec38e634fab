// Small Win32 helpers shared by the platform's Win32 files: whole writes to a handle, console text,
// and the conversion between the program's text (WTF-8) and Windows' wide strings.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace dirhop::platform {

// Writes all of `bytes` to `file`, in pieces that fit WriteFile's 32-bit count; false on an error
// or a write that takes nothing. Allocates nothing, so a fault handler may call it.
bool WriteAll(HANDLE file, std::string_view bytes);

// True when `output` is a console screen buffer (not a file, a pipe or nothing).
bool IsConsoleOutput(HANDLE output);

// Writes the UTF-8 `text` to the console `output` as UTF-16 (WriteConsoleW), every "\n" as CR LF;
// a byte that begins no valid sequence shows as U+FFFD. False when a write fails. Allocates
// nothing, so a fault handler may call it.
bool WriteConsoleText(HANDLE output, std::string_view text);

// `text` (WTF-8) as the wide string that Windows' ...W functions take.
std::wstring WideFromText(std::string_view text);

// The `length` wide characters at `wide` (not null-terminated) as the program's WTF-8 text.
std::string TextFromWide(const wchar_t* wide, std::size_t length);

// The null-terminated wide string `wide` as the program's WTF-8 text; empty for null.
std::string TextFromWide(const wchar_t* wide);

}  // namespace dirhop::platform
