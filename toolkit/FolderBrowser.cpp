#include "FolderBrowser.h"

#include <shlobj.h>

#include "Application.h"
#include "Utf.h"

std::string BrowseForFolder(HWND owner, const std::string& title) {
  const std::wstring wideTitle = toolkit::Widen(title);
  wchar_t display[MAX_PATH] = {};
  BROWSEINFOW info = {};
  info.hwndOwner = owner;
  info.pidlRoot = nullptr;  // the desktop
  info.pszDisplayName = display;
  info.lpszTitle = wideTitle.c_str();
  info.ulFlags = BIF_RETURNONLYFSDIRS;
  PIDLIST_ABSOLUTE chosen;
  {
    // The browser disables only its owner: the wizard must not take a second
    // click (a second browser, or Next) while it is open.
    toolkit::ModalScope modal;
    chosen = SHBrowseForFolderW(&info);
  }
  if (!chosen) return "";
  wchar_t path[MAX_PATH] = {};
  const bool ok = SHGetPathFromIDListW(chosen, path) != FALSE;
  CoTaskMemFree(chosen);
  return ok ? toolkit::Narrow(path) : "";
}

bool FolderExists(const std::string& path) {
  const DWORD attributes = GetFileAttributesW(toolkit::Widen(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

UINT DriveTypeOf(const std::string& drive) {
  return GetDriveTypeW(toolkit::Widen(drive + "\\").c_str());
}
