#include "core/launcher.h"

#include "base/case_folding.h"
#include "base/exit_codes.h"
#include "base/windows_errors.h"
#include "console/visible_text.h"
#include "core/build_info.h"

namespace dirhop {

const char* SupportEmailAddress() { return build_info::kSupportEmail; }
const char* HomePageAddress() { return build_info::kHomePage; }
const char* MakerSiteAddress() { return build_info::kMakerSite; }

bool IsPlaceholderAddress(std::string_view address) {
  // The host: after "@" in an e-mail address, between "//" and the next "/" in a web address.
  std::string_view host = address;
  const std::size_t at = host.rfind('@');
  if (at != std::string_view::npos) host.remove_prefix(at + 1);
  const std::size_t scheme = host.find("//");
  if (scheme != std::string_view::npos) host.remove_prefix(scheme + 2);
  host = host.substr(0, host.find_first_of("/?:#"));
  while (!host.empty() && host.back() == '.') host.remove_suffix(1);
  if (host.empty()) return true;
  const std::string name = "." + UpperCase(host);
  for (const char* reserved : {".EXAMPLE.COM", ".EXAMPLE.ORG", ".EXAMPLE.NET", ".EXAMPLE",
                               ".INVALID", ".TEST", ".LOCALHOST"}) {
    const std::string_view end(reserved);
    if (name.size() >= end.size() && name.compare(name.size() - end.size(), end.size(), end) == 0) {
      return true;
    }
  }
  return false;
}

int ShellOpen(const std::string& file, const std::string& parameters, const std::string& directory,
              int show, Host& host) {
  // Each text goes through a buffer of 256 characters: the first 255 and the terminator.
  return host.OpenWithShell(file.substr(0, kShellTextMax), parameters.substr(0, kShellTextMax),
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

ExitCode LaunchTarget(Run& run, const std::string& target) {
  // The announcement must be on the screen before the launcher may take its time.
  run.console.Flush();
  const int result = ShellOpen(target, "", "", kShowMode, run.host);
  if (result <= kShellLastFailure) {
    run.console.WriteLine("Error: " + VisibleText(target) + " - " + LaunchErrorText(result));
  }
  return kExitOk;
}

std::string ManualPath(platform::HostKind host, const std::string& own_file_path, FileSystem& fs) {
  const bool windows = host == platform::HostKind::kWindows;
  // The directory keeps its trailing separator; a path without one means no directory.
  const std::size_t cut = own_file_path.find_last_of(windows ? "\\/" : "/");
  std::string directory =
      cut == std::string::npos ? std::string() : own_file_path.substr(0, cut + 1);
  if (windows) return directory + "dirhop.chm";
  const std::string beside = directory + "dirhop.html";
  if (fs.IsRegularFile(beside)) return beside;
  // Each leading "../" of the relative path takes one directory off the program's directory.
  std::string relative = build_info::kManualFromProgram;
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
                      const std::string& own_file_path, FileSystem& fs) {
  const bool windows = host == platform::HostKind::kWindows;
  switch (option) {
    case LaunchOption::kMail:
      return {"Starting mail program",
              std::string("mailto:") + SupportEmailAddress() + "?Subject=Dirhop Technical Support",
              "", true};
    case LaunchOption::kManual:
      return {kManualAnnouncement, ManualPath(host, own_file_path, fs), "", true};
    case LaunchOption::kExplorer:
      // The current directory is the start directory: nothing has changed it yet.
      if (windows) return {"Starting Explorer in current directory", "explorer.exe", "/e,.", false};
      return {"Starting the file manager in current directory", ".", "", false};
    case LaunchOption::kHome:
      return {"Starting Web browser for Dirhop homepage", HomePageAddress(), "", true};
    case LaunchOption::kBrantel:
      return {"Starting Web browser to show Brantel Software home page.", MakerSiteAddress(), "",
              true};
  }
  return {};
}

ExitCode RunLaunchPlan(Run& run, const LaunchPlan& plan) {
  run.console.ColouredLine(kColourNormal, plan.announcement);
  if (plan.report_failure) return LaunchTarget(run, plan.file);
  run.console.Flush();
  ShellOpen(plan.file, plan.parameters, "", kShowMode, run.host);  // the result is not used
  return kExitOk;
}

ExitCode ShowManualPage(Run& run) {
  run.console.ColouredLine(kColourNormal, kManualAnnouncement);
  run.console.Flush();
  if (run.host.RunInTerminal({"man", "dirhop"}) < 0) {
    run.console.WriteLine("Error: man dirhop - " + LaunchErrorText(kShellFileNotFound));
  }
  return kExitOk;
}

ExitCode RunLaunchOption(Run& run, LaunchOption option) {
  // An example address would only send the user nowhere: the manual is the documentation there is.
  const char* address = option == LaunchOption::kMail      ? SupportEmailAddress()
                        : option == LaunchOption::kHome    ? HomePageAddress()
                        : option == LaunchOption::kBrantel ? MakerSiteAddress()
                                                           : nullptr;
  if (address != nullptr && IsPlaceholderAddress(address)) option = LaunchOption::kManual;
  // Asked only for the two options that need a desktop opener on POSIX.
  const bool without_opener =
      (option == LaunchOption::kManual || option == LaunchOption::kExplorer) &&
      !IsWindows(run.facts) && !run.host.DesktopOpenerAvailable();
  // Without a desktop to show the manual on, POSIX has it as a manual page.
  if (without_opener && option == LaunchOption::kManual) return ShowManualPage(run);
  // Without an opener there is no file manager to start, and the user hears so.
  if (without_opener) {
    run.console.ColouredLine(kColourError,
                             "Dirhop: No file manager to start (neither xdg-open nor open is "
                             "installed)");
    return kExitError;
  }
  return RunLaunchPlan(run, PlanLaunch(option, run.facts.kind, run.facts.own_file_path, run.fs));
}

}  // namespace dirhop
