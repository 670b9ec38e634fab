// Opening documents on a POSIX desktop: the desktop's opener (xdg-open on Linux and the other
// free systems, open on macOS) is started with the document, and what goes wrong is reported with
// the Windows shell's failure codes, so the launcher's texts fit both systems:
//
//   the document (a local path, not an address such as "mailto:" or "https:") is missing:
//       2 when its directory exists, 3 when the directory is missing; 5 when it cannot be reached
//   the working directory is missing or not a directory           3
//   no opener installed (exec finds no such program)               31 no association
//   a program run with parameters is not found                     2
//   exec refused: permission 5, not an executable format 11, out of memory 8, anything else 0
//   fork or pipe failed                                            0 out of resources
//   the opener ends within its first second with a failure status:
//       2 (xdg-open: file does not exist) -> 2, 4 (the associated program failed) -> 27,
//       any other status (3: no tool found; macOS open: 1) -> 31, killed by a signal -> 27
//
// The opener is not waited for beyond that first second: some openers stay until the document is
// closed. Its output goes to /dev/null (the launcher writes its own line), and it runs in its
// own session so that it survives the terminal it was started from.

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <optional>
#include <string>
#include <vector>

#include "base/windows_errors.h"
#include "platform/shell_platform.h"

extern char** environ;

namespace dirhop::platform {
namespace {

#ifdef __APPLE__
constexpr const char* kOpener = "open";
#else
constexpr const char* kOpener = "xdg-open";
#endif

// What the child reports when it cannot enter the working directory (no errno is negative).
constexpr int kChdirFailed = -1;

// How long an opener may take to report an early failure before the launch counts as done.
constexpr int kOpenerGraceMilliseconds = 1000;

// "scheme:..." with a scheme of two or more letters, digits, '+', '-' or '.': an address that
// the opener resolves, not a local file.
bool IsAddress(const std::string& target) {
  std::size_t i = 0;
  while (i < target.size()) {
    const char c = target[i];
    const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    const bool other = (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.';
    if (!(letter || (i > 0 && other))) break;
    ++i;
  }
  return i >= 2 && i < target.size() && target[i] == ':';
}

// The shell code for a local document that cannot be opened, or 0 when it exists.
int MissingDocumentCode(const std::string& path) {
  struct stat info {};
  if (stat(path.c_str(), &info) == 0) return 0;
  if (errno == EACCES) return kShellAccessDenied;
  // ENOTDIR, ENAMETOOLONG, ELOOP: the path itself is unusable
  if (errno != ENOENT) return kShellPathNotFound;
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return kShellFileNotFound;
  const std::string parent = slash == 0 ? std::string("/") : path.substr(0, slash);
  return stat(parent.c_str(), &info) == 0 && S_ISDIR(info.st_mode) ? kShellFileNotFound
                                                                   : kShellPathNotFound;
}

int ExecFailureCode(int error, bool opener) {
  switch (error) {
    case ENOENT:
    case ENOTDIR:
      return opener ? kShellNoAssociation : kShellFileNotFound;
    case EACCES:
    case EPERM:
      return kShellAccessDenied;
    case ENOEXEC:
      return kShellBadFormat;
    case ENOMEM:
    case E2BIG:
      return kShellOutOfMemory;
    default:
      return kShellOutOfResources;
  }
}

int OpenerStatusCode(int status) {
  if (WIFEXITED(status)) {
    switch (WEXITSTATUS(status)) {
      case 0:
        return kShellOpenSucceeded;
      case 2:
        return kShellFileNotFound;
      case 4:
        return kShellAssociationIncomplete;
      default:
        return kShellNoAssociation;
    }
  }
  return kShellAssociationIncomplete;
}

std::vector<std::string> SplitParameters(const std::string& parameters) {
  std::vector<std::string> words;
  std::string word;
  for (char c : parameters) {
    if (c == ' ' || c == '\t') {
      if (!word.empty()) words.push_back(word);
      word.clear();
    } else {
      word += c;
    }
  }
  if (!word.empty()) words.push_back(word);
  return words;
}

void SleepMilliseconds(long ms) {
  timespec pause{ms / 1000, (ms % 1000) * 1000000L};
  while (nanosleep(&pause, &pause) != 0 && errno == EINTR) {
  }
}

// The shell code for a working directory or local document that is missing, or 0 when the launch
// may go ahead. The Windows shell reports a missing document before it looks for a program to
// open it; so does this, which also makes the answer independent of whether an opener is
// installed.
int MissingPlaceCode(const std::string& file, const std::string& directory, bool opener) {
  if (!directory.empty()) {
    struct stat info {};
    if (stat(directory.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) return kShellPathNotFound;
  }
  if (!opener || IsAddress(file)) return 0;
  const std::string local =
      directory.empty() || (!file.empty() && file[0] == '/') ? file : directory + "/" + file;
  return MissingDocumentCode(local);
}

// The program and its arguments: the opener with the document, or the program with its
// parameters.
std::vector<std::string> LaunchWords(const std::string& file, const std::string& parameters,
                                     bool opener) {
  if (opener) return {kOpener, file};
  std::vector<std::string> words = {file};
  for (auto& word : SplitParameters(parameters)) words.push_back(std::move(word));
  return words;
}

// The child's side of the start: its own session, /dev/null for its standard streams, the
// working directory, then exec. A failure is written to `report` as an errno (kChdirFailed for
// the directory). Only async-signal-safe calls: it runs between fork and exec.
[[noreturn]] void ExecInChild(char* const* argv, const std::string& directory, int report) {
  setsid();
  const int null = open("/dev/null", O_RDWR);
  if (null >= 0) {
    dup2(null, STDIN_FILENO);
    dup2(null, STDOUT_FILENO);
    dup2(null, STDERR_FILENO);
    if (null > STDERR_FILENO) close(null);
  }
  int error = kChdirFailed;
  if (directory.empty() || chdir(directory.c_str()) == 0) {
    execvp(argv[0], argv);
    error = errno;
  }
  ssize_t ignored = write(report, &error, sizeof error);
  (void)ignored;
  _exit(127);
}

// What the child wrote to `report` before its exec: its errno, or nullopt when the exec closed
// the pipe unwritten (the program started).
std::optional<int> ReadExecFailure(int report) {
  int error = 0;
  ssize_t got;
  do {
    got = read(report, &error, sizeof error);
  } while (got < 0 && errno == EINTR);
  if (got != static_cast<ssize_t>(sizeof error)) return std::nullopt;
  return error;
}

// A launched program: the child's process id when it started, else the shell failure code.
struct Started {
  pid_t child = -1;
  int failure = 0;
};

// Starts `words` in a session of its own in `directory` (empty: the current one). Everything the
// child needs is prepared here: after fork it makes only async-signal-safe calls.
Started StartInOwnSession(std::vector<std::string> words, const std::string& directory,
                          bool opener) {
  std::vector<char*> argv;
  for (auto& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);

  // The child reports a failed exec through this pipe; a successful exec closes it unread.
  int report[2];
  if (pipe(report) != 0) return {-1, kShellOutOfResources};
  fcntl(report[0], F_SETFD, FD_CLOEXEC);
  fcntl(report[1], F_SETFD, FD_CLOEXEC);

  const pid_t child = fork();
  if (child < 0) {
    close(report[0]);
    close(report[1]);
    return {-1, kShellOutOfResources};
  }
  if (child == 0) {
    close(report[0]);
    ExecInChild(argv.data(), directory, report[1]);
  }

  close(report[1]);
  const std::optional<int> error = ReadExecFailure(report[0]);
  close(report[0]);
  if (!error) return {child, 0};
  waitpid(child, nullptr, 0);
  return {-1, *error == kChdirFailed ? kShellPathNotFound : ExecFailureCode(*error, opener)};
}

// Most openers report a failure within moments: the code of one that ends within the grace
// time, and success for one still running then.
int OpenerOutcome(pid_t opener) {
  for (int waited = 0; waited < kOpenerGraceMilliseconds; waited += 10) {
    int status = 0;
    const pid_t done = waitpid(opener, &status, WNOHANG);
    if (done == opener) return OpenerStatusCode(status);
    if (done < 0 && errno != EINTR) return kShellOpenSucceeded;
    SleepMilliseconds(10);
  }
  return kShellOpenSucceeded;
}

}  // namespace

int OpenWithShell(const std::string& file, const std::string& parameters,
                  const std::string& directory, int /*show*/) {
  const bool opener = parameters.empty();
  if (const int code = MissingPlaceCode(file, directory, opener); code != 0) return code;
  const Started started =
      StartInOwnSession(LaunchWords(file, parameters, opener), directory, opener);
  if (started.failure != 0) return started.failure;
  if (!opener) return kShellOpenSucceeded;  // a program started; its fate is its own
  return OpenerOutcome(started.child);
}

bool DesktopOpenerAvailable() {
  const char* path = std::getenv("PATH");
  std::string folders = path != nullptr ? path : "";
  std::size_t start = 0;
  while (start <= folders.size()) {
    std::size_t end = folders.find(':', start);
    if (end == std::string::npos) end = folders.size();
    // An empty entry is the current directory, as execvp reads it.
    std::string folder = folders.substr(start, end - start);
    if (folder.empty()) folder = ".";
    const std::string candidate = folder + "/" + kOpener;
    struct stat info {};
    if (stat(candidate.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
        access(candidate.c_str(), X_OK) == 0) {
      return true;
    }
    start = end + 1;
  }
  return false;
}

int RunInTerminal(const std::vector<std::string>& words) {
  if (words.empty()) return -1;
  std::vector<std::string> copies = words;
  std::vector<char*> argv;
  for (std::string& word : copies) argv.push_back(word.data());
  argv.push_back(nullptr);
  pid_t child = 0;
  // posix_spawnp reports a program that cannot be started as its own failure.
  if (posix_spawnp(&child, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return -1;
  int status = 0;
  while (waitpid(child, &status, 0) < 0) {
    if (errno != EINTR) return -1;
  }
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  return 128 + (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
}

}  // namespace dirhop::platform
