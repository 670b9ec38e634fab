// Windows error numbers: the one numbering in which both builds report what the operating system
// refused. The Win32 build passes on what the system says; the POSIX port maps errno values and
// its opener's outcome onto these. Every layer names them from here.
#pragma once

namespace dirhop {

// ---- System error codes (GetLastError), as a directory creation reports them ---------------

inline constexpr int kErrorInvalidFunction = 1;         // ERROR_INVALID_FUNCTION
inline constexpr int kErrorFileNotFound = 2;            // ERROR_FILE_NOT_FOUND
inline constexpr int kErrorPathNotFound = 3;            // ERROR_PATH_NOT_FOUND
inline constexpr int kErrorAccessDenied = 5;            // ERROR_ACCESS_DENIED
inline constexpr int kErrorWriteProtect = 19;           // ERROR_WRITE_PROTECT
inline constexpr int kErrorGenFailure = 31;             // ERROR_GEN_FAILURE
inline constexpr int kErrorDiskFull = 112;              // ERROR_DISK_FULL
inline constexpr int kErrorAlreadyExists = 183;         // ERROR_ALREADY_EXISTS
inline constexpr int kErrorFilenameExcedRange = 206;    // ERROR_FILENAME_EXCED_RANGE: too long
inline constexpr int kErrorCantResolveFilename = 1921;  // ERROR_CANT_RESOLVE_FILENAME: link loop

// ---- Results of the shell's open-a-document call (ShellExecute) -----------------------------

// The largest failure code; any result above it means the launch worked.
inline constexpr int kShellLastFailure = 32;

inline constexpr int kShellOutOfResources = 0;          // the system is out of memory or resources
inline constexpr int kShellFileNotFound = 2;            // SE_ERR_FNF
inline constexpr int kShellPathNotFound = 3;            // SE_ERR_PNF
inline constexpr int kShellAccessDenied = 5;            // SE_ERR_ACCESSDENIED
inline constexpr int kShellOutOfMemory = 8;             // SE_ERR_OOM
inline constexpr int kShellBadFormat = 11;              // ERROR_BAD_FORMAT: not a program
inline constexpr int kShellSharingViolation = 26;       // SE_ERR_SHARE
inline constexpr int kShellAssociationIncomplete = 27;  // SE_ERR_ASSOCINCOMPLETE
inline constexpr int kShellDdeTimeout = 28;             // SE_ERR_DDETIMEOUT
inline constexpr int kShellDdeFailed = 29;              // SE_ERR_DDEFAIL
inline constexpr int kShellDdeBusy = 30;                // SE_ERR_DDEBUSY
inline constexpr int kShellNoAssociation = 31;          // SE_ERR_NOASSOC
inline constexpr int kShellDllNotFound = 32;            // SE_ERR_DLLNOTFOUND

}  // namespace dirhop
