// Folders typed on a command line, read as the system reads them: each
// spelling of one folder gives the same full long form, and a folder that is
// not there (or not a folder) is refused as a bad command line.
#include "FullPath.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "FilesAndFolders.h"
#include "TempFolder.h"
#include "Utf.h"

namespace {

std::string ShortForm(const std::string& path) {
  wchar_t buffer[MAX_PATH];
  const DWORD length = GetShortPathNameW(toolkit::Widen(path).c_str(), buffer, MAX_PATH);
  return length && length < MAX_PATH ? toolkit::Narrow(buffer, length) : path;
}

std::string WithSlashes(std::string path) {
  for (char& c : path) {
    if (c == '\\') c = '/';
  }
  return path;
}

TEST(CommandLineFolder, EverySpellingOfAFolderGivesItsFullLongForm) {
  testfiles::TempFolder temp;
  const std::string t = FullLongPath(temp.Path());
  const std::string apps = t + "\\Apps";
  const std::string longName = t + "\\Мои программы и карты";
  testfiles::MakeFolder(apps);
  testfiles::MakeFolder(longName);
  testfiles::WriteTextFile(apps + "\\file.txt", "x");
  ASSERT_NE(ShortForm(longName), longName) << "the file system makes no short names";
  const struct {
    std::string typed, full;
    bool accepted;
  } rows[] = {
      {apps, apps, true},
      {t + "/Apps", apps, true},
      {apps + "\\.", apps, true},
      {apps + "\\..\\Apps", apps, true},
      {t + "\\\\Apps", apps, true},
      {apps + "\\", apps, true},
      {apps + "  ", apps, true},
      {apps + "..", apps, true},
      {ShortForm(longName), longName, true},
      {t.substr(0, 3) + ".", t.substr(0, 3), true},  // "C:\." is the root
      {t + "\\Missing", t + "\\Missing", false},
      {apps + "\\file.txt", apps + "\\file.txt", false},
      {apps + "\\CON", "\\\\.\\CON", false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.typed);
    const TCommandLineFolder folder = CheckCommandLineFolder(row.typed);
    EXPECT_EQ(folder.full, row.full);
    EXPECT_EQ(folder.problem.empty(), row.accepted) << folder.problem;
  }
  // The medium-inside-the-folder guard reads both sides the same way.
  EXPECT_TRUE(IsSameOrBelow(ShortForm(longName) + "\\disc\\", WithSlashes(longName) + "\\."));
  EXPECT_FALSE(IsSameOrBelow(apps + "\\..\\Apps2", apps));
}

}  // namespace
