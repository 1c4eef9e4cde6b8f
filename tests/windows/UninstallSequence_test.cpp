// The removal steps on a seeded prefix: an installed product (folder, record,
// file types, group and links in scratch special folders) removed in full,
// and the damaged cases: no folder, a foreign folder in the record, no record,
// a file in use. Sentinel files stand wherever nothing may be deleted.
#include "UninstallSequence.h"

#include "ComApartment.h"
#include "FilesAndFolders.h"
#include "DialogDriver.h"
#include "RegisterInWindows.h"
#include "RegistryValues.h"
#include "ShellFoldersSandbox.h"
#include "Shortcuts.h"
#include "TempFolder.h"
#include "Utf.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <utility>
#include <vector>

namespace {

using testfiles::TempFolder;
using testing::ElementsAre;
using testing::IsEmpty;
using testing::Pair;
namespace reg = testregistry;

const std::string kProduct = "Карта Тальмирской области 2.0";
const std::string kRecord = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + kProduct;
const std::string kSessionManager = "System\\CurrentControlSet\\Control\\Session Manager";
const char* const kClassKeys[] = {".maptl", ".maptldb", "maptlFILE", "maptldbFILE"};

using Stages = std::vector<std::pair<std::string, int>>;

class UninstallSequence : public testing::Test {
 protected:
  void SetUp() override {
    ClearProductRecords();
    testfiles::MakeFolder(temp_ / "Главное меню");
    for (const std::string& folder : {programs_, desktop_, temp_ / "Program Files", install_})
      testfiles::MakeFolder(folder);
    testfiles::WriteTextFile(temp_ / "Program Files\\сосед.txt", "sentinel");
    testfiles::WriteTextFile(desktop_ + "\\Другая программа.lnk", "sentinel");
  }
  void TearDown() override { ClearProductRecords(); }

  static void ClearProductRecords() {
    reg::DeleteKeyTree(HKEY_LOCAL_MACHINE, kRecord);
    for (const char* key : kClassKeys) reg::DeleteKeyTree(HKEY_CLASSES_ROOT, key);
  }

  // What an installation into `location` leaves behind; `record` false
  // leaves the uninstall record out.
  void SeedInstallation(const std::string& location, bool record = true) {
    testfiles::MakeFolder(install_ + "\\Docs");
    testfiles::MakeFolder(install_ + "\\Docs\\Help");
    testfiles::WriteTextFile(install_ + "\\Map.exe", "MZ");
    testfiles::WriteTextFile(install_ + "\\Setup.exe", "MZ");
    testfiles::WriteTextFile(install_ + "\\Docs\\Help\\Help.htm", "<html>");
    testfiles::WriteTextFile(install_ + "\\мои заметки.txt", "added by the user");
    if (record) {
      WriteUninstallRecord(kProduct, location + "\\Map.exe,1", "Вельтран", location,
                           QuotedCommand(location + "\\Setup", "/u"), 2, 0, {"D:\\", "", 0});
    }
    RegisterFileType("maptldb", "Файл базы данных объектов карты",
                     location + "\\Icons\\maptldb.ico", "Импортировать",
                     QuotedCommand(location + "\\Map.exe", "%1"));
    RegisterFileType("maptl", "Файл изображения карты", location + "\\Icons\\maptl.ico", "", "");
    CreateGroupLink(kProduct, location + "\\Map.exe", kProduct);
    CreateGroupLink(kProduct, location + "\\Docs\\Help\\Help.htm", "Справка");
    CreateDesktopLink(location + "\\Map.exe", kProduct);
  }

  Stages Run() {
    Stages stages;
    dialogdriver::DialogResponder noDialogs({});
    RunUninstallSequence(
        [&](const std::string& text, int position) { stages.emplace_back(text, position); });
    EXPECT_THAT(noDialogs.Finish(), IsEmpty());
    return stages;
  }

  bool LinksRemain() const {
    return testfiles::Exists(group_) || testfiles::Exists(desktop_ + "\\" + kProduct + ".lnk");
  }

  // Neither the links nor the records are left; the sentinels are.
  void ExpectLinksAndRecordsGone() {
    EXPECT_FALSE(LinksRemain());
    EXPECT_FALSE(reg::KeyExists(HKEY_LOCAL_MACHINE, kRecord));
    for (const char* key : kClassKeys)
      EXPECT_EQ(reg::ReadString(HKEY_CLASSES_ROOT, key, ""), std::nullopt) << key;
    EXPECT_TRUE(reg::KeyExists(HKEY_CLASSES_ROOT, "maptldbFILE\\Shell\\Default\\command"));
    EXPECT_TRUE(testfiles::IsFile(temp_ / "Program Files\\сосед.txt"));
    EXPECT_TRUE(testfiles::IsFile(desktop_ + "\\Другая программа.lnk"));
  }

  TComApartment com_;
  TempFolder temp_;
  const std::string programs_ = temp_ / "Главное меню\\Программы";
  const std::string desktop_ = temp_ / "Рабочий стол";
  const std::string install_ = temp_ / ("Program Files\\" + kProduct);
  const std::string group_ = programs_ + "\\" + kProduct;
  reg::ShellFoldersSandbox folders_{programs_, desktop_};
};

const Stages kAllStages = {{"Удаление файлов программы...", 10},
                           {"Удаление ярлыков...", 50},
                           {"Удаление записей в системном реестре...", 90},
                           {"Завершение операций...", 100}};

TEST_F(UninstallSequence, RemovesEverythingInStagesAndASecondRunFindsNothing) {
  SeedInstallation(install_);
  EXPECT_EQ(testfiles::EntriesIn(group_), 2u);
  EXPECT_EQ(Run(), kAllStages);
  EXPECT_FALSE(testfiles::Exists(install_));
  ExpectLinksAndRecordsGone();

  EXPECT_THAT(Run(), IsEmpty());
  EXPECT_TRUE(testfiles::IsFolder(temp_ / "Program Files"));
}

TEST_F(UninstallSequence, AFolderDeletedByHandStillLetsLinksAndRecordsGo) {
  SeedInstallation(install_);
  DeleteTree(install_);
  EXPECT_EQ(Run(), kAllStages);
  ExpectLinksAndRecordsGone();
  // A plain file of the user's where the folder was stays, now and at restart.
  reg::SavedValue pending(HKEY_LOCAL_MACHINE, kSessionManager, "PendingFileRenameOperations");
  testfiles::MakeFolder(install_);
  SeedInstallation(install_);
  DeleteTree(install_);
  testfiles::WriteTextFile(install_, "the user's");
  EXPECT_EQ(Run(), kAllStages);
  ExpectLinksAndRecordsGone();
  EXPECT_TRUE(testfiles::IsFile(install_));
  EXPECT_THAT(reg::PendingDeletionsAtRestart(), testing::Not(testing::Contains(install_)));
}

std::string ShortForm(const std::string& path) {
  wchar_t buffer[MAX_PATH];
  const DWORD length = GetShortPathNameW(toolkit::Widen(path).c_str(), buffer, MAX_PATH);
  return length && length < MAX_PATH ? toolkit::Narrow(buffer, length) : path;
}

TEST_F(UninstallSequence, AForeignOrDamagedLocationDeletesNoFolder) {
  // Relative paths are tried from a working folder that holds such a folder.
  testfiles::MakeFolder(temp_ / "cwd");
  testfiles::MakeFolder(temp_ / ("cwd\\" + kProduct));
  testfiles::WriteTextFile(temp_ / ("cwd\\" + kProduct + "\\x"), "sentinel");
  testfiles::MakeFolder(temp_ / "Windows");
  testfiles::WriteTextFile(temp_ / "Windows\\system.ini", "sentinel");
  wchar_t oldFolder[MAX_PATH];
  GetCurrentDirectoryW(MAX_PATH, oldFolder);
  SetCurrentDirectoryW(toolkit::Widen(temp_ / "cwd").c_str());
  const std::string locations[] = {
      "",
      temp_.Path(),
      temp_ / "Windows",
      temp_ / "Program Files",
      temp_ / "Program Files\\",
      kProduct,
      "Program Files\\..\\" + kProduct,
      "\\" + kProduct,
      install_ + " старая",
      install_.substr(2),  // no drive
      // The product's folder, but not as an installation records it.
      temp_ / ("Windows\\..\\Program Files\\" + kProduct),
      temp_.Path() + "\\\\Program Files\\" + kProduct,
      ShortForm(temp_ / "Program Files") + "\\" + kProduct,
  };
  for (const std::string& location : locations) {
    SeedInstallation(location);
    EXPECT_EQ(Run(), kAllStages) << location;
    ExpectLinksAndRecordsGone();
    EXPECT_TRUE(testfiles::IsFile(install_ + "\\мои заметки.txt")) << location;
    EXPECT_TRUE(testfiles::IsFile(temp_ / ("cwd\\" + kProduct + "\\x"))) << location;
    EXPECT_TRUE(testfiles::IsFile(temp_ / "Windows\\system.ini")) << location;
  }
  // A location that is not even a string is a damaged record all the same.
  SeedInstallation(install_);
  reg::WriteDword(HKEY_LOCAL_MACHINE, kRecord, "InstallLocation", 1);
  EXPECT_EQ(Run(), kAllStages);
  ExpectLinksAndRecordsGone();
  EXPECT_TRUE(testfiles::IsFile(install_ + "\\Map.exe"));
  SetCurrentDirectoryW(oldFolder);
}

TEST_F(UninstallSequence, WithoutARecordNothingIsTouched) {
  SeedInstallation(install_, false);
  EXPECT_THAT(Run(), IsEmpty());
  EXPECT_TRUE(testfiles::IsFile(install_ + "\\Map.exe"));
  EXPECT_EQ(testfiles::EntriesIn(group_), 2u);
  EXPECT_TRUE(testfiles::IsFile(desktop_ + "\\" + kProduct + ".lnk"));
  EXPECT_EQ(reg::ReadString(HKEY_CLASSES_ROOT, ".maptl", ""), "maptlFILE");
  EXPECT_EQ(reg::ReadString(HKEY_CLASSES_ROOT, "maptldbFILE", ""),
            "Файл базы данных объектов карты");
}

TEST_F(UninstallSequence, AFileInUseIsLeftForTheNextRestart) {
  reg::SavedValue pending(HKEY_LOCAL_MACHINE, kSessionManager, "PendingFileRenameOperations");
  SeedInstallation(install_);
  const std::string inUse = install_ + "\\Map.exe";
  HANDLE held = CreateFileW(toolkit::Widen(inUse).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  const Stages stages = Run();
  CloseHandle(held);
  EXPECT_EQ(stages, kAllStages);
  ExpectLinksAndRecordsGone();
  // Everything else went now; the file and its folder go at the restart, the
  // file first. Each entry is a path followed by an empty target.
  EXPECT_TRUE(testfiles::IsFile(inUse));
  EXPECT_EQ(testfiles::EntriesIn(install_), 1u);
  EXPECT_THAT(reg::PendingDeletionsAtRestart(), testing::IsSupersetOf({inUse, install_}));
  const std::vector<std::string> deletions = reg::PendingDeletionsAtRestart();
  EXPECT_LT(std::find(deletions.begin(), deletions.end(), inUse),
            std::find(deletions.begin(), deletions.end(), install_));
}

}  // namespace
