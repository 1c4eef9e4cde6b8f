// Every call the installation and the uninstallation make to change the
// machine, failed in turn, and then once more each ending the process dead at
// that call and starting again. After each: the new installation is complete,
// or the machine is exactly as it was (files with their contents, the
// product's registry keys, the links); after an uninstallation, whatever is
// left is still removable through its record or scheduled for deletion at
// restart. A small medium: the container's image part is a hole.
#include "ComApartment.h"
#include "FailingSystemCalls.h"
#include "InstallLog.h"
#include "InstallTransaction.h"
#include "InstallationSequence.h"
#include "MapContainer.h"
#include "RegisterInWindows.h"
#include "RegistrySnapshot.h"
#include "RegistryValues.h"
#include "ShellFoldersSandbox.h"
#include "TempFolder.h"
#include "UninstallSequence.h"
#include "Utf.h"
#include "ZipBuilder.h"
#include "uzUserInterface.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <iostream>
#include <map>

namespace {

namespace reg = testregistry;
using State = std::map<std::string, std::string>;

const std::string kProduct = "Карта Тальмирской области 2.0";
const char kSessionManager[] = "System\\CurrentControlSet\\Control\\Session Manager";
const char* const kKeys[][2] = {{"HKCR", ".maptl"},
                                {"HKCR", ".maptldb"},
                                {"HKCR", "maptlFILE"},
                                {"HKCR", "maptldbFILE"},
                                {"HKLM",
                                 "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\"
                                 "Карта Тальмирской области 2.0"}};

std::string Env(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

// Files (with their contents) and folders below `folder`, by relative path.
// A link holds the times of its target, which each installation makes anew:
// links compare by their bytes only where they must be the very same file.
void AddTree(const std::wstring& folder, const std::string& relative, bool linkBytes,
             State& state) {
  WIN32_FIND_DATAW entry;
  HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &entry);
  if (find == INVALID_HANDLE_VALUE) return;
  do {
    const std::wstring name = entry.cFileName;
    if (name == L"." || name == L"..") continue;
    const std::string path = relative + "\\" + toolkit::Narrow(name);
    if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      state[path] = "<folder>";
      AddTree(folder + L"\\" + name, path, linkBytes, state);
    } else if (!linkBytes && path.size() > 4 && path.compare(path.size() - 4, 4, ".lnk") == 0) {
      state[path] = "<link>";
    } else {
      state[path] = testfiles::ReadTextFile(toolkit::Narrow(folder + L"\\" + name));
    }
  } while (FindNextFileW(find, &entry));
  FindClose(find);
}

// A key with its values (type and bytes) and sub-keys, read past the seam.
void AddKey(HKEY root, const std::wstring& path, const std::string& label, State& state) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return;
  state[label] = "<key>";
  wchar_t name[512];
  BYTE data[4096];
  for (DWORD i = 0;; ++i) {
    DWORD length = 512, size = sizeof data, type = 0;
    if (RegEnumValueW(key, i, name, &length, nullptr, &type, data, &size) != ERROR_SUCCESS) break;
    state[label + "|" + toolkit::Narrow(name, length)] =
        std::to_string(type) + ":" + std::string(reinterpret_cast<char*>(data), size);
  }
  std::vector<std::wstring> children;
  for (DWORD i = 0;; ++i) {
    DWORD length = 512;
    if (RegEnumKeyExW(key, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
      break;
    children.emplace_back(name, length);
  }
  RegCloseKey(key);
  for (const std::wstring& child : children)
    AddKey(root, path + L"\\" + child, label + "\\" + toolkit::Narrow(child), state);
}

std::string Difference(const State& a, const State& b) {
  std::string text;
  for (const auto& [path, content] : a)
    if (!b.count(path) || b.at(path) != content) text += "  changed or gone: " + path + "\n";
  for (const auto& [path, content] : b)
    if (!a.count(path)) text += "  new: " + path + "\n";
  return text;
}

// The questions get the answers an unattended run gives: stop, no.
class SilentView : public TInstallView, public uz::TUnZipUI {
 public:
  bool Retry(const std::string&, const std::string&) override { return false; }
  void SetActionText(const std::string&) override {}
  void AdvanceProgress(int) override {}
  void ShowBillboard(int) override {}
  void ShowCopyError(const std::string&) override {}
  uz::TUnZipUI& ArchiveUI() override { return *this; }
  bool ChooseZipFile(const std::string&, const std::string&, const std::string&,
                     std::string&) override {
    return false;
  }
  bool ChooseFolder(const std::string&, std::string&) override { return false; }
  bool AskYesNo(const std::string&, const std::string&) override { return false; }
  void ShowMessage(const std::string&, const std::string&) override {}
};

// The scratch machine: the install folder's parent, the medium, the user's
// special folders (the journal lives in "Local AppData").
struct Places {
  explicit Places(const std::string& root)
      : root(root),
        parent(root + "\\Program Files"),
        d(parent + "\\" + kProduct),
        medium(root + "\\medium\\"),
        programs(root + "\\Программы"),
        desktop(root + "\\Рабочий стол"),
        appData(root + "\\AppData") {}
  std::string root, parent, d, medium, programs, desktop, appData;
};

bool Install(const Places& at) {
  TInstallChoice choice;
  choice.directory = at.d;
  choice.source = at.medium;
  choice.program = at.medium + "Setup.exe";
  choice.database = true;
  SilentView view;
  TInstallLog noLog;
  return RunInstallationSequence(choice, view, noLog);
}

void Uninstall() {
  TInstallLog noLog;
  RunUninstallSequence([](const std::string&, int) {}, noLog);
}

void StartAgain(const Places& at) {
  TInstallLog noLog;
  FinishInterruptedInstallation(at.appData + "\\" + kProduct + " Setup.journal", noLog);
}

// The child of a sweep that ends dead: runs the action named in its
// environment up to the call it was given.
TEST(SweepChild, EndsAtTheGivenCall) {
  const std::string action = Env("SWEEP_ACTION");
  if (action.empty()) GTEST_SKIP() << "started by the sweep only";
  TComApartment com;
  const Places at(Env("SWEEP_ROOT"));
  failingcalls::Reset();
  failingcalls::EndAnyNth(std::atoi(Env("SWEEP_END_AT").c_str()));
  if (!Env("SWEEP_CUT").empty())
    failingcalls::CutPowerAnyNth(std::atoi(Env("SWEEP_END_AT").c_str()),
                                 toolkit::Widen(Env("SWEEP_CUT")));
  if (action == "install") {
    Install(at);
  } else {
    Uninstall();
  }
}

class InstallSweep : public testing::Test {
 protected:
  void SetUp() override {
    ClearRecords();
    for (const std::string& folder :
         {at_.parent, at_.medium, at_.programs, at_.desktop, at_.appData})
      testfiles::MakeFolder(folder);
    testfiles::WriteTextFile(at_.medium + "Setup.exe", "MZ the program");
    WriteContainer();
    testfiles::WriteTextFile(at_.desktop + "\\Другая программа.lnk", "sentinel");
    localAppData_.SetString(at_.appData);
    userLocalAppData_.SetString(at_.appData);
  }
  void TearDown() override {
    ClearRecords();
    if (pending_) pending_.reset();
  }

  static void ClearRecords() {
    for (const auto& key : kKeys) reg::DeleteKeyTree(RootNamed(key[0]), key[1]);
  }

  // The program archive behind a hole the size of the map image.
  void WriteContainer() {
    testzip::ZipBuilder zip;
    for (const char* name : {"Program/Map.exe", "Program/readme.txt", "Help/Help.htm",
                             "Legend/legend.txt", "DataBase/objects.db", "Icons/maptl.ico",
                             "Icons/maptldb.ico", "MapImage/image.inf", "BDE/bde.dll"})
      zip.members.push_back({name, std::string("content of ") + name});
    const std::string archive = zip.Build();
    HANDLE file = CreateFileW(toolkit::Widen(at_.medium + "Map.maptl").c_str(), GENERIC_WRITE, 0,
                              nullptr, CREATE_ALWAYS, 0, nullptr);
    LARGE_INTEGER at;
    at.QuadPart = kMapImageSize;
    SetFilePointerEx(file, at, nullptr, FILE_BEGIN);
    DWORD written = 0;
    WriteFile(file, archive.data(), DWORD(archive.size()), &written, nullptr);
    CloseHandle(file);
  }

  State Machine(bool linkBytes = true) const {
    State state;
    for (const std::string& folder : {at_.parent, at_.programs, at_.desktop, at_.appData})
      AddTree(toolkit::Widen(folder), folder.substr(at_.root.size()), linkBytes, state);
    for (const auto& key : kKeys)
      AddKey(RootNamed(key[0]), toolkit::Widen(key[1]), std::string(key[0]) + "\\" + key[1], state);
    return state;
  }

  // The restart: what a run left to the system's deletion at the next start
  // goes, and the list is as it was before the test.
  void Restart() {
    for (const std::string& path : reg::PendingDeletionsAtRestart()) {
      if (path.rfind(at_.root, 0) != 0) continue;
      const std::wstring wide = toolkit::Widen(path);
      SetFileAttributesW(wide.c_str(), FILE_ATTRIBUTE_NORMAL);
      if (!DeleteFileW(wide.c_str())) RemoveDirectoryW(wide.c_str());
    }
    pending_ = std::make_unique<reg::SavedValue>(HKEY_LOCAL_MACHINE, kSessionManager,
                                                 "PendingFileRenameOperations");
  }

  // Runs `action` in a process of its own that ends dead at call `n`; with
  // `cut`, in a power cut.
  void RunEndingAt(const char* action, int n, bool cut = false) {
    const std::wstring lossList = toolkit::Widen(at_.root + "\\power-cut.list");
    SetEnvironmentVariableW(L"SWEEP_CUT", cut ? lossList.c_str() : nullptr);
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    SetEnvironmentVariableW(L"SWEEP_ACTION", toolkit::Widen(action).c_str());
    SetEnvironmentVariableW(L"SWEEP_ROOT", toolkit::Widen(at_.root).c_str());
    SetEnvironmentVariableW(L"SWEEP_END_AT", std::to_wstring(n).c_str());
    std::wstring line = L"\"" + std::wstring(self) + L"\" --gtest_filter=SweepChild.*";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    ASSERT_TRUE(CreateProcessW(self, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                               &startup, &process));
    WaitForSingleObject(process.hProcess, INFINITE);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    SetEnvironmentVariableW(L"SWEEP_ACTION", nullptr);
    EXPECT_TRUE(!cut || failingcalls::LoseUnflushedWrites(lossList)) << "no cut at call " << n;
  }

  // Counts the calls of a run without failures.
  int CallsOf(const std::function<void()>& action) {
    failingcalls::Reset();
    action();
    return failingcalls::AllCalls();
  }

  // Sweeps the installation from the machine `prepare` makes (again after a
  // run that completed): `after` is the complete installation.
  int SweepInstallation(const std::function<void()>& prepare, const State& after, int calls,
                        bool ending) {
    prepare();
    State before = Machine();
    for (int n = 1; n <= calls; ++n) {
      if (ending) {
        RunEndingAt("install", n);
        StartAgain(at_);
      } else {
        failingcalls::Reset();
        failingcalls::FailAnyNth(n);
        Install(at_);
      }
      Restart();
      if (Machine(false) == after) {
        prepare();
        before = Machine();
        continue;
      }
      const State now = Machine();
      EXPECT_TRUE(now == before) << (ending ? "ended at" : "failed") << " call " << n << " ("
                                 << (ending ? "" : failingcalls::LastFailed()) << ")\n"
                                 << Difference(before, now) << "or from the complete one:\n"
                                 << Difference(after, Machine(false));
      if (now != before) return n;
    }
    return calls;
  }

  void Clean() {
    Uninstall();
    ClearRecords();
  }

  testfiles::TempFolder temp_;
  const Places at_{temp_.Path()};
  reg::ShellFoldersSandbox shellFolders_{at_.programs, at_.desktop};
  reg::SavedValue localAppData_{HKEY_CURRENT_USER, reg::ShellFoldersSandbox::kKey, "Local AppData"};
  reg::SavedValue userLocalAppData_{HKEY_CURRENT_USER, reg::ShellFoldersSandbox::kUserKey,
                                    "Local AppData"};
  std::unique_ptr<reg::SavedValue> pending_ = std::make_unique<reg::SavedValue>(
      HKEY_LOCAL_MACHINE, kSessionManager, "PendingFileRenameOperations");
  TComApartment com_;
};

TEST_F(InstallSweep, EveryCallFailedOrEndedLeavesTheOldOrTheNewInstallation) {
  const State empty = Machine();
  int swept = 0;
  // Into an empty folder.
  const int fresh = CallsOf([&] { ASSERT_TRUE(Install(at_)); });
  const State installed = Machine(false);
  ASSERT_NE(installed, empty);
  Clean();
  ASSERT_EQ(Machine(), empty) << Difference(empty, Machine());
  for (bool ending : {false, true})
    swept += SweepInstallation([&] { Clean(); }, installed, fresh, ending);
  // Over a working installation the user has added to.
  const auto earlier = [&] {
    Clean();
    ASSERT_TRUE(Install(at_));
    testfiles::WriteTextFile(at_.d + "\\мои пометки.txt", "the user's");
    reg::WriteString(HKEY_LOCAL_MACHINE, kKeys[4][1], "Comments", "the user's");
  };
  earlier();
  const int over = CallsOf([&] { ASSERT_TRUE(Install(at_)); });
  const State reinstalled = Machine(false);
  for (bool ending : {false, true}) swept += SweepInstallation(earlier, reinstalled, over, ending);
  std::cout << "swept " << swept << " calls of the installation (" << fresh << " into nothing, "
            << over << " over an earlier installation), each failed and each ended\n";
  Clean();
}

// A power cut at every call of an installation over an earlier one: the run
// ends there and each file it wrote loses what it gained since its last
// flush. The next start leaves the earlier installation or the new one.
TEST_F(InstallSweep, APowerCutAtEveryCallLeavesTheOldOrTheNewInstallation) {
  const auto earlier = [&] {
    Clean();
    ASSERT_TRUE(Install(at_));
    testfiles::WriteTextFile(at_.d + "\\мои пометки.txt", "the user's");
    // Longer than a first guess reads: kept whole by the journal all the same.
    reg::WriteString(HKEY_LOCAL_MACHINE, kKeys[4][1], std::string(300, 'n'), std::string(900, 'v'));
  };
  earlier();
  const int calls = CallsOf([&] { ASSERT_TRUE(Install(at_)); });
  const State reinstalled = Machine(false);
  earlier();
  for (int n = 1; n <= calls; ++n) {
    const State before = Machine();
    RunEndingAt("install", n, /*cut=*/true);
    StartAgain(at_);
    Restart();
    if (Machine(false) == reinstalled) {
      earlier();
      continue;
    }
    ASSERT_TRUE(Machine() == before)
        << "power cut at call " << n << "\n"
        << Difference(before, Machine()) << "or from the complete one:\n"
        << Difference(reinstalled, Machine(false));
  }
  std::cout << "cut the power at each of the " << calls
            << " calls of an installation over an earlier one\n";
  Clean();
}

// Either everything is gone (or left to the restart), or the record is still
// there and an uninstall through it removes the rest.
TEST_F(InstallSweep, EveryCallOfTheUninstallFailedOrEndedLeavesWhatItsRecordRemoves) {
  const auto installed = [&] {
    Clean();
    ASSERT_TRUE(Install(at_));
    testfiles::WriteTextFile(at_.d + "\\мои пометки.txt", "the user's");
  };
  installed();
  const int calls = CallsOf([&] { Uninstall(); });
  Restart();
  const State gone = Machine(false);
  int swept = 0;
  for (bool ending : {false, true}) {
    for (int n = 1; n <= calls; ++n, ++swept) {
      installed();
      if (ending) {
        RunEndingAt("uninstall", n);
        StartAgain(at_);
      } else {
        failingcalls::Reset();
        failingcalls::FailAnyNth(n);
        Uninstall();
      }
      Restart();
      if (Machine(false) == gone) continue;
      const std::string what = std::string(ending ? "ended at" : "failed") + " call " +
                               std::to_string(n) + "\n" + Difference(gone, Machine(false));
      ASSERT_TRUE(reg::KeyExists(HKEY_LOCAL_MACHINE, kKeys[4][1]))
          << "without its record: " << what;
      failingcalls::Reset();
      Uninstall();
      Restart();
      ASSERT_TRUE(Machine(false) == gone)
          << "not removed through its record: " << what << Difference(gone, Machine(false));
    }
  }
  std::cout << "swept " << swept << " calls of the uninstallation (" << calls
            << "), each failed and each ended\n";
}

}  // namespace
