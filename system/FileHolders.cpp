#include "FileHolders.h"

#include <tlhelp32.h>

namespace processes {

namespace {

struct TLibrary {
  HMODULE module;
  ~TLibrary() {
    if (module) FreeLibrary(module);
  }
  template <class Fn>
  Fn Get(const char* name) const {
    return module ? reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)))
                  : nullptr;
  }
};

// By its full path in the system folder: the uninstaller runs elevated from
// the temporary folder, where a library of that name may have been planted.
HMODULE LoadRestartManager() {
  wchar_t folder[MAX_PATH];
  const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return nullptr;
  return LoadLibraryW((std::wstring(folder, length) + L"\\rstrtmgr.dll").c_str());
}

using StartFn = DWORD(WINAPI*)(DWORD*, DWORD, WCHAR*);
using EndFn = DWORD(WINAPI*)(DWORD);
using RegisterFn = DWORD(WINAPI*)(DWORD, UINT, LPCWSTR*, UINT, RM_UNIQUE_PROCESS*, UINT, LPCWSTR*);
using GetListFn = DWORD(WINAPI*)(DWORD, UINT*, UINT*, RM_PROCESS_INFO*, DWORD*);

DWORD ListOf(GetListFn getList, DWORD session, std::vector<RM_PROCESS_INFO>* holders) {
  // The list may grow between the call that sizes it and the one that fills it.
  for (int attempt = 0; attempt < 4; ++attempt) {
    UINT needed = 0, count = static_cast<UINT>(holders->size());
    DWORD reasons = 0;
    const DWORD status = getList(session, &needed, &count, holders->data(), &reasons);
    if (status == ERROR_SUCCESS) {
      holders->resize(count);
      return status;
    }
    if (status != ERROR_MORE_DATA) return status;
    holders->resize(needed + 4);
  }
  return ERROR_MORE_DATA;
}

}  // namespace

BOOL RunningIds(std::vector<DWORD>* ids) {
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return FALSE;
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof entry;
  ids->clear();
  for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry))
    ids->push_back(entry.th32ProcessID);
  CloseHandle(snapshot);
  return TRUE;
}

DWORD HoldersOf(const std::vector<std::wstring>& files, std::vector<RM_PROCESS_INFO>* holders) {
  holders->clear();
  const TLibrary library{LoadRestartManager()};
  const auto start = library.Get<StartFn>("RmStartSession");
  const auto end = library.Get<EndFn>("RmEndSession");
  const auto registerFiles = library.Get<RegisterFn>("RmRegisterResources");
  const auto getList = library.Get<GetListFn>("RmGetList");
  if (!start || !end || !registerFiles || !getList) return ERROR_CALL_NOT_IMPLEMENTED;
  DWORD session = 0;
  WCHAR key[CCH_RM_SESSION_KEY + 1] = {};
  DWORD status = start(&session, 0, key);
  if (status != ERROR_SUCCESS) return status;
  std::vector<LPCWSTR> names;
  for (const std::wstring& file : files) names.push_back(file.c_str());
  status =
      registerFiles(session, static_cast<UINT>(names.size()), names.data(), 0, nullptr, 0, nullptr);
  if (status == ERROR_SUCCESS) status = ListOf(getList, session, holders);
  end(session);
  if (status != ERROR_SUCCESS) holders->clear();
  return status;
}

}  // namespace processes
