#include "state/pending_save.h"

namespace dirhop {

void RunWithPendingSave(Console& console, Settings& settings, const std::function<void()>& steps) {
  // The hook refers to `settings`, which ends with this call: it never outlives it.
  const auto end = [&console, &settings] {
    console.SetBeforeOutput(nullptr);
    SavePendingSettings(console, settings);
  };
  console.SetBeforeOutput([&console, &settings] { SavePendingSettings(console, settings); });
  try {
    steps();
  } catch (...) {
    end();
    throw;
  }
  end();
}

}  // namespace dirhop
