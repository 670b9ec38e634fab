// The window in which a change of the record may wait for the next save: a run whose start-up
// change is followed by another one with nothing shown in between writes the store once.
#pragma once

#include <functional>

#include "base/exit_codes.h"
#include "console/console.h"
#include "state/settings_store.h"

namespace dirhop {

// While it lives, a save left pending (SaveSettingsLater) is made before the console's next text,
// colour or key read. Close() makes the save still pending when the run's steps have returned;
// an object that ends without Close() (an exception on its way to the top) makes it then, so
// the store never lags behind what the user has seen.
class PendingSaveWindow {
 public:
  // Opens the window on `console` for `settings`; both outlive the object.
  PendingSaveWindow(Console& console, Settings& settings);
  PendingSaveWindow(const PendingSaveWindow&) = delete;
  PendingSaveWindow& operator=(const PendingSaveWindow&) = delete;
  // Closes the window if Close() was not called; a failure of that save is not reported, since
  // the failure on its way up is.
  ~PendingSaveWindow();

  // Stops the console from calling back and makes the save still pending (as SaveSettings).
  void Close();

 private:
  Console& console_;
  Settings& settings_;
  bool open_ = true;
};

// Runs `steps` in a PendingSaveWindow and gives their exit code once the window is closed.
ExitCode RunWithPendingSave(Console& console, Settings& settings,
                            const std::function<ExitCode()>& steps);

}  // namespace dirhop
