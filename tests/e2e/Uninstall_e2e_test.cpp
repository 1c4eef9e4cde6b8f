// The uninstall through the real program, from a seeded installation (the
// installed Setup.exe, files, the record, file types, group and links): the
// record's command relocates the program, the copy's "Удалить" removes it all,
// "Готово" ends the copy, no process is left, and the copy is scheduled for
// deletion at the next restart so the temporary folder ends up clean.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "ComApartment.h"
#include "DialogDriver.h"
#include "RegisterInWindows.h"
#include "RegistryValues.h"
#include "ShellFoldersSandbox.h"
#include "Shortcuts.h"
#include "StartupProcesses.h"
#include "TempFolder.h"
#include "Utf.h"

namespace {

namespace reg = testregistry;
using testing::Contains;

constexpr DWORD kStartMs = 30000;
const std::string kProduct = "Карта Тальмирской области 2.0";
const std::string kRecord = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + kProduct;
const std::string kCaption = "Удаление программы \"" + kProduct + "\"";

template <typename Predicate>
bool WaitUntil(Predicate done) {
  const ULONGLONG deadline = GetTickCount64() + kStartMs;
  while (!done()) {
    if (GetTickCount64() >= deadline) return false;
    Sleep(50);
  }
  return true;
}

// Presses a button of another process without waiting for what it starts.
bool Press(HWND window, const std::string& caption) {
  HWND button = nullptr;
  if (!WaitUntil([&] {
        button = dialogdriver::FindControl(window, "Button", caption);
        return button != nullptr && IsWindowEnabled(button) && IsWindowVisible(button);
      }))
    return false;
  return PostMessageW(button, BM_CLICK, 0, 0) != 0;
}

void SeedInstallation(const std::string& d) {
  ASSERT_TRUE(CopyFileW(toolkit::Widen(SETUP_EXE_PATH).c_str(),
                        toolkit::Widen(d + "\\Setup.exe").c_str(), FALSE));
  for (const char* folder : {"\\Docs", "\\Docs\\Help", "\\Icons"})
    testfiles::MakeFolder(d + folder);
  testfiles::WriteTextFile(d + "\\Map.exe", "MZ");
  testfiles::WriteTextFile(d + "\\Docs\\Help\\Help.htm", "<html>");
  testfiles::WriteTextFile(d + "\\Мои карты.txt", "added by the user");
  RegisterFileType("maptldb", "Файл базы данных объектов карты", d + "\\Icons\\maptldb.ico",
                   "Импортировать", QuotedCommand(d + "\\Map.exe", "%1"));
  RegisterFileType("maptl", "Файл изображения карты", d + "\\Icons\\maptl.ico", "", "");
  WriteUninstallRecord(kProduct, d + "\\Map.exe,1", "Вельтран", d,
                       QuotedCommand(d + "\\Setup", "/u"), 2, 0, {"D:\\", "", 0});
  CreateGroupLink(kProduct, d + "\\Map.exe", kProduct);
  CreateGroupLink(kProduct, d + "\\Docs\\Help\\Help.htm", "Справка");
  CreateDesktopLink(d + "\\Map.exe", kProduct);
}

// Starts the record's uninstall command as the list of installed programs does.
e2e::Process StartUninstallCommand() {
  std::wstring line =
      toolkit::Widen(reg::ReadString(HKEY_LOCAL_MACHINE, kRecord, "UninstallString").value_or(""));
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &info))
    return e2e::Process();
  CloseHandle(info.hThread);
  return e2e::Process(info.hProcess, info.dwProcessId);
}

TEST(Uninstall, RecordCommandRelocatesAndTheCopyRemovesEverythingAndEnds) {
  TComApartment com;
  testfiles::TempFolder temp;
  const std::string programs = temp / "Программы";
  const std::string desktop = temp / "Рабочий стол";
  const std::string d = temp / ("Program Files\\" + kProduct);
  for (const std::string& folder : {programs, desktop, temp / "Program Files", d})
    testfiles::MakeFolder(folder);
  testfiles::WriteTextFile(temp / "Program Files\\сосед.txt", "sentinel");
  reg::ShellFoldersSandbox folders(programs, desktop);
  reg::SavedValue pending(HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Control\\Session Manager",
                          "PendingFileRenameOperations");
  SeedInstallation(d);

  e2e::Process setup = StartUninstallCommand();
  ASSERT_TRUE(setup.Valid()) << "the quoted uninstall command must start";
  EXPECT_TRUE(setup.WaitForExit(kStartMs)) << "the installed Setup.exe ends by itself";
  std::vector<e2e::Process> copies;
  ASSERT_TRUE(
      WaitUntil([&] { return !(copies = e2e::FindProcesses(L"Duv20Izeviruvu.exe")).empty(); }));
  e2e::Process& copy = copies.front();
  // The copy runs from a folder of its own, and goes with it at the restart.
  const std::wstring line = copy.CommandLine();
  ASSERT_EQ(line.rfind(L"\\Duv20Izeviruvu.exe\" /u"), line.size() - 23) << line;
  const std::wstring copyPath = line.substr(1, line.size() - 5);
  const std::wstring copyFolder = copyPath.substr(0, copyPath.rfind(L'\\'));
  EXPECT_EQ(copyFolder.substr(0, e2e::TempFolder().size() + 16),
            e2e::TempFolder() + L"Duv20Izeviruvu.~");
  HWND wizard = nullptr;
  ASSERT_TRUE(WaitUntil(
      [&] { return (wizard = dialogdriver::FindTopLevelWindow(kCaption, copy.Id())) != nullptr; }));

  ASSERT_TRUE(Press(wizard, "Удалить"));
  ASSERT_TRUE(Press(wizard, "Готово")) << "the completed page comes";
  EXPECT_TRUE(copy.WaitForExit(kStartMs)) << "\"Готово\" ends the program";
  EXPECT_TRUE(e2e::FindProcesses(L"Duv20Izeviruvu.exe").empty());
  EXPECT_TRUE(e2e::FindProcesses(L"Setup.exe").empty());

  EXPECT_FALSE(testfiles::Exists(d));
  EXPECT_TRUE(testfiles::IsFile(temp / "Program Files\\сосед.txt"));
  EXPECT_FALSE(testfiles::Exists(programs + "\\" + kProduct));
  EXPECT_FALSE(testfiles::Exists(desktop + "\\" + kProduct + ".lnk"));
  EXPECT_FALSE(reg::KeyExists(HKEY_LOCAL_MACHINE, kRecord));
  for (const char* key : {".maptl", ".maptldb", "maptlFILE", "maptldbFILE"})
    EXPECT_EQ(reg::ReadString(HKEY_CLASSES_ROOT, key, ""), std::nullopt) << key;
  EXPECT_THAT(reg::PendingDeletionsAtRestart(), Contains(toolkit::Narrow(copyPath)));
  EXPECT_THAT(reg::PendingDeletionsAtRestart(), Contains(toolkit::Narrow(copyFolder)));

  for (const char* key : {".maptl", ".maptldb", "maptlFILE", "maptldbFILE"})
    reg::DeleteKeyTree(HKEY_CLASSES_ROOT, key);
  DeleteFileW(copyPath.c_str());
  RemoveDirectoryW(copyFolder.c_str());
}

}  // namespace
