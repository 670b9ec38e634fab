// The call logs of the fakes: one entry per call, its name and then a space and its argument.
#pragma once

#include <string>
#include <vector>

namespace dirhop::test {

// The entries of `log` whose call name is `name`, in order.
inline std::vector<std::string> CallsNamed(const std::vector<std::string>& log,
                                           const std::string& name) {
  std::vector<std::string> calls;
  for (const std::string& entry : log) {
    if (entry == name || entry.rfind(name + " ", 0) == 0) calls.push_back(entry);
  }
  return calls;
}

}  // namespace dirhop::test
