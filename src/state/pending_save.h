// The window in which a change of the record may wait for the next save: a run whose start-up
// change is followed by another one with nothing shown in between writes the store once.
#pragma once

#include <functional>

#include "console/console.h"
#include "state/settings_store.h"

namespace dirhop {

// Runs `steps`; a save they leave pending (SaveSettingsLater) is made before the console's next
// text, colour or key read, and otherwise when `steps` end, by returning or by any exception,
// which is then passed on. The store thus never lags behind what the user has seen.
void RunWithPendingSave(Console& console, Settings& settings, const std::function<void()>& steps);

}  // namespace dirhop
