// The programs that hold the install folder: their names as shown (cleaned of
// what a window title could use to pass for something else), the message,
// the log line, what a run without questions does, and its switch. (The
// wizard's message for the product's programs alone: Install_e2e_test.)
#include <gtest/gtest.h>

#include "FilesInUseRules.h"
#include "RunMode.h"
#include "UnattendedOptions.h"

namespace {

std::string Repeated(const std::string& c, int count) {
  std::string text;
  for (int i = 0; i < count; ++i) text += c;
  return text;
}

TEST(FilesInUse, TitlesAreShownOnOneLineInTheirOrderAndOfBoundedLength) {
  const struct {
    std::string title, file, shown;
  } rows[] = {
      {"Карта Тальмирской области 2.0", "Map.exe", "Карта Тальмирской области 2.0"},
      {"", "Map.exe", "Map.exe"},
      {" \t\r\n ", "Map.exe", "Map.exe"},
      {"Карта\r\nC:\\Windows\\system32", "x.exe", "Карта C:\\Windows\\system32"},
      {"\xc2\x85next line\xe2\x80\xa8sep", "", "next line sep"},  // NEL, LINE SEPARATOR
      {"exe.\xe2\x80\xaetxt", "", "exe. txt"},                    // RIGHT-TO-LEFT OVERRIDE
      {"\xe2\x81\xa6x\xe2\x81\xa9\xef\xbb\xbf", "", "x"},         // isolates, BOM
      {"bad \xff\xc3 utf", "", "bad utf"},
      {std::string(64, 'y'), "", std::string(64, 'y')},
      {std::string(65, 'x'), "", std::string(64, 'x') + "..."},
      {Repeated("ж", 70), "", Repeated("ж", 64) + "..."},
  };
  for (const auto& row : rows) EXPECT_EQ(ShownName(row.title, row.file), row.shown) << row.title;
}

std::vector<TProgramInUse> Viewers(int count, bool withOther) {
  std::vector<TProgramInUse> programs;
  for (int i = 0; i < count; ++i)
    programs.push_back({unsigned(100 + i), "Карта " + std::to_string(i), "Map.exe", true});
  if (withOther) programs.push_back({7, "Блокнот", "notepad.exe", false});
  return programs;
}

TEST(FilesInUse, TheMessageNamesTheProgramsAndWhatTheButtonsDo) {
  const std::string d = "C:\\Program Files\\Карта Тальмирской области 2.0";
  EXPECT_EQ(FilesInUseMessage(Viewers(1, true), d, true),
            "Файлы папки\r" + d +
                "\rиспользуются программами:\r    Карта 0\r    Блокнот\rЗакройте их и нажмите "
                "«Повтор».\r«Пропустить» — удалить их файлы после перезагрузки.");
  const std::string many = FilesInUseMessage(Viewers(12, false), d, true);
  EXPECT_NE(many.find("    Карта 9\r    и ещё 2\rЗакрыть их и продолжить удаление?"),
            std::string::npos)
      << many;
  EXPECT_EQ(ProgramsForLog(Viewers(1, true)),
            "\"Карта 0\" (Map.exe, process 100, the product's), \"Блокнот\" (notepad.exe, "
            "process 7, another program)");
}

TEST(FilesInUse, WithoutQuestionsTheProductsProgramsAreClosedOnceWhenAllowed) {
  using A = TFilesInUseAnswer;
  const struct {
    std::vector<TProgramInUse> programs;
    bool mayClose, closedOnce, othersBlock;
    A answer;
  } rows[] = {
      {Viewers(2, false), true, false, true, A::kClose},
      {Viewers(2, false), true, true, true, A::kStop},    // they did not close
      {Viewers(2, false), false, false, true, A::kStop},  // /NOCLOSEAPPLICATIONS
      {Viewers(1, true), true, false, true, A::kStop},    // installing: another holds it
      {Viewers(1, true), true, false, false, A::kClose},  // uninstalling: ours go
      {Viewers(0, true), true, false, false, A::kStop},   // nothing of ours to close
  };
  for (const auto& row : rows) {
    EXPECT_EQ(UnattendedAnswer(row.programs, row.mayClose, row.closedOnce, row.othersBlock),
              row.answer)
        << row.programs.size() << row.mayClose << row.closedOnce << row.othersBlock;
  }
}

TEST(FilesInUse, NoCloseApplicationsIsASwitchOfItsOwn) {
  const TUnattendedOptions kept = ParseUnattendedOptions("Setup.exe /u /s /NoCloseApplications");
  EXPECT_TRUE(!kept.closeApplications && kept.error.empty()) << kept.error;
  EXPECT_NE(ParseUnattendedOptions("Setup.exe /S /NOCLOSEAPPLICATIONS /nocloseapplications")
                .error.find("given twice"),
            std::string::npos);
  // The uninstaller's copy in the temporary folder is the one that closes.
  EXPECT_EQ(RelocatedSwitches(kept, ""), " /S /NOCLOSEAPPLICATIONS");
}

}  // namespace
