// What one run of the program carries from operation to operation, fixed when the run is built:
// the console, the two seams to the system (the file system and the host), the host facts, the
// start directory and the settings.
#pragma once

#include <optional>
#include <string>

#include "console/console.h"
#include "console/pager.h"
#include "core/host_facts.h"
#include "platform/file_system.h"
#include "platform/host.h"
#include "state/place_memory.h"
#include "state/settings_store.h"

namespace dirhop {

struct Run {
  Console& console;
  // Every question the run asks of directories and files goes here.
  FileSystem& fs;
  // Every question the run asks of the process and the desktop goes here.
  Host& host;
  const HostFacts facts;
  // The process's current directory at start-up.
  const std::string start_dir;
  // The settings record and its store, loaded before the run is built.
  Settings& settings;
  // Long screens go through the pager, whose line count runs across the whole run.
  Pager pager{console};
  // Where the memory of places is kept; none when the run keeps nothing (core/places.h).
  std::optional<PlaceFile> places{};
};

}  // namespace dirhop
