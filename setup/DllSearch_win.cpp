#include "DllSearch_win.h"

#include <windows.h>

// The uninstaller runs elevated from a copy in the user's temporary folder,
// where anything may lie beside it: a "version.dll" or "uxtheme.dll" planted
// there would be loaded with administrator rights by the ordinary search
// order, which looks in the program's own folder first. Installing runs from
// a medium whose folder we do not control either. So library loads are kept
// to the system folder wherever the system lets us say so.
//
// The DLLs in the import table are loaded by the system before this runs;
// they are all system libraries (most of them "known DLLs", always taken from
// the system folder, and the common controls come through the manifest's
// side-by-side binding).
//
// Both functions are looked up at run time: SetDefaultDllDirectories exists
// from Windows 8 (and on Vista/7 with an update), SetDllDirectoryW from XP SP1;
// a static import of either would keep the program from starting where it is
// missing.
void RestrictDllSearchToSystemFolder() {
  HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
  if (kernel == nullptr) return;

  using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
  auto setDefault = reinterpret_cast<SetDefaultDllDirectoriesFn>(
      reinterpret_cast<void*>(GetProcAddress(kernel, "SetDefaultDllDirectories")));
  if (setDefault != nullptr) setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32);

  // Where the above is missing this at least takes the current folder out of
  // the search; where it is present it does no harm.
  using SetDllDirectoryFn = BOOL(WINAPI*)(LPCWSTR);
  auto setDllDirectory = reinterpret_cast<SetDllDirectoryFn>(
      reinterpret_cast<void*>(GetProcAddress(kernel, "SetDllDirectoryW")));
  if (setDllDirectory != nullptr) setDllDirectory(L"");
}
