// What to say and what to do about the programs that hold files in the
// install folder: the product's own (their program file lies in the folder),
// which the installer may ask to close, and other products' programs, which
// it only names. The names come from other processes' window titles, which
// anyone can set: they are cleaned before they reach a message or the log.
#pragma once

#include <string>
#include <vector>

struct TProgramInUse {
  unsigned long id = 0;
  std::string name;  // as shown: its window's title, else its file name
  std::string file;  // its program file's name, "" when unknown
  bool own = false;  // its program file lies in the install folder
};

// A window title (or, when it has none, a file name) as it may be shown:
// control and direction-changing characters become blanks, runs of blanks
// one, and what is longer than 64 characters ends in "...".
std::string ShownName(const std::string& title, const std::string& file);

bool AnyOwn(const std::vector<TProgramInUse>& programs);
bool AnyOther(const std::vector<TProgramInUse>& programs);

// The message of the wizard: the folder, the programs, and what the user
// may do. Only a folder held by the product's own programs alone may be
// cleared by closing them.
std::string FilesInUseMessage(const std::vector<TProgramInUse>& programs, const std::string& folder,
                              bool uninstalling);

// One line for the log: each program with its file, process and whose it is.
std::string ProgramsForLog(const std::vector<TProgramInUse>& programs);

enum class TFilesInUseAnswer { kClose, kRetry, kStop };

// A run without questions closes the product's programs once, when it may
// ("/NOCLOSEAPPLICATIONS" says it may not); whatever still holds the folder
// afterwards stops it. An installation stops at once where another
// product's program holds the folder: closing ours would not free it.
TFilesInUseAnswer UnattendedAnswer(const std::vector<TProgramInUse>& programs, bool mayClose,
                                   bool closedOnce, bool othersBlock);
