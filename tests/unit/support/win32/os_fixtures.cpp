// The Windows side of the store tests' fixtures: there are no FIFOs, device nodes or owners to
// give files to; a file held open without the right to delete it shared is what a save holds.
#include "support/os_fixtures.h"

#include <fstream>

namespace dirhop::test {

bool MakeFifo(const std::filesystem::path&) { return false; }

bool MakeNullDevice(const std::filesystem::path&) { return false; }

bool GiveToUser(const std::filesystem::path&, unsigned) { return false; }

HeldLikeASave::HeldLikeASave(const std::filesystem::path& path) {
  // The C library opens files sharing reading and writing, not deletion.
  auto file = std::make_shared<std::ofstream>(path, std::ios::binary | std::ios::app);
  if (file->is_open()) holder_ = file;
}

}  // namespace dirhop::test
