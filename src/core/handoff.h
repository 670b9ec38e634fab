// The hand-off: the only road by which a chosen directory reaches the calling shell. The program
// enters the directory itself, then writes a small script that the shell wrapper runs afterwards.
#pragma once

#include <optional>
#include <string>

#include "base/exit_codes.h"
#include "console/console.h"
#include "core/host_facts.h"
#include "core/run.h"
#include "platform/file_system.h"
#include "platform/host.h"
#include "platform/platform.h"

namespace dirhop {

// The script text that makes the calling shell enter `directory` (without the final line end).
std::string HandOffText(const std::string& directory, HandoffFormat format);

// The hand-off format for `host`: batch on Windows; on POSIX sh code, or fish code when the
// DIRHOP_HANDOFF file name ends in ".fish".
HandoffFormat ChooseHandoffFormat(Host& host);

// The placeholder written at start-up: a line that changes nothing.
std::string HandoffPlaceholder(HandoffFormat format);

// Where the hand-off goes: DIRHOP_HANDOFF if set; else %TEMP%\dirhop2.bat (batch) or the POSIX
// fallback location. A missing TEMP is reported and gives nullopt (the run ends with exit code
// 243).
std::optional<std::string> HandoffPath(Console& console, Host& host, HandoffFormat format);

// Overwrites the hand-off file that `facts` name with `text` and a line end, through `fs`; on
// failure reports it ("can't write to batch file" for cmd's, "to the hand-off file" for a shell's)
// and returns false (the run ends with exit code 243).
bool WriteHandoffScript(Console& console, FileSystem& fs, const HostFacts& facts,
                        const std::string& text);

// Writes the hand-off script for `directory` (a full path); false when it could not be written
// (reported).
bool HandOffDirectory(Run& run, const std::string& directory);

// Enters `directory` (through run.fs), records it in the history, writes the hand-off and gives
// exit code 0; when the directory cannot be entered, or the shell cannot be sent there (a path
// too long for it, no shorter way from the start directory), reports it and gives 243.
ExitCode GoToDirectory(Run& run, const std::string& directory);

}  // namespace dirhop
