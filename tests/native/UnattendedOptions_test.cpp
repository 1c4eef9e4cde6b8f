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
      {"Setup.exe -S S", false, nullptr, true, true, "", ""},
      // A word that is no switch, or a switch given twice, has no one meaning.
      {"Setup.exe /S -S", true, nullptr, true, true, "", "not a switch: -S"},
      {"Setup.exe /S /COMPONENTS= image", true, nullptr, false, false, "", "not a switch: image"},
      {"Setup.exe /s /S", true, nullptr, true, true, "", "given twice: /S"},
      {"Setup.exe /PASSIVE /S", true, nullptr, true, true, "", "given twice: /S"},
      {"Setup.exe /LOG=a /log=b", false, nullptr, true, true, "b", "given twice: /log=b"},
      {"Setup.exe /COMPONENTS=help /COMPONENTS=image", false, nullptr, false, true, "", "twice"},
      {"Setup.exe \"/D=C:\\a\" /D=C:\\b", false, "C:\\b", true, true, "", "twice: /D=C:"},
      {"Setup.exe /u /U", false, nullptr, true, true, "", ""},
      {"Setup.exe /u /U /S", true, nullptr, true, true, "", "given twice: /U"},
      {"Setup.exe /passive /u", true, nullptr, true, true, "", ""},
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
      // The rest of the line is the folder: quotes in it are no folder name.
      {"Setup.exe /d=\"C:\\a b\"", false, "\"C:\\a b\"", true, true, "", "cannot hold a quote"},
      {"Setup.exe /S /D=C:\\Apps\\New Maps \"/LOG=C:\\x.log\"", true,
       "C:\\Apps\\New Maps \"/LOG=C:\\x.log\"", true, true, "", "cannot hold a quote"},
      {"Setup.exe /S /COMPONENTS=help", true, nullptr, false, false, "", ""},
      {"Setup.exe /components=Image,DATABASE,help", false, nullptr, true, true, "", ""},
      {"Setup.exe /COMPONENTS=", false, nullptr, false, false, "", ""},
      {"Setup.exe /COMPONENTS=help,maps", false, nullptr, false, false, "",
       "\"maps\" in /COMPONENTS= (known: help, database, image)"},
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
    EXPECT_EQ(o.components.Has(kDatabaseSupport), row.database);
    EXPECT_EQ(o.components.Has(kMapImage), row.mapImage);
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
TEST(RelocatedCopy, ResultIsItsReportAndWithoutOneAFailure) {
  const struct {
    bool reported;
    int32_t code;
    int result;
  } rows[] = {
      {true, 0, 0},  {true, 2, 2},  {true, 3010, 3010}, {true, 1618, 1618}, {true, 7, 2},
      {true, -1, 2}, {false, 0, 2}, {false, 1, 2},      {false, 3, 2},      {false, 3010, 2},
  };
  for (const auto& row : rows)
    EXPECT_EQ(CopyResult(row.reported, row.code), row.result) << row.reported << " " << row.code;
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

// What a run left to the next restart: the deletions it added, less its own
// relocated copy and the waiting uninstaller's file with the folders holding
// it, which go without a restart.
TEST(PendingDeletions, WhatARunLeftIsWhatItAddedLessWhatGoesWithoutARestart) {
  using List = std::vector<std::string>;
  const List before = {"\\??\\C:\\Old\\a.dll", ""};
  List after = before;
  for (const char* added : {"C:\\D\\Docs\\Help.htm", "C:\\D\\Docs", "C:\\D\\Setup.exe", "C:\\D",
                            "C:\\T\\Duv.exe", "c:\\old\\A.DLL"})
    after.insert(after.end(), {std::string("\\??\\") + added, ""});
  after.insert(after.end(), {"\\??\\C:\\D\\x.tmp", "!\\??\\C:\\D\\x.dll"});  // a rename
  EXPECT_EQ(AddedDeletions(before, after, {"C:\\D\\Setup.exe", "C:\\T\\Duv.exe"}, SameAsciiCase),
            (List{"C:\\D\\Docs\\Help.htm", "C:\\D\\Docs"}));
  EXPECT_EQ(AddedDeletions(before, before, {}, SameAsciiCase), List{});
}

}  // namespace
