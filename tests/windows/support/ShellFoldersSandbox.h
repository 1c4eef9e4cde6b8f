// Points the current user's "Programs" and "Desktop" shell folders at folders
// of a test (or removes their records) and puts the originals back when
// destroyed. The shell refreshes the "Shell Folders" record from "User Shell
// Folders" whenever it resolves a special folder, so both are set. Tests using
// it share the prefix's records: they take the product-records lock in CTest.
#pragma once

#include "RegistryValues.h"

#include <string>

namespace testregistry {

class ShellFoldersSandbox {
 public:
  static constexpr char kKey[] =
      "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
  static constexpr char kUserKey[] =
      "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";

  ShellFoldersSandbox(const std::string& programs, const std::string& desktop) {
    programs_.SetString(programs);
    userPrograms_.SetString(programs);
    desktop_.SetString(desktop);
    userDesktop_.SetString(desktop);
  }
  // The records the program reads.
  SavedValue& Programs() { return programs_; }
  SavedValue& Desktop() { return desktop_; }

 private:
  SavedValue userPrograms_{HKEY_CURRENT_USER, kUserKey, "Programs"};
  SavedValue userDesktop_{HKEY_CURRENT_USER, kUserKey, "Desktop"};
  SavedValue programs_{HKEY_CURRENT_USER, kKey, "Programs"};
  SavedValue desktop_{HKEY_CURRENT_USER, kKey, "Desktop"};
};

}  // namespace testregistry
