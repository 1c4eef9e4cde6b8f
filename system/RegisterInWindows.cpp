#include "RegisterInWindows.h"

#include "SystemCalls.h"
#include "Utf.h"

#include <algorithm>
#include <vector>

namespace {

constexpr char kUninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

// An open registry key, closed on every path out of the function that opened it.
class TRegKey {
 public:
  TRegKey() = default;
  ~TRegKey() {
    if (key_ != nullptr) syscalls::CloseKey(key_);
  }
  TRegKey(const TRegKey&) = delete;
  TRegKey& operator=(const TRegKey&) = delete;

  HKEY Get() const { return key_; }

  bool Open(HKEY root, const std::wstring& path) {
    return Keep(syscalls::OpenKey(root, path, &key_));
  }
  // Open, but only a key that is not there is no error.
  bool OpenIfThere(HKEY root, const std::string& path) {
    const LSTATUS status = syscalls::OpenKey(root, toolkit::Widen(path), &key_);
    if (Keep(status)) return true;
    if (status == ERROR_FILE_NOT_FOUND) return false;
    throw ERegistryError("Failed to open key " + path);
  }
  bool Open(HKEY root, const std::string& path) { return Open(root, toolkit::Widen(path)); }
  void Create(HKEY root, const std::string& path) {
    if (!Keep(syscalls::CreateKey(root, toolkit::Widen(path), &key_)))
      throw ERegistryError("Failed to create key " + path);
  }

 private:
  bool Keep(LSTATUS status) {
    if (status != ERROR_SUCCESS) key_ = nullptr;
    return status == ERROR_SUCCESS;
  }

  HKEY key_ = nullptr;
};

// The default (unnamed) value is named after its key in error texts: an
// empty name would not tell the user which record failed.
void SetValueOrRaise(HKEY key, const std::string& name, DWORD type, const void* data, DWORD size,
                     const std::string& keyPath) {
  if (syscalls::SetValue(key, toolkit::Widen(name), type, static_cast<const BYTE*>(data), size) !=
      ERROR_SUCCESS) {
    throw ERegistryError("Failed to set data for '" + (name.empty() ? keyPath : name) + "'");
  }
}

void WriteString(HKEY key, const std::string& name, const std::string& value,
                 const std::string& keyPath = std::string()) {
  const std::wstring data = toolkit::Widen(value);
  const DWORD size = static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t));
  SetValueOrRaise(key, name, REG_SZ, data.c_str(), size, keyPath);
}

void WriteDword(HKEY key, const std::string& name, DWORD value) {
  SetValueOrRaise(key, name, REG_DWORD, &value, sizeof value, std::string());
}

// The value as a string, nullopt when it does not exist. Expandable strings
// count as strings and are returned as stored.
std::optional<std::string> ReadString(HKEY key, const std::string& name) {
  const std::wstring wideName = toolkit::Widen(name);
  std::vector<wchar_t> buffer(256);
  for (;;) {
    DWORD type = REG_NONE;
    DWORD size = static_cast<DWORD>(buffer.size() * sizeof(wchar_t));
    const LSTATUS status =
        syscalls::QueryValue(key, wideName, &type, reinterpret_cast<BYTE*>(buffer.data()), &size);
    if (status == ERROR_FILE_NOT_FOUND) return std::nullopt;
    if (status != ERROR_SUCCESS && status != ERROR_MORE_DATA)
      throw ERegistryError("Failed to get data for '" + name + "'");
    if (type != REG_SZ && type != REG_EXPAND_SZ)
      throw ERegistryError("Invalid data type for '" + name + "'");
    if (status == ERROR_MORE_DATA) {
      buffer.assign(size / sizeof(wchar_t) + 1, L'\0');
      continue;
    }
    // Stored strings need not end in a NUL, and may hold one before the end.
    const size_t stored = size / sizeof(wchar_t);
    size_t length = 0;
    while (length < stored && buffer[length] != L'\0') ++length;
    return toolkit::Narrow(buffer.data(), length);
  }
}

// Sub-keys first, deepest first, then the key itself. Every failure is
// ignored: a sub-key that stays makes only its parents stay.
void DeleteKeyTree(HKEY parent, const std::wstring& name) {
  {
    TRegKey key;
    if (!key.Open(parent, name)) return;
    std::vector<std::wstring> children;
    std::wstring child;
    while (syscalls::EnumKey(key.Get(), static_cast<DWORD>(children.size()), &child) ==
           ERROR_SUCCESS) {
      children.push_back(child);
    }
    for (const std::wstring& each : children) DeleteKeyTree(key.Get(), each);
  }
  syscalls::DeleteKey(parent, name);
}

std::string LowerCase(const std::string& text) {
  std::wstring wide = toolkit::Widen(text);
  if (!wide.empty()) CharLowerBuffW(wide.data(), static_cast<DWORD>(wide.size()));
  return toolkit::Narrow(wide);
}

bool SameClassName(const std::string& a, const std::string& b) {
  return LowerCase(a) == LowerCase(b);
}

void SetDefaultValue(HKEY root, const std::string& keyPath, const std::string& value) {
  TRegKey key;
  key.Create(root, keyPath);
  WriteString(key.Get(), "", value, keyPath);
}

}  // namespace

std::string ReadRegistryString(HKEY root, const std::string& keyPath,
                               const std::string& valueName) {
  TRegKey key;
  if (!key.OpenIfThere(root, keyPath)) return std::string();
  return ReadString(key.Get(), valueName).value_or(std::string());
}

std::string QuotedCommand(const std::string& program, const std::string& arguments) {
  return "\"" + program + "\" " + arguments;
}

void WriteUninstallRecord(const std::string& productName, const std::string& displayIcon,
                          const std::string& publisher, const std::string& installLocation,
                          const std::string& uninstallCommand, int majorVersion, int minorVersion) {
  TRegKey key;
  key.Create(HKEY_LOCAL_MACHINE, UninstallRecordKey(productName));
  WriteString(key.Get(), "DisplayName", productName);
  WriteString(key.Get(), "DisplayVersion",
              std::to_string(majorVersion) + "." + std::to_string(minorVersion));
  WriteString(key.Get(), "DisplayIcon", displayIcon);
  WriteString(key.Get(), "InstallLocation", installLocation);
  WriteString(key.Get(), "UninstallString", uninstallCommand);
  WriteString(key.Get(), "Publisher", publisher);
  WriteDword(key.Get(), "VersionMajor", static_cast<DWORD>(majorVersion));
  WriteDword(key.Get(), "VersionMinor", static_cast<DWORD>(minorVersion));
}

std::string UninstallRecordKey(const std::string& productName) {
  return std::string(kUninstallKey) + "\\" + productName;
}

void WriteUnattendedUninstall(const std::string& productName, const std::string& quietCommand,
                              uint64_t kilobytes) {
  TRegKey key;
  key.Create(HKEY_LOCAL_MACHINE, UninstallRecordKey(productName));
  WriteString(key.Get(), "QuietUninstallString", quietCommand);
  // A DWORD of kilobytes reaches 4 TiB: far past any installation of ours.
  WriteDword(key.Get(), "EstimatedSize",
             static_cast<DWORD>(std::min<uint64_t>(kilobytes, 0xFFFFFFFF)));
  // "Change" and "Repair" in the list of installed programs would only start
  // the uninstaller: the list offers neither.
  WriteDword(key.Get(), "NoModify", 1);
  WriteDword(key.Get(), "NoRepair", 1);
}

void WriteInstallFrom(const std::string& productName, const std::string& sourceFolder) {
  TRegKey key;
  key.Create(HKEY_LOCAL_MACHINE, UninstallRecordKey(productName));
  WriteString(key.Get(), "InstallFrom", sourceFolder);
}

std::optional<std::string> ReadInstallLocation(const std::string& productName) {
  TRegKey key;
  if (!key.OpenIfThere(HKEY_LOCAL_MACHINE, UninstallRecordKey(productName))) return std::nullopt;
  return ReadString(key.Get(), "InstallLocation").value_or(std::string());
}

void DeleteUninstallRecord(const std::string& productName) {
  TRegKey uninstall;
  if (!uninstall.Open(HKEY_LOCAL_MACHINE, kUninstallKey)) return;
  DeleteKeyTree(uninstall.Get(), toolkit::Widen(productName));
}

void RegisterFileType(const std::string& extension, const std::string& description,
                      const std::string& iconPath, const std::string& verbLabel,
                      const std::string& verbCommand) {
  const std::string lower = LowerCase(extension);
  const std::string typeClass = lower + "FILE";
  SetDefaultValue(HKEY_CLASSES_ROOT, "." + lower, typeClass);
  SetDefaultValue(HKEY_CLASSES_ROOT, typeClass, description);
  SetDefaultValue(HKEY_CLASSES_ROOT, typeClass + "\\DefaultIcon", iconPath);
  if (verbLabel.empty()) return;
  SetDefaultValue(HKEY_CLASSES_ROOT, typeClass + "\\Shell\\Default", verbLabel);
  SetDefaultValue(HKEY_CLASSES_ROOT, typeClass + "\\Shell\\Default\\command", verbCommand);
}

void UnregisterFileType(const std::string& extension) {
  const std::string lower = LowerCase(extension);
  const std::string typeClass = lower + "FILE";
  TRegKey extensionKey;
  if (!extensionKey.Open(HKEY_CLASSES_ROOT, "." + lower)) return;
  // A value of another type, or another class, belongs to whoever took the
  // extension over since: not ours to remove.
  std::optional<std::string> named;
  try {
    named = ReadString(extensionKey.Get(), "");
  } catch (const ERegistryError&) {
    return;
  }
  if (!named || !SameClassName(*named, typeClass)) return;
  // The class first: while the extension still names it, a second run
  // finds both again.
  HKEY classKey = nullptr;
  const LSTATUS opened = syscalls::OpenKey(HKEY_CLASSES_ROOT, toolkit::Widen(typeClass), &classKey);
  if (opened == ERROR_SUCCESS) {
    const LSTATUS deleted = syscalls::DeleteValue(classKey, L"");
    syscalls::CloseKey(classKey);
    if (deleted != ERROR_SUCCESS && deleted != ERROR_FILE_NOT_FOUND) return;
  } else if (opened != ERROR_FILE_NOT_FOUND) {
    return;
  }
  syscalls::DeleteValue(extensionKey.Get(), L"");
}

bool IsFileTypeRegistered(const std::string& extension) {
  const std::string lower = LowerCase(extension);
  try {
    const std::string named = ReadRegistryString(HKEY_CLASSES_ROOT, "." + lower, "");
    return SameClassName(named, lower + "FILE");
  } catch (const ERegistryError&) {
    return false;
  }
}
