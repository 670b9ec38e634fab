#include "core/error_text.h"

#include <array>

#include "base/windows_errors.h"

namespace dirhop {

namespace {

struct NumberedText {
  std::uint8_t code;
  const char* text;
};

constexpr NumberedText kNumberedTexts[] = {
    // Operating-system file errors.
    {1, "Invalid function number"},
    {2, "File not found"},
    {3, "Path not found"},
    {4, "Too many open files"},
    {5, "File access denied"},
    {6, "Invalid file handle"},
    {12, "Invalid file access code"},
    {15, "Invalid drive number"},
    {16, "Cannot remove current folder "},  // the trailing space is part of the text
    {17, "Cannot rename across drives"},
    {18, "No more files"},
    // Operating-system network errors.
    {50, "Network request not supported"},
    {51, "Remote computer not listening"},
    {52, "Duplicate name on network"},
    {53, "Computer name in network path cannot be located"},
    {54, "Network busy"},
    {55, "Network device no longer exists"},
    {56, "Net BIOS command limit exceeded"},
    {57, "Network adapter hardware error"},
    {58, "Incorrect response from network"},
    {59, "Unexpected network error"},
    {60, "Incompatible remote adapter"},
    {65, "Access denied"},
    {66, "Network device type incorrect"},
    {67, "Shared network name was not found"},
    {70, "Temporarily paused"},
    {71, "Network request not accepted"},
    {86, "Invalid password"},
    // Run-time I/O errors.
    {100, "File is wrong format (read past EOF)"},
    {101, "Disk full"},
    {102, "File not assigned"},
    {103, "File not open"},
    {104, "File not open for input"},
    {105, "File not open for output"},
    {106, "Invalid numeric format"},
    // Critical errors; the '%' stands for the drive letter.
    {150, "Disk is write-protected in drive %:"},
    {151, "Bad drive request struct length on drive %:"},
    {152, "Disk not ready in drive %: (Door open?)"},
    {154, "Data integrity error on drive %:"},
    {156, "Disk seek error on drive %:"},
    {157, "Unknown media type in drive %:"},
    {158, "Sector not found on drive %:"},
    {159, "Printer out of paper"},
    {160, "Device write fault"},
    {161, "Device read fault"},
    {162, "Hardware failure on drive %:"},
    {163, "Bad memory image of FAT on drive %:"},
    {164, "Device access error"},
    {165, "Replace diskette in drive %:"},
    // Run-time errors.
    {200, "Division by zero"},
    {201, "Range check error"},
    {202, "Stack overflow error"},
    {203, "Heap overflow error (out of memory)"},
    {204, "Invalid pointer operation"},
    {205, "Floating point overflow"},
    {206, "Floating point underflow"},
    {207, "Invalid floating point operation"},
    {208, "Overlay manager not installed"},
    {209, "Overlay file read error"},
    {210, "Object not initialized"},
    {211, "Call to abstract method"},
    {212, "Stream registration error"},
    {213, "Collection index out of range"},
    {214, "Collection overflow error"},
    {215, "Arithmetic overflow error"},
    {216, "General Protection fault"},
};

// One slot per 8-bit number, null where the generic text applies: a constant-time lookup.
constexpr std::array<const char*, 256> BuildTable() {
  std::array<const char*, 256> table{};
  for (const NumberedText& entry : kNumberedTexts) table[entry.code] = entry.text;
  return table;
}

constexpr std::array<const char*, 256> kTable = BuildTable();

}  // namespace

std::string ErrorText(std::uint8_t code) {
  const char* text = kTable[code];
  if (text == nullptr) return "Unexpected error " + std::to_string(code);
  std::string message(text);
  // The drive is not known here; the messages name drive C.
  const std::size_t at = message.find('%');
  if (at != std::string::npos) message[at] = 'C';
  return message;
}

std::string CreationErrorText(int code, platform::HostKind host) {
  const std::uint8_t low = static_cast<std::uint8_t>(code & 0xFF);
  if (host == platform::HostKind::kWindows) return ErrorText(low);
  // The POSIX port reports errno values as the Windows numbers nearest them; the runtime's table
  // would read several of those as unrelated faults (206 is its "Floating point underflow"), so
  // these say again what errno said.
  struct PosixText {
    int code;
    const char* text;
  };
  constexpr PosixText kPosixTexts[] = {
      {kErrorFilenameExcedRange, "File name too long"},
      {kErrorDiskFull, "No space left on device"},
      {kErrorCantResolveFilename, "Too many levels of symbolic links"},
      {kErrorWriteProtect, "Read-only file system"},
      {kErrorInvalidFunction, "Too many links"},
      {kErrorGenFailure, "Input/output error or other system failure"},
  };
  for (const PosixText& entry : kPosixTexts) {
    if ((entry.code & 0xFF) == low) return entry.text;
  }
  return ErrorText(low);
}

}  // namespace dirhop
