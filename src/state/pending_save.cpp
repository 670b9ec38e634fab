#include "state/pending_save.h"

namespace dirhop {

PendingSaveWindow::PendingSaveWindow(Console& console, Settings& settings)
    : console_(console), settings_(settings) {
  // The hook refers to `settings`; Close clears it before the window ends.
  console_.SetBeforeOutput([this] { SavePendingSettings(console_, settings_); });
}

PendingSaveWindow::~PendingSaveWindow() {
  if (!open_) return;
  // Only reached while an exception travels to the top, where it is reported; a second failure
  // of the save must not end the process before that report.
  try {
    Close();
  } catch (...) {
  }
}

void PendingSaveWindow::Close() {
  open_ = false;
  console_.SetBeforeOutput(nullptr);
  SavePendingSettings(console_, settings_);
}

ExitCode RunWithPendingSave(Console& console, Settings& settings,
                            const std::function<ExitCode()>& steps) {
  PendingSaveWindow window(console, settings);
  const ExitCode code = steps();
  window.Close();
  return code;
}

}  // namespace dirhop
