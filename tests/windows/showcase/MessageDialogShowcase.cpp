// Shows one of the message dialogs the program uses, for a screenshot, and
// closes it by itself after a few seconds. Argument: the use, 1 to 5, or 6
// for every button at once.
//   1 exit confirmation, 2 not enough space, 3 installation failed,
//   4 distribution file cannot be copied, 5 retry prompt of a failed copy.
#include "LocalizedMessageDlg.h"

#include "DialogDriver.h"

#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <thread>

namespace {

struct Use {
  const char* text;
  const char* caption;
  int type;
  unsigned buttons;
};

const Use kUses[] = {
    {"Действительно прервать работу программы установки ?", "Выход", dlg::kConfirmation,
     dlg::kYes | dlg::kNo},
    {"Недостаточно свободного места на диске \"C\".\rВыберите другой диск или устанавливайте "
     "минимум компонентов.",
     "Недостаточно места", dlg::kWarning, dlg::kOK},
    {"В процессе установки произошла ошибка.\rПрограмма не была установлена на Ваш компьютер.\r"
     "Попробуйте закрыть все выполняющиеся приложения, перезагрузить компьютер и запустите "
     "программу установки повоторно.",
     "Ошибка в процессе установки", dlg::kWarning, dlg::kOK},
    {"Не удается скопировать файл\rD:\\Map.maptl.\rПродолжение установки невозможно.", "Ошибка",
     dlg::kError, dlg::kOK},
    {"Не удается создать/скопировать файл \rD:\\Setup.exe", "Ошибка", dlg::kError,
     dlg::kAbort | dlg::kRetry},
    {"Все кнопки сразу", "Все кнопки", dlg::kCustom, 0x7FF},
};

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR commandLine, int) {
  const int index = std::max(1, std::min(6, _wtoi(commandLine))) - 1;
  const Use& use = kUses[index];
  std::thread closer([&use] {
    HWND dialog = dialogdriver::WaitForWindow(use.caption);
    Sleep(6000);
    if (dialog) dialogdriver::PressCloseBox(dialog);
  });
  LocalizedMessageDlg(use.text, use.caption, use.type, use.buttons);
  closer.join();
  return 0;
}
