#include "RegistryKey.h"

#include <vector>

#include "SystemCalls.h"

LSTATUS TRegistryKey::Open(HKEY root, const std::wstring& path) {
  HKEY key = nullptr;
  const LSTATUS status = syscalls::OpenKey(root, path, &key);
  return Keep(status, key);
}

LSTATUS TRegistryKey::Create(HKEY root, const std::wstring& path) {
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

bool DeleteKeyTree(HKEY parent, const std::wstring& name) {
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
