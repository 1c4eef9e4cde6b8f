// The system's own answers to "which processes run" and "which hold these
// files", behind the seam's thin functions (SystemCalls.h), so that its
// stand-in in the tests forwards to the same code.
#pragma once

#include <windows.h>
#include <restartmanager.h>

#include <string>
#include <vector>

namespace processes {

BOOL RunningIds(std::vector<DWORD>* ids);

// Through the Restart Manager, looked up at run time: it exists from Vista
// on, and a static import would keep the program from starting without it.
DWORD HoldersOf(const std::vector<std::wstring>& files, std::vector<RM_PROCESS_INFO>* holders);

}  // namespace processes
