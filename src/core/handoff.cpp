#include "core/handoff.h"

#include "base/drive_prefix.h"
#include "base/exit_codes.h"
#include "base/utf8.h"
#include "console/visible_text.h"
#include "core/places.h"
#include "match/paths.h"
#include "state/history.h"

namespace dirhop {

namespace {

const char* LineEnd(HandoffFormat format) {
  return format == HandoffFormat::kBatch ? "\r\n" : "\n";
}

// cmd expands %NAME% and drops a lone % even inside quotes; doubling keeps every % literal.
std::string DoublePercents(const std::string& text) {
  std::string doubled;
  for (char c : text) {
    doubled += c;
    if (c == '%') doubled += '%';
  }
  return doubled;
}

// Single quotes for sh: nothing inside is special, and a quote is closed, escaped and reopened.
std::string ShellQuote(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) {
    if (c == '\'') {
      quoted += "'\\''";
    } else {
      quoted += c;
    }
  }
  return quoted + "'";
}

// Single quotes for fish, where \\ and \' are escapes even inside them.
std::string FishQuote(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) {
    if (c == '\\' || c == '\'') quoted += '\\';
    quoted += c;
  }
  return quoted + "'";
}

// The batch lines that enter `directory`: the drive line if it has a drive letter, then chdir.
std::string BatchChdirLines(const std::string& directory) {
  // The whole path is kept: a path cut short would send the shell somewhere else.
  if (HasDrivePrefix(directory)) {
    return directory.substr(0, 2) + "\r\nchdir \"" + DoublePercents(directory.substr(2)) + "\"";
  }
  return "chdir \"" + DoublePercents(directory) + "\"";
}

// A cmd with delayed expansion (cmd /v:on) expands !NAME! and drops a lone ! even inside quotes,
// and no escape of a ! means the same with and without it. So `lines` run with delayed expansion
// off (setlocal). endlocal, which also comes at the end of the batch file when it is not written,
// puts back the directory that setlocal saw, but not the directory stack: the directory entered
// is pushed before endlocal and popped after it. popd has no argument that delayed expansion
// could change, and leaves the stack as it was.
std::string WithoutDelayedExpansion(const std::string& lines) {
  return "setlocal DisableDelayedExpansion\r\n" + lines + "\r\npushd .\r\nendlocal\r\npopd";
}

// The batch text `text` (UTF-8) as cmd is to read it. cmd reads each line of a batch file in the
// console's code page when it comes to it: when every character is in that page the text goes in
// its bytes, as cmd has always been given it. Otherwise the lines run in UTF-8 between two chcp
// lines, the second putting back the page the user had; the chcp lines are ASCII, the same in
// every code page.
std::string BatchForConsole(Host& host, const std::string& text) {
  const unsigned page = host.ConsoleCodePage();
  if (std::optional<std::string> bytes = host.TextInCodePage(text, page)) return *bytes;
  return "@chcp " + std::to_string(platform::kUtf8CodePage) + " >nul\r\n" + text + "\r\n@chcp " +
         std::to_string(page) + " >nul";
}

bool EndsWith(const std::string& text, const std::string& suffix) {
  return text.size() >= suffix.size() &&
         text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

}  // namespace

std::string HandOffText(const std::string& directory, HandoffFormat format) {
  switch (format) {
    case HandoffFormat::kBatch:
      // Only a ! means something else to cmd with delayed expansion; every other name gets the
      // plain lines.
      if (directory.find('!') != std::string::npos) {
        return WithoutDelayedExpansion(BatchChdirLines(directory));
      }
      return BatchChdirLines(directory);
    case HandoffFormat::kPosixShell:
      return "cd -- " + ShellQuote(directory);
    case HandoffFormat::kFishShell:
      return "cd -- " + FishQuote(directory);
  }
  return {};
}

HandoffFormat ChooseHandoffFormat(Host& host) {
  if (host.Kind() == platform::HostKind::kWindows) return HandoffFormat::kBatch;
  // The fish function names its private hand-off file *.fish to get fish's quoting.
  auto chosen = host.GetEnv("DIRHOP_HANDOFF");
  return chosen && EndsWith(*chosen, ".fish") ? HandoffFormat::kFishShell
                                              : HandoffFormat::kPosixShell;
}

std::string HandoffPlaceholder(HandoffFormat format) {
  return format == HandoffFormat::kBatch ? "rem" : "# rem";
}

std::optional<std::string> HandoffPath(Console& console, Host& host, HandoffFormat format) {
  if (auto chosen = host.GetEnv("DIRHOP_HANDOFF")) return *chosen;
  if (format != HandoffFormat::kBatch) return host.FallbackHandoffPath();
  auto temp = host.GetEnv("TEMP");
  if (!temp) {
    console.SetTextColour(kColourError);
    console.WriteLine("Dirhop: Error - the environment variable TEMP is not defined");
    console.WriteLine("You can define it with the following command in your autoexec.bat:");
    console.WriteLine("  SET TEMP=c:\\temp");
    console.EndColouredLine();
    return std::nullopt;
  }
  return AddTrailingSeparator(*temp, kWindowsPaths) + "dirhop2.bat";
}

bool WriteHandoffScript(Console& console, FileSystem& fs, const HostFacts& facts,
                        const std::string& text) {
  const std::string& path = facts.handoff_path;
  if (!fs.WriteFileContents(path, text + LineEnd(facts.handoff_format))) {
    console.SetTextColour(kColourError);
    // Only cmd's hand-off is a batch file; the shells source shell code.
    const char* what =
        facts.handoff_format == HandoffFormat::kBatch ? "batch file" : "the hand-off file";
    console.WriteLine("Dirhop: Error - can't write to " + std::string(what) + " '" +
                      VisibleText(path) + "'");
    console.EndColouredLine();
    return false;
  }
  return true;
}

bool HandOffDirectory(Run& run, const std::string& directory) {
  std::string text = HandOffText(directory, run.facts.handoff_format);
  if (run.facts.handoff_format == HandoffFormat::kBatch) text = BatchForConsole(run.host, text);
  return WriteHandoffScript(run.console, run.fs, run.facts, text);
}

namespace {

// The directory as the shell is to enter it: its full path, or, when that is longer than a change
// of directory takes whole, the way there from the start directory, where the shell still is.
// Empty when neither fits.
std::string PathForShell(Run& run, const std::string& entered) {
  const std::size_t longest = run.fs.LongestWholePath();
  // Windows measures a path in UTF-16 units, POSIX in bytes.
  const auto length = [&run](const std::string& path) {
    return run.facts.handoff_format == HandoffFormat::kBatch ? Utf16Length(path) : path.size();
  };
  if (length(entered) <= longest) return entered;
  const std::string relative = run.start_dir.empty()
                                   ? std::string()
                                   : RelativePath(run.start_dir, entered, run.facts.syntax);
  return length(relative) <= longest ? relative : std::string();
}

// What the system said when it refused to enter a directory, as the end of the message.
std::string EnterFailureReason(platform::EnterFailure failure) {
  switch (failure) {
    case platform::EnterFailure::kGone:
      return " (it no longer exists)";
    case platform::EnterFailure::kNotADirectory:
      return " (not a directory)";
    case platform::EnterFailure::kAccessDenied:
      return " (permission denied)";
    case platform::EnterFailure::kNone:
    case platform::EnterFailure::kOther:
      break;
  }
  return "";
}

}  // namespace

ExitCode GoToDirectory(Run& run, const std::string& directory) {
  const platform::EnterFailure failure = run.fs.EnterDirectory(directory);
  if (failure != platform::EnterFailure::kNone) {
    run.console.ColouredLine(kColourError, "Dirhop: Could not change directory to '" +
                                               VisibleText(directory) + "'" +
                                               EnterFailureReason(failure));
    return kExitError;
  }
  // The system gives back the current directory as it was asked for: the shell and the history
  // get the names as the disk holds them (an alias or an entry may be spelt in another case).
  std::string entered = WithNamesAsStored(run.fs.CurrentDirectory(), run.facts.syntax, run.fs);
  if (entered.empty()) entered = directory;
  const std::string for_shell = PathForShell(run, entered);
  if (for_shell.empty()) {
    run.console.ColouredLine(kColourError, "Dirhop: Could not change directory to '" +
                                               VisibleText(entered) +
                                               "' (the path is too long for the shell)");
    return kExitError;
  }
  // The directory the run started in first, when the history does not begin with it yet, so
  // that `c -` leads back there.
  CheckHistoryStart(run.console, run.settings, run.start_dir);
  AddToHistory(run.console, run.settings, entered);
  RememberVisit(run, entered);
  return HandOffDirectory(run, for_shell) ? kExitOk : kExitError;
}

}  // namespace dirhop
