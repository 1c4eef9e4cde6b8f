// The switches of an unattended run read from whole command lines, and the
// restart list losing exactly the deletions of a folder taken back.
#include <gtest/gtest.h>

#include <cctype>

#include "PendingDeletions.h"
#include "RunMode.h"

namespace {

struct Row {
  const char* line;
  bool silent;
  const char* folder;  // nullptr: no /D=
  bool database, mapImage;
  const char* log;
  const char* error;  // a part of the error, "" for none
};

TEST(UnattendedOptions, SwitchesOfWholeCommandLines) {
  const Row rows[] = {
      {"Setup.exe", false, nullptr, true, true, "", ""},
      {"Setup.exe /s", true, nullptr, true, true, "", ""},
      {"Setup.exe /S -S S", true, nullptr, true, true, "", ""},
      // A switch not ours ends a silent run; the wizard lets it pass.
      {"Setup.exe /S /ss", true, nullptr, true, true, "", "unknown switch /ss"},
      {"Setup.exe /S /DIR=C:\\Apps", true, nullptr, true, true, "", "unknown switch /DIR=C:\\Apps"},
      {"Setup.exe /COMPONENT=image /s", true, nullptr, true, true, "", "/COMPONENT=image"},
      {"Setup.exe /DIR=C:\\Apps /COMPONENT=image", false, nullptr, true, true, "", ""},
      {"Setup.exe /U /S \"/LOG=C:\\a.log\"", true, nullptr, true, true, "C:\\a.log", ""},
      {"Setup.exe /S /D=C:\\Мои программы\\Карты  ", true, "C:\\Мои программы\\Карты", true, true,
       "", ""},
      {"Setup.exe /D=C:\\a b /S", false, "C:\\a b /S", true, true, "", ""},
      {"Setup.exe /S /D=C:\\a /x", true, "C:\\a /x", true, true, "", ""},
      {"Setup.exe \"/D=C:\\a b\" /S", true, "C:\\a b", true, true, "", ""},
      {"Setup.exe /d=\"C:\\a b\"", false, "C:\\a b", true, true, "", ""},
      {"Setup.exe /S /COMPONENTS=help", true, nullptr, false, false, "", ""},
      {"Setup.exe /components=Image,DATABASE,help", false, nullptr, true, true, "", ""},
      {"Setup.exe /COMPONENTS=", false, nullptr, false, false, "", ""},
      {"Setup.exe /COMPONENTS=help,maps", false, nullptr, false, false, "", "\"maps\""},
      {"Setup.exe /COMPONENTS=help,,image", false, nullptr, false, false, "", "\"\""},
      {"Setup.exe /S /D=", true, "", true, true, "", "names no folder"},
      {"Setup.exe /S /D=Programs\\Maps", true, "Programs\\Maps", true, true, "", "not an absolute"},
      {"Setup.exe /S /D=\\\\server\\share", true, "\\\\server\\share", true, true, "",
       "not an absolute"},
      {"Setup.exe /u /S \"/LOG=C:\\logs\\setup log.txt\"", true, nullptr, true, true,
       "C:\\logs\\setup log.txt", ""},
      {"Setup.exe /LOG=", false, nullptr, true, true, "", "names no file"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    const TUnattendedOptions o = ParseUnattendedOptions(row.line);
    EXPECT_EQ(o.silent, row.silent);
    EXPECT_EQ(o.hasFolder, row.folder != nullptr);
    if (row.folder) {
      EXPECT_EQ(o.folder, row.folder);
    }
    EXPECT_EQ(o.database, row.database);
    EXPECT_EQ(o.mapImage, row.mapImage);
    EXPECT_EQ(o.logPath, row.log);
    if (*row.error) {
      EXPECT_NE(o.error.find(row.error), std::string::npos) << o.error;
    } else {
      EXPECT_EQ(o.error, "");
    }
  }
}

TEST(UnattendedOptions, TheRelocatedCopyKeepsSilenceAndLogButNothingElse) {
  const std::string temp = "C:\\Temp\\";
  const TRunMode first = DetectRunMode("C:\\Map\\Setup.exe", "Setup.exe /u /s /D=C:\\x");
  const std::string line =
      RelocatedCopyCommandLine(temp, RelocatedSwitches(first.Options, "C:\\a b\\Setup.log"));
  EXPECT_EQ(line, "\"C:\\Temp\\Duv20Izeviruvu.exe\" /u /S \"/LOG=C:\\a b\\Setup.log\"");
  const TRunMode copy = DetectRunMode(RelocatedCopyPath(temp), line);
  EXPECT_TRUE(copy.UninstallMode && copy.Options.silent && !copy.SelfRelocation);
  EXPECT_EQ(copy.Options.logPath, "C:\\a b\\Setup.log");
}

// What the relocating uninstaller returns for its silent copy.
TEST(RelocatedCopy, ResultIsItsReportOrAnExitOfOurs) {
  const struct {
    bool reported;
    int32_t code;
    uint32_t status;
    int result;
  } rows[] = {
      {true, 0, 259, 0},         {true, 2, 0, 2},  {true, 7, 0, 2},
      {true, -1, 0, 2},          {false, 0, 2, 2}, {false, 0, 3, 3},
      {false, 0, 1, 1},          {false, 0, 0, 2}, {false, 0, 0xC0000005, 2},  // a crash
      {false, 0, 0xC000013A, 2},                                               // ended from outside
  };
  for (const auto& row : rows) {
    EXPECT_EQ(CopyResult(row.reported, row.code, row.status), row.result)
        << row.reported << " " << row.code << " " << row.status;
  }
}

bool SameAsciiCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  }
  return true;
}

TEST(PendingDeletions, OnlyTheFolderAndWhatLiesBelowItLeaveTheList) {
  using List = std::vector<std::string>;
  const List list = {
      "\\??\\C:\\Prog\\Map\\Map.exe", "",  // below: goes
      "\\??\\C:\\Other\\a.dll",       "",  // another program's: stays
      "\\??\\c:\\prog\\MAP\\\\Docs",  "",  // other case, doubled separator: goes
      "\\??\\C:\\Prog\\Map\\x.tmp",   "!\\??\\C:\\Prog\\Map\\x.dll",  // a rename: stays
      "\\??\\C:\\Prog\\Map2",         "",   // a sibling with a longer name: stays
      "\\??\\C:\\Prog\\Map",          ""};  // the folder itself: goes
  EXPECT_EQ(WithoutDeletionsBelow(list, "C:\\Prog\\Map", SameAsciiCase),
            (List{"\\??\\C:\\Other\\a.dll", "", "\\??\\C:\\Prog\\Map\\x.tmp",
                  "!\\??\\C:\\Prog\\Map\\x.dll", "\\??\\C:\\Prog\\Map2", ""}));
  // A damaged list's odd last string stays where it was.
  EXPECT_EQ(
      WithoutDeletionsBelow({"\\??\\C:\\Prog\\Map", "", "odd"}, "C:\\Prog\\Map\\", SameAsciiCase),
      (List{"odd"}));
}

}  // namespace
