// What a deletion with administrator rights does with what stands at a path,
// one row for each thing a handle that does not follow a link can see there.
#include "DeletionRules.h"

#include <gtest/gtest.h>

namespace {

TEST(DeletionRules, OnlyAPlainFolderIsEntered) {
  const struct {
    const char* what;
    TEntryFacts facts;
    TDeletion deletion;
    bool plainFolder;
  } kRows[] = {
      {"nothing there", {true, false, false, false}, TDeletion::kNothing, false},
      {"a plain folder", {false, true, true, false}, TDeletion::kEnter, true},
      {"a junction or a folder's symbolic link",
       {false, true, true, true},
       TDeletion::kRemoveItself,
       false},
      {"a file's symbolic link", {false, true, false, true}, TDeletion::kRemoveItself, false},
      {"a plain file", {false, true, false, false}, TDeletion::kRemoveItself, false},
      {"what cannot be opened", {false, false, false, false}, TDeletion::kRemoveItself, false},
  };
  for (const auto& row : kRows) {
    EXPECT_EQ(DeletionOf(row.facts), row.deletion) << row.what;
    EXPECT_EQ(IsPlainFolder(row.facts), row.plainFolder) << row.what;
  }
}

}  // namespace
