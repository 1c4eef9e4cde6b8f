// What the installation's journal may say. The journal is carried out with
// administrator rights by the next start of the setup, so before anything is
// done every line must name only what an installation of this product
// changes: its install folder, its program group and desktop link, and its
// five registry key trees. A journal that says anything else was not written
// by this program (or is damaged) and is not acted on at all.
#pragma once

#include <functional>
#include <string>
#include <vector>

using TJournalEntry = std::vector<std::string>;

// The kinds of line. The begin line names the install folder and the
// Programs and Desktop folders of the user who installed (the links are
// per user; the journal is per machine).
inline constexpr char kJournalBegin[] = "install";
inline constexpr char kJournalAside[] = "aside";
inline constexpr char kJournalNew[] = "new";
inline constexpr char kJournalKey[] = "key";
inline constexpr char kJournalCommit[] = "commit";

// The product's registry key trees, as a journal names them.
struct TProductKey {
  const char* root;
  const char* path;
};
extern const TProductKey kProductKeys[5];

// The program group and the desktop link of the begin line's user.
std::string ProgramGroupIn(const std::string& programs);
std::string DesktopLinkIn(const std::string& desktop);

// Empty when every entry is one an installation of this product writes, in
// an order it writes them; else what is wrong, for the log. `isProductFolder`
// says whether a path is a folder the uninstaller would delete as the
// product's.
std::string JournalFault(const std::vector<TJournalEntry>& entries,
                         const std::function<bool(const std::string&)>& isProductFolder);

// Whether `text` is a registry snapshot as RegistrySnapshot writes it.
bool IsKeySnapshot(const std::string& text);
