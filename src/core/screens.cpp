#include "core/screens.h"

#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "core/identity.h"
#include "core/launcher.h"

namespace dirhop {

namespace {

// Where the POSIX text differs from the Windows text.
enum class PosixText {
  kSame,                  // the Windows line is right on POSIX too
  kReplace,               // use the POSIX line
  kOmit,                  // the line describes something POSIX does not have
  kOmitWithoutMakerSite,  // the line names the maker's site: on POSIX only when one is configured
};

struct UsageLine {
  std::string_view windows;
  PosixText posix_text = PosixText::kSame;
  std::string_view posix = {};
};

// Options and their descriptions start in columns 3 and 20, so the descriptions line up.
constexpr UsageLine kUsageLines[] = {
    {"Usage:"},
    {"  c [drive:][\\][pathspec1][\\pathspec2][\\pathspec3]...", PosixText::kReplace,
     "  c [/][pathspec1][/pathspec2][/pathspec3]..."},
    {"  c -?             displays this usage screen"},
    {"  c -w             displays the welcome/contact screen"},
    {"  c -[h|l]         displays the directory history list"},
    {"  c -<num>         goes to history index <num> or blank for most recent"},
    {"  c -a             displays the alias list"},
    {"  c <alias>        uses an alias (aliases are case insensitive)"},
    {"  c -a <alias>     removes an alias"},
    {"  c -a <alias> .   defines an alias for the current directory (absolute)"},
    {"  c -a <alias> <directory>"},
    {"                   defines an alias (can be relative e.g. ..\\..)", PosixText::kReplace,
     "                   defines an alias (can be relative e.g. ../..)"},
    {"  c -x             starts Windows Explorer in current directory", PosixText::kReplace,
     "  c -x             starts the file manager in current directory"},
    {""},
    {"  c -mail          send technical support email"},
    {"  c -brantel       go to the Brantel Software web site", PosixText::kOmitWithoutMakerSite},
    {"  c -home          go to the Dirhop home page"},
    {"  c -manual        display the Dirhop user manual"},
    {""},
    {"The current directory is generally excluded from the list of choices. If the"},
    {"specified directory does not exist it can be created. Long directory names"},
    {"can be \"quoted\". Environment variable DIRHOP can be used to specify the"},
    {"file for history and alias data to be written to."},
    {""},
    {"Abbreviations supported:"},
    {"    . -> ..     Go to parent directory"},
    {"  ... -> ..\\..  Go to parent's parent (works for ...., ..... etc)", PosixText::kReplace,
     "  ... -> ../..  Go to parent's parent (works for ...., ..... etc)"},
    // '/' is already the separator on POSIX and '\' is an ordinary character of a name there.
    {"    / -> \\      Unix slash makes no difference", PosixText::kOmit},
    {"   \\\\ -> \\*\\    Saves hitting [Shift+8] (use to choose all matches)", PosixText::kReplace,
     "   // -> /*/    Saves typing the star (use to choose all matches)"},
    {"    X -> X*.*   * is ALWAYS added", PosixText::kReplace, "    X -> X*     * is ALWAYS added"},
    {""},
    {"Examples:  (where D: is a drive letter)", PosixText::kReplace, "Examples:"},
    {"  c \\   c D:..   c *   c \\T   c *\\*   c D:B*   c D:..\\*", PosixText::kReplace,
     "  c /   c ..   c *   c /T   c */*   c B*   c ../*"},
};

bool WindowsTexts(platform::HostKind host) { return host == platform::HostKind::kWindows; }

// One line of a screen and whether it stands out in the notice colour.
struct ScreenLine {
  std::string text;
  bool notice = false;
};

// The lines of the usage screen for `host`.
std::vector<ScreenLine> UsageLines(platform::HostKind host) {
  const bool windows = WindowsTexts(host);
  std::vector<ScreenLine> lines;
  for (const UsageLine& line : kUsageLines) {
    const bool maker_site_line = line.posix_text == PosixText::kOmitWithoutMakerSite &&
                                 !IsPlaceholderAddress(build_info::kMakerSite);
    if (windows || line.posix_text == PosixText::kSame || maker_site_line) {
      lines.push_back({std::string(line.windows)});
    } else if (line.posix_text == PosixText::kReplace) {
      lines.push_back({std::string(line.posix)});
    }
  }
  return lines;
}

// `address`, or the command that shows the manual when the address is a placeholder.
std::string AddressOrManual(const char* address) {
  return IsPlaceholderAddress(address) ? "c -manual" : address;
}

// The lines of the welcome screen for `host`.
std::vector<ScreenLine> WelcomeLines(platform::HostKind host) {
  // There is no DOS on POSIX; the command it stands in for there is the shell's cd.
  return {
      {BannerLine(), true},
      {""},
      {WindowsTexts(host)
           ? "Dirhop is the ultimate replacement for DOS's CD command. You can abbreviate"
           : "Dirhop is the ultimate replacement for the cd command. You can abbreviate"},
      {"directories, save aliases for frequently-used directories, access a history"},
      {"of directories visited, automatically create a directory if it doesn't exist"},
      {"and much more. No index files required! It even matches typos!"},
      {""},
      // A build without real addresses points to the manual, never to an example address.
      IsPlaceholderAddress(MakerSiteAddress())
          ? ScreenLine{"For updates and information, see the Dirhop manual -"}
          : ScreenLine{"For updates, information, mailing lists and other products, see our web "
                       "page -"},
      {"  " + AddressOrManual(MakerSiteAddress()), true},
      {""},
      IsPlaceholderAddress(SupportEmailAddress())
          ? ScreenLine{"For comments, suggestions or bug reports, see the Dirhop manual -"}
          : ScreenLine{"Send us email with your comments, suggestions or bug reports at"},
      {"  " + AddressOrManual(SupportEmailAddress()), true},
  };
}

// The lines of `parts` one after another through the pager, each notice line in the notice colour.
PageResult PageScreen(Pager& pager, std::initializer_list<std::vector<ScreenLine>> parts) {
  for (const std::vector<ScreenLine>& part : parts) {
    for (const ScreenLine& line : part) {
      if (line.notice) pager.console().SetTextColour(kColourNotice);
      if (pager.PageLine(line.text) == PageResult::kLeft) return PageResult::kLeft;
    }
  }
  return PageResult::kShown;
}

const std::vector<ScreenLine> kEmptyLine = {{""}};

}  // namespace

std::string BannerLine() {
  return std::string(kProductName) + " " + kVersion + " - the change-directory command that " +
         "finds what you meant";
}

PageResult ShowUsageScreen(Pager& pager, platform::HostKind host) {
  return PageScreen(pager, {UsageLines(host)});
}

PageResult ShowWelcomeScreen(Pager& pager, platform::HostKind host) {
  return PageScreen(pager, {WelcomeLines(host)});
}

PageResult ShowUsageScreenWithBanner(Pager& pager, platform::HostKind host) {
  return PageScreen(pager, {{{BannerLine(), true}}, kEmptyLine, UsageLines(host)});
}

PageResult ShowFirstRunScreens(Pager& pager, platform::HostKind host) {
  return PageScreen(pager, {WelcomeLines(host), kEmptyLine, UsageLines(host)});
}

}  // namespace dirhop
