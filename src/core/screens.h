// The two fixed screens: the usage screen (the command line) and the welcome screen (what the
// program is, where to get updates and support), both written line by line through the pager.
// Windows builds show the Windows texts; POSIX builds show a few lines adapted to '/' paths, no
// drive letters and the desktop's file manager (chosen by the host's kind).
#pragma once

#include <string>

#include "console/pager.h"
#include "platform/platform.h"

namespace dirhop {

// The banner line: the program's name and version.
std::string BannerLine();

// Pages out the usage screen in the normal colour; kLeft when the user leaves at the pager's
// prompt (the run then ends with exit code 0).
PageResult ShowUsageScreen(Pager& pager, platform::HostKind host);

// Pages out the welcome screen: banner and addresses in the notice colour, the rest normal.
// Option "-w" calls this and then ends the run with exit code 250; kLeft when the user leaves at
// the pager's prompt (exit code 0).
PageResult ShowWelcomeScreen(Pager& pager, platform::HostKind host);

// Option "-?": the banner in the notice colour, an empty line, then the usage screen. The caller
// then ends the run with exit code 250; kLeft when the user leaves at the prompt.
PageResult ShowUsageScreenWithBanner(Pager& pager, platform::HostKind host);

// The first run's start-up screens: the welcome screen, an empty line, the usage screen, paged as
// one text; the run then goes on, whether the user paged to the end or left at a prompt (kLeft):
// leaving ends the screens, never the command that was typed.
PageResult ShowFirstRunScreens(Pager& pager, platform::HostKind host);

}  // namespace dirhop
