// The installation sequence: the folder tree, the program copy, the archive
// folders, the map image, the registry records and the links, with the
// progress window and the billboards on the way. Whatever fails, the closing
// steps run: the install folder and what this run wrote to the system go
// again, and the wizard reports the failure.
#include <exception>

#include "ArchiveFolder.h"
#include "FilesAndFolders.h"
#include "FormMain.h"
#include "FormProgress.h"
#include "InputDataForm.h"
#include "LocalizedMessageDlg.h"
#include "MapContainer.h"
#include "Product.h"
#include "RegisterInWindows.h"
#include "RetryDialog.h"
#include "Shortcuts.h"
#include "Startup_win.h"
#include "UnZipDialogs.h"

namespace {

constexpr char kCopying[] = "Копирование файлов...";

// What this run has written outside the install folder, so that a failure
// can take it back.
struct TInstallTrail {
  bool fileTypes = false;
  bool uninstallRecord = false;
  bool links = false;

  void RollBack() const {
    if (links) {
      DeleteProgramGroup(kProductName);
      DeleteDesktopLink(std::string(kProductName) + ".lnk");
    }
    if (uninstallRecord) DeleteUninstallRecord(kProductName);
    if (fileTypes) {
      UnregisterFileType("maptldb");
      UnregisterFileType("maptl");
    }
  }
};

// Unpacks the archive folder `folder` of the installation's temporary archive
// (temp.zip in the install directory the wizard shows) into `destination`.
// Errors of the archive component reach the caller.
void ExtractArchiveFolder(const std::string& folder, const std::string& destination) {
  TUnZipDialogs dialogs;
  ::ExtractArchiveFolder(InstallDirectory() + "\\temp.zip", folder, destination, &dialogs);
}

void ShowCopyError(const std::string& text) {
  LocalizedMessageDlg(text, "Ошибка", dlg::kError, dlg::kOK);
}

bool CreateFolders(const std::string& d) {
  for (const char* folder :
       {"", "\\DataBase", "\\Icons", "\\Docs", "\\Docs\\Help", "\\Docs\\Legend"}) {
    TRetryDialog prompt;
    if (!CreateFolderWithRetry(d + folder, prompt)) return false;
  }
  return true;
}

// The program archive out of the container, then its folders into the tree.
bool UnpackProgramArchive(const std::string& d, const std::string& s) {
  try {
    CopyProgramArchive(s + kMapContainerName, d + "\\temp.zip");
    ExtractArchiveFolder("Program", d);
    ExtractArchiveFolder("Help", d + "\\Docs\\Help");
    ExtractArchiveFolder("Legend", d + "\\Docs\\Legend");
    ExtractArchiveFolder("DataBase", d + "\\DataBase");
    ExtractArchiveFolder("Icons", d + "\\Icons");
    ExtractArchiveFolder("MapImage", d);
    return true;
  } catch (const std::exception&) {
    ShowCopyError("Не удается скопировать файл\r" + s + kMapContainerName +
                  ".\rПродолжение установки невозможно.");
    return false;
  }
}

// The map image in two halves, a billboard for each.
bool CopyMapImage(const std::string& d, const std::string& s) {
  try {
    TMapImageCopy copy(s + kMapContainerName, d + "\\" + kMapContainerName);
    MainForm->ShowBillboard(1);
    copy.CopyFirstHalf();
    ProgressForm->AdvanceProgress(83);
    MainForm->ShowBillboard(2);
    copy.CopyRest();
    ProgressForm->AdvanceProgress(83);
    return true;
  } catch (const std::exception&) {
    ShowCopyError("Не удается скопировать файл\r" + s + kMapContainerName +
                  "\rПродолжение установки невозможно");
    return false;
  }
}

void WriteRecords(const std::string& d, const std::string& s, TInstallTrail& trail) {
  trail.fileTypes = true;
  RegisterFileType("maptldb", "Файл базы данных объектов карты", d + "\\Icons\\maptldb.ico",
                   "Импортировать", QuotedCommand(d + "\\" + kViewerName, "%1"));
  RegisterFileType("maptl", "Файл изображения карты", d + "\\Icons\\maptl.ico", "", "");
  trail.uninstallRecord = true;
  WriteUninstallRecord(kProductName, d + "\\" + kViewerName + ",1", kPublisher, d,
                       QuotedCommand(d + "\\Setup", "/u"), 2, 0);
  WriteInstallFrom(kProductName, s);
}

void CreateLinks(const std::string& d, TInstallTrail& trail) {
  trail.links = true;
  CreateProgramGroup(kProductName);
  CreateGroupLink(kProductName, d + "\\" + kViewerName, kProductName);
  CreateGroupLink(kProductName, d + "\\Docs\\Help\\Help.htm", "Справка");
  CreateDesktopLink(d + "\\" + kViewerName, kProductName);
}

// The steps up to the last; false (or an error) when one failed.
bool InstallationSteps(TProgressForm& progress, const std::string& d, TInstallTrail& trail) {
  const std::string& s = ThisRunMode().SourceFolder;
  const bool database = WizardForm->CheckList.Checked(2);
  const bool mapImage = WizardForm->CheckList.Checked(3);
  progress.SetActionText("Подготовка к копированию файлов...");
  if (!CreateFolders(d)) return false;
  progress.AdvanceProgress(2);
  progress.SetActionText(kCopying);
  TRetryDialog prompt;
  if (!CopyFileWithRetry(ThisProgramPath(), d + "\\Setup.exe", prompt)) return false;
  if (!UnpackProgramArchive(d, s)) return false;
  progress.AdvanceProgress(4);
  if (database) {
    progress.SetActionText(kCopying);
    ExtractArchiveFolder("BDE", d);
    progress.AdvanceProgress(6);
  }
  if (mapImage) {
    progress.SetActionText(kCopying);
    if (!CopyMapImage(d, s)) return false;
  }
  progress.SetActionText("Запись значений в системный реестр...");
  WriteRecords(d, s, trail);
  progress.AdvanceProgress(1);
  progress.SetActionText("Создание ярлыков и программной группы...");
  CreateLinks(d, trail);
  progress.AdvanceProgress(2);
  return true;
}

}  // namespace

bool RunInstallation() {
  bool success = false;
  const std::string d = InstallDirectory();
  TInstallTrail trail;
  {
    TProgressForm progress;
    WizardForm->Hide();
    progress.Show();
    MainForm->Repaint();
    progress.Repaint();
    progress.ProgressBar.SetMax(WizardForm->CalculateMegabytes() + 5);
    try {
      success = InstallationSteps(progress, d, trail);
    } catch (const std::exception&) {
      // A step outside the guarded copies (the database libraries, a registry
      // record, the link object): a failure like any other, reported once by
      // the wizard.
      success = false;
    }
    if (!success) {
      // Only a folder: a file of the user's that stood in the way of the
      // install folder (which is why it could not be created) stays.
      DeleteFolderIfExists(d);
      trail.RollBack();
    }
    DeleteTree(d + "\\temp.zip");
    MainForm->ShowBillboard(0);
    if (success) {
      WizardForm->Show();
      WizardForm->BringToFront();
    }
  }
  MainForm->Repaint();
  WizardForm->Repaint();
  return success;
}
