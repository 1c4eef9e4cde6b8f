#include "InstallationSequence.h"

#include <windows.h>

#include <exception>
#include <stdexcept>
#include <functional>
#include <vector>

#include "ArchiveFolder.h"
#include "ComponentChoice.h"
#include "DeleteAtRestart.h"
#include "FilesAndFolders.h"
#include "InstallLog.h"
#include "InstallTransaction.h"
#include "JournalFolder.h"
#include "MapContainer.h"
#include "Product.h"
#include "RegisterInWindows.h"
#include "Shortcuts.h"
#include "SpecialFolders.h"
#include "Utf.h"

namespace {

constexpr char kCopying[] = "Копирование файлов...";

// Each half of the map image as the progress bar counts it: its whole
// megabytes, so that a full installation ends one step short of the
// maximum, as it always has.
constexpr int kMapImageHalfMegabytes = static_cast<int>(kMapImageHalf / (1024 * 1024));

// One run: the choice, the screen, the log and what has been done so far.
class TInstallation {
 public:
  TInstallation(const TInstallChoice& choice, TInstallView& view, TInstallLog& log)
      : c_(choice),
        d_(choice.directory),
        s_(choice.source),
        view_(view),
        log_(log),
        maximum_(ProgressMaximum(CalculateMegabytes(choice.components))),
        transaction_(log) {}

  bool Run();

 private:
  bool Steps();
  bool MediumLiesInside();
  bool MediumIsSound();
  bool SetAsideEarlierInstallation();
  bool ProgramsClosed();
  bool CreateFolders();
  bool UnpackProgramArchive();
  void ExtractComponentFolders(int component);
  bool CopyMapImage();
  void WriteRecords();
  void CreateLinks();
  void Keep(bool kept) {
    if (!kept) throw std::runtime_error(transaction_.Error());
  }
  bool Complete();
  void CloseSteps(bool success);
  bool Guarded(const char* end, const std::function<void()>& block);

  void Action(const std::string& text) {
    view_.SetActionText(text);
    log_.Write("step: " + text + " (progress " + std::to_string(position_) + " of " +
               std::to_string(maximum_) + ")");
  }
  // A step is a megabyte copied, or one of the steps of the folders, the
  // records and the links.
  void Advance(int steps) {
    position_ += steps;
    view_.AdvanceProgress(steps);
  }
  void Fail(const std::string& reason) {
    if (failure_.empty()) failure_ = reason;
  }
  void ExtractFolder(const std::string& folder, const std::string& destination);
  std::vector<std::string> ArchiveFolders() const;

  const TInstallChoice& c_;
  const std::string& d_;
  const std::string& s_;
  TInstallView& view_;
  TInstallLog& log_;
  const int maximum_;
  int position_ = 0;
  TInstallTransaction transaction_;
  std::string failure_;
};

bool TInstallation::Run() {
  std::string chosen;
  for (int row = 0; row < kComponentCount; ++row) {
    if (!kComponents[row].optional) continue;
    chosen += std::string(chosen.empty() ? "" : ", ") + kComponents[row].logName + ": " +
              (c_.components.Has(row) ? "yes" : "no");
  }
  log_.Write("installation into " + d_ + " from " + s_ + " (" + chosen + ")");
  bool success = false;
  try {
    success = Steps();
  } catch (const std::exception& e) {
    // A step outside the guarded copies (the database libraries, a registry
    // record, the link object): a failure like any other, reported once by
    // the caller.
    Fail(e.what());
  }
  CloseSteps(success);
  if (success) {
    log_.Write("installation completed");
  } else {
    log_.Write("installation failed: " + (failure_.empty() ? "unknown error" : failure_));
  }
  return success;
}

// The steps up to the last; false (or an error) when one failed.
bool TInstallation::Steps() {
  Action("Подготовка к копированию файлов...");
  if (MediumLiesInside()) return false;
  if (!MediumIsSound()) return false;
  if (!SetAsideEarlierInstallation()) return false;
  if (!CreateFolders()) return false;
  Advance(kFolderSteps);
  Action(kCopying);
  if (!CopyFileWithRetry(c_.program, d_ + "\\Setup.exe", view_)) {
    Fail("cannot copy " + c_.program + " to " + d_ + "\\Setup.exe");
    return false;
  }
  log_.Write("file: " + d_ + "\\Setup.exe");
  if (!UnpackProgramArchive()) return false;
  Advance(CalculateMegabytes(TChoice()));  // the fixed components'
  for (int row = 0; row < kComponentCount; ++row) {
    if (!kComponents[row].optional || !c_.components.Has(row)) continue;
    Action(kCopying);
    if (row == kMapImage) {
      if (!CopyMapImage()) return false;
    } else {
      ExtractComponentFolders(row);
    }
  }
  Action("Запись значений в системный реестр...");
  WriteRecords();
  Advance(kRecordSteps);
  Action("Создание ярлыков и программной группы...");
  CreateLinks();
  Advance(kLinkSteps);
  return Complete();
}

// Emptying D would delete the medium itself when it was copied into the
// install folder and started from there.
bool TInstallation::MediumLiesInside() {
  if (!IsSameOrBelow(s_, d_)) return false;
  Fail("the installation medium " + s_ + " lies inside the install folder " + d_);
  return true;
}

std::vector<std::string> TInstallation::ArchiveFolders() const {
  std::vector<std::string> folders;
  for (const TArchiveFolderRow& row : kArchiveFolders) {
    if (c_.components.Has(row.component)) folders.push_back(row.folder);
  }
  return folders;
}

// Everything this installation takes from the medium is read and checked
// before an earlier installation is emptied: a damaged medium must not cost
// the user the working installation they had. The archive is checked in a
// copy of its own, as it is later extracted: read in place, behind the map
// image, the archive's offsets would miss and the component would search
// the whole image for its members.
// The copy lies in the journal's folder: nobody else can change it between
// its test and its use, and the next start removes it after a run that was
// ended meanwhile.
bool TInstallation::MediumIsSound() {
  std::string error;
  if (!PrepareJournalFolder(log_, &error)) {
    Fail(error);
    return false;
  }
  return Guarded(".", [this] {
    const std::string container = s_ + kMapContainerName;
    TTemporaryFile archive(JournalFolder());
    CopyProgramArchive(container, archive.Path());
    TestArchiveFolders(archive.Path(), ArchiveFolders(), &view_.ArchiveUI());
    log_.Write("checked: the program archive of " + container);
  });
}

// An earlier installation is moved aside, not emptied: until this run has
// completed, the user's working installation is still there to come back.
// A folder that cannot be moved (a program holds a file in it) is asked
// about as a folder that cannot be made, before anything has changed.
bool TInstallation::SetAsideEarlierInstallation() {
  // A link in the install folder's place points where its maker chose: it
  // is neither set aside, nor installed into, nor ever deleted.
  if (IsLinkAt(d_)) {
    Fail("the install folder " + d_ + " is a link to another place, not a folder");
    return false;
  }
  if (!transaction_.Begin(d_, GetShellFolder("Programs"), GetShellFolder("Desktop"))) {
    Fail(transaction_.Error());
    return false;
  }
  const DWORD attributes = GetFileAttributesW(toolkit::Widen(d_).c_str());
  // A plain file of the user's stays where it is: the folder's creation fails.
  if (attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY))
    return true;
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    if (transaction_.NoteNew(d_)) return true;
    Fail(transaction_.Error());
    return false;
  }
  if (!ProgramsClosed()) return false;
  while (!transaction_.SetAside(d_)) {
    if (!view_.Retry("Не удается создать папку ", d_)) {
      Fail(transaction_.Error());
      return false;
    }
  }
  return true;
}

// The viewer left open is what most often holds the earlier installation:
// it is named, and closed when the user agrees, before the folder is moved.
bool TInstallation::ProgramsClosed() {
  std::string why;
  if (ClearFilesInUse(d_, view_, log_, &why)) return true;
  Fail(why);
  return false;
}

bool TInstallation::CreateFolders() {
  for (const char* folder : kInstallFolders) {
    // The install folder itself is protected; the folders below inherit it.
    const bool made = *folder ? CreateFolderWithRetry(d_ + folder, view_)
                              : CreateProtectedFolderWithRetry(d_, view_);
    if (!made) {
      Fail("cannot create the folder " + d_ + folder);
      return false;
    }
    log_.Write("folder: " + d_ + folder);
  }
  return true;
}

void TInstallation::ExtractFolder(const std::string& folder, const std::string& destination) {
  ExtractArchiveFolder(d_ + "\\temp.zip", folder, destination, &view_.ArchiveUI(),
                       [this](const std::string& path) { log_.Write("extracted: " + path); });
}

// The program archive out of the container, then its folders into the tree.
bool TInstallation::UnpackProgramArchive() {
  return Guarded(".", [this] {
    CopyProgramArchive(s_ + kMapContainerName, d_ + "\\temp.zip");
    log_.Write("file: " + d_ + "\\temp.zip");
    for (const TArchiveFolderRow& row : kArchiveFolders) {
      if (!kComponents[row.component].optional) ExtractFolder(row.folder, d_ + row.destination);
    }
  });
}

// An optional component's folders, in a step of its own; what fails here
// fails the installation without a message of its own.
void TInstallation::ExtractComponentFolders(int component) {
  for (const TArchiveFolderRow& row : kArchiveFolders) {
    if (row.component == component) ExtractFolder(row.folder, d_ + row.destination);
  }
  Advance(ComponentMegabytes(component));
}

// The map image in two halves, a billboard for each.
bool TInstallation::CopyMapImage() {
  // This message has no full stops: the two blocks' messages have always differed.
  return Guarded("", [this] {
    TMapImageCopy copy(s_ + kMapContainerName, d_ + "\\" + kMapContainerName);
    view_.ShowBillboard(1);
    copy.CopyFirstHalf();
    Advance(kMapImageHalfMegabytes);
    view_.ShowBillboard(2);
    copy.CopyRest();
    Advance(kMapImageHalfMegabytes);
    log_.Write("file: " + d_ + "\\" + kMapContainerName);
  });
}

// A guarded copy block: whatever it raises fails the installation after one
// message naming the container; `end` closes both of its sentences.
bool TInstallation::Guarded(const char* end, const std::function<void()>& block) {
  try {
    block();
    return true;
  } catch (const std::exception& e) {
    Fail(e.what());
    view_.ShowCopyError("Не удается скопировать файл\r" + s_ + kMapContainerName + end +
                        "\rПродолжение установки невозможно" + end);
    return false;
  }
}

void TInstallation::WriteRecords() {
  Keep(transaction_.SaveKeys({{HKEY_CLASSES_ROOT, ".maptldb"},
                              {HKEY_CLASSES_ROOT, "maptldbFILE"},
                              {HKEY_CLASSES_ROOT, ".maptl"},
                              {HKEY_CLASSES_ROOT, "maptlFILE"},
                              {HKEY_LOCAL_MACHINE, UninstallRecordKey(kProductName)}}));
  RegisterFileType("maptldb", "Файл базы данных объектов карты", d_ + "\\Icons\\maptldb.ico",
                   "Импортировать", QuotedCommand(d_ + "\\" + kViewerName, "%1"));
  log_.Write("registry: HKEY_CLASSES_ROOT\\.maptldb, HKEY_CLASSES_ROOT\\maptldbFILE");
  RegisterFileType("maptl", "Файл изображения карты", d_ + "\\Icons\\maptl.ico", "", "");
  log_.Write("registry: HKEY_CLASSES_ROOT\\.maptl, HKEY_CLASSES_ROOT\\maptlFILE");
  // What stays installed: the temporary archive goes at the end.
  const uint64_t kilobytes = (SizeOf(d_) - SizeOf(d_ + "\\temp.zip") + 1023) / 1024;
  WriteUninstallRecord(kProductName, d_ + "\\" + kViewerName + ",1", kPublisher, d_,
                       QuotedCommand(d_ + "\\Setup", "/u"), 2, 0,
                       {s_, QuotedCommand(d_ + "\\Setup", "/u /S"), kilobytes});
  log_.Write("registry: HKEY_LOCAL_MACHINE\\" + UninstallRecordKey(kProductName) +
             " (DisplayName, DisplayVersion, DisplayIcon, InstallLocation, UninstallString, "
             "Publisher, VersionMajor, VersionMinor, QuietUninstallString, EstimatedSize = " +
             std::to_string(kilobytes) + ", NoModify, NoRepair, InstallFrom)");
}

// Where a link of an earlier installation (or anything else) stands, it is
// set aside like the folder; what stands nowhere is noted as this run's.
void TInstallation::CreateLinks() {
  const std::string programs = GetShellFolder("Programs");
  const std::string desktop = GetShellFolder("Desktop");
  for (const std::string& path :
       {programs.empty() ? programs : programs + "\\" + kProductName,
        desktop.empty() ? desktop : desktop + "\\" + kProductName + ".lnk"}) {
    if (path.empty()) continue;
    if (GetFileAttributesW(toolkit::Widen(path).c_str()) == INVALID_FILE_ATTRIBUTES) {
      Keep(transaction_.NoteNew(path));
    } else {
      Keep(transaction_.SetAside(path));
    }
  }
  CreateProgramGroup(kProductName);
  log_.Write("link: program group " + std::string(kProductName));
  CreateGroupLink(kProductName, d_ + "\\" + kViewerName, kProductName);
  log_.Write("link: " + std::string(kProductName) + " -> " + d_ + "\\" + kViewerName);
  CreateGroupLink(kProductName, d_ + "\\Docs\\Help\\Help.htm", "Справка");
  log_.Write("link: Справка -> " + d_ + "\\Docs\\Help\\Help.htm");
  CreateDesktopLink(d_ + "\\" + kViewerName, kProductName);
  log_.Write("link: desktop " + std::string(kProductName) + " -> " + d_ + "\\" + kViewerName);
  // A link that was not saved leaves an installation the user cannot start
  // as before: it fails like any other step, and the old links come back.
  std::vector<std::string> links;
  if (!programs.empty()) {
    links.push_back(programs + "\\" + kProductName + "\\" + kProductName + ".lnk");
    links.push_back(programs + "\\" + kProductName + "\\Справка.lnk");
  }
  if (!desktop.empty()) links.push_back(desktop + "\\" + kProductName + ".lnk");
  for (const std::string& link : links) {
    if (GetFileAttributesW(toolkit::Widen(link).c_str()) == INVALID_FILE_ATTRIBUTES)
      throw std::runtime_error("the link " + link + " was not saved");
  }
}

// The temporary archive goes before the installation counts as complete, so
// that a completed installation holds exactly what it installed.
bool TInstallation::Complete() {
  const std::string archive = d_ + "\\temp.zip";
  if (!DeleteNow(archive) && !DeleteNow(archive)) {
    Fail("cannot delete " + archive);
    return false;
  }
  if (transaction_.Commit()) return true;
  Fail(transaction_.Error());
  return false;
}

// On failure, what this run wrote goes and what it set aside comes back.
void TInstallation::CloseSteps(bool success) {
  if (!success) transaction_.Undo();
  view_.ShowBillboard(0);
}

}  // namespace

bool RunInstallationSequence(const TInstallChoice& choice, TInstallView& view, TInstallLog& log) {
  return TInstallation(choice, view, log).Run();
}
