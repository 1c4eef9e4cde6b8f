// One installation and one uninstallation of the real Setup.exe, worked from
// outside its process as a user would: through the wizard's pages, answering
// its messages, watching the progress window until it goes.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace e2e {

extern const char kInstallCaption[];
extern const char kUninstallCaption[];
extern const char kProductName[];

// "Минимальная" (database support, no map image), "Полная", and the two
// custom choices the user makes by unchecking components of "Полная".
enum class SetupChoice { Minimal, Full, CustomWithoutBde, CustomWithNeither };

struct Message {
  std::string caption;
  std::string text;
};

struct InstallOptions {
  SetupChoice choice = SetupChoice::Full;
  // Retry answers to the retry prompt before Abort.
  int retries = 0;
  // Called on every page the wizard shows before the session leaves it.
  std::function<void(const std::string& page)> onPage;
  // Called whenever the progress window's position has been read.
  std::function<void(int position)> onProgress;
};

struct InstallOutcome {
  bool completed = false;  // the completion page showed
  bool ended = false;      // the program ended after its last button or message
  DWORD exitCode = 259;    // the program's exit code once it ended
  int position = -1;       // the progress bar, as last read
  int maximum = -1;
  std::vector<Message> messages;  // in the order they came
  std::string directory;          // the install directory the wizard showed
  // The control that held the focus on the completion page once it had
  // stayed there for a while: its caption, and "(hidden)" when it was.
  std::string completionFocus;
};

// Starts `setupExe` from its folder and installs with the options.
InstallOutcome Install(const std::wstring& setupExe, const InstallOptions& options = {});

// Runs the record's uninstall command as the list of installed programs does
// (the program relocates itself and starts its copy), presses "Удалить" on the
// copy and closes it with "Готово". Empty when all of that happened, else
// what went wrong. `byKeyboard`: each of the two buttons must hold the focus
// and is pressed with the keyboard (Enter, then Space).
std::string UninstallThroughRecord(
    const std::function<void(const std::string& page)>& onPage = nullptr, bool byKeyboard = false);

// The uninstall record's key (below HKEY_LOCAL_MACHINE).
std::string UninstallKey();

}  // namespace e2e
