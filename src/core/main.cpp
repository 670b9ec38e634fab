// Program entry: hands the arguments to the start-up sequence and returns its exit code.
#include <string>
#include <vector>

#include "core/main_flow.h"

int main(int argc, char** argv) {
  std::vector<std::string> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
  return dirhop::RunProgram(arguments);
}
