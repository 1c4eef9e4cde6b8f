// Shell links and the program group, and the silent tree deletion they use.
#pragma once

#include <string>

// Deletes the file or folder at `path` (UTF-8) with everything below it,
// outright (not into the recycle bin), without confirmation or error messages;
// the shell shows only its progress window when the deletion takes long,
// owned by the application's active window. Returns the shell operation's
// result: 0 on success, non-zero when the path does not exist or the deletion
// failed. Files that cannot be deleted stay where they are.
int DeleteTree(const std::string& path);
