// Registry access for tests: reading values raw, seeding values and keys, and
// putting back whatever a test changed in the emulator's shared prefix.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

namespace testregistry {

struct RawValue {
  DWORD type = REG_NONE;
  std::vector<BYTE> data;
};

bool KeyExists(HKEY root, const std::string& key);
std::optional<RawValue> ReadRaw(HKEY root, const std::string& key, const std::string& name);
// A REG_SZ value up to its first NUL; nullopt when missing or of another type.
std::optional<std::string> ReadString(HKEY root, const std::string& key, const std::string& name);
// The strings of a REG_MULTI_SZ value, empty ones included.
std::vector<std::string> ReadMultiString(HKEY root, const std::string& key,
                                         const std::string& name);
// The paths the system is to delete at the next restart (pending renames to
// nothing), without their "\??\" prefix and with doubled separators single.
std::vector<std::string> PendingDeletionsAtRestart();
// Names of the values of a key, in the registry's order.
std::vector<std::string> ValueNames(HKEY root, const std::string& key);
std::vector<std::string> SubKeyNames(HKEY root, const std::string& key);

void WriteString(HKEY root, const std::string& key, const std::string& name,
                 const std::string& value);
void WriteDword(HKEY root, const std::string& key, const std::string& name, DWORD value);
void DeleteKeyTree(HKEY root, const std::string& key);

// Remembers one value (or that it is missing) and restores it when destroyed.
class SavedValue {
 public:
  SavedValue(HKEY root, std::string key, std::string name);
  ~SavedValue();
  SavedValue(const SavedValue&) = delete;
  SavedValue& operator=(const SavedValue&) = delete;

  void SetString(const std::string& value) { WriteString(root_, key_, name_, value); }
  void SetDword(DWORD value) { WriteDword(root_, key_, name_, value); }
  void Remove();

 private:
  HKEY root_;
  std::string key_, name_;
  std::optional<RawValue> saved_;
};

}  // namespace testregistry
