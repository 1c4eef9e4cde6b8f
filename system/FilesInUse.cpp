#include "FilesInUse.h"

#include <windows.h>

#include <memory>

#include "FilesAndFolders.h"
#include "InstallLog.h"
#include "RunMode.h"
#include "SystemCalls.h"
#include "Utf.h"

namespace {

constexpr DWORD kCloseWaitMs = 30000;
// The Restart Manager is asked about so many files at most; the product
// installs a few dozen, and what the user adds beyond that is rarely held.
constexpr size_t kMostFilesAsked = 4096;

struct THandleCloser {
  void operator()(HANDLE handle) const { CloseHandle(handle); }
};
using TProcessHandle = std::unique_ptr<void, THandleCloser>;

struct TFound {
  TProgramInUse program;
  TProcessHandle process;
};

std::string ImageOf(HANDLE process) {
  wchar_t path[MAX_PATH * 2];
  DWORD length = MAX_PATH * 2;
  if (!QueryFullProcessImageNameW(process, 0, path, &length)) return std::string();
  return toolkit::Narrow(path, length);
}

struct TWindowSearch {
  DWORD id;
  std::vector<HWND> windows;
};

BOOL CALLBACK AddWindowOf(HWND window, LPARAM data) {
  auto* search = reinterpret_cast<TWindowSearch*>(data);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner == search->id) search->windows.push_back(window);
  return TRUE;
}

std::vector<HWND> TopLevelWindowsOf(DWORD id) {
  TWindowSearch search{id, {}};
  EnumWindows(&AddWindowOf, reinterpret_cast<LPARAM>(&search));
  return search.windows;
}

// The title of its first visible window that has one.
std::string TitleOf(DWORD id) {
  for (HWND window : TopLevelWindowsOf(id)) {
    wchar_t text[256] = {};
    const int length = GetWindowTextW(window, text, 256);
    if (IsWindowVisible(window) && length > 0) return toolkit::Narrow(text, size_t(length));
  }
  return std::string();
}

// Open so that its id cannot pass to another process meanwhile; null when
// it cannot be (it ended, or is the system's). Reading, not changing: it
// stays outside the seam.
HANDLE OpenToWatch(DWORD id) {
  return OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE, FALSE, id);
}

bool IsWaitingUninstaller(const std::string& image, const std::string& folder) {
  return CompareStringOrdinal(toolkit::Widen(image).c_str(), -1,
                              toolkit::Widen(folder + "\\Setup.exe").c_str(), -1,
                              TRUE) == CSTR_EQUAL;
}

void FindOwn(const std::string& folder, std::vector<TFound>& found, std::vector<DWORD>& skipped,
             TInstallLog& log) {
  std::vector<DWORD> ids;
  if (!syscalls::ListProcesses(&ids)) {
    log.Write("in use: the running programs cannot be listed (error " +
              std::to_string(GetLastError()) + ")");
    return;
  }
  for (DWORD id : ids) {
    if (id == 0 || id == GetCurrentProcessId()) continue;
    TProcessHandle process(OpenToWatch(id));
    if (!process) continue;
    const std::string image = ImageOf(process.get());
    if (image.empty() || !IsSameOrBelow(image, folder)) continue;
    if (IsWaitingUninstaller(image, folder)) {
      skipped.push_back(id);
      continue;
    }
    const std::string file = FileNameOf(image);
    found.push_back({{id, ShownName(TitleOf(id), file), file, true}, std::move(process)});
  }
}

void AddFiles(const std::wstring& folder, std::vector<std::wstring>& files) {
  WIN32_FIND_DATAW entry;
  HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &entry);
  if (find == INVALID_HANDLE_VALUE) return;
  do {
    const std::wstring name = entry.cFileName;
    if (name == L"." || name == L".." || files.size() >= kMostFilesAsked) continue;
    // A link leads out of the folder: what lies behind it is not ours.
    if (entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) continue;
    if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      AddFiles(folder + L"\\" + name, files);
    } else {
      files.push_back(folder + L"\\" + name);
    }
  } while (FindNextFileW(find, &entry));
  FindClose(find);
}

bool Listed(DWORD id, const std::vector<TFound>& found, const std::vector<DWORD>& skipped) {
  for (const TFound& f : found)
    if (f.program.id == id) return true;
  for (DWORD s : skipped)
    if (s == id) return true;
  return id == GetCurrentProcessId();
}

void FindOthers(const std::string& folder, std::vector<TFound>& found,
                const std::vector<DWORD>& skipped, TInstallLog& log) {
  std::vector<std::wstring> files;
  AddFiles(toolkit::Widen(folder), files);
  if (files.empty()) return;
  std::vector<RM_PROCESS_INFO> holders;
  const DWORD status = syscalls::FindFileHolders(files, &holders);
  if (status == ERROR_CALL_NOT_IMPLEMENTED) return;
  if (status != ERROR_SUCCESS) {
    log.Write("in use: the system cannot say which programs hold files in " + folder + " (error " +
              std::to_string(status) + ")");
    return;
  }
  for (const RM_PROCESS_INFO& holder : holders) {
    const DWORD id = holder.Process.dwProcessId;
    if (Listed(id, found, skipped)) continue;
    TProcessHandle process(OpenToWatch(id));
    const std::string file = process ? FileNameOf(ImageOf(process.get())) : std::string();
    found.push_back({{id, ShownName(toolkit::Narrow(holder.strAppName), file), file, false},
                     std::move(process)});
  }
}

std::vector<TFound> Find(const std::string& folder, TInstallLog& log) {
  std::vector<TFound> found;
  std::vector<DWORD> skipped;
  FindOwn(folder, found, skipped, log);
  FindOthers(folder, found, skipped, log);
  return found;
}

std::vector<TProgramInUse> ProgramsOf(const std::vector<TFound>& found) {
  std::vector<TProgramInUse> programs;
  for (const TFound& f : found) programs.push_back(f.program);
  return programs;
}

// The windows a user could close: the visible ones. A program that shows
// none (it waits in the background) gets the request at every window it has.
std::vector<HWND> WindowsToClose(DWORD id) {
  std::vector<HWND> windows = TopLevelWindowsOf(id), visible;
  for (HWND window : windows)
    if (IsWindowVisible(window)) visible.push_back(window);
  return visible.empty() ? windows : visible;
}

// Every window of every one of the product's programs gets its close
// request; then they have 30 seconds in all to end.
void CloseOwn(const std::vector<TFound>& found, TFilesInUsePrompt& prompt, TInstallLog& log) {
  std::vector<HANDLE> waited;
  for (const TFound& f : found) {
    if (!f.program.own) continue;
    for (HWND window : WindowsToClose(f.program.id)) syscalls::PostCloseRequest(window);
    waited.push_back(f.process.get());
    log.Write("closing: \"" + f.program.name + "\" (process " + std::to_string(f.program.id) + ")");
  }
  const ULONGLONG deadline = GetTickCount64() + kCloseWaitMs;
  for (HANDLE process : waited) {
    while (WaitForSingleObject(process, 50) == WAIT_TIMEOUT && GetTickCount64() < deadline)
      prompt.KeepScreenCurrent();
  }
}

}  // namespace

std::vector<TProgramInUse> FindProgramsInUse(const std::string& folder, TInstallLog& log) {
  return ProgramsOf(Find(folder, log));
}

bool ClearFilesInUse(const std::string& folder, TFilesInUsePrompt& prompt, TInstallLog& log,
                     std::string* why) {
  for (;;) {
    const std::vector<TFound> found = Find(folder, log);
    if (found.empty()) return true;
    const std::vector<TProgramInUse> programs = ProgramsOf(found);
    log.Write("in use: files in " + folder + " are held by " + ProgramsForLog(programs));
    switch (prompt.FilesInUse(programs, folder)) {
      case TFilesInUseAnswer::kStop:
        *why = "files in " + folder + " are in use by " + ProgramsForLog(programs);
        return false;
      case TFilesInUseAnswer::kClose:
        CloseOwn(found, prompt, log);
        break;
      case TFilesInUseAnswer::kRetry:
        break;
    }
  }
}
