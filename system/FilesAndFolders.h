// Folder and file operations of the installer and uninstaller. Paths are UTF-8,
// absolute, folders without a trailing backslash. The operations that can fail
// for reasons the user may fix ask through a TRetryPrompt whether to try again;
// the others report nothing.
#pragma once

#include <cstdint>
#include <string>

#include "RetryPrompt.h"

// Deletes whatever folder stands at `path` (with its contents), then creates
// the folder, one level only: the parent must exist. On failure asks the user;
// Retry starts over with the deletion. True when the folder now exists, newly
// created and empty; false when the user gave up.
bool CreateFolderWithRetry(const std::string& path, TRetryPrompt& prompt);

// The same for the install folder: made with the product folders' own
// access list (kProductFolderSecurity) from its first moment, so that what
// it will hold is changed by administrators alone, whatever its parent lets
// users do.
bool CreateProtectedFolderWithRetry(const std::string& path, TRetryPrompt& prompt);

// Copies `source` to `destination`, replacing an existing destination file. On
// failure asks the user (the prompt names the source); Retry tries again. True
// when the copy succeeded; false when the user gave up.
bool CopyFileWithRetry(const std::string& source, const std::string& destination,
                       TRetryPrompt& prompt);

// Deletes the folder at `path` with everything in it, silently, if `path` is a
// folder; a plain file or nothing at `path` is left alone.
void DeleteFolderIfExists(const std::string& path);

// Deletes the file or folder at `path` (UTF-8) with everything below it,
// outright (not into the recycle bin), without confirmation or error messages;
// the shell shows only its progress window when the deletion takes long,
// owned by the application's active window; in a silent run ("/S") not even
// that. Returns the shell operation's
// result: 0 on success, non-zero when the path does not exist or the deletion
// failed. Files that cannot be deleted stay where they are.
int DeleteTree(const std::string& path);

// True when `path` names `folder` itself or something below it, both read as
// the system reads them (FullLongPath): letter case is ignored as the file
// system ignores it, and short names, "." and "..", either separator and a
// trailing one do not matter.
bool IsSameOrBelow(const std::string& path, const std::string& folder);

// The bytes of all files in the folder `path` and below it (0 when there is
// no such folder), or of the one file at `path`.
uint64_t SizeOf(const std::string& path);

// The bytes this user may still write on the drive of `directory` (its
// first letter names the drive); -1 when there is no ready drive.
int64_t FreeBytesOnDriveOf(const std::string& directory);

// A new, empty file of a unique name ("map" + four hex digits + ".tmp") in
// `folder` (empty: the user's temporary folder), deleted again with this
// object, or at the next restart when it cannot be now. Raises
// std::runtime_error when none can be made.
class TTemporaryFile {
 public:
  explicit TTemporaryFile(const std::string& folder = std::string());
  ~TTemporaryFile();
  TTemporaryFile(const TTemporaryFile&) = delete;
  TTemporaryFile& operator=(const TTemporaryFile&) = delete;
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
};
