// The message tables are resources of the program's own module (uzStrRes.rc).
#include <windows.h>

#include "uzExceptions.h"
#include "streams/uzStrRes.h"
#include "streams/uzUtf8_win.h"

namespace uz {

bool FindStringTable(const std::string& name, TRawTable& table) {
  HMODULE module = GetModuleHandleW(nullptr);
  std::wstring wname = Widen(name);
  std::wstring wtype = Widen(kStringTableType);
  HRSRC info = FindResourceW(module, wname.c_str(), wtype.c_str());
  if (info == nullptr) return false;
  HGLOBAL loaded = LoadResource(module, info);
  if (loaded == nullptr) throw EOutOfResources("Cannot load string resource " + name);
  // Module resources need no unlocking or freeing: they stay mapped with the module.
  const void* data = LockResource(loaded);
  if (data == nullptr) throw EOutOfResources("Cannot lock string resource");
  table.data = static_cast<const uint8_t*>(data);
  table.size = SizeofResource(module, info);
  return true;
}

}  // namespace uz
