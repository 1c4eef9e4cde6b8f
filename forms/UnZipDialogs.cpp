#include "UnZipDialogs.h"

#include <windows.h>
#include <commdlg.h>

#include <vector>

#include "Application.h"
#include "FolderBrowser.h"
#include "LocalizedMessageDlg.h"
#include "Utf.h"

void TUnZipDialogs::ProcessMessages() { toolkit::Application::Instance().ProcessMessages(); }

bool TUnZipDialogs::ChooseZipFile(const std::string& title, const std::string& filter,
                                  const std::string& initialFolder, std::string& chosen) {
  // The filter comes as "Text|*.zip|..."; the system wants NUL separators.
  std::wstring wideFilter = toolkit::Widen(filter);
  for (wchar_t& c : wideFilter) {
    if (c == L'|') c = L'\0';
  }
  wideFilter.push_back(L'\0');
  const std::wstring wideTitle = toolkit::Widen(title);
  const std::wstring folder = toolkit::Widen(initialFolder);
  std::vector<wchar_t> file(MAX_PATH * 4, L'\0');
  OPENFILENAMEW dialog = {};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = toolkit::Application::Instance().ActiveWindow();
  dialog.lpstrFilter = wideFilter.c_str();
  dialog.lpstrFile = file.data();
  dialog.nMaxFile = DWORD(file.size());
  dialog.lpstrInitialDir = folder.empty() ? nullptr : folder.c_str();
  dialog.lpstrTitle = wideTitle.c_str();
  dialog.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
  if (!GetOpenFileNameW(&dialog)) return false;
  chosen = toolkit::Narrow(file.data());
  return true;
}

bool TUnZipDialogs::ChooseFolder(const std::string&, std::string& chosen) {
  chosen = BrowseForFolder(toolkit::Application::Instance().ActiveWindow(), "");
  return !chosen.empty();
}

bool TUnZipDialogs::AskYesNo(const std::string& text, const std::string& caption) {
  return LocalizedMessageDlg(text, caption, dlg::kConfirmation, dlg::kYes | dlg::kNo) ==
         dlg::kResultYes;
}

void TUnZipDialogs::ShowMessage(const std::string& text, const std::string& caption) {
  LocalizedMessageDlg(text, caption, dlg::kInformation, dlg::kOK);
}

// The installation keeps the hourglass over its whole run; an extraction
// ending must not take it away in the middle.
void TUnZipDialogs::SetBusyCursor(bool) {}
