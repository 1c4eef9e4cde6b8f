#include "RegistrySnapshot.h"

#include <vector>

#include "RegisterInWindows.h"
#include "SystemCalls.h"
#include "Utf.h"

namespace {

constexpr char kAbsent[] = "absent";

class TKey {
 public:
  TKey() = default;
  ~TKey() {
    if (key_) syscalls::CloseKey(key_);
  }
  TKey(const TKey&) = delete;
  TKey& operator=(const TKey&) = delete;
  LSTATUS Open(HKEY root, const std::wstring& path) {
    return Keep(syscalls::OpenKey(root, path, &key_));
  }
  LSTATUS Create(HKEY root, const std::wstring& path) {
    return Keep(syscalls::CreateKey(root, path, &key_));
  }
  HKEY Get() const { return key_; }

 private:
  LSTATUS Keep(LSTATUS status) {
    if (status != ERROR_SUCCESS) key_ = nullptr;
    return status;
  }
  HKEY key_ = nullptr;
};

std::string Hex(const void* data, size_t size) {
  static const char kDigits[] = "0123456789abcdef";
  std::string text;
  const auto* bytes = static_cast<const unsigned char*>(data);
  for (size_t i = 0; i < size; ++i) {
    text.push_back(kDigits[bytes[i] >> 4]);
    text.push_back(kDigits[bytes[i] & 15]);
  }
  return text;
}

std::vector<BYTE> Unhex(const std::string& text) {
  std::vector<BYTE> bytes;
  auto digit = [](char c) { return c <= '9' ? c - '0' : c - 'a' + 10; };
  for (size_t i = 0; i + 1 < text.size(); i += 2)
    bytes.push_back(static_cast<BYTE>(digit(text[i]) * 16 + digit(text[i + 1])));
  return bytes;
}

std::string HexText(const std::wstring& text) {
  const std::string utf8 = toolkit::Narrow(text);
  return Hex(utf8.data(), utf8.size());
}

std::wstring TextOfHex(const std::string& hex) {
  const std::vector<BYTE> bytes = Unhex(hex);
  return toolkit::Widen(std::string(bytes.begin(), bytes.end()));
}

// Items, blank-separated: "k/<path>" for a key, "v/<path>/<name>/<type>/<data>"
// for a value; paths relative to the snapshot's key, every text in hex.
void Describe(HKEY key, const std::wstring& relative, std::string& out) {
  out += (out.empty() ? "k/" : " k/") + HexText(relative);
  std::wstring name;
  DWORD type = 0;
  std::vector<BYTE> data;
  for (DWORD i = 0;; ++i) {
    const LSTATUS status = syscalls::EnumValue(key, i, &name, &type, &data);
    if (status == ERROR_NO_MORE_ITEMS) break;
    if (status != ERROR_SUCCESS) throw ERegistryError("Failed to read the values of a key");
    out += " v/" + HexText(relative) + "/" + HexText(name) + "/" + std::to_string(type) + "/" +
           Hex(data.data(), data.size());
  }
  std::vector<std::wstring> children;
  for (std::wstring child; syscalls::EnumKey(key, DWORD(children.size()), &child) == ERROR_SUCCESS;)
    children.push_back(child);
  for (const std::wstring& child : children) {
    TKey sub;
    if (sub.Open(key, child) != ERROR_SUCCESS)
      throw ERegistryError("Failed to open a key below " + toolkit::Narrow(relative));
    Describe(sub.Get(), relative.empty() ? child : relative + L"\\" + child, out);
  }
}

// Sub-keys first, then the key; true when the key is gone.
bool DeleteTree(HKEY parent, const std::wstring& name) {
  {
    TKey key;
    const LSTATUS opened = key.Open(parent, name);
    if (opened == ERROR_FILE_NOT_FOUND) return true;
    if (opened != ERROR_SUCCESS) return false;
    std::vector<std::wstring> children;
    for (std::wstring child;
         syscalls::EnumKey(key.Get(), DWORD(children.size()), &child) == ERROR_SUCCESS;)
      children.push_back(child);
    for (const std::wstring& child : children) DeleteTree(key.Get(), child);
  }
  const LSTATUS status = syscalls::DeleteKey(parent, name);
  return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
}

std::vector<std::string> Split(const std::string& text, char separator) {
  std::vector<std::string> parts;
  size_t start = 0;
  for (size_t end; (end = text.find(separator, start)) != std::string::npos; start = end + 1)
    parts.push_back(text.substr(start, end - start));
  parts.push_back(text.substr(start));
  return parts;
}

std::wstring Below(const std::wstring& path, const std::string& hexRelative) {
  const std::wstring relative = TextOfHex(hexRelative);
  return relative.empty() ? path : path + L"\\" + relative;
}

bool Rebuild(HKEY root, const std::wstring& path, const std::string& snapshot) {
  for (const std::string& item : Split(snapshot, ' ')) {
    const std::vector<std::string> f = Split(item, '/');
    TKey key;
    if (key.Create(root, Below(path, f.size() > 1 ? f[1] : "")) != ERROR_SUCCESS) return false;
    if (f[0] != "v" || f.size() != 5) continue;
    const std::vector<BYTE> data = Unhex(f[4]);
    if (syscalls::SetValue(key.Get(), TextOfHex(f[2]), DWORD(std::stoul(f[3])), data.data(),
                           DWORD(data.size())) != ERROR_SUCCESS)
      return false;
  }
  return true;
}

}  // namespace

std::string SnapshotKey(HKEY root, const std::string& path) {
  TKey key;
  const LSTATUS status = key.Open(root, toolkit::Widen(path));
  if (status == ERROR_FILE_NOT_FOUND) return kAbsent;
  if (status != ERROR_SUCCESS) throw ERegistryError("Failed to open key " + path);
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
  const std::wstring widePath = toolkit::Widen(path);
  const size_t cut = widePath.rfind(L'\\');
  TKey parent;
  if (cut != std::wstring::npos) {
    if (parent.Open(root, widePath.substr(0, cut)) != ERROR_SUCCESS) return false;
  }
  if (!DeleteTree(cut == std::wstring::npos ? root : parent.Get(),
                  cut == std::wstring::npos ? widePath : widePath.substr(cut + 1)))
    return false;
  return snapshot == kAbsent || Rebuild(root, widePath, snapshot);
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
