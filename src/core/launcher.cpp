#include "core/launcher.h"

#include "base/program_exit.h"
#include "base/windows_errors.h"

// The addresses are build settings (cmake/addresses.cmake); these fallbacks, the same neutral
// examples, keep a build that was configured without them working.
#ifndef DIRHOP_SUPPORT_EMAIL
#define DIRHOP_SUPPORT_EMAIL "support@dirhop.example"
#endif
#ifndef DIRHOP_HOME_PAGE
#define DIRHOP_HOME_PAGE "https://dirhop.example/"
#endif
#ifndef DIRHOP_MAKER_SITE
#define DIRHOP_MAKER_SITE "https://brantel.example/"
#endif
// The installed manual's directory relative to the installed program's, with a trailing "/"
// (cmake/install.cmake sets it from the install layout).
#ifndef DIRHOP_MANUAL_FROM_PROGRAM
#define DIRHOP_MANUAL_FROM_PROGRAM "../share/doc/dirhop/"
#endif

namespace dirhop {

const char* SupportEmailAddress() { return DIRHOP_SUPPORT_EMAIL; }
const char* HomePageAddress() { return DIRHOP_HOME_PAGE; }
const char* MakerSiteAddress() { return DIRHOP_MAKER_SITE; }

int ShellOpen(const std::string& file, const std::string& parameters, const std::string& directory,
              int show, const ShellOpenFunction& shell) {
  // Each text goes through a buffer of 256 characters: the first 255 and the terminator.
  return shell(file.substr(0, kShellTextMax), parameters.substr(0, kShellTextMax),
               directory.substr(0, kShellTextMax), show);
}

std::string LaunchErrorText(int code) {
  switch (code) {
    case kShellOutOfResources:
      return "The operating system is out of memory or resources.";
    case kShellFileNotFound:
      return "The specified file was not found.";
    case kShellPathNotFound:
      return "The specified path was not found.";
    case kShellAccessDenied:
      return "The operating system denied access to the specified file.";
    case kShellOutOfMemory:
      return "There was not enough memory to complete the operation.";
    case kShellBadFormat:
      return "The .EXE file is invalid (non-Win32 .EXE or error in .EXE image).";
    case kShellSharingViolation:
      return "A sharing violation occurred.";
    case kShellAssociationIncomplete:
      return "The filename association is incomplete or invalid.";
    case kShellDdeTimeout:
      return "The DDE transaction could not be completed because the request timed out.";
    case kShellDdeFailed:
      return "The DDE transaction failed.";
    case kShellDdeBusy:
      return "The DDE transaction could not be completed because other DDE transactions were "
             "being processed.";
    case kShellNoAssociation:
      return "There is no application associated with the given filename extension.";
    case kShellDllNotFound:
      return "The specified dynamic-link library was not found.";
    default:
      return {};
  }
}

void LaunchTarget(Run& run, const std::string& target, const ShellOpenFunction& shell) {
  // The announcement must be on the screen before the launcher may take its time.
  run.console.Flush();
  const int result = ShellOpen(target, "", "", kShowMode, shell);
  if (result <= kShellLastFailure) {
    run.console.WriteLine("Error: " + target + " - " + LaunchErrorText(result));
  }
  EndProgram(kExitOk);
}

std::string ManualPath(platform::HostKind host, const std::string& own_file_path,
                       const FileTest& is_file) {
  const bool windows = host == platform::HostKind::kWindows;
  // The directory keeps its trailing separator; a path without one means no directory.
  const std::size_t cut = own_file_path.find_last_of(windows ? "\\/" : "/");
  std::string directory =
      cut == std::string::npos ? std::string() : own_file_path.substr(0, cut + 1);
  if (windows) return directory + "dirhop.chm";
  const std::string beside = directory + "dirhop.html";
  if (is_file(beside)) return beside;
  // Each leading "../" of the relative path takes one directory off the program's directory.
  std::string relative = DIRHOP_MANUAL_FROM_PROGRAM;
  // At the root "../" stays at the root.
  while (!directory.empty() && relative.compare(0, 3, "../") == 0) {
    relative.erase(0, 3);
    if (directory.size() == 1) continue;
    const std::size_t parent = directory.find_last_of('/', directory.size() - 2);
    directory.erase(parent == std::string::npos ? 0 : parent + 1);
  }
  return directory + relative + "dirhop.html";
}

LaunchPlan PlanLaunch(LaunchOption option, platform::HostKind host,
                      const std::string& own_file_path, const FileTest& is_file) {
  const bool windows = host == platform::HostKind::kWindows;
  switch (option) {
    case LaunchOption::kMail:
      return {"Starting mail program",
              std::string("mailto:") + SupportEmailAddress() + "?Subject=Dirhop Technical Support",
              "", true};
    case LaunchOption::kManual:
      return {"Starting program to display Dirhop help manual",
              ManualPath(host, own_file_path, is_file), "", true};
    case LaunchOption::kExplorer:
      // The current directory is the start directory: nothing has changed it yet.
      if (windows) return {"Starting Explorer in current directory", "explorer.exe", "/e,.", false};
      return {"Starting Explorer in current directory", ".", "", false};
    case LaunchOption::kHome:
      return {"Starting Web browser for Dirhop homepage", HomePageAddress(), "", true};
    case LaunchOption::kBrantel:
      return {"Starting Web browser to show Brantel Software home page.", MakerSiteAddress(), "",
              true};
  }
  return {};
}

void RunLaunchPlan(Run& run, const LaunchPlan& plan, const ShellOpenFunction& shell) {
  run.console.ColouredLine(kColourNormal, plan.announcement);
  if (plan.report_failure) LaunchTarget(run, plan.file, shell);
  run.console.Flush();
  ShellOpen(plan.file, plan.parameters, "", kShowMode, shell);  // the result is not used
  EndProgram(kExitOk);
}

void RunLaunchOption(Run& run, LaunchOption option, const ShellOpenFunction& shell) {
  const FileTest is_file = [&fs = run.fs](const std::string& path) {
    return fs.IsRegularFile(path);
  };
  RunLaunchPlan(run, PlanLaunch(option, run.host.kind, run.host.own_file_path, is_file), shell);
}

void ShowManualPage(Run& run, const LaunchPlan& plan) {
  run.console.ColouredLine(kColourNormal, plan.announcement);
  run.console.Flush();
  if (run.fs.RunInTerminal({"man", "dirhop"}) < 0) {
    run.console.WriteLine("Error: man dirhop - " + LaunchErrorText(kShellFileNotFound));
  }
  EndProgram(kExitOk);
}

void RunLaunchOption(Run& run, LaunchOption option) {
  // Without a desktop to show the manual on, POSIX has it as a manual page.
  if (option == LaunchOption::kManual && !IsWindows(run.host) && !run.fs.DesktopOpenerAvailable()) {
    ShowManualPage(run, PlanLaunch(option, run.host.kind, run.host.own_file_path,
                                   [](const std::string&) { return false; }));
  }
  RunLaunchOption(run, option,
                  [&fs = run.fs](const std::string& file, const std::string& parameters,
                                 const std::string& directory, int show) {
                    return fs.OpenWithShell(file, parameters, directory, show);
                  });
}

}  // namespace dirhop
