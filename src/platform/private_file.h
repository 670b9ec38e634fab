// Files private to the user that grow by appending: the memory of places is one. A record is
// appended in one write, so a run killed while appending leaves at most that record torn, and
// readers skip a torn record.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace dirhop::platform {

// What came of AppendToPrivateFile.
struct AppendResult {
  bool written = false;    // all the bytes reached the file
  std::uint64_t size = 0;  // the file's length after the append (when written)
  std::string head;        // the file's first bytes after the append, up to the length asked for
};

// Whether appending to a file in a missing folder makes the folder.
enum class MissingFolders { kMake, kFail };

// Appends `bytes` to the file at `path` in one write at its end. A missing file is created
// readable and writable by the user alone (POSIX mode 0600); with MissingFolders::kMake in
// missing folders made for the user alone (0700). Only a regular file of the user's is written
// (POSIX: a link at `path` is refused). Reads back the file's first `head` bytes.
AppendResult AppendToPrivateFile(const std::string& path, std::string_view bytes, std::size_t head,
                                 MissingFolders folders);

}  // namespace dirhop::platform
