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

// A record whose location cannot be read is damaged: it names no folder, but
// its links and records are still the product's to remove.
std::optional<std::string> InstallLocation() {
  try {
    return ReadInstallLocation(kProductName);
  } catch (const ERegistryError&) {
    return std::string();
  }
}

bool RemoveInstallFolder(const std::string& location, TInstallLog& log) {
  if (!IsProductFolder(location)) {
    log.Write("not deleted: the recorded install location \"" + location +
              "\" is not a folder of the product");
    return false;
  }
  // A plain file that stands where the folder was is the user's, not ours.
  if (!FolderExists(location)) {
    log.Write("not deleted: no folder at the recorded install location " + location);
    return false;
  }
  DeleteFolderIfExists(location);
  DeleteNowOrAtRestart(location);
  const bool gone = GetFileAttributesW(toolkit::Widen(location).c_str()) == INVALID_FILE_ATTRIBUTES;
  log.Write((gone ? "deleted: " : "deleted at the next restart: ") + location);
  return true;
}

void RemoveRecords(TInstallLog& log) {
  DeleteUninstallRecord(kProductName);
  log.Write("deleted: the uninstall record " + UninstallRecordKey(kProductName));
  for (const char* type : kFileTypes) {
    UnregisterFileType(type);
    log.Write(std::string("deleted: the file type ") + type);
  }
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

}  // namespace

void RunUninstallSequence(const SetCurrentActionFn& setCurrentAction) {
  TInstallLog noLog;
  RunUninstallSequence(setCurrentAction, noLog);
}

std::string RunUninstallSequence(const SetCurrentActionFn& setCurrentAction, TInstallLog& log) {
  std::string removed;
  // The record alone says whether the product is installed; its folder may be
  // gone already (deleted by hand), and the product must still leave the list
  // of installed programs and the Start menu.
  const std::optional<std::string> location = InstallLocation();
  if (location) {
    setCurrentAction("Удаление файлов программы...", 10);
    if (RemoveInstallFolder(*location, log)) removed = *location;
    setCurrentAction("Удаление ярлыков...", 50);
    DeleteProgramGroup(kProductName);
    log.Write(std::string("deleted: the program group ") + kProductName);
    DeleteDesktopLink(kDesktopLinkFile);
    log.Write(std::string("deleted: the desktop link ") + kDesktopLinkFile);
    setCurrentAction("Удаление записей в системном реестре...", 90);
    RemoveRecords(log);
    setCurrentAction("Завершение операций...", 100);
  } else {
    log.Write("no uninstall record: nothing to remove");
  }
  RemoveRelocatedCopy();
  return removed;
}
