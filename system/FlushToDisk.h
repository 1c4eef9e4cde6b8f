// What a run has written, made to survive a power cut. The system keeps
// written data in its cache and writes it out when it likes; an installation
// that counts as complete before that (and deletes the copy it replaced)
// could leave nothing but zeros behind. Each file and folder is flushed on
// its own: one flush of the whole volume would do as much, but it needs
// administrator rights and a file system that supports it, where these
// work for every user on every volume.
#pragma once

#include <windows.h>

#include <string>

// Flushes every file and folder at and below `path` (UTF-8), then the folder
// holding `path`, whose entry for it changed. Nothing at `path` is nothing to
// flush. False at the first that cannot be flushed, its reason in
// GetLastError.
bool FlushTree(const std::string& path);

// Flushes the registry key `root`\`path` (the part of the registry that holds
// it); a key that is not there is nothing to flush. ERROR_SUCCESS or the
// reason it failed.
LSTATUS FlushKeyAt(HKEY root, const std::string& path);
