// The one boundary between Dirhop and the operating system. Everything above this header is
// written once; win32/*.cpp and posix/*.cpp implement it, and CMake picks one of the two.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/directory_listing.h"
#include "platform/mount_table.h"

namespace dirhop::platform {

// Which system the program was built for; code above this layer branches on the value, never on
// preprocessor symbols, so both flavours of the pure code are tested on every host.
enum class HostKind { kWindows, kPosix };

// The system this build runs on.
HostKind ThisHostKind();

// ---- Directories -------------------------------------------------------------------------------

// The process's current directory as the system reports it; empty text when it cannot be read.
std::string CurrentDirectory();

// Why the system refused to make a directory current.
enum class EnterFailure {
  kNone,           // it did not refuse: the directory is current
  kGone,           // there is no such directory (or a level above it is missing)
  kNotADirectory,  // the path names a file, or leads through one
  kAccessDenied,   // the user may not enter it (no search permission)
  kOther,          // anything else the system said
};

// Makes `dir` the process's current directory; false (and nothing changed) when the system refuses.
// On POSIX a path longer than LongestWholePath() is entered too.
bool ChangeDirectory(const std::string& dir);

// ChangeDirectory, with the system's reason when it refuses.
EnterFailure EnterDirectory(const std::string& dir);

// The current directory of drive `letter` (Windows keeps one per drive): makes "X:" current, reads
// the directory, restores the previous one. When the drive cannot be made current the answer is the
// process's current directory. On POSIX there are no drives: always the process's current
// directory.
std::string DriveCurrentDirectory(char letter);

// The subdirectories of `dir`, in the order the system lists them: hidden and system directories
// (POSIX: dot-directories) included, links to directories included, files, "." and ".." never.
// Empty when the directory cannot be listed. A path of any length is accepted.
DirectoryListing ListSubdirectories(const std::string& dir);

// The identity of the directory `dir` leads to, links followed; nullopt when it is not a
// directory that can be opened. A path of any length is accepted.
std::optional<DirectoryIdentity> IdentifyDirectory(const std::string& dir);

// When `path` names a directory itself (not a file, and not a link or junction, which could
// lead anywhere, back up the tree included): the name of its last level as the file system holds
// it (Windows: in its real case, however `path` spells it; POSIX: as given, since names there
// are told apart by case). nullopt otherwise. The directory itself is not opened (Windows looks
// its name up in its parent, as a listing would).
std::optional<std::string> DirectoryItselfName(const std::string& path);

// The mount the absolute `path` lies on, found without touching the path or its file system (a
// mount that stopped answering would hold the call). POSIX: the longest mount point above it in
// /proc/self/mountinfo, read once per process (a local "/" where there is no such table); links
// in `path` are not followed. Windows: its drive, remote when GetDriveTypeW says so; a UNC path is
// on its share, always remote.
MountPlace MountOf(const std::string& path);

// True when the process's current directory has been removed (by another process) since it was
// entered: a relative path then leads nowhere.
bool CurrentDirectoryRemoved();

// The longest directory path that a change of directory takes whole, in the program and in the
// shells that enter a directory by its full path: POSIX PATH_MAX - 1 bytes, Windows MAX_PATH - 2
// UTF-16 units (base/utf8.h: Utf16Length).
std::size_t LongestWholePath();

// Creates the single directory `path` and returns the outcome as a Windows error code: 0 success,
// 183 already exists, 5 access denied, 3 path not found, ... (POSIX errno values are mapped).
int CreateOneDirectory(const std::string& path);

// ---- Process -----------------------------------------------------------------------------------

// The value of environment variable `name`; nullopt when it is unset or empty.
std::optional<std::string> GetEnv(const char* name);

// The raw command line to be split into words by the program (Windows); nullopt where the system
// hands over ready-split arguments (POSIX), which the caller then takes from argv.
std::optional<std::string> RawCommandLine();

// The full path of the running program's own file; empty when it cannot be found.
std::string OwnFilePath();

// Keeps the memory a run frees for the run's own later requests, instead of handing large blocks
// back to the system at once (glibc): a wide search builds and frees lists of many thousand
// entries, and every page the system takes back faults again when it is used next. A run is
// short, so the process never holds more than its peak. Nothing where the allocator has no such
// setting (Windows, other C libraries).
void KeepFreedMemory();

// Puts the null device in place of every standard stream the process was started without (a
// closed descriptor 0, 1 or 2 on POSIX; a missing standard handle on Windows), so that a run
// started that way behaves as one whose input and output are not a terminal, and no file the run
// opens later takes a standard stream's place. A stream that cannot be replaced stays missing.
void OpenNullOntoClosedStandardStreams();

// ---- Files -------------------------------------------------------------------------------------

// Creates or truncates the file at `path` and writes `bytes` to it. False when the file cannot be
// created or opened for writing; errors of the write itself are not reported. On POSIX the file is
// never reached through a symbolic link, and an existing file must be a regular file owned by the
// user with a single link: a shared temporary folder cannot be used to make Dirhop overwrite
// someone else's file, nor another file of the user's through a hard link.
bool WriteFileContents(const std::string& path, std::string_view bytes);

// Where the shell hand-off goes on POSIX when DIRHOP_HANDOFF is not set:
// $XDG_RUNTIME_DIR/dirhop2.sh, else ${TMPDIR:-/tmp}/dirhop2-<uid>.sh. Empty on Windows, where the
// location comes from TEMP.
std::string FallbackHandoffPath();

// True when `path` names a regular file (links followed).
bool IsRegularFile(const std::string& path);

// ---- Console -----------------------------------------------------------------------------------

// One key press: `ch` is the character; `ext` the scan code, non-zero only when `ch` is 0.
struct Key {
  std::uint8_t ch = 0;
  std::uint8_t ext = 0;
  friend bool operator==(Key a, Key b) { return a.ch == b.ch && a.ext == b.ext; }
};

// Scan codes (Key::ext) of the keys without a character, as Windows reports them; the POSIX key
// decoder gives terminal escape sequences the same codes.
inline constexpr std::uint8_t kScanF1 = 59;  // F2..F10 follow as 60..68
inline constexpr std::uint8_t kScanHome = 71;
inline constexpr std::uint8_t kScanUp = 72;
inline constexpr std::uint8_t kScanPageUp = 73;
inline constexpr std::uint8_t kScanLeft = 75;
inline constexpr std::uint8_t kScanRight = 77;
inline constexpr std::uint8_t kScanEnd = 79;
inline constexpr std::uint8_t kScanDown = 80;
inline constexpr std::uint8_t kScanPageDown = 81;
inline constexpr std::uint8_t kScanInsert = 82;
inline constexpr std::uint8_t kScanDelete = 83;
inline constexpr std::uint8_t kScanF11 = 87;
inline constexpr std::uint8_t kScanF12 = 88;

// What a failed key read gives callers that need a key all the same: the pager takes it as "go on".
inline constexpr Key kKeyReadFailure{0, kScanEnd};

// Columns and rows of the console's screen buffer (POSIX: the terminal's size).
struct ScreenSize {
  int columns = 0;
  int rows = 0;
};

// The raw console: unbuffered text to standard output, colour attributes, single keys.
class ConsoleDevice {
 public:
  virtual ~ConsoleDevice() = default;
  // Writes `bytes` to standard output as they are ("\n" ends a line; Windows text mode adds CR).
  virtual void Write(std::string_view bytes) = 0;
  // Makes text written from now on appear in Windows attribute `attr` (7, 10, 12, 14 are used).
  // Text in 12, the error colour, is an error line: on POSIX it goes to standard error, with the
  // line end written just after it; Windows writes it to standard output with the rest.
  virtual void SetAttribute(std::uint16_t attr) = 0;
  // Waits for one key press, without echo; nullopt when no key can be read (no console input).
  virtual std::optional<Key> ReadKey() = 0;
  // Drops every key typed but not read yet (the console's input buffer, the terminal's input
  // queue), so that only keys pressed from now on are read; does nothing when input is no console.
  virtual void DiscardPendingInput() = 0;
  // The screen buffer's size; nullopt when it cannot be read (output redirected).
  virtual std::optional<ScreenSize> BufferSize() = 0;
  // True when standard output is a terminal or console that someone reads as it comes; false
  // when it goes to a file or a pipe.
  virtual bool WritesToScreen() = 0;
};

// Which standard handle could not be obtained when the console was opened.
enum class ConsoleFailure { kNone, kOutput, kError, kInput };

// Opens the process's console: checks the standard handles in the order output, error, input and
// puts the input into single-key mode. On failure returns null and names the handle in `failure`.
std::unique_ptr<ConsoleDevice> OpenConsoleDevice(ConsoleFailure& failure);

}  // namespace dirhop::platform
