// The crash report: when a hardware fault (access violation, stack overflow, division by zero
// and the like) ends the program without the exception mechanism, the user sees the program's
// identity, its command line and the error number, and the program ends with that number.
// Every other ending, exit code 1 after an unhandled exception included, prints nothing here.
#pragma once

#include <string>
#include <string_view>

#include "core/command_line.h"

namespace dirhop {

// Stores the product name and version shown by the report, cut to 30 and 10 characters.
// Both are empty until this is called.
void SetCrashIdentity(std::string_view name, std::string_view version);

// Stores the command line the report shows: word 0 (the program's file) and every argument word,
// each after one space. Formatted here, so nothing is computed when the fault has happened.
void SetCrashCommandLine(const CommandWords& words);

// Installs CrashReport as the handler of the faults that end the program (see crash_platform.h).
void InstallCrashReport();

// Writes the report for `error_number` to standard output, unbuffered and in the current colour,
// using only what SetCrashIdentity and SetCrashCommandLine prepared. Safe inside a fault handler;
// the fault handler ends the process with `error_number` afterwards.
void CrashReport(int error_number);

// The text CrashReport writes for `error_number` ("\n" line ends), for checking its layout.
std::string CrashReportText(int error_number);

}  // namespace dirhop
