// The relocated uninstaller and the installed Setup.exe that started it:
// while that one runs, its file and folder cannot be deleted or moved.
#pragma once

// Waits until the process that started this one has ended, at most
// `timeoutMs`; true when it has (or there is none). The starter is this
// process's parent, as long as it still runs under the name Setup.exe and
// began before this one: a process id of a parent that ended may belong to
// another process by now.
bool WaitForStarterToEnd(unsigned long timeoutMs);
