#include "SystemCalls.h"

#include "FileHolders.h"
#include "RegistryValueAt.h"

namespace syscalls {

LSTATUS CreateKey(HKEY root, const std::wstring& subKey, HKEY* key) {
  return RegCreateKeyExW(root, subKey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                         nullptr, key, nullptr);
}

LSTATUS OpenKey(HKEY root, const std::wstring& subKey, HKEY* key) {
  return RegOpenKeyExW(root, subKey.c_str(), 0, KEY_ALL_ACCESS, key);
}

void CloseKey(HKEY key) { RegCloseKey(key); }

LSTATUS SetValue(HKEY key, const std::wstring& name, DWORD type, const BYTE* data, DWORD size) {
  return RegSetValueExW(key, name.c_str(), 0, type, data, size);
}

LSTATUS QueryValue(HKEY key, const std::wstring& name, DWORD* type, BYTE* data, DWORD* size) {
  return RegQueryValueExW(key, name.c_str(), nullptr, type, data, size);
}

LSTATUS DeleteValue(HKEY key, const std::wstring& name) {
  return RegDeleteValueW(key, name.c_str());
}

LSTATUS EnumKey(HKEY key, DWORD index, std::wstring* name) {
  // Key names are at most 255 characters.
  wchar_t buffer[256];
  DWORD length = 256;
  const LSTATUS status =
      RegEnumKeyExW(key, index, buffer, &length, nullptr, nullptr, nullptr, nullptr);
  if (status == ERROR_SUCCESS) name->assign(buffer, length);
  return status;
}

LSTATUS EnumValue(HKEY key, DWORD index, std::wstring* name, DWORD* type, std::vector<BYTE>* data) {
  return registry::ValueAt(key, index, name, type, data);
}

LSTATUS DeleteKey(HKEY key, const std::wstring& subKey) {
  return RegDeleteKeyW(key, subKey.c_str());
}

LSTATUS FlushKey(HKEY key) { return RegFlushKey(key); }

HRESULT CreateShellLinkObject(IShellLinkW** link) {
  return CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                          reinterpret_cast<void**>(link));
}

HRESULT SaveShellLink(IPersistFile* file, const std::wstring& path) {
  return file->Save(path.c_str(), FALSE);
}

int ShellFileOperation(SHFILEOPSTRUCTW* operation) { return SHFileOperationW(operation); }

BOOL CreateSecuredFolder(const std::wstring& path, SECURITY_ATTRIBUTES* security) {
  return CreateDirectoryW(path.c_str(), security);
}

BOOL ListProcesses(std::vector<DWORD>* ids) { return processes::RunningIds(ids); }

DWORD FindFileHolders(const std::vector<std::wstring>& files,
                      std::vector<RM_PROCESS_INFO>* holders) {
  return processes::HoldersOf(files, holders);
}

BOOL PostCloseRequest(HWND window) { return PostMessageW(window, WM_CLOSE, 0, 0); }

}  // namespace syscalls
