// The store's whole-file policy, written once for every system in terms of StoreSystemCalls:
// resolve the path, read one byte past the limit, write the new content to a temporary file under
// a fresh name beside the old one, and put it in place.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "platform/store_platform.h"
#include "platform/store_system_calls.h"

namespace dirhop::platform {

// How many fresh temporary names a save tries, in each way it has of naming its temporary file,
// before it gives up.
inline constexpr int kTemporaryNameAttempts = 16;

// The most a read of a store file asks the system for at once, where the system told no size or
// the file has grown past the size it told.
inline constexpr std::size_t kStoreReadChunk = 65536;

// ReadFileForUpdate (store_platform.h) through the calls of `system`.
FileReadResult ReadFileForUpdate(StoreSystemCalls& system, const std::string& path,
                                 std::size_t limit);

// StoreFileUnchanged (store_platform.h) through the calls of `system`.
bool StoreFileUnchanged(StoreSystemCalls& system, const std::string& path,
                        const StoreFileStamp& stamp);

// ReplaceFileAtomically (store_platform.h) through the calls of `system`.
StoreFileStatus ReplaceFileAtomically(StoreSystemCalls& system, const std::string& path,
                                      std::string_view bytes);

}  // namespace dirhop::platform
