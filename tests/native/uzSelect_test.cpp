// Which members a pattern list selects: folder patterns as the installer
// writes them, file-name patterns, non-ASCII names, the first matching line,
// and every member with and without recreated folders.
#include "selection/uzSelect.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct Member {
  const char* directory;
  const char* fileName;
};

// The members of a small archive laid out like the installer's: top-level
// folders, sub-folders, names with and without a dot, directory entries.
const std::vector<Member> kArchive = {
    {"", "readme.txt"},                 // 0 top level
    {"", "LICENSE"},                    // 1 top level, no dot
    {"Program\\", "Map.exe"},           // 2
    {"Program\\", "map.ico"},           // 3
    {"Program\\", ""},                  // 4 directory entry
    {"Program\\Data\\", "Objects.db"},  // 5 deeper, dot in the name
    {"Program\\Data\\", "INDEX"},       // 6 deeper, no dot anywhere after "Program\"
    {"Program\\v1.2\\", "NOTES"},       // 7 dot only in the sub-folder's name
    {"PROGRAM\\", "upper.dll"},         // 8 folder in other case
    {"Programs\\", "other.exe"},        // 9 folder that begins alike
    {"Help\\", "Help.htm"},             // 10
    {"Help\\", ""},                     // 11 directory entry
    {"Программа\\", "Карта.exe"},       // 12 Cyrillic folder and name
};

std::vector<int> Selected(const std::vector<std::string>& filesList, bool doAll,
                          bool recreateDirs) {
  std::vector<int> out;
  for (size_t i = 0; i < kArchive.size(); ++i)
    if (uz::IsSelected(kArchive[i].directory, kArchive[i].fileName, filesList, doAll, recreateDirs))
      out.push_back(static_cast<int>(i));
  return out;
}

using Indexes = std::vector<int>;

TEST(SelectionSubject, FolderLinesSeeTheWholeNameOthersTheFileName) {
  EXPECT_EQ(uz::SelectionSubject("a\\b\\", "c.txt", "a\\*"), "a\\b\\c.txt");
  EXPECT_EQ(uz::SelectionSubject("a\\b\\", "c.txt", "*.txt"), "c.txt");
  EXPECT_EQ(uz::SelectionSubject("", "c.txt", "x\\*"), "c.txt");
  EXPECT_EQ(uz::SelectionSubject("a\\", "", "*"), "");
  EXPECT_EQ(uz::SelectionSubject("a\\", "", "a\\"), "a\\");
}

TEST(IsSelected, InstallerFolderPatternTakesTheFolderAtAnyDepthWhenADotFollows) {
  // Members below "Program\" whose rest has no "." at all (6) are not taken,
  // nor a folder that only begins alike (9), nor top-level members.
  EXPECT_EQ(Selected({"Program\\*.*"}, false, false), (Indexes{2, 3, 5, 7, 8}));
  EXPECT_EQ(Selected({"program\\*.*"}, false, false), (Indexes{2, 3, 5, 7, 8}));
  EXPECT_EQ(Selected({"Help\\*.*"}, false, false), (Indexes{10}));
  // The directory entry "Program\" has nothing after its "\", so no dot.
  EXPECT_EQ(Selected({"Program\\*.*"}, false, true), (Indexes{2, 3, 5, 7, 8}));
  EXPECT_EQ(Selected({"Program\\*"}, false, true), (Indexes{2, 3, 4, 5, 6, 7, 8}));
}

TEST(IsSelected, PatternsWithoutFolderLookAtFileNamesInEveryFolder) {
  EXPECT_EQ(Selected({"*.*"}, false, false), (Indexes{0, 2, 3, 5, 8, 9, 10, 12}));
  EXPECT_EQ(Selected({"*.exe"}, false, false), (Indexes{2, 9, 12}));
  EXPECT_EQ(Selected({"map.*"}, false, false), (Indexes{2, 3}));
  // "*" takes every file; directory entries only with RecreateDirs, where
  // their subject is empty.
  EXPECT_EQ(Selected({"*"}, false, false), (Indexes{0, 1, 2, 3, 5, 6, 7, 8, 9, 10, 12}));
  EXPECT_EQ(Selected({"*"}, false, true), (Indexes{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}));
  EXPECT_EQ(Selected({"*.*"}, false, true), (Indexes{0, 2, 3, 5, 8, 9, 10, 12}));
}

TEST(IsSelected, NonAsciiLettersMustMatchExactly) {
  EXPECT_EQ(Selected({"Программа\\*.*"}, false, false), (Indexes{12}));
  EXPECT_EQ(Selected({"программа\\*.*"}, false, false), (Indexes{}));
  EXPECT_EQ(Selected({"карта.EXE"}, false, false), (Indexes{}));
  EXPECT_EQ(Selected({"Карта.EXE"}, false, false), (Indexes{12}));
  // "?" takes one letter, not one byte: "Карта" is five letters in ten bytes.
  EXPECT_EQ(Selected({"?????.exe"}, false, false), (Indexes{9, 12}));
}

TEST(IsSelected, FirstMatchingLineWinsAndBadLinesSelectNothing) {
  EXPECT_EQ(Selected({"nothing", "LICENSE", "*.htm"}, false, false), (Indexes{1, 10}));
  EXPECT_EQ(Selected({"[a-", "*.", "[]", "[!]", "*[a-]"}, false, false), (Indexes{}));
  EXPECT_EQ(Selected({"[a-", "readme.txt"}, false, false), (Indexes{0}));
  EXPECT_EQ(Selected({}, false, false), (Indexes{}));
  EXPECT_EQ(Selected({}, false, true), (Indexes{}));
  EXPECT_EQ(Selected({""}, false, true), (Indexes{4, 11}));  // empty subject, empty line
}

TEST(IsSelected, DoAllTakesEveryFileAndDirectoriesOnlyWithRecreateDirs) {
  EXPECT_EQ(Selected({}, true, false), (Indexes{0, 1, 2, 3, 5, 6, 7, 8, 9, 10, 12}));
  EXPECT_EQ(Selected({"nothing"}, true, false), (Indexes{0, 1, 2, 3, 5, 6, 7, 8, 9, 10, 12}));
  EXPECT_EQ(Selected({}, true, true), (Indexes{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}));
}

TEST(IsSelected, TrailingStarsAndStarQuestionMark) {
  EXPECT_EQ(Selected({"LICENSE*"}, false, false), (Indexes{1}));
  EXPECT_EQ(Selected({"LICENSE**"}, false, false), (Indexes{1}));
  EXPECT_EQ(Selected({"m*?"}, false, false), (Indexes{2, 3}));
  EXPECT_TRUE(uz::IsSelected("", "ab", {"a*?"}, false, false));
  EXPECT_FALSE(uz::IsSelected("", "a", {"a*?"}, false, false));
}

}  // namespace
