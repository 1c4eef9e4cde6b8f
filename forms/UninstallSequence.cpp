#include "UninstallSequence.h"

#include "DeleteAtRestart.h"
#include "FilesAndFolders.h"
#include "FolderBrowser.h"
#include "FullPath.h"
#include "InstallLog.h"
#include "Product.h"
#include "RegisterInWindows.h"
#include "RunMode.h"
#include "Shortcuts.h"
#include "Startup_win.h"
#include "Utf.h"

#include <windows.h>

#include <cctype>
#include <exception>
#include <optional>

namespace {

constexpr char kDesktopLinkFile[] = "Карта Тальмирской области 2.0.lnk";
const char* const kFileTypes[] = {"maptl", "maptldb"};

// "X:\" or "\\server\share\": the start of an absolute path.
bool IsAbsoluteRoot(const std::string& prefix) {
  if (prefix.size() == 3 && std::isalpha(static_cast<unsigned char>(prefix[0])) &&
      prefix[1] == ':' && prefix[2] == '\\') {
    return true;
  }
  if (prefix.size() < 2 || prefix.compare(0, 2, "\\\\") != 0) return false;
  const size_t serverEnd = prefix.find('\\', 2);
  if (serverEnd == std::string::npos || serverEnd == 2) return false;
  const size_t shareEnd = prefix.find('\\', serverEnd + 1);
  return shareEnd == prefix.size() - 1 && shareEnd > serverEnd + 1;
}

// Only the product's own folder is deleted with everything in it, and only
// as the installer records it: an absolute path, as the system reads it
// (FullLongPath), ending in the product's folder name. A damaged or foreign
// record ("C:\", "C:\Windows", a relative or empty path), or one spelled in
// a way no installation records ("C:\Windows\..\Карта...", "C:\PROGRA~1\...")
// must never send a whole drive or system folder to the deletion.
bool IsProductFolder(const std::string& path) {
  const std::string tail = std::string("\\") + kProductName;
  if (path.size() <= tail.size() || path.compare(path.size() - tail.size(), tail.size(), tail) != 0)
    return false;
  const std::string head = path.substr(0, path.size() - tail.size() + 1);
  bool absolute = false;
  for (size_t end = head.find('\\'); end != std::string::npos && !absolute;
       end = head.find('\\', end + 1)) {
    absolute = IsAbsoluteRoot(head.substr(0, end + 1));
  }
  // Letter case aside: the file system ignores it, and a user may have
  // renamed a folder on the way in another case.
  return absolute && CompareStringOrdinal(toolkit::Widen(FullLongPath(path)).c_str(), -1,
                                          toolkit::Widen(path).c_str(), -1, TRUE) == CSTR_EQUAL;
}

// A record whose location is not a string is damaged: it names no folder,
// but its links and records are still the product's to remove. A record
// that cannot be read at all is left alone, to be tried again.
std::optional<std::string> InstallLocation(TUninstallResult& result) {
  try {
    return ReadInstallLocation(kProductName);
  } catch (const ERegistryError& e) {
    if (std::string(e.what()).rfind("Invalid data type", 0) == 0) return std::string();
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

// False when something of the product stays that only the record can find.
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
  DeleteFolderIfExists(location);
  if (!RemoveRest(location, result)) return false;
  result.folder = location;
  log.Write((Exists(location) ? "deleted at the next restart: " : "deleted: ") + location);
  return true;
}

// A special folder that is not recorded, or not as a string, holds nothing
// of ours that could be found; one whose record cannot be read now may.
std::string ShellFolderFor(const char* name, bool& readable) {
  try {
    return GetShellFolder(name);
  } catch (const ERegistryError& e) {
    readable = std::string(e.what()).rfind("Invalid data type", 0) == 0;
    return std::string();
  }
}

bool RemoveLinks(TInstallLog& log, TUninstallResult& result) {
  bool gone = true;
  const std::string programs = ShellFolderFor("Programs", gone);
  const std::string desktop = ShellFolderFor("Desktop", gone);
  if (!gone) result.left.push_back("the links: the record of the user's folders cannot be read");
  if (!programs.empty()) {
    DeleteProgramGroup(kProductName);
    gone = RemoveRest(programs + "\\" + kProductName, result) && gone;
    log.Write(std::string("deleted: the program group ") + kProductName);
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

void RemoveRecord(TInstallLog& log, TUninstallResult& result) {
  DeleteUninstallRecord(kProductName);
  if (ReadInstallLocation(kProductName)) {
    result.left.push_back("the uninstall record " + UninstallRecordKey(kProductName) +
                          ": it could not be deleted");
    return;
  }
  log.Write("deleted: the uninstall record " + UninstallRecordKey(kProductName));
}

// The relocated uninstaller is the one file of the product outside its
// folder, and it cannot delete itself while it runs: the system does it at
// the next restart, so the temporary folder ends up clean. Under any other
// name the program is not a copy of ours to delete.
void RemoveRelocatedCopy() {
  const std::string& program = ThisProgramPath();
  if (CompareStringOrdinal(toolkit::Widen(FileNameOf(program)).c_str(), -1,
                           toolkit::Widen(kRelocatedFileName).c_str(), -1, TRUE) == CSTR_EQUAL) {
    DeleteNowOrAtRestart(program);
  }
}

void RemoveProduct(const std::string& location, const SetCurrentActionFn& setCurrentAction,
                   TInstallLog& log, TUninstallResult& result) {
  setCurrentAction("Удаление файлов программы...", 10);
  bool removable = RemoveInstallFolder(location, log, result);
  setCurrentAction("Удаление ярлыков...", 50);
  removable = RemoveLinks(log, result) && removable;
  setCurrentAction("Удаление записей в системном реестре...", 90);
  removable = RemoveFileTypes(log, result) && removable;
  if (removable) {
    RemoveRecord(log, result);
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

TUninstallResult RunUninstallSequence(const SetCurrentActionFn& setCurrentAction,
                                      TInstallLog& log) {
  TUninstallResult result;
  // The record alone says whether the product is installed; its folder may be
  // gone already (deleted by hand), and the product must still leave the list
  // of installed programs and the Start menu.
  try {
    const std::optional<std::string> location = InstallLocation(result);
    if (location) {
      RemoveProduct(*location, setCurrentAction, log, result);
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
