#include "RegistryKey.h"

#include <vector>

#include "SystemCalls.h"

namespace {

// HKEY_CLASSES_ROOT is a view that mixes the user's own classes
// (HKEY_CURRENT_USER\Software\Classes) into the machine's: through it a
// snapshot would keep, and its restore write into the machine's classes,
// what a user put into their own, and a removal could take the user's
// instead of what was written. Every key asked for below it is the
// machine's, named directly.
void MachineView(HKEY& root, std::wstring& path) {
  if (root != HKEY_CLASSES_ROOT) return;
  root = HKEY_LOCAL_MACHINE;
  path = path.empty() ? L"Software\\Classes" : L"Software\\Classes\\" + path;
}

}  // namespace

LSTATUS TRegistryKey::Open(HKEY root, const std::wstring& given) {
  std::wstring path = given;
  MachineView(root, path);
  HKEY key = nullptr;
  const LSTATUS status = syscalls::OpenKey(root, path, &key);
  return Keep(status, key);
}

LSTATUS TRegistryKey::Create(HKEY root, const std::wstring& given) {
  std::wstring path = given;
  MachineView(root, path);
  HKEY key = nullptr;
  const LSTATUS status = syscalls::CreateKey(root, path, &key);
  return Keep(status, key);
}

LSTATUS TRegistryKey::Keep(LSTATUS status, HKEY key) {
  Close();
  if (status == ERROR_SUCCESS) key_ = key;
  return status;
}

void TRegistryKey::Close() {
  if (key_ != nullptr) syscalls::CloseKey(key_);
  key_ = nullptr;
}

bool DeleteKeyTree(HKEY parent, const std::wstring& given) {
  std::wstring name = given;
  MachineView(parent, name);
  {
    TRegistryKey key;
    const LSTATUS opened = key.Open(parent, name);
    if (opened == ERROR_FILE_NOT_FOUND) return true;
    if (opened != ERROR_SUCCESS) return false;
    std::vector<std::wstring> children;
    for (std::wstring child; syscalls::EnumKey(key.Get(), static_cast<DWORD>(children.size()),
                                               &child) == ERROR_SUCCESS;)
      children.push_back(child);
    for (const std::wstring& child : children) DeleteKeyTree(key.Get(), child);
  }
  const LSTATUS status = syscalls::DeleteKey(parent, name);
  return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
}
