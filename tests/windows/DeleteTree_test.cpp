// The silent shell deletion of a file or folder tree.
#include "FilesAndFolders.h"

#include "DialogDriver.h"
#include "TempFolder.h"
#include "Utf.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace {

using dialogdriver::DialogResponder;
using testfiles::TempFolder;
using testing::IsEmpty;

TEST(DeleteTree, MissingPathFailsWithoutAnyWindow) {
  TempFolder temp;
  DialogResponder noDialogs({});
  const size_t windowsBefore = dialogdriver::VisibleTopLevelWindows().size();
  EXPECT_NE(DeleteTree(temp / "нет такой папки"), 0);
  EXPECT_EQ(dialogdriver::VisibleTopLevelWindows().size(), windowsBefore);
  EXPECT_THAT(noDialogs.Finish(), IsEmpty());
}

TEST(DeleteTree, DeletesAFolderWithNestedContents) {
  TempFolder temp;
  const std::string group = temp / "Карта Тальмирской области 2.0";
  testfiles::MakeFolder(group);
  testfiles::MakeFolder(group + "\\Вложенная");
  testfiles::WriteTextFile(group + "\\Карта.lnk", "link");
  testfiles::WriteTextFile(group + "\\Вложенная\\x", "x");
  DialogResponder noDialogs({});
  EXPECT_EQ(DeleteTree(group), 0);
  EXPECT_THAT(noDialogs.Finish(), IsEmpty());
  EXPECT_FALSE(testfiles::Exists(group));
  EXPECT_TRUE(testfiles::IsFolder(temp.Path()));
}

TEST(DeleteTree, DeletesASingleFileOutright) {
  TempFolder temp;
  testfiles::WriteTextFile(temp / "one.txt", "1");
  testfiles::WriteTextFile(temp / "two.txt", "2");
  EXPECT_EQ(DeleteTree(temp / "one.txt"), 0);
  EXPECT_FALSE(testfiles::Exists(temp / "one.txt"));
  EXPECT_EQ(testfiles::ReadTextFile(temp / "two.txt"), "2");
}

TEST(DeleteTree, DeletesReadOnlyFilesWithoutAsking) {
  TempFolder temp;
  const std::string folder = temp / "ro";
  testfiles::MakeFolder(folder);
  const std::string file = folder + "\\locked.txt";
  testfiles::WriteTextFile(file, "r");
  SetFileAttributesW(toolkit::Widen(file).c_str(), FILE_ATTRIBUTE_READONLY);
  DialogResponder noDialogs({});
  EXPECT_EQ(DeleteTree(folder), 0);
  EXPECT_THAT(noDialogs.Finish(), IsEmpty());
  EXPECT_FALSE(testfiles::Exists(folder));
}

}  // namespace
