// Every call the installation and the uninstallation make to change the
// machine, failed in turn, and then once more each ending the process dead at
// that call and starting again; and a second fault: every call of the undo
// after a failure, and of the next start's recovery after an end, failed and
// ended in turn; a power cut at every call; the real program and the copy it
// relocates itself to, ended at every call of theirs. After each: the new
// installation is complete, or the machine is exactly as it was (files with
// their contents, the product's registry keys with the user's own values, the
// links, the temporary folder, the journal's folder, and what the restart
// would delete); after an uninstallation, whatever is left is still removable
// through its record. The earlier installation differs from the new one in
// its components, so that what comes back is told apart from what was
// written. A small medium: the container's image part is a hole with a few
// marked bytes.
#include "ComApartment.h"
#include "FailingSystemCalls.h"
#include "InstallLog.h"
#include "InstallTransaction.h"
#include "InstallationSequence.h"
#include "JournalFolder.h"
#include "JournalRules.h"
#include "KeySnapshot.h"
#include "MapContainer.h"
#include "ProductFolder.h"
#include "RegisterInWindows.h"
#include "RegistrySnapshot.h"
#include "RegistryValues.h"
#include "RunMode.h"
#include "ShellFoldersSandbox.h"
#include "SpecialFolders.h"
#include "TempFolder.h"
#include "UninstallSequence.h"
#include "Utf.h"
#include "ZipBuilder.h"
#include "uzUserInterface.h"

#include <gtest/gtest.h>

#include <aclapi.h>
#include <shlobj.h>
#include <sddl.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <iostream>
#include <map>
#include <optional>

namespace {

namespace reg = testregistry;
using failingcalls::Call;
using State = std::map<std::string, std::string>;

const std::string kProduct = "Карта Тальмирской области 2.0";
const char kSessionManager[] = "System\\CurrentControlSet\\Control\\Session Manager";
const char kPendingRenames[] = "PendingFileRenameOperations";
const std::string kUninstallKey = kProductKeys[4].path;

std::string Env(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

std::string TempPath() {
  const std::string folder = TemporaryFolder();
  return folder.substr(0, folder.size() - 1);
}

// A file's bytes; the map image's by their length and a hash.
std::string Content(const std::wstring& path) {
  std::string text;
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return "<unreadable>";
  std::string block(1 << 20, '\0');
  uint64_t hash = 14695981039346656037ull, length = 0;
  for (DWORD got; ReadFile(file, block.data(), DWORD(block.size()), &got, nullptr) && got;) {
    if (length < 65536) text.append(block, 0, got);
    for (DWORD i = 0; i < got; ++i) hash = (hash ^ uint8_t(block[i])) * 1099511628211ull;
    length += got;
  }
  CloseHandle(file);
  return length < 65536 ? text : std::to_string(length) + " bytes, hash " + std::to_string(hash);
}

// A link by what it does: its target, arguments, working folder and icon;
// empty when the file is no link.
std::string LinkContent(const std::wstring& path) {
  IShellLinkW* link = nullptr;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                              reinterpret_cast<void**>(&link))))
    return "";
  IPersistFile* file = nullptr;
  std::string content;
  if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file))) &&
      SUCCEEDED(file->Load(path.c_str(), STGM_READ))) {
    wchar_t target[MAX_PATH] = {}, arguments[1024] = {}, folder[MAX_PATH] = {}, icon[MAX_PATH] = {};
    int index = 0;
    link->GetPath(target, MAX_PATH, nullptr, SLGP_RAWPATH);
    link->GetArguments(arguments, 1024);
    link->GetWorkingDirectory(folder, MAX_PATH);
    link->GetIconLocation(icon, MAX_PATH, &index);
    content = "<link to " + toolkit::Narrow(target) + " (" + toolkit::Narrow(arguments) + ") in " +
              toolkit::Narrow(folder) + ", icon " + toolkit::Narrow(icon) + "," +
              std::to_string(index) + ">";
  }
  if (file) file->Release();
  link->Release();
  return content;
}

// Files (with their contents) and folders below `folder`, by relative path.
// A link holds the times of its target, which each installation makes anew:
// links compare by their bytes only where they must be the very same file,
// else by what they do.
void AddTree(const std::wstring& folder, const std::string& relative, bool linkBytes, State& state,
             const std::wstring& skip = std::wstring()) {
  WIN32_FIND_DATAW entry;
  HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &entry);
  if (find == INVALID_HANDLE_VALUE) return;
  do {
    const std::wstring name = entry.cFileName;
    if (name == L"." || name == L".." || name == skip) continue;
    const std::string path = relative + "\\" + toolkit::Narrow(name);
    if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      state[path] = "<folder>";
      AddTree(folder + L"\\" + name, path, linkBytes, state);
    } else if (!linkBytes && path.size() > 4 && path.compare(path.size() - 4, 4, ".lnk") == 0 &&
               !LinkContent(folder + L"\\" + name).empty()) {
      state[path] = LinkContent(folder + L"\\" + name);
    } else {
      state[path] = Content(folder + L"\\" + name);
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

std::string Utf16(const std::wstring& text) {
  return std::string(reinterpret_cast<const char*>(text.c_str()), (text.size() + 1) * 2);
}

// What the user added under the product's keys: a value of every type and a
// sub-key, where an installation overwrites the values beside them.
struct UserValue {
  HKEY root;
  std::string key;
  const wchar_t* name;
  DWORD type;
  std::string data;
};
// Longer than a first guess reads: kept whole by the journal all the same.
const std::wstring kLongName(300, L'n');
const UserValue kUserValues[] = {
    {HKEY_LOCAL_MACHINE, kUninstallKey, L"DisplayName", REG_SZ, Utf16(L"Карта (правка)")},
    {HKEY_LOCAL_MACHINE, kUninstallKey, kLongName.c_str(), REG_SZ, Utf16(std::wstring(900, L'v'))},
    {HKEY_LOCAL_MACHINE, kUninstallKey, L"Comments", REG_EXPAND_SZ, Utf16(L"%TEMP%\\заметка")},
    {HKEY_LOCAL_MACHINE, kUninstallKey, L"Contacts", REG_MULTI_SZ,
     Utf16(std::wstring(L"a\0б\0", 4))},
    {HKEY_LOCAL_MACHINE, kUninstallKey, L"Signature", REG_BINARY, std::string("\x00\x01\xff", 3)},
    {HKEY_LOCAL_MACHINE, kUninstallKey, L"VersionMajor", REG_DWORD, std::string("\x07\0\0\0", 4)},
    {HKEY_LOCAL_MACHINE, kUninstallKey + "\\Пользователь", L"", REG_SZ, Utf16(L"своё")},
    {HKEY_CLASSES_ROOT, "maptlFILE", L"", REG_SZ, Utf16(L"Моя карта")},
    {HKEY_CLASSES_ROOT, "maptlFILE\\Shell\\Open\\command", L"", REG_EXPAND_SZ, Utf16(L"x.exe %1")},
};

void AddUsersValues() {
  for (const UserValue& v : kUserValues) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(v.root, toolkit::Widen(v.key).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegSetValueExW(key, v.name, 0, v.type, reinterpret_cast<const BYTE*>(v.data.data()),
                   DWORD(v.data.size()));
    RegCloseKey(key);
  }
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

// Where each stage of an installation begins, as the first of its calls
// (counted by the seam): the view is told when one ends and the next begins.
// The copies' stage comes back after the map image's.
class StagedView : public SilentView {
 public:
  struct Start {
    int call;
    std::string stage;
  };
  std::vector<Start> starts;

  void SetActionText(const std::string& text) override {
    for (const auto& [action, stage] : kActions)
      if (text == action) Begin(stage);
  }
  void ShowBillboard(int billboard) override {
    if (billboard == 1) Begin("image copy");
  }
  void AdvanceProgress(int) override {
    if (!starts.empty() && starts.back().stage == "links") Begin("commit");
  }
  std::string StageOf(int call) const {
    std::string stage = "before";
    for (const Start& start : starts)
      if (start.call <= call) stage = start.stage;
    return stage;
  }

 private:
  static constexpr std::pair<const char*, const char*> kActions[] = {
      {"Подготовка к копированию файлов...", "folders"},
      {"Копирование файлов...", "extraction"},
      {"Запись значений в системный реестр...", "registry"},
      {"Создание ярлыков и программной группы...", "links"}};
  void Begin(const char* stage) {
    if (starts.empty() || starts.back().stage != stage)
      starts.push_back({failingcalls::AllCalls() + 1, stage});
  }
};

// The scratch machine: the install folder's parent, the medium, the user's
// special folders.
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

// The components of a run: the earlier installation has neither option.
enum Components { kEarlier, kFresh, kFull };

bool Install(const Places& at, Components components, TInstallView* shown = nullptr) {
  TInstallChoice choice;
  choice.directory = at.d;
  choice.source = at.medium;
  choice.program = at.medium + "Setup.exe";
  choice.components.Set(kDatabaseSupport, components != kEarlier);
  choice.components.Set(kMapImage, components == kFull);
  SilentView silent;
  TInstallLog noLog;
  return RunInstallationSequence(choice, shown ? *shown : silent, noLog);
}

TUninstallResult Uninstall() {
  TInstallLog noLog;
  return RunUninstallSequence([](const std::string&, int) {}, noLog);
}

bool StartAgain() {
  TInstallLog noLog;
  std::string why;
  return FinishInterruptedInstallation(noLog, &why);
}

// A full installation failed at a call of one of its stages, given by its
// kind and count (SWEEP_FIRST: "kind count" in a child): its undo has that
// stage's part of the work to take back.
using FirstFault = std::pair<Call, int>;
bool InstallFailingAt(const Places& at, FirstFault first) {
  failingcalls::FailNth(first.first, first.second, failingcalls::TypicalError(first.first));
  return Install(at, kFull);
}

// The child of a sweep that ends dead: runs the action named in its
// environment up to the call it was given (see main below).
void RunSweepChild(const std::string& action) {
  TComApartment com;
  const Places at(Env("SWEEP_ROOT"));
  failingcalls::Reset();
  failingcalls::EndAnyNth(std::atoi(Env("SWEEP_END_AT").c_str()));
  if (!Env("SWEEP_CUT").empty())
    failingcalls::CutPowerAnyNth(std::atoi(Env("SWEEP_END_AT").c_str()),
                                 toolkit::Widen(Env("SWEEP_CUT")));
  if (action == "fresh") Install(at, kFresh);
  if (action == "full") Install(at, kFull);
  if (action == "undo") {
    const std::string first = Env("SWEEP_FIRST");
    InstallFailingAt(at,
                     {Call(std::atoi(first.c_str())), std::atoi(first.c_str() + first.find(' '))});
  }
  if (action == "recovery") StartAgain();
  if (action == "uninstall") Uninstall();
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
    TInstallLog noLog;
    std::string error;
    ASSERT_TRUE(PrepareJournalFolder(noLog, &error)) << error;
  }
  void TearDown() override {
    ClearRecords();
    if (pending_) pending_.reset();
  }

  static void ClearRecords() {
    for (const TProductKey& key : kProductKeys) reg::DeleteKeyTree(RootNamed(key.root), key.path);
  }

  // The program archive behind a hole the size of the map image, marked at
  // its start and at its half.
  void WriteContainer() {
    testzip::ZipBuilder zip;
    for (const char* name : {"Program/Map.exe", "Program/readme.txt", "Help/Help.htm",
                             "Legend/legend.txt", "DataBase/objects.db", "Icons/maptl.ico",
                             "Icons/maptldb.ico", "MapImage/image.inf", "BDE/bde.dll"}) {
      testzip::BuildMember member;
      member.name = name;
      member.data = std::string("content of ") + name;
      zip.members.push_back(member);
    }
    const std::string archive = zip.Build();
    HANDLE file = CreateFileW(toolkit::Widen(at_.medium + "Map.maptl").c_str(), GENERIC_WRITE, 0,
                              nullptr, CREATE_ALWAYS, 0, nullptr);
    for (const auto& [offset, bytes] :
         std::map<int64_t, std::string>{{0, "the map's first half"},
                                        {kMapImageHalf, "the map's second half"},
                                        {kMapImageSize, archive}}) {
      LARGE_INTEGER at;
      at.QuadPart = offset;
      SetFilePointerEx(file, at, nullptr, FILE_BEGIN);
      DWORD written = 0;
      WriteFile(file, bytes.data(), DWORD(bytes.size()), &written, nullptr);
    }
    CloseHandle(file);
  }

  State Machine(bool linkBytes = true) const {
    State state;
    for (const std::string& folder : {at_.parent, at_.programs, at_.desktop, at_.appData})
      AddTree(toolkit::Widen(folder), folder.substr(at_.root.size()), linkBytes, state);
    AddTree(toolkit::Widen(JournalFolder()), "<journal folder>", linkBytes, state);
    const std::wstring sandbox = toolkit::Widen(at_.root.substr(at_.root.rfind('\\') + 1));
    AddTree(toolkit::Widen(TempPath()), "<temp>", linkBytes, state, sandbox);
    for (const TProductKey& key : kProductKeys)
      AddKey(RootNamed(key.root), toolkit::Widen(key.path), std::string(key.root) + "\\" + key.path,
             state);
    return state;
  }

  // The restart: what a run left to the system's deletion at the next start
  // goes, and leaves the list, which is otherwise as it was.
  void Restart() {
    const std::string journal = JournalFolder();
    std::vector<std::string> kept =
        reg::ReadMultiString(HKEY_LOCAL_MACHINE, kSessionManager, kPendingRenames);
    std::wstring list;
    for (size_t i = 0; i + 1 < kept.size(); i += 2) {
      std::string path = kept[i].substr(kept[i].rfind("\\??\\", 0) == 0 ? 4 : 0);
      for (size_t at; (at = path.find("\\\\", 1)) != std::string::npos;) path.erase(at, 1);
      if ((path.rfind(at_.root, 0) == 0 || path.rfind(journal, 0) == 0) && kept[i + 1].empty()) {
        const std::wstring wide = toolkit::Widen(path);
        SetFileAttributesW(wide.c_str(), FILE_ATTRIBUTE_NORMAL);
        if (!DeleteFileW(wide.c_str())) RemoveDirectoryW(wide.c_str());
        continue;
      }
      list += toolkit::Widen(kept[i]) + L'\0' + toolkit::Widen(kept[i + 1]) + L'\0';
    }
    HKEY key = nullptr;
    RegOpenKeyExW(HKEY_LOCAL_MACHINE, toolkit::Widen(kSessionManager).c_str(), 0, KEY_ALL_ACCESS,
                  &key);
    if (list.empty()) {
      RegDeleteValueW(key, toolkit::Widen(kPendingRenames).c_str());
    } else {
      list += L'\0';
      RegSetValueExW(key, toolkit::Widen(kPendingRenames).c_str(), 0, REG_MULTI_SZ,
                     reinterpret_cast<const BYTE*>(list.data()), DWORD(list.size() * 2));
    }
    RegCloseKey(key);
  }

  // Runs `action` in a process of its own that ends dead at call `n` (with
  // `cut`, in a power cut; an undo's first fault is `first`); true when it
  // got there.
  bool RunEndingAt(const char* action, int n, bool cut = false, FirstFault first = {}) {
    const std::wstring lossList = toolkit::Widen(at_.root + "\\power-cut.list");
    SetEnvironmentVariableW(L"SWEEP_CUT", cut ? lossList.c_str() : nullptr);
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    SetEnvironmentVariableW(L"SWEEP_ACTION", toolkit::Widen(action).c_str());
    SetEnvironmentVariableW(L"SWEEP_ROOT", toolkit::Widen(at_.root).c_str());
    SetEnvironmentVariableW(L"SWEEP_END_AT", std::to_wstring(n).c_str());
    SetEnvironmentVariableW(
        L"SWEEP_FIRST",
        (std::to_wstring(int(first.first)) + L" " + std::to_wstring(first.second)).c_str());
    const DWORD status = RunToItsEnd(self, L"\"" + std::wstring(self) + L"\"");
    SetEnvironmentVariableW(L"SWEEP_ACTION", nullptr);
    if (cut && !failingcalls::LoseUnflushedWrites(lossList)) return false;
    return status == 99;
  }

  // The exit code of the command `line` (of `program`, or of its first word).
  static DWORD RunToItsEnd(const wchar_t* program, std::wstring line) {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    DWORD status = 0;
    EXPECT_TRUE(CreateProcessW(program, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                               &startup, &process))
        << toolkit::Narrow(line);
    if (WaitForSingleObject(process.hProcess, kRunBoundMs) == WAIT_TIMEOUT) {
      ADD_FAILURE() << "still running after " << kRunBoundMs / 1000
                    << " s: " << toolkit::Narrow(line);
      TerminateProcess(process.hProcess, 98);
      WaitForSingleObject(process.hProcess, kRunBoundMs);
    }
    GetExitCodeProcess(process.hProcess, &status);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return status;
  }

  // Counts the calls of a run without failures.
  int CallsOf(const std::function<void()>& action) {
    failingcalls::Reset();
    action();
    return failingcalls::AllCalls();
  }

  // What a fault did: whether the run got to its call, and what a run that
  // was failed (not ended) reported: true for success.
  struct Faulted {
    bool reached;
    std::optional<bool> succeeded;
  };

  // Calls 1 to `calls` of a run, each faulted by `fault` on the machine
  // `prepare` makes. After each the machine is as before or, with `after`,
  // complete, and a run that reported says which. Each call swept is
  // counted for its stage in `stages` as of the fault's `kind`.
  int Sweep(const std::string& what, const char* kind, const StagedView& stages,
            const std::function<void()>& prepare, const std::function<Faulted(int)>& fault,
            int calls, const State* after = nullptr) {
    prepare();
    State before = Machine();
    for (int n = 1; n <= calls; ++n) {
      ++counts_[stages.StageOf(n)][kind];
      const Faulted f = fault(n);
      Restart();
      EXPECT_TRUE(f.reached) << what << ": call " << n << " was never reached";
      const bool complete = after && Machine(false) == *after;
      const bool told = !f.succeeded || *f.succeeded == complete;
      EXPECT_TRUE(told) << what << " at call " << n << " (" << failingcalls::LastFailed()
                        << "): it reported "
                        << (complete ? "failure, yet installed" : "success, yet rolled back");
      if (!told) return n;
      if (complete) {
        if (n < calls) prepare();
        before = Machine();
        continue;
      }
      const State now = Machine();
      EXPECT_TRUE(now == before) << what << " at call " << n << " (" << failingcalls::LastFailed()
                                 << ")\n"
                                 << Difference(before, now) << "or from the complete one:\n"
                                 << (after ? Difference(*after, Machine(false)) : "");
      if (now != before || !f.reached) return n;
    }
    return calls;
  }

  // The failed (in this process) and ended (in a child, then started again)
  // faults of a run `action` of `calls` calls.
  std::function<Faulted(int)> Failing(const std::function<bool()>& action, int offset = 0) {
    return [action, offset](int n) {
      failingcalls::Reset();
      failingcalls::FailAnyNth(offset + n);
      const bool succeeded = action();
      return Faulted{failingcalls::FailedAt() == offset + n, succeeded};
    };
  }
  std::function<Faulted(int)> Ending(const char* action, int offset = 0, FirstFault first = {}) {
    return [this, action, offset, first](int n) {
      const bool reached = RunEndingAt(action, offset + n, false, first);
      StartAgain();
      return Faulted{reached, std::nullopt};
    };
  }

  // One line of what was swept: for each stage, its calls × the kinds of
  // fault each of them met.
  void PrintCounts(const std::string& what) {
    std::string line = "sweep, " + what + ", calls × kinds by stage:";
    std::vector<std::string> order = {"folders",  "extraction", "image copy",
                                      "registry", "links",      "commit"};
    for (const auto& [stage, kinds] : counts_)
      if (std::find(order.begin(), order.end(), stage) == order.end()) order.push_back(stage);
    for (const std::string& stage : order) {
      if (!counts_.count(stage)) continue;
      std::map<int, std::string> byCalls;
      for (const auto& [kind, calls] : counts_[stage])
        byCalls[calls] += (byCalls[calls].empty() ? "" : ", ") + kind;
      std::string groups;
      for (const auto& [calls, kinds] : byCalls)
        groups += (groups.empty() ? "" : " + ") + std::to_string(calls) + " × " +
                  std::to_string(std::count(kinds.begin(), kinds.end(), ',') + 1) + " (" + kinds +
                  ")";
      line += " " + stage + " " + groups + ";";
    }
    std::cout << line << "\n";
    counts_.clear();
  }

  void Clean() {
    StartAgain();
    Uninstall();
    ClearRecords();
    Restart();
  }

  // Runs the command of the program's record (with `endIn`, armed to end
  // the process whose path holds it at its call `n`) to its end, and waits
  // for the copy it relocated itself to. Its processes work in a temporary
  // folder of the scratch machine and log to `log_`. Its exit code, or 99
  // when the process armed got to its call (and left its mark).
  DWORD RunRecordsCommand(const wchar_t* endIn = L"", int n = 0) {
    const std::wstring temp = toolkit::Widen(at_.root + "\\temp");
    CreateDirectoryW(temp.c_str(), nullptr);
    const std::wstring mark = toolkit::Widen(at_.root + "\\ended.mark");
    DeleteFileW(mark.c_str());
    DeleteFileW(toolkit::Widen(log_).c_str());
    const std::pair<const wchar_t*, std::wstring> environment[] = {
        {L"TEMP", temp},
        {L"TMP", temp},
        {L"SWEEP_END_IN", endIn},
        {L"SWEEP_END_AT", n ? std::to_wstring(n) : L""},
        {L"SWEEP_END_MARK", mark}};
    std::vector<std::wstring> saved;
    for (const auto& [name, value] : environment) {
      wchar_t old[MAX_PATH] = {};
      saved.emplace_back(old, GetEnvironmentVariableW(name, old, MAX_PATH));
      SetEnvironmentVariableW(name, value.empty() ? nullptr : value.c_str());
    }
    const DWORD status = RunToItsEnd(
        nullptr,
        toolkit::Widen(*reg::ReadString(HKEY_LOCAL_MACHINE, kUninstallKey, "QuietUninstallString") +
                       " /LOG=\"" + log_ + "\""));
    for (size_t i = 0; i < saved.size(); ++i)
      SetEnvironmentVariableW(environment[i].first, saved[i].empty() ? nullptr : saved[i].c_str());
    const ULONGLONG deadline = GetTickCount64() + kRunBoundMs;
    for (bool copyRuns = true; copyRuns; Sleep(20)) {
      if (GetTickCount64() > deadline) {
        ADD_FAILURE() << "the uninstaller's copy " << kRelocatedFileName << " still runs after "
                      << kRunBoundMs / 1000 << " s";
        break;
      }
      HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
      PROCESSENTRY32W entry{};
      entry.dwSize = sizeof entry;
      copyRuns = false;
      for (BOOL more = Process32FirstW(snapshot, &entry); more && !copyRuns;
           more = Process32NextW(snapshot, &entry))
        copyRuns = toolkit::Narrow(entry.szExeFile) == kRelocatedFileName;
      CloseHandle(snapshot);
    }
    return GetFileAttributesW(mark.c_str()) != INVALID_FILE_ATTRIBUTES ? 99 : status;
  }

  // A working installation with the other components, that the user has
  // added to: a file in its folder and in its program group, values.
  void Earlier() {
    Clean();
    ASSERT_TRUE(Install(at_, kEarlier));
    testfiles::WriteTextFile(at_.d + "\\мои пометки.txt", "the user's");
    testfiles::WriteTextFile(at_.programs + "\\" + kProduct + "\\Моя заметка.txt", "the user's");
    AddUsersValues();
  }

  // Long enough for a whole installation of the scratch medium, many times.
  static constexpr DWORD kRunBoundMs = 300000;

  std::map<std::string, std::map<std::string, int>> counts_;
  TUninstallResult uninstalled_;
  testfiles::TempFolder temp_;
  const Places at_{temp_.Path()};
  const std::string log_ = at_.root + "\\setup.log";
  reg::ShellFoldersSandbox shellFolders_{at_.programs, at_.desktop};
  reg::SavedValue localAppData_{HKEY_CURRENT_USER, reg::ShellFoldersSandbox::kKey, "Local AppData"};
  reg::SavedValue userLocalAppData_{HKEY_CURRENT_USER, reg::ShellFoldersSandbox::kUserKey,
                                    "Local AppData"};
  std::unique_ptr<reg::SavedValue> pending_ =
      std::make_unique<reg::SavedValue>(HKEY_LOCAL_MACHINE, kSessionManager, kPendingRenames);
  TComApartment com_;
};

TEST_F(InstallSweep, EveryCallFailedOrEndedLeavesTheOldOrTheNewInstallation) {
  const State empty = Machine();
  // Into an empty folder.
  StagedView intoNothing, overEarlier;
  const int fresh = CallsOf([&] { ASSERT_TRUE(Install(at_, kFresh, &intoNothing)); });
  const State installed = Machine(false);
  ASSERT_NE(installed, empty);
  Clean();
  ASSERT_EQ(Machine(), empty) << Difference(empty, Machine());
  const auto clean = [&] { Clean(); };
  const auto install = [&] { return Install(at_, kFresh); };
  Sweep("failed into nothing", "failed", intoNothing, clean, Failing(install), fresh, &installed);
  Sweep("ended into nothing", "ended", intoNothing, clean, Ending("fresh"), fresh, &installed);
  // Over a working installation the user has added to.
  const auto earlier = [&] { Earlier(); };
  earlier();
  const int over = CallsOf([&] { ASSERT_TRUE(Install(at_, kFull, &overEarlier)); });
  const State reinstalled = Machine(false);
  const auto full = [&] { return Install(at_, kFull); };
  Sweep("failed over", "failed", overEarlier, earlier, Failing(full), over, &reinstalled);
  Sweep("ended over", "ended", overEarlier, earlier, Ending("full"), over, &reinstalled);
  PrintCounts("installations (" + std::to_string(fresh) + " calls into nothing, " +
              std::to_string(over) + " over an earlier one)");
  Clean();
}

// The second fault: a full installation over an earlier one is failed, or
// ended, at a call in the middle of each of its stages; every call of the
// undo of the failed run, and of the next start's recovery of the ended one,
// is then failed and ended in turn. The next start puts back the earlier
// installation.
TEST_F(InstallSweep, EveryCallOfTheUndoAndOfTheRecoveryFailedOrEnded) {
  Earlier();
  StagedView stages;
  const int calls = CallsOf([&] { ASSERT_TRUE(Install(at_, kFull, &stages)); });
  struct First {
    std::string stage;
    int call;
    FirstFault fault;
  };
  std::vector<First> firsts;
  for (size_t i = 0; i < stages.starts.size(); ++i) {
    const int end = i + 1 < stages.starts.size() ? stages.starts[i + 1].call : calls + 1;
    const int middle = (stages.starts[i].call + end) / 2;
    const bool seen = std::any_of(firsts.begin(), firsts.end(), [&](const First& f) {
      return f.stage == stages.starts[i].stage;
    });
    if (!seen) firsts.push_back({stages.starts[i].stage, middle, failingcalls::KindOfCall(middle)});
  }
  ASSERT_EQ(firsts.size(), 6u) << "folders, copies, image, registry, links, commit";
  Earlier();
  const State earlierState = Machine(false);
  const auto earlier = [&] { Earlier(); };
  for (const First& first : firsts) {
    StagedView stage;
    stage.starts = {{1, first.stage}};
    Earlier();
    failingcalls::Reset();
    ASSERT_FALSE(InstallFailingAt(at_, first.fault)) << "failed in its " << first.stage;
    ASSERT_EQ(failingcalls::FailedAt(), first.call) << first.stage;
    const int undo = failingcalls::AllCalls() - first.call;
    ASSERT_GT(undo, 0) << first.stage;
    const auto failing = [&](int n) {
      failingcalls::Reset();
      failingcalls::FailAnyNth(first.call + n);
      const bool succeeded = InstallFailingAt(at_, first.fault);
      const bool reached = failingcalls::FailedAt() == first.call + n;
      StartAgain();
      return Faulted{reached, succeeded};
    };
    Sweep(first.stage + ": undo failed", "undo failed", stage, earlier, failing, undo);
    Sweep(first.stage + ": undo ended", "undo ended", stage, earlier,
          Ending("undo", first.call, first.fault), undo);
    // Ended there, then the recovery faulted.
    const auto interrupted = [&] {
      Earlier();
      ASSERT_TRUE(RunEndingAt("full", first.call));
    };
    interrupted();
    const int recovery = CallsOf([&] { ASSERT_TRUE(StartAgain()); });
    ASSERT_GT(recovery, 0) << first.stage;
    const auto failingRecovery = Failing([] { return StartAgain(); });
    const auto failedThenStarted = [&](int n) {
      return Faulted{failingRecovery(n).reached && StartAgain(), std::nullopt};
    };
    Sweep(first.stage + ": recovery failed", "recovery failed", stage, interrupted,
          failedThenStarted, recovery, &earlierState);
    Sweep(first.stage + ": recovery ended", "recovery ended", stage, interrupted,
          Ending("recovery"), recovery, &earlierState);
  }
  PrintCounts("second faults, by the stage of the first");
  Clean();
}

// Journals the next start must not act on, and one it cannot finish: the
// folder they name stays as it is. Those refused for where they lie, or whom
// they let write, read well: only that check stands between them and the
// folder.
TEST_F(InstallSweep, AJournalNotTheSetupsOrNotFinishableChangesNothing) {
  const std::string journal = JournalPath();
  const std::string offline = "Q:\\" + kProduct;
  // The earlier installation's folder, set aside to a name of the right
  // length beside another folder of the user's.
  const std::string elsewhere = at_.parent + "\\" + std::string(kProduct.size(), 'x');
  const std::string begin = "install\t" + at_.d + "\t" + at_.programs + "\t" + at_.desktop + "\n";
  struct Row {
    const char* what;
    std::string path, text;
    bool othersWrite, finished, kept, reads;
  } const rows[] = {
      {"in the user's folder", at_.appData + "\\" + kProduct + " Setup.journal",
       begin + "new\t" + at_.d + "\n", false, true, false, true},
      {"a key not the product's", journal,
       begin + "new\t" + at_.d + "\nkey\tHKLM\tSoftware\tabsent\n", false, true, true, false},
      {"no begin line", journal, "new\t" + at_.d + "\n", false, true, true, false},
      {"set aside elsewhere", journal,
       begin + "aside\t" + at_.d + "\t" + elsewhere + ".~00000000\n", false, true, true, false},
      {"others may write it", journal, begin + "new\t" + at_.d + "\n", true, true, true, true},
      {"on a volume not there", journal, "install\t" + offline + "\t\t\nnew\t" + offline + "\n",
       false, false, false, true},
  };
  localAppData_.SetString(at_.appData);
  userLocalAppData_.SetString(at_.appData);
  Earlier();
  testfiles::MakeFolder(elsewhere + ".~00000000");
  testfiles::WriteTextFile(elsewhere + ".~00000000\\the user's.txt", "the user's");
  for (const Row& row : rows) {
    std::vector<TJournalFields> lines;
    for (const std::string& line : SplitAt(row.text.substr(0, row.text.size() - 1), '\n'))
      lines.push_back(SplitAt(line, '\t'));
    EXPECT_EQ(ParseJournal(lines, IsProductFolder).fault.empty(), row.reads) << row.what;
    const State before = Machine();
    testfiles::WriteTextFile(row.path, row.text);
    if (row.othersWrite) {
      PSECURITY_DESCRIPTOR sd = nullptr;
      ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:(A;;FA;;;WD)", SDDL_REVISION_1, &sd,
                                                           nullptr);
      BOOL present = FALSE, defaulted = FALSE;
      PACL dacl = nullptr;
      GetSecurityDescriptorDacl(sd, &present, &dacl, &defaulted);
      ASSERT_EQ(SetNamedSecurityInfoW(const_cast<wchar_t*>(toolkit::Widen(row.path).c_str()),
                                      SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr,
                                      dacl, nullptr),
                ERROR_SUCCESS);
      LocalFree(sd);
    }
    EXPECT_EQ(StartAgain(), row.finished) << row.what;
    EXPECT_EQ(testfiles::Exists(row.path), row.path != journal || !row.finished) << row.what;
    EXPECT_EQ(testfiles::EntriesIn(JournalFolder()), row.kept       ? 1u
                                                     : row.finished ? 0u
                                                                    : 1u)
        << row.what;
    DeleteFileW(toolkit::Widen(row.path).c_str());
    WIN32_FIND_DATAW entry;
    HANDLE find = FindFirstFileW(toolkit::Widen(journal + ".~*").c_str(), &entry);
    if (find != INVALID_HANDLE_VALUE) {
      DeleteFileW(
          toolkit::Widen(JournalFolder() + "\\" + toolkit::Narrow(entry.cFileName)).c_str());
      FindClose(find);
    }
    EXPECT_TRUE(Machine() == before) << row.what << "\n" << Difference(before, Machine());
  }
  Clean();
}

// A power cut at every call of an installation over an earlier one: the run
// ends there and loses what it had not flushed: file data, folders made,
// renames, registry writes. The next start leaves the earlier installation
// or the new one.
TEST_F(InstallSweep, APowerCutAtEveryCallLeavesTheOldOrTheNewInstallation) {
  const auto earlier = [&] { Earlier(); };
  earlier();
  StagedView stages;
  const int calls = CallsOf([&] { ASSERT_TRUE(Install(at_, kFull, &stages)); });
  const State reinstalled = Machine(false);
  earlier();
  for (int n = 1; n <= calls; ++n) {
    ++counts_[stages.StageOf(n)]["power cut"];
    const State before = Machine();
    ASSERT_TRUE(RunEndingAt("full", n, /*cut=*/true)) << "no cut at call " << n;
    StartAgain();
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
  PrintCounts("power cuts in an installation over an earlier one");
  Clean();
}

// Either everything is gone (or left to the restart), or the record is still
// there and an uninstall through it removes the rest.
TEST_F(InstallSweep, EveryCallOfTheUninstallFailedOrEndedLeavesWhatItsRecordRemoves) {
  const auto installed = [&] {
    Clean();
    ASSERT_TRUE(Install(at_, kFresh));
    testfiles::WriteTextFile(at_.d + "\\мои пометки.txt", "the user's");
  };
  installed();
  const int calls = CallsOf([&] { Uninstall(); });
  Restart();
  const State gone = Machine(false);
  const auto uninstall = [&] {
    uninstalled_ = Uninstall();
    return uninstalled_.left.empty();
  };
  for (bool ending : {false, true}) {
    const auto fault = ending ? Ending("uninstall") : Failing(uninstall);
    for (int n = 1; n <= calls; ++n) {
      ++counts_["uninstallation"][ending ? "ended" : "failed"];
      installed();
      const Faulted f = fault(n);
      ASSERT_TRUE(f.reached) << "call " << n << " was never reached";
      const bool record = reg::KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey);
      ASSERT_TRUE(!record || testfiles::IsFile(at_.d + "\\Setup.exe"))
          << "a record without its command at call " << n;
      Restart();
      if (Machine(false) == gone) continue;
      const std::string what = std::string(ending ? "ended at" : "failed") + " call " +
                               std::to_string(n) + "\n" + Difference(gone, Machine(false));
      ASSERT_TRUE(!f.succeeded || !*f.succeeded) << "it said nothing stayed: " << what;
      ASSERT_TRUE(record) << "without its record: " << what;
      failingcalls::Reset();
      Uninstall();
      Restart();
      ASSERT_TRUE(Machine(false) == gone)
          << "not removed through its record: " << what << Difference(gone, Machine(false));
    }
  }
  PrintCounts("the uninstallation");
}

// The program itself, and the copy it relocates itself to, ended at each of
// their calls: through the program's start, its lock and the relocation.
// The record, if it is still there, still names the program, and its
// command removes the rest.
TEST_F(InstallSweep, TheUninstallerAndItsCopyEndedAtEveryCallLeaveWhatTheRecordRemoves) {
  ASSERT_TRUE(CopyFileW(toolkit::Widen(SWEPT_SETUP_EXE).c_str(),
                        toolkit::Widen(at_.medium + "Setup.exe").c_str(), FALSE));
  const auto installed = [&] {
    Clean();
    ASSERT_TRUE(Install(at_, kFresh));
    testfiles::WriteTextFile(at_.d + "\\мои пометки.txt", "the user's");
  };
  installed();
  ASSERT_EQ(RunRecordsCommand(), 0u) << testfiles::ReadTextFile(log_);
  Restart();
  const State gone = Machine(false);
  // Each process ended at its calls 1, 2, ... until a run no longer gets to
  // its call: that run went through whole.
  int calls[2] = {0, 0};
  const std::wstring copyName = toolkit::Widen(kRelocatedFileName);
  const wchar_t* const processes[] = {L"\\Setup.exe", copyName.c_str()};
  for (int p = 0; p < 2; ++p) {
    for (bool reached = true; reached;) {
      installed();
      const std::string what = (p ? "its copy" : "the program") + std::string(" ended at call ") +
                               std::to_string(calls[p] + 1);
      const DWORD status = RunRecordsCommand(processes[p], calls[p] + 1);
      reached = status == 99;
      calls[p] += reached;
      const bool record = reg::KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey);
      ASSERT_TRUE(reached || (status == 0 && !record)) << what << ": not reached, yet " << status;
      ASSERT_TRUE(!record || testfiles::IsFile(at_.d + "\\Setup.exe"))
          << "a record without its command: " << what;
      if (record) {
        const DWORD again = RunRecordsCommand();
        EXPECT_TRUE(again == 0 || again == 3010) << what << "\n" << testfiles::ReadTextFile(log_);
      }
      Restart();
      ASSERT_TRUE(Machine(false) == gone)
          << (record ? "not removed through its record: " : "without its record: ") << what
          << Difference(gone, Machine(false));
    }
  }
  EXPECT_GT(calls[0], 0);
  EXPECT_GT(calls[1], 0);
  counts_["the program"]["ended"] = calls[0];
  counts_["its copy"]["ended"] = calls[1];
  PrintCounts("the uninstaller and its copy");
}

}  // namespace

// Started by the sweep as its child, the program runs the child's action and
// none of the tests.
int main(int argc, char** argv) {
  const std::string action = Env("SWEEP_ACTION");
  if (!action.empty()) {
    RunSweepChild(action);
    return 0;
  }
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
