// The crash report's text: identity cut to its limits, the command line as prepared at start-up,
// the stack-overflow line, the error number. (tests/e2e/test_crash.py makes real faults.)
#include "core/crash_report.h"

#include <gtest/gtest.h>

#include <string>

#include "core/launcher.h"

namespace dirhop {
namespace {

std::string Expected(const std::string& second_line, const std::string& program_line,
                     const std::string& command_line, const std::string& number) {
  return "*** An error occurred ***\n" + second_line +
         "\n"
         "Please email the following information and a description of what you\n"
         "were doing when the error occurred to " +
         SupportEmailAddress() + "\n\n" + program_line + "\n" + command_line + "\n" +
         "Error number " + number + "\nInOutRes: 0\n";
}

class CrashReportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetCrashIdentity("Dirhop", "3.1");
    SetCrashCommandLine(CommandWords::FromRawCommandLine("c.exe  \"Program Files\"\tsrc \"\" last",
                                                         "C:\\Tools\\dirhop.exe"));
  }
};

TEST_F(CrashReportTest, AccessViolationAndDivisionByZeroHaveNoSecondLine) {
  const std::string program = "Program: Dirhop  Version: 3.1";
  const std::string words = "Command line: C:\\Tools\\dirhop.exe Program Files src last";
  EXPECT_EQ(CrashReportText(216), Expected("", program, words, "216"));
  EXPECT_EQ(CrashReportText(200), Expected("", program, words, "200"));
  EXPECT_EQ(CrashReportText(217), Expected("", program, words, "217"));
}

TEST_F(CrashReportTest, StackOverflowSaysSoOnTheSecondLine) {
  EXPECT_EQ(CrashReportText(202),
            Expected("Stack overflow error\n", "Program: Dirhop  Version: 3.1",
                     "Command line: C:\\Tools\\dirhop.exe Program Files src last", "202"));
}

TEST_F(CrashReportTest, NameAndVersionAreCutTo30And10Characters) {
  SetCrashIdentity("Product name thirty chars long!!!", "10.20.30.4-beta");
  const std::string text = CrashReportText(216);
  EXPECT_NE(text.find("\nProgram: Product name thirty chars long  Version: 10.20.30.4\n"),
            std::string::npos)
      << text;
  SetCrashIdentity("", "");
  EXPECT_NE(CrashReportText(216).find("\nProgram:   Version: \n"), std::string::npos);
}

TEST_F(CrashReportTest, TheCommandLineIsWhatWasSetLast) {
  SetCrashCommandLine(CommandWords::FromArguments({}, "/usr/bin/dirhop"));
  EXPECT_NE(CrashReportText(216).find("\nCommand line: /usr/bin/dirhop\nError number 216\n"),
            std::string::npos);
  SetCrashCommandLine(CommandWords::FromArguments({"my dir", "", "-x"}, "/usr/bin/dirhop"));
  EXPECT_NE(CrashReportText(216).find("\nCommand line: /usr/bin/dirhop my dir -x\n"),
            std::string::npos);
}

TEST_F(CrashReportTest, ErrorNumbersOfAnySizeAreWrittenInDecimal) {
  EXPECT_NE(CrashReportText(0).find("\nError number 0\n"), std::string::npos);
  EXPECT_NE(CrashReportText(65535).find("\nError number 65535\n"), std::string::npos);
  EXPECT_NE(CrashReportText(-5).find("\nError number -5\n"), std::string::npos);
}

}  // namespace
}  // namespace dirhop
