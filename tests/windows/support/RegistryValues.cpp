#include "RegistryValues.h"

#include "Utf.h"

#include <algorithm>
#include <cstring>

namespace testregistry {

namespace {

class Key {
 public:
  Key(HKEY root, const std::string& path, bool create = false) {
    const std::wstring wide = toolkit::Widen(path);
    const LSTATUS status = create ? RegCreateKeyExW(root, wide.c_str(), 0, nullptr, 0,
                                                    KEY_ALL_ACCESS, nullptr, &key_, nullptr)
                                  : RegOpenKeyExW(root, wide.c_str(), 0, KEY_ALL_ACCESS, &key_);
    if (status != ERROR_SUCCESS) key_ = nullptr;
  }
  ~Key() {
    if (key_) RegCloseKey(key_);
  }
  Key(const Key&) = delete;
  Key& operator=(const Key&) = delete;
  HKEY Get() const { return key_; }

 private:
  HKEY key_ = nullptr;
};

std::wstring WideText(const RawValue& value) {
  std::wstring text(value.data.size() / sizeof(wchar_t), L'\0');
  if (!text.empty()) memcpy(text.data(), value.data.data(), text.size() * sizeof(wchar_t));
  return text;
}

}  // namespace

bool KeyExists(HKEY root, const std::string& key) { return Key(root, key).Get() != nullptr; }

std::optional<RawValue> ReadRaw(HKEY root, const std::string& key, const std::string& name) {
  Key open(root, key);
  if (!open.Get()) return std::nullopt;
  const std::wstring wideName = toolkit::Widen(name);
  RawValue value;
  DWORD size = 0;
  if (RegQueryValueExW(open.Get(), wideName.c_str(), nullptr, &value.type, nullptr, &size) !=
      ERROR_SUCCESS)
    return std::nullopt;
  value.data.resize(size);
  if (RegQueryValueExW(open.Get(), wideName.c_str(), nullptr, &value.type, value.data.data(),
                       &size) != ERROR_SUCCESS)
    return std::nullopt;
  value.data.resize(size);
  return value;
}

std::optional<std::string> ReadString(HKEY root, const std::string& key, const std::string& name) {
  const std::optional<RawValue> value = ReadRaw(root, key, name);
  if (!value || value->type != REG_SZ) return std::nullopt;
  const std::wstring text = WideText(*value);
  return toolkit::Narrow(text.substr(0, text.find(L'\0')));
}

std::vector<std::string> ReadMultiString(HKEY root, const std::string& key,
                                         const std::string& name) {
  const std::optional<RawValue> value = ReadRaw(root, key, name);
  if (!value || value->type != REG_MULTI_SZ) return {};
  // Empty strings matter here (a deletion is a name followed by an empty
  // target): every NUL ends a string, and the last, empty one ends the list.
  const std::wstring text = WideText(*value);
  std::vector<std::string> strings;
  for (size_t start = 0; start < text.size();) {
    const size_t end = std::min(text.find(L'\0', start), text.size());
    strings.push_back(toolkit::Narrow(text.substr(start, end - start)));
    start = end + 1;
  }
  if (!strings.empty() && strings.back().empty()) strings.pop_back();
  return strings;
}

std::vector<std::string> PendingDeletionsAtRestart() {
  const std::vector<std::string> operations =
      ReadMultiString(HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Control\\Session Manager",
                      "PendingFileRenameOperations");
  std::vector<std::string> deletions;
  for (size_t i = 0; i < operations.size(); i += 2) {
    const bool toNothing = i + 1 == operations.size() || operations[i + 1].empty();
    if (!toNothing || operations[i].rfind("\\??\\", 0) != 0) continue;
    std::string path = operations[i].substr(4);
    for (size_t at; (at = path.find("\\\\", 1)) != std::string::npos;) path.erase(at, 1);
    deletions.push_back(path);
  }
  return deletions;
}

std::vector<std::string> ValueNames(HKEY root, const std::string& key) {
  Key open(root, key);
  std::vector<std::string> names;
  if (!open.Get()) return names;
  for (DWORD index = 0;; ++index) {
    wchar_t name[16384];
    DWORD length = 16384;
    if (RegEnumValueW(open.Get(), index, name, &length, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS)
      break;
    names.push_back(toolkit::Narrow(name, length));
  }
  return names;
}

std::vector<std::string> SubKeyNames(HKEY root, const std::string& key) {
  Key open(root, key);
  std::vector<std::string> names;
  if (!open.Get()) return names;
  for (DWORD index = 0;; ++index) {
    wchar_t name[256];
    DWORD length = 256;
    if (RegEnumKeyExW(open.Get(), index, name, &length, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS)
      break;
    names.push_back(toolkit::Narrow(name, length));
  }
  return names;
}

void WriteString(HKEY root, const std::string& key, const std::string& name,
                 const std::string& value) {
  Key open(root, key, true);
  const std::wstring data = toolkit::Widen(value);
  RegSetValueExW(open.Get(), toolkit::Widen(name).c_str(), 0, REG_SZ,
                 reinterpret_cast<const BYTE*>(data.c_str()),
                 static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t)));
}

void WriteDword(HKEY root, const std::string& key, const std::string& name, DWORD value) {
  Key open(root, key, true);
  RegSetValueExW(open.Get(), toolkit::Widen(name).c_str(), 0, REG_DWORD,
                 reinterpret_cast<const BYTE*>(&value), sizeof value);
}

void DeleteKeyTree(HKEY root, const std::string& key) {
  RegDeleteTreeW(root, toolkit::Widen(key).c_str());
  RegDeleteKeyW(root, toolkit::Widen(key).c_str());
}

SavedValue::SavedValue(HKEY root, std::string key, std::string name)
    : root_(root),
      key_(std::move(key)),
      name_(std::move(name)),
      saved_(ReadRaw(root_, key_, name_)) {}

SavedValue::~SavedValue() {
  if (!saved_) {
    Remove();
    return;
  }
  Key open(root_, key_, true);
  RegSetValueExW(open.Get(), toolkit::Widen(name_).c_str(), 0, saved_->type, saved_->data.data(),
                 static_cast<DWORD>(saved_->data.size()));
}

void SavedValue::Remove() {
  Key open(root_, key_);
  if (open.Get()) RegDeleteValueW(open.Get(), toolkit::Widen(name_).c_str());
}

}  // namespace testregistry
