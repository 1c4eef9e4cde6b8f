#include "FilesAndFolders.h"

#include <windows.h>
#include <shellapi.h>

#include "Application.h"
#include "SystemCalls.h"
#include "Utf.h"

bool CreateFolderWithRetry(const std::string& path, TRetryPrompt& prompt) {
  const std::wstring widePath = toolkit::Widen(path);
  for (;;) {
    DeleteFolderIfExists(path);
    if (CreateDirectoryW(widePath.c_str(), nullptr)) return true;
    if (!prompt.Retry("Не удается создать папку ", path)) return false;
  }
}

bool CopyFileWithRetry(const std::string& source, const std::string& destination,
                       TRetryPrompt& prompt) {
  const std::wstring wideSource = toolkit::Widen(source);
  const std::wstring wideDestination = toolkit::Widen(destination);
  for (;;) {
    if (CopyFileW(wideSource.c_str(), wideDestination.c_str(), FALSE)) return true;
    if (!prompt.Retry("Не удается создать/скопировать файл ", source)) return false;
  }
}

void DeleteFolderIfExists(const std::string& path) {
  const DWORD attributes = GetFileAttributesW(toolkit::Widen(path).c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    DeleteTree(path);
  }
}

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
  return syscalls::ShellFileOperation(&operation);
}
