// Program entry of Setup.exe: the installer, and with "/u" the uninstaller.
#include <windows.h>

#include "Application.h"
#include "ComApartment.h"
#include "DllSearch_win.h"
#include "FormMain.h"
#include "Relocation_win.h"
#include "Startup_win.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  RestrictDllSearchToSystemFolder();
  // The run mode is fixed here, before any window exists.
  const TRunMode& mode = ThisRunMode();

  toolkit::Application& app = toolkit::Application::Instance();
  app.SetTitle(kApplicationTitle);

  if (mode.SelfRelocation) {
    // This instance has done its part once the copy is started; the copy runs
    // the uninstall wizard. It ends here, before the application window (the
    // taskbar button) or any form exists, so nothing is left that the user
    // could act on. Only the retry prompt of a failed copy shows meanwhile.
    RelocateUninstaller(ThisProgramPath());
    return 0;
  }

  app.Initialize();
  // The shell's link object and folder browser live in this thread's apartment.
  TComApartment com;
  TMainForm mainForm;
  mainForm.Show();
  app.Run();
  return 0;
}
