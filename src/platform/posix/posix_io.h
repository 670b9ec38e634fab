// Small POSIX file helpers shared by the platform's POSIX files.
#pragma once

#include <string>
#include <string_view>

namespace dirhop::platform {

// Closes a descriptor when it goes out of scope.
class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  ~FileDescriptor();
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  // The descriptor (negative when the open failed).
  int get() const { return fd_; }
  // Hands the descriptor over to the caller, who then closes it.
  int release() {
    const int fd = fd_;
    fd_ = -1;
    return fd;
  }

 private:
  int fd_;
};

// Writes all of `bytes` to `fd`, retrying after interrupts and partial writes; false on an error.
bool WriteAll(int fd, std::string_view bytes);

// The folder part of `path`: "." for a bare name, "/" for a name in the root.
std::string FolderOf(const std::string& path);

// Creates `dir` and its missing parents, each made for the user alone (mode 0700); true when
// `dir` is a folder afterwards.
bool MakeFolders(const std::string& dir);

// The whole content of the file at `path`; empty when it cannot be opened or read.
std::string ReadSmallFile(const char* path);

}  // namespace dirhop::platform
