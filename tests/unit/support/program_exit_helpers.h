// Running code that must end the program (EndProgram throws ProgramExit, which main catches).
#pragma once

#include <gtest/gtest.h>

#include <functional>

#include "base/program_exit.h"

namespace dirhop::test {

// The exit code `body` ended the program with; a test failure and -1 when it returned instead.
inline int ExitCodeOf(const std::function<void()>& body) {
  try {
    body();
  } catch (const ProgramExit& exit) {
    return exit.code;
  }
  ADD_FAILURE() << "the program did not end";
  return -1;
}

}  // namespace dirhop::test
