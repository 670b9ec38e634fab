#include "core/crash_report.h"

#include <atomic>
#include <cstddef>
#include <cstring>
#include <deque>

#include "core/launcher.h"
#include "platform/crash_platform.h"

namespace dirhop {
namespace {

constexpr std::size_t kNameMax = 30;
constexpr std::size_t kVersionMax = 10;

// The prepared lines. A fault handler reads them, so a line is never changed in place: a new
// one is built completely and then published through the pointer. Every line ever published
// is kept, so a pointer the handler has just read stays valid.
std::deque<std::string>& KeptLines() {
  static std::deque<std::string> lines;
  return lines;
}

const char* Publish(std::string line) {
  KeptLines().push_back(std::move(line));
  return KeptLines().back().c_str();
}

std::string g_name;
std::string g_version;
std::atomic<const char*> g_identity_line{"Program:   Version: \n"};
std::atomic<const char*> g_command_line{"Command line:\n"};

// Writes the report through `write(text, length)`; allocates nothing.
template <typename Write>
void EmitReport(int error_number, Write write) {
  auto put = [&write](const char* text) { write(text, std::strlen(text)); };
  put("*** An error occurred ***\n");
  if (error_number == platform::kFaultStackOverflow) put("Stack overflow error\n");
  put("\n");
  put("Please email the following information and a description of what you\n");
  put("were doing when the error occurred to ");
  put(SupportEmailAddress());
  put("\n\n");
  put(g_identity_line.load());
  put(g_command_line.load());

  // The decimal number, built backwards in a small buffer.
  char digits[24];
  char* end = digits + sizeof digits;
  char* at = end;
  unsigned long long magnitude = error_number < 0
                                     ? 0ULL - static_cast<unsigned long long>(error_number)
                                     : static_cast<unsigned long long>(error_number);
  do {
    *--at = static_cast<char>('0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude != 0);
  if (error_number < 0) *--at = '-';
  put("Error number ");
  write(at, static_cast<std::size_t>(end - at));
  put("\n");
  // No operation of this program leaves a file error pending for a later check: every result
  // is examined where it arises. The value is therefore always 0.
  put("InOutRes: 0\n");
}

}  // namespace

void SetCrashIdentity(std::string_view name, std::string_view version) {
  g_name = std::string(name.substr(0, kNameMax));
  g_version = std::string(version.substr(0, kVersionMax));
  g_identity_line = Publish("Program: " + g_name + "  Version: " + g_version + "\n");
}

void SetCrashCommandLine(const CommandWords& words) {
  std::string line = "Command line:";
  for (int n = 0; n <= words.WordCount(); ++n) line += " " + words.Word(n);
  g_command_line = Publish(line + "\n");
}

void InstallCrashReport() { platform::InstallFaultHandler(&CrashReport); }

void CrashReport(int error_number) {
  EmitReport(error_number,
             [](const char* text, std::size_t length) { platform::WriteFaultText(text, length); });
}

std::string CrashReportText(int error_number) {
  std::string text;
  EmitReport(error_number,
             [&text](const char* piece, std::size_t length) { text.append(piece, length); });
  return text;
}

}  // namespace dirhop
