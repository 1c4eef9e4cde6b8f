// The registry records by which the installed product is known to Windows:
// the uninstall record under HKEY_LOCAL_MACHINE (the list of installed
// programs, and where the uninstaller finds the product) and the file types
// of the product's data files under HKEY_CLASSES_ROOT. Names and values are
// UTF-8. Writes raise ERegistryError; removals are silent.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>

#include "RegistryKey.h"

// The string value `valueName` ("" for the default value) of the key
// `root`\`keyPath`, opened without being created. Empty when the key or the
// value is missing; raises "Invalid data type for '<name>'" when the value is
// not a string, and "Failed to open key <path>" when the key is there but
// cannot be opened (a record that cannot be read is not a missing one).
std::string ReadRegistryString(HKEY root, const std::string& keyPath, const std::string& valueName);

// The command line that runs `program` with `arguments`: the program path in
// quotes, so that a path with blanks is never cut at its first blank
// ("C:\Program Files\..." would otherwise start C:\Program.exe if it exists).
std::string QuotedCommand(const std::string& program, const std::string& arguments);

// What the uninstall record says beyond what the list of installed programs
// shows of every program: where the installation came from ("InstallFrom",
// the source folder with its trailing backslash), and for unattended use the
// command that uninstalls without windows ("QuietUninstallString"), the
// installed size ("EstimatedSize", in kilobytes) and no "Change" or "Repair"
// ("NoModify", "NoRepair"). Empty texts are not written.
struct TRecordExtras {
  std::string installFrom;
  std::string quietCommand;
  uint64_t kilobytes = 0;
};

// Creates (or reuses) the uninstall record of `productName` and writes, in
// this order: DisplayName, DisplayVersion ("major.minor"), DisplayIcon,
// InstallLocation, UninstallString, Publisher (strings), VersionMajor,
// VersionMinor (DWORDs), then the extras: QuietUninstallString,
// EstimatedSize, NoModify, NoRepair, InstallFrom. Other values already in
// the record stay. Raises "Failed to create key <key>" or "Failed to set data
// for '<value>'".
void WriteUninstallRecord(const std::string& productName, const std::string& displayIcon,
                          const std::string& publisher, const std::string& installLocation,
                          const std::string& uninstallCommand, int majorVersion, int minorVersion,
                          const TRecordExtras& extras = TRecordExtras());

// The key of the uninstall record of `productName`, below HKEY_LOCAL_MACHINE.
std::string UninstallRecordKey(const std::string& productName);

// The uninstall record's "InstallLocation": nullopt when there is no record,
// empty when the record lacks the value. Raises ERegistryError when the value
// is not a string or the record cannot be read.
std::optional<std::string> ReadInstallLocation(const std::string& productName);

// Deletes the uninstall record of `productName` with everything in it.
// Silent: a missing record or a failure on the way is not reported.
void DeleteUninstallRecord(const std::string& productName);

// Registers the file type of `extension` (without the dot; lower-cased): the
// extension names the class <extension>FILE, which gets `description` and the
// icon `iconPath`, and, when `verbLabel` is not empty, the verb key
// "Shell\Default" with that label and `verbCommand`. Raises like
// WriteUninstallRecord.
void RegisterFileType(const std::string& extension, const std::string& description,
                      const std::string& iconPath, const std::string& verbLabel,
                      const std::string& verbCommand);

// Unregisters the file type of `extension` as far as it is still the
// product's: while the extension names the class <extension>FILE, its default
// value and that class's description are deleted (the keys, the icon and verb
// stay). An extension another program has taken over is left alone. Silent.
void UnregisterFileType(const std::string& extension);

// True while the extension still names the product's class <extension>FILE.
bool IsFileTypeRegistered(const std::string& extension);
