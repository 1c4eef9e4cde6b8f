// The system's folder browser and the few questions about folders and drives
// that go with it.
#pragma once

#include <windows.h>

#include <string>

// Lets the user pick a file-system folder, starting at the desktop. Returns
// its path (UTF-8), or "" when the user cancelled.
std::string BrowseForFolder(HWND owner, const std::string& title);

bool FolderExists(const std::string& path);

// The system's type of the drive "X:" (DRIVE_FIXED, DRIVE_CDROM, ...).
UINT DriveTypeOf(const std::string& drive);
