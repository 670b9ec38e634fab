// Handing things to other programs: the mail client, the help viewer, the web browser and the
// file manager, through the system's open-a-document service, with the shell's failure codes
// turned into text. Every launch option ends the run with exit code 0, worked or not.
#pragma once

#include <string>
#include <string_view>

#include "base/exit_codes.h"
#include "core/run.h"
#include "platform/file_system.h"
#include "platform/host.h"
#include "platform/platform.h"

namespace dirhop {

// The show mode of every launch (SW_SHOW).
inline constexpr int kShowMode = 5;
// Each text handed to the shell is cut to this many characters.
inline constexpr std::size_t kShellTextMax = 255;

// The line written before the manual is shown.
inline constexpr char kManualAnnouncement[] = "Starting program to display Dirhop help manual";

// The support e-mail address chosen when the program was built.
const char* SupportEmailAddress();
// The product's home page address chosen when the program was built.
const char* HomePageAddress();
// The maker's web-site address chosen when the program was built.
const char* MakerSiteAddress();

// True when `address` (an e-mail address or a web address) is no real address: empty, or on a
// name reserved for examples and tests (example.com, .org and .net, and the top-level names
// .example, .invalid, .test and .localhost). Such an address is never handed to a user.
bool IsPlaceholderAddress(std::string_view address);

// Calls host.OpenWithShell with each of the three texts cut to its first 255 characters and
// `show`; returns what it returned (above 32: success, otherwise a failure code).
int ShellOpen(const std::string& file, const std::string& parameters, const std::string& directory,
              int show, Host& host);

// The text for a shell failure code (0, 2, 3, 5, 8, 11, 26 to 32); empty for any other code.
std::string LaunchErrorText(int code);

// Opens `target` through run.host (empty parameters and directory, show mode 5); on failure
// writes the line "Error: <target> - <LaunchErrorText>" in the current colour. Gives exit code 0.
ExitCode LaunchTarget(Run& run, const std::string& target);

// The options that launch another program.
enum class LaunchOption {
  kMail,      // -mail: the mail client, addressed to support
  kManual,    // -manual, -help: the manual beside the program's own file
  kExplorer,  // -x: the file manager in the current directory
  kHome,      // -home: the product's home page
  kBrantel,   // -brantel: the maker's site
};

// What one launch option does.
struct LaunchPlan {
  std::string announcement;  // the line written before the launch
  std::string file;          // handed to the shell
  std::string parameters;    // handed to the shell
  bool report_failure;       // true: LaunchTarget (with its "Error: " line); false: result ignored
};

// Where the manual of the program whose own file is `own_file_path` is. Windows: "dirhop.chm" in
// the program's directory. POSIX: "dirhop.html" in the program's directory when fs.IsRegularFile
// says it is there (a build tree), else "dirhop.html" in the installed documentation directory,
// found from the program's directory by the install layout's relative path (../share/doc/dirhop/).
std::string ManualPath(platform::HostKind host, const std::string& own_file_path, FileSystem& fs);

// The plan of `option` on `host`. The manual is ManualPath's; -x runs "explorer.exe /e,." on
// Windows and opens "." with the desktop's opener on POSIX.
LaunchPlan PlanLaunch(LaunchOption option, platform::HostKind host,
                      const std::string& own_file_path, FileSystem& fs);

// Writes the manual's announcement, shows the manual page "dirhop" with `man` in this terminal
// and gives exit code 0; when man cannot be started, says so first.
ExitCode ShowManualPage(Run& run);

// Carries out `option` for this program: writes its announcement line in the normal colour,
// launches through run.host, and gives exit code 0. -mail, -home and -brantel show the manual
// instead when this build's address for them is a placeholder (IsPlaceholderAddress). On POSIX
// without a desktop opener, -manual is ShowManualPage instead, and -x says that no file manager
// can be started (exit code 243).
ExitCode RunLaunchOption(Run& run, LaunchOption option);

// RunLaunchOption with the plan given, for tests of the whole sequence.
ExitCode RunLaunchPlan(Run& run, const LaunchPlan& plan);

}  // namespace dirhop
