// Opening a log file in a folder where others may create files, and telling
// whether what was opened is a file this run may write.
#pragma once

#include <windows.h>

#include <string>

// Opens `path` for writing at its end without following a link at its place
// (a link is opened itself); INVALID_HANDLE_VALUE with the system's error.
HANDLE OpenLogFile(const std::wstring& path, DWORD disposition, DWORD share);

// True for a plain file of one name (no link, no second hard link through
// which another file would be written) whose owner is an account the setup
// trusts (AccessRules.h).
bool IsOwnPlainFile(HANDLE file);
