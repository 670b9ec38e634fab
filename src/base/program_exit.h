// Ending the program from anywhere: deep code throws ProgramExit, main() catches it, flushes the
// console and returns the code. Nothing calls std::exit.
#pragma once

namespace dirhop {

// Thrown to end the run with exit code `code`.
struct ProgramExit {
  int code;
};

// Ends the program with exit code `code` (by throwing ProgramExit).
[[noreturn]] inline void EndProgram(int code) { throw ProgramExit{code}; }

// Exit codes shared by several modules.
inline constexpr int kExitOk = 0;
// A query that found nothing to print (--list).
inline constexpr int kExitNotFound = 1;
inline constexpr int kExitError = 243;
inline constexpr int kExitScreenShown = 250;
inline constexpr int kExitCreateDeclined = 255;

}  // namespace dirhop
