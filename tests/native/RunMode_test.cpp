// The three ways a run can go (install, uninstall, self-relocation) and the
// paths start-up derives from the program file and the temporary folder.
#include <gtest/gtest.h>

#include "RunMode.h"

TEST(SourceFolderOf, FolderWithTrailingSeparator) {
  EXPECT_EQ(SourceFolderOf("X:\\Dist\\Setup.exe"), "X:\\Dist\\");
  EXPECT_EQ(SourceFolderOf("C:\\Program Files\\Карта Тальмирской области 2.0\\Setup.exe"),
            "C:\\Program Files\\Карта Тальмирской области 2.0\\");
  EXPECT_EQ(SourceFolderOf("\\\\server\\share\\Setup.exe"), "\\\\server\\share\\");
}

TEST(SourceFolderOf, DriveRootKeepsItsSeparator) {
  EXPECT_EQ(SourceFolderOf("X:\\Setup.exe"), "X:\\");
}

TEST(SourceFolderOf, ForwardSlashSeparatesToo) {
  EXPECT_EQ(SourceFolderOf("X:/Dist/Setup.exe"), "X:/Dist/");
  EXPECT_EQ(SourceFolderOf("X:\\Dist/sub\\Setup.exe"), "X:\\Dist/sub\\");
}

TEST(FileNameOf, NameWithoutFolder) {
  EXPECT_EQ(FileNameOf("X:\\Dist\\Setup.exe"), "Setup.exe");
  EXPECT_EQ(FileNameOf("X:\\Setup.exe"), "Setup.exe");
  EXPECT_EQ(FileNameOf("Setup.exe"), "Setup.exe");
  EXPECT_EQ(FileNameOf("X:\\Dist\\"), "");
}

TEST(IsRelocatingName, SetupExeInAnyCase) {
  for (const char* path : {"C:\\Map\\Setup.exe", "C:\\Map\\SETUP.EXE", "C:\\Map\\setup.EXE",
                           "C:\\Map\\sEtUp.ExE", "Setup.exe"}) {
    EXPECT_TRUE(IsRelocatingName(path)) << path;
  }
}

TEST(IsRelocatingName, OtherNamesDoNot) {
  for (const char* path :
       {"C:\\Map\\Setup1.exe", "C:\\Temp\\Duv20Izeviruvu.exe", "C:\\Map\\Setup.exe.bak",
        "C:\\Map\\Setup", "C:\\Map\\xSetup.exe", "C:\\Setup.exe\\Other.exe", "C:\\Map\\"}) {
    EXPECT_FALSE(IsRelocatingName(path)) << path;
  }
}

TEST(RelocatedCopy, PathJoinsTheTemporaryFolderWithOneSeparator) {
  EXPECT_EQ(RelocatedCopyPath("C:\\users\\me\\Temp\\"), "C:\\users\\me\\Temp\\Duv20Izeviruvu.exe");
  EXPECT_EQ(RelocatedCopyPath("C:\\users\\me\\Temp"), "C:\\users\\me\\Temp\\Duv20Izeviruvu.exe");
  EXPECT_EQ(RelocatedCopyPath("C:\\"), "C:\\Duv20Izeviruvu.exe");
}

// The copy's own folder: named so that the copy knows it, and nothing else
// passes for it.
TEST(RelocatedCopy, FolderOfItsOwnInTheTemporaryFolder) {
  const std::string folder = RelocationFolderIn("C:\\Temp\\", 0x0A1B2C3Du);
  EXPECT_EQ(folder, "C:\\Temp\\Duv20Izeviruvu.~0A1B2C3D");
  EXPECT_EQ(RelocationFolderIn("C:\\Temp", 0xFFFFFFFFu), "C:\\Temp\\Duv20Izeviruvu.~FFFFFFFF");
  EXPECT_TRUE(IsRelocationFolder(folder));
  EXPECT_TRUE(IsRelocationFolder(folder + "\\"));
  for (const char* other :
       {"C:\\Temp\\", "C:\\Temp\\Duv20Izeviruvu.~0A1B2C3", "C:\\Temp\\Duv20Izeviruvu.~0A1B2C3G",
        "C:\\Temp\\Duv20Izeviruvu.exe", "C:\\Temp\\Duv20Izeviruvu.~0A1B2C3D\\x"})
    EXPECT_FALSE(IsRelocationFolder(other)) << other;
}

TEST(RelocatedCopy, CommandLineQuotesThePathAndAddsTheSwitch) {
  EXPECT_EQ(RelocatedCopyCommandLine("C:\\Documents and Settings\\Пользователь\\Temp\\"),
            "\"C:\\Documents and Settings\\Пользователь\\Temp\\Duv20Izeviruvu.exe\" /u");
}

TEST(RelocatedCopy, CommandLineRunsTheCopyInUninstallModeWithoutFurtherRelocation) {
  const std::string temp = "C:\\Documents and Settings\\me\\Local Settings\\Temp\\";
  const TRunMode copy = DetectRunMode(RelocatedCopyPath(temp), RelocatedCopyCommandLine(temp));
  EXPECT_TRUE(copy.UninstallMode);
  EXPECT_FALSE(copy.SelfRelocation);
  EXPECT_EQ(copy.SourceFolder, temp);
}

TEST(DetectRunMode, InstallWithoutTheSwitchWhateverTheName) {
  for (const char* path : {"D:\\Setup.exe", "D:\\Dist\\Setup1.exe"}) {
    const TRunMode mode = DetectRunMode(path, std::string("\"") + path + "\" -u");
    EXPECT_FALSE(mode.UninstallMode) << path;
    EXPECT_FALSE(mode.SelfRelocation) << path;
  }
}

TEST(DetectRunMode, SetupExeWithTheSwitchRelocates) {
  const TRunMode mode =
      DetectRunMode("C:\\Program Files\\Map\\setup.EXE", "\"C:\\Program Files\\Map\\Setup\" /U");
  EXPECT_TRUE(mode.UninstallMode);
  EXPECT_TRUE(mode.SelfRelocation);
  EXPECT_EQ(mode.SourceFolder, "C:\\Program Files\\Map\\");
}

TEST(DetectRunMode, OtherNameWithTheSwitchUninstallsInPlace) {
  const TRunMode mode = DetectRunMode("C:\\Map\\Setup1.exe", "C:\\Map\\Setup1.exe x /u");
  EXPECT_TRUE(mode.UninstallMode);
  EXPECT_FALSE(mode.SelfRelocation);
}
