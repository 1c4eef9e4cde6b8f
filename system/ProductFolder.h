// The one rule by which a path counts as the product's install folder, for
// every deletion of the whole folder: the uninstall's, and the undo of an
// interrupted installation.
#pragma once

#include <string>

// Only the product's own folder is deleted with everything in it, and only
// as the installer records it: an absolute path, as the system reads it
// (FullLongPath), ending in the product's folder name. A damaged or foreign
// record ("C:\", "C:\Windows", a relative or empty path), or one spelled in
// a way no installation records ("C:\Windows\..\Карта...", "C:\PROGRA~1\...")
// must never send a whole drive or system folder to the deletion.
bool IsProductFolder(const std::string& path);

// The install folder the wizard and the unattended run propose: the
// program-files folder the system records, and the product's folder name. A
// user who may not read the record, or a record that is not a string, gets
// the root of drive C, as a missing record does.
std::string ProposedDirectory();
