// Links and the program group in the current user's special folders, pointed
// at scratch folders with blanks and Cyrillic letters in their names.
#include "Shortcuts.h"
#include "SpecialFolders.h"

#include "ComApartment.h"
#include "FilesAndFolders.h"
#include "DialogDriver.h"
#include "RegisterInWindows.h"
#include "ShellFoldersSandbox.h"
#include "TempFolder.h"
#include "Utf.h"

#include <shlobj.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace {

using testfiles::TempFolder;
using testing::IsEmpty;

const std::string kGroup = "Карта Тальмирской области 2.0";

struct LinkFacts {
  bool loaded = false;
  std::string target, arguments, description;
};

LinkFacts ReadLink(const std::string& path) {
  LinkFacts facts;
  TComPtr<IShellLinkW> link;
  TComPtr<IPersistFile> file;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                              link.ReceiveVoid())) ||
      FAILED(link->QueryInterface(IID_IPersistFile, file.ReceiveVoid())) ||
      FAILED(file->Load(toolkit::Widen(path).c_str(), STGM_READ))) {
    return facts;
  }
  facts.loaded = true;
  wchar_t text[MAX_PATH * 2] = {};
  link->GetPath(text, MAX_PATH * 2, nullptr, SLGP_RAWPATH);
  facts.target = toolkit::Narrow(text);
  text[0] = 0;
  link->GetArguments(text, MAX_PATH * 2);
  facts.arguments = toolkit::Narrow(text);
  text[0] = 0;
  link->GetDescription(text, MAX_PATH * 2);
  facts.description = toolkit::Narrow(text);
  return facts;
}

class Shortcuts : public testing::Test {
 protected:
  void SetUp() override {
    testfiles::MakeFolder(temp_ / "Главное меню");
    testfiles::MakeFolder(programs_);
    testfiles::MakeFolder(desktop_);
    testfiles::MakeFolder(install_);
    testfiles::WriteTextFile(install_ + "\\Map.exe", "MZ");
  }

  TComApartment com_;
  TempFolder temp_;
  const std::string programs_ = temp_ / "Главное меню\\Программы";
  const std::string desktop_ = temp_ / "Рабочий стол";
  const std::string install_ = temp_ / "Program Files";
  testregistry::ShellFoldersSandbox folders_{programs_, desktop_};
};

// First: the shell's own components refresh the folder records from their
// source some time after a shell operation, which would put a string back in
// place of the odd value while the test looks.
TEST_F(Shortcuts, AFolderRecordOfAnotherTypeRaisesOnCreationAndIsSkippedOnRemoval) {
  testfiles::WriteTextFile(desktop_ + "\\" + kGroup + ".lnk", "x");
  folders_.Desktop().SetDword(1);
  try {
    CreateDesktopLink(install_ + "\\Map.exe", kGroup);
    ADD_FAILURE() << "no error raised";
  } catch (const ERegistryError& error) {
    EXPECT_STREQ(error.what(), "Invalid data type for 'Desktop'");
  }
  DeleteDesktopLink(kGroup + ".lnk");
  EXPECT_TRUE(testfiles::IsFile(desktop_ + "\\" + kGroup + ".lnk"));
}

TEST_F(Shortcuts, GroupAndLinksAreSavedAndReplacedWithTargetOnly) {
  const std::string map = install_ + "\\Map.exe";
  const std::string help = install_ + "\\Docs\\Help\\Help.htm";
  for (int run = 0; run < 2; ++run) {  // a second installation replaces them
    EXPECT_EQ(CreateProgramGroup(kGroup), programs_ + "\\" + kGroup);
    CreateGroupLink(kGroup, map, kGroup);
    CreateGroupLink(kGroup, help, "Справка");
    CreateDesktopLink(map, kGroup);
  }
  const std::string group = programs_ + "\\" + kGroup;
  EXPECT_EQ(testfiles::EntriesIn(group), 2u);
  EXPECT_EQ(testfiles::EntriesIn(desktop_), 1u);
  struct Row {
    std::string link, target;
  } rows[] = {{group + "\\" + kGroup + ".lnk", map},
              {group + "\\Справка.lnk", help},
              {desktop_ + "\\" + kGroup + ".lnk", map}};
  for (const Row& row : rows) {
    const LinkFacts facts = ReadLink(row.link);
    EXPECT_TRUE(facts.loaded) << row.link;
    EXPECT_EQ(facts.target, row.target) << row.link;
    EXPECT_EQ(facts.arguments, "") << row.link;
    EXPECT_EQ(facts.description, "") << row.link;
  }
  // The group is created on demand when it vanished.
  DeleteTree(group);
  CreateGroupLink(kGroup, help, "Справка");
  EXPECT_TRUE(ReadLink(group + "\\Справка.lnk").loaded);
}

// Removal goes by the links' names: what the user put into the group stays,
// with the group; the desktop keeps everything but the one link.
TEST_F(Shortcuts, RemovalTakesTheLinksByTheirNamesAndAnEmptiedGroup) {
  CreateGroupLink(kGroup, install_ + "\\Map.exe", kGroup);
  CreateGroupLink(kGroup, install_ + "\\Help.htm", "Справка");
  const std::string group = programs_ + "\\" + kGroup;
  const std::string note = group + "\\заметки пользователя.txt";
  testfiles::WriteTextFile(note, "мои");
  const std::string link = kGroup + ".lnk";
  CreateDesktopLink(install_ + "\\Map.exe", kGroup);
  const std::string neighbours[] = {kGroup + " (2).lnk", kGroup + ".lnk.bak",
                                    "Карта Тальмирской области 2.lnk", "карта.lnk"};
  for (const std::string& name : neighbours) testfiles::WriteTextFile(desktop_ + "\\" + name, "x");

  dialogdriver::DialogResponder noDialogs({});
  DeleteProgramGroup(kGroup, {kGroup, "Справка"});
  DeleteDesktopLink(link);
  EXPECT_EQ(testfiles::EntriesIn(group), 1u);
  EXPECT_TRUE(testfiles::IsFile(note));
  DeleteFileW(toolkit::Widen(note).c_str());
  DeleteProgramGroup(kGroup, {kGroup, "Справка"});
  DeleteProgramGroup(kGroup, {kGroup, "Справка"});  // already gone: nothing happens
  DeleteDesktopLink(link);
  EXPECT_THAT(noDialogs.Finish(), IsEmpty());
  EXPECT_FALSE(testfiles::Exists(group));
  EXPECT_TRUE(testfiles::IsFolder(programs_));
  EXPECT_FALSE(testfiles::Exists(desktop_ + "\\" + link));
  for (const std::string& name : neighbours)
    EXPECT_TRUE(testfiles::IsFile(desktop_ + "\\" + name)) << name;
}

TEST_F(Shortcuts, UnrecordedFoldersMakeEveryOperationSkipItsWork) {
  folders_.Programs().Remove();
  folders_.Desktop().Remove();
  EXPECT_EQ(GetShellFolder("Desktop"), "");
  EXPECT_EQ(CreateProgramGroup(kGroup), "");
  CreateGroupLink(kGroup, install_ + "\\Map.exe", kGroup);
  CreateDesktopLink(install_ + "\\Map.exe", kGroup);
  DeleteProgramGroup(kGroup, {kGroup});
  DeleteDesktopLink(kGroup + ".lnk");
  EXPECT_EQ(testfiles::EntriesIn(programs_), 0u);
  EXPECT_EQ(testfiles::EntriesIn(desktop_), 0u);
}

}  // namespace
