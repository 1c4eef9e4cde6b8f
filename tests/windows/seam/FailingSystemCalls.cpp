// Defines every function of the system-call seam (so that the real ones are
// not linked) and forwards to the system, failing or ending at the call armed.
#include "FailingSystemCalls.h"

#include "SystemCalls.h"

#include "FileHolders.h"
#include "PowerCut.h"
#include "RegistryValueAt.h"

#include <algorithm>
#include <array>
#include <string>
#include <vector>

namespace failingcalls {

namespace {

const char* const kNames[] = {"CreateKey",
                              "OpenKey",
                              "SetValue",
                              "QueryValue",
                              "DeleteValue",
                              "EnumKey",
                              "EnumValue",
                              "DeleteKey",
                              "CreateShellLinkObject",
                              "SaveShellLink",
                              "ShellFileOperation",
                              "CreateFileAt",
                              "WriteToFile",
                              "FlushFile",
                              "SetLastWriteTime",
                              "SetAttributesOf",
                              "CreateFolder",
                              "RemoveFolder",
                              "DeleteFileAt",
                              "MoveEntry",
                              "CopyFileTo",
                              "CreateSecuredFolder",
                              "FlushKey",
                              "ListProcesses",
                              "FindFileHolders",
                              "PostCloseRequest"};
static_assert(sizeof kNames / sizeof kNames[0] == static_cast<size_t>(Call::kCount),
              "a name for every call");

struct Plan {
  std::array<int, static_cast<size_t>(Call::kCount)> calls{};
  int all = 0;
  Call armedCall = Call::kCount;
  int armedAt = 0;
  long error = 0;
  int anyAt = 0;
  bool end = false;
  const char* failed = "";
  int failedAt = 0;
  int openKeys = 0;
  std::vector<Call> sequence;
  TPowerCut cut;
  std::wstring lossList;
};

Plan& ThePlan() {
  static Plan plan;
  return plan;
}

// Counts the call; true (with the error to report) when this is the one to
// fail. Ends the process instead when that is what was armed.
bool Fails(Call call, long* error) {
  Plan& plan = ThePlan();
  const int count = ++plan.calls[static_cast<size_t>(call)];
  const int all = ++plan.all;
  plan.sequence.push_back(call);
  if (plan.anyAt != 0 && all == plan.anyAt) {
    if (plan.end && !plan.lossList.empty()) plan.cut.Leave(plan.lossList);
    if (plan.end) TerminateProcess(GetCurrentProcess(), 99);
    *error = TypicalError(call);
  } else if (call == plan.armedCall && count == plan.armedAt) {
    *error = plan.error;
  } else {
    return false;
  }
  plan.failed = kNames[static_cast<size_t>(call)];
  plan.failedAt = all;
  return true;
}

LSTATUS CountOpened(LSTATUS status) {
  if (status == ERROR_SUCCESS) ++ThePlan().openKeys;
  return status;
}

// For the calls that report through GetLastError.
template <class T>
T FailWith(long error, T result) {
  SetLastError(static_cast<DWORD>(error));
  return result;
}

}  // namespace

// What a failing call of each kind reports when the test did not choose.
long TypicalError(Call call) {
  switch (call) {
    case Call::CreateShellLinkObject:
    case Call::SaveShellLink:
      return E_ACCESSDENIED;
    case Call::ShellFileOperation:
      return 0x78;  // the shell's "access denied"
    case Call::WriteToFile:
    case Call::FlushFile:
    case Call::CopyFileTo:
      return ERROR_DISK_FULL;
    case Call::MoveEntry:
    case Call::DeleteFileAt:
    case Call::RemoveFolder:
      return ERROR_SHARING_VIOLATION;
    default:
      return ERROR_ACCESS_DENIED;
  }
}

void FailNth(Call call, int n, long error) {
  Plan& plan = ThePlan();
  plan.armedCall = call;
  plan.armedAt = plan.calls[static_cast<size_t>(call)] + n;
  plan.error = error;
}

void FailAnyNth(int n) {
  ThePlan().anyAt = ThePlan().all + n;
  ThePlan().end = false;
}

void EndAnyNth(int n) {
  ThePlan().anyAt = ThePlan().all + n;
  ThePlan().end = true;
}

void CutPowerAnyNth(int n, const std::wstring& lossList) {
  EndAnyNth(n);
  ThePlan().lossList = lossList;
}

bool LoseUnflushedWrites(const std::wstring& lossList) {
  return TPowerCut::LoseUnflushed(lossList);
}

void Reset() { ThePlan() = Plan(); }

int CallsOf(Call call) { return ThePlan().calls[static_cast<size_t>(call)]; }

int AllCalls() { return ThePlan().all; }

std::pair<Call, int> KindOfCall(int n) {
  const std::vector<Call>& sequence = ThePlan().sequence;
  const Call kind = sequence.at(n - 1);
  return {kind, int(std::count(sequence.begin(), sequence.begin() + n, kind))};
}

const char* LastFailed() { return ThePlan().failed; }

int FailedAt() { return ThePlan().failedAt; }

int OpenKeys() { return ThePlan().openKeys; }

}  // namespace failingcalls

namespace syscalls {

using failingcalls::Call;
using failingcalls::Fails;
using failingcalls::FailWith;

failingcalls::TPowerCut& Cut() { return failingcalls::ThePlan().cut; }

LSTATUS CreateKey(HKEY root, const std::wstring& subKey, HKEY* key) {
  long error;
  if (Fails(Call::CreateKey, &error)) return error;
  Cut().KeyMaking(root, subKey);
  const LSTATUS status = failingcalls::CountOpened(
      RegCreateKeyExW(root, subKey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                      nullptr, key, nullptr));
  if (status == ERROR_SUCCESS) Cut().KeyOpened(root, subKey, *key);
  return status;
}

LSTATUS OpenKey(HKEY root, const std::wstring& subKey, HKEY* key) {
  long error;
  if (Fails(Call::OpenKey, &error)) return error;
  const LSTATUS status =
      failingcalls::CountOpened(RegOpenKeyExW(root, subKey.c_str(), 0, KEY_ALL_ACCESS, key));
  if (status == ERROR_SUCCESS) Cut().KeyOpened(root, subKey, *key);
  return status;
}

void CloseKey(HKEY key) {
  --failingcalls::ThePlan().openKeys;
  Cut().KeyClosed(key);
  RegCloseKey(key);
}

LSTATUS SetValue(HKEY key, const std::wstring& name, DWORD type, const BYTE* data, DWORD size) {
  long error;
  if (Fails(Call::SetValue, &error)) return error;
  Cut().ValueChanging(key, name);
  return RegSetValueExW(key, name.c_str(), 0, type, data, size);
}

LSTATUS QueryValue(HKEY key, const std::wstring& name, DWORD* type, BYTE* data, DWORD* size) {
  long error;
  if (Fails(Call::QueryValue, &error)) return error;
  return RegQueryValueExW(key, name.c_str(), nullptr, type, data, size);
}

LSTATUS DeleteValue(HKEY key, const std::wstring& name) {
  long error;
  if (Fails(Call::DeleteValue, &error)) return error;
  Cut().ValueChanging(key, name);
  return RegDeleteValueW(key, name.c_str());
}

LSTATUS EnumKey(HKEY key, DWORD index, std::wstring* name) {
  long error;
  if (Fails(Call::EnumKey, &error)) return error;
  wchar_t buffer[256];
  DWORD length = 256;
  const LSTATUS status =
      RegEnumKeyExW(key, index, buffer, &length, nullptr, nullptr, nullptr, nullptr);
  if (status == ERROR_SUCCESS) name->assign(buffer, length);
  return status;
}

LSTATUS EnumValue(HKEY key, DWORD index, std::wstring* name, DWORD* type, std::vector<BYTE>* data) {
  long error;
  if (Fails(Call::EnumValue, &error)) return error;
  return registry::ValueAt(key, index, name, type, data);
}

LSTATUS DeleteKey(HKEY key, const std::wstring& subKey) {
  long error;
  if (Fails(Call::DeleteKey, &error)) return error;
  Cut().KeyDeleting(key, subKey);
  return RegDeleteKeyW(key, subKey.c_str());
}

HRESULT CreateShellLinkObject(IShellLinkW** link) {
  long error;
  if (Fails(Call::CreateShellLinkObject, &error)) return static_cast<HRESULT>(error);
  return CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                          reinterpret_cast<void**>(link));
}

HRESULT SaveShellLink(IPersistFile* file, const std::wstring& path) {
  long error;
  if (Fails(Call::SaveShellLink, &error)) return static_cast<HRESULT>(error);
  Cut().FileMade(path);
  return file->Save(path.c_str(), FALSE);
}

int ShellFileOperation(SHFILEOPSTRUCTW* operation) {
  long error;
  if (Fails(Call::ShellFileOperation, &error)) return static_cast<int>(error);
  return SHFileOperationW(operation);
}

HANDLE CreateFileAt(const std::wstring& path, DWORD access, DWORD share, DWORD disposition,
                    DWORD flagsAndAttributes) {
  long error;
  if (Fails(Call::CreateFileAt, &error)) return FailWith(error, INVALID_HANDLE_VALUE);
  const HANDLE file =
      CreateFileW(path.c_str(), access, share, nullptr, disposition, flagsAndAttributes, nullptr);
  Cut().FileOpened(file, path, access, disposition);
  return file;
}

BOOL WriteToFile(HANDLE file, const void* data, DWORD size, DWORD* written) {
  long error;
  if (Fails(Call::WriteToFile, &error)) {
    *written = 0;
    return FailWith(error, FALSE);
  }
  return WriteFile(file, data, size, written, nullptr);
}

BOOL FlushFile(HANDLE file) {
  long error;
  if (Fails(Call::FlushFile, &error)) return FailWith(error, FALSE);
  if (!FlushFileBuffers(file)) return FALSE;
  Cut().HandleFlushed(file);
  return TRUE;
}

BOOL SetLastWriteTime(HANDLE file, const FILETIME* lastWrite) {
  long error;
  if (Fails(Call::SetLastWriteTime, &error)) return FailWith(error, FALSE);
  return SetFileTime(file, nullptr, nullptr, lastWrite);
}

BOOL SetAttributesOf(const std::wstring& path, DWORD attributes) {
  long error;
  if (Fails(Call::SetAttributesOf, &error)) return FailWith(error, FALSE);
  return SetFileAttributesW(path.c_str(), attributes);
}

BOOL CreateFolder(const std::wstring& path) {
  long error;
  if (Fails(Call::CreateFolder, &error)) return FailWith(error, FALSE);
  if (!CreateDirectoryW(path.c_str(), nullptr)) return FALSE;
  Cut().FolderMade(path);
  return TRUE;
}

BOOL RemoveFolder(const std::wstring& path) {
  long error;
  if (Fails(Call::RemoveFolder, &error)) return FailWith(error, FALSE);
  return RemoveDirectoryW(path.c_str());
}

BOOL DeleteFileAt(const std::wstring& path) {
  long error;
  if (Fails(Call::DeleteFileAt, &error)) return FailWith(error, FALSE);
  return DeleteFileW(path.c_str());
}

BOOL MoveEntry(const std::wstring& from, const std::wstring& to, DWORD flags) {
  long error;
  if (Fails(Call::MoveEntry, &error)) return FailWith(error, FALSE);
  if (!MoveFileExW(from.c_str(), to.empty() ? nullptr : to.c_str(), flags)) return FALSE;
  Cut().Renamed(from, to, flags);
  return TRUE;
}

BOOL CopyFileTo(const std::wstring& from, const std::wstring& to) {
  long error;
  if (Fails(Call::CopyFileTo, &error)) return FailWith(error, FALSE);
  Cut().FileMade(to);
  return CopyFileW(from.c_str(), to.c_str(), FALSE);
}

BOOL CreateSecuredFolder(const std::wstring& path, SECURITY_ATTRIBUTES* security) {
  long error;
  if (Fails(Call::CreateSecuredFolder, &error)) return FailWith(error, FALSE);
  if (!CreateDirectoryW(path.c_str(), security)) return FALSE;
  Cut().FolderMade(path);
  return TRUE;
}

LSTATUS FlushKey(HKEY key) {
  long error;
  if (Fails(Call::FlushKey, &error)) return error;
  const LSTATUS status = RegFlushKey(key);
  if (status == ERROR_SUCCESS) Cut().KeyFlushed(key);
  return status;
}

BOOL ListProcesses(std::vector<DWORD>* ids) {
  long error;
  if (Fails(Call::ListProcesses, &error)) return FailWith(error, FALSE);
  return processes::RunningIds(ids);
}

DWORD FindFileHolders(const std::vector<std::wstring>& files,
                      std::vector<RM_PROCESS_INFO>* holders) {
  long error;
  if (Fails(Call::FindFileHolders, &error)) return static_cast<DWORD>(error);
  return processes::HoldersOf(files, holders);
}

BOOL PostCloseRequest(HWND window) {
  long error;
  if (Fails(Call::PostCloseRequest, &error)) return FailWith(error, FALSE);
  return PostMessageW(window, WM_CLOSE, 0, 0);
}

}  // namespace syscalls
