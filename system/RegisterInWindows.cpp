#include "RegisterInWindows.h"

#include "SystemCalls.h"
#include "Utf.h"

#include <algorithm>
#include <vector>

namespace {

constexpr char kUninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

// Only a key that is not there is no error.
bool OpenIfThere(TRegistryKey& key, HKEY root, const std::string& path) {
  const LSTATUS status = key.Open(root, toolkit::Widen(path));
  if (status == ERROR_SUCCESS) return true;
  if (status == ERROR_FILE_NOT_FOUND) return false;
  throw ERegistryError("Failed to open key " + path, status);
}

void CreateOrRaise(TRegistryKey& key, HKEY root, const std::string& path) {
  const LSTATUS status = key.Create(root, toolkit::Widen(path));
  if (status != ERROR_SUCCESS) throw ERegistryError("Failed to create key " + path, status);
}

// The default (unnamed) value is named after its key in error texts: an
// empty name would not tell the user which record failed.
void SetValueOrRaise(HKEY key, const std::string& name, DWORD type, const void* data, DWORD size,
                     const std::string& keyPath) {
  const LSTATUS status =
      syscalls::SetValue(key, toolkit::Widen(name), type, static_cast<const BYTE*>(data), size);
  if (status != ERROR_SUCCESS)
    throw ERegistryError("Failed to set data for '" + (name.empty() ? keyPath : name) + "'",
                         status);
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
      throw ERegistryError("Failed to get data for '" + name + "'", status);
    if (type != REG_SZ && type != REG_EXPAND_SZ)
      throw ERegistryError("Invalid data type for '" + name + "'", ERROR_INVALID_DATATYPE);
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

std::string LowerCase(const std::string& text) {
  std::wstring wide = toolkit::Widen(text);
  if (!wide.empty()) CharLowerBuffW(wide.data(), static_cast<DWORD>(wide.size()));
  return toolkit::Narrow(wide);
}

bool SameClassName(const std::string& a, const std::string& b) {
  return LowerCase(a) == LowerCase(b);
}

void SetDefaultValue(HKEY root, const std::string& keyPath, const std::string& value) {
  TRegistryKey key;
  CreateOrRaise(key, root, keyPath);
  WriteString(key.Get(), "", value, keyPath);
}

}  // namespace

std::string ReadRegistryString(HKEY root, const std::string& keyPath,
                               const std::string& valueName) {
  TRegistryKey key;
  if (!OpenIfThere(key, root, keyPath)) return std::string();
  return ReadString(key.Get(), valueName).value_or(std::string());
}

std::string QuotedCommand(const std::string& program, const std::string& arguments) {
  return "\"" + program + "\" " + arguments;
}

void WriteUninstallRecord(const std::string& productName, const std::string& displayIcon,
                          const std::string& publisher, const std::string& installLocation,
                          const std::string& uninstallCommand, int majorVersion, int minorVersion,
                          const TRecordExtras& extras) {
  TRegistryKey key;
  CreateOrRaise(key, HKEY_LOCAL_MACHINE, UninstallRecordKey(productName));
  WriteString(key.Get(), "DisplayName", productName);
  WriteString(key.Get(), "DisplayVersion",
              std::to_string(majorVersion) + "." + std::to_string(minorVersion));
  WriteString(key.Get(), "DisplayIcon", displayIcon);
  WriteString(key.Get(), "InstallLocation", installLocation);
  WriteString(key.Get(), "UninstallString", uninstallCommand);
  WriteString(key.Get(), "Publisher", publisher);
  WriteDword(key.Get(), "VersionMajor", static_cast<DWORD>(majorVersion));
  WriteDword(key.Get(), "VersionMinor", static_cast<DWORD>(minorVersion));
  if (!extras.quietCommand.empty()) {
    WriteString(key.Get(), "QuietUninstallString", extras.quietCommand);
    // A DWORD of kilobytes reaches 4 TiB: far past any installation of ours.
    WriteDword(key.Get(), "EstimatedSize",
               static_cast<DWORD>(std::min<uint64_t>(extras.kilobytes, 0xFFFFFFFF)));
    // "Change" and "Repair" in the list of installed programs would only
    // start the uninstaller: the list offers neither.
    WriteDword(key.Get(), "NoModify", 1);
    WriteDword(key.Get(), "NoRepair", 1);
  }
  if (!extras.installFrom.empty()) WriteString(key.Get(), "InstallFrom", extras.installFrom);
}

std::string UninstallRecordKey(const std::string& productName) {
  return std::string(kUninstallKey) + "\\" + productName;
}

std::optional<std::string> ReadInstallLocation(const std::string& productName) {
  TRegistryKey key;
  if (!OpenIfThere(key, HKEY_LOCAL_MACHINE, UninstallRecordKey(productName))) return std::nullopt;
  return ReadString(key.Get(), "InstallLocation").value_or(std::string());
}

void DeleteUninstallRecord(const std::string& productName) {
  TRegistryKey uninstall;
  if (uninstall.Open(HKEY_LOCAL_MACHINE, toolkit::Widen(kUninstallKey)) != ERROR_SUCCESS) return;
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
  TRegistryKey extensionKey;
  if (extensionKey.Open(HKEY_CLASSES_ROOT, toolkit::Widen("." + lower)) != ERROR_SUCCESS) return;
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
  TRegistryKey classKey;
  const LSTATUS opened = classKey.Open(HKEY_CLASSES_ROOT, toolkit::Widen(typeClass));
  if (opened == ERROR_SUCCESS) {
    const LSTATUS deleted = syscalls::DeleteValue(classKey.Get(), L"");
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
