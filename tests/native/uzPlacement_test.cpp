// Where extracted members go: the destination and root folders as given,
// the folder question, stored folders kept or dropped, and stored paths that
// never leave the destination.
#include "selection/uzPlacement.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ExtractHarness.h"
#include "streams/UzLib.h"
#include "uzExceptions.h"

namespace {

using testzip::ScratchFolder;

TEST(NormalizeRootDir, EndsInOneBackslashUnlessEmpty) {
  EXPECT_EQ(uz::NormalizeRootDir(""), "");
  EXPECT_EQ(uz::NormalizeRootDir("Data"), "Data\\");
  EXPECT_EQ(uz::NormalizeRootDir("Data\\"), "Data\\");
  EXPECT_EQ(uz::NormalizeRootDir("a\\b"), "a\\b\\");
  EXPECT_EQ(uz::NormalizeRootDir("\\"), "\\");
}

TEST(NormalizeDestDir, DropsOneTrailingBackslash) {
  EXPECT_EQ(uz::NormalizeDestDir(""), "");
  EXPECT_EQ(uz::NormalizeDestDir("C:\\Out"), "C:\\Out");
  EXPECT_EQ(uz::NormalizeDestDir("C:\\Out\\"), "C:\\Out");
  EXPECT_EQ(uz::NormalizeDestDir("C:\\Out\\\\"), "C:\\Out\\");
  EXPECT_EQ(uz::NormalizeDestDir("C:\\"), "C:");
  EXPECT_EQ(uz::NormalizeDestDir("\\"), "");
}

// Answers the folder question from a script and records where it started.
class ScriptedUI : public uz::TUnZipUI {
 public:
  explicit ScriptedUI(bool confirm, std::string answer = "")
      : confirm_(confirm), answer_(std::move(answer)) {}
  bool ChooseZipFile(const std::string&, const std::string&, const std::string&,
                     std::string&) override {
    ADD_FAILURE() << "no file question expected";
    return false;
  }
  bool ChooseFolder(const std::string& initialFolder, std::string& chosen) override {
    ++asked;
    initial = initialFolder;
    if (confirm_) chosen = answer_;
    return confirm_;
  }
  bool AskYesNo(const std::string&, const std::string&) override { return false; }
  void ShowMessage(const std::string&, const std::string&) override {}

  int asked = 0;
  std::string initial;

 private:
  bool confirm_;
  std::string answer_;
};

TEST(ResolveDestDir, PlainValuesAreStoredWithoutTrailingBackslash) {
  ScriptedUI ui(true, "unused");
  EXPECT_EQ(uz::ResolveDestDir("C:\\Program Files\\Карта\\", "old", &ui),
            "C:\\Program Files\\Карта");
  EXPECT_EQ(uz::ResolveDestDir("out", "old", &ui), "out");
  EXPECT_EQ(uz::ResolveDestDir("", "old", nullptr), "");
  EXPECT_EQ(uz::ResolveDestDir("??", "old", nullptr), "??");
  EXPECT_EQ(ui.asked, 0);
}

TEST(ResolveDestDir, QuestionMarkAsksStartingInTheCurrentDestDirWhenItExists) {
  ScratchFolder scratch;
  ScriptedUI ui(true, "D:\\Chosen\\");
  EXPECT_EQ(uz::ResolveDestDir("?", scratch.Path(), &ui), "D:\\Chosen");
  EXPECT_EQ(ui.asked, 1);
  EXPECT_EQ(ui.initial, scratch.Path());
}

TEST(ResolveDestDir, QuestionMarkStartsInTheCurrentDirectoryOtherwise) {
  ScratchFolder scratch;
  for (const std::string& current : {scratch / "missing", std::string()}) {
    ScriptedUI ui(true, "E:\\x");
    EXPECT_EQ(uz::ResolveDestDir("?", current, &ui), "E:\\x");
    EXPECT_EQ(ui.initial, uz::CurrentDirectory()) << current;
  }
}

TEST(ResolveDestDir, CancellingRaisesUserCanceled) {
  ScriptedUI ui(false);
  try {
    uz::ResolveDestDir("?", "C:\\Old", &ui);
    FAIL() << "no exception";
  } catch (const uz::EUserCanceled& e) {
    EXPECT_STREQ(e.what(), "User canceled Set Desination Directory");
  }
  EXPECT_EQ(ui.asked, 1);
  EXPECT_THROW(uz::ResolveDestDir("?", "C:\\Old", nullptr), uz::EUserCanceled);
}

struct FolderCase {
  const char* directoryPart;
  bool recreateDirs;
  const char* rootDir;
  const char* destDir;
  const char* folder;
};

void ExpectFolders(const std::vector<FolderCase>& table) {
  for (const FolderCase& c : table)
    EXPECT_EQ(uz::OutputFolder(c.directoryPart, c.recreateDirs, c.rootDir, c.destDir), c.folder)
        << "directory \"" << c.directoryPart << "\" recreate " << c.recreateDirs << " root \""
        << c.rootDir << "\" dest \"" << c.destDir << "\"";
}

TEST(OutputFolder, WithoutRecreateDirsEverythingGoesIntoTheDestination) {
  ExpectFolders({
      {"", false, "", "C:\\Dest", "C:\\Dest\\"},
      {"Program\\Data\\", false, "", "C:\\Dest", "C:\\Dest\\"},
      {"..\\..\\evil\\", false, "", "C:\\Dest", "C:\\Dest\\"},
      // An empty DestDir is the current folder, not the root of the drive.
      {"Program\\", false, "", "", ""},
      {"", false, "", "", ""},
  });
}

TEST(OutputFolder, RecreateDirsRebuildsTheStoredFolders) {
  ExpectFolders({
      {"", true, "", "C:\\Dest", "C:\\Dest\\"},
      {"Program\\", true, "", "C:\\Dest", "C:\\Dest\\Program\\"},
      {"Program\\Data\\", true, "", "C:\\Dest", "C:\\Dest\\Program\\Data\\"},
      {"Программа\\Карты\\", true, "", "C:\\Dest", "C:\\Dest\\Программа\\Карты\\"},
      {"Program\\Data\\", true, "", "", "Program\\Data\\"},
  });
}

TEST(OutputFolder, RootDirIsDroppedFromFoldersBelowIt) {
  ExpectFolders({
      {"Data\\Maps\\", true, "Data\\", "C:\\Dest", "C:\\Dest\\Maps\\"},
      {"DATA\\Maps\\", true, "data\\", "C:\\Dest", "C:\\Dest\\Maps\\"},  // ASCII case ignored
      {"Data\\", true, "Data\\", "C:\\Dest", "C:\\Dest\\"},
      {"Other\\Maps\\", true, "Data\\", "C:\\Dest", "C:\\Dest\\Other\\Maps\\"},
      {"Database\\x\\", true, "Data\\", "C:\\Dest", "C:\\Dest\\Database\\x\\"},
      {"Dat\\", true, "Data\\", "C:\\Dest", "C:\\Dest\\Dat\\"},
      {"a\\b\\c\\", true, "a\\b\\", "C:\\Dest", "C:\\Dest\\c\\"},
      {"Данные\\x\\", true, "Данные\\", "C:\\Dest", "C:\\Dest\\x\\"},
      // Letters beyond ASCII are compared without case as well.
      {"данные\\x\\", true, "ДАННЫЕ\\", "C:\\Dest", "C:\\Dest\\x\\"},
      {"ЁЛКИ Ÿ ÀÉ\\x\\", true, "ёлки ÿ àé\\", "C:\\Dest", "C:\\Dest\\x\\"},
      {"Данные2\\x\\", true, "данные\\", "C:\\Dest", "C:\\Dest\\Данные2\\x\\"},
      // RootDir only applies while recreating folders.
      {"Data\\Maps\\", false, "Data\\", "C:\\Dest", "C:\\Dest\\"},
  });
}

TEST(OutputFolder, StoredPathsNeverLeaveTheDestination) {
  ExpectFolders({
      {"..\\..\\evil\\", true, "", "C:\\Dest", "C:\\Dest\\evil\\"},
      {"a\\..\\..\\b\\", true, "", "C:\\Dest", "C:\\Dest\\a\\b\\"},
      {"..\\", true, "", "C:\\Dest", "C:\\Dest\\"},
      {".\\a\\.\\b\\", true, "", "C:\\Dest", "C:\\Dest\\a\\b\\"},
      {"a\\\\b\\", true, "", "C:\\Dest", "C:\\Dest\\a\\b\\"},
      {"...\\.. \\ .\\x\\", true, "", "C:\\Dest", "C:\\Dest\\x\\"},
      {"..\\evil\\", true, "", "", "evil\\"},
      {"..\\Data\\x\\", true, "..\\Data\\", "C:\\Dest", "C:\\Dest\\x\\"},
      {"Data\\..\\..\\x\\", true, "Data\\", "C:\\Dest", "C:\\Dest\\x\\"},
  });
}

TEST(OutputFolder, AbsoluteAndDrivePathsAreGraftedBelowTheDestination) {
  ExpectFolders({
      {"\\abs\\", true, "", "C:\\Dest", "C:\\Dest\\abs\\"},
      {"\\abs\\x\\", true, "", "C:\\Dest", "C:\\Dest\\abs\\x\\"},
      {"C:\\abs\\", true, "", "C:\\Dest", "C:\\Dest\\abs\\"},
      {"C:rel\\", true, "", "C:\\Dest", "C:\\Dest\\rel\\"},
      {"C:\\", true, "", "C:\\Dest", "C:\\Dest\\"},
      {"\\\\server\\share\\x\\", true, "", "C:\\Dest", "C:\\Dest\\server\\share\\x\\"},
      {"\\\\?\\C:\\x\\", true, "", "C:\\Dest", "C:\\Dest\\?\\C_\\x\\"},
      // With an empty DestDir they land below the current folder.
      {"\\abs\\", true, "", "", "abs\\"},
      {"C:\\abs\\", true, "", "", "abs\\"},
      {"C:rel\\", true, "", "", "rel\\"},
      {"\\", true, "", "", ""},
  });
}

TEST(OutputFolder, UnsafeCharactersAndDeviceNamesAreDefused) {
  ExpectFolders({
      {"ab:c\\", true, "", "D", "D\\ab_c\\"},
      {"a\\b:stream\\", true, "", "D", "D\\a\\b_stream\\"},
      {"a\x01\x1F"
       "b\\",
       true, "", "D", "D\\a__b\\"},
      {"con\\x\\", true, "", "D", "D\\_con\\x\\"},
      {"x\\LPT1.dir\\", true, "", "D", "D\\x\\_LPT1.dir\\"},
      {"console\\com10\\", true, "", "D", "D\\console\\com10\\"},
  });
}

TEST(SafeFileName, OrdinaryNamesAreKept) {
  for (const char* name :
       {"", "a.txt", "Map.exe", ".hidden", "Карта.maptl", "a b", "console.log", "com10", "x..y"})
    EXPECT_EQ(uz::SafeFileName(name), name);
}

TEST(SafeFileName, NamesThatWouldEscapeOrMisbehaveAreReplaced) {
  const std::vector<std::pair<const char*, const char*>> table = {
      {"..", "__"},
      {".", "_"},
      {"...", "___"},
      {" ", "_"},
      {". .", "___"},
      {"a:b", "a_b"},
      {"a\\b", "a_b"},
      {"a/b", "a_b"},
      {"a\x01"
       "b",
       "a_b"},
      {"\t", "_"},
      {"nul", "_nul"},
      {"NUL.txt", "_NUL.txt"},
      {"CON", "_CON"},
      {"aux .log", "_aux .log"},
      {"com1", "_com1"},
      {"Lpt9.x", "_Lpt9.x"},
      {"conout$", "_conout$"},
      {"con.sole", "_con.sole"},
      {"COM\u00B9", "_COM\u00B9"},
  };
  for (const auto& [name, safe] : table) EXPECT_EQ(uz::SafeFileName(name), safe) << name;
}

TEST(OutputPath, JoinsTheSafeFolderAndTheSafeName) {
  EXPECT_EQ(uz::OutputPath("Program\\", "Map.exe", false, "", "C:\\Dest"), "C:\\Dest\\Map.exe");
  EXPECT_EQ(uz::OutputPath("Program\\", "Map.exe", true, "", "C:\\Dest"),
            "C:\\Dest\\Program\\Map.exe");
  EXPECT_EQ(uz::OutputPath("..\\..\\", "..", true, "", "C:\\Dest"), "C:\\Dest\\__");
  EXPECT_EQ(uz::OutputPath("", "readme.txt", false, "", ""), "readme.txt");
  EXPECT_EQ(uz::OutputPath("\\Windows\\", "evil.dll", true, "", ""), "Windows\\evil.dll");
  EXPECT_EQ(uz::OutputPath("a\\", "", true, "", "D"), "D\\a\\");  // a directory entry
}

// Whatever a stored name holds, the path written stays below the destination:
// it starts with it and no later component can climb or name a drive.
TEST(OutputPath, HostileNamesStayInsideTheDestination) {
  const std::vector<std::string> directories = {
      "",       "..\\",           "..\\..\\..\\", "a\\..\\..\\b\\",
      "\\",     "\\\\",           "\\abs\\",      "C:\\",
      "C:",     "C:rel\\",        "C:..\\..\\",   "\\\\srv\\s\\",
      "\\..\\", "a\\ ..\\.. .\\", "x:\\..\\",     ".\\.\\",
      "a:..\\", "\\\\?\\UNC\\x\\"};
  const std::vector<std::string> names = {"f",   "..",    ".",   "...", ":",
                                          "C:x", "a\\..", "nul", "\x1F"};
  for (const std::string& rootDir : {std::string(), std::string("..\\"), std::string("\\")}) {
    for (const std::string& destDir : {std::string("C:\\Dest"), std::string()}) {
      for (const std::string& directory : directories) {
        for (const std::string& name : names) {
          const std::string path = uz::OutputPath(directory, name, true, rootDir, destDir);
          const std::string prefix = destDir.empty() ? "" : destDir + "\\";
          ASSERT_EQ(path.compare(0, prefix.size(), prefix), 0) << path;
          const std::string rest = path.substr(prefix.size());
          EXPECT_FALSE(rest.empty()) << directory << " + " << name;
          EXPECT_NE(rest[0], '\\') << path;
          EXPECT_EQ(rest.find(':'), std::string::npos) << path;
          size_t start = 0;
          for (size_t end; (end = rest.find('\\', start)) != std::string::npos; start = end + 1) {
            const std::string component = rest.substr(start, end - start);
            EXPECT_NE(component.find_first_not_of(". "), std::string::npos) << path;
          }
          EXPECT_NE(rest.substr(start).find_first_not_of(". "), std::string::npos) << path;
        }
      }
    }
  }
}

TEST(CreateOutputFolder, MakesEveryMissingLevel) {
  ScratchFolder scratch;
  const std::string folder = uz::OutputFolder("a\\b\\c\\", true, "", scratch.Path());
  ASSERT_FALSE(uz::FolderExists(folder));
  EXPECT_TRUE(uz::CreateOutputFolder(folder));
  EXPECT_TRUE(uz::FolderExists(scratch.Path() + "\\a\\b\\c"));
  EXPECT_TRUE(uz::CreateOutputFolder(folder));  // already there
  EXPECT_TRUE(uz::CreateOutputFolder(""));      // the current folder
}

}  // namespace
