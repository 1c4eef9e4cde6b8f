// TUnZip's properties: defaults and the setters that do more than store.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "UnZip.h"

namespace uz {
namespace {

class FolderUI : public TUnZipUI {
 public:
  bool ChooseZipFile(const std::string&, const std::string&, const std::string&,
                     std::string&) override {
    return false;
  }
  bool ChooseFolder(const std::string&, std::string& chosen) override {
    if (answer.empty()) return false;
    chosen = answer;
    return true;
  }
  bool AskYesNo(const std::string&, const std::string&) override { return false; }
  void ShowMessage(const std::string&, const std::string&) override {}
  std::string answer;
};

TEST(UnZipProperties, DefaultsOfANewComponent) {
  TUnZip unzip;
  EXPECT_EQ(unzip.ThisVersion(), 210);
  unzip.SetThisVersion(300);
  EXPECT_EQ(unzip.ThisVersion(), 210);
  EXPECT_EQ(unzip.ZipName(), "");
  EXPECT_EQ(unzip.DestDir(), "");
  EXPECT_EQ(unzip.RootDir(), "");
  EXPECT_EQ(unzip.SortMode(), TZipSortMode::ByNone);
  EXPECT_FALSE(unzip.RecreateDirs());
  EXPECT_EQ(unzip.OverwriteMode(), TUZOverwriteMode::Prompt);
  EXPECT_TRUE(unzip.FilesList().empty());
  EXPECT_FALSE(unzip.DoAll());
  EXPECT_EQ(unzip.IncompleteZipMode(), TIncompleteZipMode::izAssumeMulti);
  EXPECT_FALSE(unzip.KeepZipOpen());
  EXPECT_TRUE(unzip.DoProcessMessages());
  EXPECT_TRUE(unzip.RetainAttributes());
  EXPECT_EQ(unzip.Password(), "");
  EXPECT_TRUE(unzip.DiskLabelCheck());
  EXPECT_EQ(unzip.SpanMode(), 0);
  EXPECT_EQ(unzip.MemberCount(), 0);
  EXPECT_FALSE(unzip.OnStartUnZipInfo || unzip.OnFilePercentDone || unzip.OnTotalPercentDone ||
               unzip.OnStartUnZip || unzip.OnEndUnZip || unzip.OnPromptForOverwrite ||
               unzip.OnSkippingFile || unzip.OnBadPassword || unzip.OnBadCRC ||
               unzip.OnInCompleteZip || unzip.OnGetNextDisk);
}

TEST(UnZipProperties, FolderSettersKeepTheirForms) {
  TUnZip unzip;
  unzip.SetDestDir("C:\\Out\\");
  EXPECT_EQ(unzip.DestDir(), "C:\\Out");
  unzip.SetDestDir("C:\\Out");
  EXPECT_EQ(unzip.DestDir(), "C:\\Out");
  unzip.SetRootDir("Program");
  EXPECT_EQ(unzip.RootDir(), "Program\\");
  unzip.SetRootDir("Program\\");
  EXPECT_EQ(unzip.RootDir(), "Program\\");
  unzip.SetRootDir("");
  EXPECT_EQ(unzip.RootDir(), "");
}

TEST(UnZipProperties, DestDirQuestionMarkAsksForTheFolder) {
  FolderUI ui;
  TUnZip unzip(&ui);
  unzip.SetDestDir("kept");
  try {
    unzip.SetDestDir("?");
    FAIL() << "no exception";
  } catch (const EUserCanceled& e) {
    EXPECT_STREQ(e.what(), "User canceled Set Desination Directory");
  }
  EXPECT_EQ(unzip.DestDir(), "kept");
  ui.answer = "D:\\Chosen\\";
  unzip.SetDestDir("?");
  EXPECT_EQ(unzip.DestDir(), "D:\\Chosen");
}

TEST(UnZipProperties, FilesListIsTheComponentsOwnList) {
  TUnZip unzip;
  std::vector<std::string> lines = {"Program\\*.*", "*.txt"};
  unzip.SetFilesList(lines);
  lines.clear();
  EXPECT_EQ(unzip.FilesList().size(), 2u);
  unzip.FilesList().clear();
  unzip.FilesList().push_back("Help\\*.*");
  EXPECT_EQ(unzip.FilesList(), (std::vector<std::string>{"Help\\*.*"}));
}

}  // namespace
}  // namespace uz
