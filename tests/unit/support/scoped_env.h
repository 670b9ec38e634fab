// Environment variables set for the length of one test.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace dirhop::test {

// Sets environment variables and, when it goes, puts back each one's earlier value (or removes
// it again when it was unset), last change first.
class ScopedEnv {
 public:
  ScopedEnv() = default;
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;
  // Restores every variable Set touched.
  ~ScopedEnv();

  // Sets `name` to `value` (an empty value sets it empty, it does not remove it).
  void Set(const std::string& name, const std::string& value);

 private:
  std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

}  // namespace dirhop::test
