#include "UninstallSequence.h"

#include "DeleteAtRestart.h"
#include "FilesAndFolders.h"
#include "FilesInUse.h"
#include "FolderBrowser.h"
#include "InstallLog.h"
#include "Product.h"
#include "ProductFolder.h"
#include "RegisterInWindows.h"
#include "RunMode.h"
#include "Shortcuts.h"
#include "SpecialFolders.h"
#include "Startup_win.h"
#include "SystemCalls.h"
#include "Utf.h"

#include <windows.h>

#include <exception>
#include <optional>
#include <vector>

namespace {

constexpr char kDesktopLinkFile[] = "Карта Тальмирской области 2.0.lnk";
const char* const kFileTypes[] = {"maptl", "maptldb"};

// A record whose location is not a string is damaged: it names no folder,
// but its links and records are still the product's to remove. A record
// that cannot be read at all is left alone, to be tried again.
std::optional<std::string> InstallLocation(TUninstallResult& result) {
  try {
    return ReadInstallLocation(kProductName);
  } catch (const ERegistryError& e) {
    if (e.WrongType()) return std::string();
    result.left.push_back("the uninstall record: it cannot be read (" + std::string(e.what()) +
                          ")");
    return std::nullopt;
  }
}

bool Exists(const std::string& path) {
  return GetFileAttributesW(toolkit::Widen(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Removes `path` (the shell's deletion has had its turn); true when nothing
// of it is left that is not scheduled for deletion at the next restart.
bool RemoveRest(const std::string& path, TUninstallResult& result) {
  if (DeleteNowOrAtRestart(path)) return true;
  result.left.push_back(path + ": it could neither be deleted nor left to the next restart");
  return false;
}

bool IsRecordCommand(const std::wstring& name) {
  return CompareStringOrdinal(name.c_str(), -1, L"Setup.exe", -1, TRUE) == CSTR_EQUAL;
}

// Everything in the folder but the record's command, "Setup.exe": until the
// record is gone, the uninstall must still be able to run through it.
bool RemoveAllButCommand(const std::string& location, TUninstallResult& result) {
  bool gone = true;
  std::vector<std::string> entries;
  {
    WIN32_FIND_DATAW entry;
    HANDLE find = FindFirstFileW(toolkit::Widen(location + "\\*").c_str(), &entry);
    if (find == INVALID_HANDLE_VALUE) return RemoveRest(location, result);
    do {
      const std::wstring name = entry.cFileName;
      if (name != L"." && name != L".." && !IsRecordCommand(name))
        entries.push_back(location + "\\" + toolkit::Narrow(name));
    } while (FindNextFileW(find, &entry));
    FindClose(find);
  }
  for (const std::string& entry : entries) gone = RemoveRest(entry, result) && gone;
  return gone;
}

// The folder, all but its command. False when something of the product
// stays that only the record can find.
bool RemoveInstallFolder(const std::string& location, TInstallLog& log, TUninstallResult& result) {
  if (!IsProductFolder(location)) {
    log.Write("not deleted: the recorded install location \"" + location +
              "\" is not a folder of the product");
    if (!location.empty() && Exists(location))
      result.left.push_back(location + ": it is not a folder of the product");
    return true;
  }
  // A plain file that stands where the folder was is the user's, not ours.
  if (!FolderExists(location)) {
    log.Write("not deleted: no folder at the recorded install location " + location);
    return true;
  }
  if (!RemoveAllButCommand(location, result)) return false;
  result.folder = location;
  log.Write("deleted: the contents of " + location + " but its Setup.exe");
  return true;
}

// A special folder that is not recorded, or not as a string, holds nothing
// of ours that could be found; one whose record cannot be read now may.
std::string ShellFolderFor(const char* name, bool& readable) {
  try {
    return GetShellFolder(name);
  } catch (const ERegistryError& e) {
    readable = e.WrongType();
    return std::string();
  }
}

// A folder with nothing in it: none of the user's own files.
bool IsEmptyFolder(const std::string& path) {
  WIN32_FIND_DATAW entry;
  const HANDLE find = FindFirstFileW(toolkit::Widen(path + "\\*").c_str(), &entry);
  if (find == INVALID_HANDLE_VALUE) return false;
  bool empty = true;
  do {
    const std::wstring name = entry.cFileName;
    empty = name == L"." || name == L"..";
  } while (empty && FindNextFileW(find, &entry));
  FindClose(find);
  return empty;
}

bool RemoveLinks(TInstallLog& log, TUninstallResult& result) {
  bool gone = true;
  const std::string programs = ShellFolderFor("Programs", gone);
  const std::string desktop = ShellFolderFor("Desktop", gone);
  if (!gone) result.left.push_back("the links: the record of the user's folders cannot be read");
  if (!programs.empty()) {
    const std::string group = programs + "\\" + kProductName;
    DeleteProgramGroup(kProductName, {kProductName, kHelpLinkName});
    for (const char* link : {kProductName, kHelpLinkName})
      gone = RemoveRest(group + "\\" + link + ".lnk", result) && gone;
    // The group itself, unless the user keeps files of their own in it.
    if (IsEmptyFolder(group)) gone = RemoveRest(group, result) && gone;
    log.Write(std::string(Exists(group) ? "deleted: the links of the program group "
                                        : "deleted: the program group ") +
              kProductName);
  }
  if (!desktop.empty()) {
    DeleteDesktopLink(kDesktopLinkFile);
    gone = RemoveRest(desktop + "\\" + kDesktopLinkFile, result) && gone;
    log.Write(std::string("deleted: the desktop link ") + kDesktopLinkFile);
  }
  return gone;
}

bool RemoveFileTypes(TInstallLog& log, TUninstallResult& result) {
  bool gone = true;
  for (const char* type : kFileTypes) {
    UnregisterFileType(type);
    if (IsFileTypeRegistered(type)) {
      result.left.push_back(std::string("the file type ") + type + ": it could not be deleted");
      gone = false;
    } else {
      log.Write(std::string("deleted: the file type ") + type);
    }
  }
  return gone;
}

bool RemoveRecord(TInstallLog& log, TUninstallResult& result) {
  DeleteUninstallRecord(kProductName);
  if (ReadInstallLocation(kProductName)) {
    result.left.push_back("the uninstall record " + UninstallRecordKey(kProductName) +
                          ": it could not be deleted");
    return false;
  }
  log.Write("deleted: the uninstall record " + UninstallRecordKey(kProductName));
  return true;
}

// The record and, last of all, its command with the folder. The command and
// the folder are left to the next restart before the record goes, so that a
// run ended in between leaves nothing behind that nothing removes; while the
// record stays, so does its command.
void RemoveRecordAndCommand(const std::string& folder, TInstallLog& log, TUninstallResult& result) {
  const std::wstring command = toolkit::Widen(folder + "\\Setup.exe");
  if (!folder.empty()) {
    syscalls::MoveEntry(command, std::wstring(), MOVEFILE_DELAY_UNTIL_REBOOT);
    syscalls::MoveEntry(toolkit::Widen(folder), std::wstring(), MOVEFILE_DELAY_UNTIL_REBOOT);
  }
  const bool recordGone = RemoveRecord(log, result);
  if (folder.empty()) return;
  if (!recordGone) {
    CancelDeletionsAtRestart(folder);
    return;
  }
  if (DeleteNow(folder)) CancelDeletionsAtRestart(folder);
  log.Write((Exists(folder) ? "deleted at the next restart: " : "deleted: ") + folder);
}

// The relocated uninstaller is the one file of the product outside its
// folder, and it cannot delete itself while it runs: the system does it at
// the next restart, so the temporary folder ends up clean. Under any other
// name the program is not a copy of ours to delete.
void RemoveRelocatedCopy() {
  const std::string& program = ThisProgramPath();
  if (CompareStringOrdinal(toolkit::Widen(FileNameOf(program)).c_str(), -1,
                           toolkit::Widen(kRelocatedFileName).c_str(), -1, TRUE) == CSTR_EQUAL) {
    // With the folder made for it, where it runs from.
    const std::string& folder = ThisRunMode().SourceFolder;
    DeleteNowOrAtRestart(IsRelocationFolder(folder) ? folder.substr(0, folder.size() - 1)
                                                    : program);
  }
}

// The product's programs left open would keep their files until the next
// restart; the user may close them first, or leave it so.
void CloseProgramsIn(const std::string& location, TFilesInUsePrompt* filesInUse, TInstallLog& log) {
  if (!filesInUse || !IsProductFolder(location) || !FolderExists(location)) return;
  std::string why;
  if (!ClearFilesInUse(location, *filesInUse, log, &why))
    log.Write("not closed: " + why + "; what they hold is deleted at the next restart");
}

// A link (a junction, a symbolic link) where the install folder was
// recorded is not the product's folder: whoever put it there chose what
// it points at, and nothing is removed through it or because of it.
bool InstallFolderIsLink(const std::string& location, TUninstallResult& result) {
  if (!IsLinkAt(location)) return false;
  result.left.push_back(location + ": it is a link to another place, not the product's folder");
  return true;
}

void RemoveProduct(const std::string& location, const SetCurrentActionFn& setCurrentAction,
                   TInstallLog& log, TFilesInUsePrompt* filesInUse, TUninstallResult& result) {
  if (InstallFolderIsLink(location, result)) return;
  CloseProgramsIn(location, filesInUse, log);
  setCurrentAction("Удаление файлов программы...", 10);
  bool removable = RemoveInstallFolder(location, log, result);
  setCurrentAction("Удаление ярлыков...", 50);
  removable = RemoveLinks(log, result) && removable;
  setCurrentAction("Удаление записей в системном реестре...", 90);
  removable = RemoveFileTypes(log, result) && removable;
  if (removable) {
    RemoveRecordAndCommand(result.folder, log, result);
  } else {
    log.Write("kept: the uninstall record, so that the uninstall can be run again");
  }
  setCurrentAction("Завершение операций...", 100);
}

}  // namespace

void RunUninstallSequence(const SetCurrentActionFn& setCurrentAction) {
  TInstallLog noLog;
  RunUninstallSequence(setCurrentAction, noLog);
}

TUninstallResult RunUninstallSequence(const SetCurrentActionFn& setCurrentAction, TInstallLog& log,
                                      TFilesInUsePrompt* filesInUse) {
  TUninstallResult result;
  // The record alone says whether the product is installed; its folder may be
  // gone already (deleted by hand), and the product must still leave the list
  // of installed programs and the Start menu.
  try {
    const std::optional<std::string> location = InstallLocation(result);
    if (location) {
      RemoveProduct(*location, setCurrentAction, log, filesInUse, result);
    } else if (result.left.empty()) {
      log.Write("no uninstall record: nothing to remove");
    }
  } catch (const std::exception& e) {
    result.left.push_back(std::string("the uninstallation stopped: ") + e.what());
  }
  for (const std::string& what : result.left) log.Write("not removed: " + what);
  RemoveRelocatedCopy();
  return result;
}
