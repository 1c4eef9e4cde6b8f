#include "Shortcuts.h"

#include "Application.h"
#include "Utf.h"

#include <windows.h>
#include <shellapi.h>

int DeleteTree(const std::string& path) {
  // A list of one entry, ended by an empty entry: the path, then two NULs.
  std::wstring from = toolkit::Widen(path);
  from.push_back(L'\0');
  from.push_back(L'\0');
  SHFILEOPSTRUCTW operation = {};
  operation.hwnd = toolkit::Application::Instance().ActiveWindow();
  operation.wFunc = FO_DELETE;
  operation.pFrom = from.c_str();
  // No confirmation and no error UI (0x0410); neither FOF_ALLOWUNDO (delete
  // outright) nor FOF_SILENT (long deletions show the shell's progress).
  operation.fFlags = FOF_NOCONFIRMATION | FOF_NOERRORUI;
  static_assert((FOF_NOCONFIRMATION | FOF_NOERRORUI) == 0x0410, "the flags of a silent delete");
  return SHFileOperationW(&operation);
}
