// The exit codes of a run. Every operation that ends the run returns its code to its caller, and
// the code travels up by returning until main() hands it to the system.
#pragma once

namespace dirhop {

// The code a run ends with (0 to 255).
using ExitCode = int;

// Exit codes shared by several modules.
inline constexpr ExitCode kExitOk = 0;
// A query that found nothing to print (--list).
inline constexpr ExitCode kExitNotFound = 1;
// An unexpected failure (an exception that reached the top).
inline constexpr ExitCode kExitUnexpected = 1;
inline constexpr ExitCode kExitError = 243;
inline constexpr ExitCode kExitScreenShown = 250;
inline constexpr ExitCode kExitCreateDeclined = 255;

}  // namespace dirhop
