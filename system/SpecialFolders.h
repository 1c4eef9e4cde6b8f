// Where the system keeps the folders the setup writes to outside the install
// folder: the user's shell folders (program group, desktop), the folder of
// data for every user (the journal), and the temporary folder. Paths are
// UTF-8, without a trailing backslash unless said otherwise.
#pragma once

#include <string>

// The current user's special folder recorded under `valueName` ("Programs",
// "Desktop") in the Explorer's record of shell folders, as stored; empty when
// not recorded. Raises ERegistryError when the record is not a string.
std::string GetShellFolder(const std::string& valueName);

// The same, empty also when the record cannot be read: what cannot be found
// cannot be removed, and a removal goes on.
std::string ShellFolderOf(const std::string& valueName);

// The folder of application data shared by every user of the machine; empty
// when the system does not say.
std::string CommonAppDataFolder();

// The folder of program files shared by the programs of the machine
// ("C:\Program Files\Common Files"); empty when the system does not say.
std::string CommonProgramFilesFolder();

// The temporary folder of this process, with its trailing backslash; empty
// when the system does not say, or names one too long to use.
std::string TemporaryFolder();
