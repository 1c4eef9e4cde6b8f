// Reading one value of a registry key by its index, for the system-call seam:
// both the real seam and a test's stand-in for it read values this way, so a
// test exercises the very code the program runs. Reading changes nothing.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace registry {

// The `index`-th value of `key`: its name, type and data; ERROR_NO_MORE_ITEMS
// past the last.
LSTATUS ValueAt(HKEY key, DWORD index, std::wstring* name, DWORD* type, std::vector<BYTE>* data);

}  // namespace registry
