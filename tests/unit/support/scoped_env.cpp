#include "support/scoped_env.h"

#include <cstdlib>
#include <list>

#include "platform/platform.h"

namespace dirhop::test {

namespace {

// putenv keeps the very string it is given, so every entry stays alive for the rest of the run.
void Put(std::string entry) {
  static std::list<std::string> kept;
  kept.push_back(std::move(entry));
  putenv(kept.back().data());
}

// Removes `name`: the C library of each system takes a different entry for that.
void Remove(const std::string& name) {
  Put(platform::ThisHostKind() == platform::HostKind::kWindows ? name + "=" : name);
}

}  // namespace

ScopedEnv::~ScopedEnv() {
  for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
    if (it->second) {
      Put(it->first + "=" + *it->second);
    } else {
      Remove(it->first);
    }
  }
}

void ScopedEnv::Set(const std::string& name, const std::string& value) {
  const char* old = std::getenv(name.c_str());
  saved_.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
  Put(name + "=" + value);
}

}  // namespace dirhop::test
