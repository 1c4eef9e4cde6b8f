// Folder and file operations of the installer and uninstaller. Paths are UTF-8,
// absolute, folders without a trailing backslash. The operations that can fail
// for reasons the user may fix ask through LocalizedMessageDlg whether to try
// again (Abort / Retry); the others report nothing.
#pragma once

#include <string>

// Deletes whatever folder stands at `path` (with its contents), then creates
// the folder, one level only: the parent must exist. On failure asks the user;
// Retry starts over with the deletion. True when the folder now exists, newly
// created and empty; false when the user gave up.
bool CreateFolderWithRetry(const std::string& path);

// Copies `source` to `destination`, replacing an existing destination file. On
// failure asks the user (the prompt names the source); Retry tries again. True
// when the copy succeeded; false when the user gave up.
bool CopyFileWithRetry(const std::string& source, const std::string& destination);

// Deletes the folder at `path` with everything in it, silently, if `path` is a
// folder; a plain file or nothing at `path` is left alone.
void DeleteFolderIfExists(const std::string& path);

// Unpacks the archive folder `folder` of the installation's temporary archive
// (temp.zip in the install directory the wizard shows) into `destination`.
// Errors of the archive component reach the caller.
void ExtractArchiveFolder(const std::string& folder, const std::string& destination);
