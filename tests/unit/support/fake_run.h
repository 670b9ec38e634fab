// A Run built on fakes only: a console over a FakeConsoleDevice, a FakeFileSystem whose settings
// key is a FakeKeyStore, a FakeHost, and the host facts of a Windows or a POSIX host.
#pragma once

#include <initializer_list>
#include <optional>
#include <string>

#include "core/run.h"
#include "support/fake_console.h"
#include "support/fake_file_system.h"
#include "support/fake_host.h"
#include "support/fake_settings_key.h"

namespace dirhop::test {

// The hand-off file of the Windows host facts below.
inline const char kWindowsHandoffPath[] = "C:\\Temp\\dirhop2.bat";
// The hand-off file of the POSIX host facts below.
inline const char kPosixHandoffPath[] = "/tmp/dirhop-handoff.sh";

// Host facts of a Windows host (batch hand-off at kWindowsHandoffPath) or a POSIX host (sh).
inline HostFacts FakeHostFacts(platform::HostKind kind) {
  if (kind == platform::HostKind::kWindows) {
    return {kind, kWindowsPaths, HandoffFormat::kBatch, kWindowsHandoffPath,
            "C:\\Program Files\\Dirhop\\dirhop.exe"};
  }
  return {kind, kPosixPaths, HandoffFormat::kPosixShell, kPosixHandoffPath,
          "/opt/dirhop/bin/dirhop"};
}

// Everything a Run refers to, and the Run; `start_dir` is also the fake's current directory.
struct FakeRun {
  FakeRun(platform::HostKind kind, const std::string& start_dir,
          std::optional<platform::ScreenSize> size = std::nullopt,
          std::initializer_list<Key> keys = {})
      : fake(MakeFakeConsole(size, keys)),
        fs(FakeHostFacts(kind).syntax, start_dir),
        host(kind, FakeHostFacts(kind).own_file_path),
        settings(fs),
        run{*fake.console, fs, host, FakeHostFacts(kind), start_dir, settings} {
    fs.key_store = &store;
  }
  // The store holds the record as the test set it up, as if the run had loaded it.
  void Stored() { PutRecord(store, settings.record); }

  // `run` refers to the members beside it: a copy would refer to the original's.
  FakeRun(const FakeRun&) = delete;
  FakeRun& operator=(const FakeRun&) = delete;

  FakeConsole fake;
  FakeFileSystem fs;
  FakeHost host;
  FakeKeyStore store;
  Settings settings;
  Run run;
};

}  // namespace dirhop::test
