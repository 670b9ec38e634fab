// What one run of the program carries from operation to operation, fixed when the run is built:
// the console, the file system, the host facts, the start directory and the settings.
#pragma once

#include <string>

#include "console/console.h"
#include "console/pager.h"
#include "core/host_facts.h"
#include "platform/file_system.h"
#include "state/settings_store.h"

namespace dirhop {

struct Run {
  Console& console;
  // Every question the run asks of the file system and the process goes here.
  FileSystem& fs;
  const HostFacts host;
  // The process's current directory at start-up.
  const std::string start_dir;
  // The settings record and its store, loaded before the run is built.
  Settings& settings;
  // Long screens go through the pager, whose line count runs across the whole run.
  Pager pager{console};
};

}  // namespace dirhop
