// The command line is split as the program has always split it, and only the
// exact switch "/u" (either case) after the program path selects uninstalling.
#include <gtest/gtest.h>

#include "CommandLine.h"

using Params = std::vector<std::string>;

TEST(SplitCommandLine, BlanksAndControlCharactersSeparate) {
  EXPECT_EQ(SplitCommandLine("prog a  b"), (Params{"prog", "a", "b"}));
  EXPECT_EQ(SplitCommandLine("prog\ta\r\nb\x01"
                             "c"),
            (Params{"prog", "a", "b", "c"}));
  EXPECT_EQ(SplitCommandLine("  \t prog  "), (Params{"prog"}));
}

TEST(SplitCommandLine, EmptyOrBlankLineHasNoParameters) {
  EXPECT_TRUE(SplitCommandLine("").empty());
  EXPECT_TRUE(SplitCommandLine(" \t\r\n").empty());
}

TEST(SplitCommandLine, QuotedStretchIsOneParameterWithoutQuotes) {
  EXPECT_EQ(SplitCommandLine("\"C:\\Program Files\\Map\\Setup.exe\" /u"),
            (Params{"C:\\Program Files\\Map\\Setup.exe", "/u"}));
  EXPECT_EQ(SplitCommandLine("prog \"a\tb\""), (Params{"prog", "a\tb"}));
}

TEST(SplitCommandLine, QuotesMayStandInsideAParameter) {
  EXPECT_EQ(SplitCommandLine("prog a\"b c\"d e"), (Params{"prog", "ab cd", "e"}));
  EXPECT_EQ(SplitCommandLine("prog \"a\"\"b\""), (Params{"prog", "ab"}));
}

TEST(SplitCommandLine, UnterminatedQuoteRunsToTheEnd) {
  EXPECT_EQ(SplitCommandLine("prog \"a b  c"), (Params{"prog", "a b  c"}));
}

TEST(SplitCommandLine, EmptyQuotesMakeNoParameter) {
  EXPECT_EQ(SplitCommandLine("prog \"\" x \"\""), (Params{"prog", "x"}));
  EXPECT_EQ(SplitCommandLine("prog x\"\"y"), (Params{"prog", "xy"}));
}

TEST(SplitCommandLine, BackslashesAreOrdinaryCharacters) {
  // Unlike the C runtime's rules, a backslash never escapes a quote.
  EXPECT_EQ(SplitCommandLine("prog \"C:\\Dist\\\" /u"), (Params{"prog", "C:\\Dist\\", "/u"}));
}

TEST(SplitCommandLine, NonAsciiTextIsKept) {
  EXPECT_EQ(SplitCommandLine("\"C:\\Карта области\\Setup.exe\" /U"),
            (Params{"C:\\Карта области\\Setup.exe", "/U"}));
}

TEST(HasUninstallSwitch, SlashUInEitherCase) {
  EXPECT_TRUE(HasUninstallSwitch("Setup.exe /u"));
  EXPECT_TRUE(HasUninstallSwitch("Setup.exe /U"));
  EXPECT_TRUE(HasUninstallSwitch("Setup.exe\t/u\t"));
}

TEST(HasUninstallSwitch, OtherSpellingsDoNotCount) {
  for (const char* line :
       {"Setup.exe -u", "Setup.exe u", "Setup.exe /uninstall", "Setup.exe /u1", "Setup.exe //u",
        "Setup.exe /", "Setup.exe \\u", "Setup.exe /u/u", "Setup.exe / u"}) {
    EXPECT_FALSE(HasUninstallSwitch(line)) << line;
  }
}

TEST(HasUninstallSwitch, QuotedSwitchCountsAfterQuotesAreRemoved) {
  EXPECT_TRUE(HasUninstallSwitch("Setup.exe \"/u\""));
  EXPECT_TRUE(HasUninstallSwitch("Setup.exe /\"u\""));
  EXPECT_FALSE(HasUninstallSwitch("Setup.exe \"/u \""));
}

TEST(HasUninstallSwitch, PositionAmongOtherParametersDoesNotMatter) {
  EXPECT_TRUE(HasUninstallSwitch("Setup.exe /u x y"));
  EXPECT_TRUE(HasUninstallSwitch("Setup.exe x /u y"));
  EXPECT_TRUE(HasUninstallSwitch("Setup.exe x y /U"));
  EXPECT_FALSE(HasUninstallSwitch("Setup.exe x y z"));
}

TEST(HasUninstallSwitch, ProgramPathIsNeverTheSwitch) {
  EXPECT_FALSE(HasUninstallSwitch("/u"));
  EXPECT_FALSE(HasUninstallSwitch("\"/u\" x"));
  EXPECT_FALSE(HasUninstallSwitch(""));
  EXPECT_FALSE(HasUninstallSwitch("   "));
}

TEST(HasUninstallSwitch, ProgramPathWithBlanksInQuotes) {
  EXPECT_TRUE(HasUninstallSwitch("\"C:\\Program Files\\Карта\\Setup.exe\" /u"));
  // Unquoted, the blanks split the path and its pieces are mere parameters.
  EXPECT_FALSE(HasUninstallSwitch("C:\\Program Files\\Setup.exe"));
  // A quoted path whose text ends in " /u" is still one parameter.
  EXPECT_FALSE(HasUninstallSwitch("\"C:\\Dist /u\\Setup.exe\""));
}
