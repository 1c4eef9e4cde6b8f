#include "FilesAndFolders.h"

#include "ArchiveFolder.h"
#include "InputDataForm.h"
#include "UnZipDialogs.h"
#include "LocalizedMessageDlg.h"
#include "Shortcuts.h"
#include "Utf.h"

#include <windows.h>

namespace {

// Asks whether to try a failed operation again; only Retry says yes (Abort,
// the close box and a termination request all give up).
bool UserChoosesRetry(const std::string& message, const std::string& path) {
  const int answer =
      LocalizedMessageDlg(message + "\r" + path, "Ошибка", dlg::kError, dlg::kAbort | dlg::kRetry);
  return answer == dlg::kResultRetry;
}

}  // namespace

bool CreateFolderWithRetry(const std::string& path) {
  const std::wstring widePath = toolkit::Widen(path);
  for (;;) {
    DeleteFolderIfExists(path);
    if (CreateDirectoryW(widePath.c_str(), nullptr)) return true;
    if (!UserChoosesRetry("Не удается создать папку ", path)) return false;
  }
}

bool CopyFileWithRetry(const std::string& source, const std::string& destination) {
  const std::wstring wideSource = toolkit::Widen(source);
  const std::wstring wideDestination = toolkit::Widen(destination);
  for (;;) {
    if (CopyFileW(wideSource.c_str(), wideDestination.c_str(), FALSE)) return true;
    if (!UserChoosesRetry("Не удается создать/скопировать файл ", source)) return false;
  }
}

void DeleteFolderIfExists(const std::string& path) {
  const DWORD attributes = GetFileAttributesW(toolkit::Widen(path).c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    DeleteTree(path);
  }
}

void ExtractArchiveFolder(const std::string& folder, const std::string& destination) {
  TUnZipDialogs dialogs;
  ExtractArchiveFolder(InstallDirectory() + "\\temp.zip", folder, destination, &dialogs);
}
