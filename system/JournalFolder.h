// The home of the installation's journal: one per machine, in a folder of
// the product under the common program files folder (where nobody but
// administrators may create anything), that only administrators and the
// system can change. Every start of the setup runs with
// administrator rights and carries out what the journal says, so a journal
// anyone else could have written is never acted on.
#pragma once

#include <string>

class TInstallLog;

// The journal's folder and file; empty when the common program files folder
// cannot be found.
std::string JournalFolder();
std::string JournalPath();

// True when only administrators and the system can change what stands at
// `path`: its owner is one of them and its access list allows no one else
// to write, delete or change it. Else false, with the reason in `why`.
bool OnlyAdministratorsCanChange(const std::string& path, std::string* why);

// A sibling name that nothing holds: `path`, ".~" and eight hex digits.
std::string FreeAsideName(const std::string& path);

// Makes sure the journal folder is there and only administrators can change
// it. A folder that others can change (someone made it before the first
// installation) is renamed aside, logged, and made anew with an access list
// of its own: Administrators and SYSTEM, full control, nobody else. False,
// with the reason in `error`, when that cannot be done.
bool PrepareJournalFolder(TInstallLog& log, std::string* error);

// Deletes what a run ended half-way left in the journal folder besides the
// journal (the copy of a medium's archive it was checking).
void RemoveScratchFiles(TInstallLog& log);
