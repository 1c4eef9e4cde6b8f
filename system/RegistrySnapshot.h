// A registry key with everything below it, as text: what an installation
// keeps of the records it is about to overwrite, so that a failed or
// interrupted run can put back exactly what was there, every value with its
// type. The text holds no tab and no line break, so it fits one line of the
// installation's journal.
#pragma once

#include <windows.h>

#include <string>

// The key `root`\`path` and its tree; "absent" when there is no such key.
// Raises ERegistryError when the key exists but cannot be read.
std::string SnapshotKey(HKEY root, const std::string& path);

// Makes `root`\`path` what `snapshot` says: the key tree as it was, or no key
// at all. Does nothing when it is so already. False when a call failed on the
// way (the key is then in between; a second call finishes it).
bool RestoreKey(HKEY root, const std::string& path, const std::string& snapshot);

// "HKLM", "HKCU", "HKCR" and back; null for an unknown name.
const char* RootName(HKEY root);
HKEY RootNamed(const std::string& name);
