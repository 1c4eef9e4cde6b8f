#include "SpecialFolders.h"

#include <windows.h>
#include <shlobj.h>

#include "RegisterInWindows.h"
#include "Utf.h"

namespace {

constexpr char kShellFoldersKey[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

}  // namespace

std::string GetShellFolder(const std::string& valueName) {
  return ReadRegistryString(HKEY_CURRENT_USER, kShellFoldersKey, valueName);
}

std::string ShellFolderOf(const std::string& valueName) {
  try {
    return GetShellFolder(valueName);
  } catch (const ERegistryError&) {
    return std::string();
  }
}

namespace {

std::string SystemFolder(int which) {
  wchar_t folder[MAX_PATH];
  if (SHGetFolderPathW(nullptr, which, nullptr, SHGFP_TYPE_CURRENT, folder) != S_OK)
    return std::string();
  return toolkit::Narrow(folder);
}

}  // namespace

std::string CommonAppDataFolder() { return SystemFolder(CSIDL_COMMON_APPDATA); }

std::string CommonProgramFilesFolder() { return SystemFolder(CSIDL_PROGRAM_FILES_COMMON); }

std::string TemporaryFolder() {
  wchar_t buffer[MAX_PATH + 1];
  const DWORD length = GetTempPathW(MAX_PATH + 1, buffer);
  if (length == 0 || length > MAX_PATH) return std::string();
  std::string folder = toolkit::Narrow(buffer, length);
  if (folder.back() != '\\') folder += '\\';
  return folder;
}
