// The registry and shell calls of the system layer, one thin function each,
// so that they cross the process boundary in exactly one place; with the file
// calls of FileCalls_win.h they are the one seam every change to the machine
// goes through. This is the seam at which tests make a chosen call fail: a
// test program may link its own definitions of all of these functions
// (forwarding to the system and failing the one it picks) in place of
// SystemCalls.cpp and FileCalls_win.cpp. Nothing here interprets a result;
// the callers do.
#pragma once

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
#include <shellapi.h>
#include <restartmanager.h>

#include <string>
#include <vector>

#include "streams/FileCalls_win.h"

namespace syscalls {

// Registry keys are always opened and created with full access: the records
// are read by the same code that removes them.
LSTATUS CreateKey(HKEY root, const std::wstring& subKey, HKEY* key);
LSTATUS OpenKey(HKEY root, const std::wstring& subKey, HKEY* key);
void CloseKey(HKEY key);
LSTATUS SetValue(HKEY key, const std::wstring& name, DWORD type, const BYTE* data, DWORD size);
LSTATUS QueryValue(HKEY key, const std::wstring& name, DWORD* type, BYTE* data, DWORD* size);
LSTATUS DeleteValue(HKEY key, const std::wstring& name);
// The name of the `index`-th sub-key of `key`; ERROR_NO_MORE_ITEMS past the last.
LSTATUS EnumKey(HKEY key, DWORD index, std::wstring* name);
// The `index`-th value of `key`: its name, type and data; ERROR_NO_MORE_ITEMS
// past the last.
LSTATUS EnumValue(HKEY key, DWORD index, std::wstring* name, DWORD* type, std::vector<BYTE>* data);
// Deletes a sub-key that has no sub-keys of its own.
LSTATUS DeleteKey(HKEY key, const std::wstring& subKey);
// Writes what was changed in the key's hive to the disk before returning.
LSTATUS FlushKey(HKEY key);

// A new shell-link object, as its IShellLinkW interface.
HRESULT CreateShellLinkObject(IShellLinkW** link);

// Saves the link object behind `file` as the link file `path`.
HRESULT SaveShellLink(IPersistFile* file, const std::wstring& path);

// The shell's file operation (copy, move, delete of lists of paths).
int ShellFileOperation(SHFILEOPSTRUCTW* operation);

// One level, like CreateFolder, but with the owner and access list of
// `security` from its first moment: no one else can open it in between.
BOOL CreateSecuredFolder(const std::wstring& path, SECURITY_ATTRIBUTES* security);

// The programs that hold the install folder, and asking them to close.
// The ids of the processes running now.
BOOL ListProcesses(std::vector<DWORD>* ids);
// The processes that hold any of `files` open, as the system's Restart
// Manager knows them; ERROR_CALL_NOT_IMPLEMENTED where there is none.
DWORD FindFileHolders(const std::vector<std::wstring>& files,
                      std::vector<RM_PROCESS_INFO>* holders);
// Asks a window to close, as its close box would; does not wait for it.
BOOL PostCloseRequest(HWND window);

}  // namespace syscalls
