// The real Setup.exe installs from a medium on a drive of its own, is
// checked against the medium's plan, installs again over itself and is
// removed through its uninstall record; every installation that fails on the
// way leaves nothing behind and ends the program after its messages.
// install_e2e.sh writes the media, maps the drives and runs this program.
#include <gtest/gtest.h>
#include <objbase.h>
#include <sddl.h>
#include <shlobj.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <memory>
#include <set>

#include "DeleteAtRestart.h"
#include "DialogDriver.h"
#include "InstallSession.h"
#include "InstalledProduct.h"
#include "RegistryValues.h"
#include "SetupLock.h"
#include "StartupProcesses.h"
#include "TempFolder.h"
#include "Utf.h"
#include "WizardView.h"

namespace {

using e2e::InstallOutcome;
using e2e::SetupChoice;
namespace reg = testregistry;

constexpr uint64_t kImageSize = 174236370;
const char kFailed[] =
    "В процессе установки произошла ошибка.\r"
    "Программа не была установлена на Ваш компьютер.\r"
    "Попробуйте закрыть все выполняющиеся приложения, перезагрузить компьютер и запустите "
    "программу установки повоторно.";
const e2e::Message kFailedMessage = {"Ошибка в процессе установки", kFailed};
const char kSetupTitle[] = "Установка Карты Тальмирской области 2.0";
const std::string kSessionManager = "System\\CurrentControlSet\\Control\\Session Manager";

std::string Env(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

std::string CopyError(const std::string& container, const char* end) {
  return "Не удается скопировать файл\r" + container + end + "\rПродолжение установки невозможно" +
         end;
}

std::string Describe(const std::vector<e2e::Message>& messages) {
  std::string text;
  for (const auto& m : messages) text += "[" + m.caption + "] " + m.text + "\n";
  return text;
}

// What Wine keeps of an access list is the Unix mode: the owner's entry and
// Everyone's (`others`: "0x1301ff" gives 0777, "0x1200a9" 0755).
void SetModeOfOthers(const std::string& folder, const std::string& others) {
  HANDLE token = nullptr;
  ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token));
  BYTE user[SECURITY_MAX_SID_SIZE + sizeof(TOKEN_USER)];
  DWORD size = 0;
  const BOOL got = GetTokenInformation(token, TokenUser, user, sizeof user, &size);
  CloseHandle(token);
  wchar_t* sid = nullptr;
  ASSERT_TRUE(got && ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(user)->User.Sid, &sid));
  const std::wstring sddl =
      L"D:(A;;FA;;;" + std::wstring(sid) + L")(A;;" + toolkit::Widen(others) + L";;;WD)";
  LocalFree(sid);
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl.c_str(), SDDL_REVISION_1,
                                                                   &descriptor, nullptr));
  const BOOL set =
      SetFileSecurityW(toolkit::Widen(folder).c_str(), DACL_SECURITY_INFORMATION, descriptor);
  LocalFree(descriptor);
  ASSERT_TRUE(set);
}

class Installation : public testing::Test {
 protected:
  void SetUp() override {
    if (medium_.empty() || media_.empty()) GTEST_SKIP() << "run through install_e2e.sh";
    CoInitialize(nullptr);
    ASSERT_FALSE(reg::KeyExists(HKEY_LOCAL_MACHINE, e2e::UninstallKey()))
        << "the product is installed already";
  }
  void TearDown() override { CoUninitialize(); }

  std::wstring Program(const std::string& folder) const {
    return toolkit::Widen(folder + "Setup.exe");
  }

  void ExpectInstalled(const InstallOutcome& outcome, const std::string& plan, bool image);
  void ExpectEarlierInstallationSurvives(const InstallOutcome& installed);

  const std::string medium_ = Env("INSTALL_E2E_MEDIUM");  // "M:\"
  const std::string media_ = Env("INSTALL_E2E_MEDIA");    // plans and the failing media
};

void Installation::ExpectInstalled(const InstallOutcome& outcome, const std::string& plan,
                                   bool image) {
  const std::string& d = outcome.directory;
  ASSERT_TRUE(outcome.completed) << Describe(outcome.messages);
  EXPECT_TRUE(outcome.ended) << "the program must end on \"Готово\"";
  EXPECT_EQ(outcome.exitCode, 0u);
  EXPECT_TRUE(outcome.messages.empty()) << Describe(outcome.messages);
  // Keys must reach the one button the page shows.
  if (!outcome.completionFocus.empty()) {
    EXPECT_EQ(outcome.completionFocus, "Готово");
  }

  std::map<std::string, e2e::FileFacts> expected = e2e::ReadPlan(media_ + plan);
  ASSERT_FALSE(expected.empty()) << plan;
  expected["Setup.exe"] = e2e::FactsOf(medium_ + "Setup.exe");
  if (image) {
    expected["Map.maptl"] = {
        kImageSize,
        uint32_t(std::stoul(testfiles::ReadTextFile(media_ + "image.crc"), nullptr, 16))};
  }
  std::vector<std::string> folders;
  const auto installed = e2e::FilesBelow(d, &folders);
  std::vector<std::string> missing, extra;
  for (const auto& [path, facts] : expected) {
    const auto found = installed.find(path);
    if (found == installed.end()) {
      missing.push_back(path);
      continue;
    }
    EXPECT_EQ(found->second.size, facts.size) << path;
    EXPECT_EQ(found->second.crc, facts.crc) << path;
  }
  for (const auto& entry : installed) {
    if (!expected.count(entry.first)) extra.push_back(entry.first);
  }
  EXPECT_EQ(missing, std::vector<std::string>()) << "in " << d;
  EXPECT_EQ(extra, std::vector<std::string>()) << "in " << d;
  std::sort(folders.begin(), folders.end());
  EXPECT_EQ(folders,
            (std::vector<std::string>{"DataBase", "Docs", "Docs\\Help", "Docs\\Legend", "Icons"}));
  e2e::ExpectRecords(d, medium_);
  e2e::ExpectFileTypes(d);
  e2e::ExpectLinks(d);
}

// A registry key under which only volatile keys can be made: the file type
// of that class ("maptlFILE": after "maptldb" has been written) cannot be
// written.
class VolatileClassKey {
 public:
  explicit VolatileClassKey(std::string name = "maptlFILE") : name_(std::move(name)) {
    reg::DeleteKeyTree(HKEY_CLASSES_ROOT, name_);
    RegCreateKeyExW(HKEY_CLASSES_ROOT, toolkit::Widen(name_).c_str(), 0, nullptr,
                    REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr, &key_, nullptr);
  }
  ~VolatileClassKey() {
    if (key_) RegCloseKey(key_);
    reg::DeleteKeyTree(HKEY_CLASSES_ROOT, name_);
  }
  // Whether the emulator refuses a lasting key below it.
  bool Refuses() const {
    HKEY probe = nullptr;
    const LSTATUS status = RegCreateKeyExW(key_, L"probe", 0, nullptr, REG_OPTION_NON_VOLATILE,
                                           KEY_ALL_ACCESS, nullptr, &probe, nullptr);
    if (status == ERROR_SUCCESS) RegCloseKey(probe);
    return key_ && status != ERROR_SUCCESS;
  }

 private:
  std::string name_;
  HKEY key_ = nullptr;
};

void WritePendingOperations(const std::vector<std::string>& strings) {
  std::wstring text;
  for (const std::string& s : strings) text += toolkit::Widen(s) + L'\0';
  text += L'\0';
  HKEY key = nullptr;
  RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"System\\CurrentControlSet\\Control\\Session Manager", 0,
                  nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
  RegSetValueExW(key, L"PendingFileRenameOperations", 0, REG_MULTI_SZ,
                 reinterpret_cast<const BYTE*>(text.data()), DWORD(text.size() * sizeof(wchar_t)));
  RegCloseKey(key);
}

// Runs that must leave the installation in `outcome` as it was, or at least
// the records an earlier installation made; and a folder an uninstallation
// left to the next restart is taken back by the next installation.
void Installation::ExpectEarlierInstallationSurvives(const InstallOutcome& installed) {
  const std::string& d = installed.directory;
  {
    SCOPED_TRACE("the medium inside the install folder");
    testfiles::MakeFolder(d + "\\disc");
    ASSERT_TRUE(CopyFileW(Program(medium_).c_str(), toolkit::Widen(d + "\\disc\\Setup.exe").c_str(),
                          FALSE));
    const InstallOutcome outcome = e2e::Install(Program(d + "\\disc\\"), {});
    EXPECT_FALSE(outcome.completed);
    EXPECT_EQ(Describe(outcome.messages), Describe({kFailedMessage}));
    EXPECT_TRUE(testfiles::IsFile(d + "\\disc\\Setup.exe")) << "the medium was deleted";
    DeleteFileW(toolkit::Widen(d + "\\disc\\Setup.exe").c_str());
    RemoveDirectoryW(toolkit::Widen(d + "\\disc").c_str());
    ExpectInstalled(installed, "good.plan", true);
  }
  {
    SCOPED_TRACE("a damaged medium over a working installation");
    e2e::InstallOptions options;
    options.choice = SetupChoice::Minimal;
    const InstallOutcome outcome = e2e::Install(Program(media_ + "badcrc\\"), options);
    EXPECT_EQ(Describe(outcome.messages),
              Describe({{"Ошибка", CopyError(media_ + "badcrc\\Map.maptl", ".")}, kFailedMessage}));
    ExpectInstalled(installed, "good.plan", true);
  }
  {
    SCOPED_TRACE("the very first registry write fails");
    VolatileClassKey refusing("maptldbFILE");
    e2e::InstallOptions options;
    options.choice = SetupChoice::CustomWithNeither;
    const InstallOutcome outcome = e2e::Install(Program(medium_), options);
    EXPECT_EQ(Describe(outcome.messages), Describe({kFailedMessage}));
    EXPECT_EQ(reg::ReadString(HKEY_CLASSES_ROOT, ".maptl", "").value_or(""), "maptlFILE");
    EXPECT_TRUE(reg::KeyExists(HKEY_LOCAL_MACHINE, e2e::UninstallKey()));
    e2e::ExpectLinks(d);
    testfiles::MakeFolder(d);  // for the user's file the next installation replaces
  }
  // What the system is to delete at the next restart, as an uninstallation
  // with files in use leaves it, with another program's entry among it.
  WritePendingOperations(
      {"\\??\\" + d + "\\Map.exe", "", "\\??\\C:\\other\\a.tmp", "", "\\??\\" + d, ""});
}

TEST_F(Installation, InstallsEachSetupTypeReplacesItselfAndUninstalls) {
  const struct {
    SetupChoice choice;
    bool bde, image;
    int position, maximum;
    bool uninstallAfter;
  } rows[] = {
      {SetupChoice::Full, true, true, 181, 182, false},
      // Into the same folder again: the first installation's files go.
      {SetupChoice::Minimal, true, false, 15, 15, true},
      {SetupChoice::CustomWithNeither, false, false, 9, 9, true},
      {SetupChoice::CustomWithoutBde, false, true, 175, 176, true},
  };
  std::string previous;
  std::unique_ptr<reg::SavedValue> pending;
  for (const auto& row : rows) {
    SCOPED_TRACE("setup type " + std::to_string(int(row.choice)));
    if (!previous.empty()) testfiles::WriteTextFile(previous + "\\added by the user.txt", "x");
    e2e::InstallOptions options;
    options.choice = row.choice;
    const InstallOutcome outcome = e2e::Install(Program(medium_), options);
    ExpectInstalled(outcome, row.bde ? "good.plan" : "good.plan-nobde", row.image);
    EXPECT_EQ(outcome.position, row.position);
    EXPECT_EQ(outcome.maximum, row.maximum);
    previous = outcome.directory;
    if (row.choice == SetupChoice::Full) {
      pending = std::make_unique<reg::SavedValue>(HKEY_LOCAL_MACHINE, kSessionManager,
                                                  "PendingFileRenameOperations");
      ExpectEarlierInstallationSurvives(outcome);
    } else if (pending) {
      EXPECT_EQ(reg::PendingDeletionsAtRestart(), std::vector<std::string>{"C:\\other\\a.tmp"});
      pending.reset();
    }
    if (!row.uninstallAfter) continue;
    EXPECT_EQ(e2e::UninstallThroughRecord(), "");
    e2e::ExpectNothingOfTheProduct(outcome.directory);
    previous.clear();
  }
}

// The whole of it with the keyboard alone: each key must find the focus on
// a control it can work (also after a message box and after a disabled or
// hidden button), and Enter presses the default button from anywhere. Setup
// types: 0 Минимальная, 1 Полная, 2 custom (here without database support).
TEST_F(Installation, ByKeyboardAloneFromWelcomeToUninstalled) {
  const struct {
    WORD key, held;
    const char *page, *focus;
    int type;
  } walk[] = {
      {0, 0, "Start", "Далее >", 1},
      {VK_ESCAPE, 0, "Start", "Далее >", 1},
      {VK_RETURN, 0, "SelectDirectory", "Далее >", 1},
      {VK_TAB, VK_SHIFT, "SelectDirectory", "< Назад", 1},
      {VK_SPACE, 0, "Start", "Далее >", 1},
      {VK_RETURN, 0, "SelectDirectory", "Далее >", 1},
      {VK_TAB, 0, "SelectDirectory", "Отмена", 1},
      {VK_TAB, 0, "SelectDirectory", "Обзор...", 1},
      {VK_TAB, 0, "SelectDirectory", "ListBox", 1},
      {VK_HOME, 0, "SelectDirectory", "ListBox", 1},
      {VK_DOWN, 0, "SelectDirectory", "ListBox", 1},
      {VK_DOWN, 0, "SelectDirectory", "ListBox", 1},
      {VK_SPACE, 0, "SelectDirectory", "ListBox", 2},
      {VK_F4, VK_MENU, "SelectDirectory", "Выход", 2},  // the close question
      {VK_ESCAPE, 0, "SelectDirectory", "ListBox", 2},  // No
      {VK_TAB, 0, "SelectDirectory", "ComboBox", 2},
      {VK_UP, 0, "SelectDirectory", "ComboBox", 1},
      {VK_UP, 0, "SelectDirectory", "ComboBox", 0},
      {VK_RETURN, 0, "StartCopyingFiles", "Далее >", 0},
      {VK_RETURN, 0, "InstallCompleted", "Готово", 0},
  };
  const std::wstring program = Program(medium_);
  e2e::Process setup = e2e::Start(program, L"", program.substr(0, program.rfind(L'\\') + 1));
  const e2e::WizardView w(e2e::FindProgramWindow(setup.Id(), e2e::kInstallCaption, 30000));
  // A control by its caption or class, a dialog by its caption.
  const auto focusIs = [&](const std::string& what) {
    HWND focus = w.Focus();
    return dialogdriver::WindowText(focus) == what || dialogdriver::ClassName(focus) == what ||
           dialogdriver::WindowText(GetAncestor(focus, GA_ROOT)) == what;
  };
  for (const auto& step : walk) {
    if (step.key) e2e::PressOnKeyboard(step.key, step.held);
    const bool database = step.type != 2, mapImage = step.type != 0;
    // A key goes where the focus is when it is pressed: the next one waits.
    ASSERT_TRUE(e2e::WaitUntil(
        [&] {
          const auto items = w.CheckItems();
          return items.size() == 4 && w.CurrentPage() == step.page && focusIs(step.focus) &&
                 w.SetupType() == step.type && items[2].checked == database &&
                 items[3].checked == mapImage;
        },
        180000))
        << "after key " << step.key << ": page " << w.CurrentPage() << ", focus on \""
        << dialogdriver::WindowText(w.Focus()) << "\", setup type " << w.SetupType();
  }
  const std::string directory = dialogdriver::WindowText(
      FindWindowExW(w.Container("Установить в папку"), nullptr, L"TalmirLabel", nullptr));
  e2e::PressOnKeyboard(VK_RETURN);
  InstallOutcome outcome;
  outcome.completed = true;
  outcome.ended = setup.WaitForExit(30000);
  GetExitCodeProcess(setup.Handle(), &outcome.exitCode);
  outcome.directory = directory;
  ExpectInstalled(outcome, "good.plan", false);
  EXPECT_EQ(e2e::UninstallThroughRecord(nullptr, true), "");
  e2e::ExpectNothingOfTheProduct(directory);
}

// Fills a drive up to `leave` free bytes while it lives.
class Filler {
 public:
  Filler(const std::string& drive, uint64_t leave) : path_(drive + "\\filler.bin") {
    ULARGE_INTEGER available{};
    GetDiskFreeSpaceExW(toolkit::Widen(drive + "\\").c_str(), &available, nullptr, nullptr);
    HANDLE file = CreateFileW(toolkit::Widen(path_).c_str(), GENERIC_WRITE, 0, nullptr,
                              CREATE_ALWAYS, 0, nullptr);
    std::vector<char> block(1 << 20, 'f');
    DWORD written = 0;
    for (uint64_t left = available.QuadPart - leave; left >= block.size(); left -= block.size())
      WriteFile(file, block.data(), DWORD(block.size()), &written, nullptr);
    CloseHandle(file);
  }
  ~Filler() { DeleteFileW(toolkit::Widen(path_).c_str()); }

 private:
  std::string path_;
};

TEST_F(Installation, EveryFailureLeavesNothingAndEndsTheProgram) {
  const std::string smallDrive = Env("INSTALL_E2E_SMALL_DRIVE");  // "T:" or empty
  const std::string product = e2e::kProductName;
  const std::string programFiles = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
  const struct Row {
    const char* what;
    std::string medium;
    SetupChoice choice;
    std::vector<e2e::Message> messages;
    std::string programFilesDir;  // where the wizard proposes to install; "" as it is
    int retries;
  } rows[] = {
      {"no container",
       "nomap\\",
       SetupChoice::Minimal,
       {{"Ошибка", CopyError(media_ + "nomap\\Map.maptl", ".")}, kFailedMessage},
       "",
       0},
      {"a container without archive",
       "exact\\",
       SetupChoice::Full,
       {{"Ошибка", CopyError(media_ + "exact\\Map.maptl", ".")}, kFailedMessage},
       "",
       0},
      {"a damaged archive",
       "damaged\\",
       SetupChoice::Minimal,
       {{"Ошибка", CopyError(media_ + "damaged\\Map.maptl", ".")}, kFailedMessage},
       "",
       0},
      {"a member with a bad CRC",
       "badcrc\\",
       SetupChoice::Minimal,
       {{"Ошибка", CopyError(media_ + "badcrc\\Map.maptl", ".")}, kFailedMessage},
       "",
       0},
      // Found by the check of the medium before anything is written.
      {"a database-support member with a bad CRC",
       "badbde\\",
       SetupChoice::Full,
       {{"Ошибка", CopyError(media_ + "badbde\\Map.maptl", ".")}, kFailedMessage},
       "",
       0},
      {"a folder that cannot be created",
       "good\\",
       SetupChoice::Minimal,
       {{"Ошибка", "Не удается создать папку \r" + media_ + "missing\\" + product},
        {"Ошибка", "Не удается создать папку \r" + media_ + "missing\\" + product},
        kFailedMessage},
       media_ + "missing",
       1},
      {"a file of the user's where the folder goes",
       "good\\",
       SetupChoice::Minimal,
       {{"Ошибка", "Не удается создать папку \r" + media_ + "blocked\\" + product}, kFailedMessage},
       media_ + "blocked",
       0},
      // The medium's broken database-support member is never read here.
      {"a registry write", "badbde\\", SetupChoice::CustomWithNeither, {kFailedMessage}, "", 0},
      {"a disk that fills during the image copy",
       "fill\\",
       SetupChoice::CustomWithoutBde,
       {{"Ошибка", CopyError(media_ + "fill\\Map.maptl", "")}, kFailedMessage},
       smallDrive + "\\",
       0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    const bool registry = std::string(row.what) == "a registry write";
    const bool disk = row.medium == "fill\\";
    if (disk && smallDrive.empty()) {
      std::cout << "[ SKIPPED  ] " << row.what << ": no small drive (tmpfs cannot be mounted)\n";
      continue;
    }
    std::unique_ptr<VolatileClassKey> volatileKey;
    if (registry) {
      volatileKey = std::make_unique<VolatileClassKey>();
      ASSERT_TRUE(volatileKey->Refuses())
          << "the emulator accepts lasting keys below volatile ones";
    }
    std::unique_ptr<reg::SavedValue> proposed;
    if (!row.programFilesDir.empty()) {
      proposed =
          std::make_unique<reg::SavedValue>(HKEY_LOCAL_MACHINE, programFiles, "ProgramFilesDir");
      proposed->SetString(row.programFilesDir);
    }
    // The roll-back must not take a file that only stood in the way.
    const std::string inTheWay =
        row.programFilesDir == media_ + "blocked" ? row.programFilesDir + "\\" + product : "";
    if (!inTheWay.empty()) {
      CreateDirectoryW(toolkit::Widen(row.programFilesDir).c_str(), nullptr);
      HANDLE file = CreateFileW(toolkit::Widen(inTheWay).c_str(), GENERIC_WRITE, 0, nullptr,
                                CREATE_ALWAYS, 0, nullptr);
      ASSERT_NE(file, INVALID_HANDLE_VALUE);
      CloseHandle(file);
    }
    std::unique_ptr<Filler> filler;
    e2e::InstallOptions options;
    options.choice = row.choice;
    options.retries = row.retries;
    // Another program takes the space after the wizard has checked it.
    if (disk) {
      options.onPage = [&](const std::string& page) {
        if (page == "StartCopyingFiles") filler = std::make_unique<Filler>(smallDrive, 60 << 20);
      };
    }
    const InstallOutcome outcome = e2e::Install(Program(media_ + row.medium), options);
    EXPECT_FALSE(outcome.completed);
    EXPECT_TRUE(outcome.ended) << "the program must end after its messages";
    EXPECT_EQ(outcome.exitCode, 2u);
    ASSERT_EQ(outcome.messages.size(), row.messages.size()) << Describe(outcome.messages);
    for (size_t i = 0; i < row.messages.size(); ++i) {
      EXPECT_EQ(outcome.messages[i].caption, row.messages[i].caption);
      EXPECT_EQ(outcome.messages[i].text, row.messages[i].text);
    }
    ASSERT_FALSE(outcome.directory.empty());
    if (!inTheWay.empty()) {
      const DWORD attributes = GetFileAttributesW(toolkit::Widen(inTheWay).c_str());
      EXPECT_TRUE(attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY))
          << "the user's file is gone";
      DeleteFileW(toolkit::Widen(inTheWay).c_str());
    }
    e2e::ExpectNothingOfTheProduct(outcome.directory);
    if (disk) {
      filler.reset();
      EXPECT_EQ(e2e::FilesBelow(smallDrive, nullptr).size(), 0u) << "left on the small drive";
    }
  }
}

struct WindowOf {
  DWORD process;
  bool found;
};

BOOL CALLBACK FindWindowOf(HWND window, LPARAM data) {
  auto* search = reinterpret_cast<WindowOf*>(data);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner == search->process) search->found = true;
  return !search->found;
}

// Any top-level window of the process, shown or hidden.
bool HasWindow(DWORD processId) {
  WindowOf search{processId, false};
  EnumWindows(&FindWindowOf, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// Starts a command line as a script would; with `output`, the program's
// standard output is a pipe whose reading end that becomes.
e2e::Process StartUnattended(const std::string& commandLine, HANDLE* output = nullptr) {
  std::wstring line = toolkit::Widen(commandLine);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  HANDLE write = nullptr;
  if (output) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    CreatePipe(output, &write, &inherit, 0);
    SetHandleInformation(*output, HANDLE_FLAG_INHERIT, 0);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = write;
  }
  PROCESS_INFORMATION info{};
  const BOOL started = CreateProcessW(nullptr, line.data(), nullptr, nullptr, output != nullptr, 0,
                                      nullptr, nullptr, &startup, &info);
  if (write) CloseHandle(write);
  if (!started) {
    ADD_FAILURE() << "does not start: " << commandLine;
    return e2e::Process();
  }
  CloseHandle(info.hThread);
  return e2e::Process(info.hProcess, info.dwProcessId);
}

// Adds the caption of every top-level window on the screen (visible, of some
// size) that is not this test's: the run and its copy are the only programs
// that come and go meanwhile. (The application's window of no size, which
// carries the taskbar button, is not on the screen.)
BOOL CALLBACK AddCaption(HWND window, LPARAM captions) {
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  RECT r{};
  if (owner == GetCurrentProcessId() || !IsWindowVisible(window) || !GetWindowRect(window, &r) ||
      r.right <= r.left || r.bottom <= r.top)
    return TRUE;
  wchar_t text[256] = {};
  GetWindowTextW(window, text, 256);
  reinterpret_cast<std::set<std::string>*>(captions)->insert(toolkit::Narrow(text));
  return TRUE;
}

// Waits for a started run and returns its exit code, watching meanwhile for
// any window of it or of its relocated copy.
int FinishUnattended(const e2e::Process& process, bool& sawWindow) {
  if (!process.Valid()) return -1;
  sawWindow = false;
  const ULONGLONG deadline = GetTickCount64() + 120000;
  auto look = [&] {
    if (HasWindow(process.Id())) sawWindow = true;
    for (const e2e::Process& copy : e2e::FindProcesses(L"Duv20Izeviruvu.exe"))
      if (HasWindow(copy.Id())) sawWindow = true;
  };
  while (!process.WaitForExit(20) && GetTickCount64() < deadline) look();
  // The copy finishes the install folder once its starter has ended.
  for (e2e::Process& copy : e2e::FindProcesses(L"Duv20Izeviruvu.exe")) {
    while (!copy.WaitForExit(20) && GetTickCount64() < deadline) look();
  }
  DWORD code = DWORD(-1);
  GetExitCodeProcess(process.Handle(), &code);
  return int(code);
}

// Runs a command line with "/PASSIVE": its exit code, and the captions of the
// windows on the screen meanwhile (the relocated copy's while its starter
// waits for it), looked at as often as the system lets.
int RunPassive(const std::string& commandLine, std::set<std::string>& captions) {
  const e2e::Process process = StartUnattended(commandLine);
  while (process.Valid() && !process.WaitForExit(1))
    EnumWindows(&AddCaption, reinterpret_cast<LPARAM>(&captions));
  bool window = false;
  return FinishUnattended(process, window);
}

int RunUnattended(const std::string& commandLine, bool& sawWindow) {
  return FinishUnattended(StartUnattended(commandLine), sawWindow);
}

std::string WithSlashes(std::string path) {
  std::replace(path.begin(), path.end(), '\\', '/');
  return path;
}

std::string LastLine(const std::string& file) {
  std::string text = testfiles::ReadTextFile(file);
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  return text.substr(text.rfind('\n') + 1);
}

TEST_F(Installation, UnattendedRunsShowNoWindowAndTellTheirResult) {
  testfiles::TempFolder temp;
  const std::string folder = temp / "Мои программы и карты";
  testfiles::MakeFolder(folder);
  const std::string d = folder + "\\" + e2e::kProductName;
  const std::string log = temp / "установка.log";
  const std::string wizard = "\"" + medium_ + "Setup.exe\" \"/LOG=" + log + "\"";
  const std::string setup = wizard + " /S";
  bool window = false;

  // Every exit path before anything is done: its code, and its reason as the
  // last line of the log it goes to (the default log when the one asked for
  // cannot be opened or lies in the install folder).
  const std::string defaultLog =
      toolkit::Narrow(e2e::TempFolder()) + e2e::kProductName + " Setup.log";
  // Deep enough that the product's folder with its longest path passes 259.
  const std::string deep = folder + "\\" + std::string(100, 'a') + "\\" + std::string(60, 'b');
  testfiles::MakeFolder(folder + "\\" + std::string(100, 'a'));
  testfiles::MakeFolder(deep);
  const struct {
    std::string line;
    const std::string& log;
    const char* last;
  } exits[] = {
      {setup + " /COMPONENTS=help,maps", log, "bad command line: unknown component"},
      {setup + " /D=Программы", log, "not an absolute path"},
      {setup + " /D=", log, "/D= names no folder"},
      {setup + " /DIR=" + folder, log, "unknown switch /DIR="},
      {setup + " /COMPONENT=image", log, "unknown switch /COMPONENT=image"},
      {setup + " /COMPONENTS= image", log, "not a switch: image"},
      {setup + " /s", log, "switch given twice: /s"},
      {setup + " /D=" + folder + " \"/LOG=" + log + "\"", log, "cannot hold a quote"},
      {setup + " /D=" + folder + "\\нет", log, "bad command line: "},
      {wizard + " /D=" + folder + " /S", log, "bad command line: "},
      {wizard + " /D=" + folder + "\\нет\\.", log, "bad command line: "},
      {"\"" + medium_ + "Setup.exe\" /S \"/LOG=" + d + "\\Setup.log\" /D=" + folder, defaultLog,
       "inside the install folder"},
      {"\"" + medium_ + "Setup.exe\" /S \"/LOG=" + folder + "\"", defaultLog, "cannot be opened"},
      {setup + " /D=" + deep, log, "the installation would pass the system's limit of 259"},
  };
  for (const auto& exit : exits) {
    SCOPED_TRACE(exit.line);
    EXPECT_EQ(RunUnattended(exit.line, window), 3);
    EXPECT_FALSE(window);
    EXPECT_NE(LastLine(exit.log).find(exit.last), std::string::npos) << LastLine(exit.log);
    e2e::ExpectNothingOfTheProduct(d);
  }

  // A damaged member: nothing stays, and the log's last line names it.
  const std::string damaged = "\"" + media_ + "badcrc\\Setup.exe\" /s \"/LOG=" + log + "\"";
  EXPECT_EQ(RunUnattended(damaged + " /D=" + folder, window), 2);
  EXPECT_NE(LastLine(log).find("installation failed: "), std::string::npos) << LastLine(log);
  EXPECT_NE(LastLine(log).find("was not extracted: its data is damaged"), std::string::npos)
      << LastLine(log);
  e2e::ExpectNothingOfTheProduct(d);

  // While another run holds the setup lock a silent run waits for it, and
  // gives up after a minute; the wizard says so and ends at once.
  auto lock = std::make_unique<TSetupLock>(0);
  ASSERT_TRUE(lock->Held());
  {
    e2e::Process refused = StartUnattended(wizard);
    HWND box = nullptr;
    e2e::WaitUntil(
        [&] { return (box = dialogdriver::FindTopLevelWindow(kSetupTitle, refused.Id())); }, 30000);
    ASSERT_TRUE(box) << "no message that the setup is running already";
    EXPECT_EQ(dialogdriver::Inspect(box).text,
              "Программа установки уже запущена.\r\nДождитесь окончания её работы.");
    EXPECT_EQ(dialogdriver::VisibleTopLevelWindows(refused.Id()).size(), 1u);
    dialogdriver::ClickButton(box, "OK");
    EXPECT_EQ(FinishUnattended(refused, window), 1618);
    EXPECT_NE(LastLine(log).find("not started: another run of the setup is going on"),
              std::string::npos)
        << LastLine(log);
  }
  EXPECT_EQ(RunUnattended(setup + " /D=" + folder, window), 1618);
  EXPECT_NE(LastLine(log).find("not started: another run of the setup did not end within 60 s"),
            std::string::npos)
      << LastLine(log);
  e2e::ExpectNothingOfTheProduct(d);

  // A folder others may delete or rename (Wine reports mode 0777 as Everyone
  // with delete) is refused before anything is done; at 0755 it is taken.
  SetModeOfOthers(folder, "0x1301ff");
  EXPECT_EQ(RunUnattended(setup + " /D=" + folder, window), 3);
  EXPECT_NE(LastLine(log).find("the folder " + folder + " can be changed by other users: "),
            std::string::npos)
      << LastLine(log);
  EXPECT_NE(LastLine(log).find("S-1-1-0) may delete or rename it"), std::string::npos)
      << LastLine(log);
  e2e::ExpectNothingOfTheProduct(d);
  SetModeOfOthers(folder, "0x1200a9");

  // Everything, into a folder named by the rest of the line, blanks and all,
  // and spelled with the other separator: recorded as the system reads it.
  e2e::Process waiting = StartUnattended(setup + " /D=" + WithSlashes(folder));
  EXPECT_FALSE(waiting.WaitForExit(3000)) << "it did not wait for the other run";
  EXPECT_FALSE(testfiles::Exists(d));
  lock.reset();
  EXPECT_EQ(FinishUnattended(waiting, window), 0);
  EXPECT_FALSE(window) << "a silent installation showed a window";
  e2e::InstallOutcome outcome;
  outcome.completed = outcome.ended = true;
  outcome.exitCode = 0;
  outcome.directory = d;
  ExpectInstalled(outcome, "good.plan", true);
  const std::string text = testfiles::ReadTextFile(log);
  for (const char* line : {"step: Копирование файлов... (progress 2 of 182)", "extracted: ",
                           "link: Справка -> ", "registry: HKEY_CLASSES_ROOT\\.maptl,"}) {
    EXPECT_NE(text.find(line), std::string::npos) << line;
  }
  EXPECT_NE(LastLine(log).find("installation completed"), std::string::npos);

  // Again, with the help alone: the components after the folder.
  EXPECT_EQ(RunUnattended(setup + " /COMPONENTS=Help \"/D=" + folder + "\\.\"", window), 0);
  EXPECT_FALSE(window);
  ExpectInstalled(outcome, "good.plan-nobde", false);

  // The uninstaller that cannot make the copy's folder in the temporary
  // folder (one that is not there) says so.
  const auto quiet =
      reg::ReadString(HKEY_LOCAL_MACHINE, e2e::UninstallKey(), "QuietUninstallString");
  ASSERT_TRUE(quiet);
  const std::wstring missing = toolkit::Widen(temp / "нет такой папки");
  wchar_t tmp[MAX_PATH] = {}, tempVariable[MAX_PATH] = {};
  GetEnvironmentVariableW(L"TMP", tmp, MAX_PATH);
  GetEnvironmentVariableW(L"TEMP", tempVariable, MAX_PATH);
  SetEnvironmentVariableW(L"TMP", missing.c_str());
  SetEnvironmentVariableW(L"TEMP", missing.c_str());
  EXPECT_EQ(RunUnattended(*quiet + " \"/LOG=" + log + "\"", window), 2);
  SetEnvironmentVariableW(L"TMP", tmp[0] ? tmp : nullptr);
  SetEnvironmentVariableW(L"TEMP", tempVariable[0] ? tempVariable : nullptr);
  EXPECT_NE(LastLine(log).find("uninstallation failed: cannot make a folder for the "
                               "uninstaller's copy in " +
                               toolkit::Narrow(missing)),
            std::string::npos)
      << LastLine(log);
  ExpectInstalled(outcome, "good.plan-nobde", false);

  // A record that names a folder not of the product: the folder stays, and
  // the run does not say that it removed the product.
  reg::WriteString(HKEY_LOCAL_MACHINE, e2e::UninstallKey(), "InstallLocation", folder);
  EXPECT_EQ(RunUnattended(*quiet + " \"/LOG=" + log + "\"", window), 2);
  EXPECT_NE(LastLine(log).find(folder + ": it is not a folder of the product"), std::string::npos)
      << LastLine(log);
  EXPECT_TRUE(testfiles::IsFolder(d));
  ASSERT_EQ(RunUnattended(setup + " /COMPONENTS=Help \"/D=" + folder + "\"", window), 0);

  // A file of the installation held open by another program: a new
  // installation completes all the same, and the folder it set aside goes at
  // the next restart, which the code asks for and the log's last line names.
  {
    const std::string help = d + "\\Docs\\Help\\Help.htm";
    HANDLE open = CreateFileW(toolkit::Widen(help).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(open, INVALID_HANDLE_VALUE);
    EXPECT_EQ(RunUnattended(setup + " /COMPONENTS=Help \"/D=" + folder + "\"", window), 3010);
    CloseHandle(open);
    const std::string last = LastLine(log);
    EXPECT_NE(last.find("left to the next restart: " + d + ".~"), std::string::npos) << last;
    ExpectInstalled(outcome, "good.plan-nobde", false);
    const size_t aside = last.find(d + ".~");
    if (aside != std::string::npos) {
      const std::string setAside = last.substr(aside, d.size() + 10);
      CancelDeletionsAtRestart(setAside);
      EXPECT_TRUE(DeleteNow(setAside)) << setAside;
    }
  }

  // A file held open by another program: the uninstallation completes, but
  // the folder goes at the next restart, which the code asks for and the
  // log's last line names.
  HANDLE held = CreateFileW(toolkit::Widen(d + "\\Docs\\Help\\Help.htm").c_str(), GENERIC_READ,
                            FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  EXPECT_EQ(RunUnattended(*quiet + " \"/LOG=" + log + "\"", window), 3010);
  EXPECT_FALSE(window) << "a silent uninstallation showed a window";
  EXPECT_NE(LastLine(log).find("left to the next restart: " + d + "\\Docs\\Help\\Help.htm"),
            std::string::npos)
      << LastLine(log);
  EXPECT_EQ(LastLine(log).find("Setup.exe"), std::string::npos) << LastLine(log);
  CloseHandle(held);
  CancelDeletionsAtRestart(d);
  ASSERT_TRUE(DeleteNow(d));

  // A silent uninstallation, and a silent installation queued behind it: the
  // uninstaller hands the lock to its copy, so the installation comes after
  // the removal and the product is installed in the end.
  ASSERT_EQ(RunUnattended(setup + " /COMPONENTS=Help \"/D=" + folder + "\"", window), 0);
  e2e::Process uninstalling = StartUnattended(*quiet);
  ASSERT_TRUE(e2e::WaitUntil([] { return !TSetupLock(0).Held(); }))
      << "the silent uninstallation never took the setup's lock";
  e2e::Process installing = StartUnattended(setup + " /COMPONENTS=Help \"/D=" + folder + "\"");
  EXPECT_EQ(FinishUnattended(uninstalling, window), 0);
  EXPECT_EQ(FinishUnattended(installing, window), 0);
  ExpectInstalled(outcome, "good.plan-nobde", false);

  // A name of the lock made first by a program that is no setup (without
  // administrator rights its owner is not Administrators): no run waits for
  // it or takes it, and the log says why.
  {
    HANDLE squatter = CreateSemaphoreW(nullptr, 0, 1, L"Global\\Talmir Map 2.0 Setup Lock");
    ASSERT_TRUE(squatter);
    const DWORD begin = GetTickCount();
    EXPECT_EQ(RunUnattended(setup + " /COMPONENTS=Help \"/D=" + folder + "\"", window), 2);
    EXPECT_LT(GetTickCount() - begin, 30000u) << "it waited for the squatted lock";
    EXPECT_NE(LastLine(log).find("made by a program without administrator rights"),
              std::string::npos)
        << LastLine(log);
    CloseHandle(squatter);
  }

  // A run ended from outside while it holds the lock (a wizard, which holds
  // it as long as it shows): the next run does not wait for it, takes the
  // lock and says it was abandoned. (A lock nobody looks at any more is
  // simply gone: the probe that failed to take it keeps it, as a waiting run
  // would.)
  {
    e2e::Process ended = StartUnattended(wizard);
    ASSERT_TRUE(ended.WaitForWindow(30000));
    TSetupLock probe(0);
    ASSERT_FALSE(probe.Held());
    TerminateProcess(ended.Handle(), 1);
    ASSERT_TRUE(ended.WaitForExit(10000));
    EXPECT_EQ(RunUnattended(setup + " /COMPONENTS=Help \"/D=" + folder + "\"", window), 0);
    EXPECT_NE(testfiles::ReadTextFile(log).find("the setup lock was abandoned"), std::string::npos);
  }

  // With "/PASSIVE" the progress window shows, and no other window, both
  // ways; each ends by itself.
  std::set<std::string> shown;
  EXPECT_EQ(RunPassive(wizard + " /PASSIVE \"/D=" + folder + "\"", shown), 0);
  EXPECT_EQ(shown, std::set<std::string>{"Установка..."});
  ExpectInstalled(outcome, "good.plan", true);
  shown.clear();
  std::string passive = *quiet;
  passive.replace(passive.rfind("/S"), 2, "/PASSIVE");
  EXPECT_EQ(RunPassive(passive, shown), 0);
  EXPECT_EQ(shown, std::set<std::string>{"Установка..."});
  e2e::ExpectNothingOfTheProduct(d);
  ASSERT_EQ(RunUnattended(setup + " /COMPONENTS=Help \"/D=" + folder + "\"", window), 0);

  // Away again through the record's quiet command, as deployment tools do.
  EXPECT_EQ(RunUnattended(*quiet, window), 0);
  EXPECT_FALSE(window) << "a silent uninstallation showed a window";
  e2e::ExpectNothingOfTheProduct(d);
  EXPECT_TRUE(TSetupLock(0).Held());

  // Only the relocating uninstaller hears the result: a script that reads the
  // standard output of an uninstaller it started itself gets nothing.
  const std::string other = temp / "Setup1.exe";
  ASSERT_TRUE(CopyFileW(Program(medium_).c_str(), toolkit::Widen(other).c_str(), FALSE));
  HANDLE output = nullptr;
  e2e::Process reading = StartUnattended("\"" + other + "\" /u /S", &output);
  std::string heard;
  char buffer[16];
  DWORD got = 0;
  while (ReadFile(output, buffer, sizeof buffer, &got, nullptr) && got) heard.append(buffer, got);
  CloseHandle(output);
  EXPECT_EQ(FinishUnattended(reading, window), 0);
  EXPECT_EQ(heard.size(), 0u);
}

// Files by path, size and CRC, and the records that find them: what a
// reinstallation that does not complete must leave as it found it.
std::string Facts(const std::string& d) {
  std::string text;
  for (const auto& [path, facts] : e2e::FilesBelow(d, nullptr))
    text += path + " " + std::to_string(facts.size) + " " + std::to_string(facts.crc) + "\n";
  for (const char* value : {"InstallLocation", "InstallFrom", "EstimatedSize"}) {
    const auto raw = reg::ReadRaw(HKEY_LOCAL_MACHINE, e2e::UninstallKey(), value);
    text += std::string(value) + " " +
            (raw ? std::string(raw->data.begin(), raw->data.end()) : "-") + "\n";
  }
  return text;
}

// Over a working installation the user has added to, on a small drive: a
// silent reinstallation and one in the wizard fail when the disk fills during
// the map image, and a silent one is ended half-way; each time the working
// installation is there as it was, the last one once the next start (a
// wizard closed on its first page) has undone the interrupted run.
TEST_F(Installation, AFailedOrEndedReinstallationKeepsTheWorkingOne) {
  const std::string drive = Env("INSTALL_E2E_SMALL_DRIVE");
  if (drive.empty()) GTEST_SKIP() << "no small drive (tmpfs cannot be mounted)";
  const std::string d = drive + "\\" + e2e::kProductName;
  const std::string fill = media_ + "fill\\";
  testfiles::TempFolder temp;
  const std::string log = temp / "setup.log";
  const std::string silent = "/S \"/LOG=" + log + "\" /D=" + drive + "\\";
  const std::wstring program = Program(fill);
  bool window = false;
  ASSERT_EQ(RunUnattended("\"" + fill + "Setup.exe\" /COMPONENTS=help " + silent, window), 0)
      << LastLine(log);
  testfiles::WriteTextFile(d + "\\мои пометки.txt", "the user's");
  const std::string working = Facts(d);
  const auto intact = [&](const std::string& what) {
    EXPECT_EQ(Facts(d), working) << what;
    EXPECT_EQ(reg::ReadString(HKEY_LOCAL_MACHINE, e2e::UninstallKey(), "InstallFrom"), fill);
    e2e::ExpectFileTypes(d);
    e2e::ExpectLinks(d);
    EXPECT_EQ(e2e::FilesBelow(drive + "\\", nullptr).size(), e2e::FilesBelow(d, nullptr).size())
        << what << ": something beside the installation on the drive";
  };
  {
    // Room for the check, not for the map image beside what is set aside.
    Filler filler(drive, 195 << 20);
    EXPECT_EQ(RunUnattended("\"" + fill + "Setup.exe\" " + silent, window), 2);
    EXPECT_NE(LastLine(log).find("installation failed: "), std::string::npos) << LastLine(log);
  }
  intact("silent, the disk full");
  {
    reg::SavedValue proposed(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion",
                             "ProgramFilesDir");
    proposed.SetString(drive + "\\");
    std::unique_ptr<Filler> filler;
    e2e::InstallOptions options;
    options.onPage = [&](const std::string& page) {
      if (page == "StartCopyingFiles") filler = std::make_unique<Filler>(drive, 60 << 20);
    };
    const InstallOutcome outcome = e2e::Install(program, options);
    EXPECT_EQ(Describe(outcome.messages),
              Describe({{"Ошибка", CopyError(fill + "Map.maptl", "")}, kFailedMessage}));
  }
  intact("the wizard, the disk full");
  {
    const std::string ended = temp / "ended.log";
    e2e::Process run =
        e2e::Start(program, toolkit::Widen("/S \"/LOG=" + ended + "\" /D=" + drive + "\\"),
                   toolkit::Widen(fill));
    ASSERT_TRUE(e2e::WaitUntil(
        [&] { return testfiles::ReadTextFile(ended).find("set aside: ") != std::string::npos; },
        60000));
    TerminateProcess(run.Handle(), 1);
    ASSERT_TRUE(run.WaitForExit(10000));
    ASSERT_NE(Facts(d), working) << "ended too late to show anything";
    e2e::Process wizard = e2e::Start(program, L"", toolkit::Widen(fill));
    const e2e::WizardView w(e2e::FindProgramWindow(wizard.Id(), e2e::kInstallCaption, 30000));
    ASSERT_TRUE(w.WaitForPage("Start"));
    w.Press(2);  // "Отмена" asks whether to leave
    HWND question = dialogdriver::WaitForWindow("Выход", 30000, wizard.Id());
    ASSERT_TRUE(question);
    EXPECT_TRUE(dialogdriver::ClickButton(question, "Да"));
    EXPECT_TRUE(wizard.WaitForExit(30000));
  }
  intact("ended half-way, then the wizard closed on its first page");
  EXPECT_EQ(e2e::UninstallThroughRecord(), "");
  e2e::ExpectNothingOfTheProduct(d);
}

}  // namespace

namespace {

// A journal planted where an earlier version kept it, in the user's own
// folder, is never read: the folder it names stays, and the run goes on.
TEST_F(Installation, AJournalPlantedInTheUsersFolderChangesNothing) {
  testfiles::TempFolder temp;
  const std::string folder = temp / "Программы";
  const std::string canary = temp / e2e::kProductName;
  testfiles::MakeFolder(folder);
  testfiles::MakeFolder(canary);
  testfiles::WriteTextFile(canary + "\\canary.txt", "the user's");
  const std::optional<std::string> local = reg::ReadString(
      HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders",
      "Local AppData");
  ASSERT_TRUE(local);
  const std::string planted = *local + "\\" + e2e::kProductName + " Setup.journal";
  const std::string journal = "install\t" + canary + "\nnew\t" + canary + "\n";
  testfiles::WriteTextFile(planted, journal);
  bool window = false;
  EXPECT_EQ(RunUnattended("\"" + medium_ + "Setup.exe\" /S /COMPONENTS=help /D=" + folder, window),
            0);
  EXPECT_EQ(testfiles::ReadTextFile(canary + "\\canary.txt"), "the user's");
  EXPECT_EQ(testfiles::ReadTextFile(planted), journal);
  EXPECT_EQ(e2e::UninstallThroughRecord(), "");
  EXPECT_EQ(testfiles::ReadTextFile(canary + "\\canary.txt"), "the user's");
  e2e::ExpectNothingOfTheProduct(folder + "\\" + e2e::kProductName);
  DeleteFileW(toolkit::Widen(planted).c_str());
}

}  // namespace

namespace {

// An installation ended half-way on a disk that is not there now cannot be
// undone: every run stops over it. A silent one ends with 2 and says why
// last in its log; the wizard says so and ends; nothing is installed.
TEST_F(Installation, AnUndoThatCannotFinishStopsEveryRun) {
  testfiles::TempFolder temp;
  const std::string folder = temp / "Программы";
  testfiles::MakeFolder(folder);
  wchar_t common[MAX_PATH];
  ASSERT_EQ(SHGetFolderPathW(nullptr, CSIDL_PROGRAM_FILES_COMMON, nullptr, 0, common), S_OK);
  const std::string journalFolder = toolkit::Narrow(common) + "\\" + e2e::kProductName;
  CreateDirectoryW(toolkit::Widen(journalFolder).c_str(), nullptr);
  const std::string journal = journalFolder + "\\Setup.journal";
  const std::string offline = std::string("Q:\\") + e2e::kProductName;
  testfiles::WriteTextFile(journal, "install\t" + offline + "\t\t\nnew\t" + offline + "\n");
  const std::string log = temp / "setup.log";
  bool window = false;
  EXPECT_EQ(RunUnattended("\"" + medium_ + "Setup.exe\" /S \"/LOG=" + log +
                              "\" /COMPONENTS=help /D=" + folder,
                          window),
            2);
  EXPECT_NE(LastLine(log).find("not started: the interrupted installation into " + offline),
            std::string::npos)
      << LastLine(log);
  e2e::Process wizard = e2e::Start(Program(medium_), L"", toolkit::Widen(medium_));
  HWND box = dialogdriver::WaitForWindow("Ошибка", 30000, wizard.Id());
  ASSERT_TRUE(box);
  EXPECT_EQ(dialogdriver::Inspect(box).text.find("Не удалось отменить прерванную установку"), 0u);
  EXPECT_TRUE(dialogdriver::ClickButton(box, "OK"));
  ASSERT_TRUE(wizard.WaitForExit(30000));
  DWORD code = 0;
  GetExitCodeProcess(wizard.Handle(), &code);
  EXPECT_EQ(code, 2u);
  EXPECT_EQ(testfiles::ReadTextFile(journal),
            "install\t" + offline + "\t\t\nnew\t" + offline + "\n");
  DeleteFileW(toolkit::Widen(journal).c_str());
  e2e::ExpectNothingOfTheProduct(folder + "\\" + e2e::kProductName);
}

// The demo viewer started from the install folder as its Map.exe, as a user
// leaves the viewer open; with `askSave` it asks whether to save the map
// when asked to close, and nobody answers.
e2e::Process StartViewer(const std::string& d, bool askSave) {
  const std::wstring viewer = toolkit::Widen(d + "\\Map.exe");
  EXPECT_TRUE(CopyFileW(toolkit::Widen(VIEWER_EXE_PATH).c_str(), viewer.c_str(), FALSE)) << d;
  e2e::Process started = e2e::Start(viewer, askSave ? L"/ASKSAVE" : L"", toolkit::Widen(d));
  EXPECT_TRUE(started.WaitForWindow(30000)) << "the viewer shows no window";
  return started;
}

// A viewer left open in the install folder: the wizard names it and closes
// it on "Да"; a silent run closes it by default and installs or uninstalls
// without leaving anything to the restart; kept open ("/NOCLOSEAPPLICATIONS",
// or a viewer that asks and gets no answer), the silent installation ends
// with 2 and changes nothing.
TEST_F(Installation, AViewerLeftOpenIsNamedAndClosed) {
  e2e::InstallOptions options;
  options.choice = SetupChoice::CustomWithNeither;
  InstallOutcome outcome = e2e::Install(Program(medium_), options);
  ExpectInstalled(outcome, "good.plan-nobde", false);
  const std::string d = outcome.directory;
  {
    e2e::Process viewer = StartViewer(d, false);
    outcome = e2e::Install(Program(medium_), options);
    ASSERT_EQ(outcome.messages.size(), 1u) << Describe(outcome.messages);
    EXPECT_EQ(outcome.messages[0].caption, "Файлы используются");
    EXPECT_EQ(outcome.messages[0].text,
              "Файлы папки\r" + d + "\rиспользуются программами:\r    " + e2e::kProductName +
                  "\rЗакрыть их и продолжить установку?\r«Повтор» — проверить снова, если вы "
                  "закрыли их сами.");
    EXPECT_TRUE(viewer.WaitForExit(0)) << "the viewer still runs";
    outcome.messages.clear();
    ExpectInstalled(outcome, "good.plan-nobde", false);
  }

  testfiles::TempFolder temp;
  const std::string log = temp / "setup.log";
  const std::string setup = "\"" + medium_ + "Setup.exe\" /S /COMPONENTS=help \"/LOG=" + log + "\"";
  const std::string parent = d.substr(0, d.rfind('\\'));
  const std::string named = std::string("\"") + e2e::kProductName + "\" (Map.exe, process ";
  const struct {
    bool askSave;
    const char* switches;
    int code;
  } rows[] = {
      {false, " /NOCLOSEAPPLICATIONS", 2},
      {true, "", 2},  // after 30 s for it to close
      {false, "", 0},
  };
  bool window = false;
  for (const auto& row : rows) {
    SCOPED_TRACE(std::string(row.switches) + (row.askSave ? " /ASKSAVE" : ""));
    e2e::Process viewer = StartViewer(d, row.askSave);
    const std::string before = Facts(d);
    EXPECT_EQ(RunUnattended(setup + row.switches + " /D=" + parent, window), row.code);
    EXPECT_FALSE(window);
    const std::string text = testfiles::ReadTextFile(log);
    EXPECT_NE(text.find("in use: files in " + d + " are held by " + named), std::string::npos)
        << text;
    EXPECT_EQ(text.find("closing: ") != std::string::npos, row.switches[0] == 0) << text;
    if (row.code == 0) {
      EXPECT_TRUE(viewer.WaitForExit(0)) << "the viewer still runs";
      ExpectInstalled(outcome, "good.plan-nobde", false);
      continue;
    }
    EXPECT_TRUE(viewer.Running()) << "the viewer was ended";
    EXPECT_NE(LastLine(log).find("installation failed: files in " + d + " are in use by " + named),
              std::string::npos)
        << LastLine(log);
    EXPECT_EQ(Facts(d), before);
  }

  // Uninstalled silently and told to leave it open: the viewer's files go at
  // the next restart, as they always did.
  const auto quiet =
      reg::ReadString(HKEY_LOCAL_MACHINE, e2e::UninstallKey(), "QuietUninstallString");
  ASSERT_TRUE(quiet);
  {
    e2e::Process kept = StartViewer(d, false);
    EXPECT_EQ(RunUnattended(*quiet + " /NOCLOSEAPPLICATIONS \"/LOG=" + log + "\"", window), 3010);
    EXPECT_TRUE(kept.Running()) << "the viewer was closed";
    const std::string last = LastLine(log);
    EXPECT_NE(last.find("left to the next restart: "), std::string::npos) << last;
    EXPECT_NE(last.find(d + "\\Map.exe"), std::string::npos) << last;
  }
  CancelDeletionsAtRestart(d);
  ASSERT_TRUE(DeleteNow(d));
  ASSERT_EQ(RunUnattended(setup + " /D=" + parent, window), 0);

  // Without that, the viewer is closed first, and nothing is left to the
  // next restart.
  e2e::Process viewer = StartViewer(d, false);
  EXPECT_EQ(RunUnattended(*quiet + " \"/LOG=" + log + "\"", window), 0);
  EXPECT_NE(testfiles::ReadTextFile(log).find("closing: \""), std::string::npos);
  EXPECT_NE(LastLine(log).find("uninstallation completed"), std::string::npos) << LastLine(log);
  EXPECT_TRUE(viewer.WaitForExit(0)) << "the viewer still runs";
  e2e::ExpectNothingOfTheProduct(d);
}

}  // namespace
