// Raw single-key mode on the terminal of standard input, kept safe from signals: a signal that
// ends the program puts the terminal back first, the suspend key stops the program as it stops
// other terminal programs, and raw mode returns when the program is continued.
#pragma once

#include <cstdint>
#include <optional>

namespace dirhop::platform {

// Raw input mode for the lifetime of the object: created just before a key is read, destroyed
// right after, so the terminal is in its own mode whenever the program is not waiting for a key.
class RawInputSession {
 public:
  // Puts standard input into raw mode; active() is false when it is no terminal or its mode
  // cannot be set, and then nothing was changed.
  RawInputSession();
  // Puts the terminal back into the mode it had before.
  ~RawInputSession();
  RawInputSession(const RawInputSession&) = delete;
  RawInputSession& operator=(const RawInputSession&) = delete;

  // True while standard input is in raw mode through this session.
  bool active() const { return active_; }
  // The byte of the terminal's suspend key (Ctrl+Z), which raw mode delivers as input instead of
  // a signal; nullopt when the terminal's own mode sends no suspend signal.
  std::optional<std::uint8_t> suspend_byte() const { return suspend_byte_; }

 private:
  bool active_ = false;
  std::optional<std::uint8_t> suspend_byte_;
};

// Suspends the program as the terminal's suspend key does (SIGTSTP to the process group): the
// terminal's own mode is set before the program stops, raw mode again when it is continued.
// Returns once the program runs again; does nothing where the process ignores SIGTSTP.
void SuspendLikeTheTerminal();

}  // namespace dirhop::platform
