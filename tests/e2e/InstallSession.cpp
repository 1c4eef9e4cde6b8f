#include "InstallSession.h"

#include <commctrl.h>

#include "DialogDriver.h"
#include "RegistryValues.h"
#include "StartupProcesses.h"
#include "Utf.h"
#include "WizardView.h"

namespace e2e {

const char kProductName[] = "Карта Тальмирской области 2.0";
const char kInstallCaption[] = "Установка программы \"Карта Тальмирской области 2.0\"";
const char kUninstallCaption[] = "Удаление программы \"Карта Тальмирской области 2.0\"";

namespace {

using dialogdriver::ClassName;
using dialogdriver::WindowText;

constexpr DWORD kStartMs = 30000;
// A full installation copies 174 MB twice under the emulator.
constexpr DWORD kInstallMs = 180000;
constexpr int kNext = 1, kCancel = 2;  // the wizard's buttons, left to right
const char* const kMessageCaptions[] = {"Ошибка", "Ошибка в процессе установки",
                                        "Файлы используются"};

void PressButtonOf(HWND dialog, const std::string& caption) {
  PostMessageW(dialogdriver::FindControl(dialog, "Button", caption), BM_CLICK, 0, 0);
}

// The progress window's bar (the wizard keeps a hidden one for uninstalling).
BOOL CALLBACK FindProgressBar(HWND child, LPARAM found) {
  if (ClassName(child) != "msctls_progress32" || !IsWindowVisible(child)) return TRUE;
  *reinterpret_cast<HWND*>(found) = child;
  return FALSE;
}

HWND ProgressBarOf(DWORD pid) {
  for (HWND window : dialogdriver::VisibleTopLevelWindows(pid)) {
    if (ClassName(window) != "TalmirContainer") continue;
    HWND bar = nullptr;
    EnumChildWindows(window, FindProgressBar, reinterpret_cast<LPARAM>(&bar));
    if (bar) return bar;
  }
  return nullptr;
}

// The caption as the system keeps it: asking the window would wait while
// the program is busy.
std::string CaptionOf(HWND window) {
  wchar_t text[256] = {};
  return toolkit::Narrow(text, size_t(GetWindowTextW(window, text, 256)));
}

HWND MessageOf(DWORD pid, std::string* caption) {
  for (HWND window : dialogdriver::VisibleTopLevelWindows(pid)) {
    for (const char* known : kMessageCaptions) {
      if (CaptionOf(window) == known) {
        *caption = known;
        return window;
      }
    }
  }
  return nullptr;
}

// The bar's position and range while the program is too busy to answer
// messages (it copies the map image, writes records and links, and ends the
// window without taking a message in between): read from the state the
// emulator's progress control keeps behind its window, which begins with its
// own handle and then the position, minimum and maximum. False when that
// state does not look so.
bool ReadBarState(HANDLE process, HWND bar, int* position, int* maximum) {
  struct {
    HWND self;
    INT position, minimum, maximum;
  } state{};
  const LONG_PTR address = GetWindowLongPtrW(bar, 0);
  SIZE_T read = 0;
  if (!address ||
      !ReadProcessMemory(process, reinterpret_cast<void*>(address), &state, sizeof state, &read) ||
      read != sizeof state || state.self != bar)
    return false;
  *position = state.position;
  *maximum = state.maximum;
  return true;
}

// Leftmost 17 pixels of a 20-pixel row toggle its check box.
void ToggleComponent(const WizardView& wizard, int item) {
  wizard.ClickCheckList(8, item * 20 + 10);
}

void ChooseComponents(const WizardView& wizard, SetupChoice choice) {
  switch (choice) {
    case SetupChoice::Minimal:
      wizard.ChooseSetupType(0);
      break;
    case SetupChoice::Full:
      wizard.ChooseSetupType(1);
      break;
    case SetupChoice::CustomWithoutBde:
    case SetupChoice::CustomWithNeither: {
      wizard.ChooseSetupType(1);
      for (int item : {2, 3}) {
        if (item == 3 && choice == SetupChoice::CustomWithoutBde) break;
        ToggleComponent(wizard, item);
        WaitUntil([&] { return !wizard.CheckItems().at(size_t(item)).checked; });
      }
      break;
    }
  }
}

std::string DirectoryShown(const WizardView& wizard) {
  HWND box = wizard.Container("Установить в папку");
  HWND label = FindWindowExW(box, nullptr, L"TalmirLabel", nullptr);
  return label ? WindowText(label) : std::string();
}

// Answers one message: Yes where it offers to close programs; Retry while
// retries are left on a retry prompt, else Abort; OK on the others.
void Answer(HWND dialog, const std::string& caption, InstallOutcome& outcome, int& retries) {
  // The dialog shows each "\r" of the message as a line break.
  std::string text = dialogdriver::Inspect(dialog).text;
  for (size_t at = 0; (at = text.find("\r\n", at)) != std::string::npos;) text.erase(at + 1, 1);
  outcome.messages.push_back({caption, text});
  if (dialogdriver::FindControl(dialog, "Button", "Да")) {
    PressButtonOf(dialog, "Да");
  } else if (dialogdriver::FindControl(dialog, "Button", "Повтор")) {
    PressButtonOf(dialog, retries-- > 0 ? "Повтор" : "Прервать");
  } else {
    PressButtonOf(dialog, "OK");
  }
  dialogdriver::WaitUntilGone(dialog);
}

// From the press of Next on the summary page to the completion page or the
// end of the program.
void WatchInstallation(const Process& setup, const WizardView& wizard, HWND completedPage,
                       const InstallOptions& options, InstallOutcome& outcome) {
  int retries = options.retries;
  const ULONGLONG deadline = GetTickCount64() + kInstallMs;
  while (GetTickCount64() < deadline) {
    std::string caption;
    if (HWND dialog = MessageOf(setup.Id(), &caption)) {
      Answer(dialog, caption, outcome, retries);
      continue;
    }
    if (HWND bar = ProgressBarOf(setup.Id())) {
      // A window on its way out may no longer hold its state: the last
      // reading stands.
      int position, maximum;
      if (ReadBarState(setup.Handle(), bar, &position, &maximum)) {
        outcome.position = position;
        outcome.maximum = maximum;
        if (options.onProgress) options.onProgress(position);
      }
    }
    if (IsWindowVisible(wizard.Handle()) && IsWindowVisible(completedPage)) {
      outcome.completed = true;
      return;
    }
    if (setup.WaitForExit(5)) return;
  }
}

// The focus once it has stayed on one control for a second: the wizard's
// activation and its page change may arrive in either order, and the last
// of them decides.
std::string SettledFocus(const WizardView& wizard) {
  HWND focus = nullptr;
  ULONGLONG since = GetTickCount64();
  WaitUntil([&] {
    HWND now = wizard.Focus();
    if (now != focus) {
      focus = now;
      since = GetTickCount64();
    }
    return focus && GetTickCount64() - since >= 1000;
  });
  if (!focus) return "(nothing)";
  return WindowText(focus) + (IsWindowVisible(focus) ? "" : " (hidden)");
}

void VisitPage(const InstallOptions& options, const char* page) {
  if (options.onPage) options.onPage(page);
}

}  // namespace

InstallOutcome Install(const std::wstring& setupExe, const InstallOptions& options) {
  InstallOutcome outcome;
  const std::wstring folder = setupExe.substr(0, setupExe.find_last_of(L'\\') + 1);
  Process setup = Start(setupExe, L"", folder);
  if (!setup.Valid()) return outcome;
  HWND window = FindProgramWindow(setup.Id(), kInstallCaption, kStartMs);
  if (!window) return outcome;
  WizardView wizard(window);
  if (!wizard.WaitForPage("Start")) return outcome;
  VisitPage(options, "Start");
  wizard.Press(kNext);
  if (!wizard.WaitForPage("SelectDirectory")) return outcome;
  ChooseComponents(wizard, options.choice);
  outcome.directory = DirectoryShown(wizard);
  VisitPage(options, "SelectDirectory");
  wizard.Press(kNext);
  if (!wizard.WaitForPage("StartCopyingFiles")) return outcome;
  VisitPage(options, "StartCopyingFiles");
  HWND completedPage = wizard.Page("InstallCompleted");
  wizard.Press(kNext);
  WatchInstallation(setup, wizard, completedPage, options, outcome);
  if (outcome.completed) {
    outcome.completionFocus = SettledFocus(wizard);
    VisitPage(options, "InstallCompleted");
    wizard.Press(kCancel);
  }
  outcome.ended = setup.WaitForExit(kStartMs);
  GetExitCodeProcess(setup.Handle(), &outcome.exitCode);
  return outcome;
}

std::string UninstallKey() {
  return std::string("Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\") + kProductName;
}

std::string UninstallThroughRecord(const std::function<void(const std::string&)>& onPage,
                                   bool byKeyboard) {
  const auto command =
      testregistry::ReadString(HKEY_LOCAL_MACHINE, UninstallKey(), "UninstallString");
  if (!command) return "no uninstall command in the record";
  std::wstring line = toolkit::Widen(*command);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &info))
    return "the uninstall command does not start: " + *command;
  CloseHandle(info.hThread);
  Process relocating(info.hProcess, info.dwProcessId);
  if (!relocating.WaitForExit(kStartMs)) return "the installed Setup.exe did not end by itself";

  std::vector<Process> copies;
  WaitUntil([&] { return !(copies = FindProcesses(L"Duv20Izeviruvu.exe")).empty(); }, kStartMs);
  if (copies.size() != 1) return "no single relocated copy runs";
  Process& copy = copies.front();
  HWND window = FindProgramWindow(copy.Id(), kUninstallCaption, kStartMs);
  if (!window) return "the relocated copy shows no uninstall wizard";
  WizardView wizard(window);
  // The one button, "Удалить" then "Готово"; by keyboard once it has the focus.
  const auto press = [&](WORD key) {
    if (!byKeyboard) return wizard.Press(kCancel), true;
    return WaitUntil([&] { return wizard.Focus() == wizard.ButtonHandle(kCancel); }) &&
           (PressOnKeyboard(key), true);
  };
  if (onPage) onPage("UninstallStart");
  if (!press(VK_RETURN)) return "the focus is not on \"Удалить\"";
  if (!wizard.WaitForPage("UninstallCompleted")) return "the uninstall did not complete";
  if (onPage) onPage("UninstallCompleted");
  if (!press(VK_SPACE)) return "the focus is not on \"Готово\"";
  if (!copy.WaitForExit(kStartMs)) return "the relocated copy did not end on \"Готово\"";
  return std::string();
}

}  // namespace e2e
