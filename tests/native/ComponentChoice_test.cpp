// The component choice of the wizard's second page: setup types and check
// boxes kept in step, the megabytes they need and the free-space decision,
// and the install folder proposed from the registry or the folder browser.
#include "ComponentChoice.h"
#include "InstallDirectory.h"

#include <gtest/gtest.h>

TEST(ComponentChoice, SetupTypesAndCheckBoxesStayInStep) {
  struct Row {
    TChoice choice;
    TSetupType type;
    int megabytes;
    size_t summaryLines;
  };
  const TChoice all = TChoice::All(), minimal{kDatabaseSupport}, image{kMapImage}, none;
  for (const Row& r : {Row{all, kSetupFull, 177, 4}, Row{minimal, kSetupMinimal, 10, 3},
                       Row{image, kSetupCustom, 171, 3}, Row{none, kSetupCustom, 4, 2}}) {
    EXPECT_EQ(SetupTypeOf(r.choice), r.type);
    EXPECT_EQ(CalculateMegabytes(r.choice), r.megabytes);
    EXPECT_EQ(SummaryItems(r.choice).size(), r.summaryLines);
    EXPECT_TRUE(r.choice.Has(kProgramFiles) && r.choice.Has(kHelp));
    // Choosing "custom" changes nothing; the other types fix both boxes.
    const TChoice custom = ApplySetupType(kSetupCustom, r.choice);
    EXPECT_EQ(custom.Has(kDatabaseSupport), r.choice.Has(kDatabaseSupport));
    EXPECT_EQ(custom.Has(kMapImage), r.choice.Has(kMapImage));
  }
  EXPECT_TRUE(ApplySetupType(kSetupMinimal, image).Has(kDatabaseSupport));
  EXPECT_FALSE(ApplySetupType(kSetupMinimal, image).Has(kMapImage));
  EXPECT_TRUE(ApplySetupType(kSetupFull, none).Has(kMapImage));
  EXPECT_EQ(SummaryItems(none)[1], "Cправочная система");  // Latin C, as stored
}

TEST(ComponentChoice, FreeSpaceDecisionAndItsWarning) {
  const int64_t mb = 1024 * 1024;
  EXPECT_TRUE(EnoughFreeSpace(177, 187 * mb));
  EXPECT_FALSE(EnoughFreeSpace(177, 187 * mb - mb / 100));  // 186.99
  EXPECT_TRUE(EnoughFreeSpace(10, 20 * mb));
  EXPECT_FALSE(EnoughFreeSpace(4, -1));  // no ready drive
  EXPECT_EQ(DriveNumberOf("C:\\x"), 3);
  EXPECT_EQ(DriveNumberOf("c:\\x"), 3);
  EXPECT_EQ(DriveNumberOf("\\\\server\\share"), 0);
  EXPECT_EQ(DriveNumberOf(""), 0);
  EXPECT_EQ(NoSpaceMessage("C:\\Program Files\\x"),
            "Недостаточно свободного места на диске \"C\".\r"
            "Выберите другой диск или устанавливайте минимум компонентов.");
}

TEST(InstallDirectory, FromTheRegistryAndFromTheFolderBrowser) {
  const std::string product = "\\Карта Тальмирской области 2.0";
  EXPECT_EQ(InstallDirectoryFromProgramFiles("C:\\Program Files"), "C:\\Program Files" + product);
  EXPECT_EQ(InstallDirectoryFromProgramFiles("D:\\Programs\\"), "D:\\Programs" + product);
  EXPECT_EQ(InstallDirectoryFromProgramFiles(""), "C:" + product);
  EXPECT_EQ(InstallDirectoryBelow("D:\\"), "D:" + product);
  EXPECT_EQ(DrivePartOf("D:" + product), "D:");

  // From the browser only a fixed disk is taken, and the system is asked only
  // about a drive letter: asked about none, it answers for the current drive.
  const struct {
    const char *folder, *asked;
    unsigned type;
    std::string directory;
  } rows[] = {{"e:\\", "e:", kFixedDisk, "e:" + product},
              {"E:\\Программы", "E:", 5, ""},  // a CD
              {"\\\\server\\share\\Программы", "", kFixedDisk, ""},
              {"Программы", "", kFixedDisk, ""}};
  for (const auto& row : rows) {
    std::string asked;
    EXPECT_EQ(ChosenInstallDirectory(row.folder,
                                     [&](const std::string& drive) {
                                       asked = drive;
                                       return row.type;
                                     }),
              row.directory);
    EXPECT_EQ(asked, row.asked) << row.folder;
  }
}
