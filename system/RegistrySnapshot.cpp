#include "RegistrySnapshot.h"

#include <vector>

#include "KeySnapshot.h"
#include "RegistryKey.h"
#include "SystemCalls.h"
#include "Utf.h"

namespace {

// Every key and value of the tree, the key at `relative` first.
void Describe(HKEY key, const std::wstring& relative, std::string& out) {
  TSnapshotItem item;
  item.key = toolkit::Narrow(relative);
  out += (out.empty() ? "" : " ") + SnapshotItemText(item);
  item.isValue = true;
  std::wstring name;
  DWORD type = 0;
  std::vector<BYTE> data;
  for (DWORD i = 0;; ++i) {
    const LSTATUS status = syscalls::EnumValue(key, i, &name, &type, &data);
    if (status == ERROR_NO_MORE_ITEMS) break;
    if (status != ERROR_SUCCESS) throw ERegistryError("Failed to read the values of a key", status);
    item.name = toolkit::Narrow(name);
    item.type = type;
    item.data.assign(data.begin(), data.end());
    out += " " + SnapshotItemText(item);
  }
  std::vector<std::wstring> children;
  for (std::wstring child; syscalls::EnumKey(key, DWORD(children.size()), &child) == ERROR_SUCCESS;)
    children.push_back(child);
  for (const std::wstring& child : children) {
    TRegistryKey sub;
    if (const LSTATUS status = sub.Open(key, child); status != ERROR_SUCCESS)
      throw ERegistryError("Failed to open a key below " + toolkit::Narrow(relative), status);
    Describe(sub.Get(), relative.empty() ? child : relative + L"\\" + child, out);
  }
}

std::wstring Below(const std::wstring& path, const std::string& relative) {
  return relative.empty() ? path : path + L"\\" + toolkit::Widen(relative);
}

bool Rebuild(HKEY root, const std::wstring& path, const std::vector<TSnapshotItem>& items) {
  for (const TSnapshotItem& item : items) {
    TRegistryKey key;
    if (key.Create(root, Below(path, item.key)) != ERROR_SUCCESS) return false;
    if (!item.isValue) continue;
    if (syscalls::SetValue(key.Get(), toolkit::Widen(item.name), item.type,
                           reinterpret_cast<const BYTE*>(item.data.data()),
                           static_cast<DWORD>(item.data.size())) != ERROR_SUCCESS)
      return false;
  }
  return true;
}

}  // namespace

std::string SnapshotKey(HKEY root, const std::string& path) {
  TRegistryKey key;
  const LSTATUS status = key.Open(root, toolkit::Widen(path));
  if (status == ERROR_FILE_NOT_FOUND) return kAbsentSnapshot;
  if (status != ERROR_SUCCESS) throw ERegistryError("Failed to open key " + path, status);
  std::string text;
  Describe(key.Get(), std::wstring(), text);
  return text;
}

bool RestoreKey(HKEY root, const std::string& path, const std::string& snapshot) {
  try {
    if (SnapshotKey(root, path) == snapshot) return true;
  } catch (const ERegistryError&) {
    // Unreadable now: rebuilt from the snapshot all the same.
  }
  // A snapshot this program did not write is not acted on.
  const std::optional<std::vector<TSnapshotItem>> items = ParseKeySnapshot(snapshot);
  if (!items) return false;
  const std::wstring widePath = toolkit::Widen(path);
  const size_t cut = widePath.rfind(L'\\');
  TRegistryKey parent;
  if (cut != std::wstring::npos) {
    if (parent.Open(root, widePath.substr(0, cut)) != ERROR_SUCCESS) return false;
  }
  if (!DeleteKeyTree(cut == std::wstring::npos ? root : parent.Get(),
                     cut == std::wstring::npos ? widePath : widePath.substr(cut + 1)))
    return false;
  return Rebuild(root, widePath, *items);
}

const char* RootName(HKEY root) {
  if (root == HKEY_LOCAL_MACHINE) return "HKLM";
  if (root == HKEY_CURRENT_USER) return "HKCU";
  if (root == HKEY_CLASSES_ROOT) return "HKCR";
  return nullptr;
}

HKEY RootNamed(const std::string& name) {
  if (name == "HKLM") return HKEY_LOCAL_MACHINE;
  if (name == "HKCU") return HKEY_CURRENT_USER;
  if (name == "HKCR") return HKEY_CLASSES_ROOT;
  return nullptr;
}
